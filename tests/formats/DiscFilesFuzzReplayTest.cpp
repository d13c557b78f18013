// The properties of the disc-file fuzzers over the real images, built images and the inputs
// the fuzzers once found (tests/fixtures/fuzz/discfiles-*.bin), so a fixed fault stays fixed.
#include "formats/ADFSBuilder.h"
#include "formats/DFSBuilder.h"
#include "fuzz/DiscFilesProperties.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<std::uint8_t>;

std::string AllFailures(const TBytes& bytes) {
    using namespace discfilesproperties;
    return DFSFailure(bytes.data(), bytes.size()) + ADFSFailure(bytes.data(), bytes.size()) +
           BasicFailure(bytes.data(), bytes.size());
}

void ReplayFolder(const fs::path& folder, const std::string& prefix) {
    if (!fs::is_directory(folder))
        return;
    for (const auto& item : fs::recursive_directory_iterator(folder))
        if (item.is_regular_file() && item.path().filename().string().rfind(prefix, 0) == 0) {
            EXPECT_EQ(AllFailures(brelktest::ReadFileBytes(item.path())), "") << item.path();
        }
}

} // namespace

TEST(DiscFilesFuzzReplay, BuiltImagesKeepEveryProperty) {
    dfstest::TFile file;
    file.Name = "A";
    file.Length = 700;
    file.StartSector = 2;
    const std::vector<TBytes> images = {
        dfstest::TDFSBuilder(5, 1280).Add(file).Bytes(),
        dfstest::TDFSBuilder(800, 204800).Add(file).Bytes(),
        dfstest::TDFSBuilder(800, 512).Bytes(),
        adfstest::TADFSBuilder(640).Bytes(),
        adfstest::TADFSBuilder(2560).Interleaved(),
        TBytes{0x0D, 0x00, 0x0A, 0x05, 0x8D, 0x0D, 0xFF},
        TBytes{},
    };
    for (const TBytes& image : images)
        EXPECT_EQ(AllFailures(image), "");
}

TEST(DiscFilesFuzzReplay, FindingsAndCorpus) {
    ReplayFolder(fs::path(BRELK_FIXTURES_DIR) / "fuzz", "discfiles-");
    if (brelktest::CorpusDir().empty())
        GTEST_SKIP() << "corpus folder not found; replayed the findings only";
    ReplayFolder(brelktest::CorpusDir(), "");
}
