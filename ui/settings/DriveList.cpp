#include "ui/settings/DriveList.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

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

// Mount points in mountinfo escape space, tab, newline and backslash as octal "\040".
QString UnescapeMountField(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
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

// The device's own "major:minor" and those of its partitions (sub-folders named after it).
void TSysBlockDriveLister::FindMount(const QString& name, TCandidateDrive& drive) const {
    const QString folder = SysBlockDir + QLatin1Char('/') + name;
    QHash<QString, QString> nodes; // "8:17" -> "sdb1"
    const QString own = ReadSysValue(folder + QStringLiteral("/dev"));
    if (!own.isEmpty())
        nodes.insert(own, name);
    const QStringList parts = QDir(folder).entryList({name + QLatin1Char('*')},
                                                     QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& part : parts) {
        const QString number =
            ReadSysValue(folder + QLatin1Char('/') + part + QStringLiteral("/dev"));
        if (!number.isEmpty())
            nodes.insert(number, part);
    }
    QFile mounts(MountInfo);
    if (nodes.isEmpty() || !mounts.open(QIODevice::ReadOnly))
        return;
    // "36 35 8:17 / /media/user/CARD rw,nosuid - vfat /dev/sdb1 rw"
    while (!mounts.atEnd()) {
        const QList<QByteArray> fields = mounts.readLine().trimmed().split(' ');
        if (fields.size() < 5)
            continue;
        const auto node = nodes.constFind(QString::fromLatin1(fields[2]));
        if (node == nodes.constEnd())
            continue;
        drive.MountedFileSystem = DevDir + QLatin1Char('/') + node.value();
        drive.MountPoint = UnescapeMountField(fields[4]);
        return;
    }
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
