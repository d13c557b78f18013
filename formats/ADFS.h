// ADFS discs with the old free space map (S, M and L floppies): the directory tree and each
// file's bytes, read only. Sectors hold 256 bytes; an L disc image (.adl) holds its two sides
// track by track, 16 sectors a track, logical tracks 80 to 159 on the second side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace brelk {

enum class TADFSFormat { S, M, L };

// One object of the tree, a file or a directory.
struct TADFSEntry {
    std::string Path; // "$.GAMES.ELITE"
    std::string Name; // "ELITE"
    int Depth = 0;    // 1 for an object in "$"
    bool IsDirectory = false;
    bool Readable = false;
    bool Writable = false;
    bool Locked = false;
    bool ExecuteOnly = false;
    std::uint32_t Load = 0;
    std::uint32_t Exec = 0;
    std::uint32_t Length = 0;
    std::uint32_t StartSector = 0;
};

struct TADFSDisc {
    TADFSFormat Format = TADFSFormat::S;
    std::uint32_t TotalSectors = 0;
    bool Interleaved = false; // an L image with its sides track by track
    std::string RootTitle;
    std::vector<TADFSEntry> Entries; // depth first: each directory before what it holds
};

// Whether Image starts like an old-map ADFS floppy: a free space map whose two sectors
// carry their check bytes and give 640, 1280 or 2560 sectors (free runs inside them, no
// more bytes than those sectors), and a root directory at sector 2 signed "Hugo" or "Nick"
// at both ends whose parent is sector 2 or 0. Format receives the size class.
bool LooksLikeADFSOldMap(std::span<const std::uint8_t> image, TADFSFormat* format = nullptr);

// The note an image of Format gets: "ADFS disc (old map, L format)".
std::string ADFSFormatNote(TADFSFormat format);

// Reads the tree of Image. False, with the reason, when it is no old-map ADFS disc or is
// damaged: a directory outside the disc or the image, a bad directory signature, a loop.
bool ReadADFSDisc(std::span<const std::uint8_t> image, TADFSDisc& disc, std::string& why);

// Reads Count bytes at Offset of an image into Dest; false when they cannot be read.
using TADFSReadFn =
    std::function<bool(std::uint64_t offset, std::uint8_t* dest, std::size_t count)>;

// The same tree from an image of Size bytes read through Read: only the free space map and
// the directories are read, each run of adjacent sectors at once.
bool ReadADFSDisc(std::uint64_t size, const TADFSReadFn& read, TADFSDisc& disc, std::string& why);

// The bytes of the file Entry of Disc. False, with a reason naming it, when it lies past
// the disc's sectors or past the bytes of the image.
bool ReadADFSFileBytes(std::span<const std::uint8_t> image, const TADFSDisc& disc,
                       const TADFSEntry& entry, std::vector<std::uint8_t>& data, std::string& why);

} // namespace brelk
