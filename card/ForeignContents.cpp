#include "card/ForeignContents.h"

#include "card/CatEntry.h"

#include <cstring>

namespace brelk {

namespace {

bool Has(const std::uint8_t* bytes, std::size_t size, std::size_t at, const char* text) {
    const std::size_t n = std::strlen(text);
    return at + n <= size && std::memcmp(bytes + at, text, n) == 0;
}

// A classic partition table: the boot signature and at least one sound entry (status 0 or
// 0x80, a type, a non-zero length), all entries with a sound status.
bool HasPartitionTable(const std::uint8_t* bytes, std::size_t size) {
    if (size < 512 || bytes[510] != 0x55 || bytes[511] != 0xAA)
        return false;
    bool any = false;
    for (std::size_t entry = 446; entry < 510; entry += 16) {
        const std::uint8_t status = bytes[entry];
        if (status != 0 && status != 0x80)
            return false;
        if (bytes[entry + 4] != 0 && GetLE32(bytes + entry + 12) != 0)
            any = true;
    }
    return any;
}

} // namespace

std::string ForeignContents(const std::uint8_t* bytes, std::size_t size) {
    if (Has(bytes, size, 0, "BrelkCat"))
        return {};
    if (Has(bytes, size, 3, "EXFAT   "))
        return "an exFAT file system";
    if (Has(bytes, size, 3, "NTFS    "))
        return "an NTFS file system";
    if (Has(bytes, size, 54, "FAT1") || Has(bytes, size, 82, "FAT32"))
        return "a FAT file system";
    if (size >= 1082 && bytes[1080] == 0x53 && bytes[1081] == 0xEF)
        return "an ext2/3/4 file system";
    if (Has(bytes, size, 512, "EFI PART"))
        return "a GPT partition table";
    if (HasPartitionTable(bytes, size))
        return "a partition table";
    return {};
}

} // namespace brelk
