// The files of a tape: each complete file (blocks numbered from 0 without a gap, up to the
// block flagged last) with its bytes, from a tape object's stored block run or a UEF file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brelk {

struct TTapeFile {
    std::string Name;
    std::uint32_t Load = 0;
    std::uint32_t Exec = 0;
    bool Locked = false;
    std::vector<std::uint8_t> Data;
};

// The complete files of Bytes, in tape order. Blocks of a file left incomplete (a missing
// block, or no last block) give no file.
std::vector<TTapeFile> ReadTapeFiles(std::span<const std::uint8_t> bytes);

} // namespace brelk
