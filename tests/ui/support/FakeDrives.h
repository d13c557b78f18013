// A drive list that the test fills, for building the settings dialog without /sys/block.
#pragma once

#include "ui/settings/DriveList.h"

class TFakeDrives : public TDriveLister {
  public:
    TFakeDrives() = default;
    TFakeDrives(std::initializer_list<TCandidateDrive> drives) : Drives(drives) {}
    std::vector<TCandidateDrive> RemovableDrives() const override { return Drives; }
    std::vector<TCandidateDrive> Drives;
};
