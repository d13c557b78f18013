// A pulled card: changes not yet written are dropped, and closing the card writes nothing.
#include "card/CardFixture.h"

namespace brelktest {
namespace {

struct DiscardTest : CardFixture {};

TEST_F(DiscardTest, PendingChangesAreDroppedAndNothingIsWrittenOnClose) {
    const std::vector<std::uint8_t> before = Device.Bytes;
    const int writes = Device.WriteCalls;
    Add("PENDING", 100); // object data in the cache and a catalogue change, neither flushed
    ASSERT_TRUE(Card->CacheModified());
    ASSERT_TRUE(Card->State().CatalogueModified);

    Card->DiscardUnsavedData();
    EXPECT_FALSE(Card->HasUnsavedData());
    EXPECT_FALSE(Card->CacheModified());
    Card.reset();
    EXPECT_EQ(Device.WriteCalls, writes);
    EXPECT_EQ(Device.Bytes, before);
    EXPECT_TRUE(Reporter.Messages.empty());
}

TEST_F(DiscardTest, ReadsAfterADiscardComeFromTheDevice) {
    const std::uint8_t bytes[4] = {9, 9, 9, 9};
    ASSERT_TRUE(Card->WriteRawBytes(bytes, 1 << 20, sizeof bytes));
    Card->DiscardUnsavedData();
    std::uint8_t back[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_TRUE(Card->ReadMMC(back, 1 << 20, sizeof back));
    EXPECT_EQ(std::vector<std::uint8_t>(back, back + 4), std::vector<std::uint8_t>(4, 0));
}

TEST_F(DiscardTest, ForgottenCardReadsAsAbsentFromItsDrive) {
    Add("GAME", 1000);
    ASSERT_TRUE(Card->StartBulktransfer()); // the device is open
    const std::uint8_t bytes[1] = {7};
    ASSERT_TRUE(Card->WriteRawBytes(bytes, 1 << 20, 1));
    ASSERT_TRUE(Card->HasUnsavedData());
    const int writes = Device.WriteCalls;
    Card->ForgetCard();
    EXPECT_EQ(Device.OpenHandles, 0);
    EXPECT_FALSE(Card->HasUnsavedData());
    EXPECT_TRUE(Card->Entries().empty());
    EXPECT_TRUE(Card->FreeRecords().empty());
    EXPECT_FALSE(Card->State().CatalogueValid);
    EXPECT_FALSE(Card->State().DeviceOK);
    EXPECT_EQ(Card->HeaderCount(), 0u);
    EXPECT_EQ(Card->DevicePath(), "card.img");
    Card.reset();
    EXPECT_EQ(Device.WriteCalls, writes);
    EXPECT_TRUE(Reporter.Messages.empty());
}

} // namespace
} // namespace brelktest
