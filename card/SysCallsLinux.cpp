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

// A card is a block device or a regular file. The node is opened without waiting (a FIFO
// would otherwise wait for a writer) and anything else is refused at once: a folder as an
// open for writing would refuse it, a FIFO, socket or character device as no block device.
int OpenCardNode(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    int refusal = 0;
    if (::fstat(fd, &st) != 0)
        refusal = errno;
    else if (S_ISDIR(st.st_mode))
        refusal = EISDIR;
    else if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode))
        refusal = ENOTBLK;
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        refusal = errno;
    if (refusal != 0) {
        ::close(fd);
        errno = refusal;
        return -1;
    }
    return fd;
}

class TLinuxSysCalls final : public TSysCalls {
  public:
    int Open(const std::string& path, TCardAccess access) override {
        const int mode = access == TCardAccess::ReadWrite ? O_RDWR : O_RDONLY;
        return OpenCardNode(path, mode);
    }
    int DataSync(int fd) override { return ::fdatasync(fd); }
    int OpenLocked(const std::string& path, TCardAccess access) override {
        const bool writer = access == TCardAccess::ReadWrite;
        int fd = OpenCardNode(path, O_RDONLY);
        if (fd < 0)
            return -1;
        struct stat st {};
        if (writer && ::fstat(fd, &st) == 0 && S_ISBLK(st.st_mode)) {
            // An exclusive open of a block device fails while it is mounted or claimed.
            ::close(fd);
            fd = OpenCardNode(path, O_RDONLY | O_EXCL);
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
