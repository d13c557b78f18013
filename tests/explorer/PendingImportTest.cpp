// The import of pending objects to the card: conversion, stop rules, overwrite answers,
// unreadable files, restore objects; and the space totals.
#include "card/CardFixture.h"
#include "explorer/Gzip.h"
#include "explorer/PendingObjects.h"
#include "explorer/PendingSupport.h"
#include "formats/AcornDFS.h"
#include "formats/DFSBuilder.h"
#include "formats/DFSSideWalk.h"
#include "formats/UEF.h"
#include "formats/UEFBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;
using dfstest::TDFSBuilder;

namespace {

struct PendingImportTest : CardFixture {
    TTempDir Dir;
    TScriptedUser User;
    TImportOptions Options;
    TPendingObjects List;

    // Adds the file Name holding Bytes to the list, analysed.
    TBrelk_RawCatalogueEntry& Pending(const std::string& name,
                                      const std::vector<std::uint8_t>& bytes) {
        const std::string path = Dir.Path(name).string();
        WriteFileBytes(path, bytes);
        AddPendingFile(List, path);
        EXPECT_TRUE(AnalysePendingObject(*List.back(), Options, User)) << name;
        return *List.back();
    }
    std::vector<std::uint8_t> Read(const TBrelkCatEntry& e, std::uint32_t length) {
        std::vector<std::uint8_t> bytes(length);
        EXPECT_TRUE(Card->ReadMMC(bytes.data(), e.Address(), length));
        return bytes;
    }
    TImportResult Import(TJobProgress* progress = nullptr) {
        User.Shown = progress;
        return ImportPendingObjects(*Card, List, Options, User);
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& e : Card->Entries())
            names.push_back(e->Name());
        return names;
    }
};

TEST_F(PendingImportTest, WritesEveryObjectInItsCardForm) {
    const auto disc = TDFSBuilder(800, 51200).Title("SMALL").Add({'$', "F", 0x1000, 2}).Bytes();
    const auto tape = TUEFBuilder()
                          .Text(0x0009, "Tape")
                          .NewFile()
                          .Block(BlockSpec("T", 0, 256, 0))
                          .Block(BlockSpec("T", 1, 17, 0x80))
                          .Bytes;
    const std::vector<std::uint8_t> tool(1000, 0x42);
    Pending("small.ssd", disc);
    TBrelk_RawCatalogueEntry& full = Pending("full.ssd", disc);
    full.Squashed = false;
    full.Entry.SetName("FULL");
    Pending("tape.uef.gz", GzipMember(tape));
    Pending("tool.bin", tool);
    TScriptedProgress progress;
    const TImportResult result = Import(&progress);
    EXPECT_EQ(result.Written, 4u);
    EXPECT_FALSE(result.Stopped);
    EXPECT_FALSE(result.Failed);
    EXPECT_TRUE(User.Errors.empty());
    EXPECT_EQ(progress.Texts, std::vector<std::string>{"Adding files to Brelk..."});
    EXPECT_EQ(progress.Extras, (std::vector<std::string>{"Adding SMALL", "Adding FULL",
                                                         "Adding Tape", "Adding tool.bin"}));
    EXPECT_FLOAT_EQ(progress.Percents.back(), 100.0f);
    EXPECT_EQ(Device.OpenHandles, 0);

    const TBrelkCatEntry* small = Find("SMALL");
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(List[0]->DataSize, 18u * 256); // cut after its last used sector, 17
    EXPECT_EQ(small->Size(), 18u * 256);
    TAcornDFSDiscObject read;
    ASSERT_TRUE(read.AddDiscSide(Read(*small, 1024)));
    EXPECT_EQ(read.aDiscSides[0].SectorCount, 18);

    const TBrelkCatEntry* fullEntry = Find("FULL");
    ASSERT_NE(fullEntry, nullptr);
    EXPECT_EQ(fullEntry->Size(), 204800u);
    TAcornDFSDiscObject expanded;
    ASSERT_TRUE(expanded.AddDiscSide(Read(*fullEntry, 1024)));
    EXPECT_EQ(expanded.aDiscSides[0].SectorCount, 800);

    const TBrelkCatEntry* tapeEntry = Find("Tape");
    ASSERT_NE(tapeEntry, nullptr);
    const auto blocks =
        Concat({TapeBlock(BlockSpec("T", 0, 256, 0)), TapeBlock(BlockSpec("T", 1, 17, 0x80))});
    EXPECT_EQ(Read(*tapeEntry, std::uint32_t(blocks.size())), blocks);
    EXPECT_EQ(List[2]->DataSize, blocks.size());

    const TBrelkCatEntry* toolEntry = Find("tool.bin");
    ASSERT_NE(toolEntry, nullptr);
    EXPECT_EQ(Read(*toolEntry, 1000), tool);
}

TEST_F(PendingImportTest, StopRules) {
    struct Case {
        const char* What;
        std::size_t CancelAt;    // progress report that reports Cancel, 0 never
        std::uint32_t ThirdSize; // a size that does not fit stops the import
        std::size_t Written;
        bool Failed;
        std::size_t Errors;
    };
    const Case cases[] = {
        {"all written", 0, 1000, 5, false, 0},
        {"cancel as the third is announced", 3, 1000, 3, false, 0},
        {"card full at the third", 0, kCard, 2, true, 1},
    };
    for (const Case& c : cases) {
        Reopen(true);
        List.clear();
        User.Errors.clear();
        for (int i = 0; i < 5; ++i) {
            const std::uint32_t size = i == 2 ? c.ThirdSize : 1000;
            Pending("obj" + std::to_string(i), std::vector<std::uint8_t>(size, std::uint8_t(i)));
        }
        TScriptedProgress progress(c.CancelAt);
        const TImportResult result = Import(&progress);
        EXPECT_EQ(result.Written, c.Written) << c.What;
        EXPECT_EQ(result.Stopped, c.CancelAt != 0 || c.Failed) << c.What;
        EXPECT_EQ(result.Failed, c.Failed) << c.What;
        EXPECT_EQ(Card->Entries().size(), c.Written) << c.What;
        ASSERT_EQ(User.Errors.size(), c.Errors) << c.What;
        if (c.Errors != 0) {
            EXPECT_EQ(User.Errors[0], "Could not add 'obj2' to Brelk - Brelk full?");
        }
        EXPECT_EQ(progress.Ends, 1) << c.What;
        EXPECT_EQ(Device.OpenHandles, 0) << c.What;
    }
}

// A card that fails a write is not called full: its own error names the fault, and the import
// stops there.
TEST_F(PendingImportTest, AFailedCardWriteIsNotCalledFull) {
    for (int i = 0; i < 3; ++i)
        Pending("obj" + std::to_string(i), std::vector<std::uint8_t>(100000, std::uint8_t(i)));
    Device.FailWriteNumber = Device.WriteCalls + 1;
    const TImportResult result = Import();
    EXPECT_TRUE(result.Failed);
    EXPECT_TRUE(result.Stopped);
    EXPECT_TRUE(Card->WritesStopped());
    EXPECT_TRUE(User.Errors.empty()) << User.Errors.front();
    ASSERT_FALSE(Reporter.Messages.empty());
    EXPECT_NE(Reporter.Messages.front().find("Could not write to"), std::string::npos)
        << Reporter.Messages.front();
}

TEST_F(PendingImportTest, OverwriteAnswers) {
    struct Case {
        const char* What;
        bool Overwrite;
        bool Ask;
        std::vector<TAnswer> Answers;
        std::size_t Questions;
        std::size_t Written;
        std::size_t Objects; // on the card afterwards (two were there)
        bool Stopped;
        std::uint32_t EliteFill;
    };
    const Case cases[] = {
        {"yes replaces", true, true, {TAnswer::Yes}, 1, 2, 3, false, 0x22},
        {"no skips only this one", true, true, {TAnswer::No}, 1, 1, 3, false, 0x11},
        {"cancel skips and stops", true, true, {TAnswer::Cancel}, 1, 0, 2, true, 0x11},
        {"replace without asking", true, false, {}, 0, 2, 3, false, 0x22},
        {"no overwriting adds beside", false, true, {}, 0, 2, 4, false, 0x11},
    };
    for (const Case& c : cases) {
        Reopen(true);
        List.clear();
        User.Questions.clear();
        Add("Elite", 100, kTypeTool, false, 0x11);
        Add("Elite", 100, kTypeFilingSystem, false, 0x33); // same name, other type
        Options.OverwriteExisting = c.Overwrite;
        Options.AskBeforeOverwrite = c.Ask;
        User.Answers.assign(c.Answers.begin(), c.Answers.end());
        Pending("ELITE", std::vector<std::uint8_t>(100, 0x22)); // a tool named ELITE
        Pending("other", std::vector<std::uint8_t>(100, 0x44));
        const TImportResult result = Import();
        EXPECT_EQ(User.Questions.size(), c.Questions) << c.What;
        if (c.Questions != 0) {
            EXPECT_EQ(User.Questions[0], "ELITE");
        }
        EXPECT_EQ(result.Written, c.Written) << c.What;
        EXPECT_EQ(result.Stopped, c.Stopped) << c.What;
        EXPECT_EQ(Card->Entries().size(), c.Objects) << c.What;
        const TBrelkCatEntry* tool = nullptr;
        for (const auto& e : Card->Entries())
            if (e->Type() == kTypeTool && SameName(e->Name(), "elite") && tool == nullptr)
                tool = e;
        ASSERT_NE(tool, nullptr) << c.What;
        if (c.Overwrite) {
            EXPECT_EQ(Read(*tool, 1)[0], c.EliteFill) << c.What;
        }
    }
}

// Reports progress and empties the list on its second report, as a careless window might.
class TListClearingProgress : public TScriptedProgress {
  public:
    explicit TListClearingProgress(TPendingObjects& list) : List(list) {}
    bool Report(std::size_t done, std::size_t total, const std::string& item) override {
        if (Percents.size() == 1)
            List.clear();
        return TScriptedProgress::Report(done, total, item);
    }
    TPendingObjects& List;
};

TEST_F(PendingImportTest, AListEmptiedDuringAReportIsNotUsed) {
    for (int i = 0; i < 3; ++i)
        Pending("f" + std::to_string(i), {std::uint8_t(i)});
    TListClearingProgress importing(List);
    EXPECT_EQ(Import(&importing).Written, 1u);
    EXPECT_EQ(importing.Ends, 1);
    for (int i = 0; i < 3; ++i)
        AddPendingFile(List, Dir.Path("f" + std::to_string(i)).string());
    TListClearingProgress analysing(List);
    User.Shown = &analysing;
    AnalysePendingObjects(List, Options, User);
    EXPECT_TRUE(List.empty());
    EXPECT_EQ(analysing.Ends, 1);
}

// All answers the overwrite question for the rest of the import: later objects that replace
// others are written without a question.
TEST_F(PendingImportTest, AllToTheOverwriteQuestionReplacesTheRestWithoutAsking) {
    Add("A", 100, kTypeTool, false, 0x11);
    Add("B", 100, kTypeTool, false, 0x11);
    Pending("A", std::vector<std::uint8_t>(100, 0x22));
    Pending("new", std::vector<std::uint8_t>(100, 0x44));
    Pending("B", std::vector<std::uint8_t>(100, 0x22));
    User.Answers = {TAnswer::All, TAnswer::No};
    const TImportResult result = Import();
    EXPECT_EQ(User.Questions, std::vector<std::string>{"A"});
    EXPECT_EQ(result.Written, 3u);
    EXPECT_FALSE(result.Stopped);
    ASSERT_EQ(Card->Entries().size(), 3u);
    for (const auto& e : Card->Entries()) {
        if (!SameName(e->Name(), "new")) {
            EXPECT_EQ(Read(*e, 1)[0], 0x22) << e->Name();
        }
    }
}

// A file that gives no object name is asked about (query::TNameMissing, with its row and
// file) when the import analyses it: Yes leaves it out and goes on, anything else stops.
TEST_F(PendingImportTest, AnObjectWithoutANameIsAskedAboutWhenTheImportAnalysesIt) {
    struct Case {
        TAnswer Answer;
        std::size_t Written;
        bool Stopped;
    };
    for (const Case c : {Case{TAnswer::Yes, 2, false}, Case{TAnswer::No, 1, true},
                         Case{TAnswer::Cancel, 1, true}}) {
        Reopen(true);
        List.clear();
        User.Asked.clear();
        for (const char* name : {"first", "   ", "last"}) {
            WriteFileBytes(Dir.Path(name).string(), {1, 2, 3});
            AddPendingFile(List, Dir.Path(name).string());
        }
        User.Other = c.Answer;
        const TImportResult result = Import();
        ASSERT_EQ(User.Asked.size(), 1u);
        const auto* missing = std::get_if<query::TNameMissing>(&User.Asked[0]);
        ASSERT_NE(missing, nullptr);
        EXPECT_EQ(missing->Row, 1u);
        EXPECT_EQ(missing->File, Dir.Path("   ").string());
        EXPECT_EQ(result.Written, c.Written);
        EXPECT_EQ(result.Stopped, c.Stopped);
        EXPECT_EQ(result.Dropped, 1u);
        EXPECT_EQ(Card->Entries().size(), c.Written);
    }
}

// Each written object is told as it is written, and the progress is the user's.
TEST_F(PendingImportTest, WrittenObjectsAreToldAndTheProgressIsTheUsers) {
    Pending("one", {1});
    Pending("two", {2});
    TScriptedProgress progress;
    Import(&progress);
    ASSERT_EQ(User.Told.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const auto* added = std::get_if<report::TObjectAdded>(&User.Told[i]);
        ASSERT_NE(added, nullptr);
        EXPECT_EQ(added->Object, List[i].get());
    }
    EXPECT_EQ(progress.Texts, std::vector<std::string>{"Adding files to Brelk..."});
    EXPECT_EQ(progress.Ends, 1);
}
TEST_F(PendingImportTest, TypeChosenByTheUserDecidesTheConversion) {
    const auto disc = TDFSBuilder(800, 51200).Title("DISC").Add({'$', "F", 0x1000, 2}).Bytes();
    TBrelk_RawCatalogueEntry& asTool = Pending("a.ssd", disc);
    asTool.Entry.SetType(kTypeTool);
    asTool.Entry.SetSubtype(0);
    asTool.Entry.SetName("ASTOOL");
    const auto tape = TUEFBuilder().NewFile().Block(BlockSpec("T", 0, 10, 0x80)).Bytes;
    TBrelk_RawCatalogueEntry& tapeTool = Pending("t.uef", tape);
    tapeTool.Entry.SetType(kTypeTool);
    tapeTool.Entry.SetName("TAPETOOL");
    TBrelk_RawCatalogueEntry& adfs = Pending("adfs.adl", disc);
    adfs.Entry.SetSubtype(kSubtypeADFS);
    adfs.Entry.SetName("ADFS");
    EXPECT_EQ(Import().Written, 3u);
    EXPECT_EQ(Find("ASTOOL")->Size(), 51200u);
    EXPECT_EQ(Read(*Find("ASTOOL"), 51200), disc);
    // A tape typed as a tool keeps the whole UEF file, not only its blocks.
    EXPECT_EQ(Read(*Find("TAPETOOL"), std::uint32_t(tape.size())), tape);
    EXPECT_EQ(Read(*Find("ADFS"), 51200), disc);
}

TEST_F(PendingImportTest, RestoreObjectsAreWrittenByteForByte) {
    const auto tape = TUEFBuilder().NewFile().Block(BlockSpec("T", 0, 10, 0x80)).Bytes;
    const auto disc = TDFSBuilder(800, 51200).Title("DISC").Bytes();
    const auto packed = GzipMember({1, 2, 3});
    for (const auto* bytes : {&tape, &disc, &packed}) {
        const std::string path = Dir.Path("img" + std::to_string(List.size())).string();
        WriteFileBytes(path, *bytes);
        AddPendingFile(List, path);
        auto& object = *List.back();
        object.Raw = object.Analysed = true;
        object.FileSize = object.DataSize = std::uint32_t(bytes->size());
        object.Entry.SetType(kTypeImage);
        object.Entry.SetSubtype(bytes == &tape ? kSubtypeTape : kSubtypeDFS);
        object.Entry.SetName("R" + std::to_string(List.size()));
    }
    EXPECT_EQ(Import().Written, 3u);
    EXPECT_EQ(Read(*Find("R1"), std::uint32_t(tape.size())), tape);
    EXPECT_EQ(Find("R2")->Size(), 51200u);
    EXPECT_EQ(Read(*Find("R3"), std::uint32_t(packed.size())), packed);
}

TEST_F(PendingImportTest, FilesThatChangedOrVanishedAreSkippedWithAMessage) {
    Pending("first", std::vector<std::uint8_t>(10, 1));
    TBrelk_RawCatalogueEntry& gone = Pending("gone", std::vector<std::uint8_t>(10, 2));
    TBrelk_RawCatalogueEntry& changed = Pending("changed", std::vector<std::uint8_t>(10, 3));
    TBrelk_RawCatalogueEntry& broken = Pending("broken.gz", GzipMember({1, 2}));
    Pending("last", std::vector<std::uint8_t>(10, 4));
    std::filesystem::remove(gone.FileName);
    WriteFileBytes(changed.FileName, std::vector<std::uint8_t>(5, 3));
    auto damaged = GzipMember({1, 2});
    damaged[damaged.size() - 1] ^= 0xFF; // the length in the trailer no longer fits
    WriteFileBytes(broken.FileName, damaged);
    const TImportResult result = Import();
    EXPECT_EQ(result.Written, 2u);
    EXPECT_EQ(result.Skipped, 3u);
    EXPECT_TRUE(result.Failed);
    EXPECT_FALSE(result.Stopped);
    EXPECT_EQ(Names(), (std::vector<std::string>{"first", "last"}));
    EXPECT_EQ(User.Errors,
              (std::vector<std::string>{
                  "Could not read file '" + gone.FileName + "'. It was skipped.",
                  "Could not read file '" + changed.FileName +
                      "': it has changed since it was analysed. It was skipped.",
                  "Could not unpack file '" + broken.FileName + "'. It was skipped."}));
}

TEST_F(PendingImportTest, FilesTooLargeForDiscsAreToolsWrittenAsTheyAreRead) {
    TFakeDevice big(16u << 20);
    Card = std::make_unique<TBrelk>(Reporter, big);
    Card->Initialize(65536, "card.img", kZone);
    ASSERT_TRUE(Card->FormatMMC());
    // A DFS catalogue at the start of a file larger than any disc, past the read pieces too.
    std::vector<std::uint8_t> bytes = TDFSBuilder(800).Title("HUGE").Bytes();
    bytes.resize((5u << 20) + 3);
    for (std::size_t i = 512; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(i * 5 + (i >> 11));
    TBrelk_RawCatalogueEntry& huge = Pending("huge.ssd", bytes);
    EXPECT_EQ(huge.Entry.Type(), kTypeTool);
    EXPECT_EQ(huge.DataSize, bytes.size());
    EXPECT_EQ(huge.Note, "too large for a disc or tape image");
    std::vector<std::uint8_t> grown = bytes;
    grown.push_back(0);
    TBrelk_RawCatalogueEntry& changed = Pending("grown.bin", bytes);
    WriteFileBytes(changed.FileName, grown);

    const TImportResult result = Import();
    EXPECT_EQ(result.Written, 1u);
    EXPECT_EQ(User.Errors, std::vector<std::string>{"Could not read file '" + changed.FileName +
                                                    "': it has changed since it was analysed. "
                                                    "It was skipped."});
    const TBrelkCatEntry* written = Find("huge.ssd");
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(written->Size(), (5u << 20) + 512);
    EXPECT_EQ(Read(*written, std::uint32_t(bytes.size())), bytes);
    Card.reset(); // before the device it writes to
}

TEST_F(PendingImportTest, SpaceTotals) {
    struct Case {
        const char* What;
        std::vector<std::uint32_t> ToolSizes;
        bool WithDisc;
        std::int64_t Needed;
    };
    const Case cases[] = {
        {"empty list", {}, false, 64},
        {"disc and 1000-byte tool", {1000}, true, 204800 + 1024 + 2 * 512 + 64},
        {"nine tools of one byte", std::vector<std::uint32_t>(9, 1), false,
         9 * 512 + 9 * 512 + 128},
    };
    for (const Case& c : cases) {
        List.clear();
        if (c.WithDisc)
            Pending("d.ssd", TDFSBuilder(800).Title("D").Bytes());
        for (std::uint32_t size : c.ToolSizes)
            Pending("t" + std::to_string(List.size()), std::vector<std::uint8_t>(size, 1));
        const TSpaceTotals totals = ComputeSpaceTotals(List, Card.get(), kZone);
        EXPECT_EQ(totals.Needed, c.Needed) << c.What;
        const std::int64_t free =
            std::int64_t(Card->State().CardSize) - std::int64_t(Card->GetUsedBytes()) - kZone;
        EXPECT_EQ(totals.Left, free - c.Needed) << c.What;
        const TSpaceTotals noCard = ComputeSpaceTotals(List, nullptr, kZone);
        EXPECT_EQ(noCard.Needed, c.Needed) << c.What;
        EXPECT_EQ(noCard.Left, -std::int64_t(kZone) - c.Needed) << c.What;
    }
    // A deleted-type object adds only its header.
    List.clear();
    Pending("t", std::vector<std::uint8_t>(1000, 1)).Entry.SetType(kTypeDeleted);
    EXPECT_EQ(ComputeSpaceTotals(List, Card.get(), kZone).Needed, 512 + 64);
}

TEST_F(PendingImportTest, ReadAsTexts) {
    EXPECT_STREQ(ReadAsText(TReadAs::Tool), "tool");
    EXPECT_STREQ(ReadAsText(TReadAs::DFS), "dfs");
    EXPECT_STREQ(ReadAsText(TReadAs::DFSInterleaved), "dfs-interleaved");
    EXPECT_STREQ(ReadAsText(TReadAs::Tape), "tape");
}

} // namespace

namespace {

// Every real image is imported in its card form: discs with all their sides, tapes as the
// blocks that the UEF reader collects.
struct CorpusImportTest : PendingImportTest {
    void SetUp() override {
        Device.Bytes.assign(16u << 20, 0);
        Reopen(true);
    }
};

TEST_F(CorpusImportTest, EveryImageLandsInItsCardForm) {
    BRELK_REQUIRE_CORPUS();
    for (const char* folder : {"dfs", "uef"})
        AddPendingPath(List, (CorpusDir() / folder).string(), User);
    AnalysePendingObjects(List, Options, User);
    ASSERT_GE(List.size(), 25u);
    Options.OverwriteExisting = false; // some titles repeat
    const TImportResult result = Import();
    EXPECT_EQ(result.Written, List.size());
    EXPECT_TRUE(User.Errors.empty());
    for (const auto& object : List) {
        const TBrelkCatEntry* entry = nullptr;
        for (const auto& e : Card->Entries())
            if (e->Address() == object->Entry.Address())
                entry = e;
        ASSERT_NE(entry, nullptr) << object->FileName;
        const auto stored = Read(*entry, object->DataSize);
        if (object->ReadAs == TReadAs::Tape) {
            std::vector<std::uint8_t> bytes = ReadFileBytes(object->FileName);
            if (object->Gzip) {
                std::vector<std::uint8_t> unpacked;
                ASSERT_EQ(GunzipAll(bytes.data(), bytes.size(), unpacked), TGunzipResult::Ok);
                bytes = unpacked;
            }
            TUEF tape;
            ASSERT_TRUE(tape.FetchUEF(bytes)) << object->FileName;
            EXPECT_EQ(stored, tape.UseableData) << object->FileName;
        } else if (object->ReadAs != TReadAs::Tool) {
            TAcornDFSDiscObject walked;
            EXPECT_EQ(WalkDFSSides(walked, stored.data(), stored.size()), object->DiscSides)
                << object->FileName;
        }
    }
}

} // namespace

namespace {

// Refuses the objects named in Refused, as brelk leaves out one on the card already.
class TAcceptingUser : public TScriptedUser {
  public:
    bool Accept(TBrelk_RawCatalogueEntry& object) {
        Accepted.push_back(object.Entry.Name());
        return object.Entry.Name() != Refused;
    }
    std::string Refused;
    std::vector<std::string> Accepted;
};

// Objects that reach the import unanalysed are analysed from the bytes it reads and put on
// the card exactly as when they were analysed first: every card byte the same. Files that
// fail the analysis, or that AcceptAnalysed refuses, are dropped and counted.
TEST_F(PendingImportTest, UnanalysedObjectsAreAnalysedAsTheyAreReadWithTheSameCardBytes) {
    const auto side0 = TDFSBuilder(80, 20480).Title("SIDEA").AddWithData({'$', "A", 900, 20}, 1);
    const auto side1 = TDFSBuilder(80, 20480).Title("SIDEB").AddWithData({'$', "B", 900, 9}, 2);
    std::vector<std::uint8_t> large = TDFSBuilder(800).Title("HUGE").Bytes();
    large.resize((5u << 20) + 3);
    for (std::size_t i = 512; i < large.size(); ++i)
        large[i] = std::uint8_t(i * 7 + (i >> 12));
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files = {
        {"short.ssd",
         TDFSBuilder(800, 133120).Title("SHORT").AddWithData({'$', "F", 30000, 300}, 3).Bytes()},
        {"cut.ssd",
         TDFSBuilder(800, 40960).Title("CUT").AddWithData({'$', "F", 3000, 300}, 4).Bytes()},
        {"both.dsd", Interleave(side0.Bytes(), side1.Bytes())},
        {"tape.uef.gz",
         GzipMember(
             TUEFBuilder().Text(0x0009, "Tape").NewFile().Block(BlockSpec("T", 0, 256, 0)).Bytes)},
        {"tool.bin", std::vector<std::uint8_t>(3000, 0x42)},
        {"huge.bin", large},
        {"empty.bin", {}},
        {"refused.bin", {1, 2, 3}},
    };
    std::vector<std::string> paths;
    for (const auto& [name, bytes] : files) {
        paths.push_back(Dir.Path(name).string());
        WriteFileBytes(paths.back(), bytes);
    }
    paths.push_back(Dir.Path("missing.bin").string());
    // The same list imported onto a fresh card: analysed first, or left to the import.
    auto importOnto = [&](TFakeDevice& device, bool analyseFirst, TAcceptingUser& user) {
        Card = std::make_unique<TBrelk>(Reporter, device);
        Card->Initialize(65536, "card.img", kZone);
        EXPECT_TRUE(Card->FormatMMC());
        List.clear();
        for (const std::string& path : paths)
            AddPendingFile(List, path);
        TImportOptions options = Options;
        options.AcceptAnalysed = [&user](TBrelk_RawCatalogueEntry& object) {
            return user.Accept(object);
        };
        if (analyseFirst) {
            AnalysePendingObjects(List, options, user);
            std::erase_if(List, [&](const auto& object) { return !user.Accept(*object); });
        }
        const TImportResult result = ImportPendingObjects(*Card, List, options, user);
        EXPECT_TRUE(Card->FlushMMCDevice());
        Card.reset();
        return result;
    };
    TFakeDevice first(16u << 20);
    TAcceptingUser analysedUser;
    analysedUser.Refused = "refused.bin";
    const TImportResult analysed = importOnto(first, true, analysedUser);
    TAcceptingUser user;
    user.Refused = "refused.bin";
    TFakeDevice second(16u << 20);
    const TImportResult result = importOnto(second, false, user);

    EXPECT_EQ(result.Written, 6u);
    EXPECT_EQ(analysed.Written, 6u);
    EXPECT_EQ(result.Dropped, 3u); // the empty, the refused and the missing file
    EXPECT_EQ(result.Skipped, 0u);
    EXPECT_FALSE(result.Failed);
    EXPECT_EQ(user.Errors, analysedUser.Errors);
    EXPECT_EQ(user.Errors, std::vector<std::string>{"The file '" + paths[6] +
                                                    "' is empty; an object needs at least "
                                                    "one byte."});
    EXPECT_EQ(user.Accepted, (std::vector<std::string>{"SHORT", "CUT", "SIDEA", "Tape", "tool.bin",
                                                       "huge.bin", "refused.bin"}));
    EXPECT_TRUE(second.Bytes == first.Bytes);
}

} // namespace
