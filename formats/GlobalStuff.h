// Helpers shared by the formats, the details texts, the window and brelk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brelk {

// Whether Path ends in Extension (given with its full stop, in lower case), in any letter
// case of Path.
bool HasExtension(const std::string& path, const std::string& extension);

// "%8.8x" with upper-case letters: 8 hexadecimal digits with leading zeros.
std::string FormatHex8(std::uint32_t value);
// Upper-case hexadecimal with leading zeros to Digits (more when the value needs them).
std::string FormatHex(std::uint32_t value, int digits);

// Decimal with a thousands separator, right-aligned in 13 characters ("%13.0n").
// An empty separator gives plain digits.
std::string FormatDecimal13(std::uint64_t value, const std::string& thousandsSeparator);

// The same right-aligned in 6 characters ("%6.0n"), and without padding ("%.0n").
std::string FormatDecimal6(std::uint64_t value, const std::string& thousandsSeparator);
std::string FormatDecimal(std::uint64_t value, const std::string& thousandsSeparator);

// The number form of sizes and card addresses: hexadecimal or decimal as the
// ViewerShowNumbersInHex setting says.
std::string FormatNumber(std::uint32_t value, bool hex, const std::string& thousandsSeparator);

// A name from the media as one line of text: control characters (below 0x20, and 0x7F)
// become ".", so a stray line feed in a file name cannot split a catalogue line.
std::string PrintableName(std::string name);

// The character that a byte of a details text stands for, as code page 1252 shows it:
// ASCII and 0xA0 to 0xFF as Latin-1, 0x80 to 0x9F as the 1252 characters ("€" for 0x80),
// and "." for the five codes that 1252 leaves empty, so every byte is a visible character.
char32_t CodePage1252Char(std::uint8_t byte);

// A details text (bytes as code page 1252) in UTF-8, for terminals and files.
std::string CodePage1252ToUtf8(const std::string& text);

// The reverse: UTF-8 Text as code page 1252 bytes. False when Text is no valid UTF-8 or holds
// a character that the code page lacks.
bool Utf8ToCodePage1252(std::string_view text, std::string& bytes);
// The UTF-8 code point at Text[At], At moved past it; -1 (At past the lead byte alone) when
// no valid sequence starts there.
long NextCodePoint(std::string_view text, std::size_t& at);
// Whether Text is valid UTF-8.
bool IsUtf8(std::string_view text);

} // namespace brelk

namespace brelk {

// How sizes and card addresses are shown: hexadecimal, or decimal with the locale's
// thousands separator (the window passes the locale's, brelk its own choice).
struct TNumberFormat {
    bool Hex = true;
    std::string ThousandsSeparator = ",";
    std::string Format(std::uint32_t value) const {
        return FormatNumber(value, Hex, ThousandsSeparator);
    }
};

} // namespace brelk
