// brelk's answers to every query a job asks, unless a command answers it otherwise: none is
// asked on the terminal; an object without a name is left out with an error line.
#include "cli/CliJobUser.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

using namespace brelk;
using brelk::cli::TCliJobUser;

static_assert(AnswersEveryQuery<TCliJobUser>);

namespace {

TEST(CliJobUserTest, EveryQueryHasBrelksAnswer) {
    struct TCase {
        TQuery Query;
        TAnswer Answer;
        std::string Err;
    };
    const TCase cases[] = {
        {query::TOverwrite{"ELITE"}, TAnswer::Cancel, ""},
        {query::TMustFormat{3, "/bak/x.txt"}, TAnswer::Cancel, ""},
        {query::TFormatFirst{3, "/bak/x.txt"}, TAnswer::Cancel, ""},
        {query::TLoseObjects{2, true, ""}, TAnswer::Cancel, ""},
        {query::TNameMissing{4, "/pc/   "}, TAnswer::Yes,
         "brelk: '/pc/   ' gives no usable object name.\n"},
        {query::TDeletedAlready{"OLD"}, TAnswer::Cancel, ""},
        {query::TRepairCatalogue{"drop 1 empty entry"}, TAnswer::Cancel, ""},
    };
    std::set<std::size_t> kinds;
    for (const TCase& c : cases) {
        std::ostringstream err;
        TCliJobUser user(err);
        user.SetQuiet(true); // the error line is written all the same
        EXPECT_EQ(user.Ask(c.Query), c.Answer) << c.Query.index();
        EXPECT_EQ(err.str(), c.Err) << c.Query.index();
        kinds.insert(c.Query.index());
    }
    EXPECT_EQ(kinds.size(), std::variant_size_v<TQuery>);
}

} // namespace
