// Squash and expand of disc objects: one side, and every side of a multi-side
// object laid back to back.
#include "formats/AcornDFS.h"
#include "formats/DFSBuilder.h"
#include "formats/DFSSideWalk.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace dfstest;

namespace {

constexpr std::size_t kOptions = 256 + 6;
constexpr std::size_t kCount = 256 + 7;

std::uint16_t CatalogueCount(const TBytes& image, std::size_t sideStart = 0) {
    return std::uint16_t((image[sideStart + kOptions] & 3) * 256 + image[sideStart + kCount]);
}

struct TSquashResult {
    TBytes Data;
    std::uint32_t Size;
};

TSquashResult Squash(TBytes data) {
    std::uint32_t size = std::uint32_t(data.size());
    TAcornDFSDiscObject disc;
    disc.SquashDisc(data, size);
    return {data, size};
}

std::vector<std::string> WalkedTitles(const TBytes& image) {
    TAcornDFSDiscObject disc;
    WalkDFSSides(disc, image.data(), image.size());
    std::vector<std::string> titles;
    for (const TDFSDiscSide& side : disc.aDiscSides)
        titles.push_back(side.Title);
    return titles;
}

TEST(DFSSquash, BlankSideKeepsTheCatalogueOnly) {
    const TBytes blank = TDFSBuilder(800, 204800, 0xE5).Bytes();
    const TSquashResult r = Squash(blank);
    EXPECT_EQ(r.Size, 512u);
    ASSERT_EQ(r.Data.size(), 512u);
    EXPECT_EQ(CatalogueCount(r.Data), 2);
    TBytes expected(blank.begin(), blank.begin() + 512);
    expected[kOptions] = 0;
    expected[kCount] = 2;
    EXPECT_EQ(r.Data, expected) << "only the sector count changes";
}

TEST(DFSSquash, FullFortyTrackSideChangesNoByte) {
    const TBytes side = TDFSBuilder(400, 102400).AddWithData({'$', "END", 512, 398}, 0x77).Bytes();
    const TSquashResult r = Squash(side);
    EXPECT_EQ(r.Size, 102400u);
    EXPECT_EQ(r.Data, side);
}

TEST(DFSSquash, OptionBitsOtherThanTheCountAreKept) {
    TBytes side = TDFSBuilder(800, 204800).Boot(3).Add({'$', "F", 0x1000, 0x120}).Bytes();
    side[kOptions] |= 0xCC;
    const TSquashResult r = Squash(side);
    EXPECT_EQ(r.Size, 0x130u * 256);
    EXPECT_EQ(r.Data[kOptions], 0xCC | 0x30 | 0x01);
    EXPECT_EQ(r.Data[kCount], 0x30);
}

struct TSquashCase {
    const char* What;
    std::uint16_t SectorCount;
    std::size_t ImageBytes;
    TFile LastFile;
    std::uint32_t Size;       // after squashing
    std::uint16_t CountAfter; // the catalogue's sector count after squashing
};

class DFSSquashTest : public ::testing::TestWithParam<TSquashCase> {};

TEST_P(DFSSquashTest, SizeAndCatalogue) {
    const TSquashCase& c = GetParam();
    const TBytes side = TDFSBuilder(c.SectorCount, c.ImageBytes, 0x5A)
                            .AddWithData({'$', "LOW", 300, 2}, 0x11)
                            .AddWithData(c.LastFile, 0x22)
                            .Bytes();
    const TSquashResult r = Squash(side);
    EXPECT_EQ(r.Size, c.Size) << c.What;
    ASSERT_EQ(r.Data.size(), c.Size) << c.What;
    EXPECT_EQ(CatalogueCount(r.Data), c.CountAfter) << c.What;
    // The file data is kept as it was; a side cut short gets zeros up to its last used sector.
    const std::size_t present = std::min(side.size(), r.Data.size());
    EXPECT_TRUE(std::equal(r.Data.begin() + 512, r.Data.begin() + std::ptrdiff_t(present),
                           side.begin() + 512))
        << c.What;
    EXPECT_TRUE(std::all_of(r.Data.begin() + std::ptrdiff_t(present), r.Data.end(),
                            [](std::uint8_t b) { return b == 0; }))
        << c.What;
    EXPECT_EQ(r.Data[2 * 256], 0x11) << c.What;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DFSSquashTest,
    ::testing::Values(
        // A file behind a gap survives: the cut is after the highest used sector.
        TSquashCase{
            "gap before the last file", 800, 204800, {'$', "HIGH", 256, 100}, 101 * 256, 101},
        // A 400-sector catalogue in an 80-track image: the unclaimed half goes.
        TSquashCase{"catalogue shorter than image", 400, 204800, {'$', "F", 256, 79}, 80 * 256, 80},
        // Last file at sector count - 1: nothing to cut, no byte written.
        TSquashCase{"last sector used", 400, 102400, {'$', "F", 512, 398}, 102400, 400},
        // Last file reaches sector SectorCount, which lies off the disc: the side keeps its
        // own sectors and never claims one more.
        TSquashCase{
            "last used = count, longer image", 400, 204800, {'$', "F", 512, 399}, 102400, 400},
        TSquashCase{
            "last used = count, exact image", 400, 102400, {'$', "F", 512, 399}, 102400, 400},
        // Cut short in the wild: the image stops inside the last file. The side is padded
        // with zeros up to its last used sector, so its catalogue never states sectors that
        // the object does not hold.
        TSquashCase{"image cut inside the last file",
                    800,
                    200 * 256 + 17,
                    {'$', "F", 20000, 250},
                    329 * 256,
                    329}));

TEST(DFSSquash, RefusedSideChangesNothing) {
    TBytes data = TDFSBuilder(801, 4096).Bytes();
    const TBytes before = data;
    std::uint32_t size = 1234;
    TAcornDFSDiscObject disc;
    disc.SquashDisc(data, size);
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(data, before);
}

TEST(DFSSquash, SizeBoundsTheBlock) {
    // Only the first Size bytes are the object; the squash must not see the rest. The file
    // reaches sector 0x1F, past the object: the side is padded with zeros, not with the bytes
    // that lie behind the object.
    TBytes data = TDFSBuilder(800, 204800).AddWithData({'$', "F", 0x1000, 0x10}, 0x77).Bytes();
    std::uint32_t size = 0x12 * 256;
    TAcornDFSDiscObject disc;
    disc.SquashDisc(data, size);
    EXPECT_EQ(size, 0x20u * 256);
    ASSERT_EQ(data.size(), size);
    EXPECT_EQ(data[0x11 * 256], 0x77);
    EXPECT_TRUE(std::all_of(data.begin() + 0x12 * 256, data.end(), [](auto b) { return b == 0; }));
}

TEST(DFSExpand, CatalogueOnlyBecomesAFullSide) {
    const TBytes small = TDFSBuilder(2, 512, 0).Title("blank").Bytes();
    TBytes data = small;
    std::uint32_t size = 512;
    TAcornDFSDiscObject disc;
    EXPECT_TRUE(disc.ExpandDisc(data, size));
    EXPECT_EQ(size, 204800u);
    ASSERT_EQ(data.size(), 204800u);
    EXPECT_EQ(data[kOptions] & 3, 3);
    EXPECT_EQ(data[kCount], 0x20);
    EXPECT_TRUE(std::all_of(data.begin() + 512, data.end(), [](auto b) { return b == 0; }));
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 256, small.begin()));
}

TEST(DFSExpand, FortyTrackSideClaimsEightyTracks) {
    TBytes data = TDFSBuilder(400, 102400, 0xE5).Bytes();
    std::uint32_t size = 102400;
    TAcornDFSDiscObject disc;
    EXPECT_TRUE(disc.ExpandDisc(data, size));
    EXPECT_EQ(size, 204800u);
    EXPECT_EQ(CatalogueCount(data), 800);
    EXPECT_EQ(data[102399], 0xE5);
    EXPECT_EQ(data[102400], 0x00);
}

TEST(DFSExpand, LongerImageIsCutAndNotPadded) {
    // A valid first side and nothing readable behind it: one side of 204800 bytes.
    TBytes data = Concat({TDFSBuilder(400, 204800, 0x33).Bytes(), TBytes(204800, 0xE5)});
    const TBytes first(data.begin(), data.begin() + 204800);
    std::uint32_t size = 409600;
    TAcornDFSDiscObject disc;
    EXPECT_FALSE(disc.ExpandDisc(data, size));
    EXPECT_EQ(size, 204800u);
    EXPECT_EQ(data, first) << "a full-length side keeps its catalogue";
}

TEST(DFSExpand, RefusedSideChangesNothing) {
    TBytes data = TDFSBuilder(0, 4096).Bytes();
    const TBytes before = data;
    std::uint32_t size = 4096;
    TAcornDFSDiscObject disc;
    EXPECT_FALSE(disc.ExpandDisc(data, size));
    EXPECT_EQ(size, 4096u);
    EXPECT_EQ(data, before);
}

// Two sides with files, as a double-sided disc laid side after side.
TBytes TwoSidedDisc() {
    return Concat(
        {TDFSBuilder(800, 204800).Title("FRONT").AddWithData({'$', "A", 600, 10}, 0xA1).Bytes(),
         TDFSBuilder(800, 204800).Title("BACK").AddWithData({'$', "B", 300, 40}, 0xB2).Bytes()});
}

TEST(DFSMultiSide, SquashKeepsEverySide) {
    TBytes out;
    ASSERT_TRUE(SquashDiscImage(TwoSidedDisc(), out));
    ASSERT_EQ(out.size(), 13u * 256 + 42u * 256);
    EXPECT_EQ(CatalogueCount(out), 13);
    EXPECT_EQ(CatalogueCount(out, 13 * 256), 42);
    EXPECT_EQ(out[10 * 256], 0xA1);
    EXPECT_EQ(out[13 * 256 + 40 * 256 + 299], 0xB2);
    EXPECT_EQ(WalkedTitles(out), (std::vector<std::string>{"FRONT", "BACK"}));
}

TEST(DFSMultiSide, SquashThenExpandGivesBothSidesBack) {
    TBytes squashed, expanded;
    ASSERT_TRUE(SquashDiscImage(TwoSidedDisc(), squashed));
    bool padded = false;
    ASSERT_TRUE(ExpandDiscImage(squashed, expanded, &padded));
    EXPECT_TRUE(padded);
    ASSERT_EQ(expanded.size(), 409600u);
    EXPECT_EQ(CatalogueCount(expanded), 800);
    EXPECT_EQ(CatalogueCount(expanded, 204800), 800);
    EXPECT_EQ(expanded[10 * 256 + 599], 0xA1);
    EXPECT_EQ(expanded[204800 + 40 * 256], 0xB2);
    EXPECT_EQ(WalkedTitles(expanded), (std::vector<std::string>{"FRONT", "BACK"}));
}

TEST(DFSMultiSide, BlankSecondSideSurvivesSquashAndExpand) {
    // The blank side squashes to its 512 catalogue bytes; the walk still finds it.
    const TBytes disc =
        Concat({TDFSBuilder(800, 204800).Title("DATA").Add({'$', "F", 1, 5}).Bytes(),
                TDFSBuilder(800, 204800).Title("EMPTY").Bytes()});
    TBytes squashed, expanded;
    ASSERT_TRUE(SquashDiscImage(disc, squashed));
    EXPECT_EQ(squashed.size(), 6u * 256 + 512u);
    EXPECT_EQ(WalkedTitles(squashed), (std::vector<std::string>{"DATA", "EMPTY"}));
    ASSERT_TRUE(ExpandDiscImage(squashed, expanded));
    EXPECT_EQ(expanded.size(), 409600u);
    EXPECT_EQ(WalkedTitles(expanded), (std::vector<std::string>{"DATA", "EMPTY"}));
}

TEST(DFSMultiSide, ExpandPadsEverySideAndReportsIt) {
    // Three squashed sides back to back; the member reports the padding.
    TBytes data = Concat({TDFSBuilder(100, 25600).Title("S0").Bytes(),
                          TDFSBuilder(20, 5120).Title("S1").Bytes(),
                          TDFSBuilder(30, 7680).Title("S2").Bytes()});
    std::uint32_t size = std::uint32_t(data.size());
    TAcornDFSDiscObject disc;
    EXPECT_TRUE(disc.ExpandDisc(data, size));
    EXPECT_EQ(size, 3u * 204800);
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(CatalogueCount(data, k * 204800), 800) << "side " << k;
    EXPECT_EQ(WalkedTitles(data), (std::vector<std::string>{"S0", "S1", "S2"}));
}

TEST(DFSMultiSide, FullSidesExpandToThemselves) {
    const TBytes disc = TwoSidedDisc();
    TBytes data = disc;
    std::uint32_t size = std::uint32_t(data.size());
    TAcornDFSDiscObject object;
    EXPECT_FALSE(object.ExpandDisc(data, size));
    EXPECT_EQ(data, disc);
}

TEST(DFSMultiSide, BytesBehindTheLastSideAreDropped) {
    const TBytes side = TDFSBuilder(100, 25600).Title("ONLY").Add({'$', "F", 256, 50}).Bytes();
    const TBytes data = Concat({side, TBytes(3000, 0xE5)});
    TBytes squashed, expanded;
    ASSERT_TRUE(SquashDiscImage(data, squashed));
    EXPECT_EQ(squashed.size(), 51u * 256);
    ASSERT_TRUE(ExpandDiscImage(data, expanded));
    EXPECT_EQ(expanded.size(), 204800u);
}

TEST(DFSMultiSide, RefusedFirstSideLeavesOutputAlone) {
    TBytes out = {1, 2, 3};
    EXPECT_FALSE(SquashDiscImage(TBytes(2048, 0xE5), out));
    EXPECT_FALSE(ExpandDiscImage(TBytes{}, out));
    EXPECT_EQ(out, (TBytes{1, 2, 3}));
}

} // namespace

namespace {

TEST(DFSExpand, ShortSideKeepsItsCatalogueWhenMadeFull) {
    // A three-sector side followed by bytes that would, as its sector 3, hold a second
    // catalogue with files far past the disc end. The expanded side must read as before.
    TBytes data = TDFSBuilder(3, 768).Title("THREE").Watford().Bytes();
    TBytes sector3(256, 0);
    sector3[5] = 8;        // one entry in the second catalogue
    sector3[8 + 6] = 0x03; // start sector high bits
    sector3[8 + 7] = 0xFF; // start sector 1023
    data = Concat({data, sector3});
    TBytes expanded;
    ASSERT_TRUE(ExpandDiscImage(data, expanded));
    EXPECT_EQ(WalkedTitles(expanded), (std::vector<std::string>{"THREE"}));
    EXPECT_TRUE(std::all_of(expanded.begin() + 768, expanded.begin() + 1024,
                            [](std::uint8_t b) { return b == 0; }));
}

} // namespace

namespace {

// The conversions done in the bytes themselves give what the copying ones give, byte for
// byte, and SquashedDiscLength foretells the squash: one side or several, cut short (padded),
// longer than its side, with bytes behind the last side, with a three-sector side's catalogue
// bytes behind it, or refused.
TEST(DFSInPlace, SquashAndExpandInPlaceMatchTheCopies) {
    TBytes three = TDFSBuilder(3, 768).Title("THREE").Watford().Bytes();
    three = Concat({three, TBytes(256, 0x5A)});
    const struct {
        const char* What;
        TBytes Disc;
    } cases[] = {
        {"one side cut short of its count",
         TDFSBuilder(800, 133120).Title("ONE").AddWithData({'$', "F", 3000, 400}, 0x11).Bytes()},
        {"one side ending before its last used sector",
         TDFSBuilder(800, 40960).Title("CUT").AddWithData({'$', "F", 3000, 300}, 0x22).Bytes()},
        {"one full side", TDFSBuilder(800, 204800).Title("FULL").Add({'$', "F", 10, 5}).Bytes()},
        {"one side longer than a full side",
         Concat({TDFSBuilder(800, 204800).Title("LONG").Bytes(), TBytes(700, 0xE5)})},
        {"two sides", TwoSidedDisc()},
        {"two sides, the second cut short",
         Concat(
             {TDFSBuilder(80, 20480).Title("A").AddWithData({'$', "A", 900, 20}, 0x33).Bytes(),
              TDFSBuilder(80, 10240).Title("B").AddWithData({'$', "B", 900, 70}, 0x44).Bytes()})},
        {"bytes behind the last side",
         Concat({TDFSBuilder(100, 25600).Title("ONLY").Add({'$', "F", 256, 50}).Bytes(),
                 TBytes(3000, 0xE5)})},
        {"a three-sector side", three},
        {"refused", TBytes(2048, 0xE5)},
    };
    for (const auto& c : cases) {
        TBytes copied;
        bool copyPadded = false;
        const bool copyOk = SquashDiscImage(c.Disc, copied, &copyPadded);
        TBytes inPlace = c.Disc;
        bool inPlacePadded = false;
        EXPECT_EQ(SquashDiscImageInPlace(inPlace, &inPlacePadded), copyOk) << c.What;
        EXPECT_EQ(inPlace, copyOk ? copied : c.Disc) << c.What;
        EXPECT_EQ(inPlacePadded, copyPadded) << c.What;
        bool lengthPadded = false;
        EXPECT_EQ(SquashedDiscLength(c.Disc, &lengthPadded), copyOk ? copied.size() : 0u) << c.What;
        EXPECT_EQ(lengthPadded, copyPadded) << c.What;

        copied.clear();
        copyPadded = inPlacePadded = false;
        const bool expandOk = ExpandDiscImage(c.Disc, copied, &copyPadded);
        inPlace = c.Disc;
        EXPECT_EQ(ExpandDiscImageInPlace(inPlace, &inPlacePadded), expandOk) << c.What;
        EXPECT_EQ(inPlace, expandOk ? copied : c.Disc) << c.What;
        EXPECT_EQ(inPlacePadded, copyPadded) << c.What;
    }
}

} // namespace
