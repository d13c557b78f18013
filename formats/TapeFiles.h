// The files of a tape: each file that reaches the block flagged last, with its bytes
// joined in tape order, from a tape object's stored block run or a UEF file.
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
    // Its blocks are not numbered 0, 1, 2, ... (as copy-protected tapes number them).
    bool OutOfSequence = false;
    std::vector<std::uint8_t> Data;
};

// The note a file whose blocks are out of sequence gets.
inline constexpr const char* kBlocksOutOfSequence = "blocks out of sequence";

// The files of Bytes, in tape order. A file without its last block gives no file; one whose
// blocks are numbered out of sequence keeps them in the order the tape holds them.
std::vector<TTapeFile> ReadTapeFiles(std::span<const std::uint8_t> bytes);

} // namespace brelk
