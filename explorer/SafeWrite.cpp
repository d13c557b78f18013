#include "explorer/SafeWrite.h"

#include "card/DurableFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace brelk {

namespace {

std::string FolderOf(const std::string& path) {
    const std::filesystem::path target(path);
    return target.has_parent_path() ? target.parent_path().string() : ".";
}

std::string Failed(const std::string& path) {
    return path + ": cannot be written (" + std::strerror(errno) + ")";
}

} // namespace

std::string ReplaceRefusal(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? "" : path + ": " + std::strerror(errno);
    if (S_ISREG(st.st_mode))
        return "";
    const char* what = S_ISDIR(st.st_mode)                          ? "a directory"
                       : S_ISLNK(st.st_mode)                        ? "a symbolic link"
                       : S_ISFIFO(st.st_mode)                       ? "a pipe"
                       : S_ISBLK(st.st_mode) || S_ISCHR(st.st_mode) ? "a device"
                                                                    : "not a regular file";
    return path + ": is " + std::string(what) + "; only a new or a regular file is written";
}

int CreateSafeTemporary(const std::string& path, std::string& temp) {
    const std::filesystem::path folder = FolderOf(path);
    const std::string base = std::filesystem::path(path).filename().string();
    std::random_device random;
    for (int attempt = 0; attempt < 32; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", unsigned(random()));
        temp = (folder / ("." + base + suffix + ".part")).string();
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteFileSafely(const std::string& path, std::span<const std::uint8_t> data, std::string& why,
                     bool syncFolder) {
    why = ReplaceRefusal(path);
    if (!why.empty())
        return false;
    std::string temp;
    const int fd = CreateSafeTemporary(path, temp);
    if (fd < 0) {
        why = Failed(path);
        return false;
    }
    const bool written = WriteAllTo(fd, data.data(), data.size()) && ::fsync(fd) == 0;
    if (!written)
        why = Failed(path);
    ::close(fd);
    if (written) {
        why = ReplaceRefusal(path);
        if (why.empty() && ::rename(temp.c_str(), path.c_str()) != 0)
            why = Failed(path);
    }
    if (!why.empty()) {
        ::unlink(temp.c_str());
        return false;
    }
    if (syncFolder && !SyncFolder(FolderOf(path))) {
        why = path + ": written, but its folder could not be synced";
        return false;
    }
    return true;
}

} // namespace brelk
