// TUEF: the tape block parser and the two readers (UEF container, stored block run).
#include "formats/UEF.h"

#include "base/Bytes.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <string_view>

namespace brelk {

namespace {

constexpr std::uint8_t kSyncByte = '*';
constexpr std::size_t kMaxNameLength = 10;
constexpr std::size_t kHeaderBytes = 19; // load, exec, number, length, flag, 4 spare, check
constexpr std::size_t kCheckBytes = 2;
constexpr std::uint8_t kFlagLocked = 0x01;
constexpr std::uint8_t kFlagLastBlock = 0x80;

constexpr std::size_t kMagicLength = 10; // "UEF File!" and its zero byte
constexpr std::size_t kContainerHeader = 12;
constexpr std::size_t kChunkHeader = 6;
constexpr std::uint16_t kChunkOrigin = 0x0000;
constexpr std::uint16_t kChunkShortTitle = 0x0009;
constexpr std::uint16_t kChunkTapeData = 0x0100;

// The magic compared as emulators compare it: letters in either case.
bool SameMagic(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
}

bool HasUEFMagic(const std::uint8_t* data, std::size_t size) {
    if (size < kMagicLength)
        return false;
    const char* text = reinterpret_cast<const char*>(data);
    return SameMagic(std::string_view(text, strnlen(text, kMagicLength)), "UEF File!");
}

} // namespace

bool ParseTapeBlock(const std::uint8_t* data, std::size_t size, TTapeBlock& block) {
    if (size == 0 || data[0] != kSyncByte)
        return false;
    std::size_t nameLength = 0;
    while (nameLength < kMaxNameLength && 1 + nameLength < size && data[1 + nameLength] != 0)
        ++nameLength;
    const std::size_t header = 1 + nameLength + 1; // the byte after the name is skipped
    if (header + kHeaderBytes > size)
        return false;
    const std::uint8_t* h = data + header;
    const std::uint16_t dataLength = GetLE16(h + 10);
    if (header + kHeaderBytes + dataLength > size)
        return false;
    block.Name.assign(reinterpret_cast<const char*>(data + 1), nameLength);
    block.LoadAddress = GetLE32(h);
    block.ExecAddress = GetLE32(h + 4);
    block.Number = GetLE16(h + 8);
    block.DataLength = dataLength;
    block.Flag = h[12];
    block.BlockLength = header + kHeaderBytes + dataLength + kCheckBytes;
    block.PresentLength = std::min(block.BlockLength, size);
    return true;
}

void TUEF::Clear() {
    IsUEF = false;
    OriginInfo.clear();
    ShortTitle.clear();
    UEFVersion.clear();
    Entries.clear();
    UseableData.clear();
    Current = nullptr;
}

bool TUEF::FetchUEF(const std::uint8_t* data, std::size_t size) {
    Clear();
    if (data == nullptr || size >= (std::uint64_t(1) << 32))
        return false;
    if (size > 0 && data[0] == kSyncByte) {
        ReadRawBlocks(data, size);
        return false;
    }
    ReadUEFContainer(data, size);
    return IsUEF;
}

bool TUEF::FetchUseabledata(std::uint8_t* dest) const {
    std::copy(UseableData.begin(), UseableData.end(), dest);
    return true;
}

std::uint16_t TUEF::CatEntryCount() const {
    return std::uint16_t(
        std::min<std::size_t>(Entries.size(), std::numeric_limits<std::uint16_t>::max()));
}

const TTapeCatEntry* TUEF::GetUEFCatEntry(std::size_t index) const {
    return index < CatEntryCount() ? Entries[index].get() : nullptr;
}

TTapeCatEntry& TUEF::StartEntry() {
    Entries.push_back(std::make_unique<TTapeCatEntry>());
    Current = Entries.back().get();
    return *Current;
}

void TUEF::ReadTapeBlock(const TTapeBlock& block, const std::uint8_t* bytes, TTapeCatEntry& entry) {
    if (block.Number == 0) {
        entry.Name = block.Name;
        entry.LoadAddress = block.LoadAddress;
        entry.ExecAddress = block.ExecAddress;
        entry.Locked = (block.Flag & kFlagLocked) != 0;
    }
    entry.Length += block.DataLength;
    entry.LastBlock = (block.Flag & kFlagLastBlock) != 0;
    ++entry.BlockCount;
    // Check bytes cut off at the end are stored as zeros, so the stored run keeps the
    // length rule and reads back block by block.
    UseableData.insert(UseableData.end(), bytes, bytes + block.PresentLength);
    UseableData.resize(UseableData.size() + (block.BlockLength - block.PresentLength), 0);
}

// A container too short to hold its version bytes is refused as well.
void TUEF::ReadUEFContainer(const std::uint8_t* data, std::size_t size) {
    IsUEF = HasUEFMagic(data, size) && size >= kContainerHeader;
    if (!IsUEF)
        return;
    UEFVersion = std::to_string(data[11]) + "." + std::to_string(data[10]);
    std::size_t position = kContainerHeader;
    while (size - position >= kChunkHeader) {
        const std::uint16_t id = GetLE16(data + position);
        const std::uint32_t length = GetLE32(data + position + 2);
        if (id == 0 && length == 0)
            break;
        position += kChunkHeader;
        // A chunk that runs past the end is read with the bytes that are there.
        const std::size_t present = std::min<std::size_t>(length, size - position);
        HandleChunk(id, data + position, present);
        position += present;
    }
}

void TUEF::HandleChunk(std::uint16_t id, const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    switch (id) {
    case kChunkOrigin:
        OriginInfo.assign(text, size);
        break;
    case kChunkShortTitle:
        ShortTitle.assign(text, size);
        break;
    case kChunkTapeData:
        if (size > 0 && data[0] == kSyncByte)
            ReadContainerBlock(data, size);
        else
            StartEntry();
        break;
    default:
        break;
    }
}

// A block numbered 0 starts a new file unless the current one holds no block yet: many tapes
// carry no new-file chunk between their files. A block with no current file starts one too.
void TUEF::ReadContainerBlock(const std::uint8_t* data, std::size_t size) {
    TTapeBlock block;
    if (!ParseTapeBlock(data, size, block))
        return;
    if (Current == nullptr || (block.Number == 0 && Current->BlockCount > 0))
        StartEntry();
    ReadTapeBlock(block, data, *Current);
}

// A file is listed once its last block is read. A file left without its last block, at the
// end or because the next file's block 0 follows, is not listed; its blocks stay stored.
void TUEF::ReadRawBlocks(const std::uint8_t* data, std::size_t size) {
    auto current = std::make_unique<TTapeCatEntry>();
    std::size_t position = 0;
    TTapeBlock block;
    while (position < size && ParseTapeBlock(data + position, size - position, block)) {
        if (block.Number == 0 && current->BlockCount > 0)
            current = std::make_unique<TTapeCatEntry>();
        ReadTapeBlock(block, data + position, *current);
        if (current->LastBlock) {
            Entries.push_back(std::move(current));
            current = std::make_unique<TTapeCatEntry>();
        }
        position += block.PresentLength;
    }
}

} // namespace brelk
