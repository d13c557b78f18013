// A card reader or card that comes and goes while the window is open: a new removable drive
// is offered as the card drive; the open card's drive going away closes the card, with a
// warning when changes to it were still waiting to be written.
#include "ui/main/Main.h"

#include "ui/aux/Prompter.h"
#include "ui/aux/UDisksOpener.h"
#include "ui/main/MainWidgets.h"
#include "ui/settings/DriveWatcher.h"

#include <QTimer>

namespace {

QString ArrivalQuestion(const TCandidateDrive& drive) {
    const QString details = DriveDetails(drive);
    const QString name = details.isEmpty() ? QStringLiteral("'%1'").arg(drive.Path)
                                           : QStringLiteral("'%1' (%2)").arg(drive.Path, details);
    return QStringLiteral("A removable drive has appeared: %1.\rOpen it as the MMC drive?")
        .arg(name);
}

} // namespace

void TfrmMain::WatchDrives(TDriveWatcher* watcher) {
    Watcher = watcher;
    connect(watcher, &TDriveWatcher::DriveArrived, this, &TfrmMain::DriveArrived);
    connect(watcher, &TDriveWatcher::DriveLeft, this, &TfrmMain::DriveLeft);
}

void TfrmMain::DriveArrived(const TCandidateDrive& drive) {
    if (!Shown)
        return;
    if (IsBusy()) {
        QTimer::singleShot(BusyRetryMs, this, [this, drive] { DriveArrived(drive); });
        return;
    }
    const bool isOpenCard = QString::fromStdString(Brelk->DevicePath()) == drive.Path;
    if ((isOpenCard && Brelk->State().DeviceOK) || !drive.MountedFileSystem.isEmpty())
        return; // already in use, here or by the desktop
    if (Ask.Message(ArrivalQuestion(drive), TPrompter::TIcon::Confirmation,
                    TPrompter::TButtons::YesNo) == TPrompter::TAnswer::Yes)
        OpenArrivedDrive(drive.Path);
}

// Desktops mount a card with a file system soon after it appears: asked again now.
void TfrmMain::OpenArrivedDrive(const QString& path) {
    for (const TCandidateDrive& now : Watcher->Lister().PresentDrives()) {
        if (now.Path != path || now.MountedFileSystem.isEmpty())
            continue;
        Ask.Message(MountedDriveRefusal(path, now.MountedFileSystem, now.MountPoint),
                    TPrompter::TIcon::Warning, TPrompter::TButtons::OK);
        return;
    }
    Settings.MMCDrive = path;
    Settings.WriteSettingsToRegistry();
    CardForThisRun.clear();
    actnReloadDriveExecute();
}

void TfrmMain::DriveLeft(const QString& path) {
    if (QString::fromStdString(Brelk->DevicePath()) != path || !Brelk->State().DeviceOK)
        return;
    if (IsBusy()) {
        QTimer::singleShot(BusyRetryMs, this, [this, path] { DriveLeft(path); });
        return;
    }
    const bool unsaved = Brelk->HasUnsavedData();
    // The objects' nodes point into the catalogue that goes now.
    treevwObjects->clear();
    Brelk->ForgetCard();
    DesktopSysCalls().Forget(path.toStdString());
    PopulateTreeInfo();
    UpdateTopbarInfo();
    if (unsaved)
        Ask.Message(QStringLiteral("The card in '%1' was removed before all changes were written "
                                   "to it.\rThose changes are lost: put the card back and check "
                                   "its contents before you go on.")
                        .arg(path),
                    TPrompter::TIcon::Warning, TPrompter::TButtons::OK);
    else
        Ask.Message(QStringLiteral("The card in '%1' was removed.").arg(path),
                    TPrompter::TIcon::Information, TPrompter::TButtons::OK);
}
