// Finding files across the discs and tapes of a card: which files the patterns choose, what
// is read of each object, damaged objects passed over, and a cancel.
#include "explorer/FindFiles.h"

#include "DiscCardFixture.h"
#include "formats/DFSBuilder.h"
#include "formats/FindSamples.h"
#include "formats/UEFBuilder.h"

using namespace brelk;
using namespace brelktest;
using dfstest::FileAt;
using dfstest::TDFSBuilder;

namespace {

// What a found file shows: "OBJECT SIDE NAME".
std::string Shown(const TFoundFile& found) {
    return found.Entry->Name() + " " + std::to_string(found.File.Side) + " " + found.File.Name;
}

class TRecordingProgress : public TJobProgress {
  public:
    explicit TRecordingProgress(std::vector<std::string>& log, std::size_t cancelAt = 0)
        : Log(log), CancelAt(cancelAt) {}
    void Begin(const std::string& text, bool, bool) override { Log.push_back("begin " + text); }
    bool Report(std::size_t done, std::size_t total, const std::string& item) override {
        Log.push_back("report " + std::to_string(done) + "/" + std::to_string(total) + " " + item);
        return done == CancelAt;
    }
    void End() override { Log.push_back("end"); }

  private:
    std::vector<std::string>& Log;
    std::size_t CancelAt;
};

struct FindFilesTest : DiscCardFixture {
    const TBrelkCatEntry* AddImage(std::uint8_t subtype, const std::string& name,
                                   const TBytes& bytes) {
        TBrelkCatEntry e = Entry(kTypeImage, subtype, name, std::uint32_t(bytes.size()));
        EXPECT_TRUE(Card->AddObjectToBrelk(e, bytes.data(), false)) << name;
        return Find(name);
    }

    // GAMES: two squashed sides (see FindSamples.h); UTILS: one full side; BROKEN: no DFS
    // catalogue; HARDDISC: ADFS; TAPE1: a tape; ELITE: a tool, never searched.
    void AddCardObjects() {
        AddImage(kSubtypeDFS, "GAMES", findtest::GamesDisc());
        AddImage(kSubtypeDFS, "UTILS", TDFSBuilder().Add(FileAt("ELITE3", 700, 2)).Bytes());
        TBytes broken = TDFSBuilder(10, 2560).Bytes();
        broken[256 + 7] = 0; // sector count 0
        AddImage(kSubtypeDFS, "BROKEN", broken);
        AddImage(kSubtypeADFS, "HARDDISC", findtest::GamesAdfs());
        AddImage(kSubtypeTape, "TAPE1",
                 Concat({TapeBlock(BlockSpec("ELITE", 0, 10, 0x80)),
                         TapeBlock(BlockSpec("LOADER", 0, 4, 0x80))}));
        Add("ELITE", 1024);
    }

    std::vector<std::string> Run(const TFindRequest& request, TFindOutcome* outcome = nullptr,
                                 TJobProgress* progress = nullptr) {
        std::vector<std::string> shown;
        const TFindOutcome done = FindFiles(
            *Card, request, [&](const TFoundFile& found) { shown.push_back(Shown(found)); },
            progress);
        EXPECT_EQ(done.Found, shown.size());
        if (outcome)
            *outcome = done;
        return shown;
    }
};

using TNames = std::vector<std::string>;

TEST_F(FindFilesTest, PatternsAndObjectFilterChooseFiles) {
    AddCardObjects();
    const struct {
        TNames Patterns;
        std::string Object;
        TNames Found;
    } cases[] = {
        {{"ELITE"},
         "",
         {"GAMES 0 $.ELITE", "GAMES 2 B.ELITE", "HARDDISC 0 $.GAMES.ELITE", "TAPE1 0 ELITE"}},
        {{"elite"},
         "",
         {"GAMES 0 $.ELITE", "GAMES 2 B.ELITE", "HARDDISC 0 $.GAMES.ELITE", "TAPE1 0 ELITE"}},
        {{"ELITE#"}, "", {"UTILS 0 $.ELITE3"}},
        {{"E*3"}, "", {"UTILS 0 $.ELITE3"}},
        {{"B.*"}, "", {"GAMES 2 B.ALPHA", "GAMES 2 B.ELITE"}},
        {{"*.ELITE"}, "", {"GAMES 0 $.ELITE", "GAMES 2 B.ELITE", "HARDDISC 0 $.GAMES.ELITE"}},
        {{"$.GAMES.*"}, "", {"HARDDISC 0 $.GAMES.ELITE"}},
        {{"games.elite"}, "", {"HARDDISC 0 $.GAMES.ELITE"}},
        {{"LOADER", "revs"}, "", {"GAMES 0 $.REVS", "TAPE1 0 LOADER"}},
        {{"ELITE"}, "g*", {"GAMES 0 $.ELITE", "GAMES 2 B.ELITE"}},
        {{"ELITE"}, "TAPE#", {"TAPE1 0 ELITE"}},
        {{"NOTHERE"}, "", {}},
        {{}, "GAMES", {"GAMES 0 $.ELITE", "GAMES 0 $.REVS", "GAMES 2 B.ALPHA", "GAMES 2 B.ELITE"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Run({c.Patterns, c.Object}), c.Found)
            << (c.Patterns.empty() ? "" : c.Patterns[0]) << " in " << c.Object;
}

TEST_F(FindFilesTest, FileFieldsAreThoseTheWholeObjectGives) {
    AddCardObjects();
    const TBytes watford = [] {
        TDFSBuilder builder(800, 204800);
        builder.Watford();
        for (int i = 0; i < 33; ++i)
            builder.Add(FileAt("F" + std::to_string(i), 10, std::uint16_t(4 + i)));
        return builder.Bytes();
    }();
    AddImage(kSubtypeDFS, "WATFORD", watford);
    for (const TBrelkCatEntry* entry : Card->Entries()) {
        TMediaKind kind;
        if (!MediaKindOf(*entry, kind) || entry->Name() == "BROKEN")
            continue;
        TMediaListing whole;
        std::string why;
        ASSERT_TRUE(ListMediaFiles(kind, Read(*entry), whole, why)) << entry->Name();
        std::vector<TMediaFile> files;
        ASSERT_TRUE(ListObjectFilesOnCard(*Card, *entry, kind, files, why)) << why;
        ASSERT_EQ(files.size(), whole.Files.size()) << entry->Name();
        for (std::size_t i = 0; i < files.size(); ++i) {
            const TMediaFile& a = files[i];
            const TMediaFile& b = whole.Files[i];
            EXPECT_EQ(std::tie(a.Side, a.Name, a.Load, a.Exec, a.Length, a.Locked, a.Source),
                      std::tie(b.Side, b.Name, b.Load, b.Exec, b.Length, b.Locked, b.Source))
                << entry->Name() << " " << b.Name;
        }
    }
}

TEST_F(FindFilesTest, ReadsOnlyTheCataloguesOfDiscs) {
    for (const char* name : {"ONE", "TWO", "THREE"})
        AddImage(kSubtypeDFS, name, TDFSBuilder().Add(FileAt("ELITE", 9000, 2)).Bytes());
    AddImage(kSubtypeADFS, "HARDDISC", findtest::GamesAdfs());
    ASSERT_TRUE(Card->FlushMMCDevice());
    Reopen();
    Device.Reads.clear();
    EXPECT_EQ(Run({{"ELITE"}, ""}).size(), 4u);
    // Each DFS side: sectors 0 to 3. ADFS: map and root (7 sectors), the one subdirectory
    // (5 sectors), each rounded out to whole blocks.
    EXPECT_LE(Device.BytesRead(), 3 * 1024u + 2048 + 1536);
}

TEST_F(FindFilesTest, DamagedObjectIsPassedOverWithItsReason) {
    AddCardObjects();
    TFindOutcome outcome;
    EXPECT_EQ(Run({{"ELITE3"}, ""}, &outcome), TNames{"UTILS 0 $.ELITE3"});
    ASSERT_EQ(outcome.Skipped.size(), 1u);
    EXPECT_EQ(outcome.Skipped[0].Entry->Name(), "BROKEN");
    EXPECT_EQ(outcome.Skipped[0].Why, "not a DFS disc: DFS catalogue with sector count 0");
    EXPECT_EQ(outcome.Searched, 5u);
    EXPECT_FALSE(outcome.Cancelled);
}

TEST_F(FindFilesTest, ObjectPastTheUsableCardIsPassedOver) {
    AddImage(kSubtypeDFS, "GOOD", TDFSBuilder(10, 2560).Add(FileAt("ELITE", 5, 2)).Bytes());
    ASSERT_TRUE(Card->FlushMMCDevice());
    TBrelkCatEntry far = Entry(kTypeImage, kSubtypeDFS, "FAR", 4096, kLimit - 1024);
    WriteRawCatalogue(2, {*Find("GOOD"), far});
    Reopen();
    TFindOutcome outcome;
    EXPECT_EQ(Run({{"ELITE"}, ""}, &outcome), TNames{"GOOD 0 $.ELITE"});
    ASSERT_EQ(outcome.Skipped.size(), 1u) << outcome.Skipped[0].Why;
    EXPECT_EQ(outcome.Skipped[0].Why, "the object reaches past the usable card");
}

TEST_F(FindFilesTest, ResultsComeAsEachObjectIsReadAndCancelStopsAfterIt) {
    AddCardObjects();
    std::vector<std::string> log;
    TRecordingProgress progress(log, 2);
    TFindOutcome outcome;
    std::vector<std::string> shown;
    FindFiles(
        *Card, {{"ELITE"}, ""},
        [&](const TFoundFile& found) { log.push_back("found " + Shown(found)); }, &progress);
    EXPECT_EQ(log, (TNames{"begin Searching", "report 1/5 BROKEN", "found GAMES 0 $.ELITE",
                           "found GAMES 2 B.ELITE", "report 2/5 GAMES", "end"}));
    outcome = FindFiles(
        *Card, {{"ELITE"}, ""}, [](const TFoundFile&) {}, &progress);
    EXPECT_TRUE(outcome.Cancelled);
    EXPECT_EQ(outcome.Searched, 2u);
    EXPECT_EQ(outcome.Found, 2u);
}

} // namespace
