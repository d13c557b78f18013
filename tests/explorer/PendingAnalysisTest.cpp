// Analysing PC files into pending objects: names, types, squash state, sizes, notes, gzip
// files and the walking of folders.
#include "explorer/ContentAnalysis.h"
#include "explorer/PendingObjects.h"
#include "explorer/PendingSupport.h"
#include "formats/ADFSBuilder.h"
#include "formats/DFSBuilder.h"
#include "formats/DFSSideWalk.h"
#include "formats/UEFBuilder.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace brelk;
using namespace brelktest;
using dfstest::TDFSBuilder;
namespace fs = std::filesystem;

namespace {

struct PendingAnalysisTest : ::testing::Test {
    TTempDir Dir;
    TScriptedUser User;
    TImportOptions Options;

    // Writes Bytes to the file Name (folders created) and returns its path.
    std::string File(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path path = Dir.Path(name);
        fs::create_directories(path.parent_path());
        WriteFileBytes(path, bytes);
        return path.string();
    }
    // Analyses the file Name holding Bytes; the pending object is returned whatever the result.
    TBrelk_RawCatalogueEntry Analyse(const std::string& name,
                                     const std::vector<std::uint8_t>& bytes, bool* kept = nullptr) {
        TBrelk_RawCatalogueEntry object;
        object.FileName = File(name, bytes);
        const bool ok = AnalysePendingObject(object, Options, User);
        if (kept != nullptr)
            *kept = ok;
        return object;
    }
};

TEST(GuessDistributorTest, LinuxPaths) {
    struct Case {
        const char* Path;
        const char* Distributor;
        const char* BaseName;
    };
    const Case cases[] = {
        {"/Games/Acornsoft/Elite/Elite.ssd", "Acornsoft", "Elite"},
        {"/Games/elite/Elite.ssd", "elite", "Elite"},
        {"/Elite.ssd", "", "Elite"},
        {"Elite.ssd", "", "Elite"},
        {"/a/game.old.ssd", "a", "game.old"},
        {"/a/noext", "a", "noext"},
        {"/Elite/Elite/Elite.ssd", "", "Elite"},
        {"games/Superior/Repton.uef", "Superior", "Repton"},
        {"/a//Repton.uef", "", "Repton"}, // the empty name between the separators is innermost
        {"/x.y/file", "x.y", "file"},
    };
    for (const Case& c : cases) {
        const TDistributorGuess guess = GuessDistributor(c.Path);
        EXPECT_EQ(guess.Distributor, c.Distributor) << c.Path;
        EXPECT_EQ(guess.BaseName, c.BaseName) << c.Path;
    }
}

TEST_F(PendingAnalysisTest, NamesOfDiscsTapesAndTools) {
    const auto elite = TDFSBuilder(800).Title("ELITE").Bytes();
    const auto untitled = TDFSBuilder(800).Bytes();
    const auto spaced = TDFSBuilder(800).Title("MY GAME").Bytes();
    const auto tape =
        TUEFBuilder().Text(0x0009, "Repton 2").NewFile().Block(BlockSpec("R", 0, 10, 0x80)).Bytes;
    const auto untitledTape = TUEFBuilder().NewFile().Block(BlockSpec("R", 0, 10, 0x80)).Bytes;
    const std::vector<std::uint8_t> rom(16384, 0xEA);
    struct Case {
        const char* File;
        const std::vector<std::uint8_t>* Bytes;
        bool Guess;
        const char* Name;
        std::uint8_t Type;
        std::uint8_t Subtype;
    };
    const Case cases[] = {
        {"Games/Acornsoft/Elite/Elite.ssd", &elite, true, "Acornsoft.ELITE", 3, 1},
        {"Games/Acornsoft/Elite/Elite.ssd", &elite, false, "ELITE", 3, 1},
        {"Elite.ssd", &untitled, false, "Elite", 3, 1},
        {"Acornsoft/Elite.ssd", &untitled, true, "Acornsoft.Elite", 3, 1},
        {"mygame.ssd", &spaced, false, "MYGAME", 3, 1},
        {"My Tool.rom", &rom, false, "MyTool.rom", 2, 0},
        {"Superior/Repton.uef", &tape, true, "Superior.Repton2", 3, 3},
        {"Superior/Repton.uef", &untitledTape, true, "Superior.Repton", 3, 3},
        {"Superior/Repton.uef", &untitledTape, false, "Repton", 3, 3},
    };
    for (const Case& c : cases) {
        Options.GuessDistributor = c.Guess;
        // Each case in a folder of its own below the temporary folder's own name.
        const std::string name = "case" + std::to_string(&c - cases) + "/" + c.File;
        bool kept = false;
        const auto object = Analyse(name, *c.Bytes, &kept);
        ASSERT_TRUE(kept) << c.File;
        EXPECT_EQ(object.Entry.Name(), c.Name) << c.File << " guess " << c.Guess;
        EXPECT_EQ(object.Entry.Type(), c.Type) << c.File;
        EXPECT_EQ(object.Entry.Subtype(), c.Subtype) << c.File;
        EXPECT_TRUE(object.Analysed);
    }
    EXPECT_TRUE(User.Errors.empty());
}

// An untitled disc or tape is named after its file without the extension, whatever the
// extension and the kind; a file without one keeps its whole name.
TEST_F(PendingAnalysisTest, UntitledImagesTakeTheFileNameWithoutItsExtension) {
    const auto dfs = TDFSBuilder(800).Bytes();
    const auto adfs = adfstest::TADFSBuilder(640).Directory(2, 2, "$", "$").Bytes();
    const auto tape = TUEFBuilder().NewFile().Block(BlockSpec("R", 0, 10, 0x80)).Bytes;
    const auto packedTape = GzipMember(tape);
    const auto packedDisc = GzipMember(dfs);
    const struct {
        const char* File;
        const std::vector<std::uint8_t>* Bytes;
        const char* Name;
        std::uint8_t Subtype;
    } cases[] = {
        {"Game.ssd", &dfs, "Game", kSubtypeDFS},
        {"Twin.dsd", &dfs, "Twin", kSubtypeDFS},
        {"b2_adl.adl", &adfs, "b2_adl", kSubtypeADFS},
        {"Hard.adf", &adfs, "Hard", kSubtypeADFS},
        {"Repton.uef", &tape, "Repton", kSubtypeTape},
        {"Game", &dfs, "Game", kSubtypeDFS},
        {"Packed.uef.gz", &packedTape, "Packed", kSubtypeTape},
        {"Packed.SSD.GZ", &packedDisc, "Packed", kSubtypeDFS},
        {".ssd", &dfs, ".ssd", kSubtypeDFS},
    };
    for (const auto& c : cases) {
        const std::string name = "untitled" + std::to_string(&c - cases) + "/" + c.File;
        bool kept = false;
        const auto object = Analyse(name, *c.Bytes, &kept);
        ASSERT_TRUE(kept) << c.File;
        EXPECT_EQ(object.Entry.Name(), c.Name) << c.File;
        EXPECT_EQ(object.Entry.Subtype(), c.Subtype) << c.File;
    }
}

// What the analysis says about a disc file whose bytes and catalogue disagree, and what the
// card then gets: a side cut short is padded to its last used sector, bytes behind the last
// side are named, an empty file is said to be empty.
TEST_F(PendingAnalysisTest, NotesOnDiscsThatDoNotFitTheirFiles) {
    const auto full = TDFSBuilder(800, 204800).Title("T").AddWithData({'$', "F", 15360, 720}, 0x66);
    const auto whole = full.Bytes();
    const std::vector<std::uint8_t> truncated(whole.begin(), whole.begin() + 51200);
    auto flat = whole;
    flat.resize(409600, 0xE5);
    struct Case {
        const char* File;
        std::vector<std::uint8_t> Bytes;
        TReadAs ReadAs;
        std::uint32_t DataSize;
        bool Squashed;
        const char* Note;
    };
    const Case cases[] = {
        {"sound.ssd", whole, TReadAs::DFS, 204800, false, ""},
        {"download.ssd", truncated, TReadAs::DFS, 780 * 256, true,
         "the file ends before the last used sector: padded with zeros"},
        {"flat.ssd", flat, TReadAs::DFS, 409600, false,
         "204800 bytes after the last side not kept: DFS catalogue whose title begins with byte "
         "0xE5"},
        {"empty.ssd", {}, TReadAs::Tool, 0, false, "the file is empty"},
    };
    for (const Case& c : cases) {
        const TContentAnalysis found = AnalyseContents(c.Bytes, c.File);
        EXPECT_EQ(found.ReadAs, c.ReadAs) << c.File;
        EXPECT_EQ(found.DataSize, c.DataSize) << c.File;
        EXPECT_EQ(found.Note, c.Note) << c.File;
        if (c.ReadAs == TReadAs::Tool)
            continue;
        EXPECT_EQ(found.DiscSides, 1) << c.File;
        const auto object = Analyse(c.File, c.Bytes);
        EXPECT_EQ(object.Squashed, c.Squashed) << c.File;
        EXPECT_EQ(object.Note, c.Note) << c.File;
        // What the card gets: never a catalogue that states sectors the object lacks.
        std::vector<std::uint8_t> data = c.Bytes;
        auto converted = object;
        ConvertPendingData(converted, data);
        TAcornDFSDiscObject walked;
        ASSERT_EQ(WalkDFSSides(walked, data.data(), data.size()), 1) << c.File;
        EXPECT_GE(data.size(), std::size_t(walked.aDiscSides[0].SectorCount) * 256) << c.File;
        EXPECT_EQ(data.size(), converted.DataSize) << c.File;
        EXPECT_EQ(data[720 * 256], c.Bytes.size() > 720 * 256 ? 0x66 : 0) << c.File;
    }
}

TEST_F(PendingAnalysisTest, SquashStateAndSizes) {
    const auto side = [](std::size_t bytes) { return TDFSBuilder(800, bytes).Title("D").Bytes(); };
    auto two = side(204800);
    const auto second = side(204800);
    two.insert(two.end(), second.begin(), second.end());
    const auto tape = TUEFBuilder().NewFile().Block(BlockSpec("R", 0, 100, 0x80)).Bytes;
    struct Case {
        std::vector<std::uint8_t> Bytes;
        bool Squashed;
        std::uint32_t DataSize;
        std::uint32_t SizeOnCard;
        TReadAs ReadAs;
    };
    const Case cases[] = {
        {side(204800), false, 204800, 204800, TReadAs::DFS},
        {two, false, 409600, 409600, TReadAs::DFS}, // two sides back to back
        {side(102400), true, 102400, 102400, TReadAs::DFS},
        {side(512), true, 512, 512, TReadAs::DFS},
        {side(300), true, 512, 512, TReadAs::DFS},   // shorter than a catalogue: padded
        {side(200), false, 200, 200, TReadAs::Tool}, // its sector count byte is missing
        {tape, false, 100 + 1 + 23, 100 + 1 + 23, TReadAs::Tape}, // usable data, not the file
        {std::vector<std::uint8_t>(16384, 0xEA), false, 16384, 16384, TReadAs::Tool},
    };
    for (const Case& c : cases) {
        const auto object = Analyse("f.bin", c.Bytes);
        const std::string what = std::to_string(&c - cases);
        EXPECT_EQ(object.Squashed, c.Squashed) << what;
        EXPECT_EQ(object.DataSize, c.DataSize) << what;
        EXPECT_EQ(object.FileSize, c.Bytes.size()) << what;
        EXPECT_EQ(object.Entry.Size(), c.SizeOnCard) << what;
        EXPECT_EQ(SizeOnCard(object), c.SizeOnCard) << what;
        EXPECT_EQ(object.ReadAs, c.ReadAs) << what;
        EXPECT_FALSE(object.Gzip);
    }
}

TEST_F(PendingAnalysisTest, SizeOnCardFollowsTypeAndSquashState) {
    TBrelk_RawCatalogueEntry object;
    object.DataSize = 5000;
    object.Entry.SetType(kTypeImage);
    object.Entry.SetSubtype(kSubtypeDFS);
    EXPECT_EQ(SizeOnCard(object), 204800u); // no sides known counts as one
    object.DiscSides = 2;
    EXPECT_EQ(SizeOnCard(object), 409600u);
    object.Squashed = true;
    EXPECT_EQ(SizeOnCard(object), 5000u);
    object.Squashed = false;
    object.Raw = true; // restored unchanged
    EXPECT_EQ(SizeOnCard(object), 5000u);
    object.Raw = false;
    object.Entry.SetSubtype(kSubtypeADFS);
    EXPECT_EQ(SizeOnCard(object), 5000u);
    object.Entry.SetType(kTypeTool);
    UpdateSizeOnCard(object);
    EXPECT_EQ(object.Entry.Size(), 5000u);
}

TEST_F(PendingAnalysisTest, ToolNotesSayWhyADiscLikeFileIsATool) {
    auto countZero = TDFSBuilder(0, 2560).Title("T").Bytes();
    auto badCount = TDFSBuilder(800, 2560).Bytes();
    badCount[256 + 5] = 0x0C;
    auto topBit = TDFSBuilder(800, 2560).Bytes();
    topBit[0] = 0x80;
    auto tooFar = TDFSBuilder(10, 2560).Add({'$', "BIG", 0x1000, 5}).Bytes();
    const auto blocks = TapeBlock(BlockSpec("RAW", 0, 10, 0x80));
    auto badMagic = TUEFBuilder().NewFile().Bytes;
    badMagic[9] = 'A';
    const auto noBlocks = TUEFBuilder().Text(0x0000, "origin").End().Bytes;
    struct Case {
        const char* File;
        std::vector<std::uint8_t> Bytes;
        const char* Note;
    };
    const Case cases[] = {
        {"timing.ssd", countZero, "DFS catalogue with sector count 0"},
        {"odd.DSD", badCount, "DFS catalogue with entry count byte 12, not a multiple of 8"},
        {"top.ssd", topBit, "DFS catalogue whose title begins with byte 0x80"},
        {"far.ssd", tooFar,
         "DFS catalogue with a file reaching sector 20 beyond its sector count 10"},
        {"blocks.bin", blocks, "raw tape blocks without a UEF container"},
        {"bad.bin", badMagic, "UEF magic not followed by a zero byte"},
        {"cut.bin", {'U', 'E', 'F', ' ', 'F', 'i', 'l', 'e', '!', 0}, "UEF header cut short"},
        {"text.uef", std::vector<std::uint8_t>(50, 'x'), "no UEF magic at the start"},
        {"empty.uef", noBlocks, "UEF file without tape blocks"},
        {"count0.rom", countZero, ""}, // no disc name: no reason given
    };
    for (const Case& c : cases) {
        const auto object = Analyse(c.File, c.Bytes);
        EXPECT_EQ(object.ReadAs, TReadAs::Tool) << c.File;
        EXPECT_EQ(object.Entry.Type(), kTypeTool) << c.File;
        EXPECT_EQ(object.Note, c.Note) << c.File;
    }
}

TEST_F(PendingAnalysisTest, GzipFilesAreUnpackedFirst) {
    const auto tape =
        TUEFBuilder().Text(0x0009, "Zap").NewFile().Block(BlockSpec("Z", 0, 40, 0x80)).Bytes;
    const auto disc = TDFSBuilder(800).Title("PACKED").Bytes();
    // Two members in a row unpack to the two halves joined.
    const std::vector<std::uint8_t> head(tape.begin(), tape.begin() + 20);
    const std::vector<std::uint8_t> tail(tape.begin() + 20, tape.end());
    auto twoMembers = GzipMember(head);
    const auto second = GzipMember(tail);
    twoMembers.insert(twoMembers.end(), second.begin(), second.end());
    auto padded = GzipMember(tape);
    padded.resize(padded.size() + 16, 0);
    struct Case {
        const char* File;
        std::vector<std::uint8_t> Bytes;
        TReadAs ReadAs;
        const char* Name;
        std::uint32_t DataSize;
    };
    const Case cases[] = {
        {"zap.uef", GzipMember(tape), TReadAs::Tape, "Zap", 40 + 1 + 23},
        {"zap2.uef", twoMembers, TReadAs::Tape, "Zap", 40 + 1 + 23},
        {"zap3.uef", padded, TReadAs::Tape, "Zap", 40 + 1 + 23},
        {"disc.ssd.gz", GzipMember(disc), TReadAs::DFS, "PACKED", 204800},
        {"text.gz", GzipMember({'h', 'i'}), TReadAs::Tool, "text.gz", 2},
    };
    for (const Case& c : cases) {
        bool kept = false;
        const auto object = Analyse(c.File, c.Bytes, &kept);
        ASSERT_TRUE(kept) << c.File;
        EXPECT_TRUE(object.Gzip) << c.File;
        EXPECT_EQ(object.ReadAs, c.ReadAs) << c.File;
        EXPECT_EQ(object.Entry.Name(), c.Name) << c.File;
        EXPECT_EQ(object.DataSize, c.DataSize) << c.File;
        EXPECT_EQ(object.FileSize, c.Bytes.size()) << c.File;
    }
    EXPECT_TRUE(User.Errors.empty());
}

TEST_F(PendingAnalysisTest, FilesThatCannotBeTakenAreRefusedWithAMessage) {
    auto cut = GzipMember(std::vector<std::uint8_t>(5000, 7));
    cut.resize(cut.size() / 2);
    auto trailing = GzipMember({1, 2, 3});
    trailing.push_back('x');
    struct Case {
        const char* File;
        std::vector<std::uint8_t> Bytes;
        std::string Message; // after the path
    };
    const Case cases[] = {
        {"cut.uef", cut, "': its compressed data is damaged."},
        {"trailing.uef", trailing, "': its compressed data is damaged."},
        {"empty.ssd", {}, "' is empty; an object needs at least one byte."},
    };
    for (const Case& c : cases) {
        User.Errors.clear();
        bool kept = true;
        const auto object = Analyse(c.File, c.Bytes, &kept);
        EXPECT_FALSE(kept) << c.File;
        EXPECT_TRUE(object.Analysed) << c.File;
        ASSERT_EQ(User.Errors.size(), 1u) << c.File;
        EXPECT_TRUE(User.Errors[0].ends_with(Dir.Path(c.File).string() + c.Message))
            << User.Errors[0];
    }
}

TEST_F(PendingAnalysisTest, LargeAndUnreadableFilesAreRefused) {
    TBrelk_RawCatalogueEntry huge;
    huge.FileName = Dir.Path("huge.img").string();
    MakeImageFile(huge.FileName, std::uint64_t(1) << 32); // sparse: takes no room
    EXPECT_FALSE(AnalysePendingObject(huge, Options, User));
    ASSERT_EQ(User.Errors.size(), 1u);
    EXPECT_EQ(User.Errors[0], "The file '" + huge.FileName +
                                  "' is 4 GiB or larger and cannot be put on the Brelk-card.");

    TBrelk_RawCatalogueEntry locked;
    locked.FileName = File("locked.ssd", {1, 2, 3});
    chmod(locked.FileName.c_str(), 0);
    if (geteuid() != 0) { // root reads any file
        EXPECT_FALSE(AnalysePendingObject(locked, Options, User));
        ASSERT_EQ(User.Errors.size(), 2u);
        EXPECT_EQ(User.Errors[1], "Could not open file '" + locked.FileName + "'.");
        EXPECT_EQ(locked.FileSize, 0u);
    }

    TBrelk_RawCatalogueEntry missing;
    missing.FileName = Dir.Path("gone.ssd").string();
    const std::size_t before = User.Errors.size();
    EXPECT_FALSE(AnalysePendingObject(missing, Options, User));
    EXPECT_EQ(User.Errors.size(), before); // dropped without a word
    EXPECT_TRUE(missing.Analysed);
}

TEST_F(PendingAnalysisTest, AnObjectIsAnalysedOnce) {
    TBrelk_RawCatalogueEntry object;
    object.FileName = File("tool.bin", {1, 2, 3});
    ASSERT_TRUE(AnalysePendingObject(object, Options, User));
    WriteFileBytes(object.FileName, TDFSBuilder(800).Title("LATER").Bytes());
    EXPECT_TRUE(AnalysePendingObject(object, Options, User));
    EXPECT_EQ(object.Entry.Type(), kTypeTool);
    EXPECT_EQ(object.DataSize, 3u);
}

TEST_F(PendingAnalysisTest, ListAnalysisDropsFailuresAndReportsOnTheShrinkingLength) {
    TPendingObjects list;
    AddPendingFile(list, File("one.bin", {1}));
    AddPendingFile(list, Dir.Path("missing.bin").string());
    AddPendingFile(list, File("three.bin", {3}));
    TScriptedProgress progress;
    User.Shown = &progress;
    AnalysePendingObjects(list, Options, User);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->Entry.Name(), "one.bin");
    EXPECT_EQ(list[1]->Entry.Name(), "three.bin");
    EXPECT_EQ(progress.Texts, std::vector<std::string>{"Analyzing 3 files..."});
    ASSERT_EQ(progress.Percents.size(), 3u);
    EXPECT_FLOAT_EQ(progress.Percents[0], 100.0f / 3);
    EXPECT_FLOAT_EQ(progress.Percents[1], 200.0f / 3);
    EXPECT_FLOAT_EQ(progress.Percents[2], 100.0f); // 2 of the 2 left
    EXPECT_EQ(progress.Ends, 1);
}

TEST_F(PendingAnalysisTest, CancelKeepsTheObjectInHandAndDropsTheRest) {
    TPendingObjects list;
    for (int i = 0; i < 5; ++i)
        AddPendingFile(list, File("f" + std::to_string(i), {std::uint8_t(i + 1)}));
    TScriptedProgress progress(3);
    User.Shown = &progress;
    AnalysePendingObjects(list, Options, User);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_TRUE(list[2]->Analysed);
    EXPECT_EQ(list[2]->Entry.Name(), "f2");
    EXPECT_EQ(progress.Ends, 1);

    TPendingObjects empty;
    TScriptedProgress none;
    User.Shown = &none;
    AnalysePendingObjects(empty, Options, User);
    EXPECT_TRUE(none.Texts.empty());
}

TEST_F(PendingAnalysisTest, FolderWalkSkipsDotNamesLinksToFoldersAndSpecialFiles) {
    File("top/a.ssd", {1});
    File("top/sub/b.ssd", {2});
    File("top/.hidden", {3});
    File("top/.dotdir/c.ssd", {4});
    File("elsewhere/d.ssd", {5});
    fs::create_directory_symlink(Dir.Path("elsewhere"), Dir.Path("top/linkdir"));
    fs::create_symlink(Dir.Path("elsewhere/d.ssd"), Dir.Path("top/linkfile"));
    mkfifo(Dir.Path("top/pipe").c_str(), 0600);
    TPendingObjects list;
    AddPendingPath(list, Dir.Path("top").string(), User);
    AddPendingPath(list, Dir.Path("nothing-here").string(), User);
    std::vector<std::string> names;
    for (const auto& object : list) {
        names.push_back(fs::path(object->FileName).lexically_relative(Dir.Root()).string());
        EXPECT_FALSE(object->Analysed);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"top/a.ssd", "top/linkfile", "top/sub/b.ssd"}));
    EXPECT_TRUE(User.Errors.empty());
    // A link to a folder given by the user is walked.
    TPendingObjects linked;
    AddPendingPath(linked, Dir.Path("top/linkdir").string(), User);
    EXPECT_EQ(linked.size(), 1u);
}

TEST_F(PendingAnalysisTest, NoMoreThanTheLimitOfPendingObjects) {
    TPendingObjects list;
    for (std::size_t i = 0; i + 1 < kMaxPendingObjects; ++i)
        AddPendingFile(list, "x");
    File("many/1", {1});
    File("many/2", {2});
    File("many/3", {3});
    AddPendingPath(list, Dir.Path("many").string(), User);
    EXPECT_EQ(list.size(), kMaxPendingObjects);
    EXPECT_EQ(list.back()->FileName, Dir.Path("many/1").string());
    ASSERT_EQ(User.Errors.size(), 1u);
    EXPECT_EQ(User.Errors[0], "No more than 65535 objects can be added at a time; '" +
                                  Dir.Path("many/2").string() +
                                  "' and the files after it were left out.");
}

} // namespace

// Old-map ADFS floppies are known by their contents: type 3 subtype 2, the format in the
// note, and the bytes stored as they are (an .adl file keeps its track-by-track layout).
TEST_F(PendingAnalysisTest, ProposesADFSForOldMapFloppies) {
    adfstest::TADFSBuilder games(640);
    games.Directory(2, 2, "$", "Games disc");
    adfstest::TADFSBuilder broken(1280);
    broken.Directory(2, 2, "$", "$", {{"LOST", 900, 0, true}});
    const struct {
        const char* File;
        std::vector<std::uint8_t> Bytes;
        const char* Note;
        const char* Name;
    } cases[] = {
        {"games.ads", games.Bytes(), "ADFS disc (old map, S format)", "Gamesdisc"},
        {"broken.adm", broken.Bytes(),
         "ADFS disc (old map, M format); directory $.LOST is broken (bad signature or sequence "
         "number)",
         "broken"},
        {"big.adl", adfstest::TADFSBuilder(2560).Interleaved(), "ADFS disc (old map, L format)",
         "Roottitle"},
        {"zero.adf", adfstest::TADFSBuilder(640).Directory(2, 0, "$", "Parent zero").Bytes(),
         "ADFS disc (old map, S format)", "Parentzero"},
    };
    for (const auto& c : cases) {
        const TContentAnalysis found = AnalyseContents(c.Bytes, c.File);
        EXPECT_EQ(found.ReadAs, TReadAs::ADFS) << c.File;
        EXPECT_EQ(found.Note, c.Note) << c.File;
        EXPECT_EQ(found.DataSize, c.Bytes.size()) << c.File;
        EXPECT_STREQ(ReadAsText(found.ReadAs), "adfs");
        auto object = Analyse(c.File, c.Bytes);
        EXPECT_EQ(object.Entry.Type(), kTypeImage) << c.File;
        EXPECT_EQ(object.Entry.Subtype(), kSubtypeADFS) << c.File;
        EXPECT_EQ(object.Entry.Name(), c.Name) << c.File;
        EXPECT_EQ(SizeOnCard(object), c.Bytes.size()) << c.File;
        std::vector<std::uint8_t> data = c.Bytes;
        ConvertPendingData(object, data);
        EXPECT_EQ(data, c.Bytes) << c.File << " is stored byte for byte";
    }
    // A DFS disc stays a DFS disc.
    EXPECT_EQ(AnalyseContents(TDFSBuilder().Bytes(), "a.ssd").ReadAs, TReadAs::DFS);
}
