#include "support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace brelktest {

namespace {
// Kept catalogues of the cards that tests write go to a folder of this run, never into the
// user's state folder.
struct TPrivateStateFolder {
    TTempDir Dir;
    TPrivateStateFolder() { ::setenv("XDG_STATE_HOME", Dir.Root().c_str(), 1); }
};
} // namespace

const std::filesystem::path& StateFolder() {
    static TPrivateStateFolder folder;
    return folder.Dir.Root();
}

namespace {
[[maybe_unused]] const bool kStateFolderSet = !StateFolder().empty();
} // namespace

TTempDir::TTempDir() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("brelktest-" + std::to_string(rd()));
        if (fs::create_directory(candidate)) {
            Dir = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TTempDir::~TTempDir() {
    std::error_code ec;
    fs::remove_all(Dir, ec);
}

void MakeImageFile(const fs::path& path, std::uint64_t size) {
    { std::ofstream(path, std::ios::binary | std::ios::trunc); }
    fs::resize_file(path, size);
}

std::vector<std::uint8_t> ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

fs::path CorpusDir() {
    fs::path dir = BRELK_CORPUS_DIR;
    std::error_code ec;
    return fs::is_directory(dir, ec) ? dir : fs::path();
}

bool HasTool(const std::string& tool) {
    const std::string command =
        "PATH=/usr/sbin:/sbin:$PATH command -v " + tool + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace brelktest
