#include "formats/GlobalStuff.h"

#include <cstdio>

namespace brelk {

bool HasExtension(const std::string& path, const std::string& extension) {
    if (path.size() < extension.size())
        return false;
    for (std::size_t i = 0; i < extension.size(); ++i) {
        char c = path[path.size() - extension.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != extension[i])
            return false;
    }
    return true;
}

std::string FormatHex8(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%8.8X", unsigned(value));
    return text;
}

std::string FormatHex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, unsigned(value));
    return text;
}

std::string FormatDecimal(std::uint64_t value, const std::string& thousandsSeparator) {
    std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += thousandsSeparator;
        grouped += digits[i];
    }
    return grouped;
}

namespace {
// Width in characters: a separator from the locale may take several UTF-8 bytes.
std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

std::string PadLeft(std::string text, std::size_t width) {
    const std::size_t count = CharacterCount(text);
    return count < width ? std::string(width - count, ' ') + text : text;
}
} // namespace

std::string FormatDecimal13(std::uint64_t value, const std::string& thousandsSeparator) {
    return PadLeft(FormatDecimal(value, thousandsSeparator), 13);
}

std::string FormatDecimal6(std::uint64_t value, const std::string& thousandsSeparator) {
    return PadLeft(FormatDecimal(value, thousandsSeparator), 6);
}

std::string FormatNumber(std::uint32_t value, bool hex, const std::string& thousandsSeparator) {
    return hex ? FormatHex8(value) : FormatDecimal13(value, thousandsSeparator);
}

std::string PrintableName(std::string name) {
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7F)
            c = '.';
    return name;
}

char32_t CodePage1252Char(std::uint8_t byte) {
    // 0x80 to 0x9F; 0 marks the codes without a character.
    static constexpr char16_t kHighControls[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    if (byte < 0x80 || byte >= 0xA0)
        return byte;
    const char16_t shown = kHighControls[byte - 0x80];
    return shown ? shown : U'.';
}

std::string CodePage1252ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const char32_t code = CodePage1252Char(static_cast<std::uint8_t>(c));
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xC0 | (code >> 6));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xE0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        }
    }
    return out;
}

} // namespace brelk

namespace brelk {

long NextCodePoint(std::string_view text, std::size_t& at) {
    const std::size_t start = at;
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    long code = extra > 0 ? lead & (0x3F >> extra) : 0;
    bool valid = extra > 0 && lead <= 0xF4 && text.size() - at >= std::size_t(extra);
    for (int i = 0; valid && i < extra; ++i) {
        const auto next = static_cast<unsigned char>(text[at++]);
        valid = (next & 0xC0) == 0x80;
        code = code << 6 | (next & 0x3F);
    }
    const long least[] = {0, 0x80, 0x800, 0x10000};
    if (!valid || code < least[extra] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
        at = start + 1;
        return -1;
    }
    return code;
}

bool IsUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();)
        if (NextCodePoint(text, at) < 0)
            return false;
    return true;
}

bool Utf8ToCodePage1252(std::string_view text, std::string& bytes) {
    bytes.clear();
    for (std::size_t at = 0; at < text.size();) {
        const long code = NextCodePoint(text, at);
        if (code < 0)
            return false;
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            bytes += char(code);
            continue;
        }
        int byte = 0x80;
        while (byte < 0xA0 && CodePage1252Char(std::uint8_t(byte)) != char32_t(code))
            ++byte;
        if (byte == 0xA0)
            return false;
        bytes += char(byte);
    }
    return true;
}

} // namespace brelk
