#include "formats/DFSFiles.h"

#include "formats/DFSSideWalk.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace brelk {

namespace {

constexpr std::size_t kEntriesPerCatalogue = 31;
constexpr std::size_t kCountByte = 256 + 5;
constexpr std::size_t kCycleByte = 256 + 4;
constexpr std::size_t kSecondCatalogue = 512;
constexpr std::size_t kTitleInSector0 = 8;
constexpr std::size_t kBootByte = 256 + 6;

// The raw catalogue of a side: its entries in stored order, by catalogue.
struct TRawEntry {
    std::array<std::uint8_t, 8> Name{};
    std::array<std::uint8_t, 8> Info{};
    TAcornDFSCatEntry Decoded() const { return DecodeDFSCatEntry(Name.data(), Info.data()); }
};

struct TSideCatalogue {
    TDFSDiscSide Side;
    std::vector<TRawEntry> Parts[2]; // sectors 0/1, and 2/3 of a 62-file catalogue
};

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

std::string UpperText(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), Upper);
    return text;
}

std::string TrimmedName(const std::string& name) {
    const std::size_t end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

void ReadPart(const std::uint8_t* bytes, std::vector<TRawEntry>& part) {
    const std::size_t count = bytes[256 + 5] / 8;
    for (std::size_t i = 0; i < count; ++i) {
        TRawEntry entry;
        std::memcpy(entry.Name.data(), bytes + 8 + 8 * i, 8);
        std::memcpy(entry.Info.data(), bytes + 256 + 8 + 8 * i, 8);
        part.push_back(entry);
    }
}

bool LoadCatalogue(const std::vector<std::uint8_t>& side, TSideCatalogue& catalogue,
                   std::string& why) {
    std::array<std::uint8_t, kDFSCatalogueBytes> bytes{};
    std::copy_n(side.begin(), std::min(side.size(), bytes.size()), bytes.begin());
    if (!ReadDFSCatalogue(bytes.data(), catalogue.Side, &why)) {
        why = "the side's catalogue is refused: " + why;
        return false;
    }
    ReadPart(bytes.data(), catalogue.Parts[0]);
    if (catalogue.Side.Has62Files)
        ReadPart(bytes.data() + kSecondCatalogue, catalogue.Parts[1]);
    return true;
}

std::uint8_t NextCycle(std::uint8_t cycle) {
    unsigned low = (cycle & 15u) + 1;
    unsigned high = cycle >> 4;
    if (low > 9) {
        low = 0;
        high = high >= 9 ? 0 : high + 1;
    }
    return std::uint8_t(high << 4 | low);
}

void WritePart(std::uint8_t* bytes, const std::vector<TRawEntry>& part) {
    std::fill(bytes + 8, bytes + 256, 0);
    std::fill(bytes + 256 + 8, bytes + 512, 0);
    for (std::size_t i = 0; i < part.size(); ++i) {
        std::memcpy(bytes + 8 + 8 * i, part[i].Name.data(), 8);
        std::memcpy(bytes + 256 + 8 + 8 * i, part[i].Info.data(), 8);
    }
    bytes[256 + 5] = std::uint8_t(part.size() * 8);
}

void StoreCatalogue(std::vector<std::uint8_t>& side, const TSideCatalogue& catalogue) {
    const bool second = catalogue.Side.Has62Files;
    side.resize(std::max(side.size(), second ? kDFSCatalogueBytes : kDFSMainCatalogueBytes), 0);
    WritePart(side.data(), catalogue.Parts[0]);
    if (second)
        WritePart(side.data() + kSecondCatalogue, catalogue.Parts[1]);
    side[kCycleByte] = NextCycle(side[kCycleByte]);
}

struct TFound {
    int Part = -1;
    std::size_t Index = 0;
};

TFound FindEntry(const TSideCatalogue& catalogue, char directory, const std::string& name) {
    for (int part = 0; part < 2; ++part)
        for (std::size_t i = 0; i < catalogue.Parts[part].size(); ++i) {
            const TAcornDFSCatEntry entry = catalogue.Parts[part][i].Decoded();
            if (Upper(entry.Directory) == Upper(directory) &&
                UpperText(TrimmedName(entry.Name)) == UpperText(name))
                return {part, i};
        }
    return {};
}

bool IsForbiddenCharacter(char c) {
    return static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F ||
           std::string_view(".:\"#*").find(c) != std::string_view::npos;
}

// Finds the file Text names; the reason when the name is bad or not there.
bool LocateFile(const TSideCatalogue& catalogue, const std::string& text, TFound& found,
                std::string& why) {
    char directory = '$';
    std::string name;
    if (!ParseDFSName(text, directory, name, why))
        return false;
    found = FindEntry(catalogue, directory, name);
    if (found.Part < 0) {
        why = "'" + std::string(1, directory) + "." + name + "' is not on the side";
        return false;
    }
    return true;
}

bool RefuseLocked(const TRawEntry& entry, std::string& why) {
    const TAcornDFSCatEntry decoded = entry.Decoded();
    if (!decoded.Locked)
        return false;
    why = "'" + DFSFullName(decoded) + "' is locked";
    return true;
}

void PutName(TRawEntry& entry, char directory, const std::string& name) {
    const bool locked = (entry.Name[7] & 0x80) != 0;
    for (std::size_t i = 0; i < 7; ++i)
        entry.Name[i] = i < name.size() ? std::uint8_t(name[i]) : ' ';
    entry.Name[7] = std::uint8_t(directory | (locked ? 0x80 : 0));
}

// Two bits of a catalogue address: the top byte FF stands for the I/O processor.
unsigned HighBits(std::uint32_t address) {
    return (address & 0xFF0000u) == 0xFF0000u ? 3u : (address >> 16) & 3u;
}

TRawEntry NewEntry(char directory, const std::string& name, const TDFSNewFile& file,
                   std::uint16_t start) {
    TRawEntry entry;
    PutName(entry, directory, name);
    if (file.Locked)
        entry.Name[7] |= 0x80;
    const std::uint32_t length = std::uint32_t(file.Data.size());
    auto& info = entry.Info;
    info[0] = std::uint8_t(file.Load);
    info[1] = std::uint8_t(file.Load >> 8);
    info[2] = std::uint8_t(file.Exec);
    info[3] = std::uint8_t(file.Exec >> 8);
    info[4] = std::uint8_t(length);
    info[5] = std::uint8_t(length >> 8);
    info[6] = std::uint8_t(HighBits(file.Exec) << 6 | ((length >> 16) & 3u) << 4 |
                           HighBits(file.Load) << 2 | ((start >> 8) & 3u));
    info[7] = std::uint8_t(start);
    return entry;
}

// The first sector of the lowest gap of at least Needed sectors, as DFS's save looks for
// it: from the sector after the catalogue up to the side's sector count. -1 when none.
int FirstGap(const TSideCatalogue& catalogue, std::uint32_t needed) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> used;
    for (const auto& part : catalogue.Parts)
        for (const TRawEntry& raw : part) {
            const TAcornDFSCatEntry entry = raw.Decoded();
            used.emplace_back(entry.StartSector, entry.StartSector + entry.Sectors());
        }
    std::sort(used.begin(), used.end());
    std::uint32_t position = catalogue.Side.Has62Files ? 4 : 2;
    for (const auto& [start, end] : used) {
        if (start >= position && start - position >= needed)
            return int(position);
        position = std::max(position, end);
    }
    const std::uint32_t count = catalogue.Side.SectorCount;
    return position <= count && count - position >= needed ? int(position) : -1;
}

// Keeps a catalogue in DFS's order: highest start sector first.
void PlaceEntry(std::vector<TRawEntry>& part, const TRawEntry& entry) {
    const std::uint16_t start = entry.Decoded().StartSector;
    auto at = std::find_if(part.begin(), part.end(), [start](const TRawEntry& other) {
        return other.Decoded().StartSector < start;
    });
    part.insert(at, entry);
}

std::string SectorText(std::uint32_t sectors) {
    return std::to_string(sectors) + (sectors == 1 ? " sector" : " sectors");
}

// Whether a disc object is kept squashed: a side whose bytes stop before its sector count,
// or whose sector count ends right after its last used sector at no standard size.
bool IsKeptSquashed(const TDFSDiscSides& sides) {
    for (std::size_t k = 0; k < sides.Spans.size(); ++k) {
        const TDFSDiscSide& side = sides.Disc.aDiscSides[k];
        const std::size_t full = std::size_t(side.SectorCount) * kDFSSectorBytes;
        if (sides.Spans[k].Count < full)
            return true;
        if (side.SectorCount != 400 && side.SectorCount != 800 &&
            side.SectorCount == side.LastUsedSector + 1u)
            return true;
    }
    return false;
}

bool IsTitleCharacter(char c) {
    return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
}

bool RefuseTitle(const std::string& title, std::string& why) {
    if (title.size() > kMaxDFSTitle)
        why = "the title '" + title + "' is longer than " + std::to_string(kMaxDFSTitle) +
              " characters";
    else if (!std::all_of(title.begin(), title.end(), IsTitleCharacter))
        why = "the title '" + title + "' holds a character that is not printable";
    else
        return false;
    return true;
}

void PutTitle(std::vector<std::uint8_t>& side, const std::string& title) {
    for (std::size_t i = 0; i < kMaxDFSTitle; ++i) {
        const std::size_t at = i < kTitleInSector0 ? i : 256 + i - kTitleInSector0;
        side[at] = i < title.size() ? std::uint8_t(title[i]) : 0;
    }
}

} // namespace

bool SetDFSSideSettings(std::vector<std::uint8_t>& side, const TDFSSideSettings& settings,
                        std::string& why) {
    TSideCatalogue catalogue;
    if (!LoadCatalogue(side, catalogue, why))
        return false;
    if (settings.Title && RefuseTitle(*settings.Title, why))
        return false;
    if (settings.BootOption && *settings.BootOption > 3) {
        why = "the boot option " + std::to_string(*settings.BootOption) + " is none of 0 to 3";
        return false;
    }
    side.resize(std::max(side.size(), kDFSMainCatalogueBytes), 0);
    if (settings.Title)
        PutTitle(side, *settings.Title);
    if (settings.BootOption)
        side[kBootByte] = std::uint8_t((side[kBootByte] & ~0x30u) | *settings.BootOption << 4);
    side[kCycleByte] = NextCycle(side[kCycleByte]);
    return true;
}

bool ReadDFSDiscSides(std::span<const std::uint8_t> object, TDFSDiscSides& sides,
                      std::string& why) {
    sides = TDFSDiscSides{};
    std::vector<std::uint64_t> offsets;
    const int count = WalkDFSSides(sides.Disc, object.data(), object.size(), &offsets);
    if (count == 0) {
        why = "not a DFS disc: " + DFSRefusalReason(object);
        return false;
    }
    for (int k = 0; k < count; ++k) {
        const std::size_t begin = std::size_t(offsets[std::size_t(k)]);
        const std::size_t end =
            k + 1 < count ? std::size_t(offsets[std::size_t(k) + 1]) : object.size();
        sides.Spans.push_back({begin, std::min(end, object.size()) - std::min(begin, end)});
    }
    return true;
}

int DFSDriveOfSide(int sideIndex) {
    static const int drives[kMaxDFSSides] = {0, 2, 1, 3, 4};
    return sideIndex >= 0 && sideIndex < kMaxDFSSides ? drives[sideIndex] : -1;
}

int DFSSideOfDrive(int drive) {
    for (int k = 0; k < kMaxDFSSides; ++k)
        if (DFSDriveOfSide(k) == drive)
            return k;
    return -1;
}

std::string DFSFullName(const TAcornDFSCatEntry& entry) {
    return std::string(1, entry.Directory) + "." + TrimmedName(entry.Name);
}

bool ReadDFSFileBytes(std::span<const std::uint8_t> sideBytes, const TDFSDiscSide& side,
                      const TAcornDFSCatEntry& entry, std::vector<std::uint8_t>& data,
                      std::string& why) {
    const std::string name = "'" + DFSFullName(entry) + "'";
    if (std::uint32_t(entry.StartSector) + entry.Sectors() > side.SectorCount) {
        why = name + " runs past the end of the side (sector " +
              std::to_string(entry.StartSector + entry.Sectors() - 1) + " of " +
              std::to_string(side.SectorCount) + ")";
        return false;
    }
    const std::size_t offset = std::size_t(entry.StartSector) * kDFSSectorBytes;
    if (offset > sideBytes.size() || entry.Length > sideBytes.size() - offset) {
        why = name + " runs past the bytes the disc holds";
        return false;
    }
    data.assign(sideBytes.begin() + std::ptrdiff_t(offset),
                sideBytes.begin() + std::ptrdiff_t(offset + entry.Length));
    return true;
}

bool IsDFSNameCharacter(char c) {
    return !IsForbiddenCharacter(c);
}

bool ParseDFSName(const std::string& text, char& directory, std::string& name, std::string& why) {
    const bool qualified = text.size() >= 2 && text[1] == '.';
    directory = qualified ? text[0] : '$';
    name = qualified ? text.substr(2) : text;
    if (qualified && IsForbiddenCharacter(directory) && directory != '$') {
        why = "'" + text + "' has no valid directory character";
        return false;
    }
    if (name.empty() || name.size() > 7) {
        why = "'" + text + "' needs a name of 1 to 7 characters";
        return false;
    }
    if (std::any_of(name.begin(), name.end(), IsForbiddenCharacter)) {
        why = "'" + text + "' holds a character DFS does not allow in a name (space . : \" # *)";
        return false;
    }
    return true;
}

bool InsertDFSFile(std::vector<std::uint8_t>& side, const TDFSNewFile& file, std::string& why) {
    TSideCatalogue catalogue;
    char directory = '$';
    std::string name;
    if (!LoadCatalogue(side, catalogue, why) || !ParseDFSName(file.Name, directory, name, why))
        return false;
    const std::string full = std::string(1, directory) + "." + name;
    if (FindEntry(catalogue, directory, name).Part >= 0) {
        why = "'" + full + "' is already on the side";
        return false;
    }
    const std::size_t capacity = catalogue.Side.Has62Files ? 62 : 31;
    if (catalogue.Side.Entries.size() >= capacity) {
        why = "the catalogue is full (" + std::to_string(capacity) + " files)";
        return false;
    }
    if (file.Data.size() >= 0x40000) {
        why = "'" + full + "' is too long for a DFS file";
        return false;
    }
    TAcornDFSCatEntry probe;
    probe.Length = std::uint32_t(file.Data.size());
    const int start = FirstGap(catalogue, probe.Sectors());
    if (start < 0) {
        why = "the disc is full: no free gap of " + SectorText(probe.Sectors()) + " for '" + full +
              "'";
        return false;
    }
    const std::size_t offset = std::size_t(start) * kDFSSectorBytes;
    side.resize(std::max(side.size(), offset + probe.Sectors() * kDFSSectorBytes), 0);
    std::copy(file.Data.begin(), file.Data.end(), side.begin() + std::ptrdiff_t(offset));
    const TRawEntry entry = NewEntry(directory, name, file, std::uint16_t(start));
    PlaceEntry(catalogue.Parts[catalogue.Parts[0].size() < kEntriesPerCatalogue ? 0 : 1], entry);
    StoreCatalogue(side, catalogue);
    return true;
}

bool DeleteDFSFile(std::vector<std::uint8_t>& side, const std::string& name, std::string& why) {
    TSideCatalogue catalogue;
    TFound found;
    if (!LoadCatalogue(side, catalogue, why) || !LocateFile(catalogue, name, found, why))
        return false;
    auto& part = catalogue.Parts[found.Part];
    if (RefuseLocked(part[found.Index], why))
        return false;
    part.erase(part.begin() + std::ptrdiff_t(found.Index));
    StoreCatalogue(side, catalogue);
    return true;
}

bool RenameDFSFile(std::vector<std::uint8_t>& side, const std::string& from, const std::string& to,
                   std::string& why) {
    TSideCatalogue catalogue;
    TFound found;
    char directory = '$';
    std::string name;
    if (!LoadCatalogue(side, catalogue, why) || !LocateFile(catalogue, from, found, why) ||
        !ParseDFSName(to, directory, name, why))
        return false;
    TRawEntry& entry = catalogue.Parts[found.Part][found.Index];
    if (RefuseLocked(entry, why))
        return false;
    const TFound other = FindEntry(catalogue, directory, name);
    if (other.Part >= 0 && (other.Part != found.Part || other.Index != found.Index)) {
        why = "'" + std::string(1, directory) + "." + name + "' is already on the side";
        return false;
    }
    PutName(entry, directory, name);
    StoreCatalogue(side, catalogue);
    return true;
}

bool LockDFSFile(std::vector<std::uint8_t>& side, const std::string& name, bool locked,
                 std::string& why) {
    TSideCatalogue catalogue;
    TFound found;
    if (!LoadCatalogue(side, catalogue, why) || !LocateFile(catalogue, name, found, why))
        return false;
    std::uint8_t& flag = catalogue.Parts[found.Part][found.Index].Name[7];
    flag = std::uint8_t(locked ? flag | 0x80 : flag & 0x7F);
    StoreCatalogue(side, catalogue);
    return true;
}

bool EditDFSDiscSide(std::vector<std::uint8_t>& object, int sideIndex, const TDFSSideEdit& edit,
                     std::string& why) {
    TDFSDiscSides sides;
    if (!ReadDFSDiscSides(object, sides, why))
        return false;
    if (sideIndex < 0 || std::size_t(sideIndex) >= sides.Spans.size()) {
        why = "the disc has no side for drive " + std::to_string(DFSDriveOfSide(sideIndex));
        return false;
    }
    const bool squashed = IsKeptSquashed(sides);
    std::vector<std::uint8_t> work = object;
    if (squashed && (!ExpandDiscImage(object, work) || !ReadDFSDiscSides(work, sides, why)))
        return false;
    std::vector<std::uint8_t> joined;
    for (std::size_t k = 0; k < sides.Spans.size(); ++k) {
        const auto begin = work.begin() + std::ptrdiff_t(sides.Spans[k].Offset);
        std::vector<std::uint8_t> side(begin, begin + std::ptrdiff_t(sides.Spans[k].Count));
        if (int(k) == sideIndex && !edit(side, why))
            return false;
        joined.insert(joined.end(), side.begin(), side.end());
    }
    if (squashed && !SquashDiscImage(joined, joined)) {
        why = "the changed disc could not be squashed";
        return false;
    }
    object = std::move(joined);
    return true;
}

} // namespace brelk
