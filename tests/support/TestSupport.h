// Helpers shared by the core tests: temporary image files and the corpus folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace brelktest {

// A file in a fresh temporary folder that is removed with the object.
class TTempDir {
  public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    std::filesystem::path Path(const std::string& name) const { return Dir / name; }
    const std::filesystem::path& Root() const { return Dir; }

  private:
    std::filesystem::path Dir;
};

// The XDG_STATE_HOME of this test run: a private folder set before any test runs.
const std::filesystem::path& StateFolder();

// Makes a zero-filled (sparse) file of Size bytes.
void MakeImageFile(const std::filesystem::path& path, std::uint64_t size);
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// The folder of real images made by others, or an empty path when it is absent.
std::filesystem::path CorpusDir();

// Whether a program (mkfs.vfat, mkntfs, ...) is on the PATH, the system folders included.
bool HasTool(const std::string& tool);

} // namespace brelktest

// Skips the current test when the corpus folder is absent (a user's clone).
#define BRELK_REQUIRE_CORPUS()                                                                     \
    do {                                                                                           \
        if (brelktest::CorpusDir().empty())                                                        \
            GTEST_SKIP() << "corpus folder not found (" BRELK_CORPUS_DIR                           \
                            "); skipping real images";                                             \
    } while (0)
