// Acorn DFS disc images: the catalogue of one side, read from its first four sectors, and
// the squash (cut after the last used sector) and expand (pad to a full 80-track side)
// transformations of a disc object made of one or more sides laid back to back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brelk {

inline constexpr std::uint32_t kDFSSectorBytes = 256;
inline constexpr std::uint32_t kDFSFullSideSectors = 800;
inline constexpr std::uint32_t kDFSFullSideBytes = kDFSFullSideSectors * kDFSSectorBytes;
// Sectors 0 to 3: both catalogues of a 62-file side.
inline constexpr std::size_t kDFSCatalogueBytes = 1024;
// Sectors 0 and 1: the catalogue every side has.
inline constexpr std::size_t kDFSMainCatalogueBytes = 512;

// One catalogue entry of a side.
struct TAcornDFSCatEntry {
    std::string Name; // up to the first zero byte, at most 7 characters, trailing spaces kept
    char Directory = '$';
    bool Locked = false;
    std::uint32_t Length = 0;
    std::uint32_t LoadAddress = 0; // 0xFF0000 added when either high bit is set
    std::uint32_t ExecAddress = 0;
    std::uint16_t StartSector = 0;
    // The two high address bits as the catalogue holds them (0 to 3).
    std::uint8_t LoadHighBits = 0;
    std::uint8_t ExecHighBits = 0;

    // Sectors the entry takes: one for an empty file.
    std::uint32_t Sectors() const { return Length == 0 ? 1 : (Length - 1) / kDFSSectorBytes + 1; }
};

// Address (as LoadAddress and ExecAddress give it) with its catalogue's HighBits kept: 1 and
// 2 as &01xxxx and &02xxxx, 3 as &FFxxxx, so that an insert stores the same two bits again.
std::uint32_t DFSStoredAddress(std::uint32_t address, std::uint8_t highBits);

// One single-sided DFS disc as its catalogue describes it.
struct TDFSDiscSide {
    std::string Title;
    std::uint8_t Cycle = 0;
    std::uint8_t BootOption = 0; // 0 none, 1 load, 2 run, 3 exec
    std::uint16_t SectorCount = 0;
    std::uint16_t SectorsUsed = 0;
    std::uint16_t LastUsedSector = 0;
    bool Has62Files = false;
    std::vector<TAcornDFSCatEntry> Entries; // sorted by directory and name, case-blind
};

// One entry from its 8 name bytes (sector 0 or 2) and its 8 information bytes (sector 1 or 3).
TAcornDFSCatEntry DecodeDFSCatEntry(const std::uint8_t* name, const std::uint8_t* info);

// Reads sectors 0 to 3 of a side (exactly kDFSCatalogueBytes bytes). False, with Side left
// in an unspecified state, when the bytes are no acceptable DFS catalogue.
bool ReadDFSCatalogue(const std::uint8_t* catalogue, TDFSDiscSide& side);
// The same; when the catalogue is refused, Why (when given) receives the reason in words,
// such as "DFS catalogue with sector count 0".
bool ReadDFSCatalogue(const std::uint8_t* catalogue, TDFSDiscSide& side, std::string* why);
// Why the first 1024 bytes of Image (zero-padded when shorter) are no acceptable DFS
// catalogue; empty when they are one.
std::string DFSRefusalReason(std::span<const std::uint8_t> image);

// Writes a sector count into the catalogue of the side image Image (Count bytes long),
// keeping the other bits of s1[6]; bytes past Count are not written.
void WriteDFSSectorCount(std::uint8_t* image, std::size_t count, std::uint16_t sectorCount);

// A disc object: the sides read from it, in the order they were added.
class TAcornDFSDiscObject {
  public:
    std::vector<TDFSDiscSide> aDiscSides;

    // Reads the catalogue from the first 1024 bytes of Image; an image shorter than that
    // reads as if zero bytes followed it. True (and a side appended) when the catalogue is
    // acceptable; false, with aDiscSides unchanged, otherwise.
    bool AddDiscSide(std::span<const std::uint8_t> image);
    bool AddDiscSide(const std::uint8_t* image, std::size_t count) {
        return AddDiscSide(std::span<const std::uint8_t>(image, count));
    }

    // Squashes every side of the block (its first min(Size, Data.size()) bytes) to its used
    // sectors, laid back to back; Data and Size then hold the result. When the first side is
    // refused nothing changes.
    void SquashDisc(std::vector<std::uint8_t>& data, std::uint32_t& size);

    // Makes every side of the block a full 204800-byte side. True when any side was padded;
    // false when none was (Data and Size then hold the sides cut to 204800 bytes each) or
    // when the first side is refused (nothing changes).
    bool ExpandDisc(std::vector<std::uint8_t>& data, std::uint32_t& size);
};

} // namespace brelk
