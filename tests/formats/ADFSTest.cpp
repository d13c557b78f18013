// Old-map ADFS discs: the tree, each file's bytes, both layouts of an L image, and damage.
#include "formats/ADFS.h"
#include "formats/ADFSBuilder.h"
#include "formats/ADFSDetails.h"
#include "formats/DFSBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

using namespace brelk;
using adfstest::TADFSBuilder;
using adfstest::TBytes;
using adfstest::TObject;

namespace {

TObject FileAt(const std::string& name, std::uint32_t sector, std::uint32_t length) {
    TObject object;
    object.Name = name;
    object.Sector = sector;
    object.Length = length;
    return object;
}

TObject DirAt(const std::string& name, std::uint32_t sector) {
    TObject object;
    object.Name = name;
    object.Sector = sector;
    object.Directory = true;
    return object;
}

// $.HELLO, $.GAMES (at Games) holding $.GAMES.ELITE (at Elite).
TADFSBuilder Tree(std::uint32_t sectors, std::uint32_t games, std::uint32_t elite) {
    TObject hello = FileAt("HELLO", 7, 300);
    hello.Locked = true;
    TADFSBuilder builder(sectors);
    builder.Directory(2, 2, "$", "My disc", {hello, DirAt("GAMES", games)})
        .Directory(games, 2, "GAMES", "Games", {FileAt("ELITE", elite, 600)})
        .Data(7, 300, 0x10)
        .Data(elite, 600, 0x40);
    return builder;
}

TBytes Expected(std::uint32_t length, std::uint8_t marker) {
    TBytes bytes(length);
    for (std::uint32_t i = 0; i < length; ++i)
        bytes[i] = std::uint8_t(marker + i);
    return bytes;
}

const TADFSEntry* Find(const TADFSDisc& disc, const std::string& path) {
    for (const TADFSEntry& entry : disc.Entries)
        if (entry.Path == path)
            return &entry;
    return nullptr;
}

TBytes Read(const TBytes& image, const TADFSDisc& disc, const std::string& path) {
    const TADFSEntry* entry = Find(disc, path);
    EXPECT_NE(entry, nullptr) << path;
    TBytes data;
    std::string why;
    if (entry) {
        EXPECT_TRUE(ReadADFSFileBytes(image, disc, *entry, data, why)) << why;
    }
    return data;
}

} // namespace

TEST(ADFS, ReadsTheTreeWithAttributesAndBytes) {
    const TBytes image = Tree(1280, 9, 14).Bytes();
    TADFSDisc disc;
    std::string why;
    ASSERT_TRUE(ReadADFSDisc(image, disc, why)) << why;
    EXPECT_EQ(disc.Format, TADFSFormat::M);
    EXPECT_EQ(disc.RootTitle, "My disc");
    ASSERT_EQ(disc.Entries.size(), 3u);
    EXPECT_EQ(disc.Entries[0].Path, "$.HELLO");
    EXPECT_EQ(disc.Entries[1].Path, "$.GAMES");
    EXPECT_EQ(disc.Entries[2].Path, "$.GAMES.ELITE");
    EXPECT_EQ(disc.Entries[2].Depth, 2);
    const TADFSEntry& hello = disc.Entries[0];
    EXPECT_TRUE(hello.Locked && hello.Readable && hello.Writable && !hello.IsDirectory);
    EXPECT_EQ(hello.Load, 0xFFFF1900u);
    EXPECT_EQ(hello.Exec, 0xFFFF8023u);
    EXPECT_EQ(hello.Length, 300u);
    EXPECT_TRUE(disc.Entries[1].IsDirectory);
    EXPECT_FALSE(disc.Entries[2].Locked);
    EXPECT_EQ(Read(image, disc, "$.HELLO"), Expected(300, 0x10));
    EXPECT_EQ(Read(image, disc, "$.GAMES.ELITE"), Expected(600, 0x40));
    TBytes data;
    EXPECT_FALSE(ReadADFSFileBytes(image, disc, disc.Entries[1], data, why));
}

TEST(ADFS, LImageReadsTrackByTrackAndInLogicalOrder) {
    // The directory and the file lie on the second side and cross a track end.
    const TADFSBuilder builder = Tree(2560, 1300, 1295);
    for (const bool interleaved : {true, false}) {
        const TBytes image = interleaved ? builder.Interleaved() : builder.Bytes();
        TADFSDisc disc;
        std::string why;
        ASSERT_TRUE(ReadADFSDisc(image, disc, why)) << why;
        EXPECT_EQ(disc.Format, TADFSFormat::L);
        EXPECT_EQ(disc.Interleaved, interleaved);
        EXPECT_EQ(Read(image, disc, "$.GAMES.ELITE"), Expected(600, 0x40));
    }
}

TEST(ADFS, RefusesDamageWithAReason) {
    TBytes badSignature = Tree(640, 9, 14).Bytes();
    std::memcpy(badSignature.data() + 9 * 256 + 0x4FB, "Hugh", 4);
    TBytes sequence = Tree(640, 9, 14).Bytes();
    sequence[9 * 256 + 0x4FA] = 8;
    const TBytes truncated = [] {
        TBytes bytes = Tree(640, 300, 14).Bytes();
        bytes.resize(200 * 256);
        return bytes;
    }();
    struct TCase {
        const char* What;
        TBytes Image;
        const char* Reason;
    } cases[] = {
        {"outside", Tree(640, 700, 14).Bytes(), "directory $.GAMES points outside the disc"},
        {"loop", Tree(640, 9, 14).Directory(9, 2, "GAMES", "", {DirAt("BACK", 2)}).Bytes(),
         "directory $.GAMES.BACK makes a loop"},
        {"signature", badSignature, "directory $.GAMES is broken"},
        {"sequence", sequence, "directory $.GAMES is broken"},
        {"truncated", truncated, "directory $.GAMES lies past the end of the image"},
        {"dfs", dfstest::TDFSBuilder().Bytes(), "not an old-map ADFS disc"},
        {"empty", TBytes{}, "not an old-map ADFS disc"},
    };
    for (const TCase& c : cases) {
        TADFSDisc disc;
        std::string why;
        EXPECT_FALSE(ReadADFSDisc(c.Image, disc, why)) << c.What;
        EXPECT_NE(why.find(c.Reason), std::string::npos) << c.What << ": " << why;
    }
}

TEST(ADFS, RefusesFilesPastTheDiscOrTheImage) {
    const TBytes pastDisc = Tree(640, 9, 639).Bytes();
    TBytes pastImage = Tree(640, 9, 500).Bytes();
    pastImage.resize(400 * 256);
    for (const TBytes& image : {pastDisc, pastImage}) {
        TADFSDisc disc;
        std::string why;
        ASSERT_TRUE(ReadADFSDisc(image, disc, why)) << why;
        TBytes data;
        EXPECT_FALSE(ReadADFSFileBytes(image, disc, disc.Entries[2], data, why));
        EXPECT_NE(why.find("'$.GAMES.ELITE' runs past"), std::string::npos) << why;
        EXPECT_TRUE(data.empty());
    }
}

TEST(ADFS, RecognisesOldMapFloppiesByContents) {
    const struct {
        std::uint32_t Sectors;
        const char* Note;
    } sizes[] = {{640, "ADFS disc (old map, S format)"},
                 {1280, "ADFS disc (old map, M format)"},
                 {2560, "ADFS disc (old map, L format)"}};
    for (const auto& size : sizes) {
        const TBytes image = TADFSBuilder(size.Sectors).Bytes();
        TADFSFormat format;
        ASSERT_TRUE(LooksLikeADFSOldMap(image, &format)) << size.Sectors;
        EXPECT_EQ(ADFSFormatNote(format), size.Note);
        TBytes longer = image;
        longer.push_back(0);
        EXPECT_FALSE(LooksLikeADFSOldMap(longer)) << "more bytes than the map's sectors";
    }
    EXPECT_FALSE(LooksLikeADFSOldMap(TADFSBuilder(800).Bytes())) << "no floppy size";
    TBytes nick = TADFSBuilder(640).Directory(2, 2, "$", "", {}, "Nick").Bytes();
    EXPECT_TRUE(LooksLikeADFSOldMap(nick));
    EXPECT_FALSE(LooksLikeADFSOldMap(dfstest::TDFSBuilder().Bytes()));
}

// Formatters differ in the root's parent (sector 2 or 0) and in the end of its name ("$" then
// CR, or "$" alone); the map's check bytes and free runs, the size and both signatures decide.
TEST(ADFS, RecognisesRootVariantsByTheMapAndTheSignatures) {
    const auto root = [](std::uint32_t parent) {
        return TADFSBuilder(640).Directory(2, parent, "$", "Disc", {FileAt("HELLO", 7, 10)});
    };
    const auto changed = [](TBytes image, std::size_t at, std::uint8_t value) {
        image.at(at) = value;
        return image;
    };
    // A map whose free run list ends inside a run, its check byte made right again.
    const auto halfRun = [&changed] {
        TBytes image = changed(TADFSBuilder(640).Free(7, 600).Bytes(), 0x1FE, 2);
        image[0x1FF] = TADFSBuilder::MapChecksum(&image[0x100]);
        return image;
    };
    constexpr std::size_t kRootName = 2 * 256 + 0x4CC;
    struct TCase {
        const char* What;
        TBytes Image;
        bool Accepted;
        std::size_t Entries;
    } cases[] = {
        {"parent 2, $ CR", root(2).Bytes(), true, 1},
        {"parent 0, $ CR", root(0).Bytes(), true, 1},
        {"parent 0, $ alone", changed(root(0).Bytes(), kRootName + 1, 0), true, 1},
        {"parent 2, $ alone", changed(root(2).Bytes(), kRootName + 1, 0), true, 1},
        {"blank L disc from an emulator",
         TADFSBuilder(2560).Directory(2, 0, "$", "$").Free(7, 2553).Interleaved(), true, 0},
        {"parent 5", root(5).Bytes(), false, 0},
        {"sector 0 check byte", changed(root(2).Bytes(), 0xFF, 0x00), false, 0},
        {"sector 1 check byte", changed(root(2).Bytes(), 0x1FF, 0x00), false, 0},
        {"free run past the disc", TADFSBuilder(640).Free(600, 41).Bytes(), false, 0},
        {"free run list ends inside a run", halfRun(), false, 0},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(LooksLikeADFSOldMap(c.Image), c.Accepted) << c.What;
        TADFSDisc disc;
        std::string why;
        EXPECT_EQ(ReadADFSDisc(c.Image, disc, why), c.Accepted) << c.What << ": " << why;
        EXPECT_EQ(disc.Entries.size(), c.Entries) << c.What;
    }
}

// The text form: the header, then the tree below "$" with access, and addresses and length
// for files; an empty disc and an unreadable one say so.
TEST(ADFS, TextFormShowsTheTreeWithAddressesLengthAndAccess) {
    using TLines = std::vector<std::string>;
    EXPECT_EQ(
        ADFSDiscLines(Tree(640, 9, 14).Bytes()),
        (TLines{"Title: My disc", "ADFS disc (old map, S format), 640 sectors",
                "Files: 2, directories: 1", "", "--name------access-load----- exec----- length--",
                "$", "  HELLO     LWR    FFFF1900 FFFF8023 0000012C", "  GAMES     DR",
                "    ELITE   WR     FFFF1900 FFFF8023 00000258"}));
    EXPECT_EQ(ADFSDiscLines(TADFSBuilder(2560).Directory(2, 0, "$", "$").Interleaved()),
              (TLines{"Title: $", "ADFS disc (old map, L format), 2560 sectors",
                      "Files: 0, directories: 0", "", "This disc contains no files."}));
    const TLines broken = ADFSDiscLines(Tree(640, 700, 14).Bytes());
    ASSERT_EQ(broken.size(), 1u);
    EXPECT_EQ(broken[0], "This ADFS disc cannot be read: directory $.GAMES points outside the "
                         "disc (sector 700).");
}

TEST(ADFS, CorpusImagesReadOrGiveAReason) {
    BRELK_REQUIRE_CORPUS();
    const std::filesystem::path folder = brelktest::CorpusDir() / "adfs";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "the corpus holds no ADFS images (" << folder << ")";
    // The images whose contents are known: the root title and the count of files.
    const std::map<std::string, std::pair<std::string, std::size_t>> known = {
        {"b-em_MasterWelcome.adl", {"80T Welcome & Utils", 73}},
        {"b2_adl.adl", {"$", 0}},
    };
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        const TBytes image = brelktest::ReadFileBytes(item.path());
        TADFSDisc disc;
        std::string why;
        const auto expected = known.find(item.path().filename().string());
        if (expected != known.end()) {
            ASSERT_TRUE(LooksLikeADFSOldMap(image)) << item.path();
            ASSERT_TRUE(ReadADFSDisc(image, disc, why)) << item.path() << ": " << why;
            EXPECT_EQ(disc.RootTitle, expected->second.first) << item.path();
            EXPECT_EQ(disc.Format, TADFSFormat::L) << item.path();
            EXPECT_TRUE(disc.Interleaved) << item.path();
            const auto files = std::count_if(disc.Entries.begin(), disc.Entries.end(),
                                             [](const TADFSEntry& e) { return !e.IsDirectory; });
            EXPECT_EQ(std::size_t(files), expected->second.second) << item.path();
        }
        if (!ReadADFSDisc(image, disc, why)) {
            EXPECT_FALSE(why.empty()) << item.path();
            continue;
        }
        for (const TADFSEntry& entry : disc.Entries) {
            TBytes data;
            if (!entry.IsDirectory && !ReadADFSFileBytes(image, disc, entry, data, why)) {
                EXPECT_NE(why.find(entry.Path), std::string::npos) << why;
            }
        }
    }
}
