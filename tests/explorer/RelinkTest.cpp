// The repair of damaged catalogues keeps every object whose header is intact: each one is
// listed again with its bytes where they were, the plan asked before the repair names what it
// does, and the quick check at opening calls each catalogue damaged.
#include "card/CardFixture.h"
#include "explorer/CheckJob.h"
#include "support/DamagedCatalogues.h"

#include <map>

using namespace brelk;
using namespace brelktest;

namespace {

// Answers the repair's question with Yes and keeps the plan it was shown.
struct TPlanRecorder : TJobUser {
    std::vector<std::string> Plans;
    void Notify(TNotice, const std::string&) override {}
    TAnswer Ask(const TQuery& question) override {
        if (const auto* repair = std::get_if<query::TRepairCatalogue>(&question))
            Plans.push_back(repair->Plan);
        return TAnswer::Yes;
    }
};

struct RelinkTest : CardFixture {
    // Four objects of distinct bytes; the sound card's bytes and each object's entry by name.
    std::vector<std::uint8_t> Sound;
    std::map<std::string, TBrelkCatEntry> Objects;

    void SetUp() override {
        CardFixture::SetUp();
        Add("ALPHA", 1024, 2, false, 0x11);
        Add("BETA", 2048, 2, false, 0x22);
        Add("GAMMA", 512, 2, false, 0x33);
        Add("DELTA", 1536, 2, false, 0x44);
        ASSERT_TRUE(Card->FlushMMCDevice());
        for (const auto* e : Card->Entries())
            Objects[e->Name()] = *e;
        Card.reset();
        Sound = Device.Bytes;
    }
    // Every object listed where it was, its header and bytes as on the sound card.
    void ExpectEveryObjectBack(const std::string& what) {
        Reopen();
        ASSERT_EQ(Card->Entries().size(), Objects.size()) << what;
        for (const auto& [name, entry] : Objects) {
            const TBrelkCatEntry* found = Find(name);
            ASSERT_NE(found, nullptr) << what << ": " << name;
            EXPECT_EQ(found->Address(), entry.Address()) << what << ": " << name;
            EXPECT_EQ(found->Size(), entry.Size()) << what << ": " << name;
            std::vector<std::uint8_t> bytes(entry.Size());
            ASSERT_TRUE(Card->ReadMMC(bytes.data(), entry.Address(), entry.Size()));
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), Sound.begin() + entry.Address()))
                << what << ": " << name;
        }
        EXPECT_FALSE(CheckCard(*Card).Damaged()) << what;
    }
    // Junk over entry 1, then the repair job with User and Progress; the damaged bytes in
    // Junked.
    std::vector<std::uint8_t> Junked;
    TCheckResult RepairJunkedCard(TJobUser* user, TJobProgress* progress) {
        damage::Junk(damage::Slot(Device.Bytes, 1), 64);
        Junked = Device.Bytes;
        Reopen();
        TCheckJobOptions options;
        options.User = user;
        options.Progress = progress;
        return RunCheckJob(*Card, TCheckMode::Repair, options);
    }
};

TEST_F(RelinkTest, EachDamagedCatalogueIsRepairedWithEveryIntactObject) {
    for (const auto& damaged : DamagedCatalogues()) {
        Device.Bytes = Sound;
        damaged.Spoil(Device.Bytes);
        Reopen();
        const auto atOpening = QuickCheckCard(*Card);
        EXPECT_TRUE(atOpening && atOpening->Damage) << damaged.Name;
        TPlanRecorder user;
        TCheckJobOptions options;
        options.User = &user;
        const TCheckResult result = RunCheckJob(*Card, TCheckMode::Repair, options);
        EXPECT_EQ(result.Error, "") << damaged.Name;
        EXPECT_EQ(user.Plans, std::vector<std::string>{damaged.Plan}) << damaged.Name;
        EXPECT_EQ(result.Outcome.Status, "repaired") << damaged.Name;
        ExpectEveryObjectBack(damaged.Name);
    }
}

// A header written anew after its signature was lost keeps the bytes no program interprets
// (8 to 15, and 24 on: the card's ID among them) as they were on the card.
TEST_F(RelinkTest, AHeaderWrittenAnewKeepsTheBytesItDoesNotInterpret) {
    Device.Bytes = Sound;
    std::fill(Device.Bytes.begin() + 8, Device.Bytes.begin() + 16, 0x5A);
    std::fill(Device.Bytes.begin() + 200, Device.Bytes.begin() + 512, 0xA5);
    const std::vector<std::uint8_t> before(Device.Bytes.begin(), Device.Bytes.begin() + 512);
    damage::Junk(Device.Bytes.data(), 8);
    Reopen();
    TPlanRecorder user;
    TCheckJobOptions options;
    options.User = &user;
    ASSERT_EQ(RunCheckJob(*Card, TCheckMode::Repair, options).Outcome.Status, "repaired");
    Card.reset();
    auto same = [&](std::size_t first, std::size_t end) {
        return std::equal(before.begin() + first, before.begin() + end,
                          Device.Bytes.begin() + first);
    };
    EXPECT_TRUE(same(8, 16));
    EXPECT_TRUE(same(32, 40)); // the card's ID
    EXPECT_TRUE(same(200, 512));
}

// The user's No leaves the card as it was.
TEST_F(RelinkTest, NoRepairWithoutAYes) {
    struct TRefuser : TPlanRecorder {
        TAnswer Ask(const TQuery& question) override {
            TPlanRecorder::Ask(question);
            return TAnswer::No;
        }
    } user;
    const TCheckResult result = RepairJunkedCard(&user, nullptr);
    EXPECT_EQ(user.Plans.size(), 1u);
    EXPECT_EQ(result.Error, "the repair was not made");
    Card.reset();
    EXPECT_EQ(Device.Bytes, Junked);
}

// Object headers that a removal or an add cut short leaves in free space are noted, not
// taken for hidden objects, while the catalogue is sound; once it is damaged they are.
TEST_F(RelinkTest, AHeaderNoEntryListsIsHiddenOnlyBesideDamage) {
    Reopen();
    ASSERT_TRUE(Card->DeleteCatEntry(Find("BETA")));
    ASSERT_TRUE(Card->FlushMMCDevice());
    TCardCheck check = CheckCard(*Card);
    EXPECT_FALSE(check.Damaged());
    ASSERT_EQ(check.LooseObjects.size(), 1u);
    EXPECT_TRUE(check.HiddenObjects.empty());
    // The removal cleared the entry it left behind Count.
    EXPECT_TRUE(std::all_of(Device.Bytes.begin() + 512 + 3 * 64,
                            Device.Bytes.begin() + 512 + 4 * 64, [](auto b) { return b == 0; }));
    Card.reset();
    damage::Junk(damage::Slot(Device.Bytes, 0), 64);
    Reopen();
    check = CheckCard(*Card);
    EXPECT_TRUE(check.Damaged());
    EXPECT_EQ(check.HiddenObjects.size(), 2u); // BETA, and ALPHA under the junk
}

// Other programs leave the entries a shrinking catalogue no longer needs behind Count: the tail
// of the former, sorted list. Such a card is sound: the removed object's header is only noted,
// at opening and by the check, and a repair would not bring it back.
TEST_F(RelinkTest, TheTailAShrinkLeavesBehindCountIsNoDamage) {
    Reopen();
    const TBrelkCatEntry* last = Card->Entries()[Card->Entries().size() - 1];
    const TBrelkCatEntry removed = *last;
    ASSERT_TRUE(Card->DeleteCatEntry(last));
    ASSERT_TRUE(Card->FlushMMCDevice());
    Card.reset();
    // The card as another program leaves it: no record of the change, the slot not erased.
    std::fill(Device.Bytes.begin() + 24, Device.Bytes.begin() + 512, 0);
    const std::size_t slot = 512 + 64 * (Objects.size() - 1);
    std::copy(removed.Bytes.begin(), removed.Bytes.end(), Device.Bytes.begin() + slot);
    Reopen();
    ASSERT_EQ(Card->Entries().size(), Objects.size() - 1);
    EXPECT_FALSE(QuickCheckCard(*Card).has_value());
    const TCardCheck check = CheckCard(*Card);
    EXPECT_FALSE(check.Damaged());
    ASSERT_EQ(check.LooseObjects.size(), 1u);
    EXPECT_EQ(check.LooseObjects[0].Name(), removed.Name());
    EXPECT_TRUE(check.HiddenObjects.empty());
}

// A search the user stops is a finding, and no repair follows it.
TEST_F(RelinkTest, AStoppedSearchIsDamageAndNothingIsRepaired) {
    struct TStopper : TJobProgress {
        bool Stop = false; // at the first report of a step the user may stop
        void Begin(const std::string&, bool cancelable, bool) override { Stop = cancelable; }
        bool Report(std::size_t, std::size_t, const std::string&) override { return Stop; }
        void End() override {}
    } stopper;
    const TCheckResult result = RepairJunkedCard(nullptr, &stopper);
    EXPECT_FALSE(SearchComplete(result.Check));
    EXPECT_TRUE(result.Check.Damaged());
    EXPECT_EQ(result.Error, "the search for hidden objects was stopped; nothing was repaired");
    Card.reset();
    EXPECT_EQ(Device.Bytes, Junked);
}

} // namespace
