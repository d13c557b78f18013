// brelk's object names (several, wildcards), mv, --version, and the guards of format and get
// for a terminal: in the test process with chosen terminals, and the real program on a
// pseudo-terminal.
#include "cli/CliFixture.h"
#include "cli/TerminalRun.h"
#include "support/TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace brelktest;
namespace fs = std::filesystem;

namespace {

struct NamesAndGuardsTest : CliFixture {
    void SetUp() override {
        MakeCard();
        for (const char* name : {"B2_ONE", "b2_two", "OTHER"})
            ASSERT_EQ(Run({"put", Card, File(name, std::string("bytes of ") + name)}).Status, 0);
    }
    std::string Ls() { return Run({"ls", Card}).Out; }
    std::size_t Count(const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }
};

TEST_F(NamesAndGuardsTest, VersionIsTheProgramsVersion) {
    for (const char* option : {"--version", "-V"}) {
        const TResult version = Run({option});
        EXPECT_EQ(version.Status, 0);
        EXPECT_EQ(version.Out, std::string("brelk ") + BRELK_FILE_VERSION + "\n");
    }
    EXPECT_NE(Run({"--help"}).Out.find("'brelk --version' (-V)"), std::string::npos);
}

TEST_F(NamesAndGuardsTest, RmTakesSeveralNamesAndWildcards) {
    const TResult rm = Run({"rm", Card, "b2_*"});
    ASSERT_EQ(rm.Status, 0) << rm.Err;
    EXPECT_EQ(rm.Out, "Moved B2_ONE to the deleted objects\nMoved b2_two to the deleted objects\n");
    EXPECT_EQ(Count(Ls(), "   0   0  "), 2u) << Ls();
    // The deleted ones are matched only when asked for with type 0.
    EXPECT_EQ(Run({"rm", Card, "B2_*"}).Err, "brelk: " + Card + ": no object matches 'B2_*'\n");
    const TResult gone = Run({"rm", Card, "B2_*", "OTHER", "--permanent", "--type", "0"});
    EXPECT_EQ(gone.Status, 1); // OTHER is no deleted object: nothing is removed
    EXPECT_EQ(gone.Err, "brelk: " + Card + ": no object named 'OTHER' of type 0\n");
    EXPECT_EQ(Run({"rm", Card, "B2_###", "--permanent"}).Status, 1); // deleted ones only
    EXPECT_EQ(Run({"rm", Card, "B2_###", "b2_TWO", "--permanent", "--type", "0"}).Status, 0);
    EXPECT_EQ(Ls().find("B2_"), std::string::npos) << Ls();
}

TEST_F(NamesAndGuardsTest, ANameThatMatchesNothingChangesNothing) {
    const std::string before = Ls();
    struct Case {
        std::vector<std::string> Args;
        std::string Err;
    };
    const Case cases[] = {
        {{"rm", Card, "OTHER", "ZZ*"}, "no object matches 'ZZ*'"},
        {{"rm", Card, "B2_ONE", "NOPE"}, "no object named 'NOPE'"},
        {{"squash", Card, "#"}, "no object matches '#'"},
        {{"cat", Card, "B2_*"}, "'B2_*' matches 2 objects; this command takes one"},
        {{"get", Card, "Q*", "-o", Dir.Root().string()}, "no object matches 'Q*'"},
    };
    for (const Case& c : cases) {
        const TResult result = Run(c.Args);
        EXPECT_EQ(result.Status, 1) << c.Args[0];
        EXPECT_EQ(result.Err, "brelk: " + Card + ": " + c.Err + "\n");
    }
    EXPECT_EQ(Ls(), before);
}

TEST_F(NamesAndGuardsTest, GetOfSeveralNamesWritesIntoAFolder) {
    const fs::path folder = Dir.Path("out");
    fs::create_directory(folder);
    EXPECT_EQ(Run({"get", Card, "B2_*"}).Status, 2);
    EXPECT_EQ(Run({"get", Card, "B2_ONE", "OTHER", "-o", Dir.Path("file").string()}).Status, 1);
    const TResult got = Run({"get", Card, "b2_*", "other", "-o", folder.string()});
    ASSERT_EQ(got.Status, 0) << got.Err;
    for (const char* name : {"B2_ONE", "b2_two", "OTHER"}) {
        const auto bytes = ReadFileBytes(folder / (std::string(name) + ".bin"));
        ASSERT_EQ(bytes.size(), 512u) << name;
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 9 + std::strlen(name)),
                  std::string("bytes of ") + name);
    }
    EXPECT_NE(got.Out.find("Wrote OTHER to " + (folder / "OTHER.bin").string() + "\n"),
              std::string::npos);
    // Two objects that would share a file: neither is written.
    ASSERT_EQ(Run({"put", Card, File("TWIN", "t"), "--type", "3", "--subtype", "0"}).Status, 0);
    ASSERT_EQ(Run({"put", Card, File("TWIN", "t")}).Status, 0);
    const TResult twins = Run({"get", Card, "TWI#", "-o", folder.string()});
    EXPECT_EQ(twins.Status, 1);
    EXPECT_NE(twins.Err.find("would both be written to " + (folder / "TWIN.bin").string()),
              std::string::npos)
        << twins.Err;
    EXPECT_FALSE(fs::exists(folder / "TWIN.bin"));
}

TEST_F(NamesAndGuardsTest, GetRefusesATerminalUnlessAskedForStandardOutput) {
    const TResult refused = RunWith({"get", Card, "OTHER"}, "", {false, true});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(refused.Err, "brelk: the object would be written onto the terminal; use -o FILE, "
                           "or -o - or a redirection for standard output\n");
    EXPECT_EQ(refused.Out, "");
    const TResult asked = RunWith({"get", Card, "OTHER", "-o", "-"}, "", {false, true});
    EXPECT_EQ(asked.Status, 0);
    EXPECT_EQ(asked.Out.substr(0, 14), "bytes of OTHER");
    EXPECT_EQ(Run({"get", Card, "OTHER"}).Out.size(), 512u); // a pipe or file as before
}

TEST_F(NamesAndGuardsTest, MvRenamesByTheWindowsRules) {
    const TResult mv = Run({"mv", Card, "other", "GAMES.OTHER"});
    ASSERT_EQ(mv.Status, 0) << mv.Err;
    EXPECT_EQ(mv.Out, "Renamed OTHER to GAMES.OTHER\n");
    EXPECT_NE(Ls().find("GAMES.OTHER\n"), std::string::npos);
    struct Case {
        std::vector<std::string> Args;
        int Status;
        std::string Err;
    };
    const Case cases[] = {
        {{"GAMES.OTHER", "GAMES."}, 2, "A name cannot end with a full stop (\".\")."},
        {{"GAMES.OTHER", std::string(49, 'N')},
         2,
         "The name you entered is too long (only 48 characters allowed)"},
        {{"GAMES.OTHER", "TWO WORDS"},
         2,
         "A name holds only the characters \"!\" to \"~\" (no spaces)."},
        {{"NOPE", "X"}, 1, Card + ": no object named 'NOPE'"},
        {{"B2_*", "X"}, 1, Card + ": 'B2_*' matches 2 objects; this command takes one"},
    };
    for (const Case& c : cases) {
        const TResult result = Run({"mv", Card, c.Args[0], c.Args[1]});
        EXPECT_EQ(result.Status, c.Status) << c.Args[1];
        EXPECT_EQ(result.Err.substr(0, result.Err.find('\n')),
                  (c.Status == 2 ? "brelk mv: " : "brelk: ") + c.Err);
    }
    ASSERT_EQ(Run({"rm", Card, "B2_ONE"}).Status, 0);
    EXPECT_EQ(Run({"mv", Card, "B2_ONE", "BACK"}).Err,
              "brelk: " + Card + ": 'B2_ONE' is a deleted object; only live objects are renamed\n");
}

TEST_F(NamesAndGuardsTest, FormatOfACatalogueAsksOnATerminalOnly) {
    const std::string before = Ls();
    const TResult batch = Run({"format", Card});
    EXPECT_EQ(batch.Status, 1);
    EXPECT_EQ(batch.Err, "brelk: " + Card +
                             ": it holds a Brelk catalogue of 3 objects; give --force to format "
                             "it without a question\n");
    struct Case {
        std::string Answer;
        int Status;
    };
    for (const Case& c : {Case{"n\n", 1}, Case{"\n", 1}, Case{"", 1}, Case{"yes please\n", 1}}) {
        const TResult asked = RunWith({"format", Card}, c.Answer, {true, false});
        EXPECT_EQ(asked.Status, c.Status) << c.Answer;
        EXPECT_EQ(asked.Err, "Format " + Card + " and lose its 3 objects? [y/N] brelk: " + Card +
                                 ": not formatted\n");
    }
    EXPECT_EQ(Ls(), before);
    EXPECT_EQ(RunWith({"format", Card}, "y\n", {true, false}).Status, 0);
    EXPECT_EQ(Run({"ls", Card, "--json"}).Out, "{\"catalogue_valid\": true, \"entries\": []}\n");
    ASSERT_EQ(Run({"put", Card, File("ONE", "1")}).Status, 0);
    EXPECT_EQ(Run({"format", Card, "--force"}).Status, 0);
    EXPECT_EQ(Run({"ls", Card, "--json"}).Out, "{\"catalogue_valid\": true, \"entries\": []}\n");
}

TEST_F(NamesAndGuardsTest, TheRealProgramAsksAndRefusesOnATerminal) {
    const std::string state = Dir.Path("state").string();
    const std::string before = Ls();
    for (const char* answer : {"n\r", "\r"}) {
        const TTerminalRun no = RunOnTerminal({"format", Card}, state, std::string(answer));
        EXPECT_EQ(no.Status, 1) << no.Screen;
        EXPECT_NE(no.Screen.find("Format " + Card + " and lose its 3 objects? [y/N] "),
                  std::string::npos)
            << no.Screen;
        EXPECT_NE(no.Screen.find(": not formatted"), std::string::npos) << no.Screen;
        EXPECT_EQ(Ls(), before);
    }
    const TTerminalRun binary = RunOnTerminal({"get", Card, "OTHER"}, state, std::nullopt);
    EXPECT_EQ(binary.Status, 1);
    EXPECT_NE(binary.Screen.find("use -o FILE, or -o - or a redirection"), std::string::npos)
        << binary.Screen;
    const TTerminalRun asked = RunOnTerminal({"get", Card, "OTHER", "-o", "-"}, state, {});
    EXPECT_EQ(asked.Status, 0) << asked.Screen;
    EXPECT_NE(asked.Screen.find("bytes of OTHER"), std::string::npos);
    const TTerminalRun yes = RunOnTerminal({"format", Card}, state, std::string("y\r"));
    EXPECT_EQ(yes.Status, 0) << yes.Screen;
    EXPECT_NE(yes.Screen.find("Formatted " + Card), std::string::npos) << yes.Screen;
}

// The progress line: on a terminal from the first object on, rewritten in place and cleared at
// the end; never into a pipe, and not with -q.
TEST_F(NamesAndGuardsTest, ProgressShowsOnATerminalOnly) {
    const std::string state = Dir.Path("state").string();
    const std::string folder = Dir.Path("files").string();
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 5; ++i)
        WriteFileBytes(folder + "/f" + std::to_string(i) + ".bin",
                       std::vector<std::uint8_t>(700 + i, std::uint8_t(i)));
    const TTerminalRun shown = RunOnTerminal({"add", Card, folder}, state, std::nullopt);
    EXPECT_EQ(shown.Status, 0) << shown.Screen;
    EXPECT_NE(shown.Screen.find("\r\033[K1/5 (20%) Adding f0.bin"), std::string::npos)
        << shown.Screen;
    EXPECT_NE(shown.Screen.find("\r\033[K5/5 (100%) Adding f4.bin\r\033[K"), std::string::npos)
        << shown.Screen;
    const TTerminalRun quiet = RunOnTerminal({"check", Card, "-q"}, state, std::nullopt);
    EXPECT_EQ(quiet.Status, 0) << quiet.Screen;
    EXPECT_EQ(quiet.Screen.find('\033'), std::string::npos) << quiet.Screen;
    const TResult piped = Run({"squash", Card, "*"});
    EXPECT_EQ(piped.Err.find('\033'), std::string::npos) << piped.Err;
}

TEST_F(NamesAndGuardsTest, TheRealProgramWithoutATerminalNeedsForce) {
    const std::string brelk = std::string("XDG_STATE_HOME=") + Dir.Path("state").string() + " " +
                              BRELK_BINARY + " format " + Card + " </dev/null >/dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(brelk.c_str())), 1);
    EXPECT_NE(Ls().find("OTHER"), std::string::npos);
    const std::string forced = std::string("XDG_STATE_HOME=") + Dir.Path("state").string() + " " +
                               BRELK_BINARY + " format " + Card +
                               " --force </dev/null >/dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(forced.c_str())), 0);
    EXPECT_EQ(Ls().find("OTHER"), std::string::npos);
}

} // namespace

namespace {

TEST_F(NamesAndGuardsTest, AddLeavesOutWhatIsOnTheCardAlready) {
    const fs::path folder = Dir.Path("folder");
    fs::create_directory(folder);
    WriteFileBytes(folder / "ONE", std::vector<std::uint8_t>(700, 1));
    WriteFileBytes(folder / "TWO", std::vector<std::uint8_t>(300, 2));
    const TResult first = Run({"add", Card, folder.string()});
    ASSERT_EQ(first.Status, 0) << first.Err;
    const std::string before = Ls();
    WriteFileBytes(folder / "TWO", std::vector<std::uint8_t>(300, 3)); // changed: added again
    const TResult second = Run({"add", Card, folder.string()});
    EXPECT_EQ(second.Status, 0) << second.Err;
    EXPECT_EQ(second.Out, "Left out ONE from " + (folder / "ONE").string() +
                              ": already on the card\nAdded TWO (type 2, subtype 0, 300 bytes)\n");
    EXPECT_EQ(Count(Ls(), " ONE\n"), 1u);
    EXPECT_EQ(Count(Ls(), " TWO\n"), 2u);
    const TResult dry = Run({"add", Card, folder.string(), "--dry-run", "--json"});
    EXPECT_EQ(dry.Out.substr(0, 16), "{\"objects\": [], ") << dry.Out; // both left out
    EXPECT_EQ(Count(dry.Err, ": already on the card\n"), 2u) << dry.Err;
    const TResult forced = Run({"add", Card, (folder / "ONE").string(), "--duplicates"});
    EXPECT_EQ(forced.Out, "Added ONE (type 2, subtype 0, 700 bytes)\n");
    EXPECT_EQ(Count(Ls(), " ONE\n"), 2u);
}

} // namespace
