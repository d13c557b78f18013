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

// The number form of sizes and card addresses: hexadecimal or decimal as the
// ViewerShowNumbersInHex setting says.
std::string FormatNumber(std::uint32_t value, bool hex, const std::string& thousandsSeparator);

} // namespace brelk
