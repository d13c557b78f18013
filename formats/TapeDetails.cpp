// The tape catalogue text of the details view.
#include "formats/TapeDetails.h"

#include "formats/GlobalStuff.h"

namespace brelk {

namespace {

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

std::string EntryLine(const TTapeCatEntry& entry) {
    return PadRight(PrintableName(entry.Name), 10) + (entry.Locked ? " L" : "  ") + " " +
           FormatHex(entry.LoadAddress, 8) + " + " + FormatHex(entry.Length, 5) + " " +
           FormatHex(entry.ExecAddress, 8);
}

} // namespace

std::vector<std::string> TapeHeadLines(const TUEF& tape) {
    if (tape.Entries.empty())
        return {"This tape contains no files."};
    return {"Catalogue entries: " + std::to_string(tape.Entries.size())};
}

std::vector<std::string> TapeCatalogueLines(const TUEF& tape) {
    std::vector<std::string> lines = TapeHeadLines(tape);
    if (tape.Entries.empty())
        return lines;
    lines.reserve(tape.Entries.size() + 3);
    lines.push_back("");
    lines.push_back("--file-----L---load------lth----exec--");
    for (const auto& entry : tape.Entries)
        lines.push_back(EntryLine(*entry));
    return lines;
}

} // namespace brelk
