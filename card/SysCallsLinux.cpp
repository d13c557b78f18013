#include "card/SysCalls.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/fs.h>
#include <map>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// Opens Path and takes its lock without waiting, as OpenLocked describes.
int LockNode(const std::string& path, TCardAccess access) {
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

// The other paths to the card open as Fd: the backing file of a loop device, or the loop
// devices over an image file.
std::vector<std::string> OtherPathsTo(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return {};
    if (S_ISBLK(st.st_mode)) {
        std::string file = LoopBackingFile("/sys", st.st_rdev);
        return file.empty() ? std::vector<std::string>{} : std::vector<std::string>{file};
    }
    return LoopDevicesOver("/sys", st.st_dev, st.st_ino);
}

void CloseAll(const std::vector<int>& fds) {
    for (const int fd : fds)
        ::close(fd);
}

// Drops whole pages only, so the range is widened to the pages it touches.
int DropCachedPages(int fd, std::uint64_t offset, std::uint64_t length) {
    const std::uint64_t page = std::uint64_t(::sysconf(_SC_PAGESIZE));
    const std::uint64_t first = offset / page * page;
    const std::uint64_t end = length == 0 ? 0 : (offset + length + page - 1) / page * page;
    const int error =
        ::posix_fadvise(fd, off_t(first), off_t(end == 0 ? 0 : end - first), POSIX_FADV_DONTNEED);
    errno = error;
    return error == 0 ? 0 : -1;
}

// The first line of the file Path, empty when it cannot be read.
std::string FirstLine(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

class TLinuxSysCalls final : public TSysCalls {
  public:
    int Open(const std::string& path, TCardAccess access) override {
        const int mode = access == TCardAccess::ReadWrite ? O_RDWR : O_RDONLY;
        return OpenCardNode(path, mode);
    }
    int DataSync(int fd) override { return ::fdatasync(fd); }
    int DropCache(int fd, std::uint64_t offset, std::uint64_t length) override {
        return DropCachedPages(fd, offset, length);
    }
    // The card's own path is locked first; a conflict on another path to it refuses the card,
    // a path this user may not open is passed over (whoever can open it locks this one too).
    int OpenLocked(const std::string& path, TCardAccess access) override {
        const int fd = LockNode(path, access);
        if (fd < 0)
            return -1;
        std::vector<int> companions;
        for (const std::string& other : OtherPathsTo(fd)) {
            const int companion = LockNode(other, access);
            if (companion >= 0) {
                companions.push_back(companion);
            } else if (errno == EWOULDBLOCK || errno == EBUSY) {
                const int saved = errno;
                CloseAll(companions);
                ::close(fd);
                errno = saved;
                return -1;
            }
        }
        if (!companions.empty())
            Companions[fd] = std::move(companions);
        return fd;
    }
    int Close(int fd) override {
        const auto held = Companions.find(fd);
        if (held != Companions.end()) {
            CloseAll(held->second);
            Companions.erase(held);
        }
        return ::close(fd);
    }
    int Duplicate(int fd) override { return ::fcntl(fd, F_DUPFD_CLOEXEC, 0); }
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

  private:
    // The locks on the other paths to a card, by the descriptor of its own lock.
    std::map<int, std::vector<int>> Companions;
};

} // namespace

TSysCalls& LinuxSysCalls() {
    static TLinuxSysCalls calls;
    return calls;
}

std::string LoopBackingFile(const std::string& sysRoot, dev_t device) {
    const std::string number = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::string file =
        FirstLine(std::filesystem::path(sysRoot) / "dev/block" / number / "loop/backing_file");
    constexpr std::string_view kDeleted = " (deleted)";
    return file.ends_with(kDeleted) ? std::string() : file;
}

std::vector<std::string> LoopDevicesOver(const std::string& sysRoot, dev_t dev, ino_t ino) {
    std::vector<std::string> nodes;
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(sysRoot) / "block", ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("loop"))
            continue;
        const std::string file = FirstLine(entry.path() / "loop/backing_file");
        struct stat st {};
        if (!file.empty() && ::stat(file.c_str(), &st) == 0 && st.st_dev == dev && st.st_ino == ino)
            nodes.push_back("/dev/" + name);
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

} // namespace brelk
