// Builds tape blocks and UEF containers byte by byte for the tape tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace brelktest {

using TBytes = std::vector<std::uint8_t>;

inline void AppendLE(TBytes& bytes, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        bytes.push_back(std::uint8_t(value >> (8 * i)));
}

struct TBlockSpec {
    std::string Name = "FILE";
    std::uint32_t Load = 0x1900;
    std::uint32_t Exec = 0x8023;
    std::uint16_t Number = 0;
    std::uint16_t DataLength = 0;
    std::uint8_t Flag = 0;
    bool CheckBytes = true; // the two data check bytes at the end
};

inline TBlockSpec BlockSpec(std::string name, std::uint16_t number, std::uint16_t length,
                            std::uint8_t flag) {
    TBlockSpec spec;
    spec.Name = std::move(name);
    spec.Number = number;
    spec.DataLength = length;
    spec.Flag = flag;
    return spec;
}

// One Acorn tape block: "*", name, zero byte, 19 header bytes, data, data check.
// The data bytes count up from the block number so blocks differ.
inline TBytes TapeBlock(const TBlockSpec& spec) {
    TBytes bytes{'*'};
    for (char c : spec.Name)
        bytes.push_back(std::uint8_t(c));
    bytes.push_back(0);
    AppendLE(bytes, spec.Load, 4);
    AppendLE(bytes, spec.Exec, 4);
    AppendLE(bytes, spec.Number, 2);
    AppendLE(bytes, spec.DataLength, 2);
    bytes.push_back(spec.Flag);
    AppendLE(bytes, 0, 4);      // next file address
    AppendLE(bytes, 0xBEEF, 2); // header check
    for (std::uint32_t i = 0; i < spec.DataLength; ++i)
        bytes.push_back(std::uint8_t(spec.Number + i));
    if (spec.CheckBytes)
        AppendLE(bytes, 0xCAFE, 2);
    return bytes;
}

// A UEF container: magic, version bytes, then chunks appended with Chunk().
class TUEFBuilder {
  public:
    explicit TUEFBuilder(std::string magic = "UEF File!", std::uint8_t minor = 10,
                         std::uint8_t major = 0) {
        Bytes.assign(magic.begin(), magic.end());
        Bytes.push_back(0);
        Bytes.push_back(minor);
        Bytes.push_back(major);
    }
    TUEFBuilder& Chunk(std::uint16_t id, const TBytes& data) {
        return Chunk(id, data, std::uint32_t(data.size()));
    }
    // A chunk whose stated length may differ from the bytes that follow.
    TUEFBuilder& Chunk(std::uint16_t id, const TBytes& data, std::uint32_t statedLength) {
        AppendLE(Bytes, id, 2);
        AppendLE(Bytes, statedLength, 4);
        Bytes.insert(Bytes.end(), data.begin(), data.end());
        return *this;
    }
    TUEFBuilder& NewFile() { return Chunk(0x0100, TBytes{0xDC}); }
    TUEFBuilder& Block(const TBlockSpec& spec) { return Chunk(0x0100, TapeBlock(spec)); }
    TUEFBuilder& Text(std::uint16_t id, const std::string& text) {
        return Chunk(id, TBytes(text.begin(), text.end()));
    }
    TUEFBuilder& End() { return Chunk(0, TBytes{}); }
    TBytes Bytes;
};

inline TBytes Concat(std::initializer_list<TBytes> parts) {
    TBytes all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A copy of some bytes that ends right before an inaccessible page, so that a reader that
// reads one byte past the end crashes the test instead of reading stale memory.
class TGuardedBytes {
  public:
    explicit TGuardedBytes(const TBytes& bytes) : Size(bytes.size()) {
        const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
        const std::size_t dataPages = (Size + page - 1) / page;
        Length = (dataPages + 1) * page;
        void* map =
            mmap(nullptr, Length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        Base = static_cast<std::uint8_t*>(map == MAP_FAILED ? nullptr : map);
        if (Base == nullptr)
            return;
        mprotect(Base + dataPages * page, page, PROT_NONE);
        std::uint8_t* start = Base + dataPages * page - Size;
        if (Size > 0)
            std::memcpy(start, bytes.data(), Size);
        Data = start;
    }
    ~TGuardedBytes() {
        if (Base != nullptr)
            munmap(Base, Length);
    }
    TGuardedBytes(const TGuardedBytes&) = delete;
    TGuardedBytes& operator=(const TGuardedBytes&) = delete;
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;

  private:
    std::uint8_t* Base = nullptr;
    std::size_t Length = 0;
};

} // namespace brelktest
