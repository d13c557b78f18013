// brelk's commands on image files: outputs, exit codes and the messages on standard error.
#include "cli/CliFixture.h"
#include "cli/Output.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/resource.h>

using namespace brelktest;

namespace {

struct CliTest : CliFixture {};

TEST_F(CliTest, CreateMakesASparseImageAndRefusesAnExistingFile) {
    TResult made = Run({"create", Card, "2M"});
    EXPECT_EQ(made.Status, 0) << made.Err;
    EXPECT_EQ(std::filesystem::file_size(Card), 2u << 20);
    TResult again = Run({"create", Card, "1K"});
    EXPECT_EQ(again.Status, 1);
    EXPECT_EQ(std::filesystem::file_size(Card), 2u << 20);
    EXPECT_EQ(Run({"create", Dir.Path("x.img").string(), "12Q"}).Status, 2);
    EXPECT_EQ(Run({"create", Dir.Path("y.img").string(), "4G"}).Status, 1);
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("y.img")));
}

TEST_F(CliTest, FreshCardListsNothing) {
    MakeCard();
    TResult ls = Run({"ls", Card, "--json"});
    EXPECT_EQ(ls.Status, 0);
    EXPECT_EQ(ls.Out, "{\"catalogue_valid\": true, \"entries\": []}\n");
    TResult info = Run({"info", Card, "--json"});
    EXPECT_EQ(info.Out,
              "{\"device_ok\": true, \"catalogue_valid\": true, \"card_size\": 1048576, "
              "\"bytes_per_sector\": 512, \"safety_zone\": 8192, \"usable_limit\": 1040384, "
              "\"count\": 0, \"lowest_used\": 1040384, \"used\": 512, \"free_space_map\": "
              "[{\"start\": 512, \"length\": 1039872}]}\n");
}

TEST_F(CliTest, PutAndGetWholeBlocks) {
    MakeCard();
    std::string tool = File("my tool.bin", "0123456789");
    TResult put = Run({"put", Card, tool});
    ASSERT_EQ(put.Status, 0) << put.Err;
    TResult ls = Run({"ls", Card, "--json"});
    EXPECT_NE(ls.Out.find("{\"type\": 2, \"subtype\": 0, \"address\": 1039872, \"size\": 512, "
                          "\"name\": \"mytool.bin\"}"),
              std::string::npos)
        << ls.Out;
    std::string out = Dir.Path("out.bin").string();
    ASSERT_EQ(Run({"get", Card, "MYTOOL.BIN", "-o", out}).Status, 0);
    std::vector<std::uint8_t> got = ReadFileBytes(out);
    ASSERT_EQ(got.size(), 512u);
    EXPECT_EQ(std::string(got.begin(), got.begin() + 10), "0123456789");
    EXPECT_TRUE(std::all_of(got.begin() + 10, got.end(), [](auto b) { return b == 0; }));
}

TEST_F(CliTest, NamesTypesAndReplacing) {
    MakeCard();
    std::string a = File("a.bin", "first"), b = File("b.bin", "second, longer");
    ASSERT_EQ(Run({"put", Card, a, "--name", "ELITE"}).Status, 0);
    ASSERT_EQ(Run({"put", Card, a, "--name", "Elite", "--type", "3", "--subtype", "1"}).Status, 0);
    TResult clash = Run({"put", Card, b, "--name", "elite"});
    EXPECT_EQ(clash.Status, 1);
    EXPECT_NE(clash.Err.find("use --replace"), std::string::npos);
    ASSERT_EQ(Run({"put", Card, b, "--name", "elite", "--replace"}).Status, 0);
    TResult ambiguous = Run({"get", Card, "ELITE"});
    EXPECT_EQ(ambiguous.Status, 1);
    EXPECT_NE(ambiguous.Err.find("--type"), std::string::npos);
    TResult tool = Run({"get", Card, "ELITE", "--type", "2"});
    EXPECT_EQ(tool.Status, 0);
    EXPECT_EQ(tool.Out.substr(0, 14), "second, longer");
    TResult missing = Run({"get", Card, "NOPE"});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_EQ(missing.Err, "brelk: " + Card + ": no object named 'NOPE'\n");
    EXPECT_EQ(Run({"put", Card, a, "--name", std::string(49, 'X')}).Status, 2);
    EXPECT_EQ(Run({"put", Card, a, "--type", "256"}).Status, 2);
}

// Objects of the same type and name (add puts a second one beside the first): --address,
// as ls shows it, chooses one for every command that names objects.
TEST_F(CliTest, AddressChoosesBetweenObjectsOfTheSameTypeAndName) {
    MakeCard();
    const std::string tool = File("TWIN", "first twin");
    ASSERT_EQ(Run({"add", Card, tool}).Status, 0);
    ASSERT_EQ(Run({"add", Card, File("TWIN", "second twin, longer")}).Status, 0);
    std::vector<std::string> addresses; // from ls, in catalogue order
    std::istringstream listing(Run({"ls", Card}).Out);
    for (std::string line; std::getline(listing, line);)
        if (line.find("TWIN") != std::string::npos)
            addresses.push_back(line.substr(10, 8));
    ASSERT_EQ(addresses.size(), 2u);
    TResult ambiguous = Run({"cat", Card, "twin", "--type", "2"});
    EXPECT_EQ(ambiguous.Status, 1);
    EXPECT_EQ(ambiguous.Err, "brelk: " + Card + ": 2 objects are named 'twin'; choose one with " +
                                 "--type or --address (see 'brelk ls')\n");
    std::set<std::string> contents;
    for (const std::string& address : addresses)
        for (const std::string& given : {address, "0x" + address}) {
            TResult got = Run({"get", Card, "TWIN", "--address", given});
            ASSERT_EQ(got.Status, 0) << given << got.Err;
            contents.insert(got.Out.substr(0, got.Out.find('\0')));
        }
    EXPECT_EQ(contents, (std::set<std::string>{"first twin", "second twin, longer"}));
    TResult nowhere = Run({"get", Card, "TWIN", "--address", "ABC"});
    EXPECT_EQ(nowhere.Err, "brelk: " + Card + ": no object named 'TWIN' at address 00000ABC\n");
    EXPECT_EQ(Run({"get", Card, "TWIN", "--address", "12G4"}).Status, 2);
    EXPECT_EQ(Run({"get", Card, "TWIN", "--address", "100000000"}).Status, 2);
    ASSERT_EQ(Run({"rm", Card, "TWIN", "--address", addresses[0], "--permanent"}).Status, 0);
    EXPECT_EQ(Run({"cat", Card, "TWIN"}).Status, 0); // one left
    EXPECT_EQ(Run({"squash", Card, "TWIN", "--address", addresses[1]}).Status, 0);
}

TEST_F(CliTest, RemoveToDeletedThenPurge) {
    MakeCard();
    std::string a = File("a.bin", "x");
    ASSERT_EQ(Run({"put", Card, a}).Status, 0);
    ASSERT_EQ(Run({"put", Card, File("b.bin", "y")}).Status, 0);
    ASSERT_EQ(Run({"rm", Card, "a.bin"}).Status, 0);
    EXPECT_NE(Run({"ls", Card, "--json"}).Out.find("{\"type\": 0, \"subtype\": 0"),
              std::string::npos);
    EXPECT_EQ(Run({"rm", Card, "a.bin"}).Status, 1); // deleted already
    TResult purge = Run({"purge", Card});
    EXPECT_EQ(purge.Out, "Removed 1 deleted object\n");
    ASSERT_EQ(Run({"rm", Card, "B.BIN", "--permanent"}).Status, 0);
    EXPECT_EQ(Run({"ls", Card, "--json"}).Out, "{\"catalogue_valid\": true, \"entries\": []}\n");
}

TEST_F(CliTest, EmptyFilesAndUnwritableOutputs) {
    MakeCard();
    TResult empty = Run({"put", Card, File("empty.bin", "")});
    EXPECT_EQ(empty.Status, 1);
    EXPECT_NE(empty.Err.find("the file is empty"), std::string::npos);
    ASSERT_EQ(Run({"put", Card, File("a.bin", "x")}).Status, 0);
    const std::string nowhere = Dir.Path("no/such/folder/out.bin").string();
    TResult get = Run({"get", Card, "a.bin", "-o", nowhere});
    EXPECT_EQ(get.Status, 1);
    EXPECT_EQ(get.Err, "brelk: " + nowhere + ": cannot be written (No such file or directory)\n");
}

// A write that fails part way (here at a file size limit) is reported and leaves no output
// file: in a piece written straight from the object, and in its short last piece, which goes
// through the stream's buffer.
TEST_F(CliTest, OutputThatStopsPartWayFailsAndLeavesNothing) {
    MakeCard("4M");
    const std::vector<std::uint8_t> bytes((2u << 20) + 512, 0x42);
    ASSERT_EQ(
        Run({"put", Card, File("a.bin", std::string(bytes.begin(), bytes.end())), "--name", "BIG"})
            .Status,
        0);
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    for (const rlim_t limit : {rlim_t(1000), rlim_t(2u << 20) + 100}) {
        struct rlimit low = old;
        low.rlim_cur = limit;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &low), 0);
        const std::string out = Dir.Path("out.bin").string();
        const TResult get = Run({"get", Card, "BIG", "-o", out});
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_EQ(get.Status, 1) << limit;
        EXPECT_EQ(get.Err, "brelk: " + out + ": cannot be written (File too large)\n") << limit;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path(".")),
                                std::filesystem::directory_iterator()),
                  2) // the card and a.bin only
            << limit;
    }
    std::signal(SIGXFSZ, previousHandler);
}

TEST_F(CliTest, FullCardRefusesTheAdd) {
    MakeCard("64K");
    std::string big = Dir.Path("big.bin").string();
    WriteFileBytes(big, std::vector<std::uint8_t>(60000, 1));
    TResult put = Run({"put", Card, big});
    EXPECT_EQ(put.Status, 1);
    EXPECT_NE(put.Err.find("the card may be full"), std::string::npos) << put.Err;
    EXPECT_EQ(Run({"ls", Card, "--json"}).Out, "{\"catalogue_valid\": true, \"entries\": []}\n");
}

TEST_F(CliTest, UnformattedAndMissingCards) {
    ASSERT_EQ(Run({"create", Card, "1M"}).Status, 0);
    EXPECT_EQ(Run({"ls", Card, "--json"}).Out, "{\"catalogue_valid\": false, \"entries\": []}\n");
    TResult put = Run({"put", Card, File("a.bin", "x")});
    EXPECT_EQ(put.Status, 1);
    EXPECT_EQ(put.Err, "brelk: " + Card +
                           ": the card is not formatted (no Brelk catalogue); run 'brelk format "
                           "CARD' first\n");
    std::string missing = Dir.Path("missing.img").string();
    TResult info = Run({"info", missing});
    EXPECT_EQ(info.Status, 1);
    EXPECT_EQ(info.Err, "brelk: Error - Could not open device '" + missing +
                            "' (No such file or directory)\n");
}

TEST_F(CliTest, UsageErrorsAndHelp) {
    const std::vector<std::vector<std::string>> usage = {
        {},
        {"frobnicate"},
        {"ls"},
        {"ls", "a", "b"},
        {"ls", "a", "--bogus"},
        {"put", "a", "b", "--type"},
        {"info", "a", "--cache-size", "0"},
        {"info", "a", "--reuse-deleted-space", "--no-reuse-deleted-space"},
    };
    for (const auto& args : usage)
        EXPECT_EQ(Run(args).Status, 2) << (args.empty() ? "" : args[0]);
    for (const char* command : {"create", "format", "info", "ls", "put", "get", "rm", "purge"}) {
        TResult help = Run({command, "--help"});
        EXPECT_EQ(help.Status, 0);
        EXPECT_EQ(help.Out.rfind(std::string("Usage: brelk ") + command, 0), 0u) << command;
    }
    const TResult overview = Run({"--help"});
    EXPECT_EQ(overview.Status, 0);
    // Device access without root is left to the window, and the overview says so.
    EXPECT_NE(overview.Out.find("it does not\nask UDisks2"), std::string::npos) << overview.Out;
}

TEST_F(CliTest, OptionsReachTheCard) {
    MakeCard();
    // Reuse off places the second object below the first even when a deleted one left a gap.
    ASSERT_EQ(Run({"put", Card, File("a.bin", "a")}).Status, 0);
    ASSERT_EQ(Run({"put", Card, File("b.bin", "b")}).Status, 0);
    ASSERT_EQ(Run({"rm", Card, "a.bin", "--permanent"}).Status, 0);
    ASSERT_EQ(Run({"put", Card, File("c.bin", "c"), "--no-reuse-deleted-space"}).Status, 0);
    ASSERT_EQ(Run({"put", Card, File("d.bin", "d")}).Status, 0);
    TResult ls = Run({"ls", Card, "--json", "--safety-zone", "8192", "--cache-size", "4096"});
    EXPECT_NE(ls.Out.find("\"address\": 1037824, \"size\": 512, \"name\": \"c.bin\""),
              std::string::npos)
        << ls.Out;
    EXPECT_NE(ls.Out.find("\"address\": 1039872, \"size\": 512, \"name\": \"d.bin\""),
              std::string::npos)
        << ls.Out;
}

TEST(CliBinary, ExitStatusOfTheRealProgram) {
    TTempDir dir;
    std::string card = dir.Path("c.img").string();
    auto run = [](const std::string& line) {
        return WEXITSTATUS(std::system((line + " >/dev/null 2>&1").c_str()));
    };
    EXPECT_EQ(run(std::string(BRELK_BINARY) + " create " + card + " 1M"), 0);
    EXPECT_EQ(run(std::string(BRELK_BINARY) + " ls " + card + " --nope"), 2);
    EXPECT_EQ(run(std::string(BRELK_BINARY) + " get " + card + " X"), 1);
}

} // namespace

namespace {

TEST_F(CliTest, LargeFilesAreStreamedAndRefusedBeforeTheyAreRead) {
    MakeCard("16M");
    // More than two of put's pieces, and not a whole number of blocks.
    std::vector<std::uint8_t> data((9u << 20) + 3);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = std::uint8_t(i * 11 + (i >> 13));
    const std::string file = Dir.Path("big.bin").string();
    WriteFileBytes(file, data);
    TResult put = Run({"put", Card, file});
    ASSERT_EQ(put.Status, 0) << put.Err;
    const std::string out = Dir.Path("out.bin").string();
    ASSERT_EQ(Run({"get", Card, "big.bin", "-o", out}).Status, 0);
    std::vector<std::uint8_t> got = ReadFileBytes(out);
    ASSERT_EQ(got.size(), (9u << 20) + 512);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), got.begin()));
    EXPECT_TRUE(std::all_of(got.begin() + std::ptrdiff_t(data.size()), got.end(),
                            [](std::uint8_t b) { return b == 0; }));

    // Converting needs the whole file: one too large to be a disc or tape is refused unread;
    // inspect takes it for a tool of its whole length.
    TResult disc = Run({"put", Card, file, "--type", "3", "--subtype", "1", "--name", "D"});
    EXPECT_EQ(disc.Status, 1);
    EXPECT_NE(disc.Err.find("too large for a disc or tape image"), std::string::npos) << disc.Err;
    EXPECT_EQ(Run({"inspect", file}).Out, "tool (" + std::to_string(data.size()) + " bytes)\n");

    // Sparse files far larger than the card: refused without being read into memory.
    const std::pair<std::uint64_t, std::string> refused[] = {
        {3500000000ull, "the card may be full"}, {1ull << 32, "the file is too large for a card"}};
    for (const auto& [size, message] : refused) {
        const std::string sparse = Dir.Path("sparse.bin").string();
        { std::ofstream(sparse, std::ios::binary); }
        std::filesystem::resize_file(sparse, size);
        TResult big = Run({"put", Card, sparse});
        EXPECT_EQ(big.Status, 1) << size;
        EXPECT_NE(big.Err.find(message), std::string::npos) << big.Err;
        std::filesystem::remove(sparse);
    }
    TResult ls = Run({"ls", Card, "--json"});
    EXPECT_EQ(std::count(ls.Out.begin(), ls.Out.end(), '{'), 2) << ls.Out; // one entry
}

} // namespace

// A PC path as typed reaches the terminal with its control bytes shown, never acted on.
TEST_F(CliTest, ControlBytesOfAPathInAMessageAreShownNotSent) {
    MakeCard();
    const std::string path = Dir.Path("x\x1B[2J\x07y\xC2\x9B"
                                      "1m")
                                 .string();
    const auto result = Run({"put", Card, path});
    EXPECT_EQ(result.Status, 1);
    EXPECT_NE(result.Err.find("x\\x1B[2J\\x07y\\xC2\\x9B1m: not a readable file"),
              std::string::npos)
        << result.Err;
    EXPECT_EQ(result.Err.find('\x1B'), std::string::npos);
    EXPECT_EQ(result.Err.find('\x07'), std::string::npos);
    EXPECT_EQ(result.Err.find("\xC2\x9B"), std::string::npos);
}

TEST(TerminalSafeTest, OnlyTheBytesATerminalActsOnAreEscaped) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain/path.ssd", "plain/path.ssd"},
        {"tab\there", "tab\\x09here"},
        {"del\x7F", "del\\x7F"},
        {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"}, // UTF-8 letters stay
        {"c1\xC2\x9B", "c1\\xC2\\x9B"},
        {"nbsp\xC2\xA0", "nbsp\xC2\xA0"},
        {"end\xC2", "end\xC2"}, // a lone lead byte at the end is no C1 control
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(brelk::cli::TerminalSafe(text), shown) << text;
}
