// The window's answers to every query a job asks: the message box each one shows (text, icon,
// buttons, the button Enter presses) and how the button pressed becomes the job's answer.
#include "explorer/JobUser.h"
#include "ui/aux/ScriptedPrompter.h"
#include "ui/main/MainJobUser.h"

#include <QSet>
#include <QTest>

#include <functional>

using TButtons = TPrompter::TButtons;
using TIcon = TPrompter::TIcon;
using TPressed = TPrompter::TAnswer;

static_assert(brelk::AnswersEveryQuery<TPrompterJobUser>);

namespace {

const QChar CR(13);

struct TCase {
    const char* What;
    brelk::TQuery Query;
    QList<TPressed> Pressed; // the buttons pressed, in order (none: no question shown)
    QString Text;            // the message shown; empty: none
    TIcon Icon = TIcon::Confirmation;
    TButtons Buttons = TButtons::OK;
    TPressed Default = TPressed::Yes;
    brelk::TAnswer Answer = brelk::TAnswer::Cancel;
};

const QString kOverwrite = QStringLiteral("The object 'ELITE' will be overwritten.") + CR + CR +
                           "Press YES to overwrite this object or" + CR +
                           "press NO to skip this object or" + CR +
                           "press CANCEL to stop importing completely.";
const QString kMustFormat =
    QStringLiteral("Your Brelk-card must be formatted before importing 3 objects from "
                   "'/bak/x.txt'.") +
    CR + CR + "Press YES to format the Brelk-card or" + CR + "Press CANCEL to cancel the import.";
const QString kFormatFirst =
    QStringLiteral("Your Brelk-card will be formatted before importing 3 objects from "
                   "'/bak/x.txt'.") +
    CR + CR + "Press YES to format the Brelk-card or" + CR + "press NO to skip formatting or" + CR +
    "press CANCEL to cancel the import.";
const QString kLoseObjects = QStringLiteral("You are about to format the MMC-card.") + CR +
                             "This will destroy ALL contents on the card." + CR + CR +
                             "Do you really want to format the MMC-card?";
const QString kRepair =
    QStringLiteral("Repair the catalogue? Every change it makes is listed afterwards.") + CR +
    "The repair will rebuild 2 entries from their object headers.";

QList<TCase> Cases() {
    namespace query = brelk::query;
    using brelk::TAnswer;
    const query::TMustFormat must{3, "/bak/x.txt"};
    const query::TFormatFirst first{3, "/bak/x.txt"};
    const query::TLoseObjects lose{2, true, ""};
    return {
        {"overwrite yes",
         query::TOverwrite{"ELITE"},
         {TPressed::Yes},
         kOverwrite,
         TIcon::Confirmation,
         TButtons::YesNoCancel,
         TPressed::Yes,
         TAnswer::Yes},
        {"overwrite no",
         query::TOverwrite{"ELITE"},
         {TPressed::No},
         kOverwrite,
         TIcon::Confirmation,
         TButtons::YesNoCancel,
         TPressed::Yes,
         TAnswer::No},
        {"overwrite cancel",
         query::TOverwrite{"ELITE"},
         {TPressed::Cancel},
         kOverwrite,
         TIcon::Confirmation,
         TButtons::YesNoCancel,
         TPressed::Yes,
         TAnswer::Cancel},
        {"must format yes",
         must,
         {TPressed::Yes},
         kMustFormat,
         TIcon::Confirmation,
         TButtons::YesCancel,
         TPressed::Cancel,
         TAnswer::Yes},
        {"must format cancel",
         must,
         {TPressed::Cancel},
         kMustFormat,
         TIcon::Confirmation,
         TButtons::YesCancel,
         TPressed::Cancel,
         TAnswer::Cancel},
        {"format first yes",
         first,
         {TPressed::Yes},
         kFormatFirst,
         TIcon::Confirmation,
         TButtons::YesNoCancel,
         TPressed::No,
         TAnswer::Yes},
        {"format first no",
         first,
         {TPressed::No},
         kFormatFirst,
         TIcon::Confirmation,
         TButtons::YesNoCancel,
         TPressed::No,
         TAnswer::No},
        {"format first cancel",
         first,
         {TPressed::Cancel},
         kFormatFirst,
         TIcon::Confirmation,
         TButtons::YesNoCancel,
         TPressed::No,
         TAnswer::Cancel},
        {"lose objects yes",
         lose,
         {TPressed::Yes},
         kLoseObjects,
         TIcon::Confirmation,
         TButtons::YesNo,
         TPressed::No,
         TAnswer::Yes},
        {"lose objects no",
         lose,
         {TPressed::No},
         kLoseObjects,
         TIcon::Confirmation,
         TButtons::YesNo,
         TPressed::No,
         TAnswer::No},
        {"name missing: left out, with a message",
         query::TNameMissing{4, "/pc/   "},
         {},
         QStringLiteral("'/pc/   ' gives no usable object name."),
         TIcon::Error,
         TButtons::OK,
         TPressed::Yes,
         TAnswer::Yes},
        {"deleted already: moved with the others",
         query::TDeletedAlready{"OLD"},
         {},
         QString(),
         TIcon::Confirmation,
         TButtons::OK,
         TPressed::Yes,
         TAnswer::Yes},
        {"repair yes",
         query::TRepairCatalogue{"rebuild 2 entries from their object headers"},
         {TPressed::Yes},
         kRepair,
         TIcon::Warning,
         TButtons::YesNo,
         TPressed::No,
         TAnswer::Yes},
        {"repair no",
         query::TRepairCatalogue{"rebuild 2 entries from their object headers"},
         {TPressed::No},
         kRepair,
         TIcon::Warning,
         TButtons::YesNo,
         TPressed::No,
         TAnswer::No},
    };
}

} // namespace

class TestJobUser : public QObject {
    Q_OBJECT
  private slots:
    void everyQueryIsWordedAndAnswered();
    void everyKindOfQueryIsCovered();
};

void TestJobUser::everyQueryIsWordedAndAnswered() {
    for (const TCase& c : Cases()) {
        TScriptedPrompter prompter;
        for (TPressed pressed : c.Pressed)
            prompter.QueueAnswer(pressed);
        TPrompterJobUser user(prompter);
        QCOMPARE(int(user.Ask(c.Query)), int(c.Answer));
        QVERIFY2(!prompter.Unexpected(), c.What);
        QVERIFY2(prompter.AllAnswersUsed(), c.What);
        if (c.Text.isEmpty()) {
            QVERIFY2(prompter.Questions().isEmpty(), c.What);
            continue;
        }
        QCOMPARE(prompter.Messages(), QStringList{c.Text});
        QCOMPARE(prompter.Last().Icon, c.Icon);
        QCOMPARE(prompter.Last().Buttons, c.Buttons);
        if (c.Buttons != TButtons::OK)
            QCOMPARE(prompter.Last().Default, c.Default);
    }
}

// The table above holds a row for every kind of query a job may ask.
void TestJobUser::everyKindOfQueryIsCovered() {
    QSet<std::size_t> kinds;
    for (const TCase& c : Cases())
        kinds.insert(c.Query.index());
    QCOMPARE(std::size_t(kinds.size()), std::variant_size_v<brelk::TQuery>);
}

QTEST_MAIN(TestJobUser)
#include "tst_jobuser.moc"
