// Opens a block device on the user's behalf through UDisks2 (org.freedesktop.UDisks2): the
// device node is resolved to its UDisks2 block object, whose OpenDevice method hands back a
// read-write descriptor once polkit allows it (asking for a password when the system
// requires one).
#pragma once

#include "card/DeviceOpener.h"

#include <QDBusConnection>
#include <QString>

#include <optional>

class TUDisksOpener : public brelk::TDeviceOpener {
  public:
    // Bus: where UDisks2 is asked (tests pass a private bus). Without one, DefaultBus is
    // joined at the first OpenDevice, so a program that never needs UDisks2 never connects.
    explicit TUDisksOpener(const QDBusConnection& bus) : Bus(bus) {}
    TUDisksOpener() = default;

    int OpenDevice(const std::string& path) override;

    // Why the last OpenDevice failed, as UDisks2 or D-Bus said it; empty after a success.
    const QString& LastError() const { return Error; }

    // The bus named by BRELKEXPLORER_UDISKS_BUS (an address, for a stand-in service), else
    // the system bus.
    static QDBusConnection DefaultBus();

  private:
    QString ResolveObject(const QString& path);
    int Fail(const QString& why, int error);

    std::optional<QDBusConnection> Bus;
    QString Error;
};

// The system calls the window's card object uses: the real ones, with UDisks2 on the default
// bus asked for devices the user may not open directly.
brelk::TSysCallsWithOpener& DesktopSysCalls();
