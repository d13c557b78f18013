#include "cli/Output.h"

#include "formats/GlobalStuff.h"

namespace brelk::cli {

void WriteLines(std::ostream& out, const std::vector<std::string>& lines, bool terminal) {
    for (const auto& line : lines)
        out << CodePage1252ToUtf8(terminal ? PrintableName(line) : line) << "\n";
}

namespace {

void AppendEscaped(std::string& out, unsigned char byte) {
    out += "\\x" + FormatHex(byte, 2);
}

} // namespace

std::string TerminalSafe(std::string_view text) {
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (c1) {
            AppendEscaped(safe, byte);
            AppendEscaped(safe, static_cast<unsigned char>(text[++i]));
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendEscaped(safe, byte);
        } else {
            safe += text[i];
        }
    }
    return safe;
}

} // namespace brelk::cli
