// brelk find: the files of every disc and tape on the card whose names match, as text and
// JSON, the object filter, damaged objects passed over with a warning, and the exit status.
#include "CliFixture.h"
#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"

using namespace brelktest;
using dfstest::FileAt;
using dfstest::TDFSBuilder;

namespace {

struct FindCommandTest : CliFixture {
    void SetUp() override { MakeCard("4M"); }

    void Put(const std::string& name, const std::string& subtype, const TBytes& bytes) {
        const std::string path = Dir.Path(name + ".img").string();
        WriteFileBytes(path, bytes);
        const TResult put =
            Run({"put", Card, path, "--type", "3", "--subtype", subtype, "--name", name, "--raw"});
        ASSERT_EQ(put.Status, 0) << put.Err;
    }
    // GAMES: $.ELITE (locked) on side 0, B.ELITE on side 2; TAPE: ELITE; BROKEN: no catalogue.
    void AddObjects() {
        const TBytes side0 = TDFSBuilder(10, 2560).Add(FileAt("ELITE", 300, 2, '$', true)).Bytes();
        const TBytes side2 = TDFSBuilder(12, 3072).Add(FileAt("ELITE", 5, 3, 'B')).Bytes();
        Put("GAMES", "1", dfstest::Concat({side0, side2}));
        Put("TAPE", "3", TapeBlock(BlockSpec("ELITE", 0, 10, 0x80)));
        TBytes broken = TDFSBuilder(10, 2560).Bytes();
        broken[256 + 7] = 0;
        Put("BROKEN", "1", broken);
    }
};

const char* const kWarning =
    "brelk: warning: 'BROKEN': not searched: not a DFS disc: DFS catalogue with sector count 0\n";

TEST_F(FindCommandTest, ListsObjectSideNameAndNumbers) {
    AddObjects();
    const TResult found = Run({"find", Card, "elite"});
    EXPECT_EQ(found.Status, 0) << found.Err;
    EXPECT_EQ(found.Out, "GAMES 0 $.ELITE      001900 008023 00012C L\n"
                         "GAMES 2 B.ELITE      001900 008023 000005\n"
                         "TAPE 0 ELITE        00001900 00008023 00000A\n");
    EXPECT_EQ(found.Err, kWarning);
    const TResult filtered = Run({"find", Card, "NONE", "B.*", "--object", "G#MES"});
    EXPECT_EQ(filtered.Status, 0) << filtered.Err;
    EXPECT_EQ(filtered.Out, "GAMES 2 B.ELITE      001900 008023 000005\n");
    EXPECT_EQ(filtered.Err, "") << "BROKEN is not among the objects searched";
}

TEST_F(FindCommandTest, JsonListsFilesAndSkippedObjects) {
    AddObjects();
    const TResult json = Run({"find", Card, "$.*", "--json"});
    EXPECT_EQ(json.Status, 0) << json.Err;
    EXPECT_EQ(json.Out.substr(0, 42), "{\"files\": [{\"object\": \"GAMES\", \"address\": ");
    EXPECT_NE(json.Out.find("\"side\": 0, \"name\": \"$.ELITE\", \"load\": 6400, \"exec\": 32803, "
                            "\"length\": 300, \"locked\": true}], \"skipped\": [{\"object\": "
                            "\"BROKEN\""),
              std::string::npos)
        << json.Out;
    EXPECT_NE(
        json.Out.find("\"reason\": \"not a DFS disc: DFS catalogue with sector count 0\"}]}\n"),
        std::string::npos)
        << json.Out;
}

TEST_F(FindCommandTest, NoMatchIsExitOneSaidOnStandardError) {
    AddObjects();
    const struct {
        std::vector<std::string> Args;
        std::string Err;
    } cases[] = {
        {{"NOPE"}, "no file matches 'NOPE' in any disc or tape\n"},
        {{"NOPE", "GONE"}, "no file matches 'NOPE' or 'GONE' in any disc or tape\n"},
        {{"ELITE", "--object", "X*"},
         "no file matches 'ELITE' in any disc or tape whose name matches 'X*'\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"find", Card};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const TResult none = Run(args);
        EXPECT_EQ(none.Status, 1) << c.Err;
        EXPECT_EQ(none.Out, "");
        EXPECT_NE(none.Err.find("brelk: " + Card + ": " + c.Err), std::string::npos) << none.Err;
    }
    EXPECT_EQ(Run({"find", Card}).Status, 2) << "a pattern is needed";
}

TEST_F(FindCommandTest, ProgramExitsZeroWhenFoundAndQuietKeepsTheWarningBack) {
    AddObjects();
    const TResult found = RunProgram({"find", Card, "ELITE", "-q"});
    EXPECT_EQ(found.Status, 0) << found.Err;
    EXPECT_EQ(found.Out, "");
    EXPECT_EQ(found.Err, "");
    const TResult none = RunProgram({"find", Card, "NOPE", "-q"});
    EXPECT_EQ(none.Status, 1);
    EXPECT_EQ(none.Err, "brelk: " + Card + ": no file matches 'NOPE' in any disc or tape\n");
}

} // namespace
