// A card reader's device is read past the pages that another opener keeps cached: the
// catalogue read at opening and the checks of a commit see the card as it is, not as it was
// before a change made through another path to it (an image file under a loop device).
#include "card/CardFixture.h"

using namespace brelk;
using namespace brelktest;

namespace {

struct PageCacheTest : CardFixture {
    void SetUp() override {
        Device.BlockDevice = true;
        Device.PageCache = true;
        Reopen(true);
    }
    // The card as it was with Older cached by another opener, and Newer on the card itself.
    void CachedBehind(const std::vector<std::uint8_t>& older,
                      const std::vector<std::uint8_t>& newer) {
        Device.Bytes = older;
        Device.CacheAll();
        Device.Bytes = newer;
    }
    bool Listed(const std::string& name) { return Find(name) != nullptr; }
};

TEST_F(PageCacheTest, OpeningReadsTheCatalogueFromTheCardNotFromCachedPages) {
    Add("A", 100);
    ASSERT_TRUE(Card->FlushMMCDevice());
    const auto withA = Device.Bytes;
    Add("B", 3000);
    ASSERT_TRUE(Card->FlushMMCDevice());
    const auto withAB = Device.Bytes;
    Card.reset();
    CachedBehind(withA, withAB);
    for (const TCardAccess access : {TCardAccess::ReadOnly, TCardAccess::ReadWrite}) {
        Card = std::make_unique<TBrelk>(Reporter, Device);
        Card->Initialize(65536, "card.img", kZone, access);
        EXPECT_TRUE(Listed("A"));
        EXPECT_TRUE(Listed("B")) << "the catalogue came from the cached pages";
        Card.reset();
        CachedBehind(withA, withAB);
    }
}

// Another program changes the card's Count while this writer holds the device open; each
// check before a write reads the card itself and refuses.
TEST_F(PageCacheTest, TheChecksOfACommitSeeAChangeBehindCachedPages) {
    struct Case {
        const char* What;
        bool (*Write)(TBrelk&);
    };
    const Case cases[] = {
        {"the catalogue's check", [](TBrelk& card) { return card.FlushMMCDevice(); }},
        {"the header's check before data",
         [](TBrelk& card) {
             std::vector<std::uint8_t> data(512, 0x77);
             return card.WriteRawBytes(data.data(), 200000, 512) && card.FlushCache();
         }},
    };
    for (const Case& c : cases) {
        Reopen(true);
        Add("A", 100);
        ASSERT_TRUE(Card->FlushMMCDevice());
        ASSERT_TRUE(Card->StartBulktransfer()); // the device stays open from here
        Add("B", 100);
        auto changed = Device.Bytes;
        PutLE32(&changed[16], 7);
        CachedBehind(Device.Bytes, changed);
        Reporter.Messages.clear();
        EXPECT_FALSE(c.Write(*Card)) << c.What;
        ASSERT_EQ(Reporter.Messages.size(), 1u) << c.What;
        EXPECT_NE(Reporter.Messages[0].find("was changed by another program"), std::string::npos)
            << c.What;
        EXPECT_EQ(Device.Bytes, changed) << c.What;
        Card->StopBulktransfer();
    }
}

// The cached pages of a block device are dropped at each opening (all of them) and before the
// catalogue's check (its span); an image file's, which every opener shares, never.
TEST_F(PageCacheTest, OnlyABlockDeviceHasItsCachedPagesDropped) {
    for (const bool block : {true, false}) {
        Device.BlockDevice = block;
        Reopen();
        Device.Drops.clear();
        Add("A", 100);
        ASSERT_TRUE(Card->FlushMMCDevice());
        Add("B", 100);
        ASSERT_TRUE(Card->StartBulktransfer());
        const auto opening = Device.Drops;
        ASSERT_TRUE(Card->FlushMMCDevice());
        Card->StopBulktransfer();
        if (!block) {
            EXPECT_TRUE(Device.Drops.empty());
            continue;
        }
        ASSERT_FALSE(opening.empty());
        EXPECT_EQ(opening.back().Offset, 0u);
        EXPECT_EQ(opening.back().Count, 0u); // to the end
        // The catalogue as this object last wrote it: the header and A's entry.
        const std::vector<TTransfer> check(Device.Drops.begin() + std::ptrdiff_t(opening.size()),
                                           Device.Drops.end());
        ASSERT_EQ(check.size(), 1u);
        EXPECT_EQ(check[0].Offset, 0u);
        EXPECT_EQ(check[0].Count, 512u + 64);
    }
}

} // namespace
