// Signs that a device holds something other than a Brelk card: a file system, an encrypted
// volume, a RAID member or a partition table, which formatting would destroy. libblkid does
// the probing, so everything it knows is recognised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brelk {

// The first bytes of a device that ForeignContents looks at: enough for the signatures that
// lie furthest in (btrfs and ReiserFS at 64 KiB, UDF's anchor at 128 KiB).
inline constexpr std::size_t kForeignContentsBytes = 256 * 1024;

// What the first bytes of the device (at most kForeignContentsBytes) show: "a FAT file
// system", "an exFAT file system", "an NTFS file system", "an ext2/3/4 file system",
// "a GPT partition table", "a partition table" for the common ones, otherwise libblkid's
// name of it ("a btrfs file system", "a LUKS encrypted volume", "a swap area", "a sun
// partition table");
// empty when there is none (a Brelk card, an empty or unknown device).
std::string ForeignContents(const std::uint8_t* bytes, std::size_t size);

} // namespace brelk
