#include "cli/PCFiles.h"

#include "cli/Args.h"

#include <filesystem>
#include <fstream>

namespace brelk::cli {

std::vector<std::uint8_t> ReadPCFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw TFailure(path + ": not a readable file");
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        throw TFailure(path + ": " + ec.message());
    if (size >= (std::uint64_t(1) << 32))
        throw TFailure(path + ": the file is too large for a card");
    std::vector<std::uint8_t> bytes(size);
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size)))
        throw TFailure(path + ": could not be read");
    return bytes;
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
