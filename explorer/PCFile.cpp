#include "explorer/PCFile.h"

#include "explorer/Gzip.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace brelk {

namespace {

constexpr std::uint64_t kFourGiB = std::uint64_t(1) << 32;

// An open file descriptor, closed with the object.
class TFileHandle {
  public:
    explicit TFileHandle(const std::string& path)
        : Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~TFileHandle() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    const int Fd;
};

// Reads Count bytes into Dest, looping over short reads and interruptions.
bool ReadFully(int fd, std::uint8_t* dest, std::size_t count) {
    while (count > 0) {
        const ssize_t n = ::read(fd, dest, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        dest += n;
        count -= std::size_t(n);
    }
    return true;
}

} // namespace

TPCFileStatus ReadWholePCFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return TPCFileStatus::Missing;
    TFileHandle file(path);
    if (file.Fd < 0)
        return TPCFileStatus::CannotOpen;
    if (::fstat(file.Fd, &info) != 0 || !S_ISREG(info.st_mode))
        return TPCFileStatus::CannotOpen;
    if (std::uint64_t(info.st_size) >= kFourGiB)
        return TPCFileStatus::TooLarge;
    try {
        bytes.resize(std::size_t(info.st_size));
    } catch (const std::bad_alloc&) {
        return TPCFileStatus::NoMemory;
    }
    if (!ReadFully(file.Fd, bytes.data(), bytes.size())) {
        bytes.clear();
        return TPCFileStatus::ReadFailed;
    }
    return TPCFileStatus::Ok;
}

bool LoadPCFileContents(const std::string& path, TPCFileContents& contents, TPCFileStatus& status,
                        std::string& error) {
    contents = TPCFileContents{};
    status = ReadWholePCFile(path, contents.Bytes);
    switch (status) {
    case TPCFileStatus::Ok:
        break;
    case TPCFileStatus::Missing:
        error = "The file '" + path + "' does not exist.";
        return false;
    case TPCFileStatus::CannotOpen:
        error = "Could not open file '" + path + "'.";
        return false;
    case TPCFileStatus::TooLarge:
        error = "The file '" + path + "' is 4 GiB or larger and cannot be put on the Brelk-card.";
        return false;
    case TPCFileStatus::ReadFailed:
        error = "Could not read file '" + path + "'.";
        return false;
    case TPCFileStatus::NoMemory:
        error = "Not enough memory to read file '" + path + "'.";
        return false;
    }
    contents.FileLength = contents.Bytes.size();
    if (!IsGzip(contents.Bytes.data(), contents.Bytes.size()))
        return true;
    std::vector<std::uint8_t> unpacked;
    TGunzipResult result = TGunzipResult::TooLarge;
    try {
        result = GunzipAll(contents.Bytes.data(), contents.Bytes.size(), unpacked);
    } catch (const std::bad_alloc&) {
        unpacked.clear();
    }
    if (result != TGunzipResult::Ok) {
        error = "Could not unpack the gzip-compressed file '" + path + "': " +
                (result == TGunzipResult::TooLarge ? "it unpacks to more than 64 MiB."
                                                   : "its compressed data is damaged.");
        contents.Bytes.clear();
        return false;
    }
    contents.Bytes = std::move(unpacked);
    contents.Gzip = true;
    return true;
}

} // namespace brelk
