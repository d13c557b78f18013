// The sides of a DFS disc object, walked from its first byte, and the squash and expand of
// every side found, on the object's bytes.
#pragma once

#include "formats/AcornDFS.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace brelk {

// At most five sides are walked (drives 0, 2, 1, 3 and "4?").
inline constexpr int kMaxDFSSides = 5;

// Reads Count bytes at Address into Dest; false when the read failed.
using TDFSReadFn =
    std::function<bool(std::uint64_t address, std::uint8_t* dest, std::size_t count)>;

// Walks the sides of the object of Size bytes at Address and appends each side found to
// Disc. A side's catalogue is read from its first 1024 bytes, never from bytes outside the
// object or the side: what lies past either reads as zero bytes. The first side is always
// tried; each further side starts SectorCount x 256 bytes after the one before and is tried
// while its two catalogue sectors lie inside the object. The walk stops at a refused
// catalogue, a failed read or the fifth side. Returns the number of sides added; their
// offsets from Address go to SideOffsets when it is given.
int WalkDFSSides(TAcornDFSDiscObject& disc, std::uint64_t address, std::uint64_t size,
                 const TDFSReadFn& read, std::vector<std::uint64_t>* sideOffsets = nullptr);

// The same walk over bytes held in memory.
int WalkDFSSides(TAcornDFSDiscObject& disc, const std::uint8_t* data, std::size_t size,
                 std::vector<std::uint64_t>* sideOffsets = nullptr);

// Squashes every side that the walk finds in In to its used sectors and lays them back to
// back in Out; each squashed side's catalogue states its new sector count. A side whose bytes
// end before its last used sector (a file cut short) is padded with zeros up to it; Padded
// (when given) tells whether any was. Bytes behind the last side are dropped. False, with Out
// unchanged, when the first side is refused.
bool SquashDiscImage(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out,
                     bool* padded = nullptr);
// The same squash done in Bytes themselves (the sides only move down): no copy is made.
bool SquashDiscImageInPlace(std::vector<std::uint8_t>& bytes, bool* padded = nullptr);
// The length that SquashDiscImage gives In, and whether it pads, without making it; 0 when
// the first side is refused.
std::size_t SquashedDiscLength(std::span<const std::uint8_t> in, bool* padded = nullptr);

// Makes every side that the walk finds in In a full 204800-byte side (zero-padded, catalogue
// sector count 800) and lays them back to back in Out. A last side longer than 204800 bytes
// is cut. Padded (when given) tells whether any side was padded. False, with Out unchanged,
// when the first side is refused.
bool ExpandDiscImage(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out,
                     bool* padded = nullptr);
// The same expansion into Bytes themselves: a single side is only lengthened or cut, several
// sides are laid out anew. False, with Bytes unchanged, when the first side is refused.
bool ExpandDiscImageInPlace(std::vector<std::uint8_t>& bytes, bool* padded = nullptr);

} // namespace brelk
