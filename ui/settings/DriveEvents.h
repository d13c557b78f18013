// What tells the drive watcher that drives may have changed: UDisks2's signals when it runs,
// else the kernel's block device events through libudev. Each says only "look again"; the
// watcher then asks its drive list.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;
struct udev;
struct udev_monitor;

// Follows UDisks2 on Bus: objects added and removed (InterfacesAdded, InterfacesRemoved on
// its ObjectManager) and property changes of any of its objects (PropertiesChanged).
class TUDisksDriveEvents : public QObject {
    Q_OBJECT
  public:
    explicit TUDisksDriveEvents(const QDBusConnection& bus, QObject* parent = nullptr)
        : QObject(parent), Bus(bus) {}
    ~TUDisksDriveEvents() override;
    // False when the bus refused the subscriptions.
    bool Subscribe();

  signals:
    void Changed();

  private slots:
    void Notice() { emit Changed(); }

  private:
    QDBusConnection Bus;
    bool Subscribed = false;
};

// The kernel's "block" events, read from a libudev monitor when its socket has data.
class TUdevDriveEvents : public QObject {
    Q_OBJECT
  public:
    explicit TUdevDriveEvents(QObject* parent = nullptr);
    ~TUdevDriveEvents() override;
    // False when no monitor could be made: no udev daemon (its Control socket is missing),
    // no netlink socket.
    bool Listen(const QString& control = QStringLiteral("/run/udev/control"));

  signals:
    void Changed();

  private:
    void Receive();

    udev* Udev = nullptr;
    udev_monitor* Monitor = nullptr;
    std::unique_ptr<QSocketNotifier> Notifier;
};
