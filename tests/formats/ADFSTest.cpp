// Old-map ADFS discs: the tree, each file's bytes, both layouts of an L image, and damage.
#include "formats/ADFS.h"
#include "formats/ADFSBuilder.h"
#include "formats/DFSBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

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

TEST(ADFS, CorpusImagesReadOrGiveAReason) {
    BRELK_REQUIRE_CORPUS();
    const std::filesystem::path folder = brelktest::CorpusDir() / "adfs";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "the corpus holds no ADFS images (" << folder << ")";
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        const TBytes image = brelktest::ReadFileBytes(item.path());
        TADFSDisc disc;
        std::string why;
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
