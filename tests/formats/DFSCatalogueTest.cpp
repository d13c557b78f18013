// Reading one DFS side's catalogue: what is accepted, what is refused, and the fields.
#include "formats/AcornDFS.h"
#include "formats/DFSBuilder.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace dfstest;
using namespace std::string_literals;

namespace {

struct TAcceptCase {
    const char* What;
    TBytes Image;
    bool Accepted;
};

TBytes WithByte(TBytes image, std::size_t offset, std::uint8_t value) {
    image[offset] = value;
    return image;
}

TBytes OneFileEndingAt(std::uint16_t sectorCount, std::uint16_t lastSector) {
    // A 512-byte file takes two sectors: StartSector and StartSector + 1.
    return TDFSBuilder(sectorCount, 4096)
        .Add({'$', "LAST", 512, std::uint16_t(lastSector - 1)})
        .Bytes();
}

std::vector<TAcceptCase> AcceptCases() {
    const TBytes blank = TDFSBuilder(800, 1024).Bytes();
    return {
        {"blank side", blank, true},
        {"title byte 0x00", WithByte(blank, 0, 0x00), true},
        {"title byte 0x20", WithByte(blank, 0, 0x20), true},
        {"title byte 0x7F", WithByte(blank, 0, 0x7F), true},
        {"title byte 0x80", WithByte(blank, 0, 0x80), false},
        {"title byte 0x1F", WithByte(blank, 0, 0x1F), false},
        {"title byte 0x01", WithByte(blank, 0, 0x01), false},
        {"entry count 0x0C", WithByte(blank, 256 + 5, 0x0C), false},
        {"sector count 801", TDFSBuilder(801, 1024).Bytes(), false},
        {"sector count 1023", TDFSBuilder(1023, 1024).Bytes(), false},
        {"sector count 800", TDFSBuilder(800, 1024).Bytes(), true},
        {"sector count 2", TDFSBuilder(2, 1024).Bytes(), true},
        {"sector count 1", TDFSBuilder(1, 1024).Bytes(), false},
        {"sector count 0", TDFSBuilder(0, 1024).Bytes(), false},
        {"last file sector = count - 1", OneFileEndingAt(400, 399), true},
        {"last file sector = count", OneFileEndingAt(400, 400), true},
        {"last file sector = count + 1", OneFileEndingAt(400, 401), false},
        {"empty input", TBytes{}, false},
        {"catalogue only, 512 bytes", TDFSBuilder(800, 512).Title("blank").Bytes(), true},
        {"cut before the options byte", TDFSBuilder(800, 262).Bytes(), false},
        {"cut before the count byte (reads 768)", TDFSBuilder(800, 263).Bytes(), true},
    };
}

class DFSAcceptTest : public ::testing::TestWithParam<TAcceptCase> {};

TEST_P(DFSAcceptTest, AcceptsOrRefuses) {
    const TAcceptCase& c = GetParam();
    TAcornDFSDiscObject disc;
    EXPECT_EQ(disc.AddDiscSide(c.Image), c.Accepted) << c.What;
    EXPECT_EQ(disc.aDiscSides.size(), c.Accepted ? 1u : 0u) << c.What;
}

INSTANTIATE_TEST_SUITE_P(Cases, DFSAcceptTest, ::testing::ValuesIn(AcceptCases()));

TEST(DFSCatalogue, RefusalKeepsEarlierSides) {
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(TDFSBuilder(800, 1024).Title("ONE").Bytes()));
    EXPECT_FALSE(disc.AddDiscSide(TDFSBuilder(801, 1024).Title("TWO").Bytes()));
    ASSERT_EQ(disc.aDiscSides.size(), 1u);
    EXPECT_EQ(disc.aDiscSides[0].Title, "ONE");
}

TEST(DFSCatalogue, BlankFormattedSide) {
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(TDFSBuilder(800, 204800).Bytes()));
    const TDFSDiscSide& side = disc.aDiscSides[0];
    EXPECT_EQ(side.Title, "");
    EXPECT_TRUE(side.Entries.empty());
    EXPECT_EQ(side.SectorsUsed, 2);
    EXPECT_EQ(side.LastUsedSector, 1);
    EXPECT_EQ(side.SectorCount, 800);
    EXPECT_FALSE(side.Has62Files);
}

TEST(DFSCatalogue, SideFields) {
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(TDFSBuilder(0x2A5, 1024).Cycle(0x42).Boot(3).Bytes()));
    const TDFSDiscSide& side = disc.aDiscSides[0];
    EXPECT_EQ(side.Cycle, 0x42);
    EXPECT_EQ(side.BootOption, 3);
    EXPECT_EQ(side.SectorCount, 0x2A5);
}

TEST(DFSCatalogue, OtherBitsOfTheOptionsByteDoNotMatter) {
    TBytes image = TDFSBuilder(0x123, 1024).Boot(2).Bytes();
    image[256 + 6] |= 0xCC;
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(image));
    EXPECT_EQ(disc.aDiscSides[0].BootOption, 2);
    EXPECT_EQ(disc.aDiscSides[0].SectorCount, 0x123);
}

struct TTitleCase {
    TBytes First8;
    TBytes Last4;
    std::string Title;
};

class DFSTitleTest : public ::testing::TestWithParam<TTitleCase> {};

TEST_P(DFSTitleTest, Title) {
    TBytes image = TDFSBuilder(800, 1024).Bytes();
    std::copy(GetParam().First8.begin(), GetParam().First8.end(), image.begin());
    std::copy(GetParam().Last4.begin(), GetParam().Last4.end(), image.begin() + 256);
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(image));
    EXPECT_EQ(disc.aDiscSides[0].Title, GetParam().Title);
}

TBytes B(const std::string& s) {
    return TBytes(s.begin(), s.end());
}

INSTANTIATE_TEST_SUITE_P(Cases, DFSTitleTest,
                         ::testing::Values(TTitleCase{B("WELCOME-"), B("DISK"), "WELCOME-DISK"},
                                           TTitleCase{B("ABC\0XYZW"s), B("DEF\0"s), "ABCDEF"},
                                           TTitleCase{B("  PAD   "), B("    "), "PAD"},
                                           TTitleCase{B("A B     "), B("C   "), "A B     C"},
                                           TTitleCase{B(" \x01T\x02\x7F\x1F  "), B("\r\n\t "),
                                                      "T\x02\x7F"},
                                           TTitleCase{B("\0ABCDEFG"s), B("XY\0Z"s), "XY"},
                                           TTitleCase{B("12345678"), B("9ABC"), "123456789ABC"}));

TEST(DFSCatalogue, EntryFields) {
    TBytes image = TDFSBuilder(800, 1024)
                       .Add({'W', "GAME", 0x11234, 0x1AB, 0x11900, 0x3801F, true})
                       .Add({'$', std::string("AB\0CD", 5), 0, 5, 0x21234, 0x0ABCD, false})
                       .Add({'$', "BIG", 0x30000, 2})
                       .Bytes();
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(image));
    const auto& entries = disc.aDiscSides[0].Entries;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].Length, 0x30000u) << "both length high bits";
    const TAcornDFSCatEntry& ab = entries[0];
    EXPECT_EQ(ab.Name, "AB");
    EXPECT_EQ(ab.Directory, '$');
    EXPECT_FALSE(ab.Locked);
    EXPECT_EQ(ab.Length, 0u);
    EXPECT_EQ(ab.StartSector, 5);
    EXPECT_EQ(ab.LoadAddress, 0xFF1234u) << "high bits 10 give a host address";
    EXPECT_EQ(ab.ExecAddress, 0x00ABCDu);
    const TAcornDFSCatEntry& game = entries[2];
    EXPECT_EQ(game.Name, "GAME   ") << "trailing spaces stay part of the name";
    EXPECT_EQ(game.Directory, 'W');
    EXPECT_TRUE(game.Locked);
    EXPECT_EQ(game.Length, 0x11234u);
    EXPECT_EQ(game.StartSector, 0x1AB);
    EXPECT_EQ(game.LoadAddress, 0xFF1900u);
    EXPECT_EQ(game.ExecAddress, 0xFF801Fu);
}

TEST(DFSCatalogue, LoadHighBits01And11AreTheSame) {
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(TDFSBuilder(800, 1024)
                                     .Add({'$', "ONE", 1, 2, 0x11900})
                                     .Add({'$', "THREE", 1, 3, 0x31900})
                                     .Bytes()));
    const auto& entries = disc.aDiscSides[0].Entries;
    EXPECT_EQ(entries[0].LoadAddress, 0xFF1900u);
    EXPECT_EQ(entries[1].LoadAddress, 0xFF1900u);
}

TEST(DFSCatalogue, SectorsUsedAndLastUsedSector) {
    // Lengths 0, 1, 256, 257 take 1, 1, 1 and 2 sectors; the last file ends at sector 0x1F.
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(TDFSBuilder(800, 1024)
                                     .Add({'$', "EMPTY", 0, 0x1F})
                                     .Add({'$', "ONE", 1, 2})
                                     .Add({'$', "FULL", 256, 3})
                                     .Add({'$', "TWO", 257, 4})
                                     .Bytes()));
    const TDFSDiscSide& side = disc.aDiscSides[0];
    EXPECT_EQ(side.SectorsUsed, 2 + 1 + 1 + 1 + 2);
    EXPECT_EQ(side.LastUsedSector, 0x1F) << "a file of length 0 still takes its sector";
}

TEST(DFSCatalogue, SortedByDirectoryThenNameCaseBlind) {
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(TDFSBuilder(800, 1024)
                                     .Add({'$', "Zeta", 1, 2})
                                     .Add({'A', "Alpha", 1, 3})
                                     .Add({'$', "alpha", 1, 4})
                                     .Add({'$', "_UNDER", 1, 5})
                                     .Bytes()));
    std::vector<std::string> keys;
    for (const TAcornDFSCatEntry& e : disc.aDiscSides[0].Entries)
        keys.push_back(std::string(1, e.Directory) + "." + e.Name);
    // '_' (0x5F) sorts after the letters, compared as upper case.
    EXPECT_EQ(keys, (std::vector<std::string>{"$.alpha  ", "$.Zeta   ", "$._UNDER ", "A.Alpha  "}));
}

TEST(DFSCatalogue, WatfordSixtyTwoFiles) {
    TDFSBuilder builder(800, 204800);
    builder.Watford();
    for (int i = 0; i < 62; ++i)
        builder.Add({'$', "F" + std::to_string(100 + i), 256, std::uint16_t(4 + i)});
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(builder.Bytes()));
    const TDFSDiscSide& side = disc.aDiscSides[0];
    EXPECT_TRUE(side.Has62Files);
    EXPECT_EQ(side.Entries.size(), 62u);
    EXPECT_EQ(side.SectorsUsed, 4 + 62);
    EXPECT_EQ(side.LastUsedSector, 4 + 61);
    EXPECT_EQ(side.Entries.back().Name, "F161   ");
}

TEST(DFSCatalogue, WatfordEmptyStartsAtSectorThree) {
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(TDFSBuilder(800, 1024).Watford().Bytes()));
    EXPECT_EQ(disc.aDiscSides[0].SectorsUsed, 4);
    EXPECT_EQ(disc.aDiscSides[0].LastUsedSector, 3);
    TBytes notQuite = TDFSBuilder(800, 1024).Watford().Bytes();
    notQuite[7 + 512] = 0xAB;
    TAcornDFSDiscObject other;
    ASSERT_TRUE(other.AddDiscSide(notQuite));
    EXPECT_FALSE(other.aDiscSides[0].Has62Files);
}

TEST(DFSCatalogue, ReadsOnlyTheBytesGiven) {
    // A catalogue cut after sector 1 reads as if zero bytes followed: no 62-file marker even
    // when the bytes behind the given count hold one.
    TBytes image = TDFSBuilder(800, 1024).Watford().Title("CUT").Bytes();
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(image.data(), 512));
    EXPECT_FALSE(disc.aDiscSides[0].Has62Files);
    EXPECT_EQ(disc.aDiscSides[0].Title, "CUT");
}

} // namespace
