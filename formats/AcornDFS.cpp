#include "formats/AcornDFS.h"

#include "formats/DFSSideWalk.h"

#include "base/Bytes.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace brelk {

namespace {

constexpr std::size_t kSector1 = 256;
constexpr std::size_t kSector2 = 512;
constexpr std::size_t kSector3 = 768;
constexpr std::size_t kEntryCountByte = 5;
constexpr std::size_t kOptionsByte = 6;
constexpr std::size_t kSectorCountByte = 7;

// Up to Max characters from Bytes, stopping at the first zero byte.
std::string TextUpToZero(const std::uint8_t* bytes, std::size_t max) {
    std::size_t length = 0;
    while (length < max && bytes[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

// Removes leading and trailing spaces and control characters.
std::string TrimTitle(const std::string& text) {
    auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::uint32_t HostAddress(std::uint16_t low, unsigned highBits) {
    return low + (highBits != 0 ? 0xFF0000u : 0u);
}

} // namespace

TAcornDFSCatEntry DecodeDFSCatEntry(const std::uint8_t* name, const std::uint8_t* data) {
    const std::uint8_t mixed = data[6];
    TAcornDFSCatEntry entry;
    entry.Name = TextUpToZero(name, 7);
    entry.Directory = static_cast<char>(name[7] & 0x7F);
    entry.Locked = (name[7] & 0x80) != 0;
    entry.LoadAddress = HostAddress(GetLE16(data), (mixed >> 2) & 3);
    entry.ExecAddress = HostAddress(GetLE16(data + 2), (mixed >> 6) & 3);
    entry.Length = GetLE16(data + 4) + ((mixed >> 4) & 3u) * 65536u;
    entry.StartSector = std::uint16_t((mixed & 3) * 256 + data[7]);
    entry.LoadHighBits = std::uint8_t((mixed >> 2) & 3);
    entry.ExecHighBits = std::uint8_t((mixed >> 6) & 3);
    return entry;
}

std::uint32_t DFSStoredAddress(std::uint32_t address, std::uint8_t highBits) {
    const std::uint32_t high = highBits == 3 ? 0xFF0000u : std::uint32_t(highBits & 3) << 16;
    return (address & 0xFFFFu) | high;
}

namespace {

// Appends the entries of one catalogue and accounts for the sectors they take.
void ReadEntries(const std::uint8_t* names, const std::uint8_t* info, TDFSDiscSide& side) {
    const int count = info[kEntryCountByte] / 8;
    unsigned used = side.SectorsUsed;
    unsigned last = side.LastUsedSector;
    for (int i = 0; i < count; ++i) {
        TAcornDFSCatEntry entry = DecodeDFSCatEntry(names + 8 + 8 * i, info + 8 + 8 * i);
        used += entry.Sectors();
        last = std::max<unsigned>(last, entry.StartSector + entry.Sectors() - 1);
        side.Entries.push_back(std::move(entry));
    }
    // At most 62 entries of at most 1024 sectors each: both sums stay below 65536.
    side.SectorsUsed = std::uint16_t(used);
    side.LastUsedSector = std::uint16_t(last);
}

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool SortsBefore(const TAcornDFSCatEntry& a, const TAcornDFSCatEntry& b) {
    const std::string keyA = std::string(1, a.Directory) + "." + a.Name;
    const std::string keyB = std::string(1, b.Directory) + "." + b.Name;
    return std::lexicographical_compare(keyA.begin(), keyA.end(), keyB.begin(), keyB.end(),
                                        [](char x, char y) {
                                            return static_cast<unsigned char>(UpperAscii(x)) <
                                                   static_cast<unsigned char>(UpperAscii(y));
                                        });
}

std::string HexByte(std::uint8_t value) {
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[value >> 4] + digits[value & 15];
}

bool Is62FileMarker(const std::uint8_t* sector2) {
    return std::all_of(sector2, sector2 + 8, [](std::uint8_t b) { return b == 0xAA; });
}

} // namespace

bool ReadDFSCatalogue(const std::uint8_t* catalogue, TDFSDiscSide& side) {
    return ReadDFSCatalogue(catalogue, side, nullptr);
}

bool ReadDFSCatalogue(const std::uint8_t* catalogue, TDFSDiscSide& side, std::string* why) {
    const std::uint8_t* s0 = catalogue;
    const std::uint8_t* s1 = catalogue + kSector1;
    auto refuse = [why](std::string reason) {
        if (why != nullptr)
            *why = std::move(reason);
        return false;
    };
    if (s0[0] != 0 && (s0[0] < 0x20 || s0[0] > 0x7F))
        return refuse("DFS catalogue whose title begins with byte " + HexByte(s0[0]));
    side = TDFSDiscSide{};
    side.Title = TrimTitle(TextUpToZero(s0, 8) + TextUpToZero(s1, 4));
    side.Cycle = s1[4];
    side.BootOption = (s1[kOptionsByte] >> 4) & 3;
    side.SectorCount = std::uint16_t((s1[kOptionsByte] & 3) * 256 + s1[kSectorCountByte]);
    side.Has62Files = Is62FileMarker(catalogue + kSector2);
    if (side.SectorCount > kDFSFullSideSectors || side.SectorCount < 2)
        return refuse("DFS catalogue with sector count " + std::to_string(side.SectorCount));
    if (s1[kEntryCountByte] % 8 != 0)
        return refuse("DFS catalogue with entry count byte " + std::to_string(s1[kEntryCountByte]) +
                      ", not a multiple of 8");
    side.SectorsUsed = side.Has62Files ? 4 : 2;
    side.LastUsedSector = side.Has62Files ? 3 : 1;
    ReadEntries(s0, s1, side);
    if (side.Has62Files)
        ReadEntries(catalogue + kSector2, catalogue + kSector3, side);
    if (side.LastUsedSector > side.SectorCount)
        return refuse("DFS catalogue with a file reaching sector " +
                      std::to_string(side.LastUsedSector) + " beyond its sector count " +
                      std::to_string(side.SectorCount));
    std::stable_sort(side.Entries.begin(), side.Entries.end(), SortsBefore);
    return true;
}

std::string DFSRefusalReason(std::span<const std::uint8_t> image) {
    std::array<std::uint8_t, kDFSCatalogueBytes> catalogue{};
    const std::size_t count = std::min(image.size(), catalogue.size());
    if (count > 0)
        std::memcpy(catalogue.data(), image.data(), count);
    TDFSDiscSide side;
    std::string why;
    ReadDFSCatalogue(catalogue.data(), side, &why);
    return why;
}

void WriteDFSSectorCount(std::uint8_t* image, std::size_t count, std::uint16_t sectorCount) {
    if (count > kSector1 + kOptionsByte) {
        std::uint8_t& options = image[kSector1 + kOptionsByte];
        options = std::uint8_t((options & ~3u) | ((sectorCount >> 8) & 3u));
    }
    if (count > kSector1 + kSectorCountByte)
        image[kSector1 + kSectorCountByte] = std::uint8_t(sectorCount & 0xFF);
}

bool TAcornDFSDiscObject::AddDiscSide(std::span<const std::uint8_t> image) {
    std::array<std::uint8_t, kDFSCatalogueBytes> catalogue{};
    const std::size_t count = std::min(image.size(), catalogue.size());
    if (count > 0)
        std::memcpy(catalogue.data(), image.data(), count);
    TDFSDiscSide side;
    if (!ReadDFSCatalogue(catalogue.data(), side))
        return false;
    aDiscSides.push_back(std::move(side));
    return true;
}

namespace {

// The first min(Size, Data.size()) bytes: the block that the caller means.
std::vector<std::uint8_t> BlockOf(const std::vector<std::uint8_t>& data, std::uint32_t size) {
    const std::size_t length = std::min<std::size_t>(size, data.size());
    return std::vector<std::uint8_t>(data.begin(), data.begin() + std::ptrdiff_t(length));
}

} // namespace

void TAcornDFSDiscObject::SquashDisc(std::vector<std::uint8_t>& data, std::uint32_t& size) {
    std::vector<std::uint8_t> squashed;
    if (!SquashDiscImage(BlockOf(data, size), squashed))
        return;
    data = std::move(squashed);
    size = std::uint32_t(data.size());
}

bool TAcornDFSDiscObject::ExpandDisc(std::vector<std::uint8_t>& data, std::uint32_t& size) {
    std::vector<std::uint8_t> expanded;
    bool padded = false;
    if (!ExpandDiscImage(BlockOf(data, size), expanded, &padded))
        return false;
    data = std::move(expanded);
    size = std::uint32_t(data.size());
    return padded;
}

} // namespace brelk
