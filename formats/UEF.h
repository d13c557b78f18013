// TUEF: reads an Acorn cassette either from a UEF container or from the run of raw tape
// blocks that a tape object on the card holds, collects the blocks into one byte run (what
// the card stores) and lists the files of the tape.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brelk {

// One file of the tape.
struct TTapeCatEntry {
    std::string Name;         // from the file's block 0; empty when it has no block 0
    bool Locked = false;      // bit 0 of block 0's flag
    std::uint32_t Length = 0; // sum of the data lengths of the file's blocks
    std::uint32_t LoadAddress = 0;
    std::uint32_t ExecAddress = 0;
    bool LastBlock = false;       // bit 7 of the flag of the latest block read for this file
    std::uint32_t BlockCount = 0; // blocks read for this file
};

// The header fields of one tape block, as parsed from its bytes.
struct TTapeBlock {
    std::string Name;
    std::uint32_t LoadAddress = 0;
    std::uint32_t ExecAddress = 0;
    std::uint16_t Number = 0;
    std::uint16_t DataLength = 0;
    std::uint8_t Flag = 0;
    // Name length + 23 + data length: sync byte, name, zero byte, 19 header bytes, data and
    // the two data check bytes.
    std::size_t BlockLength = 0;
    // The bytes present in the input (BlockLength, or fewer when the check bytes are cut off).
    std::size_t PresentLength = 0;
};

// Parses the tape block at the start of Data (Size bytes). False when the bytes do not begin
// with "*", or when the header or the data run past Size. Check bytes missing at the end of
// the bytes are allowed: a block of data length 0 really carries none.
bool ParseTapeBlock(const std::uint8_t* data, std::size_t size, TTapeBlock& block);

class TUEF {
  public:
    TUEF() = default;

    // Reads Size bytes at Data, starting afresh. Bytes that begin with "*" are read as a
    // stored block run and give false; anything else is read as a UEF container and gives
    // true exactly when it is one. Inputs of 4 GiB or more give false and nothing.
    bool FetchUEF(const std::uint8_t* data, std::size_t size);
    bool FetchUEF(const std::vector<std::uint8_t>& data) {
        return FetchUEF(data.data(), data.size());
    }

    std::uint32_t UseableDataSize() const { return std::uint32_t(UseableData.size()); }
    // Copies all of UseableData to Dest, which holds UseableDataSize() bytes. Always true.
    bool FetchUseabledata(std::uint8_t* dest) const;
    // The number of entries, at most 65535.
    std::uint16_t CatEntryCount() const;
    // The entry at Index (from 0), or null when Index >= CatEntryCount(). Owned by this object.
    const TTapeCatEntry* GetUEFCatEntry(std::size_t index) const;

    bool IsUEF = false;
    std::string OriginInfo;
    std::string ShortTitle;
    std::string UEFVersion;
    std::vector<std::unique_ptr<TTapeCatEntry>> Entries;
    std::vector<std::uint8_t> UseableData;

  private:
    void Clear();
    void ReadUEFContainer(const std::uint8_t* data, std::size_t size);
    void HandleChunk(std::uint16_t id, const std::uint8_t* data, std::size_t size);
    void ReadContainerBlock(const std::uint8_t* data, std::size_t size);
    void ReadRawBlocks(const std::uint8_t* data, std::size_t size);
    // Adds a parsed block to Entry and appends its bytes to UseableData.
    void ReadTapeBlock(const TTapeBlock& block, const std::uint8_t* bytes, TTapeCatEntry& entry);
    TTapeCatEntry& StartEntry();

    TTapeCatEntry* Current = nullptr; // the container reader's current file
};

} // namespace brelk
