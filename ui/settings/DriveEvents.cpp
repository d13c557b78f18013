#include "ui/settings/DriveEvents.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <libudev.h>

namespace {

const QString Service = QStringLiteral("org.freedesktop.UDisks2");
const QString Root = QStringLiteral("/org/freedesktop/UDisks2");
const QString ObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString Properties = QStringLiteral("org.freedesktop.DBus.Properties");

struct TSignal {
    QString Path; // empty: any object of the service
    QString Interface;
    QString Name;
};

const TSignal Signals[] = {
    {Root, ObjectManager, QStringLiteral("InterfacesAdded")},
    {Root, ObjectManager, QStringLiteral("InterfacesRemoved")},
    {QString(), Properties, QStringLiteral("PropertiesChanged")},
};

} // namespace

TUDisksDriveEvents::~TUDisksDriveEvents() {
    if (!Subscribed)
        return;
    for (const TSignal& s : Signals)
        Bus.disconnect(Service, s.Path, s.Interface, s.Name, this, SLOT(Notice()));
}

bool TUDisksDriveEvents::Subscribe() {
    if (Subscribed)
        return true;
    if (!Bus.isConnected())
        return false;
    for (const TSignal& s : Signals) {
        if (Bus.connect(Service, s.Path, s.Interface, s.Name, this, SLOT(Notice())))
            continue;
        for (const TSignal& done : Signals) {
            if (&done == &s)
                break;
            Bus.disconnect(Service, done.Path, done.Interface, done.Name, this, SLOT(Notice()));
        }
        return false;
    }
    Subscribed = true;
    return true;
}

TUdevDriveEvents::TUdevDriveEvents(QObject* parent) : QObject(parent) {}

TUdevDriveEvents::~TUdevDriveEvents() {
    Notifier.reset();
    if (Monitor)
        udev_monitor_unref(Monitor);
    if (Udev)
        udev_unref(Udev);
}

bool TUdevDriveEvents::Listen(const QString& control) {
    if (Notifier)
        return true;
    if (!QFileInfo::exists(control))
        return false; // no udev daemon: the monitor would hear nothing
    Udev = Udev ? Udev : udev_new();
    if (!Udev)
        return false;
    Monitor = Monitor ? Monitor : udev_monitor_new_from_netlink(Udev, "udev");
    if (!Monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(Monitor, "block", nullptr) < 0 ||
        udev_monitor_enable_receiving(Monitor) < 0)
        return false;
    const int fd = udev_monitor_get_fd(Monitor);
    if (fd < 0)
        return false;
    Notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(Notifier.get(), &QSocketNotifier::activated, this, &TUdevDriveEvents::Receive);
    return true;
}

// Every waiting event is read, so the socket does not stay readable; one Changed for all.
void TUdevDriveEvents::Receive() {
    bool any = false;
    while (udev_device* device = udev_monitor_receive_device(Monitor)) {
        udev_device_unref(device);
        any = true;
    }
    if (any)
        emit Changed();
}
