// brelk backup and restore: the backup set on disc, exit codes and messages.
#include "card/CatEntry.h"
#include "cli/Cli.h"
#include "explorer/Backup.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace brelktest;
namespace fs = std::filesystem;

namespace {

struct TResult {
    int Status;
    std::string Out, Err;
};

struct BackupCommandsTest : ::testing::Test {
    TTempDir Dir;
    std::string Card = Dir.Path("card.img").string();
    std::string Index = Dir.Path("set.txt").string();
    std::string Folder = Dir.Path("set").string();

    TResult Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        int status = brelk::cli::RunBrelk(args, out, err);
        return {status, out.str(), err.str()};
    }
    void MakeCard(const std::string& path, const std::string& size = "2M") {
        ASSERT_EQ(Run({"create", path, size}).Status, 0);
        ASSERT_EQ(Run({"format", path}).Status, 0);
    }
    std::string File(const std::string& name, std::size_t size, std::uint8_t seed) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = std::uint8_t(seed + i * 7);
        const std::string path = Dir.Path(name).string();
        WriteFileBytes(path, bytes);
        return path;
    }
    // A card with a tool, a filing system of subtype 91 and a deleted object.
    void FillCard() {
        MakeCard(Card);
        ASSERT_EQ(Run({"put", Card, File("tool", 1000, 1), "--name", "Tools.Dump"}).Status, 0);
        ASSERT_EQ(Run({"put", Card, File("rom", 16384, 2), "--name", "MMFS", "--type", "1",
                       "--subtype", "91"})
                      .Status,
                  0);
        ASSERT_EQ(Run({"put", Card, File("old", 512, 3), "--name", "Old"}).Status, 0);
        ASSERT_EQ(Run({"rm", Card, "Old"}).Status, 0);
    }
    std::string Text(const std::string& path) {
        const auto bytes = ReadFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(BackupCommandsTest, BackupWritesTheIndexAndTheImages) {
    FillCard();
    TResult backup = Run({"backup", Card, Index});
    ASSERT_EQ(backup.Status, 0) << backup.Err;
    EXPECT_EQ(backup.Err, "brelk: Brelk successfully backed up.\n");
    EXPECT_EQ(backup.Out, "Saved 2 of 2 objects: " + Index + " and " + Folder + "/\n");
    const std::string index = Text(Index);
    const brelk::TBackupIndex read = brelk::ParseBackupIndex(index);
    ASSERT_EQ(read.Status, brelk::TIndexStatus::Read);
    ASSERT_EQ(read.Objects.size(), 2u); // the deleted object is left out
    // The tool was added first, so it lies higher on the card and comes second.
    EXPECT_EQ(read.Objects[0].Name, "MMFS");
    EXPECT_NE(index.find("\r\n 1 91 00004000 "), std::string::npos) << index;
    EXPECT_NE(index.find(" IMG00001.bin Tools.Dump\r\n"), std::string::npos) << index;
    EXPECT_EQ(index.find('\n'), index.find("\r\n") + 1);
    // Each image holds the object's whole blocks as the card has them.
    for (const auto& [name, image] :
         {std::pair{"MMFS", "IMG00000.bin"}, std::pair{"Tools.Dump", "IMG00001.bin"}}) {
        const std::string got = Dir.Path(std::string(name) + ".got").string();
        ASSERT_EQ(Run({"get", Card, name, "-o", got}).Status, 0);
        EXPECT_EQ(ReadFileBytes(got), ReadFileBytes(Folder + "/" + image)) << name;
    }
    EXPECT_EQ(ReadFileBytes(Folder + "/IMG00001.bin").size(), 1024u);
}

TEST_F(BackupCommandsTest, BackupFailures) {
    MakeCard(Card);
    const std::string blank = Dir.Path("blank.img").string();
    ASSERT_EQ(Run({"create", blank, "1M"}).Status, 0);
    TResult unformatted = Run({"backup", blank, Index});
    EXPECT_EQ(unformatted.Status, 1);
    EXPECT_NE(unformatted.Err.find("not formatted"), std::string::npos) << unformatted.Err;
    const std::string nowhere = Dir.Path("missing/set.txt").string();
    TResult noIndex = Run({"backup", Card, nowhere});
    EXPECT_EQ(noIndex.Status, 1);
    EXPECT_EQ(noIndex.Err, "brelk: Could not create file '" + nowhere + "'.\n");
    EXPECT_EQ(Run({"backup", Card}).Status, 2);
}

TEST_F(BackupCommandsTest, AnObjectThatCannotBeReadFailsTheBackup) {
    FillCard();
    // The second entry (the first is the deleted one) now claims to lie in the safety zone at the
    // end of the card.
    std::vector<std::uint8_t> card = ReadFileBytes(Card);
    brelk::PutLE32(&card[512 + 64 + 4], (2u << 20) - 1024);
    WriteFileBytes(Card, card);
    fs::create_directory(Folder);
    WriteFileBytes(Folder + "/IMG00001.bin", std::vector<std::uint8_t>(512, 9)); // stale
    TResult backup = Run({"backup", Card, Index});
    EXPECT_EQ(backup.Status, 1);
    EXPECT_NE(backup.Err.find("brelk: Could not read from Brelk.\n"), std::string::npos)
        << backup.Err;
    EXPECT_NE(backup.Err.find("The backup is incomplete: 1 of 2 objects could not be saved"),
              std::string::npos)
        << backup.Err;
    EXPECT_EQ(fs::exists(Folder + "/IMG00000.bin") + fs::exists(Folder + "/IMG00001.bin"), 1);
}

} // namespace
