// Writing details texts to a terminal or a file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace brelk::cli {

// Bytes 0x80 to 0xFF of the details texts are Latin-1 characters, as the window's font shows
// them; they are written as UTF-8.
std::string Latin1ToUtf8(const std::string& text);

// Each line in UTF-8, followed by a line end.
void WriteLines(std::ostream& out, const std::vector<std::string>& lines);

} // namespace brelk::cli
