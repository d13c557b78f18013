#include "ui/settings/DriveList.h"

TSysBlockDriveLister::TSysBlockDriveLister(const QString& sysBlockDir, const QString& devDir)
    : SysBlockDir(sysBlockDir), DevDir(devDir) {}

std::vector<TCandidateDrive> TSysBlockDriveLister::RemovableDrives() const {
    return {};
}

bool TSysBlockDriveLister::SizeQueryAnswers(const QString&) {
    return false;
}
