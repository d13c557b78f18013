// The catalogue check and repair, the catalogue before the last change, and names made safe
// to print.
#include "card/CardFixture.h"
#include "card/CatalogueCheck.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <set>

using namespace brelk;
using namespace brelktest;

namespace {

struct CheckTest : CardFixture {
    // Three committed objects; their entries in catalogue order.
    std::vector<TBrelkCatEntry> ThreeObjects() {
        Add("ALPHA", 512);
        Add("BETA", 1024);
        Add("GAMMA", 512);
        EXPECT_TRUE(Card->FlushMMCDevice());
        std::vector<TBrelkCatEntry> entries;
        for (const auto& e : Card->Entries())
            entries.push_back(*e);
        return entries;
    }
    // Writes a raw catalogue with the given Count and lowest used address and reopens.
    void Damage(std::uint32_t count, const std::vector<TBrelkCatEntry>& entries,
                std::uint32_t lowest) {
        Card.reset();
        WriteRawCatalogue(count, entries);
        PutLE32(&Device.Bytes[20], lowest);
        Reopen();
    }
    std::uint32_t LowestOf(const std::vector<TBrelkCatEntry>& entries) {
        std::int64_t lowest = kLimit;
        for (const auto& e : entries)
            if (e.Address() != 0)
                lowest = std::min(lowest, e.FootprintStart());
        return std::uint32_t(lowest);
    }
    std::multiset<TFindingKind> Kinds(const TCardCheck& check, bool damage) {
        std::multiset<TFindingKind> kinds;
        for (const auto& f : check.Findings)
            if (f.Damage == damage)
                kinds.insert(f.Kind);
        return kinds;
    }
    std::set<std::string> Names(const std::vector<TBrelkCatEntry>& entries) {
        std::set<std::string> names;
        for (const auto& e : entries)
            names.insert(e.Name());
        return names;
    }
};

TEST_F(CheckTest, EachKindOfDamageIsFound) {
    const auto e = ThreeObjects();
    auto shifted = [](TBrelkCatEntry entry, std::int64_t by) {
        entry.SetAddress(std::uint32_t(entry.Address() + by));
        return entry;
    };
    auto named = [](TBrelkCatEntry entry, const char* name) {
        entry.SetName(name);
        return entry;
    };
    struct Case {
        const char* Name;
        std::uint32_t Count;
        std::vector<TBrelkCatEntry> Entries;
        std::int64_t Lowest;                  // -1: the right one
        std::multiset<TFindingKind> Expected; // GAMMA's header, where no entry lists it, too
    };
    const TBrelkCatEntry empty;
    const std::vector<Case> cases = {
        {"clean", 3, e, -1, {}},
        {"empty entry within Count", 4, {e[0], e[1], e[2], empty}, -1, {TFindingKind::EmptyEntry}},
        {"wrong lowest", 3, e, kLimit, {TFindingKind::LowestMismatch}},
        {"duplicate",
         3,
         {e[0], e[1], named(e[1], "OTHER")},
         -1,
         {TFindingKind::Duplicate, TFindingKind::HeaderInFreeSpace}},
        {"overlap", 3, {e[0], e[1], shifted(e[2], 512)}, -1, {TFindingKind::Overlap}},
        {"in the catalogue area",
         3,
         {e[0], e[1], Entry(2, 0, "LOW", 512, 700)},
         188,
         {TFindingKind::InCatalogueArea, TFindingKind::HeaderInFreeSpace}},
        {"in the safety zone",
         3,
         {e[0], e[1], Entry(2, 0, "ZONE", 512, kLimit)},
         -1,
         {TFindingKind::InSafetyZone, TFindingKind::HeaderInFreeSpace}},
        {"past the card",
         3,
         {e[0], e[1], Entry(2, 0, "FAR", 512, kCard + 4096)},
         -1,
         {TFindingKind::PastCard, TFindingKind::HeaderInFreeSpace}},
        {"Count above 65535", 70000, e, -1, {TFindingKind::CountTooLarge}},
    };
    for (const auto& c : cases) {
        std::vector<TBrelkCatEntry> listed(c.Entries.begin(),
                                           c.Entries.begin() +
                                               std::min<std::size_t>(c.Count, c.Entries.size()));
        Damage(c.Count, c.Entries, c.Lowest >= 0 ? std::uint32_t(c.Lowest) : LowestOf(listed));
        const TCardCheck check = CheckCard(*Card);
        EXPECT_EQ(Kinds(check, true), c.Expected) << c.Name;
        EXPECT_EQ(check.Damaged(), !c.Expected.empty()) << c.Name;
    }
}

// The quick check at opening: each damaged catalogue is found from the catalogue and at most
// one object header; a sound card is not flagged.
TEST_F(CheckTest, QuickCheckFindsEachDamagedCatalogue) {
    const auto e = ThreeObjects(); // GAMMA, added last, is the lowest
    ASSERT_EQ(LowestOf(e), e[2].FootprintStart());
    TBrelkCatEntry junk;
    junk.Bytes.fill(0xAB);
    TBrelkCatEntry shifted = e[2];
    shifted.SetAddress(e[2].Address() + 512);
    struct Case {
        const char* Name;
        std::uint32_t Count;
        std::vector<TBrelkCatEntry> Entries;
        std::int64_t Lowest; // -1: the one the listed entries give
        std::optional<TFindingKind> Expected;
        bool NewestHeaderGone = false;
    };
    const std::vector<Case> cases = {
        {"sound", 3, e, -1, std::nullopt},
        {"junk over an entry", 3, {e[0], junk, e[2]}, -1, TFindingKind::PastCard},
        {"Count too large", 5, e, -1, TFindingKind::EmptyEntry},
        {"Count too small", 2, e, LowestOf(e), TFindingKind::LowestMismatch},
        {"swapped entries", 3, {e[1], e[0], e[2]}, -1, TFindingKind::OutOfOrder},
        {"entry past the card",
         3,
         {e[0], e[1], Entry(2, 0, "GAMMA", 512, kCard + 4096)},
         -1,
         TFindingKind::PastCard},
        {"overlapping entries", 3, {e[0], e[1], shifted}, -1, TFindingKind::Overlap},
        {"Count past the card", 70000, e, -1, TFindingKind::Unreadable},
        {"newest header missing", 3, e, -1, TFindingKind::HeaderDiffers, true},
    };
    const std::vector<std::uint8_t> sound = Device.Bytes;
    for (const auto& c : cases) {
        Device.Bytes = sound;
        if (c.NewestHeaderGone)
            std::fill_n(Device.Bytes.begin() + e[2].FootprintStart(), 512, 0);
        const std::vector<TBrelkCatEntry> listed(
            c.Entries.begin(),
            c.Entries.begin() + std::min<std::size_t>(c.Count, c.Entries.size()));
        Damage(c.Count, listed, c.Lowest >= 0 ? std::uint32_t(c.Lowest) : LowestOf(listed));
        const auto found = QuickCheckCard(*Card);
        EXPECT_EQ(found.has_value(), c.Expected.has_value()) << c.Name;
        if (found && c.Expected) {
            EXPECT_EQ(found->Kind, *c.Expected) << c.Name << ": " << found->Text;
            EXPECT_TRUE(found->Damage) << c.Name;
        }
    }
}

TEST_F(CheckTest, QuickCheckReadsOnlyTheNewestObjectHeader) {
    const auto e = ThreeObjects();
    Reopen();
    Device.Reads.clear();
    EXPECT_FALSE(QuickCheckCard(*Card).has_value());
    ASSERT_EQ(Device.Reads.size(), 1u);
    EXPECT_EQ(Device.Reads[0].Offset, std::uint64_t(e[2].FootprintStart()));
    EXPECT_EQ(Device.Reads[0].Count, 512u);
}

TEST_F(CheckTest, QuickCheckPassesRenamedAndDeletedObjects) {
    Card->SetRewriteObjectHeader(false);
    ThreeObjects();
    TBrelkCatEntry renamed = *Find("GAMMA");
    renamed.SetName("RENAMED");
    ASSERT_TRUE(Card->UpdateCatEntry(Find("GAMMA"), renamed)); // its header keeps "GAMMA"
    ASSERT_TRUE(Card->DeleteCatEntry(Find("ALPHA")));
    ASSERT_TRUE(Card->FlushMMCDevice());
    Reopen();
    EXPECT_FALSE(QuickCheckCard(*Card).has_value());
}

TEST_F(CheckTest, NotesAreInformationOnly) {
    Card->SetRewriteObjectHeader(false);
    const auto e = ThreeObjects();
    TBrelkCatEntry renamed = *Find("BETA");
    renamed.SetName("RENAMED");
    ASSERT_TRUE(Card->UpdateCatEntry(Find("BETA"), renamed));
    ASSERT_TRUE(Card->DeleteCatEntry(Find("GAMMA"))); // deleted on purpose: header stays
    ASSERT_TRUE(Card->FlushMMCDevice());
    const TCardCheck check = CheckCard(*Card);
    EXPECT_FALSE(check.Damaged());
    EXPECT_EQ(Kinds(check, false), (std::multiset<TFindingKind>{TFindingKind::HeaderDiffers,
                                                                TFindingKind::HeaderInFreeSpace}));
    ASSERT_EQ(check.LooseObjects.size(), 1u);
    EXPECT_EQ(check.LooseObjects[0].Name(), "GAMMA");
    // Not torn: a repair adds nothing back.
    const TRepairPlan plan = PlanRepair(*Card, check, nullptr);
    EXPECT_EQ(Names(plan.Entries), (std::set<std::string>{"ALPHA", "RENAMED"}));
}

TEST_F(CheckTest, RepairWithoutAKeptCopyDropsImpossibleEntriesAndAddsBackOnlyWhenTorn) {
    const auto e = ThreeObjects();
    ASSERT_TRUE(Card->DeleteCatEntry(Find("ALPHA"))); // deleted on purpose, long ago
    ASSERT_TRUE(Card->FlushMMCDevice());
    // A tear: GAMMA's entry lost, BETA listed twice, plus an entry past the card.
    Damage(3, {e[1], e[1], Entry(2, 0, "FAR", 512, kCard + 4096)}, LowestOf({e[1]}));
    TCardCheck check = CheckCard(*Card);
    ASSERT_TRUE(check.Torn());
    TRepairPlan plan = PlanRepair(*Card, check, nullptr);
    EXPECT_FALSE(plan.FromKept);
    // GAMMA's header lies in free space and comes back; so does ALPHA's, which cannot be
    // told apart from a lost entry once the catalogue is torn.
    EXPECT_EQ(Names(plan.Entries), (std::set<std::string>{"ALPHA", "BETA", "GAMMA"}));
    EXPECT_EQ(plan.Changes.size(), 4u); // 2 dropped, 2 added back
    ASSERT_TRUE(Card->ReplaceCatalogue(plan.Entries, check.OnCard));
    ASSERT_TRUE(Card->FlushMMCDevice());
    EXPECT_FALSE(CheckCard(*Card).Damaged());
}

TEST_F(CheckTest, RepairFromTheKeptCopyOnlyWhenItFitsThisCard) {
    TTempDir dir;
    TStateFolderKeeper keeper(dir.Root().string());
    Card->SetCatalogueKeeper(&keeper);
    const auto e = ThreeObjects();
    Add("DELTA", 512);
    ASSERT_TRUE(Card->FlushMMCDevice()); // before it: ALPHA, BETA, GAMMA
    TKeptCatalogue kept;
    std::string error;
    ASSERT_TRUE(Card->CatalogueBeforeLastChange(kept, error)) << error;
    // Another program's rewrite tore: the new header (Count 5) over the old entries.
    Damage(5, {e[0], e[1], e[2], *Find("DELTA")}, LowestOf(e) - 1024);
    Card->SetCatalogueKeeper(&keeper);
    // The card is no longer as the last change left it: that change is not offered back.
    TKeptCatalogue stale;
    EXPECT_FALSE(Card->CatalogueBeforeLastChange(stale, error));
    TCardCheck check = CheckCard(*Card);
    ASSERT_TRUE(check.Damaged());
    struct Case {
        const char* Name;
        void (*Spoil)(TKeptCatalogue&);
        bool FromKept;
    };
    const Case cases[] = {
        {"another card", [](TKeptCatalogue& k) { k.Card = "/elsewhere.img"; }, false},
        {"another size", [](TKeptCatalogue& k) { k.CardSize += 512; }, false},
        {"itself damaged", [](TKeptCatalogue& k) { PutLE32(&k.Bytes[20], 0); }, false},
        {"an object not where it says",
         [](TKeptCatalogue& k) { PutLE32(&k.Bytes[512 + 4], GetLE32(&k.Bytes[512 + 4]) + 512); },
         false},
        {"fits", [](TKeptCatalogue&) {}, true},
    };
    for (const auto& c : cases) {
        TKeptCatalogue copy = kept;
        c.Spoil(copy);
        const TRepairPlan plan = PlanRepair(*Card, check, &copy);
        EXPECT_EQ(plan.FromKept, c.FromKept) << c.Name;
        // Either way every object whose data is whole is listed, DELTA included.
        EXPECT_EQ(Names(plan.Entries), (std::set<std::string>{"ALPHA", "BETA", "GAMMA", "DELTA"}))
            << c.Name;
    }
    const TRepairPlan plan = PlanRepair(*Card, check, &kept);
    EXPECT_NE(std::find_if(plan.Changes.begin(), plan.Changes.end(),
                           [&](const std::string& line) {
                               return line.find("DELTA") != std::string::npos &&
                                      line.rfind("added back", 0) == 0;
                           }),
              plan.Changes.end());
}

TEST(KeptCatalogueTest, FileNamesAndTheStateFolder) {
    TTempDir dir;
    const std::string folder = dir.Root().string();
    EXPECT_NE(CardJournalPath(folder, "/dev/sdb"), CardJournalPath(folder, "/dev%2Fsdb"));
    EXPECT_NE(CardUndoPath(folder, "/dev/sdb"), CardJournalPath(folder, "/dev/sdb"));
    // XDG_STATE_HOME is respected (the tests point it at a folder of their own).
    EXPECT_EQ(KeptCatalogueFolder(), StateFolder().string() + "/brelkexplorer");
}

TEST(VisibleNameTest, ControlCharactersBecomeVisible) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"PLAIN.NAME", "PLAIN.NAME"},
        {"A\x1B[31mRED", "A\\x1B[31mRED"},
        {std::string("NUL\0X", 5), "NUL\\x00X"},
        {"TAB\tCR\rDEL\x7F", "TAB\\x09CR\\x0DDEL\\x7F"},
        {"C1\x9B"
         "1m",
         "C1\x9B"
         "1m"}, // a code page 1252 character: NameText shows it in UTF-8
        {"EMPTY\x81\x8D\x8F\x90\x9D", "EMPTY\\x81\\x8D\\x8F\\x90\\x9D"},
        {"NBSP\xA0SHY\xAD", "NBSP\\xA0SHY\\xAD"},
        {"BACK\\SLASH", "BACK\\\\SLASH"},
        {"LATIN\xE9", "LATIN\xE9"},
    };
    for (const auto& [raw, shown] : cases)
        EXPECT_EQ(VisibleName(raw), shown);
}

} // namespace
