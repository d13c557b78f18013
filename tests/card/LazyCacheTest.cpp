// Windows filled lazily: a write reads nothing, a write-back completes only its own blocks,
// whole windows of a long write go straight to the card, windows on a block device are
// aligned to their size, and opening reads only the catalogue. A differential test holds the
// cache to a plain byte array and to a model of a cache that reads each window whole.
#include "card/FakeDevice.h"

#include <gtest/gtest.h>
#include <numeric>
#include <random>

using namespace brelk;
using namespace brelktest;

namespace {

constexpr std::uint32_t kZone = 8192;

// A cache that reads its whole window from the card whenever the window moves, with the same
// window placement, limits and write-back of whole modified blocks.
struct TEagerCache {
    std::vector<std::uint8_t> Card;
    std::uint32_t Block, Size, Limit;
    bool Aligned;
    std::vector<std::uint8_t> Buffer;
    std::uint32_t Start = 0, Fill = 0, Low, High = 0;

    TEagerCache(std::vector<std::uint8_t> card, std::uint32_t block, std::uint32_t size,
                std::uint32_t limit, bool aligned)
        : Card(std::move(card)), Block(block), Size(size), Limit(limit), Aligned(aligned),
          Buffer(size), Low(size) {}

    bool In(std::uint64_t a) const { return a >= Start && a - Start < Fill; }
    void Flush() {
        if (Low > High || Fill == 0)
            return;
        const std::uint32_t first = Low / Block * Block;
        const std::uint32_t end = std::min<std::uint32_t>((High + Block - 1) / Block * Block, Fill);
        std::copy(Buffer.begin() + first, Buffer.begin() + end, Card.begin() + Start + first);
        Low = Fill;
        High = 0;
    }
    void Move(std::uint32_t a) {
        Flush();
        const std::uint32_t unit = Aligned ? Size : Block;
        Start = a / unit * unit;
        Fill = Start < Limit ? std::min(Size, (Limit - Start) / Block * Block) : 0;
        std::copy_n(Card.begin() + Start, Fill, Buffer.begin());
        Low = Size;
        High = 0;
    }
    void Read(std::uint8_t* out, std::uint64_t a, std::uint32_t n) {
        while (n > 0) {
            if (a < Limit && !In(a))
                Move(std::uint32_t(a));
            if (a >= Limit || !In(a)) {
                std::fill_n(out, n, 0);
                return;
            }
            const std::uint32_t k = std::min<std::uint32_t>(n, Fill - std::uint32_t(a - Start));
            std::copy_n(Buffer.begin() + (a - Start), k, out);
            out += k;
            a += k;
            n -= k;
        }
    }
    bool Write(const std::uint8_t* in, std::uint64_t a, std::uint32_t n) {
        while (n > 0) {
            if (a < Limit && !In(a))
                Move(std::uint32_t(a));
            if (a >= Limit || !In(a))
                return false;
            const std::uint32_t off = std::uint32_t(a - Start);
            const std::uint32_t k = std::min(n, Fill - off);
            std::copy_n(in, k, Buffer.begin() + off);
            Low = std::min(Low, off);
            High = std::max(High, off + k);
            in += k;
            a += k;
            n -= k;
        }
        return true;
    }
};

struct TRandomCard {
    std::uint32_t Block, CardSize, Cache;
    bool BlockDevice;
};

// Every cache size (one byte, one block, odd sizes, larger than the card) on image files and
// block devices, each on three cards of random size and block size.
std::vector<TRandomCard> Cards(std::mt19937& random) {
    std::vector<TRandomCard> cards;
    for (std::uint32_t cache : {1u, 512u, 4096u, 5000u, 65536u, 262144u, 3u << 20})
        for (bool blockDevice : {false, true})
            for (int i = 0; i < 3; ++i) {
                const std::uint32_t block = random() % 3 == 0 ? 4096 : 512;
                const std::uint32_t size = (64 + std::uint32_t(random() % 448)) * 4096;
                cards.push_back({block, size, cache, blockDevice});
            }
    return cards;
}

TEST(LazyCacheDifferential, SameCardAsAPlainArrayAndAnEagerCacheAfterEveryStep) {
    std::mt19937 random(20261210);
    int round = 0;
    for (const TRandomCard& c : Cards(random)) {
        ++round;
        TFakeDevice device(c.CardSize);
        device.Sector = c.Block;
        device.BlockDevice = c.BlockDevice;
        for (auto& b : device.Bytes)
            b = std::uint8_t(random());
        device.Bytes[0] = 0; // no catalogue magic
        TRecordingReporter reporter;
        TBrelk card(reporter, device);
        card.Initialize(c.Cache, "card.img", kZone);
        const std::uint32_t limit = c.CardSize - kZone;
        TEagerCache eager(device.Bytes, c.Block, card.Window().Size, limit, c.BlockDevice);
        std::vector<std::uint8_t> plain = device.Bytes;
        const std::string where = "round " + std::to_string(round) + " block " +
                                  std::to_string(c.Block) + " cache " + std::to_string(c.Cache) +
                                  (c.BlockDevice ? " block device" : " file");
        std::uint8_t header[512];
        eager.Read(header, 0, 512); // the catalogue header read at opening

        for (int step = 0; step < 80; ++step) {
            const int op = int(random() % 10);
            // Mostly block-aligned places and lengths, as objects are written.
            std::uint32_t address = std::uint32_t(random() % limit);
            std::uint32_t count = 1 + std::uint32_t(random() % (3 * card.Window().Size + 1000));
            if (random() % 2) {
                address = address / c.Block * c.Block;
                count = (count + c.Block - 1) / c.Block * c.Block;
            }
            if (random() % 8 != 0) // now and then the write runs past the usable limit
                count = std::min(count, limit - address);
            if (op < 5) {
                std::vector<std::uint8_t> data(count);
                const std::uint32_t seed = random();
                for (std::uint32_t i = 0; i < count; ++i)
                    data[i] = std::uint8_t(seed + i * 31 + (i >> 9));
                const bool inside = std::uint64_t(address) + count <= limit;
                EXPECT_EQ(card.WriteRawBytes(data.data(), address, count), inside) << where;
                EXPECT_EQ(eager.Write(data.data(), address, count), inside) << where;
                const std::uint32_t stored = inside ? count : limit - address;
                std::copy_n(data.begin(), stored, plain.begin() + address);
            } else if (op < 9) {
                std::vector<std::uint8_t> got(count), expected(count);
                ASSERT_TRUE(card.ReadMMC(got.data(), address, count)) << where;
                eager.Read(expected.data(), address, count);
                ASSERT_EQ(got, expected) << where << " step " << step;
                const std::uint32_t below = std::min(count, limit - address);
                EXPECT_TRUE(std::equal(got.begin(), got.begin() + below, plain.begin() + address))
                    << where;
            } else {
                ASSERT_TRUE(card.FlushCache()) << where;
                eager.Flush();
            }
            ASSERT_EQ(device.Bytes, eager.Card) << where << " step " << step << " op " << op;
        }
        ASSERT_TRUE(card.FlushMMCDevice()) << where;
        eager.Flush();
        EXPECT_EQ(device.Bytes, eager.Card) << where;
        EXPECT_EQ(device.Bytes, plain) << where;
        for (const auto& message : reporter.Messages)
            EXPECT_NE(message.find("usable end"), std::string::npos) << message;
    }
}

struct LazyCacheTest : ::testing::Test {
    TFakeDevice Device{4u << 20};
    TRecordingReporter Reporter;
    std::unique_ptr<TBrelk> Open(std::uint32_t cache) {
        for (std::size_t i = 0; i < Device.Bytes.size(); ++i)
            Device.Bytes[i] = std::uint8_t(i * 13 + i / 509 + 1);
        auto card = std::make_unique<TBrelk>(Reporter, Device);
        card->Initialize(cache, "card.img", kZone);
        Device.Reads.clear();
        Device.Writes.clear();
        return card;
    }
};

TEST_F(LazyCacheTest, WritingWholeBlocksReadsNothing) {
    auto card = Open(65536);
    std::vector<std::uint8_t> data(100 * 512, 0x11);
    ASSERT_TRUE(card->WriteRawBytes(data.data(), 1 << 20, 512));
    ASSERT_TRUE(card->WriteRawBytes(data.data(), (1 << 20) + 512, std::uint32_t(data.size())));
    ASSERT_TRUE(card->FlushCache());
    EXPECT_TRUE(Device.Reads.empty());
    EXPECT_EQ(Device.BytesWritten(), 101u * 512);
}

TEST_F(LazyCacheTest, WriteBackReadsOnlyTheMissingBytesOfItsBlocks) {
    auto card = Open(65536);
    const std::vector<std::uint8_t> before = Device.Bytes;
    std::vector<std::uint8_t> ten(10, 0x55);
    // Ten bytes in the block [200192, 200704).
    ASSERT_TRUE(card->WriteRawBytes(ten.data(), 200200, 10));
    EXPECT_TRUE(Device.Reads.empty());
    ASSERT_TRUE(card->FlushCache());
    ASSERT_EQ(Device.Reads.size(), 2u);
    EXPECT_EQ(Device.Reads[0].Offset, 200192u);
    EXPECT_EQ(Device.Reads[0].Count, 8u);
    EXPECT_EQ(Device.Reads[1].Offset, 200210u);
    EXPECT_EQ(Device.Reads[1].Count, 494u);
    ASSERT_EQ(Device.Writes.size(), 1u);
    EXPECT_EQ(Device.Writes[0].Offset, 200192u);
    EXPECT_EQ(Device.Writes[0].Count, 512u);
    std::vector<std::uint8_t> expected = before;
    std::fill_n(expected.begin() + 200200, 10, 0x55);
    EXPECT_EQ(Device.Bytes, expected);
}

TEST_F(LazyCacheTest, FailedReadAtWriteBackKeepsTheSpanModified) {
    auto card = Open(65536);
    const std::vector<std::uint8_t> before = Device.Bytes;
    std::uint8_t byte = 0x99;
    ASSERT_TRUE(card->WriteRawBytes(&byte, 300001, 1));
    Device.FailReadNumber = Device.ReadCalls + 1;
    EXPECT_FALSE(card->FlushCache());
    EXPECT_EQ(Reporter.Messages,
              std::vector<std::string>{
                  "Error - Could not read from device 'card.img:' (Input/output error)"});
    EXPECT_TRUE(card->HasUnsavedData());
    EXPECT_EQ(Device.Bytes, before);
    ASSERT_TRUE(card->FlushCache());
    EXPECT_FALSE(card->HasUnsavedData());
    std::vector<std::uint8_t> expected = before;
    expected[300001] = 0x99;
    EXPECT_EQ(Device.Bytes, expected);
}

TEST_F(LazyCacheTest, ReadLoadsToTheWindowsEndOnce) {
    auto card = Open(65536);
    std::uint8_t got[100];
    ASSERT_TRUE(card->ReadMMC(got, 100000, 100));
    ASSERT_TRUE(card->ReadMMC(got, 100000 + 30000, 100));
    ASSERT_EQ(Device.Reads.size(), 1u);
    EXPECT_EQ(Device.Reads[0].Offset, 100000u / 512 * 512);
    EXPECT_EQ(Device.Reads[0].Count, 65536u);
    EXPECT_TRUE(std::equal(got, got + 100, Device.Bytes.begin() + 130000));
}

struct StraightCase {
    std::uint32_t Cache;
    std::uint32_t Address;
    std::uint32_t Count;
    bool BlockDevice;
    std::uint32_t Direct; // bytes written straight through, 0: none
};

class StraightThroughTest : public LazyCacheTest,
                            public ::testing::WithParamInterface<StraightCase> {};

TEST_P(StraightThroughTest, WholeWindowsGoStraightToTheCard) {
    const StraightCase& c = GetParam();
    Device.BlockDevice = c.BlockDevice;
    auto card = Open(c.Cache);
    std::uint8_t byte = 0x42;
    ASSERT_TRUE(card->WriteRawBytes(&byte, 4000, 1)); // an old window with modified data
    std::vector<std::uint8_t> data(c.Count);
    std::iota(data.begin(), data.end(), 0);
    ASSERT_TRUE(card->WriteRawBytes(data.data(), c.Address, c.Count));
    // The old window went back first; then, when it applies, one write of whole windows.
    ASSERT_GE(Device.Writes.size(), 1u);
    EXPECT_EQ(Device.Writes[0].Offset, 3584u);
    if (c.Direct) {
        ASSERT_EQ(Device.Writes.size(), 2u);
        EXPECT_EQ(Device.Writes[1].Offset, c.Address);
        EXPECT_EQ(Device.Writes[1].Count, c.Direct);
        // The last window is cached.
        const std::uint32_t last = c.Address + c.Count - 1;
        EXPECT_TRUE(last >= card->Window().Start &&
                    last - card->Window().Start < card->Window().Fill);
        EXPECT_TRUE(card->CacheModified());
    }
    // Only the old window's block around its one modified byte was read.
    EXPECT_EQ(Device.BytesRead(), 511u);
    for (const auto& read : Device.Reads)
        EXPECT_TRUE(read.Offset >= 3584 && read.Offset + read.Count <= 4096);
    ASSERT_TRUE(card->FlushCache());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), Device.Bytes.begin() + c.Address));
    EXPECT_EQ(Device.Bytes[4000], 0x42);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, StraightThroughTest,
    ::testing::Values(StraightCase{65536, 1 << 20, 4 * 65536 + 512, false, 4 * 65536},
                      StraightCase{65536, (1 << 20) + 512, 4 * 65536, false, 3 * 65536},
                      StraightCase{65536, 1 << 20, 65536, false, 0},
                      StraightCase{65536, 1 << 20, 65536 + 512, false, 65536},
                      // On a block device only writes that start a window qualify.
                      StraightCase{65536, (1 << 20) + 512, 4 * 65536, true, 0},
                      StraightCase{65536, 1 << 20, 3 * 65536 + 1, true, 3 * 65536}));

TEST_F(LazyCacheTest, LongReadTakesWholeWindowsStraightFromTheCard) {
    auto card = Open(65536);
    std::uint8_t byte = 0x42;
    ASSERT_TRUE(card->WriteRawBytes(&byte, 4000, 1)); // an old window with modified data
    std::vector<std::uint8_t> got(4 * 65536 + 100);
    ASSERT_TRUE(card->ReadMMC(got.data(), 1 << 20, std::uint32_t(got.size())));
    EXPECT_TRUE(std::equal(got.begin(), got.end(), Device.Bytes.begin() + (1 << 20)));
    // The old window went back as when it moves; then one read of four windows, then the
    // last window loaded into the cache.
    ASSERT_EQ(Device.Writes.size(), 1u);
    EXPECT_EQ(Device.Bytes[4000], 0x42);
    ASSERT_EQ(Device.Reads.size(), 4u); // the rest of the old block (2), the windows, the last
    EXPECT_EQ(Device.Reads[2].Offset, 1u << 20);
    EXPECT_EQ(Device.Reads[2].Count, 4u * 65536);
    EXPECT_EQ(Device.Reads[3].Offset, (1u << 20) + 4 * 65536);
    EXPECT_EQ(card->Window().Start, (1u << 20) + 4 * 65536);
    EXPECT_FALSE(card->HasUnsavedData());
}

TEST_F(LazyCacheTest, WindowsOnABlockDeviceStartAtMultiplesOfTheirSize) {
    Device.BlockDevice = true;
    auto card = Open(65536);
    std::uint8_t byte = 7;
    ASSERT_TRUE(card->WriteRawBytes(&byte, 200000, 1));
    EXPECT_EQ(card->Window().Start, 196608u);
    EXPECT_EQ(card->Window().Fill, 65536u);
    card.reset(); // the first card object holds the card's lock
    Device.BlockDevice = false;
    auto file = Open(65536);
    ASSERT_TRUE(file->WriteRawBytes(&byte, 200000, 1));
    EXPECT_EQ(file->Window().Start, 200000u / 512 * 512);
}

struct OpenCase {
    std::uint32_t Cache;
    bool BlockDevice;
};

class OpenReadsTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenReadsTest, OpeningReadsOnlyTheCataloguesBlocks) {
    TFakeDevice device(16u << 20);
    device.BlockDevice = GetParam().BlockDevice;
    std::copy(kCatalogueMagic.begin(), kCatalogueMagic.end(), device.Bytes.begin());
    PutLE32(&device.Bytes[16], 9); // header and 9 entries: 1536 bytes in whole blocks
    TRecordingReporter reporter;
    TBrelk card(reporter, device);
    card.Initialize(GetParam().Cache, "card.img", kZone);
    ASSERT_TRUE(card.State().CatalogueValid);
    EXPECT_EQ(card.Entries().size(), 9u);
    EXPECT_EQ(device.BytesRead(), 1536u);
}

INSTANTIATE_TEST_SUITE_P(Caches, OpenReadsTest,
                         ::testing::Values(OpenCase{512, false}, OpenCase{4096, true},
                                           OpenCase{262144, false}, OpenCase{8u << 20, true},
                                           OpenCase{8u << 20, false}));

} // namespace
