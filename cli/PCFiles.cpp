#include "cli/PCFiles.h"

#include "cli/Args.h"
#include "explorer/PCFile.h"
#include "explorer/SafeWrite.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>

namespace brelk::cli {

namespace {

void ThrowUnlessOk(const std::string& path, TPCFileStatus status) {
    switch (status) {
    case TPCFileStatus::Ok:
        return;
    case TPCFileStatus::Missing:
        throw TFailure(path + ": not a readable file");
    case TPCFileStatus::TooLarge:
        throw TFailure(path + ": the file is too large for a card");
    case TPCFileStatus::NoMemory:
        throw TFailure(path + ": not enough memory to read it");
    case TPCFileStatus::CannotOpen:
    case TPCFileStatus::ReadFailed:
        break;
    }
    throw TFailure(path + ": could not be read");
}

} // namespace

std::vector<std::uint8_t> ReadPCFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    ThrowUnlessOk(path, ReadWholePCFile(path, bytes));
    return bytes;
}

void OpenPCFile(const std::string& path, TPCFileReader& reader) {
    ThrowUnlessOk(path, reader.Open(path));
}

TPCFileContents ReadPCFileUnpacked(const std::string& path) {
    TPCFileContents contents;
    TPCFileStatus status;
    std::string error;
    if (!LoadPCFileContents(path, contents, status, error))
        throw TFailure(error);
    return contents;
}

namespace {

// An output stream buffer on a file descriptor that remembers whether any write failed.
// Pieces of the buffer's size or more are written straight from the caller's memory.
class TFdBuffer final : public std::streambuf {
  public:
    explicit TFdBuffer(int fd) : Fd(fd) { setp(Buffer.data(), Buffer.data() + Buffer.size()); }
    bool Failed = false;
    int Errno = 0;

  protected:
    int_type overflow(int_type c) override {
        if (!Drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (n < std::streamsize(Buffer.size()))
            return std::streambuf::xsputn(s, n);
        return Drain() && WriteAll(s, std::size_t(n)) ? n : 0;
    }
    int sync() override { return Drain() ? 0 : -1; }

  private:
    bool WriteAll(const char* p, std::size_t length) {
        const char* end = p + length;
        while (!Failed && p < end) {
            ssize_t n = ::write(Fd, p, std::size_t(end - p));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                Failed = true;
                Errno = n < 0 ? errno : ENOSPC;
            } else {
                p += n;
            }
        }
        return !Failed;
    }
    bool Drain() {
        const bool ok = WriteAll(pbase(), std::size_t(pptr() - pbase()));
        setp(Buffer.data(), Buffer.data() + Buffer.size());
        return ok;
    }
    int Fd;
    std::array<char, 65536> Buffer{};
};

// Refuses Path unless it is absent or a regular file (a symbolic link is not followed).
void RequireReplaceable(const std::string& path) {
    const std::string refusal = ReplaceRefusal(path);
    if (!refusal.empty())
        throw TFailure(refusal);
}

} // namespace

void WritePCFile(const std::string& path, std::ostream& standardOutput,
                 const std::function<void(std::ostream&)>& write) {
    if (path == "-") {
        write(standardOutput);
        if (!standardOutput.flush())
            throw TFailure("the output could not be written");
        return;
    }
    RequireReplaceable(path);
    std::string temp;
    const int fd = CreateSafeTemporary(path, temp);
    if (fd < 0)
        throw TFailure(path + ": cannot be written (" + std::strerror(errno) + ")");
    TFdBuffer buffer(fd);
    std::ostream out(&buffer);
    try {
        write(out);
        out.flush();
        if (buffer.Failed)
            throw TFailure(path + ": cannot be written (" + std::strerror(buffer.Errno) + ")");
        if (::fsync(fd) != 0)
            throw TFailure(path + ": cannot be written (" + std::strerror(errno) + ")");
        RequireReplaceable(path);
        if (::rename(temp.c_str(), path.c_str()) != 0)
            throw TFailure(path + ": cannot be written (" + std::strerror(errno) + ")");
        ::close(fd);
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
}

} // namespace brelk::cli
