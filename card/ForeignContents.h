// Signs that a device holds something other than a Brelk card: a PC file system or a
// partition table, which formatting would destroy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brelk {

// The first bytes of a device that ForeignContents looks at.
inline constexpr std::size_t kForeignContentsBytes = 4096;

// What the first bytes of the device (at most kForeignContentsBytes) show: "a FAT file
// system", "an exFAT file system", "an NTFS file system", "an ext2/3/4 file system",
// "a GPT partition table", "a partition table"; empty when none of them (a Brelk card,
// an empty or unknown device).
std::string ForeignContents(const std::uint8_t* bytes, std::size_t size);

} // namespace brelk
