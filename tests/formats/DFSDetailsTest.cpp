// The details texts: hex view rows, a DFS side's catalogue, the tab labels.
#include "formats/DFSDetails.h"
#include "formats/DFSBuilder.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace dfstest;

namespace {

using TLines = std::vector<std::string>;

TBytes Letters(std::size_t count) {
    TBytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = std::uint8_t('A' + i % 26);
    return bytes;
}

struct THexCountCase {
    std::uint32_t ObjectSize;
    std::size_t BytesTotal;
    unsigned BytesPerRow;
    std::size_t Rows;
    bool Eof;
};

class HexViewCountTest : public ::testing::TestWithParam<THexCountCase> {};

TEST_P(HexViewCountTest, RowsAndEnd) {
    const THexCountCase& c = GetParam();
    const std::size_t count = std::min<std::size_t>(c.ObjectSize, c.BytesTotal);
    const TBytes data = Letters(count);
    const TLines lines = HexViewLines(data.data(), count, c.ObjectSize, c.BytesPerRow);
    ASSERT_EQ(lines.size(), c.Rows + (c.Eof ? 1 : 0));
    EXPECT_EQ(lines.back() == "-EOF-", c.Eof);
}

INSTANTIATE_TEST_SUITE_P(Cases, HexViewCountTest,
                         ::testing::Values(THexCountCase{512, 1024, 16, 32, true},
                                           THexCountCase{512, 256, 16, 16, false},
                                           THexCountCase{512, 256, 12, 22, false},
                                           THexCountCase{256, 256, 8, 32, true},
                                           THexCountCase{5, 256, 4, 2, true},
                                           THexCountCase{0, 256, 8, 0, true},
                                           THexCountCase{300, 2048, 0, 38, true},
                                           THexCountCase{1000, 1000, 1000, 4, true}));

TEST(HexView, EightBytesARow) {
    const TBytes data = Letters(24);
    const TLines lines = HexViewLines(data.data(), 24, 24, 8);
    EXPECT_EQ(lines, (TLines{"0000  41 42 43 44 45 46 47 48  ABCDEFGH",
                             "0008  49 4A 4B 4C 4D 4E 4F 50  IJKLMNOP",
                             "0010  51 52 53 54 55 56 57 58  QRSTUVWX", "-EOF-"}));
}

TEST(HexView, GapAfterTheEighthColumnOnly) {
    const TBytes data = Letters(16);
    EXPECT_EQ(
        HexViewLines(data.data(), 16, 100, 16),
        (TLines{"0000  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50  ABCDEFGH IJKLMNOP"}));
}

TEST(HexView, LastRowIsPadded) {
    const TBytes data = Letters(256);
    const TLines lines = HexViewLines(data.data(), 256, 4096, 12);
    ASSERT_EQ(lines.size(), 22u);
    // Offset 252: four bytes, eight padding columns, the gap after column 8.
    EXPECT_EQ(lines.back(),
              "00FC  53 54 55 56 " + std::string(25, ' ') + " STUV" + std::string(9, ' '));
    EXPECT_EQ(lines.back().size(), lines.front().size());
}

TEST(HexView, ControlAndHighBytes) {
    const TBytes data = {0x00, 0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xA9, 0xFF};
    const TLines lines = HexViewLines(data.data(), data.size(), 8, 8);
    EXPECT_EQ(lines[0], "0000  00 1F 20 7E 7F 80 A9 FF  .. ~.\x80\xA9\xFF");
}

TEST(HexView, ZeroWidthIsTheDefaultWidth) {
    const TBytes data = Letters(20);
    EXPECT_EQ(HexViewLines(data.data(), 20, 20, 0), HexViewLines(data.data(), 20, 20, 8));
}

TEST(HexView, FailedReadShowsNoRows) {
    EXPECT_TRUE(HexViewLines(nullptr, 0, 512, 8).empty());
}

TDFSDiscSide SideWithFiles() {
    TDFSDiscSide side;
    side.Title = "GAMES";
    side.Cycle = 0x0A;
    side.BootOption = 2;
    side.SectorCount = 800;
    side.SectorsUsed = 0x1F;
    side.LastUsedSector = 0x40;
    side.Entries = {{"!BOOT  ", '$', true, 0x123, 0xFF1900, 0xFF8023, 2},
                    {"LONGER7", 'W', false, 0x3FFFF, 0x0E00, 0x801F, 0x3FF},
                    {"X", 'b', false, 0, 0, 0, 0x40}};
    return side;
}

TEST(DFSSideText, CatalogueLines) {
    EXPECT_EQ(DFSSideLines(SideWithFiles()),
              (TLines{"Discname: GAMES (cycle=0A, boot=run)", "Sectors: 01F/320",
                      "Catalogue entries: 3/31", "", "--file----L--load-----lth---exec--sect-",
                      "$.!BOOT   L FF1900 + 00123 FF8023 0002",
                      "W.LONGER7" + std::string(3, ' ') + "000E00 + 3FFFF 00801F 03FF",
                      "b.X" + std::string(9, ' ') + "000000 + 00000 000000 0040"}));
}

// Control characters in a title, a directory or a file name show as "." so that every
// catalogue line (and the tab label) stays one line.
TEST(DFSSideText, ControlCharactersShowAsDots) {
    TDFSDiscSide side = SideWithFiles();
    side.Title = "GA\nMES";
    side.Entries = {{std::string("A\nB\x7F\rC"), '\x01', false, 1, 0, 0, 2}};
    const TLines lines = DFSSideLines(side);
    EXPECT_EQ(lines[0], "Discname: GA.MES (cycle=0A, boot=run)");
    EXPECT_EQ(lines[5], "..A.B..C    000000 + 00001 000000 0002");
    EXPECT_EQ(DFSSideTabLabel(0, side), ":0.GA.MES");
    for (const std::string& line : lines)
        EXPECT_EQ(line.find_first_of("\r\n\x01\x7F"), std::string::npos) << line;
}

TEST(DFSSideText, EmptySide) {
    TDFSDiscSide side;
    side.SectorCount = 400;
    side.SectorsUsed = 2;
    side.Has62Files = true;
    side.BootOption = 3;
    side.Cycle = 0x99;
    EXPECT_EQ(DFSSideLines(side),
              (TLines{"Discname:  (cycle=99, boot=exec)", "Sectors: 002/190",
                      "Catalogue entries: 0/62", "", "This disc contains no files."}));
}

TEST(DFSSideText, BootNames) {
    const char* names[] = {"none", "load", "run", "exec"};
    for (std::uint8_t option = 0; option < 4; ++option) {
        TDFSDiscSide side;
        side.BootOption = option;
        EXPECT_EQ(DFSSideLines(side)[0],
                  std::string("Discname:  (cycle=00, boot=") + names[option] + ")");
    }
}

TEST(DFSSideText, ReadFromAnImage) {
    TAcornDFSDiscObject disc;
    ASSERT_TRUE(disc.AddDiscSide(TDFSBuilder(400, 1024)
                                     .Title("HELLO")
                                     .Cycle(0x12)
                                     .Add({'$', "B", 0x200, 7, 0x1900, 0x1900, false})
                                     .Add({'$', "A", 0x10, 6, 0x31900, 0x38023, true})
                                     .Bytes()));
    EXPECT_EQ(DFSSideLines(disc.aDiscSides[0]),
              (TLines{"Discname: HELLO (cycle=12, boot=none)", "Sectors: 005/190",
                      "Catalogue entries: 2/31", "", "--file----L--load-----lth---exec--sect-",
                      "$.A" + std::string(7, ' ') + "L FF1900 + 00010 FF8023 0006",
                      "$.B" + std::string(9, ' ') + "001900 + 00200 001900 0007"}));
}

struct TTabCase {
    int Index;
    const char* Title;
    const char* Label;
};

class DFSTabLabelTest : public ::testing::TestWithParam<TTabCase> {};

TEST_P(DFSTabLabelTest, Label) {
    TDFSDiscSide side;
    side.Title = GetParam().Title;
    EXPECT_EQ(DFSSideTabLabel(GetParam().Index, side), GetParam().Label);
}

INSTANTIATE_TEST_SUITE_P(Cases, DFSTabLabelTest,
                         ::testing::Values(TTabCase{0, "TITLE", ":0.TITLE"}, TTabCase{1, "", ":2."},
                                           TTabCase{2, "", ":1."}, TTabCase{3, "", ":3."},
                                           TTabCase{4, "", ":4?."}, TTabCase{5, "X", ":?.X"},
                                           TTabCase{-1, "", ":?."}));

TEST(DFSTabs, SidesThenHexview) {
    const TBytes data = Concat({TDFSBuilder(800, 204800).Title("FIRST").Bytes(),
                                TDFSBuilder(800, 204800).Title("SECOND").Bytes()});
    TAcornDFSDiscObject disc;
    WalkDFSSides(disc, data.data(), data.size());
    EXPECT_EQ(DFSDiscTabLabels(disc), (TLines{":0.FIRST", ":2.SECOND", "[Hexview]"}));
    TAcornDFSDiscObject refused;
    EXPECT_EQ(DFSDiscTabLabels(refused), (TLines{"[Hexview]"}));
}

TEST(DFSTabs, ChosenTabStaysInRange) {
    EXPECT_EQ(ChooseDetailsTab(0, 3), 1u);
    EXPECT_EQ(ChooseDetailsTab(2, 3), 2u);
    EXPECT_EQ(ChooseDetailsTab(3, 3), 3u);
    EXPECT_EQ(ChooseDetailsTab(3, 2), 2u) << "moving to a single-sided disc shows its hex view";
    EXPECT_EQ(ChooseDetailsTab(7, 1), 1u);
}

} // namespace
