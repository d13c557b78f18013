// Acorn wildcards: "*" any run, "#" one character, whole name, either letter case.
#include "explorer/AcornWildcard.h"

#include <gtest/gtest.h>

using brelk::AcornNameMatches;

TEST(AcornWildcard, MatchesWholeNamesCaseBlind) {
    const struct {
        const char* Pattern;
        const char* Name;
        bool Matches;
    } cases[] = {
        {"$.ELITE", "$.ELITE", true},
        {"$.elite", "$.ELITE", true},
        {"$.ELIT", "$.ELITE", false},
        {"$.ELITEX", "$.ELITE", false},
        {"*", "", true},
        {"*", "B.GAME", true},
        {"$.*", "B.GAME", false},
        {"B.*", "b.GAME", true},
        {"#.GAME", "W.GAME", true},
        {"#.GAME", "WW.GAME", false},
        {"$.E#ITE", "$.ELITE", true},
        {"$.E#ITE", "$.EITE", false},
        {"*E", "$.ELITE", true},
        {"*T*E", "$.ELITE", true},
        {"*X*", "$.ELITE", false},
        {"**", "A", true},
        {"*.*.*", "$.GAMES.ELITE", true},
        {"$.*.ELITE", "$.GAMES.ELITE", true},
        {"#", "", false},
        {"", "", true},
        {"", "A", false},
        {"a*b*c", "AXXBXXBC", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AcornNameMatches(c.Pattern, c.Name), c.Matches) << c.Pattern << " vs " << c.Name;
    EXPECT_TRUE(brelk::HasAcornWildcard("A#"));
    EXPECT_FALSE(brelk::HasAcornWildcard("A.B"));
}
