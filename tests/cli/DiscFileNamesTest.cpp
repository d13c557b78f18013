// What the real brelk prints about the names inside a disc: bytes that show nothing never reach
// the terminal raw, .inf lines that are no text or overflow are refused, and a PC name that
// DFS does not take is refused with a proposed --name.
#include "cli/CliFixture.h"
#include "cli/TerminalRun.h"
#include "formats/DFSBuilder.h"

using namespace brelktest;
using dfstest::TBytes;
using dfstest::TDFSBuilder;

namespace {

const std::string kEsc("\x1B]0;X\x07", 6);

bool HasControlByte(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\n' && c != '\r') || byte == 0x7F;
    });
}

struct DiscFileNamesTest : CliFixture {
    void SetUp() override { MakeCard("4M"); }

    void AddDisc(const std::string& name, const TBytes& side) {
        const std::string path = Dir.Path(name + ".ssd").string();
        WriteFileBytes(path, side);
        const TResult add = Run({"add", Card, path});
        ASSERT_EQ(add.Status, 0) << add.Err;
    }
    // NAMES: locked files whose names hold bytes that show nothing, and the free file FREE.
    void AddNames() {
        AddDisc("NAMES", TDFSBuilder(800)
                             .Title("NAMES")
                             .Add(dfstest::FileAt(kEsc, 10, 2, '$', true))
                             .Add(dfstest::FileAt(std::string("A\001B", 3), 10, 3, '$', true))
                             .Add(dfstest::FileAt("HI\x7F", 10, 4, '$', true))
                             .Add(dfstest::FileAt("FREE", 10, 5))
                             .Bytes());
    }
    // PROGS: $.PROG, a BASIC program whose REM holds a terminal's title sequence.
    void AddProgs() {
        TBytes program = {0x0D, 0x00, 0x0A, 11, 0xF4};
        program.insert(program.end(), kEsc.begin(), kEsc.end());
        program.insert(program.end(), {0x0D, 0xFF});
        TBytes side = TDFSBuilder(800)
                          .Title("PROGS")
                          .Add(dfstest::FileAt("PROG", std::uint32_t(program.size()), 2))
                          .Bytes();
        std::copy(program.begin(), program.end(), side.begin() + 2 * 256);
        AddDisc("PROGS", side);
    }
    TBytes CardBytes() { return ReadFileBytes(Card); }
};

} // namespace

// Every refusal quotes names from the disc, from a pattern or from a .inf with the bytes that
// show nothing as \xNN, and changes nothing.
TEST_F(DiscFileNamesTest, RefusalsShowBytesThatShowNothingAsHex) {
    AddNames();
    const std::string plain = File("plain", "12345");
    const auto inf = [&](const std::string& line) {
        WriteFileBytes(plain + ".inf", TBytes(line.begin(), line.end()));
    };
    const struct {
        std::vector<std::string> Args;
        std::string Inf; // written beside plain first, when not empty
        std::string Err;
    } cases[] = {
        {{"delete-file", Card, "NAMES", "*"},
         "",
         "brelk: 'NAMES': '$.\\x1B]0;X\\x07', '$.A\\x01B', '$.HI\\x7F' are locked; unlock them "
         "first\n"},
        {{"delete-file", Card, "NAMES", "$.\\x1B*"},
         "",
         "brelk: 'NAMES': '$.\\x1B]0;X\\x07' is locked; unlock it first\n"},
        {{"delete-file", Card, "NAMES", "\x1B[2J"},
         "",
         "brelk: 'NAMES': no file matches '\\x1B[2J'\n"},
        {{"view", Card, "NAMES", "\x07*\x7F"},
         "",
         "brelk: 'NAMES': no file matches '\\x07*\\x7F'\n"},
        {{"extract", Card, "NAMES", "\x1B", "-o", Dir.Path("out").string()},
         "",
         "brelk: 'NAMES': no file matches '\\x1B'\n"},
        {{"extract", Card, "NAM*", "\x1B", "-o", Dir.Path("out").string()},
         "",
         "brelk: no file matches '\\x1B' in any object\n"},
        {{"extract", Card, "\x1B*", "-o", Dir.Path("out").string()},
         "",
         "brelk: " + Card + ": no object matches '\\x1B*'\n"},
        {{"insert", Card, "NAMES", plain},
         std::string("A\0B 1900 8023\n", 14),
         "brelk: " + plain +
             ".inf: the .inf line 'A\\x00B 1900 8023' holds a NUL or another byte that is no "
             "text; nothing was inserted\n"},
        {{"insert", Card, "NAMES", plain},
         kEsc + " 1900\n",
         "brelk: " + plain +
             ".inf: the .inf line '\\x1B]0;X\\x07 1900' holds a NUL or another byte that is no "
             "text; nothing was inserted\n"},
        {{"insert", Card, "NAMES", plain},
         "B.PLAIN 100001900 8023\n",
         "brelk: " + plain +
             ".inf: the .inf line 'B.PLAIN 100001900 8023': '100001900' needs more than 32 bits; "
             "nothing was inserted\n"},
        {{"insert", Card, "NAMES", plain},
         "B.PLAIN -1 8023\n",
         "brelk: " + plain +
             ".inf: the .inf line 'B.PLAIN -1 8023': '-1' is negative; nothing was inserted\n"},
        {{"insert", Card, "NAMES", plain},
         "B.PLAIN 1900 8023 5 GARBAGE\n",
         "brelk: " + plain +
             ".inf: the .inf line 'B.PLAIN 1900 8023 5 GARBAGE': 'GARBAGE' is no hexadecimal "
             "number, lock (L) or KEY=VALUE; nothing was inserted\n"},
    };
    const TBytes before = CardBytes();
    for (const auto& c : cases) {
        if (!c.Inf.empty())
            inf(c.Inf);
        const TResult run = RunRealBrelk(c.Args, Dir);
        EXPECT_EQ(run.Status, 1) << c.Err;
        EXPECT_EQ(run.Err, c.Err);
        EXPECT_FALSE(HasControlByte(run.Err)) << c.Err;
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(CardBytes(), before) << c.Err;
    }
}

// A PC name DFS does not take fails the insert with a name proposed for --name; that name, or
// any other given with --name, goes in.
TEST_F(DiscFileNamesTest, InsertProposesANameForAPCNameDFSDoesNotTake) {
    AddNames();
    const std::string longName = File("verylongname.txt", "1");
    const std::string free = File("free", "22");
    const TBytes before = CardBytes();
    const TResult refused = RunRealBrelk({"insert", Card, "NAMES", free, longName}, Dir);
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(refused.Err, "brelk: 'NAMES': 'verylongname.txt' needs a name of 1 to 7 characters; "
                           "insert it on its own with --name $.verylon or another name; the card "
                           "is unchanged\n");
    EXPECT_EQ(CardBytes(), before);
    // The proposal is unique on the side: $.FREE is there, so "fre e" becomes $.free1.
    const std::string spaced = File("fre e", "3");
    EXPECT_NE(RunRealBrelk({"insert", Card, "NAMES", spaced}, Dir).Err.find("--name $.free1 "),
              std::string::npos);
    const TResult named =
        RunRealBrelk({"insert", Card, "NAMES", longName, "--name", "$.verylon"}, Dir);
    ASSERT_EQ(named.Status, 0) << named.Err;
    EXPECT_EQ(named.Out, "Inserted $.verylon (1 bytes)\n");
    EXPECT_NE(Run({"files", Card, "NAMES"}).Out.find("0 $.verylon    000000 000000 000001\n"),
              std::string::npos);
}

// view to a terminal shows control bytes as "."; into a pipe the bytes go as they are.
TEST_F(DiscFileNamesTest, ViewToATerminalShowsControlBytesAsDots) {
    AddProgs();
    const TTerminalRun terminal =
        RunOnTerminal({"view", Card, "PROGS", "PROG"}, Dir.Path("state").string(), std::nullopt);
    EXPECT_EQ(terminal.Status, 0) << terminal.Screen;
    EXPECT_EQ(terminal.Screen, "   10REM.]0;X.\r\n");
    const TResult piped = RunRealBrelk({"view", Card, "PROGS", "PROG"}, Dir);
    EXPECT_EQ(piped.Status, 0) << piped.Err;
    EXPECT_EQ(piped.Out, "   10REM" + kEsc + "\n");
}
