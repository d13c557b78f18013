// brelk inspect, cat, info and the image transformations, on discs built in the test.
#include "cli/Cli.h"
#include "formats/DFSBuilder.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

using namespace brelktest;
using dfstest::TDFSBuilder;

namespace {

struct DetailsCommandsTest : ::testing::Test {
    TTempDir Dir;
    std::string Card = Dir.Path("card.img").string();

    std::pair<int, std::string> Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        int status = brelk::cli::RunBrelk(args, out, err);
        return {status, out.str() + err.str()};
    }
    std::string Save(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::string path = Dir.Path(name).string();
        WriteFileBytes(path, bytes);
        return path;
    }
    // Two full sides titled SIDEA and SIDEB, back to back.
    std::vector<std::uint8_t> TwoSides() {
        auto a = TDFSBuilder(800).Title("SIDEA").Add({'$', "ONE", 0x123, 2}).Bytes();
        auto b = TDFSBuilder(800).Title("SIDEB").Boot(3).Bytes();
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
    void SetUp() override {
        ASSERT_EQ(Run({"create", Card, "2M"}).first, 0);
        ASSERT_EQ(Run({"format", Card}).first, 0);
    }
};

TEST_F(DetailsCommandsTest, CatShowsTheTabsOfATwoSidedDisc) {
    ASSERT_EQ(Run({"put", Card, Save("two.dsd", TwoSides()), "--type", "3", "--subtype", "1",
                   "--name", "TWO"})
                  .first,
              0);
    auto first = Run({"cat", Card, "two"});
    EXPECT_EQ(first.second, "Discname: SIDEA (cycle=00, boot=none)\n"
                            "Sectors: 004/320\n"
                            "Catalogue entries: 1/31\n"
                            "\n"
                            "--file----L--load-----lth---exec--sect-\n"
                            "$.ONE       000000 + 00123 000000 0002\n");
    EXPECT_NE(Run({"cat", Card, "two", "--tab", "2"})
                  .second.find("Discname: SIDEB (cycle=00, boot=exec)"),
              std::string::npos);
    // Tab 3 is the hex view; a tab past the last shows the last.
    auto hex =
        Run({"cat", Card, "two", "--tab", "3", "--bytes-total", "16", "--bytes-per-row", "16"});
    EXPECT_EQ(hex.second,
              "0000  53 49 44 45 41 00 00 00  4F 4E 45 20 20 20 20 24  SIDEA... ONE    $\n");
    EXPECT_EQ(
        Run({"cat", Card, "two", "--tab", "200", "--bytes-total", "16", "--bytes-per-row", "16"})
            .second,
        hex.second);
}

TEST_F(DetailsCommandsTest, CatOfToolsAdfsAndTapes) {
    std::vector<std::uint8_t> tool = {'A', 0x7F, 0x1F, ' ', 0xE9};
    ASSERT_EQ(Run({"put", Card, Save("t.bin", tool)}).first, 0);
    auto hex = Run({"cat", Card, "t.bin", "--bytes-total", "1024"}).second;
    EXPECT_EQ(hex.substr(0, hex.find('\n')), "0000  41 7F 1F 20 E9 00 00 00  A.. \xC3\xA9...");
    EXPECT_EQ(hex.substr(hex.size() - 6), "-EOF-\n"); // the whole 512-byte object fitted
    ASSERT_EQ(Run({"put", Card, Save("a.adl", tool), "--type", "3", "--subtype", "2"}).first, 0);
    EXPECT_EQ(Run({"cat", Card, "a.adl"})
                  .second.rfind("This ADFS disc cannot be read: not an "
                                "old-map ADFS disc",
                                0),
              0u);
    ASSERT_EQ(Run({"put", Card, Save("notape", tool), "--type", "3", "--subtype", "3"}).first, 0);
    EXPECT_EQ(Run({"cat", Card, "notape"}).second, "This tape contains no files.\n");
}

TEST_F(DetailsCommandsTest, InspectTellsDiscsTapesAndTools) {
    auto json = Run({"inspect", Save("two.dsd", TwoSides()), "--json"});
    EXPECT_EQ(json.second.rfind("{\"kind\": \"dfs\", \"length\": 409600, \"sides\": [{\"title\": "
                                "\"SIDEA\", \"cycle\": 0, \"boot\": 0, "
                                "\"sector_count\": 800, \"sectors_used\": 4, \"last_used_sector\": "
                                "3, \"has62\": false, \"entries\"",
                                0),
              0u);
    EXPECT_NE(json.second.find("\"title\": \"SIDEB\""), std::string::npos);
    // A catalogue-only file shorter than 1024 bytes is still examined, padded with zeros.
    auto shortDisc = TDFSBuilder(800, 512).Title("TINY").Bytes();
    shortDisc.resize(512);
    EXPECT_EQ(Run({"inspect", Save("tiny.ssd", shortDisc)}).second.substr(0, 32),
              ":0.TINY\nDiscname: TINY (cycle=00");
    EXPECT_EQ(Run({"inspect", Save("x.rom", std::vector<std::uint8_t>(100, 0xFF))}).second,
              "tool (100 bytes)\n");
    EXPECT_EQ(
        Run({"inspect", Save("x.rom", std::vector<std::uint8_t>(100, 0xFF)), "--json"}).second,
        "{\"kind\": \"tool\", \"length\": 100, \"read_as\": \"tool\", \"gzip\": false, "
        "\"note\": \"\"}\n");
    EXPECT_EQ(Run({"inspect", Dir.Path("none").string()}).first, 1);
}

TEST_F(DetailsCommandsTest, SquashAndExpandImages) {
    auto disc =
        TDFSBuilder(800).Title("SQ").Add({'$', "ONE", 0x300, 2}).Bytes(); // used up to sector 5
    std::string in = Save("d.ssd", disc), squashed = Dir.Path("s.ssd").string(),
                full = Dir.Path("f.ssd").string();
    ASSERT_EQ(Run({"squash-image", in, "-o", squashed}).first, 0);
    EXPECT_EQ(std::filesystem::file_size(squashed), 5u * 256);
    ASSERT_EQ(Run({"expand-image", squashed, "-o", full}).first, 0);
    EXPECT_EQ(std::filesystem::file_size(full), 204800u);
    auto tool = Save("t.bin", std::vector<std::uint8_t>(2000, 0xFF));
    auto refused = Run({"squash-image", tool, "-o", Dir.Path("no.ssd").string()});
    EXPECT_EQ(refused.first, 1);
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("no.ssd")));
    EXPECT_EQ(Run({"expand-image", in}).first, 2); // no -o
}

TEST_F(DetailsCommandsTest, InfoTextIsTheCardSummary) {
    ASSERT_EQ(Run({"put", Card, Save("t.bin", std::vector<std::uint8_t>(1000, 1))}).first, 0);
    auto info = Run({"info", Card});
    EXPECT_EQ(info.second.substr(0, 66), "Physical size   : 00200000 bytes\n"
                                         "Usable size     : 001FE000 bytes\n");
    EXPECT_NE(info.second.find("Tools           :      1\n"), std::string::npos);
    EXPECT_NE(info.second.find("       00000400       001FD600\n"), std::string::npos)
        << info.second;
    auto decimal = Run({"info", Card, "--decimal"});
    EXPECT_NE(decimal.second.find("Used            :          2560 bytes"), std::string::npos)
        << decimal.second;
}

TEST_F(DetailsCommandsTest, SquashAndExpandOnTheCard) {
    ASSERT_EQ(Run({"put", Card, Save("two.dsd", TwoSides()), "--type", "3", "--subtype", "1",
                   "--name", "TWO"})
                  .first,
              0);
    ASSERT_EQ(Run({"put", Card, Save("t.bin", {1, 2, 3})}).first, 0);
    auto squashed = Run({"squash", Card, "two", "t.bin"}); // the tool is passed over
    EXPECT_EQ(squashed, std::make_pair(0, std::string("Squashed TWO: 409600 -> 1536 bytes\n")));
    EXPECT_EQ(Run({"squash", Card, "two", "nope"}).first, 1); // unknown names change nothing
    // Fill the card so that no span of two full sides is left: the expand fails and says so.
    ASSERT_EQ(Run({"put", Card, Save("big.bin", std::vector<std::uint8_t>(1600000, 7))}).first, 0);
    ASSERT_EQ(Run({"put", Card, Save("mid.bin", std::vector<std::uint8_t>(300000, 7))}).first, 0);
    auto expanded = Run({"expand", Card, "TWO"});
    EXPECT_EQ(expanded.first, 1);
    EXPECT_EQ(
        expanded.second,
        "brelk: Could not expand 'TWO' - not enough contigous free space or Brelk is full!\n");
    EXPECT_EQ(Run({"squash", Card}).first, 2);
}

TEST_F(DetailsCommandsTest, CorpusImagesInspectCleanly) {
    BRELK_REQUIRE_CORPUS();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(CorpusDir())) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md")
            continue;
        auto result = Run({"inspect", entry.path().string(), "--json"});
        EXPECT_EQ(result.first, 0) << entry.path();
        EXPECT_EQ(result.second.rfind("{\"kind\": ", 0), 0u) << entry.path();
    }
}

// Bytes 0x80 to 0x9F come out as the window shows them (code page 1252); a line feed in a
// DFS file name does not split its catalogue line.
TEST_F(DetailsCommandsTest, CatAndInspectTextsStayOneLinePerEntry) {
    ASSERT_EQ(Run({"put", Card, Save("t.bin", {0x80, 0x81, 0x9F, 'A'})}).first, 0);
    auto hex = Run({"cat", Card, "t.bin", "--bytes-total", "4"}).second;
    EXPECT_EQ(hex, "0000  80 81 9F 41              \xE2\x82\xAC.\xC5\xB8"
                   "A    \n");
    auto disc = TDFSBuilder(800).Title("T").Add({'$', "A\nB", 0x10, 2}).Bytes();
    auto inspect = Run({"inspect", Save("d.ssd", disc)});
    EXPECT_NE(inspect.second.find("\n$.A.B       000000 + 00010 000000 0002\n"), std::string::npos)
        << inspect.second;
}

// A folder, a missing folder or a folder standing for the card: each failure is one line on
// standard error and status 1, never an abort, and no half file is left behind.
TEST_F(DetailsCommandsTest, BadPathsFailWithOneLine) {
    ASSERT_EQ(Run({"put", Card, Save("t.bin", {1, 2, 3})}).first, 0);
    const std::string disc = Save("d.ssd", TDFSBuilder(800).Title("D").Bytes());
    const std::string folder = Dir.Root().string();
    const std::string missing = Dir.Path("none/x.bin").string();
    const std::string pipe = Dir.Path("pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::vector<std::vector<std::string>> cases = {
        {"get", Card, "t.bin", "-o", pipe},
        {"get", Card, "t.bin", "-o", folder},
        {"get", Card, "t.bin", "-o", missing},
        {"squash-image", disc, "-o", folder},
        {"expand-image", disc, "-o", folder},
        {"put", Card, folder},
        {"inspect", folder},
        {"info", folder},
        {"ls", folder},
        {"get", folder, "t.bin"},
        {"create", folder, "1M"},
        {"create", missing, "1M"},
    };
    for (const auto& args : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(brelk::cli::RunBrelk(args, out, err), 1) << args[0] << " " << args.back();
        const std::string message = err.str();
        EXPECT_EQ(message.rfind("brelk", 0), 0u) << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    }
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Root()))
        EXPECT_NE(entry.path().extension(), ".part") << entry.path();
    EXPECT_TRUE(std::filesystem::is_fifo(pipe)); // not replaced by a plain file
}

// An output name that is a symbolic link is refused (a link planted by another user must not
// redirect the write); the link and the file it points at stay as they were.
TEST_F(DetailsCommandsTest, OutputThroughALinkIsRefused) {
    ASSERT_EQ(Run({"put", Card, Save("t.bin", {1, 2, 3})}).first, 0);
    const auto target = Dir.Path("target.bin"), link = Dir.Path("link.bin");
    WriteFileBytes(target, {9});
    std::filesystem::create_symlink(target, link);
    ASSERT_EQ(Run({"get", Card, "t.bin", "-o", link.string()}).first, 1);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::file_size(target), 1u);
}

// Output that cannot be written is a failure, not a success.
TEST_F(DetailsCommandsTest, UnwritableOutputFails) {
    ASSERT_EQ(Run({"put", Card, Save("t.bin", {1, 2, 3})}).first, 0);
    std::ostringstream out, err;
    out.setstate(std::ios::badbit);
    EXPECT_EQ(brelk::cli::RunBrelk({"get", Card, "t.bin"}, out, err), 1);
    EXPECT_EQ(err.str(), "brelk: the output could not be written\n");
}

} // namespace
