// brelk files, extract, view, insert and delete-file on disc and tape objects of a card.
#include "CliFixture.h"
#include "formats/ADFSBuilder.h"
#include "formats/DFSBuilder.h"
#include "formats/DFSInterleave.h"
#include "formats/UEFBuilder.h"

#include <algorithm>
#include <filesystem>

using namespace brelktest;
using namespace std::string_literals;
using dfstest::TDFSBuilder;
using dfstest::TFile;

namespace fs = std::filesystem;

namespace {

struct DiscFileCommandsTest : CliFixture {
    void SetUp() override { MakeCard("4M"); }

    std::string Save(const std::string& name, const TBytes& bytes) {
        const std::string path = Dir.Path(name).string();
        WriteFileBytes(path, bytes);
        return path;
    }
    void Add(const std::string& path) {
        const TResult add = Run({"add", Card, path});
        ASSERT_EQ(add.Status, 0) << add.Err;
    }
    // GAMES: side 0 with $.ONE (locked) and $.PROG (BASIC), side 2 with B.TWO.
    void AddGames() {
        const TBytes program = {0x0D, 0x00, 0x0A, 0x06, 0xF1, '1', 0x0D, 0xFF};
        TBytes side0 = TDFSBuilder(800)
                           .Title("GAMES")
                           .AddWithData(dfstest::FileAt("ONE", 300, 2, '$', true), 0x11)
                           .Add(dfstest::FileAt("PROG", std::uint32_t(program.size()), 4))
                           .Bytes();
        std::copy(program.begin(), program.end(), side0.begin() + 4 * 256);
        const TBytes side2 =
            TDFSBuilder(800).AddWithData(dfstest::FileAt("TWO", 5, 3, 'B'), 0x22).Bytes();
        Add(Save("games.ssd", dfstest::Concat({side0, side2})));
    }
    TBytes CardBytes() { return ReadFileBytes(Card); }
};

} // namespace

TEST_F(DiscFileCommandsTest, FilesListsEverySideAsTextAndJson) {
    AddGames();
    const TResult json = Run({"files", Card, "GAMES", "--json"});
    ASSERT_EQ(json.Status, 0) << json.Err;
    EXPECT_EQ(json.Out,
              "{\"files\": [{\"side\": 0, \"name\": \"$.ONE\", \"load\": 6400, \"exec\": 32803, "
              "\"length\": 300, \"locked\": true}, {\"side\": 0, \"name\": \"$.PROG\", \"load\": "
              "6400, \"exec\": 32803, \"length\": 8, \"locked\": false}, {\"side\": 2, \"name\": "
              "\"B.TWO\", \"load\": 6400, \"exec\": 32803, \"length\": 5, \"locked\": false}]}\n");
    const TResult text = Run({"files", Card, "games"});
    ASSERT_EQ(text.Status, 0) << text.Err;
    EXPECT_EQ(text.Out, "0 $.ONE        001900 008023 00012C L\n"
                        "0 $.PROG       001900 008023 000008\n"
                        "2 B.TWO        001900 008023 000005\n");
}

TEST_F(DiscFileCommandsTest, ExtractWritesSideFoldersAndNeverReplacesWithoutForce) {
    AddGames();
    const std::string out = Dir.Path("out").string();
    const TResult all = Run({"extract", Card, "GAMES", "-o", out, "--inf"});
    ASSERT_EQ(all.Status, 0) << all.Err;
    EXPECT_EQ(ReadFileBytes(Dir.Path("out/0/$.ONE")), TBytes(300, 0x11));
    EXPECT_EQ(ReadFileBytes(Dir.Path("out/2/B.TWO")), TBytes(5, 0x22));
    const TBytes inf = ReadFileBytes(Dir.Path("out/0/$.ONE.inf"));
    EXPECT_EQ(std::string(inf.begin(), inf.end()), "$.ONE 001900 008023 00012C L\n");
    const TResult again = Run({"extract", Card, "GAMES", "b.*", "-o", out});
    EXPECT_EQ(again.Status, 1);
    EXPECT_NE(again.Err.find("out/2/B.TWO: exists already"), std::string::npos) << again.Err;
    EXPECT_NE(again.Err.find("--force"), std::string::npos) << again.Err;
    EXPECT_EQ(Run({"extract", Card, "GAMES", "b.*", "-o", out, "--force"}).Status, 0);
    const TResult none = Run({"extract", Card, "GAMES", "NOPE", "-o", out});
    EXPECT_EQ(none.Status, 1);
    EXPECT_NE(none.Err.find("no file matches 'NOPE'"), std::string::npos) << none.Err;
}

TEST_F(DiscFileCommandsTest, ExtractOfAWildcardWritesEachObjectIntoItsFolderOrNothing) {
    AddGames();
    Add(Save(
        "demo.ssd",
        TDFSBuilder(800).Title("DEMO").AddWithData(dfstest::FileAt("PROG", 4, 2), 0x33).Bytes()));
    Add(Save("tool.bin", TBytes(300, 0x44)));
    const auto below = [](const fs::path& root) {
        std::vector<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(root))
            paths.push_back(fs::relative(entry.path(), root).string());
        std::sort(paths.begin(), paths.end());
        return paths;
    };
    const std::string out = Dir.Path("out").string();
    const TResult all = Run({"extract", Card, "*", "-o", out});
    ASSERT_EQ(all.Status, 0) << all.Err;
    EXPECT_EQ(below(out),
              (std::vector<std::string>{"DEMO", "DEMO/$.PROG", "GAMES", "GAMES/0", "GAMES/0/$.ONE",
                                        "GAMES/0/$.PROG", "GAMES/2", "GAMES/2/B.TWO"}));
    EXPECT_EQ(ReadFileBytes(Dir.Path("out/DEMO/$.PROG")), TBytes(4, 0x33));
    EXPECT_EQ(ReadFileBytes(Dir.Path("out/GAMES/2/B.TWO")), TBytes(5, 0x22));
    EXPECT_NE(all.Out.find("out/DEMO/$.PROG\n"), std::string::npos) << all.Out;
    // FILE patterns choose in every object; one may match nothing in some of them.
    const std::string some = Dir.Path("some").string();
    ASSERT_EQ(Run({"extract", Card, "*", "PROG", "B.*", "-o", some}).Status, 0);
    EXPECT_EQ(below(some),
              (std::vector<std::string>{"DEMO", "DEMO/$.PROG", "GAMES", "GAMES/0", "GAMES/0/$.PROG",
                                        "GAMES/2", "GAMES/2/B.TWO"}));
    const TResult none = Run({"extract", Card, "*", "PROG", "NOPE", "-o", Dir.Path("x").string()});
    EXPECT_EQ(none.Status, 1);
    EXPECT_NE(none.Err.find("no file matches 'NOPE' in any object"), std::string::npos) << none.Err;
    EXPECT_FALSE(fs::exists(Dir.Path("x/DEMO/$.PROG")));
    // One object's file exists already: the other objects' files are not written either.
    fs::remove(Dir.Path("out/DEMO/$.PROG"));
    const TResult again = Run({"extract", Card, "*", "-o", out});
    EXPECT_EQ(again.Status, 1);
    EXPECT_NE(again.Err.find("exists already"), std::string::npos) << again.Err;
    EXPECT_EQ(below(Dir.Path("out/DEMO")), std::vector<std::string>{});
    EXPECT_EQ(Run({"extract", Card, "*", "-o", out, "--force"}).Status, 0);
    EXPECT_EQ(ReadFileBytes(Dir.Path("out/DEMO/$.PROG")), TBytes(4, 0x33));
    // Only objects with files count, and a second object of one name gets a folder NAME.1.
    const TResult tools = Run({"extract", Card, "TOOL*", "-o", out});
    EXPECT_EQ(tools.Status, 1);
    EXPECT_NE(tools.Err.find("no disc or tape object matches 'TOOL*'"), std::string::npos)
        << tools.Err;
    Add(Save(
        "demo2.ssd",
        TDFSBuilder(800).Title("DEMO").AddWithData(dfstest::FileAt("NEW", 4, 2), 0x55).Bytes()));
    const TResult twice = Run({"extract", Card, "D*", "-o", Dir.Path("y").string()});
    ASSERT_EQ(twice.Status, 0) << twice.Err;
    EXPECT_EQ(below(Dir.Path("y")),
              (std::vector<std::string>{"DEMO", "DEMO.1", "DEMO.1/$.NEW", "DEMO/$.PROG"}));
}

TEST_F(DiscFileCommandsTest, ViewShowsBasicTextOrHex) {
    AddGames();
    const TResult basic = Run({"view", Card, "GAMES", "PROG"});
    ASSERT_EQ(basic.Status, 0) << basic.Err;
    EXPECT_EQ(basic.Out, "   10PRINT1\n");
    const TResult hex = Run({"view", Card, "GAMES", "PROG", "--as", "hex"});
    ASSERT_EQ(hex.Status, 0) << hex.Err;
    EXPECT_EQ(hex.Out.substr(0, 30), "0000  0D 00 0A 06 F1 31 0D FF ");
    const TResult refused = Run({"view", Card, "GAMES", "ONE", "--as", "basic"});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_NE(refused.Err.find("'$.ONE' is not a BASIC program"), std::string::npos) << refused.Err;
    EXPECT_EQ(Run({"view", Card, "GAMES", "*"}).Status, 1) << "three files match";
    EXPECT_EQ(Run({"view", Card, "GAMES", "TWO", "--side", "2"}).Status, 1) << "not in $";
    EXPECT_EQ(Run({"view", Card, "GAMES", "B.TWO", "--side", "2"}).Status, 0);
    EXPECT_EQ(Run({"view", Card, "GAMES", "PROG", "--as", "pdf"}).Status, 2);
}

TEST_F(DiscFileCommandsTest, InsertTakesInfAndOptionsAndRefusesWithTheCardUnchanged) {
    AddGames();
    const std::string elite = Save("elite.bin", TBytes(1000, 0x77));
    Save("elite.bin.inf", {'G', '.', 'E', 'L', 'I', 'T', 'E', ' ', '3', '0',
                           '0', '0', ' ', '3', '0', '2', '0', ' ', 'L', '\n'});
    const TResult insert = Run({"insert", Card, "GAMES", elite, "--side", "2", "--exec", "&3100"});
    ASSERT_EQ(insert.Status, 0) << insert.Err;
    const TResult list = Run({"files", Card, "GAMES"});
    EXPECT_NE(list.Out.find("2 G.ELITE      003000 003100 0003E8 L"), std::string::npos)
        << list.Out;
    const TResult out = Run({"extract", Card, "GAMES", "G.ELITE", "-o", Dir.Path("x").string()});
    ASSERT_EQ(out.Status, 0) << out.Err;
    EXPECT_EQ(ReadFileBytes(Dir.Path("x/2/G.ELITE")), TBytes(1000, 0x77));

    const TBytes before = CardBytes();
    const std::string plain = Save("plain", TBytes(10, 1));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--side", "2", "--name", "G.ELITE"},
          {"--name", "TOO LONG"},
          {"--side", "1"}}) {
        std::vector<std::string> command = {"insert", Card, "GAMES", plain};
        command.insert(command.end(), args.begin(), args.end());
        const TResult refused = Run(command);
        EXPECT_EQ(refused.Status, 1) << args[1];
        EXPECT_FALSE(refused.Err.empty());
        EXPECT_EQ(CardBytes(), before) << args[1];
    }
    const std::string big = Save("big", TBytes(210000, 1));
    const TResult full = Run({"insert", Card, "GAMES", big});
    EXPECT_EQ(full.Status, 1);
    EXPECT_NE(full.Err.find("the disc is full"), std::string::npos) << full.Err;
    EXPECT_EQ(CardBytes(), before);
    EXPECT_EQ(Run({"insert", Card, "GAMES", plain, big, "--name", "X"}).Status, 2);
}

TEST_F(DiscFileCommandsTest, DeleteFileTakesWildcardsAndRefusesLockedFiles) {
    AddGames();
    const TBytes before = CardBytes();
    const TResult locked = Run({"delete-file", Card, "GAMES", "*"});
    EXPECT_EQ(locked.Status, 1);
    EXPECT_NE(locked.Err.find("'$.ONE' is locked"), std::string::npos) << locked.Err;
    EXPECT_EQ(CardBytes(), before);
    const TResult done = Run({"delete-file", Card, "GAMES", "P*", "B.T#O", "--side", "0"});
    EXPECT_EQ(done.Status, 1) << "B.TWO is on side 2";
    const TResult deleted = Run({"delete-file", Card, "GAMES", "P*"});
    ASSERT_EQ(deleted.Status, 0) << deleted.Err;
    EXPECT_EQ(deleted.Out, "Deleted $.PROG\n");
    EXPECT_EQ(Run({"files", Card, "GAMES"}).Out.find("PROG"), std::string::npos);
}

TEST_F(DiscFileCommandsTest, TapesAndADFSDiscs) {
    TUEFBuilder uef;
    for (const char* name : {"GAME", "GAME", "A/B"})
        uef.Block(BlockSpec(name, 0, 4, 0x80));
    Add(Save("Tape.uef", uef.Bytes));
    const TResult tape = Run({"extract", Card, "Tape", "-o", Dir.Path("t").string()});
    ASSERT_EQ(tape.Status, 0) << tape.Err;
    EXPECT_TRUE(fs::exists(Dir.Path("t/GAME")));
    EXPECT_TRUE(fs::exists(Dir.Path("t/GAME.1")));
    EXPECT_TRUE(fs::exists(Dir.Path("t/A%2FB")));

    adfstest::TObject elite;
    elite.Name = "ELITE";
    elite.Sector = 1300;
    elite.Length = 40;
    adfstest::TObject games;
    games.Name = "GAMES";
    games.Sector = 9;
    games.Directory = true;
    const TBytes adl = adfstest::TADFSBuilder(2560)
                           .Directory(2, 2, "$", "Big", {games})
                           .Directory(9, 2, "GAMES", "", {elite})
                           .Data(1300, 40, 0x30)
                           .Interleaved();
    Add(Save("big.adl", adl));
    const TResult json = Run({"files", Card, "Big", "--json"});
    ASSERT_EQ(json.Status, 0) << json.Err;
    EXPECT_NE(json.Out.find("\"name\": \"$.GAMES.ELITE\""), std::string::npos) << json.Out;
    const TResult out = Run({"extract", Card, "Big", "-o", Dir.Path("a").string()});
    ASSERT_EQ(out.Status, 0) << out.Err;
    EXPECT_EQ(ReadFileBytes(Dir.Path("a/GAMES/ELITE")).size(), 40u);
    const TResult insert = Run({"insert", Card, "Big", Save("x", {1})});
    EXPECT_EQ(insert.Status, 1);
    EXPECT_NE(insert.Err.find("not a DFS disc object"), std::string::npos) << insert.Err;
}

// Every file extracted from the real discs equals the bytes at its start sector in the
// image file, read here without the program's readers.
TEST_F(DiscFileCommandsTest, CorpusExtractMatchesTheImage) {
    BRELK_REQUIRE_CORPUS();
    for (const char* name : {"Welcome.ssd", "beebtools_watford-sd-62-with-holes.ssd"}) {
        const fs::path source = CorpusDir() / "dfs" / name;
        const TBytes image = ReadFileBytes(source);
        const std::string copy = Save(std::string("c_") + name, image);
        const TResult add = Run({"add", Card, copy});
        ASSERT_EQ(add.Status, 0) << add.Err;
        ASSERT_EQ(add.Out.rfind("Added ", 0), 0u) << add.Out;
        const std::string object = add.Out.substr(6, add.Out.find(" (") - 6);
        const std::string out = Dir.Path(std::string("o_") + name).string();
        const TResult extract = Run({"extract", Card, object, "-o", out, "--inf"});
        ASSERT_EQ(extract.Status, 0) << extract.Err;
        std::size_t checked = 0;
        for (int i = 0; i < 2; ++i) {
            const std::size_t base = std::size_t(i) * 512; // the 62-file second catalogue
            if (i == 1 && !(image[512] == 0xAA && image[519] == 0xAA))
                break;
            for (int e = 0; e < image[base + 256 + 5] / 8; ++e) {
                const std::uint8_t* n = image.data() + base + 8 + 8 * e;
                const std::uint8_t* d = image.data() + base + 256 + 8 + 8 * e;
                std::string file(1, char(n[7] & 0x7F));
                file += ".";
                for (int c = 0; c < 7 && n[c] != ' ' && n[c] != 0; ++c)
                    file += char(n[c]);
                const std::size_t length = d[4] | d[5] << 8 | ((d[6] >> 4) & 3) << 16;
                const std::size_t start = (d[6] & 3) * 256 + d[7];
                const TBytes expected(image.begin() + std::ptrdiff_t(start * 256),
                                      image.begin() + std::ptrdiff_t(start * 256 + length));
                EXPECT_EQ(ReadFileBytes(fs::path(out) / file), expected) << name << " " << file;
                ++checked;
            }
        }
        EXPECT_GT(checked, 10u) << name;
    }
}

TEST_F(DiscFileCommandsTest, DiscShowsAndSetsASidesTitleAndBootOption) {
    AddGames();
    const TResult shown = Run({"disc", Card, "GAMES"});
    ASSERT_EQ(shown.Status, 0) << shown.Err;
    EXPECT_EQ(shown.Out, "Title: GAMES\nBoot: none\nCycle: 00\n");
    const TResult set = Run({"disc", Card, "GAMES", "--title", "NEW ONE", "--boot", "EXEC"});
    ASSERT_EQ(set.Status, 0) << set.Err;
    EXPECT_EQ(set.Out, "Title: NEW ONE\nBoot: exec\nCycle: 01\n");
    const TResult second = Run({"disc", Card, "GAMES", "--side", "2", "--boot", "run"});
    ASSERT_EQ(second.Status, 0) << second.Err;
    EXPECT_EQ(second.Out, "Title: \nBoot: run\nCycle: 01\n");
    // The disc read back by hand: title over sector 0 bytes 0-7 and sector 1 bytes 0-3,
    // zero-padded; boot option in sector 1 byte 6 bits 4-5; cycle in byte 4.
    const std::string image = Dir.Path("games.out").string();
    ASSERT_EQ(Run({"get", Card, "GAMES", "-o", image}).Status, 0);
    const TBytes disc = ReadFileBytes(image);
    ASSERT_EQ(disc.size(), 2u * 204800);
    EXPECT_EQ(std::string(disc.begin(), disc.begin() + 8), "NEW ONE\0"s);
    EXPECT_EQ(std::string(disc.begin() + 256, disc.begin() + 260), std::string(4, '\0'));
    EXPECT_EQ(disc[256 + 6], 0x33);
    EXPECT_EQ(disc[256 + 4], 0x01);
    EXPECT_EQ(disc[204800 + 256 + 6], 0x23);
    const TBytes before = CardBytes();
    const TResult tooLong = Run({"disc", Card, "GAMES", "--title", "THIRTEEN CHRS"});
    EXPECT_EQ(tooLong.Status, 1);
    EXPECT_NE(tooLong.Err.find("'GAMES': the title 'THIRTEEN CHRS' is longer than 12 characters"),
              std::string::npos)
        << tooLong.Err;
    const TResult control = Run({"disc", Card, "GAMES", "--title", "BELL\a"});
    EXPECT_EQ(control.Status, 1);
    EXPECT_NE(control.Err.find("not printable"), std::string::npos) << control.Err;
    const TResult boot = Run({"disc", Card, "GAMES", "--boot", "fast"});
    EXPECT_EQ(boot.Status, 2);
    EXPECT_NE(boot.Err.find("the boot option 'fast' is none of none, load, run, exec"),
              std::string::npos)
        << boot.Err;
    const TResult noSide = Run({"disc", Card, "GAMES", "--side", "1", "--title", "X"});
    EXPECT_EQ(noSide.Status, 1);
    EXPECT_FALSE(noSide.Err.empty());
    EXPECT_EQ(CardBytes(), before);
}

TEST_F(DiscFileCommandsTest, RenameFileLockAndUnlockFromTheShell) {
    AddGames();
    const TBytes before = CardBytes();
    struct TCase {
        std::vector<std::string> Args;
        std::string Why;
    };
    const std::vector<TCase> refused = {
        {{"rename-file", Card, "GAMES", "ONE", "NEW"}, "'GAMES': '$.ONE' is locked"},
        {{"rename-file", Card, "GAMES", "PROG", "P*"}, "'P*' holds a character DFS does not"},
        {{"rename-file", Card, "GAMES", "PROG", "ONE"}, "'$.ONE' is already on the side"},
        {{"rename-file", Card, "GAMES", "PROG", "TOOLONGX"}, "needs a name of 1 to 7"},
        {{"rename-file", Card, "GAMES", "TWO", "X"}, "'$.TWO' is not on the side"},
        {{"lock", Card, "GAMES", "P*", "Z#"}, "'GAMES': no file matches 'Z#'"},
        {{"unlock", Card, "GAMES", "B.*"}, "no file matches 'B.*'"},
    };
    for (const TCase& c : refused) {
        SCOPED_TRACE(c.Args[0] + " " + c.Args[3]);
        const TResult result = Run(c.Args);
        EXPECT_EQ(result.Status, 1);
        EXPECT_NE(result.Err.find(c.Why), std::string::npos) << result.Err;
        EXPECT_EQ(CardBytes(), before);
    }
    const TResult renamed = Run({"rename-file", Card, "GAMES", "B.TWO", "B.THREE", "--side", "2"});
    ASSERT_EQ(renamed.Status, 0) << renamed.Err;
    EXPECT_EQ(renamed.Out, "Renamed B.TWO to B.THREE\n");
    const TResult locked = Run({"lock", Card, "GAMES", "*"});
    ASSERT_EQ(locked.Status, 0) << locked.Err;
    EXPECT_EQ(locked.Out, "Locked $.ONE\nLocked $.PROG\n");
    const TResult unlocked = Run({"unlock", Card, "GAMES", "#R*", "$.O#E"});
    ASSERT_EQ(unlocked.Status, 0) << unlocked.Err;
    EXPECT_EQ(unlocked.Out, "Unlocked $.ONE\nUnlocked $.PROG\n");
    EXPECT_EQ(Run({"files", Card, "GAMES"}).Out, "0 $.ONE        001900 008023 00012C\n"
                                                 "0 $.PROG       001900 008023 000008\n"
                                                 "2 B.THREE      001900 008023 000005\n");
}
