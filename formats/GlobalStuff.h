// Helpers shared by the formats, the details texts, the window and brelk.
#pragma once

#include <cstdint>
#include <string>

namespace brelk {

// "%8.8x" with upper-case letters: 8 hexadecimal digits with leading zeros.
std::string FormatHex8(std::uint32_t value);

// Decimal with a thousands separator, right-aligned in 13 characters ("%13.0n").
// An empty separator gives plain digits.
std::string FormatDecimal13(std::uint64_t value, const std::string& thousandsSeparator);

// The same right-aligned in 6 characters ("%6.0n"), and without padding ("%.0n").
std::string FormatDecimal6(std::uint64_t value, const std::string& thousandsSeparator);
std::string FormatDecimal(std::uint64_t value, const std::string& thousandsSeparator);

// The number form of sizes and card addresses: hexadecimal or decimal as the
// ViewerShowNumbersInHex setting says.
std::string FormatNumber(std::uint32_t value, bool hex, const std::string& thousandsSeparator);

} // namespace brelk

namespace brelk {

// How sizes and card addresses are shown: hexadecimal, or decimal with the locale's
// thousands separator (the window passes the locale's, brelk its own choice).
struct TNumberFormat {
    bool Hex = true;
    std::string ThousandsSeparator = ",";
    std::string Format(std::uint32_t value) const { return FormatNumber(value, Hex, ThousandsSeparator); }
};

} // namespace brelk
