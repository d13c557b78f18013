// BBC BASIC programs as LIST shows them: each stored line (0D, line number high and low
// byte, line length, text) with its keywords spelt out, line-number references after 8D
// decoded, and REM, DATA and strings kept as stored.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brelk {

// The listing of Program: each line number right-aligned in five columns, then its text.
// False, with the reason, when the bytes are no valid program: no 0D at a line start, a line
// shorter than its header or running past the end, a line-number
// reference cut short, or no end mark 0D FF. The reason names the broken line.
bool DetokeniseBasic(std::span<const std::uint8_t> program, std::vector<std::string>& lines,
                     std::string& why);

// The keyword that token Byte (0x80 to 0xFF) stands for.
const char* BasicKeyword(std::uint8_t token);

} // namespace brelk
