// The block cache: windows, refills, write-back of exactly the modified blocks, the safety
// zone, bulk transfer and device failures.
#include "card/FakeDevice.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace brelk;
using namespace brelktest;

namespace {

constexpr std::uint32_t kCard = 1 << 20; // 1 MiB
constexpr std::uint32_t kZone = 8192;
constexpr std::uint32_t kLimit = kCard - kZone;

struct CacheTest : ::testing::Test {
    TFakeDevice Device{kCard};
    TRecordingReporter Reporter;

    void FillPattern() {
        for (std::size_t i = 0; i < Device.Bytes.size(); ++i)
            Device.Bytes[i] = std::uint8_t(i * 7 + i / 251);
    }
    std::unique_ptr<TBrelk> Open(std::uint32_t cache = 4096) {
        auto card = std::make_unique<TBrelk>(Reporter, Device);
        card->Initialize(cache, "card.img", kZone);
        return card;
    }
};

TEST_F(CacheTest, ReadAcrossWindowsEqualsTheCard) {
    FillPattern();
    auto card = Open(4096);
    std::vector<std::uint8_t> got(10000);
    ASSERT_TRUE(card->ReadMMC(got.data(), 3001, std::uint32_t(got.size())));
    EXPECT_TRUE(std::equal(got.begin(), got.end(), Device.Bytes.begin() + 3001));
    EXPECT_TRUE(Reporter.Messages.empty());
}

TEST_F(CacheTest, WriteLargerThanTheCacheStoresEveryByte) {
    TFakeDevice big(4u << 20);
    auto card = std::make_unique<TBrelk>(Reporter, big);
    card->Initialize(262144, "card.img", kZone);
    std::vector<std::uint8_t> disc(409600);
    std::iota(disc.begin(), disc.end(), 0);
    ASSERT_TRUE(card->WriteRawBytes(disc.data(), 1 << 20, std::uint32_t(disc.size())));
    ASSERT_TRUE(card->FlushMMCDevice());
    EXPECT_TRUE(std::equal(disc.begin(), disc.end(), big.Bytes.begin() + (1 << 20)));
}

TEST_F(CacheTest, NothingAtOrAboveTheUsableLimitIsReadOrWritten) {
    FillPattern();
    auto card = Open(65536);
    std::vector<std::uint8_t> got(1000, 0xAA);
    ASSERT_TRUE(card->ReadMMC(got.data(), kLimit, 1000));
    EXPECT_EQ(std::count(got.begin(), got.end(), 0), 1000);
    // A read that crosses the limit gets the bytes below it and zeros above it.
    ASSERT_TRUE(card->ReadMMC(got.data(), kLimit - 10, 1000));
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 10, Device.Bytes.begin() + kLimit - 10));
    EXPECT_EQ(std::count(got.begin() + 10, got.end(), 0), 990);
    for (const auto& read : Device.Reads)
        EXPECT_LE(read.Offset + read.Count, kLimit);

    // A write that would cross the limit is refused and reported, not silently cut.
    std::vector<std::uint8_t> data(100, 1);
    EXPECT_FALSE(card->WriteRawBytes(data.data(), kLimit - 50, 100));
    ASSERT_EQ(Reporter.Messages.size(), 1u);
    EXPECT_NE(Reporter.Messages[0].find("usable end"), std::string::npos);
    card->FlushMMCDevice();
    for (const auto& write : Device.Writes)
        EXPECT_LE(write.Offset + write.Count, kLimit);
}

TEST_F(CacheTest, FlushWritesExactlyTheModifiedBlocks) {
    auto card = Open(65536);
    std::uint8_t first;
    card->ReadMMC(&first, 0, 1); // load the window at 0
    std::vector<std::uint8_t> ten(10, 0x55);
    ASSERT_TRUE(card->WriteRawBytes(ten.data(), 700, 10));
    Device.Writes.clear();
    ASSERT_TRUE(card->FlushCache());
    ASSERT_EQ(Device.Writes.size(), 1u);
    EXPECT_EQ(Device.Writes[0].Offset, 512u);
    EXPECT_EQ(Device.Writes[0].Count, 512u);
    ASSERT_TRUE(card->FlushCache());
    EXPECT_EQ(Device.Writes.size(), 1u);
}

TEST_F(CacheTest, UnsavedDataFollowsWritesAndFlushes) {
    Device.Bytes.assign(kCard, 0);
    auto card = Open();
    EXPECT_FALSE(card->HasUnsavedData());
    std::uint8_t byte = 1;
    card->WriteRawBytes(&byte, 5000, 1);
    EXPECT_TRUE(card->HasUnsavedData());
    card->FlushMMCDevice();
    EXPECT_FALSE(card->HasUnsavedData());
}

TEST_F(CacheTest, BulkTransferOpensTheDeviceOnce) {
    auto card = Open();
    std::uint8_t buffer[600] = {};
    auto run = [&] {
        for (std::uint32_t i = 0; i < 5; ++i) {
            card->ReadMMC(buffer, 100000 + i * 50000, 600);
            card->WriteRawBytes(buffer, 100000 + i * 50000 + 1000, 600);
        }
    };
    Device.Opens = 0;
    run();
    EXPECT_EQ(Device.Opens, 10);
    Device.Opens = 0;
    ASSERT_TRUE(card->StartBulktransfer());
    run();
    card->StopBulktransfer();
    EXPECT_EQ(Device.Opens, 1);
    EXPECT_EQ(Device.OpenHandles, 0);
}

TEST_F(CacheTest, UnboundObjectWritesNothing) {
    { TBrelk card(Reporter, Device); }
    EXPECT_EQ(Device.Opens, 0);
    EXPECT_TRUE(Device.Writes.empty());
    EXPECT_TRUE(Reporter.Messages.empty());
}

TEST_F(CacheTest, ShortTransfersAndInterruptsAreRetried) {
    FillPattern();
    Device.MaxTransfer = 100;
    Device.EintrFirst = true;
    auto card = Open(4096);
    std::vector<std::uint8_t> got(5000);
    ASSERT_TRUE(card->ReadMMC(got.data(), 777, 5000));
    EXPECT_TRUE(std::equal(got.begin(), got.end(), Device.Bytes.begin() + 777));
    std::vector<std::uint8_t> data(3000, 0x3C);
    ASSERT_TRUE(card->WriteRawBytes(data.data(), 20000, 3000));
    ASSERT_TRUE(card->FlushMMCDevice());
    EXPECT_TRUE(std::all_of(Device.Bytes.begin() + 20000, Device.Bytes.begin() + 23000,
                            [](auto b) { return b == 0x3C; }));
    EXPECT_TRUE(Reporter.Messages.empty());
}

// After a failed write nothing more is written behind the reported failure.
TEST_F(CacheTest, FailedWriteBackIsReportedAndStopsLaterWrites) {
    auto card = Open(4096);
    std::vector<std::uint8_t> data(100, 0x77);
    ASSERT_TRUE(card->WriteRawBytes(data.data(), 10000, 100));
    Device.FailWriteNumber = Device.WriteCalls + 1;
    EXPECT_FALSE(card->FlushCache());
    ASSERT_EQ(Reporter.Messages.size(), 1u);
    EXPECT_EQ(Reporter.Messages[0],
              "Error - Could not write to device 'card.img:' (Input/output error)");
    EXPECT_TRUE(card->WritesStopped());
    // The device would accept writes again, but neither a flush nor a new write is made.
    const int calls = Device.WriteCalls;
    EXPECT_FALSE(card->WriteRawBytes(data.data(), 20000, 100));
    EXPECT_FALSE(card->FlushMMCDevice());
    EXPECT_EQ(Device.WriteCalls, calls);
    EXPECT_EQ(Device.Bytes[10050], 0);
    // Reads still show the card as it is.
    std::uint8_t byte = 1;
    EXPECT_TRUE(card->ReadMMC(&byte, 10050, 1));
    EXPECT_EQ(byte, 0);
}

TEST_F(CacheTest, DeviceThatCannotBeOpenedRefusesWrites) {
    auto card = Open();
    Device.Missing = true;
    std::uint8_t byte = 1;
    EXPECT_FALSE(card->WriteRawBytes(&byte, 100000, 1));
    ASSERT_FALSE(Reporter.Messages.empty());
    EXPECT_EQ(Reporter.Messages[0],
              "Error - Could not open device 'card.img:' (No such file or directory)");
    EXPECT_FALSE(card->State().DeviceOK);
}

TEST_F(CacheTest, InitializeFailsWhenTheDeviceIsMissing) {
    // The window names the card as a drive (a colon where the letter stood); brelk by path.
    for (const bool driveColon : {true, false}) {
        Device.Missing = true;
        Reporter.Messages.clear();
        TBrelk card(Reporter, Device);
        card.SetDriveColonInMessages(driveColon);
        EXPECT_FALSE(card.Initialize(4096, "/dev/sdz", kZone));
        EXPECT_EQ(Reporter.Messages,
                  std::vector<std::string>{std::string("Error - Could not open device '/dev/sdz") +
                                           (driveColon ? ":'" : "'") +
                                           " (No such file or directory)"});
        EXPECT_EQ(card.Window().Size, 0u);
    }
}

TEST_F(CacheTest, ReaderWithoutACardReadsNothingAndWritesNothing) {
    Device.LengthFails = true;
    auto card = Open();
    EXPECT_FALSE(card->State().DeviceOK);
    EXPECT_EQ(card->Window().Size, 0u);
    EXPECT_FALSE(card->State().CatalogueValid);
    std::uint8_t byte = 0x42;
    EXPECT_TRUE(card->ReadMMC(&byte, 0, 1));
    EXPECT_EQ(byte, 0x42);
    EXPECT_FALSE(card->WriteRawBytes(&byte, 0, 1));
    EXPECT_TRUE(Reporter.Messages.empty());
}

struct GeometryCase {
    std::uint64_t Length;
    std::uint32_t Sector;
    bool Usable;
    std::uint32_t CardSize;
};

class GeometryTest : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(GeometryTest, SizesAndRefusals) {
    const auto& c = GetParam();
    TFakeDevice device(4096);
    device.ReportedLength = c.Length;
    device.Sector = c.Sector;
    TRecordingReporter reporter;
    TBrelk card(reporter, device);
    EXPECT_EQ(card.Initialize(4096, "card.img", 0), c.Usable);
    EXPECT_EQ(card.State().DeviceOK, c.Usable);
    EXPECT_EQ(card.State().CardSize, c.CardSize);
    EXPECT_EQ(reporter.Messages.empty(), c.Usable);
    if (c.Usable) {
        EXPECT_EQ(card.Window().Size % c.Sector, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Cards, GeometryTest,
                         ::testing::Values(GeometryCase{1000000, 512, true, 999936},
                                           GeometryCase{0xFFFFFFFFull, 512, true, 0xFFFFFE00u},
                                           GeometryCase{0x100000000ull, 512, false, 0},
                                           GeometryCase{1 << 20, 4096, true, 1 << 20},
                                           GeometryCase{1 << 20, 65536, false, 0}));

TEST_F(CacheTest, AddingHighThenFlushingWritesObjectThenCatalogue) {
    auto card = Open(65536);
    ASSERT_TRUE(card->FormatMMC());
    TBrelkCatEntry entry;
    entry.SetType(kTypeTool);
    entry.SetName("TOOL");
    entry.SetSize(1000);
    std::vector<std::uint8_t> data(1000, 9);
    ASSERT_TRUE(card->AddObjectToBrelk(entry, data.data(), false));
    Device.Writes.clear();
    Device.Reads.clear();
    Device.Events.clear();
    ASSERT_TRUE(card->FlushMMCDevice());
    ASSERT_EQ(Device.Writes.size(), 4u);
    EXPECT_EQ(Device.Writes[0].Offset, kLimit - 1536u); // the object's blocks
    // The record of the change, in space free before and after it, then the old header with
    // the marker that points at the record.
    EXPECT_GE(Device.Writes[1].Offset, 1024u);
    EXPECT_LE(Device.Writes[1].Offset + Device.Writes[1].Count, kLimit - 1536u);
    EXPECT_EQ(Device.Writes[2].Offset, 0u);
    EXPECT_EQ(Device.Writes[2].Count, 512u);
    EXPECT_EQ(Device.Writes[3].Offset, 0u); // header and entries in one write
    EXPECT_EQ(Device.Writes[3].Count, 512u + 64u);
    EXPECT_EQ(std::string(Device.Events.begin(), Device.Events.end()), "wswswsws");
    // The reads are the check that the catalogue on the card is still the one read, and the
    // card's bytes that the grown catalogue covers (the record keeps them).
    ASSERT_EQ(Device.Reads.size(), 2u);
    EXPECT_EQ(Device.Reads[0].Offset, 0u);
    EXPECT_EQ(Device.Reads[1].Offset, 512u);
    EXPECT_EQ(Device.Reads[1].Count, 64u);
    std::uint8_t header[512];
    ASSERT_TRUE(card->ReadMMC(header, 0, 512));
    EXPECT_EQ(Device.Reads.size(), 3u); // the refill at 0
    EXPECT_EQ(GetLE32(&header[16]), 1u);
}

} // namespace
