#include "ui/settings/DriveWatcher.h"

#include "ui/settings/DriveEvents.h"
#include "ui/settings/UDisksDrives.h"

TDriveWatcher::TDriveWatcher(const TDriveLister& drives, QObject* parent)
    : QObject(parent), Drives(drives) {
    connect(&Timer, &QTimer::timeout, this, &TDriveWatcher::Poll);
    Settle.setSingleShot(true);
    Settle.setInterval(SettleMs);
    connect(&Settle, &QTimer::timeout, this, &TDriveWatcher::Poll);
}

TDriveWatcher::~TDriveWatcher() = default;

TDriveWatcher::TSource TDriveWatcher::Start(const std::optional<QDBusConnection>& udisksBus,
                                            int intervalMs, const QString& udevControl) {
    if (!Primed)
        Poll();
    Stop();
    if (udisksBus && TUDisksDriveLister(*udisksBus).Available()) {
        UDisksEvents = std::make_unique<TUDisksDriveEvents>(*udisksBus);
        if (UDisksEvents->Subscribe()) {
            connect(UDisksEvents.get(), &TUDisksDriveEvents::Changed, this,
                    &TDriveWatcher::Changed);
            return Following = TSource::UDisks;
        }
        UDisksEvents.reset();
    }
    UdevEvents = std::make_unique<TUdevDriveEvents>();
    if (UdevEvents->Listen(udevControl)) {
        connect(UdevEvents.get(), &TUdevDriveEvents::Changed, this, &TDriveWatcher::Changed);
        return Following = TSource::Udev;
    }
    UdevEvents.reset();
    Timer.start(intervalMs);
    return Following = TSource::Polling;
}

void TDriveWatcher::Stop() {
    Timer.stop();
    Settle.stop();
    UDisksEvents.reset();
    UdevEvents.reset();
    Following = TSource::None;
}

void TDriveWatcher::Changed() {
    Settle.start();
}

void TDriveWatcher::Poll() {
    // A handler may ask the user; a change noticed inside its dialog is looked at after it.
    if (Polling) {
        Again = true;
        return;
    }
    QMap<QString, TCandidateDrive> now;
    for (const TCandidateDrive& drive : Drives.PresentDrives())
        if (drive.Size > 0) // a reader without a card reports no size
            now.insert(drive.Path, drive);
    const QMap<QString, TCandidateDrive> before = std::exchange(Present, now);
    if (!Primed) {
        Primed = true;
        return;
    }
    Polling = true;
    Report(before, now);
    Polling = false;
    if (std::exchange(Again, false))
        Settle.start();
}

void TDriveWatcher::Report(const QMap<QString, TCandidateDrive>& before,
                           const QMap<QString, TCandidateDrive>& now) {
    for (auto gone = before.cbegin(); gone != before.cend(); ++gone)
        if (!now.contains(gone.key()))
            emit DriveLeft(gone.key());
    for (auto come = now.cbegin(); come != now.cend(); ++come)
        if (!before.contains(come.key()))
            emit DriveArrived(come.value());
}
