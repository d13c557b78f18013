// Changing many catalogue records in one pass, and replacing an object's data with the free
// space updated in place: both must leave exactly what one-by-one changes and a fresh build of
// the free-space map would.
#include "card/CardFixture.h"

#include <random>

using namespace brelk;
using namespace brelktest;

namespace {

bool IsSorted(const TBrelk& card) {
    return std::is_sorted(
        card.Entries().begin(), card.Entries().end(),
        [](const auto& a, const auto& b) { return CompareCatEntries(*a, *b) < 0; });
}

std::vector<std::string> Names(const TBrelk& card) {
    std::vector<std::string> names;
    for (const auto& e : card.Entries())
        names.push_back(std::to_string(e->Type()) + ":" + e->Name());
    return names;
}

// The map and the lowest used address as a fresh build computes them.
void ExpectFreshMapAndLowest(TBrelk& card, const std::string& where) {
    const auto map = card.FreeRecords();
    const std::uint32_t lowest = card.LowestUsedAddress();
    card.UpdateCatalogueHeader();
    EXPECT_EQ(map, card.FreeRecords()) << where;
    EXPECT_EQ(lowest, card.LowestUsedAddress()) << where;
}

TEST_F(CardFixture, ManyRecordsChangeInOnePass) {
    for (const char* name : {"A", "B", "C", "D", "E"})
        Add(name, 100);
    const auto map = Card->FreeRecords();
    TBrelkCatEntry stranger = Entry(2, 0, "X", 512, 100000);
    std::vector<std::pair<const TBrelkCatEntry*, TBrelkCatEntry>> changes;
    for (const char* name : {"D", "B"}) {
        TBrelkCatEntry deleted = *Find(name);
        deleted.SetType(kTypeDeleted);
        changes.emplace_back(Find(name), deleted);
    }
    TBrelkCatEntry renamed = *Find("C");
    renamed.SetName("CC");
    changes.emplace_back(Find("C"), renamed);
    renamed.SetName("Z"); // a later change of the same record wins
    changes.emplace_back(Find("C"), renamed);
    changes.emplace_back(&stranger, stranger); // not in the catalogue: passed over

    std::vector<const TBrelkCatEntry*> failures;
    EXPECT_EQ(Card->UpdateCatEntries(changes, &failures), 3u);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(Names(*Card), (std::vector<std::string>{"0:B", "0:D", "2:A", "2:E", "2:Z"}));
    EXPECT_TRUE(IsSorted(*Card));
    EXPECT_TRUE(Card->State().CatalogueModified);
    EXPECT_EQ(Card->FreeRecords(), map); // the space of each object stays taken
    EXPECT_EQ(Card->UpdateCatEntries({}), 0u);
}

TEST_F(CardFixture, BatchReportsHeadersThatCannotBeRewritten) {
    // One record claims a place past the end of the card: its header cannot be read.
    WriteRawCatalogue(
        2, {Entry(2, 0, "GOOD", 512, kLimit - 512), Entry(2, 0, "LOST", 512, kCard + 4096)});
    Reopen();
    Card->SetRewriteObjectHeader(true);
    std::vector<std::pair<const TBrelkCatEntry*, TBrelkCatEntry>> changes;
    for (const char* name : {"GOOD", "LOST"}) {
        TBrelkCatEntry deleted = *Find(name);
        deleted.SetType(kTypeDeleted);
        changes.emplace_back(Find(name), deleted);
    }
    std::vector<const TBrelkCatEntry*> failures;
    EXPECT_EQ(Card->UpdateCatEntries(changes, &failures), 2u);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0]->Name(), "LOST");
    EXPECT_EQ(failures[0]->Type(), kTypeDeleted); // changed all the same
    ASSERT_TRUE(Card->FlushMMCDevice());
    EXPECT_EQ(Device.Bytes[kLimit - 1024 + 16 + 16], std::uint8_t('G')); // GOOD's header copy
}

// Random replaces (the squash and expand path), batch type changes and removals: after each
// step the catalogue is sorted and the map and lowest address equal a fresh build.
TEST_F(CardFixture, ReplacesAndBatchesKeepTheMapExact) {
    std::mt19937 random(7);
    for (bool reuse : {true, false}) {
        Reopen(true);
        Card->SetReuseDeletedSpace(reuse);
        for (int i = 0; i < 40; ++i)
            Add("O" + std::to_string(i), 1 + random() % 6000);
        for (int step = 0; step < 300; ++step) {
            const std::string where =
                (reuse ? "reuse, step " : "below, step ") + std::to_string(step);
            const TBrelkCatEntry* victim = Card->Entries()[random() % Card->Entries().size()];
            const unsigned op = random() % 3;
            if (op == 0) {
                std::vector<std::uint8_t> data(1 + random() % 9000, 0x11);
                Card->ReplaceObjectData(victim, data.data(), std::uint32_t(data.size()));
            } else if (op == 1) {
                std::vector<std::pair<const TBrelkCatEntry*, TBrelkCatEntry>> changes;
                for (int k = 0; k < 5; ++k) {
                    const TBrelkCatEntry* e = Card->Entries()[random() % Card->Entries().size()];
                    TBrelkCatEntry changed = *e;
                    changed.SetType(std::uint8_t(random() % 4));
                    changes.emplace_back(e, changed);
                }
                Card->UpdateCatEntries(changes);
            } else if (Card->Entries().size() > 20) {
                Card->DeleteCatEntry(victim);
            } else {
                Add("N" + std::to_string(step), 1 + random() % 3000);
            }
            ASSERT_TRUE(IsSorted(*Card)) << where;
            ExpectFreshMapAndLowest(*Card, where);
            if (HasFailure())
                return;
        }
    }
}

} // namespace
