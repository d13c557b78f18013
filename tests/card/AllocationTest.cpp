// Placing objects, changing and removing entries, names.
#include "card/CardFixture.h"

#include <random>

using namespace brelk;
using namespace brelktest;

namespace {

struct AllocationTest : CardFixture {
    void SetUp() override {
        CardFixture::SetUp();
        Card->SetReuseDeletedSpace(false);
    }
};

TEST_F(AllocationTest, BelowTheLowestObject) {
    TBrelkCatEntry first = Add("FIRST", 1000, 2, false, 0xEE);
    EXPECT_EQ(first.Size(), 1024u);
    EXPECT_EQ(first.Address(), kLimit - 1024);
    EXPECT_EQ(Card->LowestUsedAddress(), kLimit - 1536);
    TBrelkCatEntry second = Add("SECOND", 512);
    EXPECT_EQ(second.Address(), kLimit - 2048);
    ASSERT_TRUE(Card->FlushMMCDevice());

    const std::uint8_t* header = &Device.Bytes[kLimit - 1536];
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(header), 8), "BrelkEnt");
    EXPECT_TRUE(std::equal(first.Bytes.begin(), first.Bytes.end(), header + 16));
    EXPECT_TRUE(std::all_of(header + 8, header + 16, [](auto b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(header + 80, header + 512, [](auto b) { return b == 0; }));
    const std::uint8_t* data = &Device.Bytes[first.Address()];
    EXPECT_TRUE(std::all_of(data, data + 1000, [](auto b) { return b == 0xEE; }));
    EXPECT_TRUE(std::all_of(data + 1000, data + 1024, [](auto b) { return b == 0; }));
}

// Free records of 4096, 2560 and 8192 bytes between objects; everything else is taken.
struct BestFitTest : CardFixture {
    static constexpr std::uint32_t L = kLimit;
    void SetUp() override {
        CardFixture::SetUp();
        // From the top: gap 8192 | X | gap 2560 | Y | gap 4096 | Z | FILL down to the catalogue.
        WriteRawCatalogue(4, {Entry(2, 0, "X", 512, L - 9216 + 512),
                              Entry(2, 0, "Y", 512, L - 12800 + 512),
                              Entry(2, 0, "Z", 512, L - 17920 + 512),
                              Entry(2, 0, "FILL", L - 17920 - 1536, 1024 + 512)});
        Reopen();
        Card->SetReuseDeletedSpace(true);
    }
};

TEST_F(BestFitTest, SmallestRecordThatFitsIsFilledFromItsTop) {
    ASSERT_EQ(Card->FreeRecords(), (std::vector<TBrelkFreeBlock>{
                                       {L - 16896, 4096}, {L - 11776, 2560}, {L - 8192, 8192}}));
    TBrelkCatEntry exact = Add("EXACT", 2000); // footprint 2560
    EXPECT_EQ(exact.Address() - 512, L - 11776);
    TBrelkCatEntry top = Add("TOP", 2100); // footprint 3072
    EXPECT_EQ(top.Address() + top.Size(), L - 12800);
    EXPECT_EQ(Card->FreeRecords(),
              (std::vector<TBrelkFreeBlock>{{L - 16896, 1024}, {L - 8192, 8192}}));
}

TEST_F(CardFixture, EqualRecordsTakeTheLowerStart) {
    const std::uint32_t fa = 100352, fb = 2 * fa; // free records [1024, fa) and [fa + 1024, fb)
    WriteRawCatalogue(2, {Entry(2, 0, "A", 512, fa + 512), Entry(2, 0, "B", 512, fb + 512)});
    Reopen();
    Card->SetReuseDeletedSpace(true);
    ASSERT_EQ(Card->FreeRecords()[0].Length, Card->FreeRecords()[1].Length);
    TBrelkCatEntry big = Add("BIG", 90000);
    EXPECT_EQ(big.Address() + big.Size(), fa);
}

TEST_F(AllocationTest, RoomForOneMoreEntryBelowTheHeader) {
    // 1000 objects of footprint 1024 from the top; the lowest lies at Lowest.
    std::vector<TBrelkCatEntry> entries;
    const std::uint32_t lowest = 64576 + 1536; // 512 + 64 x 1001 is the lowest allowed header
    for (std::uint32_t i = 0; i < 1000; ++i)
        entries.push_back(Entry(2, 0, "E" + std::to_string(i), 512, lowest + 512 + i * 1024));
    WriteRawCatalogue(1000, entries);
    Reopen();
    Card->SetReuseDeletedSpace(false);
    ASSERT_EQ(Card->LowestUsedAddress(), lowest);
    TBrelkCatEntry tooBig = Entry(2, 0, "NEW", 1025);
    std::vector<std::uint8_t> data(1025);
    EXPECT_FALSE(Card->AddObjectToBrelk(tooBig, data.data(), false)); // footprint 2048
    EXPECT_EQ(Card->Entries().size(), 1000u);
    TBrelkCatEntry fits = Entry(2, 0, "NEW", 1024);
    EXPECT_TRUE(Card->AddObjectToBrelk(fits, data.data(), false)); // footprint 1536
    EXPECT_EQ(fits.Address() - 512, 64576u);
}

TEST_F(CardFixture, CatalogueNeverGrowsPast65535Entries) {
    std::vector<TBrelkCatEntry> entries(65535, Entry(0, 0, "", 0, 0x7FFFFFFF));
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i].SetName("D" + std::to_string(i));
    TFakeDevice big(8u << 20);
    Device.Bytes.swap(big.Bytes);
    WriteRawCatalogue(65535, entries);
    Reopen();
    Card->SetReuseDeletedSpace(true);
    ASSERT_EQ(Card->Entries().size(), 65535u);
    TBrelkCatEntry e = Entry(2, 0, "ONEMORE", 10);
    std::uint8_t data[10] = {};
    EXPECT_FALSE(Card->AddObjectToBrelk(e, data, false));
    EXPECT_EQ(Card->Entries().size(), 65535u);
    // Replacing an existing object does not add an entry, so it is still allowed.
    TBrelkCatEntry same = Entry(0, 0, "d77", 10);
    EXPECT_TRUE(Card->AddObjectToBrelk(same, data, true));
    EXPECT_EQ(Card->Entries().size(), 65535u);
}

TEST_F(CardFixture, ReplaceReusesTheEntryOfTheSameName) {
    TBrelkCatEntry old = Add("Tool", 4096);
    TBrelkCatEntry fresh = Add("TOOL", 1000, 2, true);
    ASSERT_EQ(Card->Entries().size(), 1u);
    EXPECT_EQ(Card->Entries()[0]->Name(), "TOOL");
    EXPECT_NE(Card->Entries()[0]->Address(), old.Address());
    const std::uint32_t oldHeader = old.Address() - 512;
    EXPECT_TRUE(
        std::any_of(Card->FreeRecords().begin(), Card->FreeRecords().end(), [&](const auto& r) {
            return r.Start <= oldHeader && old.Address() + old.Size() <= r.Start + r.Length;
        }));
    (void)fresh;
}

TEST_F(CardFixture, FailedReplaceLeavesTheEntryAlone) {
    Add("HUGE", 3u << 20);
    const TBrelkCatEntry before = *Card->Entries()[0];
    const auto map = Card->FreeRecords();
    TBrelkCatEntry bigger = Entry(2, 0, "huge", 2u << 20);
    std::vector<std::uint8_t> data(2u << 20);
    EXPECT_FALSE(Card->AddObjectToBrelk(bigger, data.data(), true));
    EXPECT_EQ(Card->Entries()[0]->Bytes, before.Bytes);
    EXPECT_EQ(Card->FreeRecords(), map);
}

TEST_F(CardFixture, RewritingTheObjectHeaderChangesOnlyTheEntryCopy) {
    TBrelkCatEntry placed = Add("OLDNAME", 100);
    ASSERT_TRUE(Card->FlushMMCDevice());
    const std::uint32_t at = placed.Address() - 512;
    std::vector<std::uint8_t> before(Device.Bytes.begin() + at, Device.Bytes.begin() + at + 512);
    before[300] = 0x12; // a byte that no one interprets stays as it is
    Device.Bytes[at + 300] = 0x12;
    Reopen();
    Card->SetRewriteObjectHeader(true);
    TBrelkCatEntry renamed = *Card->Entries()[0];
    renamed.SetName("NEWNAME");
    ASSERT_TRUE(Card->UpdateCatEntry(Card->Entries()[0], renamed));
    ASSERT_TRUE(Card->FlushMMCDevice());
    for (std::uint32_t i = 0; i < 512; ++i)
        if (i < 16 || i >= 80) {
            EXPECT_EQ(Device.Bytes[at + i], before[i]) << i;
        }
    EXPECT_TRUE(
        std::equal(renamed.Bytes.begin(), renamed.Bytes.end(), Device.Bytes.begin() + at + 16));
}

TEST_F(CardFixture, EntriesOutsideTheCatalogue) {
    TBrelkCatEntry stranger = Entry(2, 0, "X", 512, 100000);
    EXPECT_TRUE(Card->UpdateCatEntry(&stranger, stranger));
    EXPECT_FALSE(Card->State().CatalogueModified);
    EXPECT_FALSE(Card->DeleteCatEntry(&stranger));
    EXPECT_FALSE(Card->DeleteCatEntry(nullptr));
}

TEST_F(CardFixture, ZeroSizeIsRefused) {
    TBrelkCatEntry empty = Entry(2, 0, "EMPTY", 0);
    std::uint8_t byte = 0;
    EXPECT_FALSE(Card->AddObjectToBrelk(empty, &byte, false));
    EXPECT_EQ(Reporter.Messages.size(), 1u);
    EXPECT_TRUE(Card->Entries().empty());
}

TEST_F(CardFixture, ObjectExistsComparesTypeAndName) {
    Add("Elite", 10, 3);
    EXPECT_TRUE(Card->ObjectExists(Entry(3, 2, "ELITE")));
    EXPECT_FALSE(Card->ObjectExists(Entry(2, 0, "ELITE")));
    EXPECT_FALSE(Card->ObjectExists(Entry(3, 1, "ELIT")));
    Add("ELITE", 10, 2); // a tool and a disc may share a name
    EXPECT_EQ(Card->Entries().size(), 2u);
}

TEST_F(CardFixture, DeleteManyEntriesInOnePass) {
    for (int i = 0; i < 10; ++i)
        Add("O" + std::to_string(i), 100);
    std::vector<const TBrelkCatEntry*> doomed{Card->Entries()[1], Card->Entries()[5]};
    EXPECT_EQ(Card->DeleteCatEntries(doomed), 2u);
    EXPECT_EQ(Card->Entries().size(), 8u);
    EXPECT_EQ(Card->HeaderCount(), 8u);
    EXPECT_EQ(Card->DeleteCatEntries({}), 0u);
}

TEST(SanitizeFilename, Cases) {
    const std::pair<std::string, std::string> cases[] = {
        {"My Game.ssd", "MyGame.ssd"},
        {"a b\tc\x01"
         "d",
         "abcd"},
        {"caf\xc3\xa9 (v2).uef", "caf(v2).uef"},
        {"[x]{y}~!", "[x]{y}~!"},
        {std::string(60, 'A'), std::string(48, 'A')},
        {"   ", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(SanitizeFilename(in), out) << in;
}

} // namespace

namespace {

bool IsSorted(const TBrelk& card) {
    return std::is_sorted(
        card.Entries().begin(), card.Entries().end(),
        [](const auto& a, const auto& b) { return CompareCatEntries(*a, *b) < 0; });
}

TEST_F(CardFixture, UnsortedCardIsSortedByTheFirstChange) {
    WriteRawCatalogue(3, {Entry(3, 1, "Z", 512, 300000), Entry(2, 0, "b", 512, 200000),
                          Entry(2, 0, "A", 512, 100000)});
    Reopen();
    EXPECT_FALSE(IsSorted(*Card));
    Add("M", 10);
    EXPECT_TRUE(IsSorted(*Card));
    EXPECT_EQ(Card->Entries()[0]->Name(), "A");
}

TEST_F(CardFixture, RandomChangesKeepTheCatalogueSortedAndTheMapExact) {
    std::mt19937 random(99);
    Card->SetReuseDeletedSpace(true);
    bool damaged = false; // overlapping objects count twice as used
    for (int step = 0; step < 400; ++step) {
        const unsigned op = random() % 4;
        if (op < 2 || Card->Entries().empty()) {
            TBrelkCatEntry e = Entry(std::uint8_t(random() % 4), 0,
                                     "N" + std::to_string(random() % 50), 1 + random() % 20000);
            std::vector<std::uint8_t> data(e.Size());
            Card->AddObjectToBrelk(e, data.data(), random() % 2);
        } else if (op == 2) {
            const TBrelkCatEntry* victim = Card->Entries()[random() % Card->Entries().size()];
            TBrelkCatEntry changed = *victim;
            changed.SetName("R" + std::to_string(random() % 50));
            changed.SetType(std::uint8_t(random() % 4));
            if (random() % 4 == 0) { // now and then a damaged entry that overlaps another
                changed.SetAddress(Card->Entries()[random() % Card->Entries().size()]->Address() +
                                   512);
                damaged = true;
            }
            Card->UpdateCatEntry(victim, changed);
        } else {
            Card->DeleteCatEntry(Card->Entries()[random() % Card->Entries().size()]);
        }
        ASSERT_TRUE(IsSorted(*Card)) << "step " << step;
        const auto kept = Card->FreeRecords(); // what the change left must equal a fresh build
        Card->BuildFreeSpaceMap();
        ASSERT_EQ(kept, Card->FreeRecords()) << "step " << step;
        std::uint64_t free = 0;
        for (const auto& r : Card->FreeRecords())
            free += r.Length;
        if (!damaged) {
            ASSERT_EQ(free + Card->GetUsedBytes(), kLimit) << "step " << step;
        }
    }
}

} // namespace
