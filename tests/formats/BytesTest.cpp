// The shared little-endian readers and writers, and the hexadecimal formatters.
#include "base/Bytes.h"
#include "formats/GlobalStuff.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

using namespace brelk;

namespace {

const std::array<std::uint8_t, 9> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xF9};

// The fixed-width reader for Count bytes, the general one for other counts.
std::uint64_t SizedRead(const std::uint8_t* p, std::size_t count) {
    switch (count) {
    case 2:
        return GetLE16(p);
    case 3:
        return GetLE24(p);
    case 4:
        return GetLE32(p);
    case 8:
        return GetLE64(p);
    default:
        return GetLE(p, count);
    }
}

// Each reader at the start, in the middle and ending on the buffer's last byte (0xF9, so a
// sign-extended top byte would show).
TEST(BytesTest, LittleEndianReadsAtOffsets) {
    const struct {
        std::size_t At;
        std::size_t Count;
        std::uint64_t Expected;
    } cases[] = {
        {0, 2, 0x0201},     {7, 2, 0xF908},     {0, 3, 0x030201},           {6, 3, 0xF90807},
        {0, 4, 0x04030201}, {5, 4, 0xF9080706}, {1, 8, 0xF908070605040302}, {8, 1, 0xF9},
    };
    for (const auto& c : cases) {
        ASSERT_LE(c.At + c.Count, kBytes.size());
        const std::uint8_t* p = kBytes.data() + c.At;
        EXPECT_EQ(GetLE(p, c.Count), c.Expected) << c.At << "+" << c.Count;
        EXPECT_EQ(SizedRead(p, c.Count), c.Expected) << c.At << "+" << c.Count;
    }
}

// The writers touch only their own bytes, and what they write reads back.
TEST(BytesTest, WritesReadBackAndStayInPlace) {
    std::vector<std::uint8_t> bytes(8, 0xAA);
    PutLE32(&bytes[4], 0xF1E2D3C4);
    PutLE16(&bytes[1], 0xB00C);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xAA, 0x0C, 0xB0, 0xAA, 0xC4, 0xD3, 0xE2, 0xF1}));
    EXPECT_EQ(GetLE32(&bytes[4]), 0xF1E2D3C4u);
    EXPECT_EQ(GetLE16(&bytes[1]), 0xB00Cu);
}

TEST(BytesTest, HexWidths) {
    const struct {
        std::uint32_t Value;
        int Digits;
        const char* Expected;
    } cases[] = {
        {0, 2, "00"},          {0xAB, 2, "AB"},
        {0x1AB, 2, "1AB"},     {0x7, 4, "0007"},
        {0xFFFFF, 5, "FFFFF"}, {0xBEEF, 6, "00BEEF"},
        {0, 8, "00000000"},    {0xFFFFFFFF, 8, "FFFFFFFF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatHex(c.Value, c.Digits), c.Expected) << c.Value << "/" << c.Digits;
    EXPECT_EQ(FormatHex8(0x3EAE00), "003EAE00");
}

} // namespace
