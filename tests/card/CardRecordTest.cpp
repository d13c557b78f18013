// The record of a catalogue change kept on the card: where it goes, how an opening on any
// computer and under any name settles a change cut short from it, tears inside one block, the
// keeper's journal by the card's ID, and a change that can be recorded nowhere.
#include "card/CardRecord.h"
#include "card/CardFixture.h"
#include "card/CardJournal.h"
#include "support/TestSupport.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

using namespace brelk;
using namespace brelktest;

namespace {

const std::string kUndone = "An interrupted change to the Brelk-card 'card.img:' was undone.";

// A keeper whose state folder cannot be written; it records what it was asked to drop.
class TFailingKeeper : public TMemoryKeeper {
  public:
    std::vector<std::string> Dropped;
    int BeginsBeforeDrop = -1;
    bool BeginChange(const TJournalView&, std::string& error) override {
        error = "No space left on device";
        return false;
    }
    bool DropUndo(const std::string& card, std::string&) override {
        Dropped.push_back(card);
        Undos.erase(card);
        return true;
    }
};

struct RecordTest : CardFixture {
    TMemoryKeeper Keeper;
    // A catalogue change and the card before and after it.
    struct TChange {
        std::vector<std::uint8_t> Before, After;
        TCardJournal Journal;
        std::vector<std::string> OldNames, NewNames;
    };

    void SetUp() override {
        Reopen(true);
        Card->SetCatalogueKeeper(&Keeper);
        for (int i = 0; i < 12; ++i)
            Add("OBJ" + std::to_string(10 + i), 1024, kTypeTool, false, std::uint8_t(i + 1));
        ASSERT_TRUE(Card->FlushMMCDevice());
        Keeper.Begun.clear();
    }
    std::unique_ptr<TBrelk> Open(TCardAccess access, TRecordingReporter& reporter,
                                 TCatalogueKeeper* keeper, const std::string& path = "card.img") {
        Card.reset();
        auto card = std::make_unique<TBrelk>(reporter, Device);
        card->SetCatalogueKeeper(keeper);
        card->Initialize(65536, path, kZone, access);
        return card;
    }
    // Removes the first three objects: the header and every entry after them change, one run.
    TChange DeleteFirstThree() {
        TChange change;
        change.Before = Device.Bytes;
        change.OldNames = CatalogueNames(*Card);
        Card->DeleteCatEntries({Find("OBJ10"), Find("OBJ11"), Find("OBJ12")});
        EXPECT_TRUE(Card->FlushMMCDevice());
        change.After = Device.Bytes;
        change.NewNames = CatalogueNames(*Card);
        EXPECT_FALSE(Keeper.Begun.empty());
        if (!Keeper.Begun.empty())
            change.Journal = Keeper.Begun.back();
        return change;
    }
    // Every listed object reads back as Source holds it.
    void ExpectObjectsFrom(TBrelk& card, const std::vector<std::uint8_t>& source) {
        for (const auto& entry : card.Entries()) {
            std::vector<std::uint8_t> data(entry->Size());
            ASSERT_TRUE(card.ReadMMC(data.data(), entry->Address(), entry->Size()));
            EXPECT_TRUE(std::equal(data.begin(), data.end(),
                                   source.begin() + std::ptrdiff_t(entry->Address())))
                << entry->Name();
        }
    }
};

// The card as a write of Run cut after Landed bytes leaves it: new bytes up to there and old
// ones after (NewFirst), or the reverse.
std::vector<std::uint8_t> TornWrite(const std::vector<std::uint8_t>& after, const TJournalRun& run,
                                    std::size_t landed, bool newFirst) {
    std::vector<std::uint8_t> torn = after;
    if (newFirst)
        std::copy(run.Old.begin() + std::ptrdiff_t(landed), run.Old.end(),
                  torn.begin() + std::ptrdiff_t(run.Offset + landed));
    else
        std::copy_n(run.Old.begin(), landed, torn.begin() + std::ptrdiff_t(run.Offset));
    return torn;
}

TEST(RecordMarkerTest, OnlyAWholeMarkerIsRead) {
    std::array<std::uint8_t, 512> header{};
    const TRecordMarker marker{0x1122334455667788ull, 0x30000, 1234};
    PutRecordMarker(header.data(), marker);
    ASSERT_TRUE(ReadRecordMarker(header.data()));
    EXPECT_EQ(*ReadRecordMarker(header.data()), marker);
    // Written over an older marker and torn inside it: never taken.
    std::array<std::uint8_t, 512> older{};
    PutRecordMarker(older.data(), {0x1122334455667788ull, 0x50000, 999});
    for (std::size_t landed : {20u, 28u, 32u, 36u, 39u}) {
        auto torn = older;
        std::copy_n(header.begin() + kRecordMarkerOffset, landed,
                    torn.begin() + kRecordMarkerOffset);
        EXPECT_FALSE(ReadRecordMarker(torn.data())) << landed;
    }
    std::array<std::uint8_t, 512> zero{};
    EXPECT_FALSE(ReadRecordMarker(zero.data()));
}

TEST(RecordPlaceTest, OnlyWhereBothCataloguesLeaveFree) {
    struct TCase {
        const char* Name;
        std::vector<TFreeSpan> New, Old;
        std::uint64_t Length;
        std::optional<std::uint64_t> Place;
    };
    const TCase cases[] = {
        {"free in both", {{1024, 8192}}, {{1024, 8192}}, 1000, 1024},
        {"freed by the change only", {{1024, 1536}, {4096, 8192}}, {{1024, 1536}}, 1000, {}},
        {"the overlap decides", {{1024, 4096}, {6144, 9216}}, {{2048, 7168}}, 1500, 2048},
        {"overlap too short, a later one fits",
         {{1024, 2048}, {8192, 12288}},
         {{1536, 2560}, {9000, 12288}},
         2000,
         9000},
        {"rounded up to whole blocks", {{1024, 2048}}, {{1024, 2048}}, 1025, {}},
        {"nothing free", {}, {{0, 1u << 20}}, 1, {}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(PlaceForRecord(c.New, c.Old, c.Length, 512), c.Place) << c.Name;
}

TEST(RecordPlaceTest, GapsBetweenTakenSpans) {
    const std::vector<std::pair<std::int64_t, std::int64_t>> taken = {
        {-512, 600}, {2048, 4096}, {3000, 3500}, {6000, 9000}};
    const std::vector<TFreeSpan> expected = {{1024, 2048}, {4096, 6000}};
    EXPECT_EQ(GapsBetween(taken, 1024, 8192), expected);
}

// The record lies in space free before and after the change: a removed object's bytes stay,
// so the change can still be taken back.
TEST_F(RecordTest, TheRecordLiesWhereNeitherCatalogueHasAnything) {
    const auto change = DeleteFirstThree();
    const auto marker = ReadRecordMarker(Device.Bytes.data());
    ASSERT_TRUE(marker);
    ASSERT_GT(marker->Length, 0u);
    const std::uint64_t first = marker->Address, end = marker->Address + marker->Length;
    EXPECT_GE(first, 1024u);
    EXPECT_LE(end, kLimit);
    // Not over any object the card had before the change, removed ones included.
    for (std::size_t i = 0; i < change.OldNames.size(); ++i) {
        TBrelkCatEntry entry;
        std::copy_n(change.Before.begin() + std::ptrdiff_t(512 + 64 * i), 64, entry.Bytes.begin());
        EXPECT_TRUE(std::int64_t(end) <= entry.FootprintStart() ||
                    std::int64_t(first) >= entry.FootprintEnd())
            << i;
    }
    std::vector<std::uint8_t> record(change.After.begin() + std::ptrdiff_t(first),
                                     change.After.begin() + std::ptrdiff_t(end));
    TCardJournal onCard;
    ASSERT_TRUE(ParseCardJournal(record, onCard));
    EXPECT_EQ(onCard.Card, CardIdKey(marker->CardId, kCard));
    ASSERT_EQ(onCard.Runs.size(), change.Journal.Runs.size());
    EXPECT_EQ(onCard.Runs[0].Old, change.Journal.Runs[0].Old);
}

// A full card: the only room the change makes is the removed object's space, which the way
// back needs. The change goes to the keeper's journal alone, with a warning.
TEST_F(RecordTest, NoRoomOnTheCardLeavesTheKeepersJournalAndAWarning) {
    Add("BIG", 256 * 1024, kTypeTool, false, 0x77);
    ASSERT_TRUE(Card->FlushMMCDevice());
    const auto free = Card->FreeRecords();
    ASSERT_EQ(free.size(), 1u);
    Add("FILL", free[0].Length - 1024, kTypeTool, false, 0x33);
    ASSERT_TRUE(Card->FlushMMCDevice());
    Reporter.Messages.clear();
    Keeper.Begun.clear();
    const TBrelkCatEntry big = *Find("BIG");
    const auto before = Device.Bytes;
    ASSERT_TRUE(Card->DeleteCatEntry(Find("BIG")));
    ASSERT_TRUE(Card->FlushMMCDevice());
    EXPECT_EQ(Reporter.Messages,
              std::vector<std::string>{
                  "Warning - There is no free space on the Brelk-card 'card.img:' for the record "
                  "of this change; only the journal on this computer can undo it if it is "
                  "interrupted"});
    EXPECT_EQ(Keeper.Begun.size(), 1u);
    EXPECT_TRUE(std::equal(before.begin() + big.FootprintStart(),
                           before.begin() + big.FootprintEnd(),
                           Device.Bytes.begin() + big.FootprintStart()));
    // No record: an older one must never be applied after this change.
    const auto marker = ReadRecordMarker(Device.Bytes.data());
    ASSERT_TRUE(marker);
    EXPECT_EQ(marker->Length, 0u);
}

// The card alone settles a torn change: opened under another name, with no journal on this
// computer, a writer undoes it and a reader shows the catalogue from before.
TEST_F(RecordTest, ATornChangeIsSettledFromTheCardUnderAnotherNameWithoutAJournal) {
    const auto change = DeleteFirstThree();
    ASSERT_EQ(change.Journal.Runs.size(), 1u);
    const auto torn = TornWrite(change.After, change.Journal.Runs[0], 1024, true);
    for (TCardAccess access : {TCardAccess::ReadOnly, TCardAccess::ReadWrite}) {
        Device.Bytes = torn;
        TMemoryKeeper empty;
        TRecordingReporter reporter;
        auto card = Open(access, reporter, &empty, "copy.img");
        EXPECT_EQ(CatalogueNames(*card), change.OldNames);
        ExpectObjectsFrom(*card, change.Before);
        ASSERT_EQ(reporter.Messages.size(), 1u);
        if (access == TCardAccess::ReadOnly) {
            EXPECT_EQ(Device.Bytes, torn);
            EXPECT_TRUE(card->InterruptedChangePending());
        } else {
            EXPECT_EQ(reporter.Messages[0],
                      "An interrupted change to the Brelk-card 'copy.img:' was undone.");
            const TJournalRun& run = change.Journal.Runs[0];
            EXPECT_TRUE(std::equal(run.Old.begin(), run.Old.end(), Device.Bytes.begin()));
        }
    }
}

// A write torn inside one block: new bytes up to the cut and old ones after (or the reverse),
// anywhere in the run. Each is undone from the card's record.
TEST_F(RecordTest, TearsInsideABlockAreUndone) {
    const auto change = DeleteFirstThree();
    ASSERT_EQ(change.Journal.Runs.size(), 1u);
    const TJournalRun& run = change.Journal.Runs[0];
    ASSERT_GT(run.Old.size(), 1060u);
    for (const bool newFirst : {true, false})
        for (std::size_t landed : {30u, 100u, 600u, 700u, 1000u}) {
            SCOPED_TRACE(std::to_string(landed) + (newFirst ? " new first" : " old first"));
            const auto torn = TornWrite(change.After, run, landed, newFirst);
            ASSERT_EQ(CompareWithJournal(change.Journal, torn), TJournalState::Torn);
            Device.Bytes = torn;
            TMemoryKeeper empty;
            TRecordingReporter reporter;
            auto card = Open(TCardAccess::ReadWrite, reporter, &empty);
            EXPECT_EQ(CatalogueNames(*card), change.OldNames);
            ExpectObjectsFrom(*card, change.Before);
            EXPECT_EQ(reporter.Messages, std::vector<std::string>{kUndone});
        }
}

// A record written over since (by a later object) fails its hash: it is not applied, and the
// keeper's journal, where there is one, settles the change instead.
TEST_F(RecordTest, ARecordWrittenOverIsIgnored) {
    const auto change = DeleteFirstThree();
    const auto marker = ReadRecordMarker(change.After.data());
    ASSERT_TRUE(marker && marker->Length > 0);
    auto torn = TornWrite(change.After, change.Journal.Runs[0], 700, true);
    torn[marker->Address + 300] ^= 0x40;
    for (const bool journalKept : {false, true}) {
        SCOPED_TRACE(journalKept ? "journal kept" : "no journal");
        Device.Bytes = torn;
        TMemoryKeeper keeper;
        if (journalKept)
            keeper.Journals[change.Journal.Card] = change.Journal;
        TRecordingReporter reporter;
        auto card = Open(TCardAccess::ReadWrite, reporter, &keeper);
        if (journalKept) {
            EXPECT_EQ(CatalogueNames(*card), change.OldNames);
            EXPECT_EQ(reporter.Messages, std::vector<std::string>{kUndone});
        } else {
            EXPECT_EQ(Device.Bytes, torn); // nothing known to undo it with: left alone
            EXPECT_TRUE(reporter.Messages.empty());
        }
    }
}

// Nothing durable anywhere: refused, the card as it was. With WriteWithoutRecord it goes ahead,
// and the way back from the earlier change, which no longer describes the card, goes first.
TEST_F(RecordTest, AChangeRecordedNowhereIsRefusedUnlessForced) {
    Add("BIG", 256 * 1024, kTypeTool, false, 0x77);
    ASSERT_TRUE(Card->FlushMMCDevice());
    Add("FILL", Card->FreeRecords()[0].Length - 1024, kTypeTool, false, 0x33);
    ASSERT_TRUE(Card->FlushMMCDevice());
    TFailingKeeper keeper;
    keeper.Undos[Card->JournalKey()] = Keeper.Begun.back();
    Card->SetCatalogueKeeper(&keeper);
    Reporter.Messages.clear();
    ASSERT_TRUE(Card->DeleteCatEntry(Find("BIG")));
    const auto before = Device.Bytes;
    EXPECT_FALSE(Card->FlushMMCDevice());
    EXPECT_TRUE(Card->ChangeRefused());
    EXPECT_EQ(Device.Bytes, before);
    ASSERT_EQ(Reporter.Messages.size(), 1u);
    EXPECT_EQ(Reporter.Messages[0],
              "Error - The catalogue change of the Brelk-card 'card.img:' is not written: it can "
              "be recorded neither on the card (no free space) nor on this computer (No space "
              "left on device), so a crash while it is written could not be undone");
    EXPECT_TRUE(keeper.Dropped.empty());
    Card->SetWriteWithoutRecord(true);
    EXPECT_TRUE(Card->FlushMMCDevice());
    EXPECT_FALSE(Card->ChangeRefused());
    EXPECT_EQ(keeper.Dropped,
              (std::vector<std::string>{Card->JournalKey(), CardIdentity("card.img")}));
    EXPECT_TRUE(keeper.Undos.empty());
    EXPECT_EQ(Reporter.Messages.size(), 2u);
    Reopen();
    EXPECT_EQ(Find("BIG"), nullptr);
}

// A keeper that fails while the card has room: the card's record carries the change, and the
// kept way back from the change before is dropped.
TEST_F(RecordTest, AKeeperThatFailsLeavesTheCardsRecord) {
    TFailingKeeper keeper;
    Card->SetCatalogueKeeper(&keeper);
    Add("NEW", 1024);
    ASSERT_TRUE(Card->FlushMMCDevice());
    EXPECT_EQ(keeper.Dropped,
              (std::vector<std::string>{Card->JournalKey(), CardIdentity("card.img")}));
    ASSERT_EQ(Reporter.Messages.size(), 1u);
    EXPECT_NE(Reporter.Messages[0].find("the record on the card can undo it"), std::string::npos);
    const auto marker = ReadRecordMarker(Device.Bytes.data());
    ASSERT_TRUE(marker);
    EXPECT_GT(marker->Length, 0u);
}

// The state folder names a card's journal by its ID: another card at the same path leaves the
// first card's journal alone, and the first card, back in the reader, is settled from it.
TEST(StateFolderRecordTest, AnotherCardAtTheSamePathKeepsTheFirstCardsJournal) {
    TTempDir dir;
    TStateFolderKeeper keeper(dir.Path("state").string());
    TFakeDevice a(CardFixture::kCard), b(CardFixture::kCard);
    b.NextCardId = 0xB0B0B0B0B0B0ull;
    TRecordingReporter reporter;
    auto open = [&](TFakeDevice& device) {
        auto card = std::make_unique<TBrelk>(reporter, device);
        card->SetCatalogueKeeper(&keeper);
        card->Initialize(65536, "card.img", CardFixture::kZone);
        return card;
    };
    auto card = open(a);
    ASSERT_TRUE(card->FormatMMC());
    for (int i = 0; i < 10; ++i) {
        TBrelkCatEntry entry = CardFixture::Entry(kTypeTool, 0, "A" + std::to_string(i), 512);
        std::vector<std::uint8_t> data(512, std::uint8_t(i));
        ASSERT_TRUE(card->AddObjectToBrelk(entry, data.data(), false));
    }
    ASSERT_TRUE(card->FlushMMCDevice());
    // The journal the commit writes is kept: the change is torn on A's card.
    TMemoryKeeper copy;
    card->SetCatalogueKeeper(&copy);
    card->DeleteCatEntries({card->Entries()[0], card->Entries()[1]});
    ASSERT_TRUE(card->FlushMMCDevice());
    const TCardJournal journal = copy.Begun.back();
    std::string error;
    ASSERT_TRUE(keeper.BeginChange(journal, error)) << error;
    a.Bytes = TornWrite(a.Bytes, journal.Runs[0], 512, true);
    // Its record on the card is gone too: only the state folder can settle it now.
    const auto marker = ReadRecordMarker(a.Bytes.data());
    ASSERT_TRUE(marker);
    std::fill_n(a.Bytes.begin() + std::ptrdiff_t(marker->Address), marker->Length, 0);
    card.reset();
    // Card B at the same path: formatted and changed.
    auto other = open(b);
    ASSERT_TRUE(other->FormatMMC());
    TBrelkCatEntry entry = CardFixture::Entry(kTypeTool, 0, "B", 512);
    std::vector<std::uint8_t> data(512, 0xBB);
    ASSERT_TRUE(other->AddObjectToBrelk(entry, data.data(), false));
    ASSERT_TRUE(other->FlushMMCDevice());
    other.reset();
    reporter.Messages.clear();
    card = open(a);
    EXPECT_EQ(reporter.Messages,
              std::vector<std::string>{
                  "An interrupted change to the Brelk-card 'card.img:' was undone."});
    EXPECT_EQ(card->Entries().size(), 10u);
    EXPECT_TRUE(
        std::equal(journal.Runs[0].Old.begin(), journal.Runs[0].Old.end(), a.Bytes.begin()));
}

// Files of cards not seen for 90 days go; a card's own files are kept, however old, when the
// card is seen.
TEST(StateFolderRecordTest, FilesOfCardsNotSeenFor90DaysAreRemoved) {
    TTempDir dir;
    TStateFolderKeeper keeper(dir.Path("state").string());
    std::filesystem::create_directories(keeper.Folder);
    const std::string seen = CardIdKey(0x5EE5, 1u << 20);
    struct TFile {
        std::string Path;
        int AgeDays;
        bool Stays;
    };
    const std::vector<TFile> files = {
        {CardUndoPath(keeper.Folder, "id-00000000000000aa-1048576"), 91, false},
        {CardJournalPath(keeper.Folder, "id-00000000000000bb-1048576"), 120, false},
        {CardUndoPath(keeper.Folder, "/dev/sdq"), 89, true},
        {CardUndoPath(keeper.Folder, seen), 200, true},
        {keeper.Folder + "/notes.txt", 400, true},
    };
    const auto now = std::chrono::system_clock::now();
    for (const TFile& file : files) {
        WriteFileBytes(file.Path, {1, 2, 3});
        const auto when =
            std::chrono::system_clock::to_time_t(now - std::chrono::hours(24 * file.AgeDays));
        const timespec times[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.Path.c_str(), times, 0), 0);
    }
    keeper.CardSeen({seen});
    for (const TFile& file : files)
        EXPECT_EQ(std::filesystem::exists(file.Path), file.Stays) << file.Path;
}

} // namespace
