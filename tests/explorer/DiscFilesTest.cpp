// The files inside disc and tape objects: listing, choosing, extracting, viewing, and
// changing a DFS disc object on the card in one commit.
#include "explorer/DiscFiles.h"

#include "DiscCardFixture.h"
#include "formats/ADFSBuilder.h"
#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <fstream>

using namespace brelk;
using namespace brelktest;
using dfstest::TDFSBuilder;
using dfstest::TFile;

namespace fs = std::filesystem;

namespace {

// Files whose load address has its high bits set: &FF1900 as DFS shows it.
TFile File(const std::string& name, std::uint32_t length, std::uint16_t start, char dir = '$',
           bool locked = false) {
    return dfstest::FileAt(name, length, start, dir, locked, 0x31900);
}

// Side 0 with $.ONE (locked) and $.BASIC, side 2 with B.TWO.
TBytes TwoSides() {
    TBytes program = {0x0D, 0x00, 0x0A, 0x06, 0xF1, '1', 0x0D, 0xFF};
    TBytes side0 = TDFSBuilder(10, 2560)
                       .AddWithData(File("ONE", 300, 2, '$', true), 0x11)
                       .Add(File("BASIC", std::uint32_t(program.size()), 4))
                       .Bytes();
    std::copy(program.begin(), program.end(), side0.begin() + 4 * 256);
    const TBytes side2 = TDFSBuilder(12, 3072).AddWithData(File("TWO", 5, 3, 'B'), 0x22).Bytes();
    return Concat({side0, side2});
}

TMediaListing List(TMediaKind kind, const TBytes& bytes) {
    TMediaListing listing;
    std::string why;
    EXPECT_TRUE(ListMediaFiles(kind, bytes, listing, why)) << why;
    return listing;
}

std::vector<const TMediaFile*> All(const TMediaListing& listing) {
    std::vector<const TMediaFile*> chosen;
    std::string why;
    EXPECT_TRUE(ChooseMediaFiles(listing, {}, -1, chosen, why));
    return chosen;
}

std::string TextOf(const fs::path& path) {
    const TBytes bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> FilesBelow(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& item : fs::recursive_directory_iterator(root))
        names.push_back(fs::relative(item.path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(DiscFiles, ListsAndChoosesByAcornNames) {
    const TBytes object = TwoSides();
    const TMediaListing listing = List(TMediaKind::DFS, object);
    ASSERT_EQ(listing.Files.size(), 3u);
    EXPECT_EQ(listing.Files[0].Name, "$.BASIC");
    EXPECT_EQ(listing.Files[1].Name, "$.ONE");
    EXPECT_EQ(listing.Files[1].Load, 0xFF1900u);
    EXPECT_TRUE(listing.Files[1].Locked);
    EXPECT_EQ(listing.Files[2].Side, 2);
    const struct {
        std::vector<std::string> Patterns;
        int Side;
        std::vector<std::string> Names;
    } cases[] = {
        {{"one"}, -1, {"$.ONE"}},
        {{"*"}, -1, {"$.BASIC", "$.ONE", "B.TWO"}},
        {{"#.T*"}, -1, {"B.TWO"}},
        {{"*O*"}, 0, {"$.ONE"}},
        {{"$.O##", "B.*"}, -1, {"$.ONE", "B.TWO"}},
        {{}, 2, {"B.TWO"}},
    };
    for (const auto& c : cases) {
        std::vector<const TMediaFile*> chosen;
        std::string why;
        ASSERT_TRUE(ChooseMediaFiles(listing, c.Patterns, c.Side, chosen, why)) << why;
        std::vector<std::string> names;
        for (const TMediaFile* file : chosen)
            names.push_back(file->Name);
        EXPECT_EQ(names, c.Names);
    }
    std::vector<const TMediaFile*> chosen;
    std::string why;
    EXPECT_FALSE(ChooseMediaFiles(listing, {"ONE", "NONE*"}, -1, chosen, why));
    EXPECT_EQ(why, "no file matches 'NONE*'");
    EXPECT_FALSE(ChooseMediaFiles(listing, {"TWO"}, 0, chosen, why)) << "B.TWO is on side 2";
}

TEST(DiscFiles, ExtractsSidesIntoFoldersWithInfAndRefusesToReplace) {
    const TBytes object = TwoSides();
    const TMediaListing listing = List(TMediaKind::DFS, object);
    TTempDir temp;
    const std::string out = temp.Path("out").string();
    std::vector<std::string> written;
    std::string why;
    ASSERT_TRUE(ExtractMediaFiles(listing, object, All(listing), out, {true, false}, written, why))
        << why;
    EXPECT_EQ(FilesBelow(out),
              (std::vector<std::string>{"0", "0/$.BASIC", "0/$.BASIC.inf", "0/$.ONE", "0/$.ONE.inf",
                                        "2", "2/B.TWO", "2/B.TWO.inf"}));
    EXPECT_EQ(ReadFileBytes(temp.Path("out/0/$.ONE")), TBytes(300, 0x11));
    EXPECT_EQ(ReadFileBytes(temp.Path("out/2/B.TWO")), TBytes(5, 0x22));
    EXPECT_EQ(TextOf(temp.Path("out/0/$.ONE.inf")), "$.ONE FF1900 008023 00012C L\n");
    EXPECT_EQ(TextOf(temp.Path("out/2/B.TWO.inf")), "B.TWO FF1900 008023 000005\n");
    WriteFileBytes(temp.Path("out/2/B.TWO"), {1});
    EXPECT_FALSE(
        ExtractMediaFiles(listing, object, All(listing), out, {false, false}, written, why));
    EXPECT_NE(why.find("out/0/$.BASIC: exists already"), std::string::npos) << why;
    EXPECT_EQ(ReadFileBytes(temp.Path("out/2/B.TWO")), TBytes{1});
    ASSERT_TRUE(ExtractMediaFiles(listing, object, All(listing), out, {false, true}, written, why))
        << why;
    EXPECT_EQ(ReadFileBytes(temp.Path("out/2/B.TWO")), TBytes(5, 0x22));
}

TEST(DiscFiles, NoLinkIsFollowedAndDamageWritesNothing) {
    const TBytes object = TwoSides();
    const TMediaListing listing = List(TMediaKind::DFS, object);
    TTempDir temp;
    fs::create_directories(temp.Path("out"));
    WriteFileBytes(temp.Path("victim"), {7});
    fs::create_symlink(temp.Path("victim"), temp.Path("out/0"));
    std::vector<std::string> written;
    std::string why;
    EXPECT_FALSE(ExtractMediaFiles(listing, object, All(listing), temp.Path("out").string(),
                                   {false, true}, written, why));
    EXPECT_NE(why.find("is no folder"), std::string::npos) << why;
    fs::remove(temp.Path("out/0"));
    fs::create_directories(temp.Path("out/0"));
    fs::create_symlink(temp.Path("victim"), temp.Path("out/0/$.ONE"));
    EXPECT_FALSE(ExtractMediaFiles(listing, object, All(listing), temp.Path("out").string(),
                                   {false, true}, written, why));
    EXPECT_NE(why.find("is a symbolic link"), std::string::npos) << why;
    EXPECT_EQ(ReadFileBytes(temp.Path("victim")), TBytes{7});
    // A file past the bytes of the image: nothing at all is written.
    const TBytes cut = TDFSBuilder(800, 1024)
                           .AddWithData(File("LATE", 600, 3), 1)
                           .AddWithData(File("EARLY", 10, 2), 2)
                           .Bytes();
    const TMediaListing damaged = List(TMediaKind::DFS, cut);
    const std::string clean = temp.Path("clean").string();
    EXPECT_FALSE(ExtractMediaFiles(damaged, cut, All(damaged), clean, {}, written, why));
    EXPECT_NE(why.find("'$.LATE' runs past"), std::string::npos) << why;
    EXPECT_FALSE(fs::exists(clean));
}

TEST(DiscFiles, ExtractingIntoABatchWritesAtItsCommitOrNotAtAll) {
    const TBytes object = TwoSides();
    const TMediaListing listing = List(TMediaKind::DFS, object);
    TTempDir temp;
    std::vector<std::string> written;
    std::string why;
    {
        TSafeWriteBatch batch;
        ASSERT_TRUE(ExtractMediaFiles(listing, object, All(listing), temp.Path("a").string(), {},
                                      written, why, nullptr, &batch))
            << why;
        ASSERT_TRUE(ExtractMediaFiles(listing, object, All(listing), temp.Path("b").string(), {},
                                      written, why, nullptr, &batch))
            << why;
        EXPECT_EQ(batch.Pending(), 6u);
        EXPECT_FALSE(fs::exists(temp.Path("a/0/$.ONE")));
        ASSERT_TRUE(batch.Commit(why)) << why;
    }
    EXPECT_EQ(written.size(), 6u);
    EXPECT_EQ(ReadFileBytes(temp.Path("b/2/B.TWO")), TBytes(5, 0x22));
    EXPECT_EQ(FilesBelow(temp.Path("a")), FilesBelow(temp.Path("b")));
    // A damaged object after a good one: the caller drops the batch, and no file of either
    // is written.
    const TBytes cut = TDFSBuilder(800, 1024).AddWithData(File("LATE", 600, 3), 1).Bytes();
    const TMediaListing damaged = List(TMediaKind::DFS, cut);
    {
        TSafeWriteBatch batch;
        ASSERT_TRUE(ExtractMediaFiles(listing, object, All(listing), temp.Path("c").string(), {},
                                      written, why, nullptr, &batch));
        EXPECT_FALSE(ExtractMediaFiles(damaged, cut, All(damaged), temp.Path("d").string(), {},
                                       written, why, nullptr, &batch));
    }
    EXPECT_EQ(FilesBelow(temp.Path("c")), (std::vector<std::string>{"0", "2"}));
    EXPECT_FALSE(fs::exists(temp.Path("d")));
}

TEST(DiscFiles, ADFSFoldersAndTapeRepeatsAndStrangeNames) {
    adfstest::TObject elite;
    elite.Name = "ELITE";
    elite.Sector = 14;
    elite.Length = 40;
    adfstest::TObject games;
    games.Name = "GAMES";
    games.Sector = 9;
    games.Directory = true;
    const TBytes adfs = adfstest::TADFSBuilder(640)
                            .Directory(2, 2, "$", "", {games})
                            .Directory(9, 2, "GAMES", "", {elite})
                            .Data(14, 40, 0x30)
                            .Bytes();
    const TMediaListing disc = List(TMediaKind::ADFS, adfs);
    ASSERT_EQ(disc.Files.size(), 1u);
    EXPECT_EQ(disc.Files[0].Name, "$.GAMES.ELITE");
    EXPECT_EQ(ExtractPaths(disc, All(disc)), std::vector<std::string>{"GAMES/ELITE"});

    TBytes run;
    for (const char* name : {"GAME", "A/B", "GAME", "..", "\x01", "GAME", "100%"})
        run = Concat({run, TapeBlock(BlockSpec(name, 0, 3, 0x80))});
    const TMediaListing tape = List(TMediaKind::Tape, run);
    EXPECT_EQ(
        ExtractPaths(tape, All(tape)),
        (std::vector<std::string>{"GAME", "A%2FB", "GAME.1", "%2E%2E", "%01", "GAME.2", "100%25"}));
    EXPECT_EQ(PCFileNameOf(""), "%00");
    EXPECT_EQ(PCFileNameOf("\xE9t\x7F"), "%E9t%7F");
    TTempDir temp;
    std::vector<std::string> written;
    std::string why;
    ASSERT_TRUE(
        ExtractMediaFiles(disc, adfs, All(disc), temp.Root().string(), {true, false}, written, why))
        << why;
    TBytes expected(40);
    for (int i = 0; i < 40; ++i)
        expected[std::size_t(i)] = std::uint8_t(0x30 + i);
    EXPECT_EQ(ReadFileBytes(temp.Path("GAMES/ELITE")), expected);
    EXPECT_EQ(TextOf(temp.Path("GAMES/ELITE.inf")), "$.GAMES.ELITE FFFF1900 FFFF8023 000028\n");
}

TEST(DiscFiles, InfLinesReadBack) {
    const struct {
        const char* Line;
        bool Ok;
        const char* Name;
        bool Addresses;
        std::uint32_t Load, Exec;
        bool Locked;
    } cases[] = {
        {"$.ONE FF1900 008023 00012C L", true, "$.ONE", true, 0xFF1900, 0x8023, true},
        {"B.TWO 1900 8023", true, "B.TWO", true, 0x1900, 0x8023, false},
        {"  ELITE   Locked\r\n", true, "ELITE", false, 0, 0, true},
        {"NAME", true, "NAME", false, 0, 0, false},
        {"", false, "", false, 0, 0, false},
    };
    for (const auto& c : cases) {
        TInfFields fields;
        ASSERT_EQ(ParseInfLine(c.Line, fields), c.Ok) << c.Line;
        if (!c.Ok)
            continue;
        EXPECT_EQ(fields.Name, c.Name);
        EXPECT_EQ(fields.HasAddresses, c.Addresses) << c.Line;
        EXPECT_EQ(fields.Load, c.Load) << c.Line;
        EXPECT_EQ(fields.Exec, c.Exec) << c.Line;
        EXPECT_EQ(fields.Locked, c.Locked) << c.Line;
    }
}

TEST(DiscFiles, ViewsAFileAsBasicTextOrHex) {
    const TBytes object = TwoSides();
    const TMediaListing listing = List(TMediaKind::DFS, object);
    std::vector<std::string> lines;
    std::string why;
    ASSERT_TRUE(ViewMediaFile(listing, object, listing.Files[0], TFileViewAs::Auto, lines, why));
    EXPECT_EQ(lines, std::vector<std::string>{"   10PRINT1"});
    EXPECT_FALSE(ViewMediaFile(listing, object, listing.Files[1], TFileViewAs::Basic, lines, why));
    EXPECT_EQ(why.rfind("'$.ONE' is not a BASIC program", 0), 0u) << why;
}

namespace {

struct DiscFilesCardTest : DiscCardFixture {};

} // namespace

TEST_F(DiscFilesCardTest, InsertAndDeleteReplaceTheObjectInOneGo) {
    const TBytes squashed = TDFSBuilder(5, 5 * 256).AddWithData(File("A", 700, 2), 0x5A).Bytes();
    const TBrelkCatEntry* disc = AddDisc("SMALL", squashed);
    const TBytes payload(1000, 0x42);
    std::string why;
    ASSERT_TRUE(
        EditDFSObject(*Card, disc, 0, InsertFilesEdit({{"NEW", 0, 0, false, payload}}, false), why))
        << why;
    EXPECT_EQ(disc->Size(), 10u * 256) << "nine sectors in whole 512-byte blocks";
    TBytes bytes = Read(*disc);
    TMediaListing listing = List(TMediaKind::DFS, bytes);
    ASSERT_EQ(listing.Files.size(), 2u);
    TBytes data;
    ASSERT_TRUE(ReadMediaFile(listing, bytes, listing.Files[1], data, why));
    EXPECT_EQ(data, payload);
    // Replacing keeps one file of the name; a second insert of it without replace is refused.
    const TBytes other(10, 1);
    EXPECT_FALSE(
        EditDFSObject(*Card, disc, 0, InsertFilesEdit({{"new", 0, 0, false, other}}, false), why));
    EXPECT_NE(why.find("already on the side"), std::string::npos) << why;
    ASSERT_TRUE(
        EditDFSObject(*Card, disc, 0, InsertFilesEdit({{"new", 0, 0, false, other}}, true), why))
        << why;
    EXPECT_EQ(List(TMediaKind::DFS, Read(*disc)).Files.size(), 2u);
    std::vector<std::string> deleted;
    ASSERT_TRUE(EditDFSObject(*Card, disc, 0, DeleteFilesEdit({"N*"}, &deleted), why)) << why;
    EXPECT_EQ(deleted, std::vector<std::string>{"$.new"});
    EXPECT_EQ(disc->Size(), 6u * 256) << "the squashed disc shrinks again";
}

TEST_F(DiscFilesCardTest, RefusalsLeaveTheCardUnchanged) {
    TDFSBuilder builder(800);
    for (int i = 0; i < 31; ++i)
        builder.Add(File("F" + std::to_string(i), 10, std::uint16_t(40 - i), '$', i == 0));
    const TBrelkCatEntry* disc = AddDisc("FULL", builder.Bytes());
    const TBrelkCatEntry before = *disc;
    const TBytes bytes = Read(*disc);
    const TBytes payload(10, 1);
    std::string why;
    EXPECT_FALSE(
        EditDFSObject(*Card, disc, 0, InsertFilesEdit({{"X", 0, 0, false, payload}}, false), why));
    EXPECT_NE(why.find("catalogue is full (31 files)"), std::string::npos) << why;
    EXPECT_FALSE(EditDFSObject(*Card, disc, 0, DeleteFilesEdit({"F*"}, nullptr), why));
    EXPECT_NE(why.find("'$.F0' is locked"), std::string::npos) << why;
    EXPECT_FALSE(EditDFSObject(*Card, disc, 0, DeleteFilesEdit({"NONE"}, nullptr), why));
    EXPECT_EQ(why, "no file matches 'NONE'");
    EXPECT_EQ(disc->Bytes, before.Bytes);
    EXPECT_EQ(Read(*disc), bytes);
    TBrelkCatEntry tool = Entry(kTypeTool, 0, "TOOL", 512);
    EXPECT_FALSE(EditDFSObject(*Card, &tool, 0, DeleteFilesEdit({"X"}, nullptr), why));
    EXPECT_EQ(why, "not a DFS disc object");
}
