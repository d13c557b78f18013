// Notices a card reader or a card coming and going and reports each device that gains a
// medium and each that loses it or disappears. It asks its drive list again whenever
// UDisks2 signals a change, else whenever the kernel's udev reports a block device event;
// only without either does it poll. Listing opens no device, so it costs little.
#pragma once

#include "ui/settings/DriveList.h"

#include <QDBusConnection>
#include <QMap>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

class TUDisksDriveEvents;
class TUdevDriveEvents;

class TDriveWatcher : public QObject {
    Q_OBJECT
  public:
    enum class TSource { None, UDisks, Udev, Polling };

    // Drives must outlive the watcher. The first Poll only learns what is there already.
    explicit TDriveWatcher(const TDriveLister& drives, QObject* parent = nullptr);
    ~TDriveWatcher() override;

    // Follows UDisks2 on UDisksBus when it answers there, else a udev monitor (when
    // UdevControl, the udev daemon's socket, exists), else polls every IntervalMs.
    TSource Start(const std::optional<QDBusConnection>& udisksBus = std::nullopt,
                  int intervalMs = 2000,
                  const QString& udevControl = QStringLiteral("/run/udev/control"));
    void Stop();
    TSource Source() const { return Following; }
    const TDriveLister& Lister() const { return Drives; }

    // How long a burst of events is let settle before the drives are listed again.
    static constexpr int SettleMs = 150;

  public slots:
    void Poll();

  signals:
    // A device with a medium that was not there at the last poll (a reader plugged in with a
    // card, or a card put into a reader).
    void DriveArrived(const TCandidateDrive& drive);
    // A device that had a medium at the last poll and has none now, or is gone.
    void DriveLeft(const QString& path);

  private:
    void Changed();
    void Report(const QMap<QString, TCandidateDrive>& before,
                const QMap<QString, TCandidateDrive>& now);

    const TDriveLister& Drives;
    QTimer Timer;  // polling
    QTimer Settle; // one listing after a burst of events
    std::unique_ptr<TUDisksDriveEvents> UDisksEvents;
    std::unique_ptr<TUdevDriveEvents> UdevEvents;
    TSource Following = TSource::None;
    QMap<QString, TCandidateDrive> Present; // path -> drive with a medium
    bool Primed = false;
    bool Polling = false; // a handler's dialog is open: a change waits for it
    bool Again = false;
};
