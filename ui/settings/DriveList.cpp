#include "ui/settings/DriveList.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

namespace {

bool IsRemovable(const QString& deviceDir) {
    QFile flag(deviceDir + QStringLiteral("/removable"));
    if (!flag.open(QIODevice::ReadOnly))
        return false;
    return flag.readAll().trimmed() == "1";
}

// "mmcblk0" is a card; "mmcblk0boot0" and "mmcblk0rpmb" are areas of an eMMC chip.
bool IsMmcCard(const QString& name) {
    if (!name.startsWith(QLatin1String("mmcblk")))
        return false;
    const QString number = name.mid(6);
    bool ok = false;
    number.toUInt(&ok);
    return ok;
}

// Owns a descriptor for its lifetime.
class TDescriptor {
  public:
    explicit TDescriptor(int fd) : Fd(fd) {}
    ~TDescriptor() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return Fd; }

  private:
    int Fd;
};

} // namespace

TSysBlockDriveLister::TSysBlockDriveLister(const QString& sysBlockDir, const QString& devDir)
    : SysBlockDir(sysBlockDir), DevDir(devDir) {}

std::vector<TCandidateDrive> TSysBlockDriveLister::RemovableDrives() const {
    std::vector<TCandidateDrive> drives;
    const QStringList names =
        QDir(SysBlockDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (!IsRemovable(SysBlockDir + QLatin1Char('/') + name) && !IsMmcCard(name))
            continue;
        TCandidateDrive drive;
        drive.Path = DevDir + QLatin1Char('/') + name;
        drive.Answers = SizeQueryAnswers(drive.Path);
        drives.push_back(drive);
    }
    return drives;
}

bool TSysBlockDriveLister::SizeQueryAnswers(const QString& path) {
    const TDescriptor device(::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC));
    if (device.Get() < 0)
        return false;
    struct stat info {};
    if (::fstat(device.Get(), &info) != 0)
        return false;
    if (S_ISREG(info.st_mode))
        return true;
    if (!S_ISBLK(info.st_mode))
        return false;
    std::uint64_t size = 0;
    return ::ioctl(device.Get(), BLKGETSIZE64, &size) == 0;
}
