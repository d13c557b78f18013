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

// One side of a walked object: where its bytes lie in the object, how many it owns and what
// its catalogue says.
struct TSideBytes {
    std::size_t Offset;
    std::size_t Count;
    const TDFSDiscSide* Side;
};

// The sides found in In. Every side but the last owns SectorCount x 256 bytes; the last one
// owns everything up to the end of In.
std::vector<TSideBytes> SplitSides(std::span<const std::uint8_t> in, TAcornDFSDiscObject& disc) {
    std::vector<std::uint64_t> offsets;
    const int count = WalkDFSSides(disc, in.data(), in.size(), &offsets);
    std::vector<TSideBytes> sides;
    for (int k = 0; k < count; ++k) {
        const std::uint64_t begin = offsets[std::size_t(k)];
        const std::uint64_t end = k + 1 < count ? offsets[std::size_t(k) + 1] : in.size();
        sides.push_back({std::size_t(begin), std::size_t(end - begin), &disc.aDiscSides[k]});
    }
    return sides;
}

// A side cut after its last used sector. A side never keeps more than its own sector count
// (a file that claims sector SectorCount lies off the disc); a side whose bytes end before
// its last used sector is padded with zeros up to it, so that the catalogue never states
// sectors the object does not hold.
struct TSquashedSide {
    std::size_t Keep;   // the side's bytes that stay
    std::size_t Length; // its length once squashed (Keep and zeros)
    std::uint16_t Used; // its sector count once squashed
    bool Recount;       // whether the catalogue gets the new sector count
};

TSquashedSide SquashedSide(const TSideBytes& side) {
    const std::uint32_t sectorCount = side.Side->SectorCount;
    const std::uint32_t used = std::min<std::uint32_t>(side.Side->LastUsedSector + 1u, sectorCount);
    const std::size_t length = std::size_t(used) * kDFSSectorBytes;
    return {std::min<std::size_t>(length, side.Count), length, std::uint16_t(used),
            used < sectorCount};
}

// Finishes a squashed side placed at Side, whose first Keep bytes are in place: zeros up to
// its length and the new sector count.
void FinishSquashedSide(std::uint8_t* side, const TSquashedSide& squashed) {
    std::fill(side + squashed.Keep, side + squashed.Length, 0);
    if (squashed.Recount)
        WriteDFSSectorCount(side, squashed.Length, squashed.Used);
}

// Appends one squashed side; true when it had to be padded.
bool AppendSquashedSide(std::span<const std::uint8_t> in, const TSideBytes& side,
                        std::vector<std::uint8_t>& out) {
    const TSquashedSide squashed = SquashedSide(side);
    const std::size_t start = out.size();
    out.insert(out.end(), in.begin() + std::ptrdiff_t(side.Offset),
               in.begin() + std::ptrdiff_t(side.Offset + squashed.Keep));
    out.resize(start + squashed.Length);
    FinishSquashedSide(out.data() + start, squashed);
    return squashed.Keep < squashed.Length;
}

// Makes the side at Side, whose first Keep bytes are in place, a full side; true when it
// had to be padded (a side of a full side's length or more is only cut).
bool FinishExpandedSide(std::uint8_t* side, std::size_t keep, const TDFSDiscSide& catalogue) {
    if (keep == kDFSFullSideBytes)
        return false;
    std::fill(side + keep, side + kDFSFullSideBytes, 0);
    // Catalogue sectors that lay behind a side of two or three sectors were never part of it;
    // once the side is full they would be read as its catalogue, so they become zero.
    const std::size_t ownBytes = std::size_t(catalogue.SectorCount) * kDFSSectorBytes;
    if (ownBytes < kDFSCatalogueBytes)
        std::fill(side + ownBytes, side + kDFSCatalogueBytes, 0);
    WriteDFSSectorCount(side, kDFSFullSideBytes, kDFSFullSideSectors);
    return true;
}

// Appends one side as a full side; true when it had to be padded.
bool AppendExpandedSide(std::span<const std::uint8_t> in, const TSideBytes& side,
                        std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    const std::size_t keep = std::min<std::size_t>(side.Count, kDFSFullSideBytes);
    out.insert(out.end(), in.begin() + std::ptrdiff_t(side.Offset),
               in.begin() + std::ptrdiff_t(side.Offset + keep));
    out.resize(start + kDFSFullSideBytes);
    return FinishExpandedSide(out.data() + start, keep, *side.Side);
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

bool SquashDiscImage(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out,
                     bool* padded) {
    TAcornDFSDiscObject disc;
    const std::vector<TSideBytes> sides = SplitSides(in, disc);
    if (sides.empty())
        return false;
    std::vector<std::uint8_t> result;
    bool anyPadded = false;
    for (const TSideBytes& side : sides)
        anyPadded = AppendSquashedSide(in, side, result) || anyPadded;
    out = std::move(result);
    if (padded)
        *padded = anyPadded;
    return true;
}

bool SquashDiscImageInPlace(std::vector<std::uint8_t>& bytes, bool* padded) {
    TAcornDFSDiscObject disc;
    const std::vector<TSideBytes> sides = SplitSides(bytes, disc);
    if (sides.empty())
        return false;
    // Each side moves down to where the squashed sides before it end: never past the bytes of
    // a side not yet moved, since a side other than the last keeps at most the bytes it owns.
    std::size_t end = 0;
    bool anyPadded = false;
    for (const TSideBytes& side : sides) {
        const TSquashedSide squashed = SquashedSide(side);
        std::memmove(bytes.data() + end, bytes.data() + side.Offset, squashed.Keep);
        if (bytes.size() < end + squashed.Length)
            bytes.resize(end + squashed.Length);
        FinishSquashedSide(bytes.data() + end, squashed);
        anyPadded = anyPadded || squashed.Keep < squashed.Length;
        end += squashed.Length;
    }
    bytes.resize(end);
    if (padded)
        *padded = anyPadded;
    return true;
}

std::size_t SquashedDiscLength(std::span<const std::uint8_t> in, bool* padded) {
    TAcornDFSDiscObject disc;
    std::size_t length = 0;
    bool anyPadded = false;
    for (const TSideBytes& side : SplitSides(in, disc)) {
        const TSquashedSide squashed = SquashedSide(side);
        length += squashed.Length;
        anyPadded = anyPadded || squashed.Keep < squashed.Length;
    }
    if (padded)
        *padded = anyPadded;
    return length;
}

bool ExpandDiscImage(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out,
                     bool* padded) {
    TAcornDFSDiscObject disc;
    const std::vector<TSideBytes> sides = SplitSides(in, disc);
    if (sides.empty())
        return false;
    std::vector<std::uint8_t> result;
    result.reserve(sides.size() * kDFSFullSideBytes);
    bool anyPadded = false;
    for (const TSideBytes& side : sides)
        anyPadded = AppendExpandedSide(in, side, result) || anyPadded;
    out = std::move(result);
    if (padded)
        *padded = anyPadded;
    return true;
}

bool ExpandDiscImageInPlace(std::vector<std::uint8_t>& bytes, bool* padded) {
    TAcornDFSDiscObject disc;
    const std::vector<TSideBytes> sides = SplitSides(bytes, disc);
    if (sides.size() != 1) {
        // Sides that grow would overrun the ones behind them: they are laid out anew.
        std::vector<std::uint8_t> expanded;
        if (!ExpandDiscImage(bytes, expanded, padded))
            return false;
        bytes = std::move(expanded);
        return true;
    }
    const std::size_t keep = std::min<std::size_t>(bytes.size(), kDFSFullSideBytes);
    bytes.resize(kDFSFullSideBytes);
    const bool grown = FinishExpandedSide(bytes.data(), keep, *sides.front().Side);
    if (padded)
        *padded = grown;
    return true;
}

} // namespace brelk
