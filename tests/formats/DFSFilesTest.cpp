// The files inside DFS discs: listing, bytes, and the changes DFS makes to a side.
#include "formats/DFSFiles.h"
#include "formats/DFSBuilder.h"
#include "formats/DFSInterleave.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace brelk;
using dfstest::TBytes;
using dfstest::TDFSBuilder;
using dfstest::TFile;

namespace {

TDFSDiscSide Catalogue(const TBytes& side) {
    TDFSDiscSides sides;
    std::string why;
    EXPECT_TRUE(ReadDFSDiscSides(side, sides, why)) << why;
    return sides.Disc.aDiscSides.empty() ? TDFSDiscSide{} : sides.Disc.aDiscSides[0];
}

const TAcornDFSCatEntry* Find(const TDFSDiscSide& side, const std::string& full) {
    for (const TAcornDFSCatEntry& entry : side.Entries)
        if (DFSFullName(entry) == full)
            return &entry;
    return nullptr;
}

TBytes FileBytes(const TBytes& side, const std::string& full) {
    const TDFSDiscSide catalogue = Catalogue(side);
    const TAcornDFSCatEntry* entry = Find(catalogue, full);
    EXPECT_NE(entry, nullptr) << full;
    TBytes data;
    std::string why;
    if (entry) {
        EXPECT_TRUE(ReadDFSFileBytes(side, catalogue, *entry, data, why)) << why;
    }
    return data;
}

// The start sectors of the first catalogue in stored order.
std::vector<int> StoredStarts(const TBytes& side) {
    std::vector<int> starts;
    for (int i = 0; i < side[256 + 5] / 8; ++i)
        starts.push_back((side[256 + 8 + 8 * i + 6] & 3) * 256 + side[256 + 8 + 8 * i + 7]);
    return starts;
}

TBytes Bytes(std::size_t count, std::uint8_t value) {
    return TBytes(count, value);
}

} // namespace

TEST(DFSFiles, ListsEverySideWithDrivesAndBytes) {
    const TBytes side0 =
        TDFSBuilder(10, 2560).AddWithData(dfstest::FileAt("ONE", 300, 2), 0x11).Bytes();
    const TBytes side2 =
        TDFSBuilder(12, 3072).AddWithData(dfstest::FileAt("TWO", 5, 3, 'B'), 0x22).Bytes();
    const TBytes object = dfstest::Concat({side0, side2});
    TDFSDiscSides sides;
    std::string why;
    ASSERT_TRUE(ReadDFSDiscSides(object, sides, why)) << why;
    ASSERT_EQ(sides.Spans.size(), 2u);
    EXPECT_EQ(sides.Spans[1].Offset, 2560u);
    EXPECT_EQ(sides.Spans[1].Count, 3072u);
    EXPECT_EQ(DFSDriveOfSide(1), 2);
    EXPECT_EQ(DFSSideOfDrive(2), 1);
    EXPECT_EQ(DFSSideOfDrive(7), -1);
    const TBytes second(object.begin() + 2560, object.end());
    EXPECT_EQ(FileBytes(second, "B.TWO"), Bytes(5, 0x22));
    EXPECT_EQ(FileBytes(side0, "$.ONE"), Bytes(300, 0x11));
}

TEST(DFSFiles, RefusesFilesPastTheSideNamingThem) {
    // Claimed past the sector count, and past the bytes a short image holds.
    const TBytes pastCount = TDFSBuilder(10, 2560).Add(dfstest::FileAt("BIG", 2000, 4)).Bytes();
    const TBytes pastBytes = TDFSBuilder(800, 1024).Add(dfstest::FileAt("CUT", 600, 3)).Bytes();
    for (const auto& [side, name] : {std::pair{pastCount, "$.BIG"}, {pastBytes, "$.CUT"}}) {
        TDFSDiscSides sides;
        std::string why;
        if (!ReadDFSDiscSides(side, sides, why)) {
            // A file past the sector count makes the whole catalogue refused.
            EXPECT_NE(why.find("sector count"), std::string::npos) << why;
            continue;
        }
        const TDFSDiscSide& catalogue = sides.Disc.aDiscSides[0];
        TBytes data{1, 2, 3};
        ASSERT_FALSE(ReadDFSFileBytes(side, catalogue, catalogue.Entries[0], data, why));
        EXPECT_NE(why.find(name), std::string::npos) << why;
    }
    // The catalogue accepts a side whose file fits its count but not the image.
    TDFSDiscSide side;
    side.SectorCount = 10;
    TAcornDFSCatEntry entry;
    entry.Name = "LATE";
    entry.StartSector = 8;
    entry.Length = 3 * 256;
    TBytes data;
    std::string why;
    EXPECT_FALSE(ReadDFSFileBytes(TBytes(2560), side, entry, data, why));
    EXPECT_NE(why.find("'$.LATE' runs past the end of the side"), std::string::npos) << why;
}

TEST(DFSFiles, InsertTakesTheFirstGapThatFitsAndKeepsDFSOrder) {
    TBytes side = TDFSBuilder(40, 40 * 256)
                      .AddWithData(dfstest::FileAt("B", 256, 5), 0xB1)
                      .AddWithData(dfstest::FileAt("A", 256, 2), 0xA1)
                      .Cycle(0x09)
                      .Bytes();
    std::string why;
    const TBytes two = Bytes(300, 0x77);
    ASSERT_TRUE(InsertDFSFile(side, {"G.GAP", 0x1900, 0x8023, false, two}, why)) << why;
    const TBytes three = Bytes(600, 0x88);
    ASSERT_TRUE(InsertDFSFile(side, {"END", 0xFF1900, 0xFF8023, true, three}, why)) << why;
    const TDFSDiscSide catalogue = Catalogue(side);
    EXPECT_EQ(Find(catalogue, "G.GAP")->StartSector, 3);
    EXPECT_EQ(Find(catalogue, "$.END")->StartSector, 6);
    EXPECT_TRUE(Find(catalogue, "$.END")->Locked);
    EXPECT_EQ(Find(catalogue, "$.END")->LoadAddress, 0xFF1900u);
    EXPECT_EQ(Find(catalogue, "$.END")->ExecAddress, 0xFF8023u);
    EXPECT_EQ(StoredStarts(side), (std::vector<int>{6, 5, 3, 2}));
    EXPECT_EQ(FileBytes(side, "G.GAP"), two);
    EXPECT_EQ(FileBytes(side, "$.END"), three);
    EXPECT_EQ(FileBytes(side, "$.B"), Bytes(256, 0xB1));
    EXPECT_EQ(side[256 + 4], 0x11) << "the cycle counts on in BCD, once per change";
}

TEST(DFSFiles, InsertRefusesAndLeavesTheSideUnchanged) {
    TDFSBuilder full31(800);
    for (int i = 0; i < 31; ++i)
        full31.Add(dfstest::FileAt("F" + std::to_string(i), 10, std::uint16_t(2 + i)));
    const TBytes small = TDFSBuilder(6, 6 * 256).Add(dfstest::FileAt("X", 700, 2)).Bytes();
    const TBytes plain = TDFSBuilder(40, 40 * 256).Add(dfstest::FileAt("HERE", 10, 2)).Bytes();
    const TBytes data = Bytes(10, 1);
    struct TCase {
        TBytes Side;
        std::string Name;
        std::size_t Length;
        const char* Reason;
    } cases[] = {
        {full31.Bytes(), "NEW", 10, "catalogue is full (31 files)"},
        {small, "NEW", 600, "disc is full"},
        {plain, "here", 10, "already on the side"},
        {plain, "LONGNAME", 10, "1 to 7 characters"},
        {plain, "A B", 10, "does not allow"},
        {plain, "$.A*", 10, "does not allow"},
        {plain, "", 10, "1 to 7 characters"},
        {TBytes(1024, 0xFF), "NEW", 10, "catalogue is refused"},
    };
    for (const TCase& c : cases) {
        TBytes side = c.Side;
        const TBytes bytes(c.Length, 1);
        std::string why;
        EXPECT_FALSE(InsertDFSFile(side, {c.Name, 0, 0, false, bytes}, why)) << c.Name;
        EXPECT_NE(why.find(c.Reason), std::string::npos) << c.Name << ": " << why;
        EXPECT_EQ(side, c.Side) << c.Name;
    }
}

TEST(DFSFiles, SixtyTwoFileCatalogueTakesTheSecondHalf) {
    TDFSBuilder builder(800);
    builder.Watford();
    for (int i = 0; i < 31; ++i)
        builder.Add(dfstest::FileAt("F" + std::to_string(i), 10, std::uint16_t(4 + i)));
    TBytes side = builder.Bytes();
    std::string why;
    const TBytes data = Bytes(10, 5);
    for (int i = 0; i < 31; ++i)
        ASSERT_TRUE(InsertDFSFile(side, {"S" + std::to_string(i), 0, 0, false, data}, why)) << why;
    EXPECT_EQ(side[768 + 5], 31 * 8);
    EXPECT_FALSE(InsertDFSFile(side, {"LAST", 0, 0, false, data}, why));
    EXPECT_NE(why.find("catalogue is full (62 files)"), std::string::npos) << why;
    EXPECT_EQ(Catalogue(side).Entries.size(), 62u);
    EXPECT_EQ(FileBytes(side, "$.S30"), data);
    ASSERT_TRUE(DeleteDFSFile(side, "S3", why)) << why;
    EXPECT_EQ(side[768 + 5], 30 * 8);
    EXPECT_EQ(Find(Catalogue(side), "$.S3"), nullptr);
}

TEST(DFSFiles, DeleteRenameLockFollowDFSRules) {
    TFile locked = dfstest::FileAt("SAFE", 10, 3);
    locked.Locked = true;
    TBytes side = TDFSBuilder(40, 40 * 256)
                      .Add(dfstest::FileAt("OTHER", 10, 4))
                      .Add(locked)
                      .AddWithData(dfstest::FileAt("OLD", 10, 2), 0x33)
                      .Bytes();
    std::string why;
    EXPECT_FALSE(DeleteDFSFile(side, "SAFE", why));
    EXPECT_NE(why.find("'$.SAFE' is locked"), std::string::npos) << why;
    EXPECT_FALSE(RenameDFSFile(side, "SAFE", "NEW", why));
    EXPECT_FALSE(DeleteDFSFile(side, "NONE", why));
    EXPECT_NE(why.find("'$.NONE' is not on the side"), std::string::npos) << why;
    EXPECT_FALSE(RenameDFSFile(side, "old", "other", why));
    EXPECT_NE(why.find("already on the side"), std::string::npos) << why;
    ASSERT_TRUE(RenameDFSFile(side, "old", "X.NEWER", why)) << why;
    EXPECT_EQ(FileBytes(side, "X.NEWER"), Bytes(10, 0x33));
    ASSERT_TRUE(LockDFSFile(side, "SAFE", false, why)) << why;
    ASSERT_TRUE(LockDFSFile(side, "X.NEWER", true, why)) << why;
    EXPECT_FALSE(Find(Catalogue(side), "$.SAFE")->Locked);
    EXPECT_TRUE(Find(Catalogue(side), "X.NEWER")->Locked);
    ASSERT_TRUE(DeleteDFSFile(side, "$.SAFE", why)) << why;
    EXPECT_EQ(Catalogue(side).Entries.size(), 2u);
    EXPECT_EQ(StoredStarts(side), (std::vector<int>{4, 2}));
}

TEST(DFSFiles, NameRules) {
    const struct {
        const char* Text;
        bool Valid;
        char Directory;
        const char* Name;
    } cases[] = {{"ELITE", true, '$', "ELITE"}, {"B.GAME", true, 'B', "GAME"},
                 {"!BOOT", true, '$', "!BOOT"}, {"1234567", true, '$', "1234567"},
                 {"12345678", false, 0, ""},    {"A:B", false, 0, ""},
                 {"A\"B", false, 0, ""},        {"A#", false, 0, ""},
                 {"*.X", false, 0, ""},         {"$.", false, 0, ""},
                 {"\x01X", false, 0, ""},       {"X.A.B", false, 0, ""}};
    for (const auto& c : cases) {
        char directory = 0;
        std::string name, why;
        EXPECT_EQ(ParseDFSName(c.Text, directory, name, why), c.Valid) << c.Text;
        if (c.Valid) {
            EXPECT_EQ(directory, c.Directory) << c.Text;
            EXPECT_EQ(name, c.Name) << c.Text;
        } else {
            EXPECT_FALSE(why.empty()) << c.Text;
        }
    }
}

TEST(DFSFiles, SquashedDiscGrowsAndShrinksWithTheChange) {
    // Squashed: five sectors stated and held, files up to the last one.
    const TBytes squashed =
        TDFSBuilder(5, 5 * 256).AddWithData(dfstest::FileAt("A", 700, 2), 0x5A).Bytes();
    TBytes object = squashed;
    std::string why;
    const TBytes data = Bytes(1000, 0x42);
    auto insert = [&](TBytes& side, std::string& reason) {
        return InsertDFSFile(side, {"NEW", 0, 0, false, data}, reason);
    };
    ASSERT_TRUE(EditDFSDiscSide(object, 0, insert, why)) << why;
    EXPECT_EQ(object.size(), 9u * 256);
    EXPECT_EQ(Catalogue(object).SectorCount, 9);
    EXPECT_EQ(FileBytes(object, "$.NEW"), data);
    EXPECT_EQ(FileBytes(object, "$.A"), Bytes(700, 0x5A));
    auto remove = [](TBytes& side, std::string& reason) {
        return DeleteDFSFile(side, "NEW", reason);
    };
    ASSERT_TRUE(EditDFSDiscSide(object, 0, remove, why)) << why;
    TBytes expected = squashed;
    expected[256 + 4] = 0x02; // two catalogue changes
    EXPECT_EQ(object, expected) << "deleting again gives the squashed disc back";
}

TEST(DFSFiles, FullTwoSidedDiscKeepsItsLengthsAndTheOtherSide) {
    const TBytes side0 =
        TDFSBuilder(400, 400 * 256).AddWithData(dfstest::FileAt("ZERO", 20, 2), 1).Bytes();
    const TBytes side2 =
        TDFSBuilder(400, 400 * 256).AddWithData(dfstest::FileAt("TWO", 20, 2), 2).Bytes();
    TBytes object = dfstest::Concat({side0, side2});
    std::string why;
    auto insert = [](TBytes& side, std::string& reason) {
        const TBytes data(3000, 9);
        return InsertDFSFile(side, {"NEW", 0, 0, false, data}, reason);
    };
    ASSERT_TRUE(EditDFSDiscSide(object, 1, insert, why)) << why;
    ASSERT_EQ(object.size(), 2u * 400 * 256);
    EXPECT_TRUE(std::equal(side0.begin(), side0.end(), object.begin()));
    const TBytes second(object.begin() + 400 * 256, object.end());
    EXPECT_EQ(FileBytes(second, "$.NEW"), TBytes(3000, 9));
    EXPECT_FALSE(EditDFSDiscSide(object, 2, insert, why));
    EXPECT_NE(why.find("no side for drive 1"), std::string::npos) << why;
    auto refuse = [](TBytes&, std::string& reason) {
        reason = "no";
        return false;
    };
    const TBytes before = object;
    EXPECT_FALSE(EditDFSDiscSide(object, 0, refuse, why));
    EXPECT_EQ(object, before);
}

// Every file of every real image reads as the bytes at its start sector, or is refused
// with its name; the 62-file discs list all their files.
TEST(DFSFiles, CorpusFilesMatchTheirSectors) {
    BRELK_REQUIRE_CORPUS();
    const std::filesystem::path folder = brelktest::CorpusDir() / "dfs";
    std::size_t filesRead = 0;
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        const TBytes file = brelktest::ReadFileBytes(item.path());
        const TBytes object = HasDsdExtension(item.path().string())
                                  ? DeinterleaveDFSImage(file.data(), file.size())
                                  : file;
        TDFSDiscSides sides;
        std::string why;
        if (!ReadDFSDiscSides(object, sides, why))
            continue;
        for (std::size_t k = 0; k < sides.Spans.size(); ++k) {
            const std::span<const std::uint8_t> bytes(object.data() + sides.Spans[k].Offset,
                                                      sides.Spans[k].Count);
            for (const TAcornDFSCatEntry& entry : sides.Disc.aDiscSides[k].Entries) {
                TBytes data;
                if (!ReadDFSFileBytes(bytes, sides.Disc.aDiscSides[k], entry, data, why)) {
                    EXPECT_NE(why.find(DFSFullName(entry)), std::string::npos) << why;
                    continue;
                }
                const std::size_t at = entry.StartSector * 256u;
                EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes.begin() + at))
                    << item.path().filename() << " " << DFSFullName(entry);
                ++filesRead;
            }
        }
        if (item.path().filename() == "beebtools_watford-sd-62-with-62-files.ssd") {
            EXPECT_EQ(sides.Disc.aDiscSides[0].Entries.size(), 62u);
        }
    }
    EXPECT_GT(filesRead, 100u);
}
