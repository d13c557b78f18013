// A card served from memory behind the system-call seam, and the decoding of the card fuzz
// inputs (4 parameter bytes, then the first bytes of the card), shared by the card fuzz
// harness and the test that replays its findings.
#pragma once

#include "card/Brelk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace brelktest {

// A card of Length bytes whose first bytes are Bytes; the rest reads as zeros. Writes land in
// Bytes or are dropped; writes past Length fail.
class TMemoryCard : public brelk::TSysCalls {
  public:
    std::vector<std::uint8_t> Bytes;
    std::uint64_t Length = 0;
    std::uint32_t Sector = 512;

    int Open(const std::string&, brelk::TCardAccess) override { return 5; }
    int OpenLocked(const std::string&, brelk::TCardAccess) override { return 6; }
    int DataSync(int) override { return 0; }
    int DropCache(int, std::uint64_t, std::uint64_t) override { return 0; }
    int Close(int) override { return 0; }
    ssize_t PRead(int, void* buffer, std::size_t count, std::uint64_t offset) override {
        if (offset >= Length)
            return 0;
        count = std::size_t(std::min<std::uint64_t>(count, Length - offset));
        auto* dest = static_cast<std::uint8_t*>(buffer);
        std::memset(dest, 0, count);
        if (offset < Bytes.size())
            std::memcpy(dest, Bytes.data() + offset,
                        std::min<std::size_t>(count, Bytes.size() - offset));
        return ssize_t(count);
    }
    ssize_t PWrite(int, const void* buffer, std::size_t count, std::uint64_t offset) override {
        if (offset + count > Length) {
            errno = ENOSPC;
            return -1;
        }
        if (offset < Bytes.size())
            std::memcpy(Bytes.data() + offset, buffer,
                        std::min<std::size_t>(count, Bytes.size() - offset));
        return ssize_t(count);
    }
    int DeviceLength(int, std::uint64_t& length) override {
        length = Length;
        return 0;
    }
    int SectorSize(int, std::uint32_t& size) override {
        size = Sector;
        return 0;
    }
};

class TQuietReporter : public brelk::TBrelkReporter {
  public:
    void ReportError(const std::string&) override {}
};

struct TCardFuzzInput {
    std::uint32_t SafetyZone = 8192;
    std::uint32_t CacheBytes = 65536;
};

// Byte 0 picks the sector size, byte 1 the safety zone, byte 2 the claimed card length (the
// bytes themselves, or the bytes in front of a card of up to 4 GiB), byte 3 the cache size.
// False when the input is shorter than the 4 parameter bytes.
inline bool DecodeCardFuzzInput(const std::uint8_t* data, std::size_t size, TMemoryCard& card,
                                TCardFuzzInput& input) {
    static const std::uint32_t sectors[] = {512, 512, 1024, 2048, 4096, 256, 0, 65536};
    static const std::uint32_t zones[] = {0, 512, 8192, 65536, 1u << 20, 0xFFFFFFFFu, 100, 8192};
    if (size < 4)
        return false;
    card.Sector = sectors[data[0] % 8];
    input.SafetyZone = zones[data[1] % 8];
    card.Bytes.assign(data + 4, data + size);
    const std::uint64_t lengths[] = {card.Bytes.size(), 1u << 20, 64u << 20, 0xFFFFFE00u,
                                     std::uint64_t(1) << 32};
    card.Length = std::max<std::uint64_t>(lengths[data[2] % 5], card.Bytes.size());
    input.CacheBytes = 512u << (data[3] % 8);
    return true;
}

} // namespace brelktest
