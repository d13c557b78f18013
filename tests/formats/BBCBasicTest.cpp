// BBC BASIC programs listed as LIST shows them, and files that are no program.
#include "formats/BBCBasic.h"
#include "formats/FileView.h"
#include "formats/TapeFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace brelk;

namespace {

using TBytes = std::vector<std::uint8_t>;

void AddLine(TBytes& program, unsigned number, const TBytes& text) {
    program.push_back(0x0D);
    program.push_back(std::uint8_t(number >> 8));
    program.push_back(std::uint8_t(number));
    program.push_back(std::uint8_t(text.size() + 4));
    program.insert(program.end(), text.begin(), text.end());
}

// The stored form of a line number after GOTO and the like.
TBytes LineReference(unsigned number) {
    const unsigned low = number & 0xFF, high = number >> 8;
    return {0x8D, std::uint8_t((((low & 0xC0) >> 2) | ((high & 0xC0) >> 4)) ^ 0x54),
            std::uint8_t((low & 0x3F) | 0x40), std::uint8_t((high & 0x3F) | 0x40)};
}

TBytes Text(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

TBytes Join(std::initializer_list<TBytes> parts) {
    TBytes all;
    for (const TBytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TBytes Program() {
    TBytes program;
    AddLine(program, 10,
            Join({{0xF1},
                  Text(" \"AND "),
                  {0x80},
                  Text("\":"),
                  {0xE3},
                  Text(" I=1 "),
                  {0xB8},
                  Text(" 3")}));
    AddLine(program, 20,
            Join({{0xE5}, LineReference(10), Text(":"), {0xE5}, LineReference(32767)}));
    AddLine(program, 300, Join({{0xF4}, Text(" keep "), {0xF1, 0x8D}}));
    AddLine(program, 4000, Join({{0xDC}, Text(" 1,"), {0xE3}}));
    AddLine(program, 32767, Join({{0xE0}}));
    program.push_back(0x0D);
    program.push_back(0xFF);
    return program;
}

} // namespace

TEST(BBCBasic, ListsLinesAsListShowsThem) {
    std::vector<std::string> lines;
    std::string why;
    TBytes program = Program();
    program.push_back(0x55); // bytes after the end mark are left alone
    ASSERT_TRUE(DetokeniseBasic(program, lines, why)) << why;
    const std::vector<std::string> expected = {
        "   10PRINT \"AND \x80\":FOR I=1 TO 3",
        "   20GOTO10:GOTO32767",
        "  300REM keep \xF1\x8D",
        " 4000DATA 1,\xE3",
        "32767END",
    };
    EXPECT_EQ(lines, expected);
}

TEST(BBCBasic, KeywordTable) {
    EXPECT_STREQ(BasicKeyword(0x80), "AND");
    EXPECT_STREQ(BasicKeyword(0xA4), "FN");
    EXPECT_STREQ(BasicKeyword(0xC4), "STRING$(");
    EXPECT_STREQ(BasicKeyword(0xCF), "PTR");
    EXPECT_STREQ(BasicKeyword(0xDD), "DEF");
    EXPECT_STREQ(BasicKeyword(0xF2), "PROC");
    EXPECT_STREQ(BasicKeyword(0xFF), "OSCLI");
}

TEST(BBCBasic, RefusesBrokenProgramsNamingTheLine) {
    const TBytes good = Program();
    TBytes noEnd(good.begin(), good.end() - 2);
    TBytes badLength = good;
    badLength[3] = 3;
    TBytes pastEnd;
    AddLine(pastEnd, 10, Text("PRINT"));
    pastEnd[3] = 60;
    TBytes cutReference;
    AddLine(cutReference, 70, {0xE5, 0x8D, 0x54});
    cutReference.insert(cutReference.end(), {0x0D, 0xFF});
    TBytes badNumber;
    AddLine(badNumber, 0x8000, Text("X"));
    badNumber.insert(badNumber.end(), {0x0D, 0xFF});
    TBytes secondBroken = good;
    secondBroken[good[3]] = 'X'; // the line after line 10 does not start with 0D
    const struct {
        const char* What;
        TBytes Bytes;
        const char* Reason;
    } cases[] = {
        {"empty", {}, "no line start (0D) after the start"},
        {"text", Text("HELLO\r"), "no line start (0D) after the start"},
        {"no end", noEnd, "no line start (0D) after line 32767"},
        {"short length", badLength, "line 10 has a bad number or length"},
        {"past end", pastEnd, "line 10 has a bad number or length"},
        {"cut reference", cutReference, "line 70 ends inside a line-number reference"},
        {"bad number", badNumber, "line 32768 has a bad number or length"},
        {"second line", secondBroken, "no line start (0D) after line 10"},
        {"cut header", {0x0D, 0x00}, "is cut short"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines;
        std::string why;
        EXPECT_FALSE(DetokeniseBasic(c.Bytes, lines, why)) << c.What;
        EXPECT_NE(why.find(c.Reason), std::string::npos) << c.What << ": " << why;
    }
}

TEST(FileView, AutoPicksBasicThenTextThenHex) {
    std::vector<std::string> lines;
    std::string why;
    ASSERT_TRUE(FileViewLines(Program(), TFileViewAs::Auto, lines, why));
    EXPECT_EQ(lines[1], "   20GOTO10:GOTO32767");
    ASSERT_TRUE(FileViewLines(Text("ONE\rTWO\r\nTHREE"), TFileViewAs::Auto, lines, why));
    EXPECT_EQ(lines, (std::vector<std::string>{"ONE", "TWO", "THREE"}));
    ASSERT_TRUE(FileViewLines(TBytes{0x0D, 0xFF}, TFileViewAs::Auto, lines, why));
    EXPECT_EQ(lines.front().substr(0, 12), "0000  0D FF ") << "an empty program is no listing";
    ASSERT_TRUE(FileViewLines(TBytes(20, 0x01), TFileViewAs::Auto, lines, why));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 10), "0010  01 0");
    EXPECT_EQ(lines[2], "-EOF-");
    EXPECT_FALSE(FileViewLines(Text("HELLO"), TFileViewAs::Basic, lines, why));
    EXPECT_NE(why.find("not a BASIC program"), std::string::npos);
    ASSERT_TRUE(FileViewLines(Program(), TFileViewAs::Hex, lines, why));
    EXPECT_EQ(lines.front().substr(0, 18), "0000  0D 00 0A 17 ");
    TFileViewAs as;
    EXPECT_TRUE(ParseFileViewAs("text", as));
    EXPECT_EQ(as, TFileViewAs::Text);
    EXPECT_FALSE(ParseFileViewAs("TEXT", as));
}

// Each of CR, LF, CR LF and LF CR ends one line; two ends in a row make an empty line.
TEST(FileView, EachLineEndEndsOneLine) {
    using TLines = std::vector<std::string>;
    const struct {
        const char* What;
        const char* Bytes;
        TLines Lines;
    } cases[] = {
        {"CR", "ONE\rTWO\r", {"ONE", "TWO"}},
        {"LF", "ONE\nTWO\n", {"ONE", "TWO"}},
        {"CR LF", "ONE\r\nTWO\r\n", {"ONE", "TWO"}},
        {"LF CR", "ONE\n\rTWO\n\r", {"ONE", "TWO"}},
        {"LF CR, empty line", "ONE\n\r\n\rTWO", {"ONE", "", "TWO"}},
        {"CR CR", "ONE\r\rTWO", {"ONE", "", "TWO"}},
        {"LF LF", "ONE\n\nTWO", {"ONE", "", "TWO"}},
        {"mixed", "A\rB\nC\r\nD\n\rE\r\n\rF", {"A", "B", "C", "D", "E", "", "F"}},
    };
    for (const auto& c : cases)
        for (const TFileViewAs as : {TFileViewAs::Text, TFileViewAs::Auto}) {
            std::vector<std::string> lines;
            std::string why;
            ASSERT_TRUE(FileViewLines(Text(c.Bytes), as, lines, why)) << c.What;
            EXPECT_EQ(lines, c.Lines) << c.What;
        }
}

TEST(BBCBasic, CorpusTapeProgramLists) {
    BRELK_REQUIRE_CORPUS();
    const auto path =
        brelktest::CorpusDir() / "uef" / "bem-tapetests_020__S5000_F4000__clocksp2.uef";
    const std::vector<TTapeFile> files = ReadTapeFiles(brelktest::ReadFileBytes(path));
    ASSERT_EQ(files.size(), 1u);
    std::vector<std::string> lines;
    std::string why;
    ASSERT_TRUE(DetokeniseBasic(files[0].Data, lines, why)) << why;
    EXPECT_GT(lines.size(), 20u);
    for (const std::string& line : lines)
        EXPECT_TRUE(line.size() >= 5 && line[4] >= '0' && line[4] <= '9') << line;
}
