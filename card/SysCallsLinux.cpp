#include "card/SysCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brelk {
namespace {

// A folder opens for reading but is no card: it fails as an open for writing would.
int RefuseFolder(int fd) {
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return -1;
    }
    return fd;
}

class TLinuxSysCalls final : public TSysCalls {
  public:
    int Open(const std::string& path, TCardAccess access) override {
        const int mode = access == TCardAccess::ReadWrite ? O_RDWR : O_RDONLY;
        return RefuseFolder(::open(path.c_str(), mode | O_CLOEXEC));
    }
    int DataSync(int fd) override { return ::fdatasync(fd); }
    int OpenLocked(const std::string& path, TCardAccess access) override {
        const bool writer = access == TCardAccess::ReadWrite;
        int fd = RefuseFolder(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd < 0)
            return -1;
        struct stat st {};
        if (writer && ::fstat(fd, &st) == 0 && S_ISBLK(st.st_mode)) {
            // An exclusive open of a block device fails while it is mounted or claimed.
            ::close(fd);
            fd = ::open(path.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
            if (fd < 0)
                return -1;
        }
        if (::flock(fd, (writer ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return -1;
        }
        return fd;
    }
    int Close(int fd) override { return ::close(fd); }
    ssize_t PRead(int fd, void* buffer, std::size_t count, std::uint64_t offset) override {
        return ::pread(fd, buffer, count, off_t(offset));
    }
    ssize_t PWrite(int fd, const void* buffer, std::size_t count, std::uint64_t offset) override {
        return ::pwrite(fd, buffer, count, off_t(offset));
    }
    int DeviceLength(int fd, std::uint64_t& length) override {
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            return -1;
        if (S_ISBLK(st.st_mode))
            return ::ioctl(fd, BLKGETSIZE64, &length);
        if (!S_ISREG(st.st_mode)) {
            errno = ENOTBLK;
            return -1;
        }
        length = std::uint64_t(st.st_size);
        return 0;
    }
    bool IsBlockDevice(int fd) override {
        struct stat st {};
        return ::fstat(fd, &st) == 0 && S_ISBLK(st.st_mode);
    }
    int SectorSize(int fd, std::uint32_t& size) override {
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            return -1;
        if (!S_ISBLK(st.st_mode)) {
            size = 512;
            return 0;
        }
        int sector = 0;
        if (::ioctl(fd, BLKSSZGET, &sector) != 0)
            return -1;
        size = std::uint32_t(sector);
        return 0;
    }
};

} // namespace

TSysCalls& LinuxSysCalls() {
    static TLinuxSysCalls calls;
    return calls;
}

} // namespace brelk
