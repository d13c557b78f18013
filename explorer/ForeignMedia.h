// What a card that is to be formatted holds besides a Brelk catalogue, so that formatting never
// wipes a disc image, a tape or a PC file system without saying so.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace brelk {

// What the first bytes of a card show, in the order they are tried: a PC file system or
// partition table (ForeignContents), "an ADFS disc image", "a DFS disc image", "a UEF tape
// image", "gzip-compressed data", else "data" for any byte that is not zero. Empty when the
// bytes are all zero or begin with a Brelk catalogue header.
std::string ForeignMedia(std::span<const std::uint8_t> start);

} // namespace brelk
