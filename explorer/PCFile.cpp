#include "explorer/PCFile.h"

#include "explorer/Gzip.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace brelk {

namespace {

constexpr std::uint64_t kFourGiB = std::uint64_t(1) << 32;
constexpr std::size_t kHeadBytes = 65536; // what the analysis of a large file looks at

// Bytes resized to Size; false when there is no memory for them.
bool Resize(std::vector<std::uint8_t>& bytes, std::size_t size) {
    try {
        bytes.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace

TPCFileReader::~TPCFileReader() {
    if (Fd >= 0)
        ::close(Fd);
}

TPCFileStatus TPCFileReader::Open(const std::string& path, bool followLinks) {
    // One open and one fstat: opened without waiting, a pipe or device put in the file's
    // place cannot hold the open up; the fstat tells it from a regular file.
    Fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW));
    if (Fd < 0)
        return errno == ENOENT || errno == ENOTDIR || errno == ELOOP ? TPCFileStatus::Missing
                                                                     : TPCFileStatus::CannotOpen;
    struct stat info {};
    if (::fstat(Fd, &info) != 0)
        return TPCFileStatus::CannotOpen;
    if (!S_ISREG(info.st_mode))
        return TPCFileStatus::Missing;
    if (std::uint64_t(info.st_size) >= kFourGiB)
        return TPCFileStatus::TooLarge;
    Length = std::uint32_t(info.st_size);
    return TPCFileStatus::Ok;
}

bool TPCFileReader::Read(std::uint8_t* buffer, std::size_t count) {
    while (count > 0 && !ReadFailed) {
        const ssize_t n = ::read(Fd, buffer, count);
        if (n < 0 && errno == EINTR)
            continue;
        ReadFailed = n <= 0;
        buffer += n > 0 ? n : 0;
        count -= n > 0 ? std::size_t(n) : 0;
    }
    return !ReadFailed;
}

TPCFileStatus ReadWholePCFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    TPCFileReader file;
    const TPCFileStatus status = file.Open(path);
    if (status != TPCFileStatus::Ok)
        return status;
    if (!Resize(bytes, file.Size()))
        return TPCFileStatus::NoMemory;
    if (!file.Read(bytes.data(), bytes.size())) {
        bytes.clear();
        return TPCFileStatus::ReadFailed;
    }
    return TPCFileStatus::Ok;
}

namespace {

// The file whole, or only its head when it is a plain file too large to be a disc or tape
// (File is left open after the head). Bytes keeps its memory from an earlier file.
TPCFileStatus ReadForAnalysis(TPCFileReader& file, const std::string& path,
                              TPCFileContents& contents) {
    const TPCFileStatus status = file.Open(path);
    if (status != TPCFileStatus::Ok)
        return status;
    contents.FileLength = file.Size();
    const bool large = file.Size() > kMaxMediaFileBytes;
    if (!Resize(contents.Bytes,
                large ? std::min<std::size_t>(file.Size(), kHeadBytes) : file.Size()))
        return TPCFileStatus::NoMemory;
    if (!file.Read(contents.Bytes.data(), contents.Bytes.size()))
        return TPCFileStatus::ReadFailed;
    contents.HeadOnly =
        file.Size() > kMaxMediaFileBytes && !IsGzip(contents.Bytes.data(), contents.Bytes.size());
    if (contents.HeadOnly || contents.Bytes.size() == file.Size())
        return TPCFileStatus::Ok;
    const std::size_t head = contents.Bytes.size();
    if (!Resize(contents.Bytes, file.Size()))
        return TPCFileStatus::NoMemory;
    return file.Read(contents.Bytes.data() + head, contents.Bytes.size() - head)
               ? TPCFileStatus::Ok
               : TPCFileStatus::ReadFailed;
}

} // namespace

bool LoadPCFileContents(const std::string& path, TPCFileContents& contents, TPCFileStatus& status,
                        std::string& error) {
    TPCFileReader file;
    return LoadPCFileContents(file, path, contents, status, error);
}

bool LoadPCFileContents(TPCFileReader& file, const std::string& path, TPCFileContents& contents,
                        TPCFileStatus& status, std::string& error) {
    contents.Bytes.clear();
    contents.FileLength = 0;
    contents.Gzip = contents.HeadOnly = false;
    status = ReadForAnalysis(file, path, contents);
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
    if (contents.HeadOnly)
        return true;
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
