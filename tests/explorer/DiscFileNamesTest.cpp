// Names going into and out of a DFS disc: .inf lines that are refused, DFS names proposed for
// PC names, and names with bytes that show nothing in the reasons of a refused change.
#include "explorer/DiscFiles.h"

#include "DiscCardFixture.h"
#include "formats/DFSBuilder.h"
#include "support/TestSupport.h"

#include <fstream>

using namespace brelk;
using namespace brelktest;
using dfstest::TBytes;
using dfstest::TDFSBuilder;

namespace {

const std::string kEscName("\x1B]0;X\x07", 6);
const std::string kCtrlName("A\001B"); // a NUL ends a DFS name as the reader reads it
const std::string kDelName("HI\x7F", 3);

TMediaListing ListSide(const TBytes& side) {
    TMediaListing listing;
    std::string why;
    EXPECT_TRUE(ListMediaFiles(TMediaKind::DFS, side, listing, why)) << why;
    return listing;
}

} // namespace

TEST(DiscFileNames, InfLinesThatAreNoTextOrOverflowAreRefused) {
    const struct {
        std::string Line;
        std::string Why;
    } cases[] = {
        {std::string("A\0B 1900 8023", 13),
         "the .inf line 'A\\x00B 1900 8023' holds a NUL or another byte that is no text"},
        {kEscName + " FF1900",
         "the .inf line '\\x1B]0;X\\x07 FF1900' holds a NUL or another byte that is no text"},
        {"HI\x7F 1900", "the .inf line 'HI\\x7F 1900' holds a NUL or another byte that is no text"},
        {"\x01\x02\xFF\xFE", "the .inf line '\\x01\\x02\xC3\xBF\xC3\xBE' holds a NUL or another "
                             "byte that is no text"},
        {"A 100001900 8023",
         "the .inf line 'A 100001900 8023': '100001900' needs more than 32 bits"},
        {"A 1900 1FFFFFFFF",
         "the .inf line 'A 1900 1FFFFFFFF': '1FFFFFFFF' needs more than 32 bits"},
        {"A -1 8023", "the .inf line 'A -1 8023': '-1' is negative"},
        {"A 1900 8023 FOO",
         "the .inf line 'A 1900 8023 FOO': 'FOO' is no hexadecimal number, lock (L) or KEY=VALUE"},
        {"A 1900 +8023",
         "the .inf line 'A 1900 +8023': '+8023' is no hexadecimal number, lock (L) or KEY=VALUE"},
        {"A 1 2 3 4 5", "the .inf line 'A 1 2 3 4 5': more than four numbers (load, exec, length, "
                        "access)"},
        {"  \r\n", "the .inf line gives no name"},
    };
    for (const auto& c : cases) {
        TInfFields fields;
        std::string why;
        EXPECT_FALSE(ParseInfLine(c.Line, fields, why)) << c.Why;
        EXPECT_EQ(why, c.Why);
    }
}

TEST(DiscFileNames, InfLinesWithPrefixesKeysAndLeadingZerosAreRead) {
    const struct {
        const char* Line;
        std::uint32_t Load, Exec;
        bool Locked;
    } cases[] = {
        {"$.A &FF1900 0x8023 CRC=1234", 0xFF1900, 0x8023, false},
        {"$.A 000000FFFFFFFF 0 0 19 L\r\n", 0xFFFFFFFF, 0, true},
        {"$.A\t1900\t8023 Locked", 0x1900, 0x8023, true},
    };
    for (const auto& c : cases) {
        TInfFields fields;
        std::string why;
        ASSERT_TRUE(ParseInfLine(c.Line, fields, why)) << c.Line << ": " << why;
        EXPECT_EQ(fields.Name, "$.A");
        EXPECT_TRUE(fields.HasAddresses);
        EXPECT_EQ(fields.Load, c.Load) << c.Line;
        EXPECT_EQ(fields.Exec, c.Exec) << c.Line;
        EXPECT_EQ(fields.Locked, c.Locked) << c.Line;
    }
}

TEST(DiscFileNames, SidecarIsReadOnlyWhenItIsThereAndSafe) {
    TTempDir temp;
    const std::string path = temp.Path("FILE").string();
    TInfFields fields;
    bool present = true;
    std::string why;
    ASSERT_TRUE(ReadInfSidecar(path, fields, present, why)) << why;
    EXPECT_FALSE(present);
    WriteFileBytes(path + ".inf", {'$', '.', 'A', ' ', '1', '\n', 0x00, 0x1B});
    ASSERT_TRUE(ReadInfSidecar(path, fields, present, why)) << "only the first line counts";
    EXPECT_TRUE(present);
    EXPECT_EQ(fields.Name, "$.A");
    WriteFileBytes(path + ".inf", TBytes(5000, 'A'));
    EXPECT_FALSE(ReadInfSidecar(path, fields, present, why));
    EXPECT_EQ(why, path + ".inf: no line end in its first 4096 bytes");
    WriteFileBytes(path + ".inf", {'A', 0x00, '\n'});
    EXPECT_FALSE(ReadInfSidecar(path, fields, present, why));
    EXPECT_EQ(why,
              path + ".inf: the .inf line 'A\\x00' holds a NUL or another byte that is no text");
}

TEST(DiscFileNames, ProposesUniqueDFSNamesForPCNamesDFSDoesNotTake) {
    const TMediaListing listing = ListSide(TDFSBuilder(800)
                                               .Add(dfstest::FileAt("TEXT", 10, 2))
                                               .Add(dfstest::FileAt("DATA", 10, 3, 'W'))
                                               .Bytes());
    const struct {
        std::vector<std::string> Names;
        std::vector<std::string> Proposed;
        std::vector<bool> Changed;
    } cases[] = {
        {{"verylongname.txt"}, {"$.verylon"}, {true}},
        {{"te xt"}, {"$.text1"}, {true}},                         // $.TEXT is on the side
        {{"W.DATA", "text"}, {"W.DATA", "text"}, {false, false}}, // DFS takes them as they are
        {{"a.b.c.d"}, {"a.bcd"}, {true}},
        {{"..."}, {"$.FILE"}, {true}},
        {{kEscName}, {"$.]0;X"}, {true}},
        {{"longname1", "longname2", "longnam"},
         {"$.longna1", "$.longna2", "longnam"},
         {true, true, false}},
    };
    for (const auto& c : cases) {
        std::vector<bool> changed;
        EXPECT_EQ(ProposeDFSNames(listing, 0, c.Names, changed), c.Proposed) << c.Names[0];
        EXPECT_EQ(changed, c.Changed) << c.Names[0];
    }
    std::vector<bool> changed;
    EXPECT_EQ(ProposeDFSNames(listing, 2, {"te xt"}, changed), std::vector<std::string>{"$.text"})
        << "drive 2 holds no $.TEXT";
}

namespace {

struct DiscFileNamesCardTest : DiscCardFixture {};

} // namespace

// A delete that chooses a locked file is refused before anything changes, naming every locked
// file as NameText shows it.
TEST_F(DiscFileNamesCardTest, LockedFilesAreNamedSafelyInTheRefusal) {
    const TBytes side = TDFSBuilder(800)
                            .Add(dfstest::FileAt(kEscName, 10, 2, '$', true))
                            .Add(dfstest::FileAt(kCtrlName, 10, 3, '$', true))
                            .Add(dfstest::FileAt(kDelName, 10, 4, '$', true))
                            .Add(dfstest::FileAt("FREE", 10, 5))
                            .Bytes();
    const struct {
        std::string Pattern;
        std::string Why;
    } cases[] = {
        {"$.\x1B*", "'$.\\x1B]0;X\\x07' is locked; unlock it first"},
        {"A#B", "'$.A\\x01B' is locked; unlock it first"},
        {"*", "'$.\\x1B]0;X\\x07', '$.A\\x01B', '$.HI\\x7F' are locked; unlock them first"},
    };
    const TBrelkCatEntry* disc = AddDisc("NAMES", side);
    const TBytes before = Read(*disc);
    for (const auto& c : cases) {
        std::string why;
        EXPECT_FALSE(EditDFSObject(*Card, disc, 0, DeleteFilesEdit({c.Pattern}, nullptr), why));
        EXPECT_EQ(why, c.Why);
        EXPECT_EQ(Read(*disc), before) << "FREE stays too";
    }
    std::string why;
    EXPECT_FALSE(EditDFSObject(*Card, disc, 0, DeleteFilesEdit({"\x1B"}, nullptr), why));
    EXPECT_EQ(why, "no file matches '\\x1B'");
    EXPECT_FALSE(EditDFSObject(*Card, disc, 0, RenameFileEdit("$." + kEscName, "OTHER"), why));
    EXPECT_EQ(why, "'$.\\x1B]0;X\\x07' holds a character DFS does not allow in a name (space . : "
                   "\" # *)");
}
