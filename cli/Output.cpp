#include "cli/Output.h"

namespace brelk::cli {

std::string Latin1ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += char(0xC0 | (u >> 6));
            out += char(0x80 | (u & 0x3F));
        }
    }
    return out;
}

void WriteLines(std::ostream& out, const std::vector<std::string>& lines) {
    for (const auto& line : lines)
        out << Latin1ToUtf8(line) << "\n";
}

} // namespace brelk::cli
