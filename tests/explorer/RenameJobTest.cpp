// The rename job on the name's bytes: the rules against the old name, the object header
// rewritten with the catalogue entry, and the swap of a name's group prefix.
#include "explorer/RenameJob.h"
#include "card/CardFixture.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace {

// Keeps the notices; answers nothing.
class TNoticeUser final : public TJobUser {
  public:
    std::vector<std::string> Notices;
    void Notify(TNotice, const std::string& text) override { Notices.push_back(text); }
    TAnswer Ask(const TQuery&) override { return TAnswer::Cancel; }
};

struct RenameJobTest : CardFixture {
    TNoticeUser User;

    // The 48 name bytes of the object header of Entry, up to the first zero.
    std::string HeaderName(const TBrelkCatEntry& entry) {
        std::uint8_t header[kObjectHeaderSize];
        EXPECT_TRUE(Card->ReadMMC(header, entry.Address() - kObjectHeaderSize, sizeof header));
        const char* name = reinterpret_cast<const char*>(header + 16 + 16);
        return std::string(name, strnlen(name, kNameLength));
    }
};

TEST(GroupPrefix, SwapChangesOnlyTheSubgroupNames) {
    struct Case {
        std::string Raw;
        std::size_t Levels;
        std::string Prefix, Swapped;
    };
    const Case cases[] = {
        {"GAMES.ELITE", 1, "OTHER.", "OTHER.ELITE"},
        {"GAMES.back\\slash", 1, "OTHER.", "OTHER.back\\slash"},
        {"GAMES.hi\x7F", 1, "OTHER.", "OTHER.hi\x7F"},
        {"GAMES.ARCADE.x", 1, "OLD.", "OLD.ARCADE.x"},
        {"GAMES.ARCADE.x", 2, "", "x"},
        {"SINGLE", 0, "G\\1.", "G\\1.SINGLE"},
        {std::string("A\x01.B", 4), 1, "C.", "C.B"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SwapGroupPrefix(c.Raw, c.Levels, c.Prefix), c.Swapped) << c.Raw;
    EXPECT_EQ(GroupPrefixLength("A.B.C", 5), 5u); // fewer sub-groups than asked: all of it
}

TEST_F(RenameJobTest, RenamesTheRawBytesByTheRules) {
    const std::string n48(48, 'N');
    const std::string onlyVisible = "A name holds only the characters \"!\" to \"~\" (no spaces).";
    struct Case {
        std::string Old, New;
        std::size_t Kept;
        TRenameResult Result;
        std::string Why;
    };
    const Case cases[] = {
        {"GAMES.ELITE", "OTHER.ELITE", 0, TRenameResult::Renamed, ""},
        {"GAMES.back\\slash", "OTHER.back\\slash", 6, TRenameResult::Renamed, ""},
        {"GAMES.hi\x7F", "OTHER.hi\x7F", 6, TRenameResult::Renamed, ""}, // kept from the old name
        {"games.lower", "other.lower", 0, TRenameResult::Renamed, ""},
        {"X48", n48, 0, TRenameResult::Renamed, ""},
        {"SUB.X", "G\x7F.X", 3, TRenameResult::Renamed, ""}, // a sub-group of another name
        {"PLAIN", "PL\x7F", 0, TRenameResult::Refused, onlyVisible},
        {"SUB.Y", "G\x7F.Y", 0, TRenameResult::Refused, onlyVisible},
        {"X49", n48 + "N", 0, TRenameResult::Refused,
         "The name you entered is too long (only 48 characters allowed)"},
        {"GAMES.Z", "OTHER." + std::string(43, 'Z'), 6, TRenameResult::Refused,
         "The name you entered is too long (only 42 characters allowed)"},
        {"STOP", "STOP.", 0, TRenameResult::Refused, "A name cannot end with a full stop (\".\")."},
    };
    for (const Case& c : cases) {
        Add(c.Old, 100);
        const TBrelkCatEntry* entry = Find(c.Old);
        ASSERT_TRUE(entry) << c.Old;
        const TRenameOutcome outcome = RenameObjectJob(*Card, *entry, c.New, User, c.Kept);
        EXPECT_EQ(outcome.Result, c.Result) << c.New;
        EXPECT_EQ(outcome.Why, c.Why) << c.New;
        EXPECT_EQ(entry->Name(), c.Result == TRenameResult::Renamed ? c.New : c.Old);
    }
    EXPECT_TRUE(User.Notices.empty());
}

TEST_F(RenameJobTest, RewritesTheObjectHeaderWithTheEntry) {
    Card->SetRewriteObjectHeader(true);
    Add("GAMES.hi\x7F", 100);
    const TBrelkCatEntry* entry = Find("GAMES.hi\x7F");
    ASSERT_EQ(RenameObjectJob(*Card, *entry, "OTHER.hi\x7F", User, 6).Result,
              TRenameResult::Renamed);
    EXPECT_EQ(HeaderName(*entry), "OTHER.hi\x7F");
}

TEST_F(RenameJobTest, AFailedHeaderRewriteIsToldAndTheCatalogueHasTheNewName) {
    Add("OLD", 100);
    ASSERT_TRUE(Card->FlushMMCDevice());
    Reopen(); // an empty cache: the header must be read from the card
    Card->SetRewriteObjectHeader(true);
    Device.FailReadNumber = Device.ReadCalls + 1;
    const TBrelkCatEntry* entry = Find("OLD");
    ASSERT_TRUE(entry);
    const TRenameOutcome outcome = RenameObjectJob(*Card, *entry, "NEW", User);
    EXPECT_EQ(outcome.Result, TRenameResult::HeaderFailed);
    EXPECT_EQ(entry->Name(), "NEW");
    EXPECT_EQ(User.Notices, std::vector<std::string>{"The object header of 'NEW' could not be "
                                                     "rewritten; the catalogue has its new name."});
}

TEST_F(RenameJobTest, OnlyLiveObjectsOfTheCatalogueAreRenamed) {
    Add("GONE", 100);
    TBrelkCatEntry deleted = *Find("GONE");
    deleted.SetType(kTypeDeleted);
    ASSERT_TRUE(Card->UpdateCatEntry(Find("GONE"), deleted));
    EXPECT_EQ(RenameObjectJob(*Card, *Find("GONE"), "BACK", User).Result, TRenameResult::NotLive);
    EXPECT_EQ(Find("GONE")->Name(), "GONE");
    const TBrelkCatEntry stranger = Entry(kTypeTool, 0, "STRANGER", 100, 0x10000);
    EXPECT_EQ(RenameObjectJob(*Card, stranger, "OTHER", User).Result, TRenameResult::NotLive);
    EXPECT_FALSE(Find("OTHER"));
}

} // namespace
