// The removable drives as UDisks2 (org.freedesktop.UDisks2) knows them: each whole block
// device whose drive is removable or takes removable media, with the block's size, the
// drive's vendor and model, and a mounted file system on the device or one of its partitions.
#pragma once

#include "ui/settings/DriveList.h"

#include <QDBusConnection>

class TUDisksDriveLister : public TDriveLister {
  public:
    // Bus: where UDisks2 is asked (the system bus, or a private one in the tests).
    explicit TUDisksDriveLister(const QDBusConnection& bus) : Bus(bus) {}

    // Whether UDisks2 answers on the bus (it is started when it is not yet running).
    bool Available() const;
    // Opens each device to learn whether it answers, as the settings dialog needs.
    std::vector<TCandidateDrive> RemovableDrives() const override;
    // Asks UDisks2 only; sorted by device path. Empty when UDisks2 does not answer.
    std::vector<TCandidateDrive> PresentDrives() const override;

  private:
    QDBusConnection Bus;
};

// UDisks2's drives when it answers on Bus, else the removable devices of /sys/block.
class TSystemDriveLister : public TDriveLister {
  public:
    explicit TSystemDriveLister(const QDBusConnection& bus);
    std::vector<TCandidateDrive> RemovableDrives() const override {
        return Chosen().RemovableDrives();
    }
    std::vector<TCandidateDrive> PresentDrives() const override { return Chosen().PresentDrives(); }
    bool UsesUDisks() const { return HasUDisks; }

  private:
    const TDriveLister& Chosen() const;

    TUDisksDriveLister UDisks;
    TSysBlockDriveLister SysBlock;
    bool HasUDisks = false;
};
