// Properties that the DFS reader, the side walk, squash, expand and the details texts keep
// for any input bytes. The fuzzer aborts when one fails; the tests run them over the real
// images and the inputs the fuzzer once found.
#pragma once

#include "formats/AcornDFS.h"
#include "formats/DFSDetails.h"
#include "formats/DFSSideWalk.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace dfsproperties {

using namespace brelk;
using TBytes = std::vector<std::uint8_t>;

// The first property that failed, or empty.
struct TFailure {
    std::string What;
};

inline void Check(bool condition, const char* what) {
    if (!condition)
        throw TFailure{what};
}

// Walks Bytes as if they were an object on the card at a high address, with reads checked
// to stay inside the object; a read fails once FailAt reads have been made.
inline int WalkOnCard(const TBytes& bytes, int failAt, TAcornDFSDiscObject& disc) {
    const std::uint64_t base = 0xFFFFF000u;
    int reads = 0;
    auto read = [&](std::uint64_t address, std::uint8_t* dest, std::size_t count) {
        Check(address >= base && address - base + count <= bytes.size(), "read inside object");
        Check(count > 0 && count <= kDFSCatalogueBytes, "read size");
        if (reads++ == failAt)
            return false;
        std::memcpy(dest, bytes.data() + (address - base), count);
        return true;
    };
    return WalkDFSSides(disc, base, bytes.size(), read);
}

inline void TouchTexts(const TAcornDFSDiscObject& disc) {
    for (std::size_t i = 0; i < disc.aDiscSides.size(); ++i) {
        Check(!DFSSideLines(disc.aDiscSides[i]).empty(), "side lines");
        DFSSideTabLabel(int(i), disc.aDiscSides[i]);
    }
    Check(DFSDiscTabLabels(disc).size() == disc.aDiscSides.size() + 1, "tab labels");
}

// The first Count sides of A and B hold the same catalogues.
inline void CheckSameSides(const TAcornDFSDiscObject& a, const TAcornDFSDiscObject& b,
                           std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const TDFSDiscSide& x = a.aDiscSides[i];
        const TDFSDiscSide& y = b.aDiscSides[i];
        Check(x.Title == y.Title && x.Entries.size() == y.Entries.size(), "same side");
        Check(x.LastUsedSector == y.LastUsedSector && x.SectorsUsed == y.SectorsUsed,
              "same used sectors");
    }
}

inline void CheckSameCatalogues(const TAcornDFSDiscObject& a, const TAcornDFSDiscObject& b) {
    Check(a.aDiscSides.size() == b.aDiscSides.size(), "same side count");
    CheckSameSides(a, b, a.aDiscSides.size());
}

inline void CheckSquash(const TBytes& in, const TAcornDFSDiscObject& walked) {
    TBytes out;
    bool padded = false;
    if (!SquashDiscImage(in, out, &padded)) {
        Check(walked.aDiscSides.empty(), "squash refuses only a refused first side");
        return;
    }
    Check(out.size() <= in.size() || padded, "squash grows only to pad a side cut short");
    if (in.size() < kDFSMainCatalogueBytes)
        return;
    TAcornDFSDiscObject again;
    WalkDFSSides(again, out.data(), out.size());
    CheckSameCatalogues(walked, again);
    TBytes twice;
    Check(SquashDiscImage(out, twice) && twice == out, "squash is idempotent");
}

inline void CheckExpand(const TBytes& in, const TAcornDFSDiscObject& walked) {
    TBytes out;
    bool padded = false;
    if (!ExpandDiscImage(in, out, &padded)) {
        Check(walked.aDiscSides.empty(), "expand refuses only a refused first side");
        return;
    }
    Check(out.size() == walked.aDiscSides.size() * kDFSFullSideBytes, "expand size");
    TAcornDFSDiscObject again;
    WalkDFSSides(again, out.data(), out.size());
    // A last side longer than a full side is cut after 204800 bytes: the walk may then read
    // zero bytes where the input had more, and find one side more behind it.
    Check(again.aDiscSides.size() >= walked.aDiscSides.size(), "expanded sides found again");
    CheckSameSides(walked, again, walked.aDiscSides.size());
    for (std::size_t i = 0; i + 1 < walked.aDiscSides.size(); ++i)
        Check(again.aDiscSides[i].SectorCount == kDFSFullSideSectors, "full sides");
}

inline void CheckHexView(const std::uint8_t* data, std::size_t size) {
    const unsigned bytesPerRow = size > 1 ? data[1] % 40 : 8;
    const std::size_t count = size < 2048 ? size : 2048;
    const std::vector<std::string> lines =
        HexViewLines(data, count, std::uint32_t(size), bytesPerRow);
    const std::size_t width = bytesPerRow == 0 ? 8 : bytesPerRow;
    const std::size_t rows = (count + width - 1) / width;
    Check(lines.size() == rows + (size == count ? 1 : 0), "hex view rows");
    for (std::size_t i = 0; i < rows; ++i)
        Check(lines[i].size() == lines[0].size(), "hex rows of one width");
}

inline void CheckAll(const std::uint8_t* data, std::size_t size) {
    const TBytes bytes(data, data + size);

    TAcornDFSDiscObject single;
    single.AddDiscSide(bytes);
    TouchTexts(single);

    TAcornDFSDiscObject walked;
    const int sides = WalkDFSSides(walked, bytes.data(), bytes.size());
    Check(sides >= 0 && sides <= kMaxDFSSides && std::size_t(sides) == walked.aDiscSides.size(),
          "side count");
    TouchTexts(walked);

    const int failAt = size > 0 ? data[0] % 6 : 0;
    TAcornDFSDiscObject onCard;
    const int cardSides = WalkOnCard(bytes, failAt, onCard);
    Check(cardSides == (size > 0 ? std::min(sides, failAt) : sides), "failed read ends walk");

    CheckHexView(data, size);
    CheckSquash(bytes, walked);
    CheckExpand(bytes, walked);
}

// Runs every property over Data; returns the first that failed, or an empty text.
inline std::string FailedProperty(const std::uint8_t* data, std::size_t size) {
    try {
        CheckAll(data, size);
    } catch (const TFailure& failure) {
        return failure.What;
    }
    return {};
}

} // namespace dfsproperties
