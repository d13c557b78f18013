// What brelk refuses to overwrite: a read-only file that get would replace, and a file or
// device that format would wipe while it holds something other than a Brelk card.
#include "cli/CliFixture.h"
#include "explorer/ContentAnalysis.h"
#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"

#include <functional>
#include <random>
#include <sys/stat.h>

using namespace brelktest;

namespace {

struct TargetGuardsTest : CliFixture {
    // A 4 MiB card file whose first bytes are Start.
    void CardStarting(const std::vector<std::uint8_t>& start) {
        std::filesystem::remove(Card);
        MakeImageFile(Card, 4u << 20);
        std::vector<std::uint8_t> bytes = ReadFileBytes(Card);
        std::copy(start.begin(), start.end(), bytes.begin());
        WriteFileBytes(Card, bytes);
    }
    std::string Refusal(const std::string& what) const {
        return "brelk: " + Card + ": it holds " + what +
               "; formatting destroys it (give --force to format anyway)\n";
    }
    bool Formatted() {
        return Run({"ls", Card, "--json"}).Out == "{\"catalogue_valid\": true, \"entries\": []}\n";
    }
    static mode_t ModeOf(const std::string& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_mode & 07777;
    }
};

TEST_F(TargetGuardsTest, GetRefusesAReadOnlyFileUnlessForced) {
    MakeCard();
    ASSERT_EQ(Run({"put", Card, File("ONE", "new bytes")}).Status, 0);
    ASSERT_EQ(Run({"put", Card, File("TWO", "more")}).Status, 0);
    const std::string folder = Dir.Path("out").string();
    std::filesystem::create_directory(folder);
    struct Case {
        std::string Name, Target;
        std::vector<std::string> Args;
    };
    const std::string single = Dir.Path("x.ssd").string();
    const std::string inFolder = folder + "/ONE.bin";
    for (const Case& c :
         {Case{"one file", single, {"get", Card, "ONE", "-o", single}},
          Case{"into a folder", inFolder, {"get", Card, "ONE", "TWO", "-o", folder}}}) {
        WriteFileBytes(c.Target, {'o', 'l', 'd'});
        ASSERT_EQ(::chmod(c.Target.c_str(), 0444), 0);
        const TResult refused = Run(c.Args);
        EXPECT_EQ(refused.Status, 1) << c.Name;
        EXPECT_EQ(refused.Err, "brelk: Could not create file '" + c.Target +
                                   "'. It is read-only; --force replaces it.\n")
            << c.Name;
        EXPECT_EQ(ReadFileBytes(c.Target), (std::vector<std::uint8_t>{'o', 'l', 'd'})) << c.Name;
        EXPECT_EQ(ModeOf(c.Target), 0444u) << c.Name;

        std::vector<std::string> forced = c.Args;
        forced.push_back("--force");
        const TResult replaced = Run(forced);
        EXPECT_EQ(replaced.Status, 0) << c.Name << replaced.Err;
        EXPECT_EQ(ReadFileBytes(c.Target).size(), 512u) << c.Name;
        EXPECT_EQ(ModeOf(c.Target), 0444u) << c.Name << ": a forced replacement stays read-only";
    }
}

std::vector<std::uint8_t> RandomBytes(std::size_t count) {
    std::mt19937 random(27);
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes)
        b = std::uint8_t(random());
    return bytes;
}

TEST_F(TargetGuardsTest, FormatNamesWhatACardHoldsAndNeedsForceToWipeIt) {
    struct Case {
        std::string Name;
        std::function<void()> Make; // fills Card
        std::string Holds;          // empty: formatted without a question
        std::string Tool;           // needed to make it, if any
    };
    auto mkfs = [this](const std::string& command) {
        return [this, command] {
            std::filesystem::remove(Card);
            MakeImageFile(Card, 4u << 20);
            const std::string run =
                "PATH=/usr/sbin:/sbin:$PATH " + command + " '" + Card + "' >/dev/null 2>&1";
            ASSERT_EQ(std::system(run.c_str()), 0) << command;
        };
    };
    const std::vector<std::uint8_t> disc =
        dfstest::TDFSBuilder(800).Title("GAME").AddWithData({'$', "F", 600, 2}, 0x77).Bytes();
    const std::vector<std::uint8_t> tape =
        TUEFBuilder().NewFile().Block(BlockSpec("T", 0, 256, 0x80)).Bytes;
    std::vector<std::uint8_t> deepByte(200000, 0);
    deepByte.back() = 1;
    const Case cases[] = {
        {"DFS disc", [&] { CardStarting(disc); }, "a DFS disc image", ""},
        {"UEF tape", [&] { CardStarting(tape); }, "a UEF tape image", ""},
        {"random data", [&] { CardStarting(RandomBytes(4096)); }, "data", ""},
        {"one byte deep in", [&] { CardStarting(deepByte); }, "data", ""},
        {"gzip file",
         [&] {
             CardStarting({0x1F, 0x8B, 8, 0, 1, 2, 3});
         },
         "gzip-compressed data", ""},
        {"FAT", mkfs("mkfs.vfat"), "a FAT file system", "mkfs.vfat"},
        {"ext4", mkfs("mke2fs -q -F -t ext4"), "an ext2/3/4 file system", "mke2fs"},
        {"all zeros", [&] { CardStarting({}); }, "", ""},
    };
    std::string missing;
    for (const Case& c : cases) {
        if (!c.Tool.empty() && !HasTool(c.Tool)) {
            missing += " " + c.Tool;
            continue;
        }
        c.Make();
        const auto before = ReadFileBytes(Card);
        const TResult format = Run({"format", Card});
        if (c.Holds.empty()) {
            EXPECT_EQ(format.Status, 0) << c.Name << format.Err;
            EXPECT_TRUE(Formatted()) << c.Name;
            continue;
        }
        EXPECT_EQ(format.Status, 1) << c.Name;
        EXPECT_EQ(format.Err, Refusal(c.Holds)) << c.Name;
        EXPECT_TRUE(ReadFileBytes(Card) == before) << c.Name << ": the card was changed";
        const TResult forced = Run({"format", Card, "--force"});
        EXPECT_EQ(forced.Status, 0) << c.Name << forced.Err;
        EXPECT_TRUE(Formatted()) << c.Name;
    }
    if (!missing.empty())
        GTEST_SKIP() << "not installed, so not checked:" << missing;
}

TEST_F(TargetGuardsTest, FormatAsksOnATerminalWhatItWouldDestroy) {
    const std::vector<std::uint8_t> disc =
        dfstest::TDFSBuilder(800).Title("GAME").AddWithData({'$', "F", 600, 2}, 0x77).Bytes();
    const std::string question =
        "Format " + Card + "? It holds a DFS disc image, which formatting destroys. [y/N] ";
    CardStarting(disc);
    const auto before = ReadFileBytes(Card);
    const TResult no = RunWith({"format", Card}, "n\n", {true, false});
    EXPECT_EQ(no.Status, 1);
    EXPECT_EQ(no.Err, question + "brelk: " + Card + ": not formatted\n");
    EXPECT_TRUE(ReadFileBytes(Card) == before);
    const TResult yes = RunWith({"format", Card}, "y\n", {true, false});
    EXPECT_EQ(yes.Status, 0) << yes.Err;
    EXPECT_EQ(yes.Err, question);
    EXPECT_TRUE(Formatted());
}

// restore --format formats through the same guard: a card holding a disc image is refused
// without a terminal, asked about on one, and restored onto after a yes.
TEST_F(TargetGuardsTest, RestoreWithFormatAsksBeforeWipingForeignContents) {
    MakeCard();
    ASSERT_EQ(Run({"put", Card, File("ONE", "restored bytes")}).Status, 0);
    const std::string index = Dir.Path("set.txt").string();
    ASSERT_EQ(Run({"backup", Card, index}).Status, 0);
    const std::vector<std::uint8_t> disc =
        dfstest::TDFSBuilder(800).Title("GAME").AddWithData({'$', "F", 600, 2}, 0x77).Bytes();
    CardStarting(disc);
    const auto before = ReadFileBytes(Card);

    const TResult refused = Run({"restore", Card, index, "--format"});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(refused.Err, "brelk: " + Card +
                               ": it holds a DFS disc image; formatting destroys it ('brelk "
                               "format " +
                               Card + " --force' formats it anyway); nothing was restored\n");
    EXPECT_TRUE(ReadFileBytes(Card) == before);

    const std::string question =
        "Format " + Card + "? It holds a DFS disc image, which formatting destroys. [y/N] ";
    const TResult no = RunWith({"restore", Card, index, "--format"}, "n\n", {true, false});
    EXPECT_EQ(no.Status, 1);
    EXPECT_EQ(no.Err, question + "brelk: " + Card + ": not formatted; nothing was restored\n");
    EXPECT_TRUE(ReadFileBytes(Card) == before);

    const TResult yes = RunWith({"restore", Card, index, "--format"}, "y\n", {true, false});
    EXPECT_EQ(yes.Status, 0) << yes.Err;
    EXPECT_EQ(yes.Err.substr(0, question.size()), question);
    EXPECT_NE(Run({"ls", Card}).Out.find("ONE"), std::string::npos);
}

// The real program, without a terminal: both guards give exit status 1 and say why.
TEST_F(TargetGuardsTest, TheRealProgramRefusesWithoutATerminal) {
    MakeCard();
    ASSERT_EQ(Run({"put", Card, File("ONE", "bytes")}).Status, 0);
    const std::string readOnly = File("x.ssd", "old");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const std::string disc = File("disc.ssd", "");
    WriteFileBytes(disc, dfstest::TDFSBuilder(800).Title("GAME").Bytes());
    const std::string errors = Dir.Path("errors").string();
    auto brelk = [&](const std::string& args) {
        const std::string command = std::string("XDG_STATE_HOME=") + Dir.Path("state").string() +
                                    " " + BRELK_BINARY + " " + args + " </dev/null >/dev/null 2>" +
                                    errors;
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    auto said = [&] {
        const auto bytes = ReadFileBytes(errors);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(brelk("get " + Card + " ONE -o " + readOnly), 1);
    EXPECT_NE(said().find("It is read-only; --force replaces it."), std::string::npos) << said();
    EXPECT_EQ(brelk("format " + disc), 1);
    EXPECT_NE(said().find("it holds a DFS disc image"), std::string::npos) << said();
    EXPECT_EQ(brelk("get " + Card + " ONE -o " + readOnly + " --force"), 0) << said();
    EXPECT_EQ(brelk("format " + disc + " --force"), 0) << said();
}

// Images made by others, each the whole card file as a user might name it by mistake. One
// that the add dialog reads as a tool (a damaged test image) is named as data, unless it
// begins with the UEF magic.
TEST_F(TargetGuardsTest, FormatRefusesEveryCorpusImage) {
    BRELK_REQUIRE_CORPUS();
    const std::pair<const char*, const char*> folders[] = {
        {"dfs", "a DFS disc image"}, {"adfs", "an ADFS disc image"}, {"uef", "a UEF tape image"}};
    for (const auto& [folder, holds] : folders)
        for (const auto& item : std::filesystem::directory_iterator(CorpusDir() / folder)) {
            std::vector<std::uint8_t> bytes = ReadFileBytes(item.path());
            const bool gzip = bytes.size() > 2 && bytes[0] == 0x1F && bytes[1] == 0x8B;
            const bool uefMagic =
                bytes.size() >= 10 && std::equal(bytes.begin(), bytes.begin() + 10, "UEF File!");
            const bool tool =
                !uefMagic && brelk::AnalyseContents(bytes, "").ReadAs == brelk::TReadAs::Tool;
            const std::string expected = gzip ? "gzip-compressed data" : tool ? "data" : holds;
            bytes.resize(std::max<std::size_t>(bytes.size(), 64u << 10)); // room for a catalogue
            std::filesystem::remove(Card);
            WriteFileBytes(Card, bytes);
            const TResult format = Run({"format", Card});
            EXPECT_EQ(format.Status, 1) << item.path();
            EXPECT_EQ(format.Err, Refusal(expected)) << item.path();
            EXPECT_TRUE(ReadFileBytes(Card) == bytes) << item.path();
        }
}

} // namespace
