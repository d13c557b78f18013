// Backing up the whole card to a backup set and restoring one through the add-objects dialog.
// The jobs themselves are in explorer/Backup.h; here they meet the window's dialogs, message
// boxes and wait window.
#include "ui/main/Main.h"

#include "explorer/Backup.h"
#include "explorer/CardJobs.h"
#include "ui/addobjects/AddFile.h"
#include "ui/aux/CheckUpdates.h"
#include "ui/aux/Prompter.h"
#include "ui/main/MainJobUser.h"
#include "ui/main/MainWidgets.h"
#include "ui/main/WaitProgress.h"

#include <QAction>
#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <variant>

using TAnswer = TPrompter::TAnswer;
using TButtons = TPrompter::TButtons;
using TIcon = TPrompter::TIcon;

namespace {

const char CR = '\r';
const QString kBackupFilter =
    QStringLiteral("BrelkExplorer Backupfiles (*.txt)|*.txt|All files (*.*)|*.*");

QString FromCore(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}

std::string ToCore(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The jobs' messages and questions as modal message boxes; the messages as every job's.
class TPrompterBackupUser final : public TPrompterJobUser, public brelk::TBackupUser {
  public:
    explicit TPrompterBackupUser(TPrompter& prompter) : TPrompterJobUser(prompter) {}
    void Notify(brelk::TNotice kind, const std::string& text) override {
        TPrompterJobUser::Notify(kind, text);
    }
    // Both questions lead to formatting the card: Enter gives the answer that keeps it.
    brelk::TBackupAnswer Ask(const std::string& text, bool offerNo) override {
        switch (Prompter.Message(FromCore(text), TIcon::Confirmation,
                                 offerNo ? TButtons::YesNoCancel : TButtons::YesCancel,
                                 offerNo ? TAnswer::No : TAnswer::Cancel)) {
        case TAnswer::Yes:
            return brelk::TBackupAnswer::Yes;
        case TAnswer::No:
            return brelk::TBackupAnswer::No;
        default:
            return brelk::TBackupAnswer::Cancel;
        }
    }
    using TPrompterJobUser::Ask;
};

// The format job's question during a restore: only a card holding something other than a
// Brelk catalogue is asked about.
class TRestoreFormatUser final : public TPrompterJobUser {
  public:
    using TPrompterJobUser::TPrompterJobUser;
    brelk::TAnswer Ask(const brelk::TQuery& question) override {
        const auto* lose = std::get_if<brelk::query::TLoseObjects>(&question);
        if (!lose)
            return brelk::TAnswer::Cancel;
        if (lose->Foreign.empty())
            return brelk::TAnswer::Yes;
        const QString text =
            QStringLiteral("The MMC-card holds ") + FromCore(lose->Foreign) + QStringLiteral(".") +
            QChar(13) + QStringLiteral("This will destroy ALL contents on the card.") + QChar(13) +
            QChar(13) + QStringLiteral("Do you really want to format the MMC-card?");
        return Prompter.Message(text, TIcon::Confirmation, TButtons::YesNo, TAnswer::No) ==
                       TAnswer::Yes
                   ? brelk::TAnswer::Yes
                   : brelk::TAnswer::No;
    }
};

// A format that was not declined and did not happen.
void ShowFormatFailure(TPrompter& prompter, brelk::TFormatResult result) {
    if (result != brelk::TFormatResult::Declined)
        prompter.Message(QStringLiteral("The MMC-card could not be formatted."), TIcon::Error,
                         TButtons::OK);
}

} // namespace

void TfrmMain::CreateBackupCommands() {
    SetActionHandler(actnBackupBrelk, [this] { actnBackupBrelkExecute(); });
    SetActionHandler(actnRestoreBrelk, [this] { actnRestoreBrelkExecute(); });
}

// An index file needs an extension: the folder beside it is its path without one, and a file
// cannot share its path with that folder. A name given without one gets ".txt".
QString TfrmMain::ChooseBackupIndex() {
    const QDate today = QDate::currentDate();
    const QString proposed = QString::fromStdString(
        brelk::ProposedBackupFileName(today.year(), today.month(), today.day()));
    const QString chosen =
        Ask.SaveFile(QStringLiteral("Backup Brelk as..."), kBackupFilter, proposed);
    if (chosen.isEmpty())
        return chosen;
    const QString path = FromCore(brelk::BackupIndexPathFor(ToCore(chosen)));
    if (path == chosen)
        return path;
    // The dialog asked about replacing the name it returned, not the extended one.
    if (QFileInfo::exists(path) &&
        Ask.Message(QStringLiteral("The file '") + path + QStringLiteral("' already exists.") +
                        QChar(13) + QChar(13) + QStringLiteral("Do you want to replace it?"),
                    TIcon::Warning, TButtons::YesNo) != TAnswer::Yes)
        return QString();
    return path;
}

void TfrmMain::actnBackupBrelkExecute() {
    if (IsBusy())
        return;
    const QString path = ChooseBackupIndex();
    if (path.isEmpty())
        return;
    TBusyScope busy(*this);
    TPrompterBackupUser user(Ask);
    TMainWaitProgress progress(*this);
    const brelk::TLocalClock localClock;
    const brelk::TBackupClock& clock = BackupClock ? *BackupClock : localClock;
    const brelk::TBackupResult result =
        brelk::BackupBrelk(*Brelk, ToCore(path), clock, user, &progress);
    if (result.IndexWritten)
        user.Notify(brelk::BackupOutcomeKind(result), brelk::BackupOutcomeText(result));
}

void TfrmMain::actnRestoreBrelkExecute() {
    if (IsBusy())
        return;
    const QString path =
        Ask.OpenFile(QStringLiteral("Restore Brelk from..."), kBackupFilter, QString());
    if (path.isEmpty())
        return;
    TPrompterBackupUser user(Ask);
    RestoreBackupSet(path, user);
    PendingObjects.clear();
}

void TfrmMain::RestoreBackupSet(const QString& path, brelk::TBackupUser& user) {
    brelk::TRestorePlan plan;
    brelk::TRestoreLoad load;
    {
        TBusyScope busy(*this);
        TMainWaitProgress progress(*this);
        load = brelk::LoadBackupIndex(ToCore(path), PendingObjects, user, &progress);
        if (load.Stop)
            return;
        plan = brelk::PlanRestore(PendingObjects.size(), ToCore(path),
                                  Brelk->State().CatalogueValid, Settings.RestorePreFormat, user);
        if (!plan.Go)
            return;
        if (plan.Format) {
            // The restore's question was the format question; the format job asks only
            // about a card that holds something else (a PC file system, a disc image).
            TRestoreFormatUser formatUser(Ask);
            treevwObjects->clear(); // every object node points into the catalogue replaced now
            const brelk::TFormatResult formatted = brelk::FormatCardJob(*Brelk, formatUser);
            PopulateTreeInfo();
            UpdateTopbarInfo();
            if (formatted != brelk::TFormatResult::Formatted) {
                ShowFormatFailure(Ask, formatted);
                return; // nothing goes onto a card that was not formatted
            }
        }
    }
    const std::size_t objects = PendingObjects.size();
    if (!ExecuteAddObjectsDialog(TAddMode::Restore)) {
        user.Notify(brelk::TNotice::Information, "Restore cancelled.");
        return;
    }
    const brelk::TImportResult& imported = AddObjectsDialog()->LastImport();
    // The restore is done only once the restored objects are on the card.
    const bool committed = CommitCard();
    UpdateTopbarInfo();
    if (!committed) {
        user.Notify(brelk::TNotice::Error,
                    "Restore failed: the restored objects could not all be written to the card.");
        return;
    }
    // A stopped import and index lines without an image file are said at the end.
    user.Notify(brelk::RestoreOutcomeKind(imported, load.Missing),
                brelk::RestoreOutcomeText(imported, objects, load.Missing));
}

void TfrmMain::AttachUpdateWindow(TfrmCheckUpdates* window) {
    UpdateWindow = window;
    SetActionHandler(mnuHelpCheckUpdates,
                     window ? std::function<void()>([this] { mnuHelpCheckUpdatesClick(); })
                            : nullptr);
    SetActionEnabled(mnuHelpCheckUpdates, true);
}

void TfrmMain::mnuHelpCheckUpdatesClick() {
    ShowUpdateWindow(false);
}

void TfrmMain::ShowUpdateWindow(bool autoStarted) {
    if (!UpdateWindow || UpdateWindow->isVisible())
        return;
    UpdateWindow->AutoStarted = autoStarted;
    UpdateWindow->exec();
}
