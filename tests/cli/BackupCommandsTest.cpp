// brelk backup and restore: the backup set on disc, exit codes and messages.
#include "card/Brelk.h"
#include "card/CatEntry.h"
#include "cli/Cli.h"
#include "explorer/Backup.h"
#include "support/TestSupport.h"

#include <algorithm>
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
    // Type, subtype, name and bytes of every live object, in catalogue order.
    std::vector<std::string> Objects(const std::string& path) {
        struct TQuiet : brelk::TBrelkReporter {
            void ReportError(const std::string&) override {}
        } quiet;
        brelk::TBrelk card(quiet);
        card.Initialize(65536, path, 8192);
        std::vector<std::string> objects;
        for (const auto& e : card.Entries()) {
            if (e->Type() == brelk::kTypeDeleted)
                continue;
            std::string bytes(e->Size(), '\0');
            card.ReadMMC(bytes.data(), e->Address(), e->Size());
            objects.push_back(std::to_string(e->Type()) + "/" + std::to_string(e->Subtype()) + "/" +
                              e->Name() + "/" + bytes);
        }
        return objects;
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

// An index name without an extension gets ".txt", as in the window: the folder of the images
// is the index path without its extension, which a file of that very name would block.
TEST_F(BackupCommandsTest, AnIndexNameWithoutExtensionGetsTxt) {
    FillCard();
    const std::string given = Dir.Path("bak/noext").string();
    fs::create_directories(Dir.Path("bak"));
    TResult backup = Run({"backup", Card, given});
    ASSERT_EQ(backup.Status, 0) << backup.Err;
    EXPECT_TRUE(fs::is_regular_file(given + ".txt"));
    EXPECT_TRUE(fs::is_regular_file(given + "/IMG00000.bin"));
    const std::string fresh = Dir.Path("fresh.img").string();
    MakeCard(fresh);
    TResult restore = Run({"restore", fresh, given + ".txt", "--verify"});
    EXPECT_EQ(restore.Status, 0) << restore.Err;
    EXPECT_EQ(Objects(fresh).size(), Objects(Card).size());
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

TEST_F(BackupCommandsTest, RoundTripOntoAFreshCard) {
    FillCard();
    ASSERT_EQ(Run({"put", Card, File("disc", 204800, 4), "--name", "Games.Elite", "--type", "3",
                   "--subtype", "1"})
                  .Status,
              0);
    ASSERT_EQ(Run({"put", Card, File("tape", 3000, 5), "--name", "Tapes.Frak", "--type", "3",
                   "--subtype", "3"})
                  .Status,
              0);
    ASSERT_EQ(Run({"backup", Card, Index}).Status, 0);
    const std::string fresh = Dir.Path("fresh.img").string();
    ASSERT_EQ(Run({"create", fresh, "2M"}).Status, 0);
    TResult refused = Run({"restore", fresh, Index});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_NE(refused.Err.find("not formatted; --format formats it first"), std::string::npos)
        << refused.Err;
    TResult restore = Run({"restore", fresh, Index, "--format", "--verify"});
    ASSERT_EQ(restore.Status, 0) << restore.Err;
    EXPECT_EQ(restore.Out, "Restored 4 of 4 objects from " + Index + "\nVerified 4 objects\n");
    EXPECT_EQ(restore.Err, "");
    const auto original = Objects(Card);
    ASSERT_EQ(original.size(), 4u);
    EXPECT_EQ(Objects(fresh), original);
}

TEST_F(BackupCommandsTest, RestoreRefusals) {
    FillCard();
    ASSERT_EQ(Run({"backup", Card, Index}).Status, 0);
    const auto before = ReadFileBytes(Card);
    const std::string other = Dir.Path("other.txt").string();
    struct TCase {
        std::string Index;
        std::string Text; // written to Index unless empty
        std::string Err;
    } const cases[] = {
        {other, "BrelkExplorer backup\r\n",
         "brelk: File '" + other + "' is not a BrelkExplorer backup indexfile.\n"},
        {other, "BrelkExplorer Backup\r\n 2  0 00000200 00000200 IMG00000.bin A\r\n 2 z\r\n",
         "brelk: Line 3 of '" + other +
             "' is not a valid object line: the subtype in columns "
             "4-5 ('z') is not a number from 0 to 255. Nothing has been imported.\n"},
        {other, "BrelkExplorer Backup\r\n 2  0 00000200 00000200 IMG00000.bin A\r\n",
         "brelk: No images to import found in '" + other + "'.\n"},
        {Dir.Path("nothing.txt").string(), "",
         "brelk: Could not open file '" + Dir.Path("nothing.txt").string() + "'.\n"},
    };
    for (const auto& c : cases) {
        if (!c.Text.empty())
            WriteFileBytes(c.Index, std::vector<std::uint8_t>(c.Text.begin(), c.Text.end()));
        TResult restore = Run({"restore", Card, c.Index, "--format"});
        EXPECT_EQ(restore.Status, 1) << c.Text;
        EXPECT_EQ(restore.Err, c.Err);
        EXPECT_EQ(ReadFileBytes(Card), before) << c.Text;
    }
}

TEST_F(BackupCommandsTest, RestoreNextToObjectsOnTheCard) {
    FillCard();
    ASSERT_EQ(Run({"backup", Card, Index}).Status, 0);
    fs::remove(Folder + "/IMG00000.bin"); // MMFS: the others are restored, exit status 1
    const std::string target = Dir.Path("target.img").string();
    MakeCard(target);
    ASSERT_EQ(Run({"put", target, File("mine", 100, 9), "--name", "Tools.Dump"}).Status, 0);
    ASSERT_EQ(Run({"put", target, File("keep", 100, 8), "--name", "Keep"}).Status, 0);
    const std::string missing =
        "brelk: " + Index +
        ": 1 object of the backup set has no image file; it was not restored.\n";
    TResult kept = Run({"restore", target, Index, "--verify"});
    EXPECT_EQ(kept.Status, 1) << kept.Err;
    EXPECT_EQ(kept.Err, "brelk: an object named 'Tools.Dump' is on the card already; it was kept "
                        "(use --replace)\n" +
                            missing);
    EXPECT_EQ(kept.Out, "Restored 0 of 2 objects from " + Index +
                            " (1 without an image file)\nVerified 0 objects\n");
    TResult replaced = Run({"restore", target, Index, "--replace", "--verify"});
    EXPECT_EQ(replaced.Status, 1) << replaced.Err;
    EXPECT_EQ(replaced.Err, missing);
    EXPECT_EQ(replaced.Out, "Restored 1 of 2 objects from " + Index +
                                " (1 without an image file)\nVerified 1 objects\n");
    const auto objects = Objects(target);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].substr(0, 9), "2/0/Keep/");
    EXPECT_EQ(objects[1], Objects(Card)[1]); // Tools.Dump as the backup has it
}

// Two objects of one type and name in a set (add puts them beside each other) both come back
// onto a fresh card and verify against their own images; --replace then renews the first and
// puts the second beside.
TEST_F(BackupCommandsTest, ObjectsOfOneNameInASetAllComeBack) {
    MakeCard(Card);
    fs::create_directories(Dir.Path("a"));
    fs::create_directories(Dir.Path("b"));
    ASSERT_EQ(Run({"add", Card, File("a/Twin", 700, 1)}).Status, 0);
    ASSERT_EQ(Run({"add", Card, File("b/Twin", 1500, 2)}).Status, 0);
    ASSERT_EQ(Run({"backup", Card, Index}).Status, 0);
    const std::string fresh = Dir.Path("fresh.img").string();
    ASSERT_EQ(Run({"create", fresh, "2M"}).Status, 0);
    TResult restore = Run({"restore", fresh, Index, "--format", "--verify"});
    ASSERT_EQ(restore.Status, 0) << restore.Err;
    EXPECT_EQ(restore.Out, "Restored 2 of 2 objects from " + Index + "\nVerified 2 objects\n");
    auto original = Objects(Card), restored = Objects(fresh);
    std::sort(original.begin(), original.end());
    std::sort(restored.begin(), restored.end());
    EXPECT_EQ(restored, original);
    TResult replaced = Run({"restore", fresh, Index, "--replace", "--verify"});
    ASSERT_EQ(replaced.Status, 0) << replaced.Err;
    EXPECT_EQ(replaced.Out, "Restored 2 of 2 objects from " + Index + "\nVerified 2 objects\n");
    EXPECT_EQ(Objects(fresh).size(), 3u);
}

} // namespace
