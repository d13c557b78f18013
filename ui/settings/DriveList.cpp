#include "ui/settings/DriveList.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>

#include <fcntl.h>
#include <libmount/libmount.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdint>
#include <memory>

namespace {

// The first line of a small sysfs file, trimmed; empty when it cannot be read.
QString ReadSysValue(const QString& file) {
    QFile value(file);
    if (!value.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(value.readLine(4096)).trimmed();
}

bool IsRemovable(const QString& deviceDir) {
    return ReadSysValue(deviceDir + QStringLiteral("/removable")) == QLatin1String("1");
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

struct TMountTableFree {
    void operator()(libmnt_table* table) const { mnt_unref_table(table); }
};
struct TMountIterFree {
    void operator()(libmnt_iter* iter) const { mnt_free_iter(iter); }
};

// "8:17" as the device number it names; 0 when it names none.
dev_t DeviceNumber(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    bool majorOk = false, minorOk = false;
    const uint major = parts.value(0).toUInt(&majorOk);
    const uint minor = parts.value(1).toUInt(&minorOk);
    return parts.size() == 2 && majorOk && minorOk ? makedev(major, minor) : dev_t(0);
}

// The first file system of the mount table in MountInfo ("36 35 8:17 / /media/user/CARD rw -
// vfat /dev/sdb1 rw", read by libmount, escapes and all) that lies on one of Nodes.
bool FindMountOf(const QString& mountInfo, const QHash<dev_t, QString>& nodes, QString& node,
                 QString& mountPoint) {
    if (nodes.isEmpty())
        return false;
    const std::unique_ptr<libmnt_table, TMountTableFree> table(
        mnt_new_table_from_file(QFile::encodeName(mountInfo).constData()));
    const std::unique_ptr<libmnt_iter, TMountIterFree> iter(mnt_new_iter(MNT_ITER_FORWARD));
    libmnt_fs* fs = nullptr;
    while (table && iter && mnt_table_next_fs(table.get(), iter.get(), &fs) == 0) {
        const auto found = nodes.constFind(mnt_fs_get_devno(fs));
        if (found == nodes.constEnd())
            continue;
        node = found.value();
        mountPoint = QString::fromUtf8(mnt_fs_get_target(fs));
        return true;
    }
    return false;
}

} // namespace

QString DriveDetails(const TCandidateDrive& drive) {
    QStringList parts;
    if (drive.Size > 0)
        parts.append(QLocale::c().formattedDataSize(qint64(drive.Size), 1));
    const QString name = QStringList({drive.Vendor, drive.Model}).join(QLatin1Char(' ')).trimmed();
    if (!name.isEmpty())
        parts.append(name);
    return parts.join(QStringLiteral(", "));
}

QString MountedDriveRefusal(const QString& path, const QString& fileSystem,
                            const QString& mountPoint) {
    return QStringLiteral("The device '%1' holds the mounted file system '%2' (on '%3')."
                          "\rUnmount it first, or choose another drive.")
        .arg(path, fileSystem, mountPoint);
}

TSysBlockDriveLister::TSysBlockDriveLister(const QString& sysBlockDir, const QString& devDir,
                                           const QString& mountInfo)
    : SysBlockDir(sysBlockDir), DevDir(devDir), MountInfo(mountInfo) {}

void TSysBlockDriveLister::ReadDetails(const QString& name, TCandidateDrive& drive) const {
    const QString folder = SysBlockDir + QLatin1Char('/') + name;
    bool ok = false;
    const quint64 sectors = ReadSysValue(folder + QStringLiteral("/size")).toULongLong(&ok);
    drive.Size = ok ? sectors * 512 : 0; // the kernel counts 512-byte units here
    drive.Vendor = ReadSysValue(folder + QStringLiteral("/device/vendor"));
    drive.Model = ReadSysValue(folder + QStringLiteral("/device/model"));
    if (drive.Model.isEmpty()) // an SD or MMC card names itself
        drive.Model = ReadSysValue(folder + QStringLiteral("/device/name"));
}

// The device's own number and those of its partitions (sub-folders named after it).
void TSysBlockDriveLister::FindMount(const QString& name, TCandidateDrive& drive) const {
    const QString folder = SysBlockDir + QLatin1Char('/') + name;
    QHash<dev_t, QString> nodes; // 8:17 -> "sdb1"
    const QStringList parts = QDir(folder).entryList({name + QLatin1Char('*')},
                                                     QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& node : QStringList{name} + parts) {
        const QString sub = node == name ? QString() : QLatin1Char('/') + node;
        const dev_t number = DeviceNumber(ReadSysValue(folder + sub + QStringLiteral("/dev")));
        if (number != 0)
            nodes.insert(number, node);
    }
    QString node;
    if (FindMountOf(MountInfo, nodes, node, drive.MountPoint))
        drive.MountedFileSystem = DevDir + QLatin1Char('/') + node;
}

std::vector<TCandidateDrive> TSysBlockDriveLister::List(bool probe) const {
    std::vector<TCandidateDrive> drives;
    const QStringList names =
        QDir(SysBlockDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (!IsRemovable(SysBlockDir + QLatin1Char('/') + name) && !IsMmcCard(name))
            continue;
        TCandidateDrive drive;
        drive.Path = DevDir + QLatin1Char('/') + name;
        drive.Answers = probe && SizeQueryAnswers(drive.Path);
        ReadDetails(name, drive);
        FindMount(name, drive);
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
