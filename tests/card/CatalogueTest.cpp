// The on-card catalogue: header check, entries, order, free-space map, used bytes, format.
#include "card/CardFixture.h"

#include <random>

using namespace brelk;
using namespace brelktest;

namespace {

struct MagicCase {
    const char Bytes[9];
    bool Valid;
};

class MagicTest : public CardFixture, public ::testing::WithParamInterface<MagicCase> {};

TEST_P(MagicTest, HeaderMagic) {
    std::copy_n(GetParam().Bytes, 8, Device.Bytes.begin());
    Device.Bytes[100] = 0x99; // a stray byte of the header, cleared when the magic is refused
    Reopen();
    EXPECT_EQ(Card->State().CatalogueValid, GetParam().Valid);
    EXPECT_EQ(Card->Header()[100], GetParam().Valid ? 0x99 : 0);
    EXPECT_TRUE(Card->Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Headers, MagicTest,
                         ::testing::Values(MagicCase{"BrelkCat", true}, MagicCase{"brelkcat", true},
                                           MagicCase{"BRELKCAT", true},
                                           MagicCase{{'B', 'r', 'e', 'l', 'k', 'C', 'a', 0}, false},
                                           MagicCase{{'B', 'r', 'e', 'l', 'k', 'C', 0, 't'}, false},
                                           MagicCase{"BrelkEnt", false}));

TEST_F(CardFixture, FreshFormatHasOneFreeRecord) {
    EXPECT_TRUE(Card->State().CatalogueValid);
    EXPECT_EQ(Card->HeaderCount(), 0u);
    EXPECT_EQ(Card->LowestUsedAddress(), kLimit);
    EXPECT_EQ(Card->FreeRecords(), (std::vector<TBrelkFreeBlock>{{512, kLimit - 512}}));
    EXPECT_EQ(Card->GetUsedBytes(), 512u);
    // Only the header was written; the card reads back the same after a reload.
    Reopen();
    EXPECT_TRUE(Card->State().CatalogueValid);
    EXPECT_EQ(Card->FreeRecords().size(), 1u);
}

TEST_F(CardFixture, CatalogueEndRoundsToWholeBlocks) {
    const std::pair<int, std::uint32_t> cases[] = {
        {0, 512}, {8, 1024}, {9, 1536}, {16, 1536}, {17, 2048}};
    for (auto [count, end] : cases) {
        Reopen(true);
        for (int i = 0; i < count; ++i)
            Add("T" + std::to_string(i), 10);
        EXPECT_EQ(Card->CatalogueEnd(), end) << count;
        EXPECT_EQ(Card->FreeRecords().front().Start, end) << count;
    }
}

struct SplitCase {
    std::uint32_t Address, Size;
    std::vector<TBrelkFreeBlock> Expected;
};

TEST_F(CardFixture, ObjectsSplitTheFreeRecord) {
    const std::uint32_t R = 1024, Len = kLimit - 1024; // one entry: catalogue end 1024
    const SplitCase cases[] = {
        {200000, 4096, {{R, 200000 - 512 - R}, {204096, R + Len - 204096}}}, // middle
        {R + 512, 4096, {{R + 512 + 4096, Len - 512 - 4096}}},               // at the start
        {kLimit - 4096, 4096, {{R, Len - 4096 - 512}}},                      // at the end
    };
    for (const auto& c : cases) {
        WriteRawCatalogue(1, {Entry(2, 0, "X", c.Size, c.Address)});
        Reopen();
        EXPECT_EQ(Card->FreeRecords(), c.Expected) << c.Address;
    }
}

TEST_F(CardFixture, DamagedEntriesAreShownAndLeftOutOfTheFreeMap) {
    WriteRawCatalogue(5, {Entry(2, 0, "A", 8192, 100000), Entry(2, 0, "OVERLAP", 8192, 104096),
                          Entry(2, 0, "LOW", 4096, 16), Entry(2, 0, "HIGH", 4096, 0xFFFFF000u),
                          Entry(2, 0, "INCAT", 512, 512)});
    Reopen();
    ASSERT_EQ(Card->Entries().size(), 5u);
    EXPECT_EQ(Card->FreeRecords(), (std::vector<TBrelkFreeBlock>{{1024, 100000 - 512 - 1024},
                                                                 {108192, kLimit - 108192}}));
    EXPECT_EQ(Card->LowestUsedAddress(), 0u); // "LOW" starts below address 512
    EXPECT_EQ(Card->GetUsedBytes(), 1024u + 8192 * 2 + 4096 * 2 + 512 + 5 * 512);
}

TEST_F(CardFixture, UnreadableCataloguesAreReportedAndInvalid) {
    const std::uint32_t counts[] = {65536, 0xFFFFFFFFu, (kLimit - 512) / 64 + 1};
    for (std::uint32_t count : counts) {
        Reporter.Messages.clear();
        WriteRawCatalogue(count, {});
        Reopen();
        EXPECT_FALSE(Card->State().CatalogueValid) << count;
        EXPECT_TRUE(Card->Entries().empty());
        ASSERT_EQ(Reporter.Messages.size(), 1u) << count;
        EXPECT_EQ(
            Reporter.Messages[0].rfind("Error - The catalogue of the Brelk-card cannot be read", 0),
            0u);
        TBrelkCatEntry e = Entry(2, 0, "NEW", 10);
        std::uint8_t data[10] = {};
        EXPECT_FALSE(Card->AddObjectToBrelk(e, data, false));
    }
}

TEST(CompareCatEntries, TypeSubtypeThenNameIgnoringCase) {
    auto entry = [](int type, int subtype, const char* name) {
        TBrelkCatEntry e;
        e.SetType(std::uint8_t(type));
        e.SetSubtype(std::uint8_t(subtype));
        e.SetName(name);
        return e;
    };
    EXPECT_LT(CompareCatEntries(entry(2, 0, "apple"), entry(2, 0, "Zebra")), 0);
    EXPECT_LT(CompareCatEntries(entry(2, 0, "Zebra"), entry(3, 1, "Aardvark")), 0);
    EXPECT_EQ(CompareCatEntries(entry(2, 0, "GAMES"), entry(2, 0, "games")), 0);
    EXPECT_LT(CompareCatEntries(entry(2, 0, "ABC"), entry(2, 0, "ABCD")), 0);
    EXPECT_LT(CompareCatEntries(entry(3, 1, "Z"), entry(3, 3, "A")), 0);
    // "_" (0x5F) sorts after the letters folded to upper case.
    EXPECT_GT(CompareCatEntries(entry(2, 0, "_X"), entry(2, 0, "zz")), 0);
    // Type 9 (" 9") comes before 10 ("10"); type 100 ("100") after 2 (" 2").
    EXPECT_LT(CompareCatEntries(entry(9, 0, "A"), entry(10, 0, "A")), 0);
    EXPECT_GT(CompareCatEntries(entry(100, 0, "A"), entry(2, 0, "A")), 0);
    // The keys compare as text: " 1100A" sorts before " 199A".
    EXPECT_LT(CompareCatEntries(entry(1, 100, "A"), entry(1, 99, "A")), 0);
}

TEST_F(CardFixture, WrittenCatalogueIsSortedAndCounted) {
    Add("Zebra", 10);
    Add("disc", 10, 3);
    Add("apple", 10);
    ASSERT_TRUE(Card->FlushMMCDevice());
    Reopen();
    ASSERT_EQ(Card->Entries().size(), 3u);
    EXPECT_EQ(Card->Entries()[0]->Name(), "apple");
    EXPECT_EQ(Card->Entries()[1]->Name(), "Zebra");
    EXPECT_EQ(Card->Entries()[2]->Name(), "disc");

    const std::uint32_t freed = Card->Entries()[1]->Address() - 512;
    ASSERT_TRUE(Card->DeleteCatEntry(Card->Entries()[1]));
    EXPECT_TRUE(Card->HasUnsavedData());
    EXPECT_TRUE(
        std::any_of(Card->FreeRecords().begin(), Card->FreeRecords().end(),
                    [&](const auto& r) { return r.Start <= freed && freed < r.Start + r.Length; }));
    ASSERT_TRUE(Card->FlushMMCDevice());
    EXPECT_EQ(GetLE32(&Device.Bytes[16]), 2u);
}

TEST_F(CardFixture, DeletedObjectsStillTakeSpace) {
    TBrelkCatEntry placed = Add("OLD", 1000);
    TBrelkCatEntry deleted = placed;
    deleted.SetType(kTypeDeleted);
    const std::uint64_t used = Card->GetUsedBytes();
    const auto map = Card->FreeRecords();
    ASSERT_TRUE(Card->UpdateCatEntry(Find("OLD"), deleted));
    EXPECT_EQ(Card->Entries()[0]->Type(), kTypeDeleted);
    EXPECT_EQ(Card->GetUsedBytes(), used);
    EXPECT_EQ(Card->FreeRecords(), map);
}

// The free map made the plain way: for each entry the first record in list order that holds
// its footprint. The fast map must give the same records.
std::vector<TBrelkFreeBlock> ReferenceFreeMap(const TBrelk& card) {
    std::vector<TBrelkFreeBlock> map{
        {card.CatalogueEnd(), card.UsableLimit() - card.CatalogueEnd()}};
    for (const auto& e : card.Entries()) {
        std::int64_t f = e->FootprintStart(), end = e->FootprintEnd();
        for (std::size_t i = 0; i < map.size(); ++i) {
            std::int64_t start = map[i].Start, recordEnd = start + map[i].Length;
            if (start <= f && end <= recordEnd) {
                if (end < recordEnd)
                    map.push_back({std::uint32_t(end), std::uint32_t(recordEnd - end)});
                if (f > start)
                    map[i].Length = std::uint32_t(f - start);
                else
                    map.erase(map.begin() + std::ptrdiff_t(i));
                break;
            }
        }
    }
    std::sort(map.begin(), map.end(), [](auto& a, auto& b) { return a.Start < b.Start; });
    return map;
}

TEST_F(CardFixture, FreeMapMatchesTheListOrderSearch) {
    std::mt19937 random(1234);
    for (int round = 0; round < 30; ++round) {
        std::vector<TBrelkCatEntry> entries;
        const int count = 1 + int(random() % 60);
        for (int i = 0; i < count; ++i) {
            std::uint32_t address = std::uint32_t(random() % (kCard / 512)) * 512;
            std::uint32_t size = std::uint32_t(random() % 64) * 512;
            entries.push_back(
                Entry(std::uint8_t(random() % 4), 0, "E" + std::to_string(i), size, address));
        }
        WriteRawCatalogue(std::uint32_t(count), entries);
        Reopen();
        ASSERT_TRUE(Card->State().CatalogueValid);
        EXPECT_EQ(Card->FreeRecords(), ReferenceFreeMap(*Card)) << "round " << round;
    }
}

TEST_F(CardFixture, FormatLeavesObjectDataButEmptiesTheCatalogue) {
    TBrelkCatEntry placed = Add("KEEP", 600, 2, false, 0x5A);
    ASSERT_TRUE(Card->FlushMMCDevice());
    ASSERT_TRUE(Card->FormatMMC());
    EXPECT_TRUE(Card->Entries().empty());
    EXPECT_FALSE(Card->State().CatalogueModified);
    Reopen();
    EXPECT_EQ(Card->HeaderCount(), 0u);
    EXPECT_EQ(Device.Bytes[placed.Address()], 0x5A);
}

} // namespace

namespace {

// A card without room for the catalogue header below its safety zone is not formatted and
// not written (an image file would grow); one block more is formatted.
TEST(FormatTest, TooSmallACardIsRefusedWithoutAWrite) {
    constexpr std::uint32_t kZone = 8192;
    struct Case {
        std::uint32_t Size;
        bool Formats;
    };
    for (const Case c : {Case{0, false}, Case{512, false}, Case{kZone, false},
                         Case{kZone + 511, false}, Case{kZone + 512, true}}) {
        TFakeDevice device(c.Size);
        TRecordingReporter reporter;
        TBrelk card(reporter, device);
        card.Initialize(65536, "card.img", kZone);
        const std::vector<std::uint8_t> before = device.Bytes;
        EXPECT_EQ(card.FormatMMC(), c.Formats) << c.Size;
        EXPECT_EQ(card.State().CatalogueValid, c.Formats) << c.Size;
        if (!c.Formats) {
            EXPECT_EQ(device.Bytes, before) << c.Size;
            EXPECT_EQ(reporter.Messages,
                      std::vector<std::string>{"Error - The Brelk-card 'card.img:' is too small "
                                               "to hold a catalogue"})
                << c.Size;
        }
    }
}

} // namespace
