// A UEF file made from the raw tape blocks that a tape object stores, so that a tape saved
// to a PC file or handed to an emulator is a real UEF tape image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brelk {

// "UEF File!", version 0.10, then for each tape block of Data a carrier-tone chunk (0x0110)
// and the block in a tape-data chunk (0x0100). Bytes after the last whole block (the zero
// bytes that fill an object up to whole card blocks) are left out.
std::vector<std::uint8_t> MakeUEFFromTapeBlocks(const std::uint8_t* data, std::size_t size);

} // namespace brelk
