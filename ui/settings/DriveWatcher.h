// Notices a card reader or a card coming and going: polls a drive list (the removable block
// devices of /sys/block) and reports each device that gains a medium and each that loses it
// or disappears. Polling reads only /sys and /proc, so it costs little and opens no device.
#pragma once

#include "ui/settings/DriveList.h"

#include <QMap>
#include <QObject>
#include <QTimer>

class TDriveWatcher : public QObject {
    Q_OBJECT
  public:
    // Drives must outlive the watcher. The first Poll only learns what is there already.
    explicit TDriveWatcher(const TDriveLister& drives, QObject* parent = nullptr);

    // Polls every IntervalMs milliseconds until Stop.
    void Start(int intervalMs = 2000);
    void Stop() { Timer.stop(); }
    const TDriveLister& Lister() const { return Drives; }

  public slots:
    void Poll();

  signals:
    // A device with a medium that was not there at the last poll (a reader plugged in with a
    // card, or a card put into a reader).
    void DriveArrived(const TCandidateDrive& drive);
    // A device that had a medium at the last poll and has none now, or is gone.
    void DriveLeft(const QString& path);

  private:
    const TDriveLister& Drives;
    QTimer Timer;
    QMap<QString, TCandidateDrive> Present; // path -> drive with a medium
    bool Primed = false;
};
