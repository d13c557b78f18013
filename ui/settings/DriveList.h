// The removable block devices that may hold a card, for the settings dialog's drive list.
#pragma once

#include <QString>
#include <vector>

struct TCandidateDrive {
    QString Path;         // the device node, "/dev/sdb"
    bool Answers = false; // it opened read-write and its size query succeeded
};

class TDriveLister {
  public:
    virtual ~TDriveLister() = default;
    // The candidates in the order they are listed.
    virtual std::vector<TCandidateDrive> RemovableDrives() const = 0;
};

// Reads SysBlockDir ("/sys/block"): every device whose "removable" file holds 1, and every
// "mmcblk*" device (not its partitions), sorted by name, offered as DevDir + "/" + name.
// Each is opened read-write and asked its size (BLKGETSIZE64, or the length of a regular file).
class TSysBlockDriveLister : public TDriveLister {
  public:
    explicit TSysBlockDriveLister(const QString& sysBlockDir = QStringLiteral("/sys/block"),
                                  const QString& devDir = QStringLiteral("/dev"));
    std::vector<TCandidateDrive> RemovableDrives() const override;

    // Opens Path read-write without creating it and asks its size; false when either fails.
    static bool SizeQueryAnswers(const QString& path);

  private:
    QString SysBlockDir;
    QString DevDir;
};
