// The removable drives as UDisks2 (org.freedesktop.UDisks2) knows them: each whole block
// device whose drive is removable or takes removable media, with the block's size, the
// drive's vendor and model, and a mounted file system on the device or one of its partitions.
#pragma once

#include "ui/settings/DriveList.h"

#include <QDBusConnection>

#include <optional>

class TUDisksDriveLister : public TDriveLister {
  public:
    // Bus: where UDisks2 is asked (the system bus, or a private one in the tests).
    explicit TUDisksDriveLister(const QDBusConnection& bus) : Bus(bus) {}

    // Whether UDisks2 answers on the bus (it is started when it is not yet running).
    bool Available() const;
    // Opens each device to learn whether it answers, as the settings dialog needs.
    std::vector<TCandidateDrive> RemovableDrives() const override;
    // Asks UDisks2 only; sorted by device path. Empty when UDisks2 does not answer.
    std::vector<TCandidateDrive> PresentDrives() const override {
        return TryList().value_or(std::vector<TCandidateDrive>());
    }
    // The same, or nothing when UDisks2 does not answer.
    std::optional<std::vector<TCandidateDrive>> TryList() const;

  private:
    QDBusConnection Bus;
};

// UDisks2's drives when it answers on Bus, else the removable devices of /sys/block: asked
// each time, so UDisks2 stopping or starting never makes every drive look gone.
class TSystemDriveLister : public TDriveLister {
  public:
    explicit TSystemDriveLister(const QDBusConnection& bus) : UDisks(bus) {}
    std::vector<TCandidateDrive> RemovableDrives() const override;
    std::vector<TCandidateDrive> PresentDrives() const override;

  private:
    TUDisksDriveLister UDisks;
    TSysBlockDriveLister SysBlock;
};
