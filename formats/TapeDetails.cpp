// The tape catalogue text of the details view.
#include "formats/TapeDetails.h"

#include "formats/GlobalStuff.h"

#include <cstdio>

namespace brelk {

namespace {

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, unsigned(value));
    return text;
}

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

std::string EntryLine(const TTapeCatEntry& entry) {
    return PadRight(PrintableName(entry.Name), 10) + (entry.Locked ? " L" : "  ") + " " +
           Hex(entry.LoadAddress, 8) + " + " + Hex(entry.Length, 5) + " " +
           Hex(entry.ExecAddress, 8);
}

} // namespace

std::vector<std::string> TapeCatalogueLines(const TUEF& tape) {
    if (tape.Entries.empty())
        return {"This tape contains no files."};
    std::vector<std::string> lines;
    lines.reserve(tape.Entries.size() + 3);
    lines.push_back("Catalogue entries: " + std::to_string(tape.Entries.size()));
    lines.push_back("");
    lines.push_back("--file-----L---load------lth----exec--");
    for (const auto& entry : tape.Entries)
        lines.push_back(EntryLine(*entry));
    return lines;
}

} // namespace brelk
