#include "formats/GlobalStuff.h"

#include <cstdio>

namespace brelk {

std::string FormatHex8(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%8.8X", unsigned(value));
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

} // namespace brelk
