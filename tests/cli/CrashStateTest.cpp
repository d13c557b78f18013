// The crash states of every writing command: brelk runs with a preloaded library that cuts it
// off at each of its card writes in turn, with none, one block or more of that write landed,
// as a power cut would. The next opening (a writer, after a reader has looked) must give the
// card as it was before the command or as the command left it, and every object listed must
// read back as it was.
#include "card/Brelk.h"
#include "cli/CliFixture.h"
#include "formats/DFSBuilder.h"

#include <filesystem>
#include <map>
#include <sys/wait.h>

using namespace brelktest;
namespace fs = std::filesystem;

namespace {

#ifdef BRELK_CRASH_SHIM

struct TQuietReporter : brelk::TBrelkReporter {
    void ReportError(const std::string&) override {}
};

// Every live or deleted object of a card: type, subtype, name and address, and its bytes.
using TSnapshot = std::map<std::string, std::vector<std::uint8_t>>;

struct CrashStateTest : CliFixture {
    std::string State = Dir.Path("state").string();
    std::string Before = Dir.Path("before.img").string();

    static std::string Quoted(const std::string& text) {
        std::string quoted = "'";
        for (char c : text)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }
    // Runs brelk as its own process with the state folder State and the extra environment;
    // its exit status.
    int Brelk(const std::vector<std::string>& args, const std::string& environment = "",
              std::string* out = nullptr) {
        std::string line =
            "XDG_STATE_HOME=" + Quoted(State) + " " + environment + " " + Quoted(BRELK_BINARY);
        for (const auto& arg : args)
            line += " " + Quoted(arg);
        const std::string output = Dir.Path("out.txt").string();
        line += " >" + output + " 2>/dev/null";
        const int status = std::system(line.c_str());
        if (out) {
            const auto bytes = ReadFileBytes(output);
            *out = std::string(bytes.begin(), bytes.end());
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Crash(long write, long bytes) {
        return "LD_PRELOAD=" + Quoted(BRELK_CRASH_SHIM) + " BRELK_CRASH_CARD=" + Quoted(Card) +
               " BRELK_CRASH_WRITE=" + std::to_string(write) +
               " BRELK_CRASH_BYTES=" + std::to_string(bytes);
    }
    TSnapshot Snapshot() {
        TQuietReporter reporter;
        brelk::TBrelk card(reporter);
        card.Initialize(65536, Card, 8192, brelk::TCardAccess::ReadOnly);
        TSnapshot snapshot;
        for (const auto& entry : card.Entries()) {
            std::vector<std::uint8_t> bytes(entry->Size());
            EXPECT_TRUE(card.ReadMMC(bytes.data(), entry->Address(), entry->Size()));
            snapshot[std::to_string(entry->Type()) + "/" + std::to_string(entry->Subtype()) + "/" +
                     entry->Name() + "@" + std::to_string(entry->Address())] = bytes;
        }
        return snapshot;
    }
    // The card before each command: tools, a full DFS disc, a deleted object; and a backup
    // set of other objects to restore.
    void MakeStartingCard() {
        MakeCard("2M");
        for (int i = 0; i < 12; ++i)
            ASSERT_EQ(
                Run({"put", Card, File("T" + std::to_string(i), std::string(700, 'a' + i))}).Status,
                0);
        const auto disc =
            dfstest::TDFSBuilder(800).Title("DISC").AddWithData({'$', "F", 3000, 2}, 0x5A);
        WriteFileBytes(Dir.Path("disc.ssd"), disc.Bytes());
        ASSERT_EQ(Run({"put", Card, Dir.Path("disc.ssd").string(), "--type", "3", "--subtype", "1",
                       "--name", "DISC"})
                      .Status,
                  0);
        ASSERT_EQ(Run({"rm", Card, "T11"}).Status, 0);
        const std::string other = Dir.Path("other.img").string();
        ASSERT_EQ(Run({"create", other, "1M"}).Status, 0);
        ASSERT_EQ(Run({"format", other}).Status, 0);
        for (const char* name : {"R1", "R2"})
            ASSERT_EQ(Run({"put", other, File(name, std::string(900, 'r'))}).Status, 0);
        ASSERT_EQ(Run({"backup", other, Dir.Path("set.txt").string()}).Status, 0);
        fs::copy_file(Card, Before, fs::copy_options::overwrite_existing);
    }
    void Restart() {
        fs::copy_file(Before, Card, fs::copy_options::overwrite_existing);
        fs::remove_all(State);
    }
    // The number of card writes that Args makes from the starting card.
    long CountWrites(const std::vector<std::string>& args) {
        Restart();
        const std::string count = Dir.Path("count.txt").string();
        EXPECT_EQ(Brelk(args, "LD_PRELOAD=" + Quoted(BRELK_CRASH_SHIM) + " BRELK_CRASH_CARD=" +
                                  Quoted(Card) + " BRELK_CRASH_COUNT=" + Quoted(count)),
                  0);
        const auto bytes = ReadFileBytes(count);
        return std::strtol(std::string(bytes.begin(), bytes.end()).c_str(), nullptr, 10);
    }
};

TEST_F(CrashStateTest, EveryWritingCommandLeavesTheOldOrTheNewCard) {
    MakeStartingCard();
    const std::vector<std::vector<std::string>> commands = {
        {"put", Card, File("new.bin", std::string(5000, 'n')), "--name", "NEWP"},
        {"put", Card, File("again.bin", std::string(1500, 'p')), "--name", "T1", "--replace"},
        {"rm", Card, "T2", "--permanent"},
        {"rm", Card, "T3"},
        {"purge", Card},
        {"add", Card, File("A1.bin", std::string(800, '1')), File("A2.bin", std::string(90, '2'))},
        {"squash", Card, "DISC"},
        {"restore", Card, Dir.Path("set.txt").string()},
        {"format", Card, "--force"},
    };
    Restart();
    const TSnapshot old = Snapshot();
    std::string oldList;
    ASSERT_EQ(Brelk({"ls", Card}, "", &oldList), 0);
    int states = 0;
    for (const auto& command : commands) {
        const long writes = CountWrites(command);
        const TSnapshot now = Snapshot();
        std::string newList;
        Brelk({"ls", Card}, "", &newList);
        ASSERT_TRUE(now != old) << command[0];
        ASSERT_GT(writes, 0) << command[0];
        for (long write = 1; write <= writes; ++write)
            for (long landed : {0L, 512L, 4096L}) {
                const std::string what = command[0] + " " + command.back() + " cut at write " +
                                         std::to_string(write) + " after " +
                                         std::to_string(landed) + " bytes";
                Restart();
                ASSERT_EQ(Brelk(command, Crash(write, landed)), 99) << what;
                std::string seen;
                Brelk({"ls", Card}, "", &seen); // a reader first: it writes nothing
                EXPECT_TRUE(seen == oldList || seen == newList) << what << "\n" << seen;
                EXPECT_EQ(Brelk({"check", Card, "--repair"}), 0) << what;
                const TSnapshot after = Snapshot();
                EXPECT_TRUE(after == old || after == now) << what;
                EXPECT_EQ(Brelk({"check", Card}), 0) << what;
                ++states;
            }
    }
    EXPECT_GT(states, 3 * int(commands.size()));
}

#else

TEST(CrashStateTest, EveryWritingCommandLeavesTheOldOrTheNewCard) {
    GTEST_SKIP() << "needs the crash library, which a sanitized build does not make";
}

#endif

} // namespace
