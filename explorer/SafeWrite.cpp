#include "explorer/SafeWrite.h"

#include "card/DurableFile.h"

#include <algorithm>
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

// Syncs the file system that holds Folder; false (errno set) when it cannot.
bool SyncFileSystemOf(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::syncfs(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
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

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

int CreateSafeTemporary(const std::string& path, std::string& temp) {
    const std::filesystem::path folder = FolderOf(path);
    const std::string base = std::filesystem::path(path).filename().string();
    // Seeded once: a random device opened for every file costs more than writing it.
    static thread_local std::mt19937 random{std::random_device{}()};
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

TSafeWriteBatch::~TSafeWriteBatch() {
    Abandon();
}

bool TSafeWriteBatch::Add(const std::string& path, std::span<const std::uint8_t> data,
                          std::string& why) {
    why = ReplaceRefusal(path);
    if (!why.empty())
        return false;
    std::string temp;
    const int fd = CreateSafeTemporary(path, temp);
    if (fd < 0) {
        why = Failed(path);
        return false;
    }
    struct stat st {};
    const bool written = WriteAllTo(fd, data.data(), data.size()) && ::fstat(fd, &st) == 0;
    if (!written)
        why = Failed(path);
    ::close(fd);
    if (!written) {
        ::unlink(temp.c_str());
        return false;
    }
    Files.push_back({temp, path});
    if (std::none_of(FileSystems.begin(), FileSystems.end(),
                     [&](const auto& known) { return known.first == st.st_dev; }))
        FileSystems.emplace_back(st.st_dev, FolderOf(path));
    return true;
}

bool TSafeWriteBatch::SyncFileSystems(std::string& why) const {
    for (const auto& [device, folder] : FileSystems)
        if (!SyncFileSystemOf(folder)) {
            why = folder + ": its file system could not be synced (" + std::strerror(errno) + ")";
            return false;
        }
    return true;
}

bool TSafeWriteBatch::Commit(std::string& why) {
    // The bytes are durable before any name points at them.
    if (!SyncFileSystems(why)) {
        why += "; nothing was written";
        Abandon();
        return false;
    }
    std::size_t placed = 0;
    for (; placed < Files.size(); ++placed) {
        const TPendingFile& file = Files[placed];
        why = ReplaceRefusal(file.Path);
        if (why.empty() && ::rename(file.Temp.c_str(), file.Path.c_str()) != 0)
            why = Failed(file.Path);
        if (!why.empty())
            break;
    }
    Files.erase(Files.begin(), Files.begin() + std::ptrdiff_t(placed));
    Abandon();
    std::string unsynced;
    if (!SyncFileSystems(unsynced) && why.empty())
        why = "written, but " + unsynced;
    FileSystems.clear();
    return why.empty();
}

void TSafeWriteBatch::Abandon() {
    for (const TPendingFile& file : Files)
        ::unlink(file.Temp.c_str());
    Files.clear();
}

} // namespace brelk
