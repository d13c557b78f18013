#include "ui/settings/DriveWatcher.h"

TDriveWatcher::TDriveWatcher(const TDriveLister& drives, QObject* parent)
    : QObject(parent), Drives(drives) {
    connect(&Timer, &QTimer::timeout, this, &TDriveWatcher::Poll);
}

void TDriveWatcher::Start(int intervalMs) {
    if (!Primed)
        Poll();
    Timer.start(intervalMs);
}

void TDriveWatcher::Poll() {
    QMap<QString, TCandidateDrive> now;
    for (const TCandidateDrive& drive : Drives.PresentDrives())
        if (drive.Size > 0) // a reader without a card reports no size
            now.insert(drive.Path, drive);
    const QMap<QString, TCandidateDrive> before = std::exchange(Present, now);
    if (!Primed) {
        Primed = true;
        return;
    }
    // A handler may ask the user; no poll runs inside its dialog.
    const bool running = Timer.isActive();
    Timer.stop();
    for (auto gone = before.cbegin(); gone != before.cend(); ++gone)
        if (!now.contains(gone.key()))
            emit DriveLeft(gone.key());
    for (auto come = now.cbegin(); come != now.cend(); ++come)
        if (!before.contains(come.key()))
            emit DriveArrived(come.value());
    if (running)
        Timer.start();
}
