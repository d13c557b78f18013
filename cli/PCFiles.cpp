#include "cli/PCFiles.h"

#include "cli/Args.h"
#include "explorer/PCFile.h"

#include <filesystem>
#include <fstream>

namespace brelk::cli {

std::vector<std::uint8_t> ReadPCFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    switch (ReadWholePCFile(path, bytes)) {
    case TPCFileStatus::Ok:
        return bytes;
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

TPCFileContents ReadPCFileUnpacked(const std::string& path) {
    TPCFileContents contents;
    TPCFileStatus status;
    std::string error;
    if (!LoadPCFileContents(path, contents, status, error))
        throw TFailure(error);
    return contents;
}

void WritePCFile(const std::string& path, const std::function<void(std::ostream&)>& write) {
    const std::string partial = path + ".part";
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out)
        throw TFailure(path + ": cannot be written");
    try {
        write(out);
        if (!out.flush())
            throw TFailure(path + ": cannot be written");
        out.close();
        std::filesystem::rename(partial, path);
    } catch (...) {
        out.close();
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw;
    }
}

} // namespace brelk::cli
