#include "formats/UEFWriter.h"

#include "formats/UEF.h"

#include "base/Bytes.h"

#include <cstring>

namespace brelk {

namespace {

constexpr std::uint16_t kChunkTapeData = 0x0100;
constexpr std::uint16_t kChunkCarrierTone = 0x0110;
constexpr std::uint16_t kToneCycles = 1500; // about 0.6 s of high tone before each block

void PutChunk(std::vector<std::uint8_t>& out, std::uint16_t id, const std::uint8_t* data,
              std::uint32_t length) {
    std::uint8_t header[6];
    PutLE16(header, id);
    PutLE32(header + 2, length);
    out.insert(out.end(), header, header + 6);
    out.insert(out.end(), data, data + length);
}

} // namespace

std::vector<std::uint8_t> MakeUEFFromTapeBlocks(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> out = {'U', 'E', 'F', ' ', 'F', 'i', 'l', 'e', '!', 0, 10, 0};
    std::uint8_t tone[2];
    PutLE16(tone, kToneCycles);
    std::size_t at = 0;
    TTapeBlock block;
    while (at < size && ParseTapeBlock(data + at, size - at, block)) {
        const std::size_t length = std::min(block.BlockLength, size - at);
        PutChunk(out, kChunkCarrierTone, tone, sizeof tone);
        PutChunk(out, kChunkTapeData, data + at, std::uint32_t(length));
        at += length;
    }
    return out;
}

} // namespace brelk
