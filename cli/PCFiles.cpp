#include "cli/PCFiles.h"

#include "cli/Args.h"
#include "explorer/PCFile.h"

#include <filesystem>
#include <fstream>

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

// The regular file that Path names (through a symbolic link, the file it points at), to be
// replaced whole. A folder or a special file (a device, a pipe) is refused: the renaming that
// replaces a file would put a plain file in place of the device node.
std::string FileToReplace(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status))
        throw TFailure(path + ": is a folder; give the name of a file");
    if (fs::exists(status) && !fs::is_regular_file(status))
        throw TFailure(path + ": is no regular file; give the name of a file");
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path target = fs::canonical(path, ec);
        if (!ec)
            return target.string();
    }
    return path;
}

} // namespace

void WritePCFile(const std::string& requested, const std::function<void(std::ostream&)>& write) {
    const std::string path = FileToReplace(requested);
    std::error_code ec;
    const std::string partial = path + ".part";
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out)
        throw TFailure(requested + ": cannot be written");
    try {
        write(out);
        if (!out.flush())
            throw TFailure(requested + ": cannot be written");
        out.close();
        std::filesystem::rename(partial, path, ec);
        if (ec)
            throw TFailure(requested + ": " + ec.message());
    } catch (...) {
        out.close();
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw;
    }
}

} // namespace brelk::cli
