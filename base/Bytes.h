// Little-endian numbers in byte buffers: the card's catalogue, disc catalogues and tape
// chunks all store them this way. Header only and standard library only, so that the card
// and the media formats share it without either depending on the other.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brelk {

// The Count-byte (1 to 8) little-endian number at P.
constexpr std::uint64_t GetLE(const std::uint8_t* p, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = count; i > 0; --i)
        value = value << 8 | p[i - 1];
    return value;
}
constexpr std::uint16_t GetLE16(const std::uint8_t* p) {
    return std::uint16_t(GetLE(p, 2));
}
constexpr std::uint32_t GetLE24(const std::uint8_t* p) {
    return std::uint32_t(GetLE(p, 3));
}
constexpr std::uint32_t GetLE32(const std::uint8_t* p) {
    return std::uint32_t(GetLE(p, 4));
}
constexpr std::uint64_t GetLE64(const std::uint8_t* p) {
    return GetLE(p, 8);
}

// Writes the low Count bytes (1 to 8) of Value at P, least significant first.
constexpr void PutLE(std::uint8_t* p, std::uint64_t value, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        p[i] = std::uint8_t(value >> (8 * i));
}
constexpr void PutLE16(std::uint8_t* p, std::uint16_t value) {
    PutLE(p, value, 2);
}
constexpr void PutLE32(std::uint8_t* p, std::uint32_t value) {
    PutLE(p, value, 4);
}
constexpr void PutLE64(std::uint8_t* p, std::uint64_t value) {
    PutLE(p, value, 8);
}

} // namespace brelk
