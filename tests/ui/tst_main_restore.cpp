// Restoring a backup set from the Tools menu: the open dialog, every question path (the card
// must be formatted, format first Yes/No/Cancel), refused and malformed index files, missing
// images, the add-objects dialog closed with OK or Cancel, and a round trip backup -> format
// -> restore that gives the same catalogue and the same bytes.
#include "tst_main_fixture.h"

#include "explorer/Backup.h"
#include "formats/DFSBuilder.h"
#include "support/UiTestSupport.h"
#include "ui/main/MainJobUser.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

using namespace maintest;
using TAnswer = TPrompter::TAnswer;
using TIcon = TPrompter::TIcon;
using TButtons = TPrompter::TButtons;
using TKind = TScriptedPrompter::TKind;

namespace {

const QString kFilter = "BrelkExplorer Backupfiles (*.txt)|*.txt|All files (*.*)|*.*";
const QChar CR(13);

// Closes the add-objects dialog with OK (or Cancel) as soon as it is open, and notes how
// many pending objects it was given.
class TDialogCloser : public QObject {
  public:
    explicit TDialogCloser(TfrmMain& main, bool ok) : Main(main), Ok(ok) {
        Poll.setInterval(10);
        connect(&Poll, &QTimer::timeout, this, [this] {
            QWidget* dialog = QApplication::activeModalWidget();
            auto* button =
                dialog ? Named<QPushButton>(dialog, Ok ? "btbtnOK" : "btbtnCancel") : nullptr;
            if (!button || !dialog->isVisible() || dialog->property("closing").toBool())
                return;
            dialog->setProperty("closing", true);
            Listed << int(Main.Pending().size());
            button->click();
        });
        Poll.start();
    }
    QList<int> Listed; // one entry per showing
  private:
    TfrmMain& Main;
    bool Ok;
    QTimer Poll;
};

// Type, subtype, name and bytes of every live object on the card file, in catalogue order.
// Type, subtype, name and bytes of every live object, read from the image file itself (the
// window holds the card's lock, so no second card object may open it).
QStringList CardObjects(const QString& path) {
    QFile file(path);
    QStringList objects;
    if (!file.open(QIODevice::ReadOnly))
        return objects;
    const QByteArray image = file.readAll();
    if (image.size() < qsizetype(brelk::kCatalogueHeaderSize) || !image.startsWith("BrelkCat"))
        return objects;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.constData());
    const std::uint32_t count = brelk::GetLE32(bytes + 16);
    for (std::uint32_t i = 0; i < count; ++i) {
        const qsizetype at = brelk::kCatalogueHeaderSize + qsizetype(i) * brelk::kCatEntrySize;
        if (at + qsizetype(brelk::kCatEntrySize) > image.size())
            break;
        brelk::TBrelkCatEntry e;
        std::copy(bytes + at, bytes + at + brelk::kCatEntrySize, e.Bytes.begin());
        if (e.Type() == brelk::kTypeDeleted || qsizetype(e.Address()) + e.Size() > image.size())
            continue;
        objects << QString("%1/%2/%3/%4")
                       .arg(e.Type())
                       .arg(e.Subtype())
                       .arg(QString::fromStdString(e.Name()))
                       .arg(QString::fromLatin1(image.mid(e.Address(), e.Size()).toHex()));
    }
    return objects;
}

// Writes a backup set of the card file Card at Index with the core job, as the window does.
bool MakeBackupSet(const QString& card, const QString& index) {
    struct TQuietUser : brelk::TJobUser {
        void Notify(brelk::TNotice, const std::string&) override {}
        brelk::TAnswer Ask(const brelk::TQuery&) override { return brelk::TAnswer::Cancel; }
    } user;
    TRecordingReporter reporter;
    brelk::TBrelk brelk(reporter);
    brelk.Initialize(65536, card.toStdString(), 8192);
    return brelk::BackupBrelk(brelk, index.toStdString(), brelk::TLocalClock(), user).Saved ==
           brelk::LiveEntriesByAddress(brelk.Entries()).size();
}

// A source card of three objects and its backup set "set.txt" in the rig's folder.
bool MakeSourceSet(TMainRig& rig) {
    const QString source = rig.Path("source.img");
    return MakeCard(source, k8M,
                    {Tool("Tools.One"),
                     Disc("Games.Elite", brelk::kSubtypeDFS, 2048),
                     {brelk::kTypeFilingSystem, 91, "MMFS", 1024}}) &&
           MakeBackupSet(source, rig.Path("set.txt"));
}

QString MustFormat(const QString& index, int count) {
    return "Your Brelk-card must be formatted before importing " + QString::number(count) +
           " objects from '" + index + "'." + CR + CR + "Press YES to format the Brelk-card or" +
           CR + "Press CANCEL to cancel the import.";
}

QString WillFormat(const QString& index, int count) {
    return "Your Brelk-card will be formatted before importing " + QString::number(count) +
           " objects from '" + index + "'." + CR + CR + "Press YES to format the Brelk-card or" +
           CR + "press NO to skip formatting or" + CR + "press CANCEL to cancel the import.";
}

QByteArray FileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// While it lives, this process writes no file past Bytes: a write there fails with EFBIG.
class TFileSizeLimit {
  public:
    explicit TFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &Before);
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = Before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &Before);
        std::signal(SIGXFSZ, OldHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

  private:
    rlimit Before{};
    void (*OldHandler)(int) = nullptr;
};

} // namespace

class TestMainRestore : public QObject {
    Q_OBJECT
  private slots:
    void openDialogCancelledDoesNothing();
    void roundTripGivesTheSameCard();
    void unformattedCard_data();
    void unformattedCard();
    void formatFirst_data();
    void formatFirst();
    void dialogCancelled();
    void notAnIndexFile();
    void malformedLineImportsNothing();
    void missingImageIsSkipped();
    void objectsOfOneNameAllArrive_data();
    void objectsOfOneNameAllArrive();
    void failedCommitIsNotCalledDone();
    void formatOverADiscImageAsksFirst_data();
    void formatOverADiscImageAsksFirst();
    void cancelInTheWaitWindowSaysWhatWasRestored();
};

void TestMainRestore::openDialogCancelledDoesNothing() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("A")}));
    TfrmMain& main = rig.Open();
    QVERIFY(Find<QAction>(main, "actnRestoreBrelk")->isEnabled());
    rig.Prompter.QueueFile(QString());
    Find<QAction>(main, "actnRestoreBrelk")->trigger();
    QCOMPARE(rig.Prompter.Questions().size(), 1);
    const auto& open = rig.Prompter.Questions().first();
    QCOMPARE(open.Kind, TKind::OpenFile);
    QCOMPARE(open.Text, QStringLiteral("Restore Brelk from..."));
    QCOMPARE(open.Filter, kFilter);
    QCOMPARE(CardNames(rig.CardPath()), QStringList{"A"});
}

// A card with discs, tapes, tools and ROMs is backed up from the window, and restored with
// "format first": the catalogue and every object's bytes come back the same.
void TestMainRestore::roundTripGivesTheSameCard() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("Tools.One"),
                              Tool("Tools.Two"),
                              Disc("Games.Elite", brelk::kSubtypeDFS, 204800),
                              Disc("Games.Small", brelk::kSubtypeDFS, 5120),
                              Disc("Tapes.Frak", brelk::kSubtypeTape, 3072),
                              {brelk::kTypeFilingSystem, 1, "DFS", 16384},
                              {brelk::kTypeFilingSystem, 91, "MMFS", 16384},
                              {brelk::kTypeDeleted, 0, "Gone", 512}}));
    // A squashed disc with more sectors than it uses: an import that converted it would cut
    // it to its used sectors.
    QVERIFY(AddWithData(
        rig.CardPath(), brelk::kTypeImage, brelk::kSubtypeDFS, "Games.Real",
        dfstest::TDFSBuilder(100, 25600).Title("REAL").Add({'$', "F", 0x1900, 2}).Bytes()));
    rig.SetSetting("RestorePreFormat", 1);
    const QStringList before = CardObjects(rig.CardPath());
    QCOMPARE(before.size(), 8);
    TfrmMain& main = rig.Open();
    const QString index = rig.Path("set.txt");
    rig.Prompter.QueueFile(index);
    Find<QAction>(main, "actnBackupBrelk")->trigger();
    QCOMPARE(rig.Prompter.Messages(), QStringList{"Brelk successfully backed up."});

    rig.Prompter.Clear();
    rig.Prompter.QueueFile(index);
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    TDialogCloser closer(main, true);
    Find<QAction>(main, "actnRestoreBrelk")->trigger();
    QVERIFY2(!rig.Prompter.Unexpected(), qPrintable(rig.Prompter.Describe()));
    QCOMPARE(rig.Prompter.Messages(), (QStringList{WillFormat(index, 8), "Restore done."}));
    QCOMPARE(rig.Prompter.Questions()[1].Buttons, TButtons::YesNoCancel);
    QCOMPARE(rig.Prompter.Questions()[1].Default, TAnswer::No); // Enter keeps the card
    QCOMPARE(rig.Prompter.Questions()[1].Icon, TIcon::Confirmation);
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Information);
    QCOMPARE(closer.Listed, QList<int>{8});
    QVERIFY(main.Pending().empty());
    QVERIFY(main.Card()->FlushMMCDevice());
    QCOMPARE(CardObjects(rig.CardPath()), before);
    QVERIFY(FindNode(main, "MMFS")); // the tree shows the restored card
}

void TestMainRestore::unformattedCard_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << int(TAnswer::Yes);
    QTest::newRow("Cancel") << int(TAnswer::Cancel);
}

void TestMainRestore::unformattedCard() {
    QFETCH(int, answer);
    TMainRig rig;
    QVERIFY(MakeSourceSet(rig));
    QVERIFY(rig.UseCard(k8M, {}, false));
    TfrmMain& main = rig.Open();
    QVERIFY(!main.Card()->State().CatalogueValid);
    const QString index = rig.Path("set.txt");
    rig.Prompter.QueueFile(index);
    rig.Prompter.QueueAnswer(TAnswer(answer));
    TDialogCloser closer(main, true);
    Find<QAction>(main, "actnRestoreBrelk")->trigger();
    QVERIFY2(!rig.Prompter.Unexpected(), qPrintable(rig.Prompter.Describe()));
    const bool yes = TAnswer(answer) == TAnswer::Yes;
    QStringList expected{MustFormat(index, 3)};
    if (yes)
        expected << "Restore done.";
    QCOMPARE(rig.Prompter.Messages(), expected);
    QCOMPARE(rig.Prompter.Questions()[1].Buttons, TButtons::YesCancel);
    QCOMPARE(rig.Prompter.Questions()[1].Default, TAnswer::Cancel);
    QCOMPARE(closer.Listed.size(), yes ? 1 : 0);
    QVERIFY(main.Pending().empty());
    QVERIFY(main.Card()->FlushMMCDevice());
    QCOMPARE(main.Card()->State().CatalogueValid, yes);
    QCOMPARE(CardObjects(rig.CardPath()),
             yes ? CardObjects(rig.Path("source.img")) : QStringList());
}

void TestMainRestore::formatFirst_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("Yes formats") << int(TAnswer::Yes)
                                 << QStringList{"Tools.One", "MMFS", "Games.Elite"};
    QTest::newRow("No keeps what is there")
        << int(TAnswer::No) << QStringList{"Keep", "Tools.One", "MMFS", "Games.Elite"};
    QTest::newRow("Cancel changes nothing") << int(TAnswer::Cancel) << QStringList{"Keep"};
}

void TestMainRestore::formatFirst() {
    QFETCH(int, answer);
    QFETCH(QStringList, names);
    TMainRig rig;
    QVERIFY(MakeSourceSet(rig));
    QVERIFY(rig.UseCard(k8M, {Tool("Keep")}));
    rig.SetSetting("RestorePreFormat", 1);
    TfrmMain& main = rig.Open();
    const QString index = rig.Path("set.txt");
    rig.Prompter.QueueFile(index);
    rig.Prompter.QueueAnswer(TAnswer(answer));
    TDialogCloser closer(main, true);
    Find<QAction>(main, "actnRestoreBrelk")->trigger();
    QVERIFY2(!rig.Prompter.Unexpected(), qPrintable(rig.Prompter.Describe()));
    const bool go = TAnswer(answer) != TAnswer::Cancel;
    QCOMPARE(rig.Prompter.Messages().first(), WillFormat(index, 3));
    QCOMPARE(rig.Prompter.Messages().size(), go ? 2 : 1);
    QCOMPARE(closer.Listed.size(), go ? 1 : 0);
    QVERIFY(main.Card()->FlushMMCDevice());
    QStringList onCard = CardNames(rig.CardPath());
    onCard.sort();
    names.sort();
    QCOMPARE(onCard, names);
    QVERIFY(main.Pending().empty());
}

void TestMainRestore::dialogCancelled() {
    TMainRig rig;
    QVERIFY(MakeSourceSet(rig));
    QVERIFY(rig.UseCard(k8M, {Tool("Keep")}));
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueFile(rig.Path("set.txt"));
    TDialogCloser closer(main, false);
    Find<QAction>(main, "actnRestoreBrelk")->trigger();
    QCOMPARE(rig.Prompter.Messages(), QStringList{"Restore cancelled."});
    QCOMPARE(closer.Listed, QList<int>{3});
    QVERIFY(main.Pending().empty());
    QCOMPARE(CardNames(rig.CardPath()), QStringList{"Keep"});
}

// A lower-case "backup" is no index file; the restore goes on with nothing to import and
// opens the dialog empty.
void TestMainRestore::notAnIndexFile() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("Keep")}));
    const QString index = rig.Path("other.txt");
    QFile file(index);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("BrelkExplorer backup (x)\r\n 2  0 00000200 00000200 IMG00000.bin A\r\n");
    file.close();
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueFile(index);
    TDialogCloser closer(main, false);
    Find<QAction>(main, "actnRestoreBrelk")->trigger();
    QCOMPARE(rig.Prompter.Messages(),
             (QStringList{"File '" + index + "' is not a BrelkExplorer backup indexfile.",
                          "No images to import found in '" + index + "'.", "Restore cancelled."}));
    QCOMPARE(rig.Prompter.Questions()[1].Icon, TIcon::Error);
    QCOMPARE(rig.Prompter.Questions()[2].Icon, TIcon::Information);
    QCOMPARE(closer.Listed, QList<int>{0});
}

void TestMainRestore::malformedLineImportsNothing() {
    TMainRig rig;
    QVERIFY(MakeSourceSet(rig));
    QVERIFY(rig.UseCard(k8M, {Tool("Keep")}));
    QFile file(rig.Path("set.txt"));
    QVERIFY(file.open(QIODevice::Append));
    file.write("# a comment\r\n 2 xx 00000200 00000200 IMG00000.bin A\r\n");
    file.close();
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueFile(rig.Path("set.txt"));
    TDialogCloser closer(main, true);
    Find<QAction>(main, "actnRestoreBrelk")->trigger();
    QCOMPARE(rig.Prompter.Messages(),
             QStringList{"Line 6 of '" + rig.Path("set.txt") +
                         "' is not a valid object line: the subtype in columns 4-5 ('xx') is "
                         "not a number from 0 to 255." +
                         CR + CR + "Nothing has been imported."});
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Error);
    QVERIFY(closer.Listed.isEmpty());
    QVERIFY(main.Pending().empty());
    QVERIFY(!rig.Wait->isVisible());
    QCOMPARE(CardNames(rig.CardPath()), QStringList{"Keep"});
}

void TestMainRestore::missingImageIsSkipped() {
    TMainRig rig;
    QVERIFY(MakeSourceSet(rig));
    QVERIFY(QFile::remove(rig.Path("set/IMG00001.bin")));
    QVERIFY(rig.UseCard(k8M, {}));
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueFile(rig.Path("set.txt"));
    TDialogCloser closer(main, true);
    Find<QAction>(main, "actnRestoreBrelk")->trigger();
    // The closing message says that the restore is not complete.
    QCOMPARE(rig.Prompter.Messages(),
             QStringList{"Restore done." + QString(CR) + CR +
                         "1 object of the backup set has no image file; it was not restored."});
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Warning);
    QCOMPARE(closer.Listed, QList<int>{2});
    QVERIFY(main.Card()->FlushMMCDevice());
    QCOMPARE(CardNames(rig.CardPath()).size(), 2);
}

// Two discs of one name in a set both arrive, whatever the overwrite settings: the second
// never replaces the first that the same restore wrote. An object the card held before is
// replaced (or kept) as the settings say.
void TestMainRestore::objectsOfOneNameAllArrive_data() {
    QTest::addColumn<int>("overwrite");
    QTest::addColumn<int>("ask");
    QTest::addColumn<QStringList>("answers"); // to the overwrite question
    QTest::addColumn<QStringList>("names");
    const QStringList both{"GAMES.SAME", "GAMES.SAME", "Tools.One"};
    QTest::newRow("overwrite, no question") << 1 << 0 << QStringList{} << both;
    QTest::newRow("overwrite, asked, Yes") << 1 << 1 << QStringList{"Yes"} << both;
    QTest::newRow("overwrite, asked, No") << 1 << 1 << QStringList{"No"} << both;
    QTest::newRow("added beside") << 0 << 0 << QStringList{}
                                  << QStringList{"GAMES.SAME", "GAMES.SAME", "Tools.One",
                                                 "Tools.One"};
}

void TestMainRestore::objectsOfOneNameAllArrive() {
    QFETCH(int, overwrite);
    QFETCH(int, ask);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, names);
    TMainRig rig;
    const QString source = rig.Path("source.img");
    QVERIFY(MakeCard(source, k8M,
                     {Disc("GAMES.SAME", brelk::kSubtypeDFS, 2048), Tool("Tools.One"),
                      Disc("GAMES.SAME", brelk::kSubtypeDFS, 4096)}));
    QVERIFY(MakeBackupSet(source, rig.Path("set.txt")));
    QVERIFY(rig.UseCard(k8M, {Tool("Tools.One")}));
    rig.SetSetting("ImportOverwriteExisting", overwrite);
    rig.SetSetting("ImportAskBeforeOverwrite", ask);
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueFile(rig.Path("set.txt"));
    for (const QString& answer : answers)
        rig.Prompter.QueueAnswer(answer == "Yes" ? TAnswer::Yes : TAnswer::No);
    TDialogCloser closer(main, true);
    Find<QAction>(main, "actnRestoreBrelk")->trigger();
    QVERIFY2(!rig.Prompter.Unexpected(), qPrintable(rig.Prompter.Describe()));
    QCOMPARE(rig.Prompter.Messages().size(), answers.size() + 1);
    QCOMPARE(rig.Prompter.Messages().last(), QStringLiteral("Restore done."));
    if (!answers.isEmpty())
        QCOMPARE(rig.Prompter.Messages().first(), OverwriteQuestionText("Tools.One"));
    QVERIFY(main.Card()->FlushMMCDevice());
    QStringList onCard = CardNames(rig.CardPath());
    onCard.sort();
    QCOMPARE(onCard, names);
    // Both discs of the set, with their own sizes.
    QStringList sizes;
    for (const QString& object : CardObjects(rig.CardPath()))
        if (object.contains("/GAMES.SAME/"))
            sizes << QString::number(object.section('/', 3).size() / 2);
    sizes.sort();
    QCOMPARE(sizes, (QStringList{"2048", "4096"}));
}

// The restore's objects lie at the top of the card, where every write fails: the card lists
// none of them, and the window does not call the restore done.
void TestMainRestore::failedCommitIsNotCalledDone() {
    TMainRig rig;
    QVERIFY(MakeSourceSet(rig));
    QVERIFY(rig.UseCard(k8M, {}));
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueFile(rig.Path("set.txt"));
    TDialogCloser closer(main, true);
    {
        TFileSizeLimit limit(1 << 20);
        Find<QAction>(main, "actnRestoreBrelk")->trigger();
    }
    QCOMPARE(closer.Listed, QList<int>{3});
    QVERIFY2(!rig.Prompter.Messages().contains("Restore done."),
             qPrintable(rig.Prompter.Describe()));
    QCOMPARE(rig.Prompter.Messages().last(),
             QStringLiteral(
                 "Restore failed: the restored objects could not all be written to the card."));
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Error);
    QVERIFY(CardNames(rig.CardPath()).isEmpty());
}

QTEST_MAIN(TestMainRestore)
// The restore formats through the format job: a card holding a DFS disc image is asked
// about once more, and No leaves it as it was.
void TestMainRestore::formatOverADiscImageAsksFirst_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << int(TAnswer::Yes);
    QTest::newRow("No") << int(TAnswer::No);
}

void TestMainRestore::formatOverADiscImageAsksFirst() {
    QFETCH(int, answer);
    TMainRig rig;
    QVERIFY(MakeSourceSet(rig));
    QVERIFY(rig.UseCard(k8M, {}, false));
    {
        const auto disc =
            dfstest::TDFSBuilder(800).Title("GAME").AddWithData({'$', "F", 600, 2}, 0x77).Bytes();
        QFile card(rig.CardPath());
        QVERIFY(card.open(QIODevice::ReadWrite));
        card.write(reinterpret_cast<const char*>(disc.data()), qint64(disc.size()));
    }
    const QByteArray before = FileContents(rig.CardPath());
    TfrmMain& main = rig.Open();
    const QString index = rig.Path("set.txt");
    rig.Prompter.QueueFile(index);
    rig.Prompter.QueueAnswer(TAnswer::Yes); // must be formatted
    rig.Prompter.QueueAnswer(TAnswer(answer));
    TDialogCloser closer(main, true);
    Find<QAction>(main, "actnRestoreBrelk")->trigger();
    QVERIFY2(!rig.Prompter.Unexpected(), qPrintable(rig.Prompter.Describe()));
    const bool yes = TAnswer(answer) == TAnswer::Yes;
    QStringList expected{MustFormat(index, 3),
                         "The MMC-card holds a DFS disc image." + QString(CR) +
                             "This will destroy ALL contents on the card." + CR + CR +
                             "Do you really want to format the MMC-card?"};
    if (yes)
        expected << "Restore done.";
    QCOMPARE(rig.Prompter.Messages(), expected);
    QCOMPARE(rig.Prompter.Questions()[2].Icon, TIcon::Confirmation);
    QCOMPARE(rig.Prompter.Questions()[2].Buttons, TButtons::YesNo);
    QCOMPARE(rig.Prompter.Questions()[2].Default, TAnswer::No);
    QCOMPARE(closer.Listed.size(), yes ? 1 : 0);
    QVERIFY(main.Card()->FlushMMCDevice());
    if (yes)
        QCOMPARE(CardObjects(rig.CardPath()), CardObjects(rig.Path("source.img")));
    else
        QVERIFY(FileContents(rig.CardPath()) == before);
}

// Cancel in the wait window during the import: the objects restored so far stay and are
// counted; the message never says the restore was done.
void TestMainRestore::cancelInTheWaitWindowSaysWhatWasRestored() {
    TMainRig rig;
    QVERIFY(MakeSourceSet(rig));
    QVERIFY(rig.UseCard(k8M, {Tool("Keep")}));
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueFile(rig.Path("set.txt"));
    TDialogCloser closer(main, true);
    QTimer canceller;
    canceller.setInterval(0);
    QObject::connect(&canceller, &QTimer::timeout, &canceller, [&] {
        const auto* text = Named<QLabel>(rig.Wait.get(), "lblWaitTxt");
        if (!rig.Wait->isVisible() || text->text() != QStringLiteral("Adding files to Brelk..."))
            return;
        canceller.stop();
        Named<QPushButton>(rig.Wait.get(), "btbtnCancel")->click();
    });
    canceller.start();
    Find<QAction>(main, "actnRestoreBrelk")->trigger();
    QCOMPARE(closer.Listed, QList<int>{3});
    QVERIFY(main.Card()->FlushMMCDevice());
    const qsizetype restored = CardNames(rig.CardPath()).size() - 1; // less "Keep"
    QVERIFY(restored < 3);
    QCOMPARE(rig.Prompter.Messages(),
             QStringList{"Restore cancelled: " + QString::number(restored) +
                         " of 3 objects were restored; the others were not."});
    QCOMPARE(rig.Prompter.Questions().last().Icon, TIcon::Warning);
}

#include "tst_main_restore.moc"
