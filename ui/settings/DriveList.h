// The removable block devices that may hold a card, for the settings dialog's drive list.
#pragma once

#include <QString>
#include <vector>

struct TCandidateDrive {
    TCandidateDrive(const QString& path = QString(), bool answers = false)
        : Path(path), Answers(answers) {}

    QString Path;              // the device node, "/dev/sdb"
    bool Answers = false;      // it opened read-write and its size query succeeded
    quint64 Size = 0;          // bytes, as the kernel reports them (0: unknown or no medium)
    QString Vendor;            // "Generic", empty when the device does not say
    QString Model;             // "STORAGE DEVICE"
    QString MountedFileSystem; // a mounted file system on the device or one of its partitions,
    QString MountPoint;        // "/dev/sdb1" mounted on "/media/user/CARD"; empty when none
};

// "7.4 GiB, Generic STORAGE DEVICE": the size, vendor and model that are known.
QString DriveDetails(const TCandidateDrive& drive);

// Why Path cannot be the card drive while FileSystem is mounted on MountPoint.
QString MountedDriveRefusal(const QString& path, const QString& fileSystem,
                            const QString& mountPoint);

class TDriveLister {
  public:
    virtual ~TDriveLister() = default;
    // The candidates in the order they are listed.
    virtual std::vector<TCandidateDrive> RemovableDrives() const = 0;
    // The same without opening any device (Answers stays false): cheap enough to poll, and
    // it never makes udev re-read a device as closing a device opened for writing does.
    virtual std::vector<TCandidateDrive> PresentDrives() const { return RemovableDrives(); }
};

// Reads SysBlockDir ("/sys/block"): every device whose "removable" file holds 1, and every
// "mmcblk*" device (not its partitions), sorted by name, offered as DevDir + "/" + name.
// Each is opened read-write and asked its size (BLKGETSIZE64, or the length of a regular file).
// Size, vendor and model come from the device's folder; MountInfo ("/proc/self/mountinfo"),
// read with libmount, tells which of the device and its partitions hold a mounted file system.
class TSysBlockDriveLister : public TDriveLister {
  public:
    explicit TSysBlockDriveLister(
        const QString& sysBlockDir = QStringLiteral("/sys/block"),
        const QString& devDir = QStringLiteral("/dev"),
        const QString& mountInfo = QStringLiteral("/proc/self/mountinfo"));
    std::vector<TCandidateDrive> RemovableDrives() const override { return List(true); }
    std::vector<TCandidateDrive> PresentDrives() const override { return List(false); }

    // Opens Path read-write without creating it and asks its size; false when either fails.
    static bool SizeQueryAnswers(const QString& path);

  private:
    std::vector<TCandidateDrive> List(bool probe) const;
    void ReadDetails(const QString& name, TCandidateDrive& drive) const;
    void FindMount(const QString& name, TCandidateDrive& drive) const;

    QString SysBlockDir;
    QString DevDir;
    QString MountInfo;
};
