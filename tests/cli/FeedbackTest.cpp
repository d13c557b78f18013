// What brelk tells, run as the real program: a card without a catalogue names the way out,
// -q leaves only errors, and a mistyped command or option gets the likely one.
#include "cli/CliFixture.h"
#include "cli/Commands.h"

#include <gtest/gtest.h>

using namespace brelktest;

namespace {

struct FeedbackTest : CliFixture {};

TEST_F(FeedbackTest, ACardWithoutCatalogueFailsWithTheWayOut) {
    ASSERT_EQ(Run({"create", Card, "1M"}).Status, 0);
    const std::string refusal = "brelk: " + Card +
                                ": the card is not formatted (no Brelk catalogue); run 'brelk "
                                "format CARD' first\n";
    struct Case {
        std::vector<std::string> Args;
        std::string Out;
    };
    const Case cases[] = {
        {{"ls", Card}, ""},
        {{"info", Card}, ""},
        {{"info", Card, "--decimal"}, ""},
        {{"files", Card, "X"}, ""},
        {{"ls", Card, "--json"}, "{\"catalogue_valid\": false, \"entries\": []}\n"},
    };
    for (const Case& c : cases) {
        const TResult result = RunProgram(c.Args);
        EXPECT_EQ(result.Status, 1) << c.Args[0];
        EXPECT_EQ(result.Err, refusal) << c.Args[0];
        EXPECT_EQ(result.Out, c.Out) << c.Args[0];
    }
}

TEST_F(FeedbackTest, QuietLeavesOnlyErrors) {
    MakeCard();
    const std::string file = File("a.bin", "abc");
    const std::string saved = Dir.Path("saved.bin").string();
    struct Case {
        std::vector<std::string> Args;
        int Status;
        std::string Out; // with -q
    };
    const Case cases[] = {
        {{"put", Card, file}, 0, ""},
        {{"ls", Card}, 0, ""},
        {{"info", Card}, 0, ""},
        {{"cat", Card, "a.bin"}, 0, ""},
        {{"get", Card, "a.bin", "-o", saved}, 0, ""},
        {{"get", Card, "a.bin", "-o", "-", "--as", "raw"}, 0, "abc"}, // the bytes asked for
        {{"mv", Card, "a.bin", "B"}, 0, ""},
        {{"backup", Card, Dir.Path("set.ini").string()}, 0, ""},
        {{"rm", Card, "B"}, 0, ""},
        {{"purge", Card}, 0, ""},
        {{"check", Card}, 0, ""},
        {{"get", Card, "NOPE", "-o", saved}, 1, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.Args;
        args.push_back("-q");
        const TResult result = RunProgram(args);
        EXPECT_EQ(result.Status, c.Status) << c.Args[0] << ": " << result.Err;
        EXPECT_EQ(result.Out.substr(0, 3), c.Out) << c.Args[0];
        if (c.Status == 0)
            EXPECT_EQ(result.Err, "") << c.Args[0];
        else
            EXPECT_EQ(result.Err, "brelk: " + Card + ": no object named 'NOPE'\n");
    }
    // Every command takes -q: leaving out its arguments is the only fault found.
    for (const auto& command : brelk::cli::AllCommands()) {
        const TResult result = Run({command.Name, "-q"});
        EXPECT_EQ(result.Status, 2) << command.Name;
        EXPECT_EQ(result.Err.find("unknown option"), std::string::npos) << result.Err;
    }
}

TEST_F(FeedbackTest, AMistypedNameGetsTheLikelyOne) {
    MakeCard();
    struct Case {
        std::vector<std::string> Args;
        std::string Err; // the first line
    };
    const Case cases[] = {
        {{"lss", Card}, "brelk: unknown command 'lss'; did you mean 'ls'? (see 'brelk --help')"},
        {{"extarct", Card},
         "brelk: unknown command 'extarct'; did you mean 'extract'? (see "
         "'brelk --help')"},
        {{"delete-fiel"},
         "brelk: unknown command 'delete-fiel'; did you mean 'delete-file'? (see "
         "'brelk --help')"},
        {{"frobnicate"}, "brelk: unknown command 'frobnicate' (see 'brelk --help')"},
        {{"extract", Card, "X", "--forec"},
         "brelk extract: unknown option '--forec'; did you mean '--force'?"},
        {{"put", Card, "X", "--tpye", "2"},
         "brelk put: unknown option '--tpye'; did you mean '--type'?"},
        {{"put", Card, "X", "--rewrite"},
         "brelk put: unknown option '--rewrite'; did you mean '--rewrite-header'?"},
        {{"ls", Card, "--jsn"}, "brelk ls: unknown option '--jsn'; did you mean '--json'?"},
        {{"ls", Card, "--nope"}, "brelk ls: unknown option '--nope'"},
    };
    for (const Case& c : cases) {
        const TResult result = RunProgram(c.Args);
        EXPECT_EQ(result.Status, 2) << c.Args[0];
        EXPECT_EQ(result.Err.substr(0, result.Err.find('\n')), c.Err);
    }
}

} // namespace
