// The characters of the details texts: names made printable, bytes shown as code page 1252.
#include "formats/GlobalStuff.h"

#include <gtest/gtest.h>

using namespace brelk;

TEST(PrintableName, ControlCharactersBecomeDots) {
    EXPECT_EQ(PrintableName(std::string("A\nB\x7F\x1F C\xE9", 8)), "A.B.. C\xE9");
    EXPECT_EQ(PrintableName(""), "");
    EXPECT_EQ(PrintableName(std::string("\0!", 2)), ".!");
}

TEST(CodePage1252, TableOfBytes) {
    const std::pair<std::uint8_t, char32_t> cases[] = {
        {0x41, U'A'}, {0x7F, 0x7F},   {0x80, 0x20AC}, {0x81, U'.'},   {0x82, 0x201A},
        {0x8D, U'.'}, {0x8F, U'.'},   {0x90, U'.'},   {0x91, 0x2018}, {0x99, 0x2122},
        {0x9D, U'.'}, {0x9F, 0x0178}, {0xA0, 0xA0},   {0xE9, 0xE9},   {0xFF, 0xFF},
    };
    for (const auto& [byte, shown] : cases)
        EXPECT_EQ(CodePage1252Char(byte), shown) << int(byte);
}

// No byte of 0x80 to 0x9F is left as a C1 control character (an empty box in a font).
TEST(CodePage1252, EveryHighByteIsVisible) {
    for (int byte = 0x80; byte < 0xA0; ++byte) {
        const char32_t shown = CodePage1252Char(std::uint8_t(byte));
        EXPECT_TRUE(shown == U'.' || shown > 0xFF) << byte;
    }
}

TEST(CodePage1252, Utf8) {
    EXPECT_EQ(CodePage1252ToUtf8("A\x80\xE9\x81"), "A\xE2\x82\xAC\xC3\xA9.");
    EXPECT_EQ(CodePage1252ToUtf8(""), "");
}
