// Object names: wildcard matching, the objects a list of names selects, and the rename rule.
#include "explorer/ObjectNames.h"
#include "card/CardFixture.h"
#include "explorer/AcornWildcard.h"
#include "explorer/ObjectSelection.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace {

TEST(AcornWildcard, MatchesTheWholeNameWithoutRegardToCase) {
    struct Case {
        const char* Pattern;
        const char* Name;
        bool Matches;
    };
    const Case cases[] = {
        {"ELITE", "ELITE", true},
        {"elite", "Elite", true}, // letter case ignored both ways
        {"ELIT", "ELITE", false}, // the whole name, not a prefix
        {"LITE", "ELITE", false}, // nor a suffix
        {"*", "", true},          // a run may be empty
        {"*", "ANY.NAME", true},
        {"", "", true},
        {"", "A", false},
        {"B2_*", "b2_Chuckie", true},
        {"B2_*", "B2", false},
        {"*.SSD", "GAMES.ELITE.SSD", true},
        {"*.SSD", "GAMES.ELITE.SSDX", false},
        {"#", "A", true}, // exactly one character
        {"#", "", false},
        {"#", "AB", false},
        {"E#ITE", "ELITE", true},
        {"E#ITE", "EITE", false},
        {"*a*b*", "xxAyyBzz", true},
        {"*a*b*", "xxByyAzz", false},
        {"*AB", "AAB", true}, // the star must give back what it took
        {"A*B*C", "ABBBBC", true},
        {"A*B*C", "ABBBB", false},
        {"**#", "Q", true},
        {"#*#", "Q", false},
        {"[a]", "[A]", true},    // other characters stand for themselves
        {"\xE9", "\xC9", false}, // only ASCII letters are folded
        {"*#*#*#*#*#*#*#*#*#*#*#*#*#*#*#*#*#*#*#*#*#*#*#*!",
         "##############################################", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AcornNameMatches(c.Pattern, c.Name), c.Matches) << c.Pattern << " / " << c.Name;
}

TEST(AcornWildcard, KnowsAPatternFromAPlainName) {
    EXPECT_TRUE(HasAcornWildcard("A*"));
    EXPECT_TRUE(HasAcornWildcard("#"));
    EXPECT_FALSE(HasAcornWildcard("GAMES.ELITE"));
}

struct ObjectSelectionTest : CardFixture {
    void SetUp() override {
        CardFixture::SetUp();
        for (const char* name : {"B2_ONE", "b2_two", "OTHER", "TWIN"})
            Add(name, 600);
        Add("TWIN", 600, 3);
        Add("B2_OLD", 600);
        MoveToDeleted("B2_OLD");
    }
    void MoveToDeleted(const std::string& name) {
        const TBrelkCatEntry* entry = Find(name);
        TBrelkCatEntry deleted = *entry;
        deleted.SetType(kTypeDeleted);
        ASSERT_TRUE(Card->UpdateCatEntry(entry, deleted));
    }
    std::vector<std::string> Names(const TObjectSelection& selection) {
        std::vector<std::string> names;
        for (const TBrelkCatEntry* entry : selection.Entries)
            names.push_back(entry->Name() + "/" + std::to_string(entry->Type()));
        return names;
    }
};

TEST_F(ObjectSelectionTest, PatternsSelectLiveObjectsEachOnceInOrder) {
    const TObjectSelection selection = SelectObjects(*Card, {"OTHER", "b2_*", "*TWO"}, {});
    EXPECT_EQ(selection.Fault, TSelectionFault::None);
    EXPECT_EQ(Names(selection), (std::vector<std::string>{"OTHER/2", "B2_ONE/2", "b2_two/2"}));
}

TEST_F(ObjectSelectionTest, DeletedObjectsByPlainNameOrByTypeZero) {
    EXPECT_EQ(Names(SelectObjects(*Card, {"b2_old"}, {})), (std::vector<std::string>{"B2_OLD/0"}));
    TObjectChoice deleted;
    deleted.Type = kTypeDeleted;
    EXPECT_EQ(Names(SelectObjects(*Card, {"B2_*"}, deleted)),
              (std::vector<std::string>{"B2_OLD/0"}));
}

TEST_F(ObjectSelectionTest, FaultsNameTheFirstNameThatFails) {
    struct Case {
        std::vector<std::string> Names;
        TSelectionFault Fault;
        std::string Pattern;
        std::size_t Count;
    };
    const Case cases[] = {
        {{"OTHER", "NOPE", "ZZ*"}, TSelectionFault::NoMatch, "NOPE", 0},
        {{"ZZ*", "OTHER"}, TSelectionFault::NoMatch, "ZZ*", 0},
        {{"TWIN"}, TSelectionFault::Ambiguous, "TWIN", 2},
        {{"B2_OL#"}, TSelectionFault::NoMatch, "B2_OL#", 0}, // a deleted one only
    };
    for (const Case& c : cases) {
        const TObjectSelection selection = SelectObjects(*Card, c.Names, {});
        EXPECT_EQ(selection.Fault, c.Fault) << c.Pattern;
        EXPECT_EQ(selection.Pattern, c.Pattern);
        EXPECT_EQ(selection.Count, c.Count) << c.Pattern;
    }
    // A pattern takes every object it matches, whatever their names share.
    EXPECT_EQ(SelectObjects(*Card, {"TWI#"}, {}).Entries.size(), 2u);
    TObjectChoice tapes;
    tapes.Type = 3;
    EXPECT_EQ(Names(SelectObjects(*Card, {"TWIN"}, tapes)), (std::vector<std::string>{"TWIN/3"}));
}

TEST(RenameRule, RefusesWhatTheCardCannotHold) {
    struct Case {
        std::string Name;
        std::size_t Prefix;
        std::string Refusal;
    };
    const Case cases[] = {
        {"GAMES.ELITE", 0, ""},
        {std::string(48, 'A'), 0, ""},
        {std::string(49, 'A'), 0, "The name you entered is too long (only 48 characters allowed)"},
        {std::string(49, 'A'), 6, "The name you entered is too long (only 42 characters allowed)"},
        {"GAMES.", 0, "A name cannot end with a full stop (\".\")."},
        {"", 0, "An object needs a name."},
        {"TWO WORDS", 0, "A name holds only the characters \"!\" to \"~\" (no spaces)."},
        {"CAF\xC9", 0, "A name holds only the characters \"!\" to \"~\" (no spaces)."},
        {"CAF\xC9.NEW", 5, ""}, // the sub-groups keep their bytes
        {"CAF\xC9.NEW NAME", 5, "A name holds only the characters \"!\" to \"~\" (no spaces)."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RenameRefusal(c.Name, c.Prefix), c.Refusal) << c.Name;
}

} // namespace
