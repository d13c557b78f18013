#include "formats/TapeFiles.h"

#include "formats/UEF.h"

namespace brelk {

namespace {

constexpr std::uint8_t kFlagLocked = 0x01;
constexpr std::uint8_t kFlagLastBlock = 0x80;
constexpr std::size_t kCheckBytes = 2;

// Collects the blocks of one file in tape order. Its name and addresses come from block 0,
// or from its first block when it has no block 0.
struct TFileInProgress {
    TTapeFile File;
    std::uint32_t NextBlock = 0;
    bool Started = false;

    void Add(const TTapeBlock& block, const std::uint8_t* bytes) {
        if (block.Number == 0 || !Started) {
            File.Name = block.Name;
            File.Load = block.LoadAddress;
            File.Exec = block.ExecAddress;
            File.Locked = (block.Flag & kFlagLocked) != 0;
        }
        File.OutOfSequence = File.OutOfSequence || block.Number != NextBlock;
        NextBlock = block.Number + 1u;
        Started = true;
        const std::size_t dataStart = block.BlockLength - kCheckBytes - block.DataLength;
        File.Data.insert(File.Data.end(), bytes + dataStart, bytes + dataStart + block.DataLength);
    }
};

} // namespace

std::vector<TTapeFile> ReadTapeFiles(std::span<const std::uint8_t> bytes) {
    TUEF tape;
    tape.FetchUEF(bytes.data(), bytes.size());
    const std::vector<std::uint8_t>& run = tape.UseableData;
    std::vector<TTapeFile> files;
    TFileInProgress current;
    std::size_t position = 0;
    TTapeBlock block;
    while (position < run.size() &&
           ParseTapeBlock(run.data() + position, run.size() - position, block)) {
        if (block.Number == 0 && current.Started)
            current = TFileInProgress{};
        current.Add(block, run.data() + position);
        if ((block.Flag & kFlagLastBlock) != 0) {
            files.push_back(std::move(current.File));
            current = TFileInProgress{};
        }
        position += block.PresentLength;
    }
    return files;
}

} // namespace brelk
