// Real DFS images made by other programs, and the inputs the fuzzer once found: every one is
// read without a refusal it does not deserve and keeps every property of the readers.
#include "formats/DFSBuilder.h"
#include "formats/DFSDetails.h"
#include "fuzz/DFSProperties.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace brelk;
using namespace brelktest;
using dfstest::TBytes;

namespace {

namespace fs = std::filesystem;

struct TCorpusCase {
    const char* File;
    int Sides;
    const char* Title;
    std::size_t Entries;
    std::uint16_t SectorCount;
    std::uint16_t LastUsedSector;
    std::size_t SquashedBytes;
    bool ExpandPads;
};

// Interleaved .dsd files hold their second side track by track, not behind the first side:
// the walk rightly finds one side in each.
const TCorpusCase kCorpus[] = {
    {"Welcome.ssd", 1, "WELCOME-DISK", 25, 800, 305, 78336, true},
    {"b-em_Pan141.dsd", 1, "1: PanosBoot", 16, 800, 688, 689 * 256, false},
    {"b2_40.dsd", 1, "", 0, 400, 1, 512, false},
    {"b2_40.ssd", 1, "", 0, 400, 1, 512, true},
    {"b2_80.dsd", 1, "", 0, 800, 1, 512, false},
    {"b2_blank_dfs_disc.dsd", 1, "blank", 0, 800, 1, 512, true},
    {"b2_blank_dfs_disc.ssd", 1, "blank", 0, 800, 1, 512, true},
    {"beebjit_teletest_v1.ssd", 1, "", 5, 400, 18, 19 * 256, true},
    {"beebjit_tests.ssd", 1, "", 24, 400, 79, 80 * 256, false},
    {"beebtools_acorn-dfs-sd-40t.ssd", 1, "ACORN40", 4, 400, 5, 6 * 256, true},
    {"beebtools_acorn-dfs-ss-80t-manyfiles.ssd", 1, "S0:ABCDEFGHI", 11, 800, 11, 12 * 256, true},
    {"beebtools_dfs-80t-double-sided.dsd", 1, "DRIVE0", 1, 800, 2, 3 * 256, true},
    {"beebtools_watford-sd-62-first-cat-empty.ssd", 1, "HOLES", 15, 800, 65, 66 * 256, false},
    {"beebtools_watford-sd-62-with-62-files.ssd", 1, "", 62, 800, 65, 66 * 256, false},
    {"beebtools_watford-sd-62-with-holes.ssd", 1, "HOLES", 31, 800, 65, 66 * 256, false},
    {"jsbeeb_Irq-Timing.ssd", 0, "", 0, 0, 0, 0, false}, // sector count 0: refused
    {"jsbeeb_bcdtest.dsd", 1, "", 1, 800, 5, 6 * 256, false},
    {"jsbeeb_teletext-tests.ssd", 1, "TTTESTS", 10, 800, 42, 43 * 256, true},
};

class DFSCorpusTest : public ::testing::TestWithParam<TCorpusCase> {};

TEST_P(DFSCorpusTest, ReadsSquashesAndExpands) {
    BRELK_REQUIRE_CORPUS();
    const TCorpusCase& c = GetParam();
    const TBytes image = ReadFileBytes(CorpusDir() / "dfs" / c.File);
    ASSERT_FALSE(image.empty()) << c.File;

    TAcornDFSDiscObject disc;
    ASSERT_EQ(WalkDFSSides(disc, image.data(), image.size()), c.Sides) << c.File;
    TAcornDFSDiscObject single;
    EXPECT_EQ(single.AddDiscSide(image), c.Sides > 0) << c.File;
    EXPECT_EQ(dfsproperties::FailedProperty(image.data(), image.size()), "") << c.File;
    if (c.Sides == 0)
        return;
    const TDFSDiscSide& side = disc.aDiscSides[0];
    EXPECT_EQ(side.Title, c.Title) << c.File;
    EXPECT_EQ(side.Entries.size(), c.Entries) << c.File;
    EXPECT_EQ(side.SectorCount, c.SectorCount) << c.File;
    EXPECT_EQ(side.LastUsedSector, c.LastUsedSector) << c.File;
    EXPECT_EQ(DFSSideLines(side).size(), c.Entries == 0 ? 5u : 5u + c.Entries) << c.File;

    TBytes squashed, expanded;
    ASSERT_TRUE(SquashDiscImage(image, squashed)) << c.File;
    EXPECT_EQ(squashed.size(), c.SquashedBytes) << c.File;
    EXPECT_TRUE(std::equal(squashed.begin() + 512, squashed.end(), image.begin() + 512)) << c.File;
    bool padded = false;
    ASSERT_TRUE(ExpandDiscImage(squashed, expanded, &padded)) << c.File;
    EXPECT_EQ(expanded.size(), 204800u) << c.File;
    EXPECT_EQ(padded, c.SquashedBytes < 204800) << c.File;
    ASSERT_TRUE(ExpandDiscImage(image, expanded, &padded)) << c.File;
    EXPECT_EQ(padded, c.ExpandPads) << c.File;
    // The import converts in the bytes themselves: the same bytes as the copies.
    TBytes inPlace = image;
    ASSERT_TRUE(SquashDiscImageInPlace(inPlace)) << c.File;
    EXPECT_EQ(inPlace, squashed) << c.File;
    EXPECT_EQ(SquashedDiscLength(image), squashed.size()) << c.File;
    inPlace = image;
    ASSERT_TRUE(ExpandDiscImageInPlace(inPlace)) << c.File;
    EXPECT_EQ(inPlace, expanded) << c.File;
}

INSTANTIATE_TEST_SUITE_P(Images, DFSCorpusTest, ::testing::ValuesIn(kCorpus));

TEST(DFSCorpus, EveryImageIsInTheTable) {
    BRELK_REQUIRE_CORPUS();
    std::size_t files = 0;
    for (const auto& item : fs::directory_iterator(CorpusDir() / "dfs")) {
        const std::string name = item.path().filename().string();
        ++files;
        EXPECT_TRUE(std::any_of(std::begin(kCorpus), std::end(kCorpus),
                                [&](const TCorpusCase& c) { return name == c.File; }))
            << name << " has no expectations";
    }
    EXPECT_EQ(files, std::size(kCorpus));
}

TEST(DFSCorpus, WelcomeDiscText) {
    BRELK_REQUIRE_CORPUS();
    const TBytes image = ReadFileBytes(CorpusDir() / "dfs" / "Welcome.ssd");
    TAcornDFSDiscObject disc;
    ASSERT_EQ(WalkDFSSides(disc, image.data(), image.size()), 1);
    const std::vector<std::string> lines = DFSSideLines(disc.aDiscSides[0]);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Discname: WELCOME-DISK (cycle=04, boot=exec)");
    EXPECT_EQ(lines[1], "Sectors: 132/320");
    EXPECT_EQ(lines[2], "Catalogue entries: 25/31");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "W.WELCOME   001900 + 007D4 00801F 0126"),
              lines.end());
    EXPECT_EQ(DFSSideTabLabel(0, disc.aDiscSides[0]), ":0.WELCOME-DISK");
}

// Inputs the fuzzer once failed on, kept so that the fault stays fixed.
TEST(DFSFuzzRegression, KeepsEveryProperty) {
    const fs::path dir = fs::path(BRELK_FIXTURES_DIR) / "fuzz";
    std::size_t inputs = 0;
    if (fs::is_directory(dir))
        for (const auto& item : fs::directory_iterator(dir)) {
            const std::string name = item.path().filename().string();
            if (name.rfind("dfs-", 0) != 0)
                continue;
            ++inputs;
            const TBytes bytes = ReadFileBytes(item.path());
            EXPECT_EQ(dfsproperties::FailedProperty(bytes.data(), bytes.size()), "") << name;
        }
    if (inputs == 0)
        GTEST_SKIP() << "no dfs-*.bin inputs kept";
}

// The properties on built images of every shape the builder makes.
TEST(DFSProperties, HoldOnBuiltImages) {
    using dfstest::TDFSBuilder;
    const TBytes images[] = {
        TDFSBuilder(800, 204800).Bytes(),
        TDFSBuilder(2, 512).Bytes(),
        TDFSBuilder(3, 1024).Watford().Bytes(),
        dfstest::Concat({TDFSBuilder(100, 25600).Add({'$', "F", 1000, 90}).Bytes(),
                         TDFSBuilder(2, 512).Bytes(), TDFSBuilder(800, 700).Bytes()}),
        TDFSBuilder(400, 600).Add({'$', "F", 1000, 399}).Bytes(),
    };
    for (const TBytes& image : images)
        EXPECT_EQ(dfsproperties::FailedProperty(image.data(), image.size()), "");
}

} // namespace
