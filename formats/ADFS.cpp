#include "formats/ADFS.h"

#include "base/Bytes.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace brelk {

namespace {

constexpr std::size_t kSectorBytes = 256;
constexpr std::uint32_t kRootSector = 2;
constexpr std::uint32_t kDirectorySectors = 5;
constexpr std::size_t kDirectoryBytes = kDirectorySectors * kSectorBytes;
constexpr std::size_t kEntryBytes = 26;
constexpr std::size_t kEntries = 47;
constexpr std::size_t kParentOffset = 0x4D6;
constexpr std::size_t kTitleOffset = 0x4D9;
constexpr std::size_t kTailSequence = 0x4FA;
constexpr std::size_t kTailSignature = 0x4FB;
constexpr std::uint32_t kSectorsPerTrack = 16;
constexpr std::uint32_t kTracksPerSide = 80;
constexpr std::size_t kMapEntryBytes = 0xF6; // 82 free runs of three bytes
constexpr std::size_t kMapEndOffset = 0xFE;  // in sector 1: the bytes of free runs used

bool FormatOfSectors(std::uint32_t sectors, TADFSFormat& format) {
    switch (sectors) {
    case 640:
        format = TADFSFormat::S;
        return true;
    case 1280:
        format = TADFSFormat::M;
        return true;
    case 2560:
        format = TADFSFormat::L;
        return true;
    default:
        return false;
    }
}

// The free space map's check byte: the bytes 254 down to 0 added with end-around carry.
std::uint8_t MapChecksum(const std::uint8_t* sector) {
    unsigned sum = 255;
    for (int i = 254; i >= 0; --i) {
        if (sum > 255)
            sum = (sum + 1) & 0xFF;
        sum += sector[i];
    }
    return std::uint8_t(sum);
}

// Both map sectors carry their check byte, and each free run lies on the disc.
bool MapIsSound(const std::uint8_t* map, std::uint32_t sectors) {
    const std::uint8_t* lengths = map + kSectorBytes;
    if (MapChecksum(map) != map[0xFF] || MapChecksum(lengths) != lengths[0xFF])
        return false;
    const std::size_t end = lengths[kMapEndOffset];
    if (end % 3 != 0 || end > kMapEntryBytes)
        return false;
    for (std::size_t i = 0; i < end; i += 3)
        if (std::uint64_t(GetLE24(map + i)) + GetLE24(lengths + i) > sectors)
            return false;
    return true;
}

bool IsSignature(const std::uint8_t* p) {
    return std::memcmp(p, "Hugo", 4) == 0 || std::memcmp(p, "Nick", 4) == 0;
}

// Where logical sector Sector lies in the image.
std::size_t SectorOffset(std::uint32_t sector, bool interleaved) {
    if (!interleaved)
        return std::size_t(sector) * kSectorBytes;
    const std::uint32_t track = sector / kSectorsPerTrack;
    const std::uint32_t side = track >= kTracksPerSide ? 1 : 0;
    const std::uint32_t physical = track % kTracksPerSide;
    return (std::size_t(physical * 2 + side) * kSectorsPerTrack + sector % kSectorsPerTrack) *
           kSectorBytes;
}

// The image being read: its length and how to read a span of it.
struct TImage {
    std::uint64_t Size = 0;
    const TADFSReadFn& Read;
};

// Copies Count bytes from logical sector Start on, each run of adjacent sectors in one read.
// False when a sector lies past the image or a read fails.
bool ReadRun(const TImage& image, bool interleaved, std::uint32_t start, std::size_t count,
             std::vector<std::uint8_t>& out) {
    out.assign(count, 0);
    std::size_t done = 0;
    while (done < count) {
        const std::uint32_t first = start + std::uint32_t(done / kSectorBytes);
        const std::uint64_t offset = SectorOffset(first, interleaved);
        std::size_t take = std::min(kSectorBytes, count - done);
        while (done + take < count && SectorOffset(first + std::uint32_t(take / kSectorBytes),
                                                   interleaved) == offset + take)
            take += std::min(kSectorBytes, count - done - take);
        if (offset > image.Size || image.Size - offset < take ||
            !image.Read(offset, out.data() + done, take))
            return false;
        done += take;
    }
    return true;
}

// Up to Max characters, top bits cleared, up to the first control character (or space, for
// a name).
std::string TextField(const std::uint8_t* p, std::size_t max, bool isName = true) {
    std::string text;
    for (std::size_t i = 0; i < max; ++i) {
        const char c = char(p[i] & 0x7F);
        if (static_cast<unsigned char>(c) < (isName ? 0x21 : 0x20))
            break;
        text += c;
    }
    return text;
}

TADFSEntry ReadEntry(const std::uint8_t* e, const std::string& parent, int depth) {
    TADFSEntry entry;
    entry.Name = TextField(e, 10);
    entry.Path = parent + "." + entry.Name;
    entry.Depth = depth;
    entry.Readable = (e[0] & 0x80) != 0;
    entry.Writable = (e[1] & 0x80) != 0;
    entry.Locked = (e[2] & 0x80) != 0;
    entry.IsDirectory = (e[3] & 0x80) != 0;
    entry.ExecuteOnly = (e[4] & 0x80) != 0;
    entry.Load = GetLE32(e + 10);
    entry.Exec = GetLE32(e + 14);
    entry.Length = GetLE32(e + 18);
    entry.StartSector = GetLE24(e + 22);
    return entry;
}

// Reads the tree of one disc layout.
class TTreeReader {
  public:
    TTreeReader(const TImage& image, TADFSDisc& disc) : Image(image), Disc(disc) {}

    bool ReadDirectory(std::uint32_t sector, const std::string& path, int depth, std::string& why) {
        std::vector<std::uint8_t> bytes;
        if (!LoadDirectory(sector, path, bytes, why))
            return false;
        if (depth == 0)
            Disc.RootTitle = TextField(bytes.data() + kTitleOffset, 19, false);
        for (std::size_t i = 0; i < kEntries; ++i) {
            const std::uint8_t* e = bytes.data() + 5 + i * kEntryBytes;
            if (e[0] == 0)
                break;
            TADFSEntry entry = ReadEntry(e, path, depth + 1);
            Disc.Entries.push_back(entry);
            if (entry.IsDirectory && !ReadDirectory(entry.StartSector, entry.Path, depth + 1, why))
                return false;
        }
        return true;
    }

  private:
    bool LoadDirectory(std::uint32_t sector, const std::string& path,
                       std::vector<std::uint8_t>& bytes, std::string& why) {
        if (sector < kRootSector || sector > Disc.TotalSectors - kDirectorySectors) {
            why = "directory " + path + " points outside the disc (sector " +
                  std::to_string(sector) + ")";
            return false;
        }
        if (!Visited.insert(sector).second) {
            why = "directory " + path + " makes a loop (sector " + std::to_string(sector) +
                  " is read twice)";
            return false;
        }
        if (!ReadRun(Image, Disc.Interleaved, sector, kDirectoryBytes, bytes)) {
            why = "directory " + path + " lies past the end of the image";
            return false;
        }
        if (!IsSignature(bytes.data() + 1) || !IsSignature(bytes.data() + kTailSignature) ||
            bytes[0] != bytes[kTailSequence]) {
            why = "directory " + path + " is broken (bad signature or sequence number)";
            return false;
        }
        return true;
    }

    const TImage& Image;
    TADFSDisc& Disc;
    std::set<std::uint32_t> Visited;
};

bool ReadLayout(const TImage& image, TADFSDisc& disc, std::string& why) {
    disc.Entries.clear();
    return TTreeReader(image, disc).ReadDirectory(kRootSector, "$", 0, why);
}

// The map and the root directory: the bytes that tell an old-map disc.
constexpr std::size_t kHeadBytes = (kRootSector + kDirectorySectors) * kSectorBytes;

// Whether Head (the first kHeadBytes of an image of Size bytes) starts an old-map disc.
bool LooksLikeOldMap(const std::uint8_t* head, std::uint64_t size, TADFSFormat* format) {
    const std::uint32_t sectors = GetLE24(head + 0xFC);
    TADFSFormat found;
    if (!FormatOfSectors(sectors, found) || size > std::uint64_t(sectors) * kSectorBytes)
        return false;
    if (!MapIsSound(head, sectors))
        return false;
    // Formatters name sector 2 or sector 0 as the root's parent.
    const std::uint8_t* root = head + kRootSector * kSectorBytes;
    const std::uint32_t parent = GetLE24(root + kParentOffset);
    if (!IsSignature(root + 1) || !IsSignature(root + kTailSignature) ||
        (parent != kRootSector && parent != 0))
        return false;
    if (format)
        *format = found;
    return true;
}

TADFSReadFn MemoryReader(std::span<const std::uint8_t> image) {
    return [image](std::uint64_t offset, std::uint8_t* dest, std::size_t count) {
        if (offset > image.size() || count > image.size() - offset)
            return false;
        std::memcpy(dest, image.data() + offset, count);
        return true;
    };
}

} // namespace

bool LooksLikeADFSOldMap(std::span<const std::uint8_t> image, TADFSFormat* format) {
    return image.size() >= kHeadBytes && LooksLikeOldMap(image.data(), image.size(), format);
}

std::string ADFSFormatNote(TADFSFormat format) {
    static const char* const letters[] = {"S", "M", "L"};
    return std::string("ADFS disc (old map, ") + letters[int(format)] + " format)";
}

bool ReadADFSDisc(std::span<const std::uint8_t> image, TADFSDisc& disc, std::string& why) {
    return ReadADFSDisc(image.size(), MemoryReader(image), disc, why);
}

bool ReadADFSDisc(std::uint64_t size, const TADFSReadFn& read, TADFSDisc& disc, std::string& why) {
    disc = TADFSDisc{};
    std::uint8_t head[kHeadBytes];
    if (size < kHeadBytes || !read(0, head, kHeadBytes) ||
        !LooksLikeOldMap(head, size, &disc.Format)) {
        why = "not an old-map ADFS disc (no sound free space map of an S, M or L disc with a "
              "root directory at sector 2)";
        return false;
    }
    disc.TotalSectors = GetLE24(head + 0xFC);
    const TImage image{size, read};
    // An L image lies track by track; one kept in logical order is read as it lies.
    disc.Interleaved = disc.Format == TADFSFormat::L;
    if (ReadLayout(image, disc, why))
        return true;
    if (!disc.Interleaved)
        return false;
    std::string linearWhy;
    disc.Interleaved = false;
    if (ReadLayout(image, disc, linearWhy))
        return true;
    disc.Interleaved = true;
    disc.Entries.clear();
    return false;
}

bool ReadADFSFileBytes(std::span<const std::uint8_t> image, const TADFSDisc& disc,
                       const TADFSEntry& entry, std::vector<std::uint8_t>& data, std::string& why) {
    const std::uint64_t sectors = (std::uint64_t(entry.Length) + kSectorBytes - 1) / kSectorBytes;
    if (entry.IsDirectory) {
        why = "'" + entry.Path + "' is a directory";
        return false;
    }
    if (std::uint64_t(entry.StartSector) + sectors > disc.TotalSectors) {
        why = "'" + entry.Path + "' runs past the end of the disc";
        return false;
    }
    const TADFSReadFn read = MemoryReader(image);
    if (!ReadRun({image.size(), read}, disc.Interleaved, entry.StartSector, entry.Length, data)) {
        why = "'" + entry.Path + "' runs past the bytes the image holds";
        data.clear();
        return false;
    }
    return true;
}

} // namespace brelk
