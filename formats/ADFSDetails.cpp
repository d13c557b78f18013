// The text form of an old-map ADFS disc.
#include "formats/ADFSDetails.h"

#include "formats/ADFS.h"
#include "formats/GlobalStuff.h"

#include <algorithm>

namespace brelk {

namespace {

constexpr std::size_t kIndent = 2;
constexpr std::size_t kAccessWidth = 7;

std::string Padded(std::string text, std::size_t width, char fill = ' ') {
    if (text.size() < width)
        text.append(width - text.size(), fill);
    return text;
}

std::string Access(const TADFSEntry& entry) {
    std::string access;
    const std::pair<bool, char> letters[] = {{entry.IsDirectory, 'D'},
                                             {entry.Locked, 'L'},
                                             {entry.Writable, 'W'},
                                             {entry.Readable, 'R'},
                                             {entry.ExecuteOnly, 'E'}};
    for (const auto& [set, letter] : letters)
        if (set)
            access += letter;
    return access;
}

std::string IndentedName(const TADFSEntry& entry) {
    return std::string(std::size_t(entry.Depth) * kIndent, ' ') + PrintableName(entry.Name);
}

std::size_t NameWidth(const TADFSDisc& disc) {
    std::size_t width = 12;
    for (const TADFSEntry& entry : disc.Entries)
        width = std::max(width, IndentedName(entry).size() + 1);
    return width;
}

std::string EntryLine(const TADFSEntry& entry, std::size_t nameWidth) {
    const std::string head = Padded(IndentedName(entry), nameWidth) + Access(entry);
    if (entry.IsDirectory)
        return head;
    return Padded(head, nameWidth + kAccessWidth) + FormatHex8(entry.Load) + " " +
           FormatHex8(entry.Exec) + " " + FormatHex8(entry.Length);
}

std::string Heading(std::size_t nameWidth) {
    return Padded("--name", nameWidth, '-') + Padded("access", kAccessWidth, '-') +
           "load----- exec----- length--";
}

std::size_t FileCount(const TADFSDisc& disc) {
    return std::size_t(std::count_if(disc.Entries.begin(), disc.Entries.end(),
                                     [](const TADFSEntry& e) { return !e.IsDirectory; }));
}

} // namespace

std::vector<std::string> ADFSDiscLines(std::span<const std::uint8_t> image) {
    TADFSDisc disc;
    std::string why;
    if (!ReadADFSDisc(image, disc, why))
        return {"This ADFS disc cannot be read: " + why + "."};
    const std::size_t files = FileCount(disc);
    std::vector<std::string> lines = {
        "Title: " + PrintableName(disc.RootTitle),
        ADFSFormatNote(disc.Format) + ", " + std::to_string(disc.TotalSectors) + " sectors",
        "Files: " + std::to_string(files) +
            ", directories: " + std::to_string(disc.Entries.size() - files),
        ""};
    if (disc.Entries.empty()) {
        lines.push_back("This disc contains no files.");
        return lines;
    }
    const std::size_t width = NameWidth(disc);
    lines.push_back(Heading(width));
    lines.push_back("$");
    for (const TADFSEntry& entry : disc.Entries)
        lines.push_back(EntryLine(entry, width));
    return lines;
}

} // namespace brelk
