#include "formats/DFSSideWalk.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace brelk {

namespace {

using TCatalogue = std::array<std::uint8_t, kDFSCatalogueBytes>;

// Reads the catalogue of the side at Position: only bytes before End are read.
bool ReadSideCatalogue(std::uint64_t position, std::uint64_t end, const TDFSReadFn& read,
                       TCatalogue& catalogue) {
    catalogue.fill(0);
    const std::uint64_t available = position < end ? end - position : 0;
    const std::size_t count = std::size_t(std::min<std::uint64_t>(available, catalogue.size()));
    return count == 0 || read(position, catalogue.data(), count);
}

// Reads the side's catalogue; a side of two or three sectors owns none of the catalogue
// bytes behind its end (they belong to the next side), so they read as zero.
bool ReadOwnCatalogue(TCatalogue& catalogue, TDFSDiscSide& side) {
    const std::size_t sectorCount = (catalogue[256 + 6] & 3u) * 256u + catalogue[256 + 7];
    const std::size_t sideBytes = sectorCount * kDFSSectorBytes;
    if (sideBytes < catalogue.size())
        std::fill(catalogue.begin() + std::ptrdiff_t(sideBytes), catalogue.end(), 0);
    return ReadDFSCatalogue(catalogue.data(), side);
}

// One side of a walked object: its bytes in the object and what its catalogue says.
struct TSideBytes {
    const std::uint8_t* Data;
    std::size_t Count;
    const TDFSDiscSide* Side;
};

// The sides found in In. Every side but the last owns SectorCount x 256 bytes; the last one
// owns everything up to the end of In.
std::vector<TSideBytes> SplitSides(const std::vector<std::uint8_t>& in, TAcornDFSDiscObject& disc) {
    std::vector<std::uint64_t> offsets;
    const int count = WalkDFSSides(disc, in.data(), in.size(), &offsets);
    std::vector<TSideBytes> sides;
    for (int k = 0; k < count; ++k) {
        const std::uint64_t begin = offsets[std::size_t(k)];
        const std::uint64_t end = k + 1 < count ? offsets[std::size_t(k) + 1] : in.size();
        sides.push_back({in.data() + begin, std::size_t(end - begin), &disc.aDiscSides[k]});
    }
    return sides;
}

// Appends one side cut after its last used sector. A side never keeps more than its own
// sector count (a file that claims sector SectorCount lies off the disc); a side whose bytes
// end before its last used sector is padded with zeros up to it, so that the catalogue never
// states sectors the object does not hold. True when it had to be padded.
bool AppendSquashedSide(const TSideBytes& side, std::vector<std::uint8_t>& out) {
    const std::uint32_t sectorCount = side.Side->SectorCount;
    const std::uint32_t used = std::min<std::uint32_t>(side.Side->LastUsedSector + 1u, sectorCount);
    const std::size_t length = std::size_t(used) * kDFSSectorBytes;
    const std::size_t keep = std::min<std::size_t>(length, side.Count);
    const std::size_t start = out.size();
    out.insert(out.end(), side.Data, side.Data + keep);
    out.resize(start + length, 0);
    if (used < sectorCount)
        WriteDFSSectorCount(out.data() + start, length, std::uint16_t(used));
    return keep < length;
}

// Appends one side as a full side; true when it had to be padded.
bool AppendExpandedSide(const TSideBytes& side, std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    const std::size_t keep = std::min<std::size_t>(side.Count, kDFSFullSideBytes);
    out.insert(out.end(), side.Data, side.Data + keep);
    if (keep == kDFSFullSideBytes)
        return false;
    out.resize(start + kDFSFullSideBytes, 0);
    // Catalogue sectors that lay behind a side of two or three sectors were never part of it;
    // once the side is full they would be read as its catalogue, so they become zero.
    const std::size_t ownBytes = std::size_t(side.Side->SectorCount) * kDFSSectorBytes;
    if (ownBytes < kDFSCatalogueBytes)
        std::fill(out.begin() + std::ptrdiff_t(start + ownBytes),
                  out.begin() + std::ptrdiff_t(start + kDFSCatalogueBytes), 0);
    WriteDFSSectorCount(out.data() + start, kDFSFullSideBytes, kDFSFullSideSectors);
    return true;
}

} // namespace

int WalkDFSSides(TAcornDFSDiscObject& disc, std::uint64_t address, std::uint64_t size,
                 const TDFSReadFn& read, std::vector<std::uint64_t>* sideOffsets) {
    const std::uint64_t end = address + size;
    std::uint64_t position = address;
    TCatalogue catalogue;
    int found = 0;
    while (found < kMaxDFSSides) {
        TDFSDiscSide side;
        if (!ReadSideCatalogue(position, end, read, catalogue) ||
            !ReadOwnCatalogue(catalogue, side))
            break;
        const std::uint64_t sideBytes = std::uint64_t(side.SectorCount) * kDFSSectorBytes;
        disc.aDiscSides.push_back(std::move(side));
        if (sideOffsets)
            sideOffsets->push_back(position - address);
        ++found;
        position += sideBytes;
        if (position >= end || end - position < kDFSMainCatalogueBytes)
            break;
    }
    return found;
}

int WalkDFSSides(TAcornDFSDiscObject& disc, const std::uint8_t* data, std::size_t size,
                 std::vector<std::uint64_t>* sideOffsets) {
    auto read = [data, size](std::uint64_t address, std::uint8_t* dest, std::size_t count) {
        if (address > size || count > size - address)
            return false;
        std::memcpy(dest, data + address, count);
        return true;
    };
    return WalkDFSSides(disc, 0, size, read, sideOffsets);
}

bool SquashDiscImage(const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>& out,
                     bool* padded) {
    TAcornDFSDiscObject disc;
    const std::vector<TSideBytes> sides = SplitSides(in, disc);
    if (sides.empty())
        return false;
    std::vector<std::uint8_t> result;
    bool anyPadded = false;
    for (const TSideBytes& side : sides)
        anyPadded = AppendSquashedSide(side, result) || anyPadded;
    out = std::move(result);
    if (padded)
        *padded = anyPadded;
    return true;
}

bool ExpandDiscImage(const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>& out,
                     bool* padded) {
    TAcornDFSDiscObject disc;
    const std::vector<TSideBytes> sides = SplitSides(in, disc);
    if (sides.empty())
        return false;
    std::vector<std::uint8_t> result;
    result.reserve(sides.size() * kDFSFullSideBytes);
    bool anyPadded = false;
    for (const TSideBytes& side : sides)
        anyPadded = AppendExpandedSide(side, result) || anyPadded;
    out = std::move(result);
    if (padded)
        *padded = anyPadded;
    return true;
}

} // namespace brelk
