// The one form of an object's name: every byte shows as something visible, in UTF-8, and the
// shown text reads back to the same bytes.
#include "explorer/NameText.h"

#include <gtest/gtest.h>

using brelk::NameFromText;
using brelk::NameText;

TEST(NameTextTest, ShownAsCodePage1252WithEscapes) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"GAMES.ELITE", "GAMES.ELITE"},
        {"CAF\xC9\x80.X", "CAF\xC3\x89\xE2\x82\xAC.X"}, // É and € in UTF-8
        {"BELL\x07", "BELL\\x07"},
        {"ESC\x1B[2J", "ESC\\x1B[2J"},
        {"BACK\\SLASH", "BACK\\\\SLASH"},
        {"GAP\x81", "GAP\\x81"},
        {"NBSP\xA0", "NBSP\\xA0"},
    };
    for (const auto& [raw, shown] : cases) {
        EXPECT_EQ(NameText(raw), shown) << raw;
        std::string back;
        ASSERT_TRUE(NameFromText(shown, back)) << shown;
        EXPECT_EQ(back, raw) << shown;
    }
}

TEST(NameTextTest, EveryByteReadsBack) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string raw = "A" + std::string(1, char(byte)) + "Z";
        std::string back;
        ASSERT_TRUE(NameFromText(NameText(raw), back)) << byte;
        EXPECT_EQ(back, raw) << byte;
    }
}

TEST(NameTextTest, TypedTextReadsAsTheUserMeansIt) {
    struct Case {
        const char* Text;
        bool Ok;
        std::string Raw;
    };
    const Case cases[] = {
        {"plain", true, "plain"},
        {"lower\\x0a", true, "lower\x0a"},  // hex digits in either case
        {"lone\\back", true, "lone\\back"}, // not an escape: stands for itself
        {"cut\\x4", true, "cut\\x4"},       // half an escape
        {"latin1\xE9", true, "latin1\xE9"}, // no UTF-8: taken byte for byte
        {"\xE6\x97\xA5", false, ""},        // UTF-8 the code page lacks
        {"\xE2\x80\x9A", true, "\x82"},     // ‚ (U+201A) is byte 0x82
    };
    for (const Case& c : cases) {
        std::string raw;
        EXPECT_EQ(NameFromText(c.Text, raw), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(raw, c.Raw) << c.Text;
        }
    }
}
