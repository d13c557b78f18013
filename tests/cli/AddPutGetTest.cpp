// brelk add, and put and get of discs and tapes in the card's form.
#include "card/Brelk.h"
#include "cli/CliFixture.h"
#include "explorer/ContentAnalysis.h"
#include "explorer/PendingSupport.h"
#include "formats/AcornDFS.h"
#include "formats/DFSBuilder.h"
#include "formats/DFSSideWalk.h"
#include "formats/UEF.h"
#include "formats/UEFBuilder.h"

#include <sys/stat.h>

using namespace brelktest;
using dfstest::TDFSBuilder;

namespace {

using TRun = TResult;

struct AddPutGetTest : CliFixture {
    std::string Save(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto path = Dir.Path(name);
        std::filesystem::create_directories(path.parent_path());
        WriteFileBytes(path, bytes);
        return path.string();
    }
    void SetUp() override {
        std::filesystem::remove(Card);
        ASSERT_EQ(Run({"create", Card, "2M"}).Status, 0);
        ASSERT_EQ(Run({"format", Card}).Status, 0);
    }
    // The object's bytes as get writes them without conversion.
    std::vector<std::uint8_t> Stored(const std::string& name) {
        const std::string out = Dir.Path("stored.bin").string();
        EXPECT_EQ(Run({"get", Card, name, "-o", out, "--as", "raw"}).Status, 0) << name;
        return ReadFileBytes(out);
    }
    long ObjectCount() {
        const std::string listing = Run({"ls", Card}).Out;
        return long(std::count(listing.begin(), listing.end(), '\n')) - 1; // less the heading
    }
    static std::vector<std::uint8_t> Disc(const std::string& title) {
        return TDFSBuilder(800).Title(title).AddWithData({'$', "F", 600, 2}, 0x77).Bytes();
    }
    static std::vector<std::uint8_t> Tape(const std::string& title) {
        TUEFBuilder uef;
        if (!title.empty())
            uef.Text(0x0009, title);
        return uef.NewFile()
            .Block(BlockSpec("T", 0, 256, 0))
            .Block(BlockSpec("T", 1, 5, 0x80))
            .Bytes;
    }
    static std::vector<std::uint8_t> Blocks() {
        return Concat(
            {TapeBlock(BlockSpec("T", 0, 256, 0)), TapeBlock(BlockSpec("T", 1, 5, 0x80))});
    }
};

TEST_F(AddPutGetTest, AddWalksFoldersAndPrintsOneLinePerObject) {
    const auto a = Disc("SIDEA");
    const auto b = Disc("SIDEB");
    Save("in/Acornsoft/Elite.ssd", TDFSBuilder(800, 51200).Title("ELITE").Bytes());
    Save("in/both.dsd", Interleave(a, b));
    Save("in/Superior/untitled tape.uef", GzipMember(Tape("")));
    Save("in/.hidden", {1});
    Save("in/tool.rom", std::vector<std::uint8_t>(1000, 0xEA));
    const TRun add = Run({"add", Card, Dir.Path("in").string(), "--guess-distributor"});
    EXPECT_EQ(add.Status, 0) << add.Err;
    EXPECT_EQ(add.Err, "");
    // Folders are walked in name order; the titled disc is squashed to its catalogue.
    EXPECT_EQ(add.Out, "Added Acornsoft.ELITE (type 3, subtype 1, 512 bytes)\n"
                       "Added Superior.untitledtape (type 3, subtype 3, " +
                           std::to_string(Blocks().size()) +
                           " bytes)\n"
                           "Added in.SIDEA (type 3, subtype 1, 409600 bytes)\n"
                           "Added tool.rom (type 2, subtype 0, 1000 bytes)\n");
    // Both sides of the interleaved disc, one after the other.
    const auto disc = Stored("in.SIDEA");
    brelk::TAcornDFSDiscObject walked;
    ASSERT_EQ(brelk::WalkDFSSides(walked, disc.data(), disc.size()), 2);
    EXPECT_EQ(walked.aDiscSides[1].Title, "SIDEB");
    EXPECT_EQ(std::vector<std::uint8_t>(disc.begin() + 204800, disc.end()), b);
    // The tape as its raw blocks, the rest of the last card block zero.
    const auto tape = Stored("Superior.untitledtape");
    EXPECT_EQ(
        std::vector<std::uint8_t>(tape.begin(), tape.begin() + std::ptrdiff_t(Blocks().size())),
        Blocks());
}

TEST_F(AddPutGetTest, UntitledTapeWithoutGuessingIsNamedAfterItsFile) {
    const TRun add = Run({"add", Card, Save("my tape.uef", Tape(""))});
    EXPECT_EQ(add.Status, 0) << add.Err;
    EXPECT_EQ(add.Out.substr(0, 19), "Added mytape (type ");
}

TEST_F(AddPutGetTest, DryRunJsonWritesNothing) {
    const std::string disc = Save("d.ssd", TDFSBuilder(800, 51200).Title("D").Bytes());
    const std::string tool = Save("timing.ssd", TDFSBuilder(0, 2560).Title("T").Bytes());
    const TRun dry = Run({"add", Card, disc, tool, "--dry-run", "--json", "--expand"});
    EXPECT_EQ(dry.Status, 0) << dry.Err;
    // Free: 2 MiB - 8192 - 512 catalogue block; needed: 204800 + 2560 + 2 x 512 + 64.
    const std::int64_t needed = 204800 + 2560 + 1024 + 64;
    const std::int64_t left = (2 << 20) - 8192 - 512 - needed;
    EXPECT_EQ(dry.Out, "{\"objects\": [{\"file\": \"" + disc +
                           "\", \"name\": \"D\", \"type\": 3, \"subtype\": 1, \"squashed\": false, "
                           "\"data_size\": 51200, \"size_on_card\": 204800, \"read_as\": \"dfs\", "
                           "\"gzip\": false, \"note\": \"\"}, {\"file\": \"" +
                           tool +
                           "\", \"name\": \"timing.ssd\", \"type\": 2, \"subtype\": 0, "
                           "\"squashed\": false, \"data_size\": 2560, \"size_on_card\": 2560, "
                           "\"read_as\": \"tool\", \"gzip\": false, \"note\": \"DFS catalogue "
                           "with sector count 0\"}], \"space_needed\": " +
                           std::to_string(needed) + ", \"space_left\": " + std::to_string(left) +
                           "}\n");
    EXPECT_EQ(Run({"ls", Card, "--json"}).Out, "{\"catalogue_valid\": true, \"entries\": []}\n");
}

TEST_F(AddPutGetTest, AddFailuresGiveExitStatusOne) {
    struct Case {
        const char* What;
        std::vector<std::string> Extra;
        std::string Error;
        std::size_t Written;
    };
    const std::string big = Save("big.bin", std::vector<std::uint8_t>(2100000, 1));
    auto damaged = GzipMember(Tape("X"));
    damaged.resize(damaged.size() - 3);
    const Case cases[] = {
        {"missing path",
         {Dir.Path("nothing").string()},
         "brelk: '" + Dir.Path("nothing").string() + "' is no file or folder.\n",
         1},
        {"card full",
         {big},
         "brelk: Could not add 'big.bin' to Brelk - Brelk full?\n"
         "brelk: 1 of 2 objects are on the card\n",
         1},
        {"damaged gzip",
         {Save("bad.uef", damaged)},
         "brelk: Could not unpack the gzip-compressed file '" + Dir.Path("bad.uef").string() +
             "': its compressed data is damaged.\n",
         1},
        {"no name",
         {Save("   ", {1, 2})},
         "brelk: '" + Dir.Path("   ").string() + "' gives no usable object name.\n",
         1},
    };
    for (const Case& c : cases) {
        SetUp();
        std::vector<std::string> args = {"add", Card, Save("fine.bin", {5})};
        args.insert(args.end(), c.Extra.begin(), c.Extra.end());
        const TRun add = Run(args);
        EXPECT_EQ(add.Status, 1) << c.What;
        EXPECT_EQ(add.Err, c.Error) << c.What;
        EXPECT_EQ(add.Out, "Added fine.bin (type 2, subtype 0, 1 bytes)\n") << c.What;
    }
    EXPECT_EQ(Run({"add", Card, "x", "--squash", "--expand"}).Status, 2);
    EXPECT_EQ(Run({"add", Card, "x", "--ask"}).Status, 2);
    EXPECT_EQ(Run({"add", Card, "x", "--json"}).Status, 2);
}

// A path the user names that is no regular file or folder is left out with its reason, and
// the command fails; inside a folder such nodes are passed over without a word.
TEST_F(AddPutGetTest, AddSaysWhyPipesAndDevicesAreLeftOut) {
    const std::string fifo = Dir.Path("pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string Path;
        std::string Reason;
    };
    const Case cases[] = {
        {fifo, "it is a pipe (FIFO), not a regular file"},
        {"/dev/zero", "it is a character device, not a regular file"},
        {"/dev/null", "it is a character device, not a regular file"},
        {"/dev/urandom", "it is a character device, not a regular file"},
    };
    for (const Case& c : cases) {
        const TRun add = Run({"add", Card, c.Path});
        EXPECT_EQ(add.Status, 1) << c.Path;
        EXPECT_EQ(add.Err, "brelk: '" + c.Path + "' was left out: " + c.Reason + ".\n") << c.Path;
        EXPECT_EQ(ObjectCount(), 0) << c.Path;
    }
    // A folder holding the pipe beside a file: the file is added, the pipe passed over.
    const std::string folder = Dir.Path("folder").string();
    std::filesystem::create_directories(folder);
    ASSERT_EQ(::mkfifo((folder + "/pipe").c_str(), 0600), 0);
    Save("folder/tool.bin", std::vector<std::uint8_t>(100, 1));
    const TRun walk = Run({"add", Card, folder});
    EXPECT_EQ(walk.Status, 0) << walk.Err;
    EXPECT_EQ(ObjectCount(), 1);
}

TEST_F(AddPutGetTest, OverwriteOptions) {
    const std::string first = Save("one/T.bin", {1});
    const std::string second = Save("two/T.bin", {2, 2});
    ASSERT_EQ(Run({"add", Card, first}).Status, 0);
    EXPECT_EQ(Run({"add", Card, second}).Status, 0);
    EXPECT_EQ(ObjectCount(), 2);
    SetUp();
    ASSERT_EQ(Run({"add", Card, first}).Status, 0);
    EXPECT_EQ(Run({"add", Card, second, "--overwrite"}).Status, 0);
    EXPECT_EQ(Stored("T.bin")[0], 2);
    EXPECT_EQ(ObjectCount(), 1);
}

TEST_F(AddPutGetTest, AskAnswersComeFromStandardInput) {
    struct Case {
        const char* Answer;
        std::uint8_t Stored;
        int Status;
    };
    const Case cases[] = {{"y", 2, 0}, {"n", 1, 0}, {"c", 1, 1}, {"", 1, 1}};
    const std::string first = Save("one/T.bin", {1});
    const std::string second = Save("two/T.bin", {2});
    for (const Case& c : cases) {
        SetUp();
        ASSERT_EQ(Run({"add", Card, first}).Status, 0);
        const std::string err = Dir.Path("err.txt").string();
        const std::string command = "printf '" + std::string(c.Answer) + "\\n' | " + BRELK_BINARY +
                                    " add " + Card + " " + second + " --overwrite --ask 2>" + err +
                                    " >/dev/null";
        const int status = std::system(command.c_str());
        EXPECT_EQ(WEXITSTATUS(status), c.Status) << c.Answer;
        EXPECT_EQ(Stored("T.bin")[0], c.Stored) << c.Answer;
        const auto text = ReadFileBytes(err);
        EXPECT_EQ(std::string(text.begin(), text.end()).substr(0, 66),
                  "The object 'T.bin' will be overwritten.\n\nPress YES to overwrite th")
            << c.Answer;
    }
}

TEST_F(AddPutGetTest, PutStoresTheCardForm) {
    const auto a = Disc("SIDEA");
    const auto b = Disc("SIDEB");
    struct Case {
        const char* What;
        std::vector<std::uint8_t> File;
        std::vector<std::string> Options;
        std::vector<std::uint8_t> Stored; // its first bytes
        std::size_t Length;               // the length put reports
    };
    const auto uef = Tape("T");
    const auto squashed =
        TDFSBuilder(800, 204800).Title("SIDEA").AddWithData({'$', "F", 600, 2}, 0x77).Bytes();
    std::vector<std::uint8_t> cut(squashed.begin(), squashed.begin() + 5 * 256);
    cut[256 + 7] = 5; // the squashed catalogue states 5 sectors
    cut[256 + 6] &= 0xFC;
    const Case cases[] = {
        {"tape to blocks", uef, {"--type", "3", "--subtype", "3"}, Blocks(), Blocks().size()},
        {"gzip tape to blocks",
         GzipMember(uef),
         {"--type", "3", "--subtype", "3"},
         Blocks(),
         Blocks().size()},
        {"raw tape", uef, {"--type", "3", "--subtype", "3", "--raw"}, uef, uef.size()},
        {"interleaved disc",
         Interleave(a, b),
         {"--type", "3", "--subtype", "1"},
         Concat({a, b}),
         409600},
        {"squashed disc", a, {"--type", "3", "--subtype", "1", "--squash"}, cut, cut.size()},
        {"tool", uef, {}, uef, uef.size()},
    };
    for (const Case& c : cases) {
        SetUp();
        std::vector<std::string> args = {"put", Card, Save("file.dsd", c.File), "--name", "X"};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const TRun put = Run(args);
        ASSERT_EQ(put.Status, 0) << c.What << put.Err;
        EXPECT_NE(put.Out.find(", " + std::to_string(c.Length) + " bytes)"), std::string::npos)
            << c.What << put.Out;
        const auto stored = Stored("X");
        ASSERT_GE(stored.size(), c.Stored.size()) << c.What;
        EXPECT_EQ(std::vector<std::uint8_t>(stored.begin(),
                                            stored.begin() + std::ptrdiff_t(c.Stored.size())),
                  c.Stored)
            << c.What;
    }
    EXPECT_EQ(Run({"put", Card, Save("t", uef), "--squash"}).Status, 2);
    EXPECT_EQ(Run({"put", Card, Save("t", a), "--type", "3", "--subtype", "1", "--raw", "--expand"})
                  .Status,
              2);
}

// Objects longer than one transfer piece, ending inside a piece and inside a block.
TEST_F(AddPutGetTest, PutAndGetCopyObjectsOfSeveralPiecesWhole) {
    std::filesystem::remove(Card);
    ASSERT_EQ(Run({"create", Card, "8M"}).Status, 0);
    ASSERT_EQ(Run({"format", Card}).Status, 0);
    for (const std::uint32_t length : {brelk::kTransferPiece - 1, 2 * brelk::kTransferPiece + 7}) {
        std::vector<std::uint8_t> bytes(length);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = std::uint8_t('T' + i * 7 + i / 4093);
        const std::string name = "P" + std::to_string(length);
        ASSERT_EQ(Run({"put", Card, Save("p.bin", bytes), "--name", name}).Status, 0) << length;
        const std::string out = Dir.Path(name + ".bin").string();
        ASSERT_EQ(Run({"get", Card, name, "-o", out}).Status, 0) << length;
        std::vector<std::uint8_t> got = ReadFileBytes(out);
        ASSERT_EQ(got.size(), (length + 511u) / 512 * 512) << length; // whole blocks
        EXPECT_TRUE(std::all_of(got.begin() + length, got.end(), [](auto b) { return b == 0; }));
        got.resize(length);
        EXPECT_TRUE(got == bytes) << length;
    }
}

TEST_F(AddPutGetTest, GetExportsTapesAsUEF) {
    ASSERT_EQ(Run({"put", Card, Save("t.uef", Tape("T")), "--type", "3", "--subtype", "3"}).Status,
              0);
    ASSERT_EQ(Run({"put", Card, Save("c.uef", Tape("C")), "--name", "CONTAINER", "--type", "3",
                   "--subtype", "3", "--raw"})
                  .Status,
              0);
    struct Case {
        const char* Name;
        std::vector<std::string> Options;
        const char* Output;
        bool RealUEF; // a UEF whose blocks are the tape's
    };
    const Case cases[] = {
        {"t.uef", {}, "out.UEF", true},
        {"t.uef", {"--as", "uef"}, "out.bin", true},
        {"t.uef", {"--as", "raw"}, "out.uef", false},
        {"t.uef", {}, "out.bin", false},
        {"CONTAINER", {}, "whole.uef", true}, // no blocks stored: the stored UEF as it is
    };
    for (const Case& c : cases) {
        const std::string out = Dir.Path(c.Output).string();
        std::vector<std::string> args = {"get", Card, c.Name, "-o", out};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        ASSERT_EQ(Run(args).Status, 0) << c.Output;
        const auto bytes = ReadFileBytes(out);
        brelk::TUEF tape;
        EXPECT_EQ(tape.FetchUEF(bytes), c.RealUEF) << c.Output;
        if (c.RealUEF) {
            EXPECT_EQ(tape.UseableData, Blocks()) << c.Output;
        } else {
            EXPECT_EQ(bytes.size() % 512, 0u) << c.Output;
        }
    }
    EXPECT_EQ(Run({"get", Card, "t.uef", "--as", "wav"}).Status, 2);
    // Standard output: the UEF only when asked.
    const TRun toOut = Run({"get", Card, "t.uef", "--as", "uef"});
    EXPECT_EQ(toOut.Out.substr(0, 10), std::string("UEF File!\0", 10));
}

TEST_F(AddPutGetTest, InspectAndImageCommandsReadInterleavedAndGzipFiles) {
    const auto a = Disc("SIDEA");
    const auto b = Disc("SIDEB");
    const std::string dsd = Save("both.dsd.gz", GzipMember(Interleave(a, b)));
    const TRun inspect = Run({"inspect", dsd});
    EXPECT_EQ(inspect.Out.substr(0, inspect.Out.find(":0.")),
              "gzip-compressed, 409600 bytes unpacked\n"
              "DFS disc, interleaved: a second DFS catalogue with the same sector count lies at "
              "2560\n");
    EXPECT_NE(inspect.Out.find("SIDEB"), std::string::npos);
    const std::string out = Dir.Path("flat.ssd").string();
    const TRun expand = Run({"expand-image", dsd, "-o", out});
    EXPECT_EQ(expand.Status, 0) << expand.Err;
    EXPECT_EQ(ReadFileBytes(out), Concat({a, b}));
    EXPECT_NE(expand.Out.find("written with the sides one after the other"), std::string::npos);
    const TRun squash =
        Run({"squash-image",
             Save("lone.dsd", Interleave(a, std::vector<std::uint8_t>(204800, 0xE5))), "-o", out});
    EXPECT_EQ(squash.Status, 0) << squash.Err;
    EXPECT_NE(
        squash.Out.find("second side not kept: DFS catalogue whose title begins with byte 0xE5"),
        std::string::npos)
        << squash.Out;
    const TRun tool = Run({"inspect", Save("timing.ssd", TDFSBuilder(0, 2560).Bytes())});
    EXPECT_EQ(tool.Out, "tool (2560 bytes): DFS catalogue with sector count 0\n");
    EXPECT_EQ(Run({"inspect", Save("empty.ssd", {})}).Out, "tool (0 bytes): the file is empty\n");
}

// A disc of two sides leaves under a ".dsd" name track by track, as such files hold it; any
// other name gets the sides one after the other.
TEST_F(AddPutGetTest, DoubleSidedDiscsLeaveInterleavedUnderDsdNames) {
    const auto a = Disc("SIDEA");
    const auto b = Disc("SIDEB");
    const auto dsd = Interleave(a, b);
    ASSERT_EQ(
        Run({"put", Card, Save("in.dsd", dsd), "--type", "3", "--subtype", "1", "--name", "SIDEA"})
            .Status,
        0);
    struct Case {
        std::vector<std::string> Args;
        const char* Output;
        std::vector<std::uint8_t> Expected;
    };
    const Case cases[] = {
        {{"get", Card, "SIDEA"}, "out.dsd", dsd},
        {{"get", Card, "SIDEA"}, "OUT.DSD", dsd},
        {{"get", Card, "SIDEA"}, "out.ssd", Concat({a, b})},
        {{"get", Card, "SIDEA", "--as", "raw"}, "raw.dsd", Concat({a, b})},
        {{"expand-image", Save("e.dsd", dsd)}, "exp.dsd", dsd},
        {{"expand-image", Save("e.dsd", dsd)}, "exp.ssd", Concat({a, b})},
        {{"squash-image", Save("flat.ssd", Concat({a, b}))}, "sq.dsd", {}}, // read back below
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.Args;
        const std::string out = Dir.Path(c.Output).string();
        args.insert(args.end(), {"-o", out});
        const TRun run = Run(args);
        ASSERT_EQ(run.Status, 0) << c.Output << run.Err;
        if (!c.Expected.empty()) {
            EXPECT_EQ(ReadFileBytes(out), c.Expected) << c.Output;
        }
    }
    // The squashed sides (5 sectors each) fill whole track pairs: one track of each side.
    const auto squashed = ReadFileBytes(Dir.Path("sq.dsd"));
    ASSERT_EQ(squashed.size(), 2u * 2560u);
    const brelk::TContentAnalysis found = brelk::AnalyseContents(squashed, "sq.dsd");
    ASSERT_EQ(found.ReadAs, brelk::TReadAs::DFSInterleaved);
    EXPECT_EQ(found.DiscSides, 2);
    std::vector<std::uint8_t> held;
    const auto form = brelk::DFSCardForm(squashed, found.ReadAs, held);
    brelk::TAcornDFSDiscObject walked;
    ASSERT_EQ(brelk::WalkDFSSides(walked, form.data(), form.size()), 2);
    EXPECT_EQ(walked.aDiscSides[1].Title, "SIDEB");
    EXPECT_EQ(form[2 * 256], 0x77); // side 0's file F at sector 2
    EXPECT_EQ(form[5 * 256 + 2 * 256], 0x77);
}

} // namespace
