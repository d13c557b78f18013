// Catalogue changes kept in one pass: after any sequence of adds, replacements, changes and
// deletions the free-space map and the header kept in place equal a full rebuild.
#include "card/CardFixture.h"

#include <random>
#include <set>

using namespace brelk;
using namespace brelktest;

namespace {

struct FreeSpaceTest : CardFixture {
    std::mt19937 Random{7};

    // The size index holds exactly the map's records.
    void ExpectIndexOfMap(const std::string& where) {
        std::set<std::pair<std::uint32_t, std::uint32_t>> expected;
        for (const auto& r : Card->FreeRecords())
            expected.emplace(r.Length, r.Start);
        ASSERT_EQ(Card->FreeRecordsBySize(), expected) << where;
    }

    const TBrelkCatEntry* Pick() { return Card->Entries()[Random() % Card->Entries().size()]; }

    void AddOne() {
        TBrelkCatEntry e = Entry(std::uint8_t(Random() % 4), std::uint8_t(Random() % 2),
                                 "N" + std::to_string(Random() % 40), 1 + Random() % 6000);
        std::vector<std::uint8_t> data(e.Size(), 0x3C);
        Card->AddObjectToBrelk(e, data.data(), Random() % 2);
    }
    // A new Address and Size: in free space (the objects stay apart) or, rarely, on another
    // object or in the catalogue area (a damaged entry).
    void MoveOne() {
        const TBrelkCatEntry* victim = Pick();
        TBrelkCatEntry changed = *victim;
        if (Random() % 10 == 0) {
            changed.SetAddress(Random() % 2 ? Pick()->Address() + 512 : 512);
        } else if (!Card->FreeRecords().empty()) {
            const TBrelkFreeBlock& r = Card->FreeRecords()[Random() % Card->FreeRecords().size()];
            if (r.Length < 1024)
                return;
            const std::uint32_t blocks = r.Length / 512 - 1;
            changed.SetSize(512 * (1 + Random() % blocks));
            changed.SetAddress(r.Start + 512);
        }
        changed.SetName("M" + std::to_string(Random() % 40));
        Card->UpdateCatEntry(victim, changed);
    }
    void DeleteSome() {
        std::vector<const TBrelkCatEntry*> doomed;
        const int k = 1 + int(Random() % 5);
        for (int i = 0; i < k; ++i)
            doomed.push_back(Pick());
        Card->DeleteCatEntries(doomed);
    }
    void Step() {
        const unsigned op = Random() % 10;
        if (op < 4 || Card->Entries().empty()) {
            AddOne();
        } else if (op == 4) {
            std::vector<std::uint8_t> data(1 + Random() % 5000, 0x11);
            Card->ReplaceObjectData(Pick(), data.data(), std::uint32_t(data.size()));
        } else if (op == 5) {
            MoveOne();
        } else if (op == 6) {
            TBrelkCatEntry changed = *Pick();
            changed.SetType(kTypeDeleted);
            Card->UpdateCatEntry(Pick(), changed);
        } else if (op == 7) {
            Card->DeleteCatEntry(Pick());
        } else if (op == 8) {
            DeleteSome();
        } else if (Random() % 4 == 0) {
            // A rename: the record moves in the sorted catalogue, its space stays.
            const TBrelkCatEntry* renamed = Pick();
            TBrelkCatEntry changed = *renamed;
            changed.SetName("R" + std::to_string(Random() % 40));
            Card->UpdateCatEntry(renamed, changed);
        }
    }
};

TEST_F(FreeSpaceTest, MapAndHeaderKeptInPlaceEqualAFullRebuild) {
    for (bool reuse : {true, false}) {
        for (int round = 0; round < 6; ++round) {
            Reopen(true);
            Card->SetReuseDeletedSpace(reuse);
            for (int step = 0; step < 300; ++step) {
                Step();
                const std::string where = (reuse ? "reuse round " : "below round ") +
                                          std::to_string(round) + " step " + std::to_string(step);
                ExpectIndexOfMap(where);
                const auto map = Card->FreeRecords();
                const auto header = Card->Header();
                Card->UpdateCatalogueHeader();
                ASSERT_EQ(map, Card->FreeRecords()) << where;
                ASSERT_EQ(GetLE32(&header[16]), Card->HeaderCount()) << where;
                ASSERT_EQ(GetLE32(&header[20]), Card->LowestUsedAddress()) << where;
                for (const auto& e : Card->Entries())
                    ASSERT_TRUE(Card->InCatalogue(e)) << where;
            }
        }
    }
}

// Best fit goes through an index of the free records by size, kept in step with every change
// of the map: after each random change the index holds the map's records, and an add lands
// where a walk of the map puts it.
TEST_F(FreeSpaceTest, BestFitLandsWhereAWalkOfTheMapPutsIt) {
    for (int round = 0; round < 4; ++round) {
        Reopen(true);
        Card->SetReuseDeletedSpace(true);
        for (int step = 0; step < 400; ++step) {
            Step();
            const std::string where =
                "round " + std::to_string(round) + " step " + std::to_string(step);
            ExpectIndexOfMap(where);
            TBrelkCatEntry e = Entry(2, 0, "P" + std::to_string(step), 1 + Random() % 6000);
            const std::uint32_t footprint = (e.Size() + 511) / 512 * 512 + 512;
            const TBrelkFreeBlock* best = nullptr;
            for (const auto& r : Card->FreeRecords())
                if (r.Length >= footprint && (!best || r.Length < best->Length))
                    best = &r;
            const std::uint32_t expected = best ? best->Start + best->Length - footprint + 512 : 0;
            std::vector<std::uint8_t> data(e.Size(), 0x5E);
            if (Card->AddObjectToBrelk(e, data.data(), false)) {
                ASSERT_NE(best, nullptr) << where;
                ASSERT_EQ(e.Address(), expected) << where;
            }
        }
    }
}

TEST_F(FreeSpaceTest, ManyObjectsFreedTogetherJoinTheirNeighbours) {
    for (int i = 0; i < 6; ++i)
        Add("T" + std::to_string(i), 1000);
    // Footprints of 1536 bytes packed down from the limit: T0 highest.
    std::vector<const TBrelkCatEntry*> doomed{Find("T1"), Find("T2"), Find("T4")};
    EXPECT_EQ(Card->DeleteCatEntries(doomed), 3u);
    const std::uint32_t lowest = kLimit - 6 * 1536;
    EXPECT_EQ(Card->FreeRecords(), (std::vector<TBrelkFreeBlock>{{1024, lowest - 1024},
                                                                 {kLimit - 5 * 1536, 1536},
                                                                 {kLimit - 3 * 1536, 2 * 1536}}));
    EXPECT_EQ(Card->LowestUsedAddress(), lowest);
    EXPECT_FALSE(Card->InCatalogue(nullptr));
    // The lowest object goes: the free space below it reaches the next object up.
    ASSERT_TRUE(Card->DeleteCatEntry(Find("T5")));
    EXPECT_EQ(Card->FreeRecords().front(), (TBrelkFreeBlock{1024, kLimit - 4 * 1536 - 1024}));
    EXPECT_EQ(Card->LowestUsedAddress(), kLimit - 4 * 1536);
}

} // namespace

namespace {

// In a long sorted catalogue the object of a type and name is found through the order; it
// must be the same record that a search from the start finds.
TEST_F(CardFixture, SameObjectFoundThroughTheOrderOfALongCatalogue) {
    std::mt19937 random(5);
    const std::uint8_t types[] = {0, 1, 2, 3, 100, 200};
    const std::uint8_t subtypes[] = {0, 1, 3, 150};
    const std::string names[] = {"Elite", "ELITE", "elite", "Zarch", "zarch!", "A", "a", "B"};
    std::vector<TBrelkCatEntry> entries;
    for (std::uint32_t i = 0; i < 5000; ++i)
        entries.push_back(Entry(types[random() % 6], subtypes[random() % 4],
                                names[random() % 8] + std::to_string(random() % 300), 0,
                                kLimit - 512 * i));
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return CompareCatEntries(a, b) < 0; });
    WriteRawCatalogue(std::uint32_t(entries.size()), entries);
    Reopen();
    ASSERT_EQ(Card->Entries().size(), 5000u);
    for (int i = 0; i < 400; ++i) {
        TBrelkCatEntry probe = Entry(types[random() % 6], std::uint8_t(random() % 4),
                                     names[random() % 8] + std::to_string(random() % 300), 512);
        auto first =
            std::find_if(Card->Entries().begin(), Card->Entries().end(), [&](const auto& e) {
                return e->Type() == probe.Type() && SameName(e->Name(), probe.Name());
            });
        const bool exists = first != Card->Entries().end();
        ASSERT_EQ(Card->ObjectExists(probe), exists) << probe.Name();
        if (exists && i % 20 == 0) {
            // A replacing add reuses exactly that record.
            const TBrelkCatEntry* record = *first;
            const std::uint32_t oldAddress = record->Address();
            std::vector<std::uint8_t> data(512, 1);
            ASSERT_TRUE(Card->AddObjectToBrelk(probe, data.data(), true));
            EXPECT_EQ(record->Subtype(), probe.Subtype()) << probe.Name();
            EXPECT_NE(record->Address(), oldAddress) << probe.Name();
            EXPECT_EQ(Card->Entries().size(), 5000u);
        }
    }
}

} // namespace

// A long catalogue read from the card: its free space is every gap between the footprints in
// address order (the counting sort path), and an overlap there is still found.
TEST(LongCatalogueFreeSpaceTest, GapsOfAShuffledCatalogueOfThousands) {
    constexpr std::uint32_t kCardBytes = 8u << 20, kZone = 8192, kCount = 5000;
    TFakeDevice device{kCardBytes};
    std::vector<TBrelkCatEntry> entries;
    std::uint32_t top = kCardBytes - kZone;
    std::set<std::pair<std::uint32_t, std::uint32_t>> expectedGaps;
    for (std::uint32_t i = 0; i < kCount; ++i) {
        const std::uint32_t size = 100 + (i * 37) % 300, gap = i % 7 == 0 ? 512 : 0;
        if (gap)
            expectedGaps.emplace(top - gap, gap);
        top -= gap + 512 + size;
        entries.push_back(CardFixture::Entry(2, 0, "E" + std::to_string(i), size, top + 512));
    }
    std::shuffle(entries.begin(), entries.end(), std::mt19937(3));
    auto write = [&](const std::vector<TBrelkCatEntry>& list) {
        std::fill(device.Bytes.begin(), device.Bytes.begin() + 512, 0);
        std::copy(kCatalogueMagic.begin(), kCatalogueMagic.end(), device.Bytes.begin());
        PutLE32(&device.Bytes[16], std::uint32_t(list.size()));
        PutLE32(&device.Bytes[20], top);
        for (std::size_t i = 0; i < list.size(); ++i)
            std::copy(list[i].Bytes.begin(), list[i].Bytes.end(),
                      device.Bytes.begin() + 512 + 64 * std::ptrdiff_t(i));
    };
    write(entries);
    TRecordingReporter reporter;
    auto card = std::make_unique<TBrelk>(reporter, device);
    ASSERT_TRUE(card->Initialize(65536, "card.img", kZone));
    const std::uint32_t catEnd = card->CatalogueEnd();
    expectedGaps.emplace(catEnd, top - catEnd);
    std::set<std::pair<std::uint32_t, std::uint32_t>> gaps;
    for (const auto& r : card->FreeRecords())
        gaps.emplace(r.Start, r.Length);
    EXPECT_EQ(gaps, expectedGaps);
    // Two objects at one place: no gap may be offered inside either.
    entries[4000].SetAddress(entries[17].Address());
    write(entries);
    card = std::make_unique<TBrelk>(reporter, device);
    ASSERT_TRUE(card->Initialize(65536, "card.img", kZone));
    for (const auto& r : card->FreeRecords())
        EXPECT_FALSE(r.Start < entries[17].Address() + entries[17].Size() &&
                     entries[17].Address() - 512 < r.Start + r.Length)
            << r.Start;
}
