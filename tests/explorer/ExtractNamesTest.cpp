// Extracting files whose names are hostile to a PC folder: every file lands below the folder
// it was extracted to, under a name of its own, with its own bytes; sidecars included.
#include "explorer/DiscFiles.h"

#include "formats/ADFSBuilder.h"
#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace fs = std::filesystem;

namespace {

// A tape whose file I is called Names[I] and holds I + 1 bytes.
TBytes Tape(const std::vector<std::string>& names) {
    TBytes run;
    for (std::size_t i = 0; i < names.size(); ++i)
        run = Concat({run, TapeBlock(BlockSpec(names[i], 0, std::uint16_t(i + 1), 0x80))});
    return run;
}

// A damaged DFS side whose catalogue names $.DUP twice, 10 bytes of 0x11 and 20 of 0x22.
TBytes TwoDups() {
    return dfstest::TDFSBuilder(800, 204800)
        .AddWithData(dfstest::FileAt("DUP", 10, 2), 0x11)
        .AddWithData(dfstest::FileAt("DUP", 20, 3), 0x22)
        .Bytes();
}

adfstest::TObject ADFSObject(const std::string& name, std::uint32_t sector, std::uint32_t length,
                             bool directory) {
    adfstest::TObject object;
    object.Name = name;
    object.Sector = sector;
    object.Length = length;
    object.Directory = directory;
    return object;
}

// An ADFS disc with the directory "..", holding a file of bytes 0x7F 0x7F, and the file ".".
TBytes DotsDisc() {
    return adfstest::TADFSBuilder(640)
        .Directory(2, 2, "$", "", {ADFSObject("..", 9, 0, true), ADFSObject(".", 14, 3, false)})
        .Directory(9, 2, "..", "", {ADFSObject("\x7F\x7F", 15, 4, false)})
        .Data(14, 3, 0x30)
        .Data(15, 4, 0x40)
        .Bytes();
}

std::vector<std::string> Top(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(root))
        names.push_back(item.path().filename().string());
    return names;
}

std::size_t FilesBelow(const fs::path& root) {
    std::size_t count = 0;
    for (const auto& item : fs::recursive_directory_iterator(root))
        count += item.is_regular_file() ? 1 : 0;
    return count;
}

} // namespace

TEST(ExtractNames, HostileNamesLandInsideTheFolderEachUnderItsOwnName) {
    const std::vector<std::string> hostile = {"\x01\x02", "\x7F\x7F", ".", "..",  "/",
                                              "A",        "A.inf",    "A", "A.1", "%2E%2E"};
    const struct {
        const char* Case;
        TMediaKind Kind;
        TBytes Bytes;
        bool Inf;
        std::vector<std::string> Written; // in the order of the files, each then its sidecar
    } cases[] = {
        {"tape",
         TMediaKind::Tape,
         Tape(hostile),
         false,
         {"%01%02", "%7F%7F", "%2E", "%2E%2E", "%2F", "A", "A.inf", "A.1", "A.1.1", "%252E%252E"}},
        {"tape with .inf",
         TMediaKind::Tape,
         Tape(hostile),
         true,
         {"%01%02",  "%01%02.inf", "%7F%7F",     "%7F%7F.inf",  "%2E",
          "%2E.inf", "%2E%2E",     "%2E%2E.inf", "%2F",         "%2F.inf",
          "A",       "A.inf",      "A.inf.1",    "A.inf.1.inf", "A.1",
          "A.1.inf", "A.1.1",      "A.1.1.inf",  "%252E%252E",  "%252E%252E.inf"}},
        {"tape of one name", TMediaKind::Tape, Tape({"X", "X", "X"}), false, {"X", "X.1", "X.2"}},
        {"tape of one name in two cases",
         TMediaKind::Tape,
         Tape({"Game", "GAME", "game.INF"}),
         true,
         {"Game", "Game.inf", "GAME.1", "GAME.1.inf", "game.INF.1", "game.INF.1.inf"}},
        {"DFS disc naming $.DUP twice",
         TMediaKind::DFS,
         TwoDups(),
         true,
         {"$.DUP", "$.DUP.inf", "$.DUP.1", "$.DUP.1.inf"}},
        {"ADFS directory ..", TMediaKind::ADFS, DotsDisc(), false, {"%2E%2E/%7F%7F", "%2E"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        TMediaListing listing;
        std::string why;
        ASSERT_TRUE(ListMediaFiles(c.Kind, c.Bytes, listing, why)) << why;
        std::vector<const TMediaFile*> chosen;
        ASSERT_TRUE(ChooseMediaFiles(listing, {}, -1, chosen, why)) << why;
        TTempDir temp;
        const fs::path out = temp.Path("out");
        std::vector<std::string> written;
        ASSERT_TRUE(
            ExtractMediaFiles(listing, c.Bytes, chosen, out.string(), {c.Inf, false}, written, why))
            << why;
        std::vector<std::string> relative;
        for (const std::string& path : written)
            relative.push_back(fs::relative(path, out).string());
        EXPECT_EQ(relative, c.Written);
        EXPECT_EQ(Top(temp.Root()), std::vector<std::string>{"out"});
        EXPECT_EQ(FilesBelow(out), written.size());
        // Each file holds its own bytes, so none replaced another.
        const std::size_t step = c.Inf ? 2 : 1;
        for (std::size_t i = 0; i < chosen.size() && i * step < written.size(); ++i) {
            TBytes data;
            ASSERT_TRUE(ReadMediaFile(listing, c.Bytes, *chosen[i], data, why)) << why;
            EXPECT_EQ(ReadFileBytes(written[i * step]), data) << written[i * step];
            if (c.Inf) {
                const std::string line = InfLine(listing, *chosen[i]) + "\n";
                EXPECT_EQ(ReadFileBytes(written[i * step + 1]), TBytes(line.begin(), line.end()));
            }
        }
    }
}

TEST(ExtractNames, ObjectFoldersAreSafeAndDistinct) {
    EXPECT_EQ(ExtractFolderNames({"\x01\x02", "\x7F\x7F", "..", ".", "", "A\x01", "A\x02", "A/B",
                                  "A_B", "DUP", "DUP", "DUP.1", "\xA3"}),
              (std::vector<std::string>{"%01%02", "%7F%7F", "%2E%2E", "%2E", "%00", "A%01", "A%02",
                                        "A%2FB", "A_B", "DUP", "DUP.1", "DUP.1.1", "%A3"}));
    const struct {
        const char* Path;
        bool Inside;
    } paths[] = {{"A", true},       {"A/B.inf", true}, {"%2E%2E/x", true}, {"..", false},
                 {"a/../b", false}, {"/etc/x", false}, {"a//b", false},    {"./a", false},
                 {"", false},       {"a/", false}};
    for (const auto& p : paths)
        EXPECT_EQ(StaysInside(p.Path), p.Inside) << p.Path;
}

// A file and a folder of one name: the later one gets the suffix, and a folder once taken
// is found again for the next file in it.
TEST(ExtractNames, FilesAndFoldersNeverShareAPath) {
    TExtractNames names;
    EXPECT_EQ(names.TakeFile({"D"}, false), "D");
    EXPECT_EQ(names.TakeFile({"D", "X"}, true), "D.1/X");
    EXPECT_EQ(names.TakeFile({"D", "X"}, false), "D.1/X.1");
    EXPECT_EQ(names.TakeFile({"D.1"}, false), "D.1.1");
    EXPECT_EQ(names.TakeFile({"E", "X"}, false), "E/X");
    EXPECT_EQ(names.TakeFile({"E"}, true), "E.1");
}

// The catalogue's two high address bits survive in the .inf line: 01 and 10 as &01 and &02,
// 11 as &FF, while the listing shows either bit as &FF.
TEST(ExtractNames, InfLinesKeepTheHighAddressBits) {
    const struct {
        std::uint32_t Load, Exec;
        const char* Inf;
    } cases[] = {
        {0x04556, 0x08023, "$.F 004556 008023 000010"},
        {0x14556, 0x28023, "$.F 014556 028023 000010"},
        {0x24556, 0x38023, "$.F 024556 FF8023 000010"},
        {0x34556, 0x18023, "$.F FF4556 018023 000010"},
    };
    for (const auto& c : cases) {
        dfstest::TFile file = dfstest::FileAt("F", 16, 2, '$', false, c.Load);
        file.Exec = c.Exec;
        const TBytes side = dfstest::TDFSBuilder(800, 2560).Add(file).Bytes();
        TMediaListing listing;
        std::string why;
        ASSERT_TRUE(ListMediaFiles(TMediaKind::DFS, side, listing, why)) << why;
        ASSERT_EQ(listing.Files.size(), 1u);
        EXPECT_EQ(InfLine(listing, listing.Files[0]), c.Inf);
        EXPECT_EQ(listing.Files[0].Load >> 16, (c.Load >> 16) == 0 ? 0u : 0xFFu) << c.Inf;
    }
}

// What an extract would replace: the files and, with .inf files, the sidecars already there.
TEST(ExtractNames, ExistingTargetsNameFilesAndSidecars) {
    const TBytes bytes = Tape({"A", "B"});
    TMediaListing listing;
    std::string why;
    ASSERT_TRUE(ListMediaFiles(TMediaKind::Tape, bytes, listing, why)) << why;
    const std::vector<const TMediaFile*> both = {&listing.Files[0], &listing.Files[1]};
    TTempDir temp;
    WriteFileBytes(temp.Path("A.inf"), {1});
    WriteFileBytes(temp.Path("B"), {2});
    const std::string folder = temp.Root().string();
    EXPECT_EQ(ExistingExtractTargets(listing, both, folder, {false, false}),
              std::vector<std::string>{temp.Path("B").string()});
    EXPECT_EQ(ExistingExtractTargets(listing, both, folder, {true, false}),
              (std::vector<std::string>{temp.Path("A.inf").string(), temp.Path("B").string()}));
}
