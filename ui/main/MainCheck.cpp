// Tools > "Check card...": the check job that brelk check runs, its findings in a message box,
// and the repair offered when the catalogue is damaged.
#include "ui/main/Main.h"

#include "card/CatalogueCheck.h"
#include "explorer/CheckJob.h"
#include "ui/aux/Prompter.h"
#include "ui/main/MainJobUser.h"
#include "ui/main/MainWidgets.h"
#include "ui/main/WaitProgress.h"

#include <QAction>

using TAnswer = TPrompter::TAnswer;
using TButtons = TPrompter::TButtons;
using TIcon = TPrompter::TIcon;

namespace {

// A message box holds this many report lines; the rest are counted.
constexpr qsizetype kShownLines = 24;

// The report's lines as message text (carriage returns between them), the status line left
// out: the caption of each message says it.
QString ReportLines(const brelk::TCheckResult& result) {
    QStringList lines =
        QString::fromStdString(brelk::CheckReportText(std::string(), result)).split(QChar('\n'));
    lines.removeLast(); // the empty end of the last line
    lines.removeLast(); // the status line
    if (lines.size() > kShownLines) {
        const qsizetype more = lines.size() - kShownLines;
        lines.resize(kShownLines);
        lines.append(QStringLiteral("... and %1 more (brelk check lists them all)").arg(more));
    }
    return lines.join(QChar('\r'));
}

} // namespace

void TfrmMain::CreateCheckCommand() {
    actnCheckCard = MakeAction("actnCheckCard", QStringLiteral("&Check card..."));
    SetActionHandler(actnCheckCard, [this] { actnCheckCardExecute(); });
}

void TfrmMain::SayDamageAtOpening() {
    const auto damage = brelk::QuickCheckCard(*Brelk);
    if (!damage)
        return;
    Ask.Message(
        QStringLiteral("The catalogue of the Brelk-card '%1' is damaged: %2.\r\r"
                       "Tools > \"Check card...\" lists the damage and offers a repair.")
            .arg(QString::fromStdString(Brelk->DevicePath()), QString::fromStdString(damage->Text)),
        TIcon::Warning, TButtons::OK);
}

void TfrmMain::actnCheckCardExecute() {
    if (IsBusy() || !CommitOrAsk())
        return;
    const QString card = QString::fromStdString(Brelk->DevicePath());
    brelk::TCheckResult result;
    {
        TBusyScope busy(*this);
        TMainWaitProgress wait(*this);
        result = brelk::RunCheckJob(*Brelk, brelk::TCheckMode::Check, &wait);
    }
    const QString entries = QString::number(result.Outcome.Entries);
    const QString lines = ReportLines(result);
    if (!result.Check.Damaged()) {
        Ask.Message(QStringLiteral("The catalogue of the Brelk-card '%1' is sound (%2 entries).")
                            .arg(card, entries) +
                        (lines.isEmpty() ? QString() : QStringLiteral("\r\r") + lines),
                    TIcon::Information, TButtons::OK);
        return;
    }
    const QString damaged =
        QStringLiteral("The catalogue of the Brelk-card '%1' is damaged (%2 entries):\r\r%3")
            .arg(card, entries, lines);
    if (!result.Check.Formatted || !brelk::SearchComplete(result.Check)) {
        Ask.Message(damaged, TIcon::Warning, TButtons::OK);
        return;
    }
    const QString question = damaged + QStringLiteral("\r\r") +
                             RepairQuestionText(brelk::RepairPlanSummary(result.Plan));
    if (Ask.Message(question, TIcon::Warning, TButtons::YesNo, TAnswer::No) != TAnswer::Yes)
        return;
    RepairCard();
}

void TfrmMain::RepairCard() {
    const QString card = QString::fromStdString(Brelk->DevicePath());
    brelk::TCheckResult result;
    {
        TBusyScope busy(*this);
        treevwObjects->clear(); // every object node points into the catalogue that is replaced
        TMainWaitProgress wait(*this);
        result = brelk::RunCheckJob(*Brelk, brelk::TCheckMode::Repair, &wait);
        PopulateTreeInfo();
        UpdateTopbarInfo();
    }
    if (!result.Error.empty()) {
        Ask.Message(
            QStringLiteral("The catalogue of the Brelk-card '%1' could not be repaired: %2.")
                .arg(card, QString::fromStdString(result.Error)),
            TIcon::Error, TButtons::OK);
        return;
    }
    const bool repaired = result.Outcome.Status == "repaired";
    Ask.Message(QStringLiteral("The catalogue of the Brelk-card '%1' %2 (%3 entries):\r\r%4")
                    .arg(card,
                         repaired ? QStringLiteral("was repaired")
                                  : QStringLiteral("is still damaged after the repair"),
                         QString::number(result.Outcome.Entries), ReportLines(result)),
                repaired ? TIcon::Information : TIcon::Error, TButtons::OK);
}
