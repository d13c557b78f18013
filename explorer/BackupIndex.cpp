// Writing and reading the backup index text.
#include "explorer/Backup.h"

#include "formats/GlobalStuff.h"

#include <algorithm>
#include <cstdio>

namespace brelk {

namespace {

const char* const kLineEnd = "\r\n";

// Columns From (from 1) to From + Count - 1 of Line, or what of them the line has.
std::string_view Columns(std::string_view line, std::size_t from, std::size_t count) {
    if (line.size() < from)
        return {};
    return line.substr(from - 1, count);
}

// A decimal number from 0 to 255, leading spaces allowed.
bool ParseByte(std::string_view field, std::uint8_t& value) {
    while (!field.empty() && field.front() == ' ')
        field.remove_prefix(1);
    if (field.empty())
        return false;
    unsigned number = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + unsigned(c - '0');
        if (number > 255)
            return false;
    }
    value = std::uint8_t(number);
    return true;
}

std::string FieldProblem(const char* what, const char* columns, std::string_view field) {
    return std::string("the ") + what + " in columns " + columns + " ('" + std::string(field) +
           "') is not a number from 0 to 255";
}

// The image name must name a file in the backup folder itself.
bool PlainFileName(std::string_view name) {
    return name.find('/') == std::string_view::npos && name != "." && name != "..";
}

// Splits Text into lines at CR LF, LF or CR; a line end at the very end starts no new line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

// Reads one object line; false with Problem set when it is not sound.
bool ParseObjectLine(std::string_view line, TIndexObject& object, std::string& problem) {
    const std::string_view type = Columns(line, 1, 2);
    const std::string_view subtype = Columns(line, 4, 2);
    if (!ParseByte(type, object.Type)) {
        problem =
            line.empty() ? std::string("the line is empty") : FieldProblem("type", "1-2", type);
        return false;
    }
    if (!ParseByte(subtype, object.Subtype)) {
        problem = FieldProblem("subtype", "4-5", subtype);
        return false;
    }
    object.Image = std::string(Columns(line, 25, 12));
    object.Name = std::string(Columns(line, 38, kNameLength));
    if (!PlainFileName(object.Image)) {
        problem = "the image file name '" + object.Image + "' is not a name in the backup folder";
        return false;
    }
    if (object.Name.empty()) {
        problem = "it names no object in columns 38 on";
        return false;
    }
    return true;
}

} // namespace

std::string ImageFileName(std::uint32_t number) {
    return "IMG" + FormatHex(number & 0xFFFFFu, 5) + ".bin";
}

std::string BackupHeaderLine(const std::string& dateTime) {
    return std::string(kBackupIndexMagic) + " (" + dateTime + ")";
}

std::string BackupObjectLine(const TBrelkCatEntry& entry, std::uint32_t number) {
    char codes[16];
    std::snprintf(codes, sizeof codes, "%2d %2d ", int(entry.Type()), int(entry.Subtype()));
    const std::string text =
        codes + FormatHex8(entry.Size()) + " " + FormatHex8(entry.Address()) + " ";
    // A damaged name with a line end in it would split the line and spoil the whole index.
    std::string name = entry.Name();
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == '\r' || c == '\n'; }, '?');
    return text + ImageFileName(number) + " " + name;
}

std::vector<const TBrelkCatEntry*> LiveEntriesByAddress(TEntriesView catalogue) {
    std::vector<const TBrelkCatEntry*> live;
    for (const TBrelkCatEntry* entry : catalogue)
        if (entry->Type() != kTypeDeleted)
            live.push_back(entry);
    std::stable_sort(live.begin(), live.end(),
                     [](const auto* a, const auto* b) { return a->Address() < b->Address(); });
    return live;
}

std::string FormatBackupIndex(const std::vector<const TBrelkCatEntry*>& liveByAddress,
                              const std::string& dateTime) {
    std::string text = BackupHeaderLine(dateTime) + kLineEnd;
    std::uint32_t number = 0;
    for (const TBrelkCatEntry* entry : liveByAddress)
        text += BackupObjectLine(*entry, number++) + kLineEnd;
    return text;
}

std::string BackupFolderOf(const std::string& indexPath) {
    const std::size_t slash = indexPath.rfind('/');
    const std::size_t dot = indexPath.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return indexPath;
    return indexPath.substr(0, dot);
}

std::string BackupIndexPathFor(const std::string& given) {
    return BackupFolderOf(given) == given ? given + ".txt" : given;
}

std::string ProposedBackupFileName(int year, int month, int day) {
    char text[32];
    std::snprintf(text, sizeof text, "%d%02d%02d.txt", year, month, day);
    return text;
}

TBackupIndex ParseBackupIndex(std::string_view text) {
    TBackupIndex index;
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty())
        return index;
    if (lines[0].substr(0, kBackupIndexMagic.size()) != kBackupIndexMagic) {
        index.Status = TIndexStatus::NotIndex;
        return index;
    }
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (!lines[i].empty() && lines[i].front() == '#')
            continue;
        TIndexObject object;
        object.LineNumber = i + 1;
        if (!ParseObjectLine(lines[i], object, index.Problem)) {
            index.Status = TIndexStatus::Malformed;
            index.BadLine = i + 1;
            index.Objects.clear();
            return index;
        }
        index.Objects.push_back(std::move(object));
    }
    return index;
}

} // namespace brelk
