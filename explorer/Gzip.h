// Gzip-compressed files, as most tape archives hold their UEF files: recognised by their
// first two bytes and unpacked whole (every member in a row) with a limit on the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brelk {

// Files unpack to at most this many bytes; a larger result is refused.
inline constexpr std::size_t kMaxUnpackedBytes = std::size_t(64) << 20;

// Whether Data begins with the gzip magic 0x1F 0x8B.
bool IsGzip(const std::uint8_t* data, std::size_t size);

enum class TGunzipResult { Ok, Damaged, TooLarge };

// Unpacks every gzip member of Data, one after the other, into Out. Zero bytes after the last
// member are allowed; anything else there, a cut or corrupt member, or a result of more than
// Limit bytes fails, with Out emptied.
TGunzipResult GunzipAll(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out,
                        std::size_t limit = kMaxUnpackedBytes);

} // namespace brelk
