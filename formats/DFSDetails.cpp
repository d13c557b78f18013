#include "formats/DFSDetails.h"

#include "formats/GlobalStuff.h"

#include <algorithm>

namespace brelk {

namespace {

constexpr unsigned kDefaultBytesPerRow = 8;
constexpr unsigned kMaxBytesPerRow = 256;

// Text padded on the right with spaces to Width; longer text is kept whole.
std::string PadRight(const std::string& text, std::size_t width) {
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text;
}

char ShownCharacter(std::uint8_t byte) {
    return byte >= 0x20 && byte != 0x7F ? static_cast<char>(byte) : '.';
}

std::string HexRow(const std::uint8_t* data, std::size_t count, std::size_t offset,
                   unsigned bytesPerRow) {
    std::string hex = FormatHex(std::uint32_t(offset), 4) + "  ";
    std::string characters;
    for (unsigned column = 1; column <= bytesPerRow; ++column, ++offset) {
        if (offset < count) {
            hex += FormatHex(data[offset], 2) + " ";
            characters += ShownCharacter(data[offset]);
        } else {
            hex += "   ";
            characters += ' ';
        }
        if (column % 8 == 0 && column % bytesPerRow != 0) {
            hex += ' ';
            characters += ' ';
        }
    }
    return hex + " " + characters;
}

std::string EntryLine(const TAcornDFSCatEntry& entry) {
    return PrintableName(std::string(1, entry.Directory)) + "." +
           PadRight(PrintableName(entry.Name), 8) + (entry.Locked ? "L" : " ") + " " +
           FormatHex(entry.LoadAddress, 6) + " + " + FormatHex(entry.Length, 5) + " " +
           FormatHex(entry.ExecAddress, 6) + " " + FormatHex(entry.StartSector, 4);
}

} // namespace

const char* BootOptionName(std::uint8_t option) {
    static const char* const names[] = {"none", "load", "run", "exec"};
    return names[option & 3];
}

std::vector<std::string> HexViewLines(const std::uint8_t* data, std::size_t count,
                                      std::uint32_t objectSize, unsigned bytesPerRow) {
    if (bytesPerRow == 0)
        bytesPerRow = kDefaultBytesPerRow;
    bytesPerRow = std::min(bytesPerRow, kMaxBytesPerRow);
    std::vector<std::string> lines;
    for (std::size_t offset = 0; offset < count; offset += bytesPerRow)
        lines.push_back(HexRow(data, count, offset, bytesPerRow));
    if (objectSize == count)
        lines.push_back("-EOF-");
    return lines;
}

std::vector<std::string> DFSSideHeadLines(const TDFSDiscSide& side) {
    std::vector<std::string> lines;
    lines.push_back("Discname: " + PrintableName(side.Title) + " (cycle=" +
                    FormatHex(side.Cycle, 2) + ", boot=" + BootOptionName(side.BootOption) + ")");
    lines.push_back("Sectors: " + FormatHex(side.SectorsUsed, 3) + "/" +
                    FormatHex(side.SectorCount, 3));
    lines.push_back("Catalogue entries: " + std::to_string(side.Entries.size()) + "/" +
                    (side.Has62Files ? "62" : "31"));
    if (side.Entries.empty()) {
        lines.push_back("");
        lines.push_back("This disc contains no files.");
    }
    return lines;
}

std::vector<std::string> DFSSideLines(const TDFSDiscSide& side) {
    std::vector<std::string> lines = DFSSideHeadLines(side);
    if (side.Entries.empty())
        return lines;
    lines.push_back("");
    lines.push_back("--file----L--load-----lth---exec--sect-");
    for (const TAcornDFSCatEntry& entry : side.Entries)
        lines.push_back(EntryLine(entry));
    return lines;
}

std::string DFSSideTabLabel(int sideIndex, const TDFSDiscSide& side) {
    static const char* const drives[kMaxDFSSides] = {"0", "2", "1", "3", "4?"};
    const char* drive = sideIndex >= 0 && sideIndex < kMaxDFSSides ? drives[sideIndex] : "?";
    return std::string(":") + drive + "." + PrintableName(side.Title);
}

std::vector<std::string> DFSDiscTabLabels(const TAcornDFSDiscObject& disc) {
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < disc.aDiscSides.size(); ++i)
        labels.push_back(DFSSideTabLabel(int(i), disc.aDiscSides[i]));
    labels.push_back(kHexviewTabLabel);
    return labels;
}

unsigned ChooseDetailsTab(unsigned detailsTab, unsigned tabCount) {
    return std::clamp(detailsTab, 1u, std::max(tabCount, 1u));
}

} // namespace brelk
