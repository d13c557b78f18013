// Writes a user can trust: the card's lock, read-only opens, the order of a commit, nothing
// written after a failure, a catalogue changed by another, and faults at every write and sync.
#include "card/CardFixture.h"
#include "card/CatalogueCheck.h"
#include "card/RefusingCalls.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <functional>

using namespace brelk;
using namespace brelktest;

namespace {

struct CommitTest : CardFixture {
    std::unique_ptr<TBrelk> Second(TCardAccess access, TRecordingReporter& reporter) {
        auto card = std::make_unique<TBrelk>(reporter, Device);
        card->Initialize(65536, "card.img", kZone, access);
        return card;
    }
    // A fresh card that reuses freed space, with the objects Build adds and deletes committed;
    // the catalogue then known is the one read afresh (Reopened) or the one this object wrote.
    void CommittedCard(bool reopened, const std::function<void()>& build) {
        Reopen(true);
        Card->SetReuseDeletedSpace(true);
        build();
        ASSERT_TRUE(Card->FlushMMCDevice());
        if (reopened)
            Reopen();
        Card->SetReuseDeletedSpace(true);
    }
    std::vector<std::string> Names(TBrelk& card) {
        std::vector<std::string> names;
        for (const auto& e : card.Entries())
            names.push_back(e->Name());
        return names;
    }
};

TEST_F(CommitTest, OneWriterAtATimeReadersShareAndTheLockComesFirst) {
    // Card holds the exclusive lock (a writer).
    struct Case {
        TCardAccess First, Then;
        bool Allowed;
    };
    for (const Case c : {Case{TCardAccess::ReadWrite, TCardAccess::ReadWrite, false},
                         Case{TCardAccess::ReadWrite, TCardAccess::ReadOnly, false},
                         Case{TCardAccess::ReadOnly, TCardAccess::ReadWrite, false},
                         Case{TCardAccess::ReadOnly, TCardAccess::ReadOnly, true}}) {
        Card.reset();
        TRecordingReporter firstReporter, reporter;
        auto first = Second(c.First, firstReporter);
        const std::size_t reads = Device.Reads.size();
        auto then = Second(c.Then, reporter);
        EXPECT_EQ(then->State().CatalogueValid, c.Allowed);
        if (!c.Allowed) {
            EXPECT_EQ(reporter.Messages,
                      std::vector<std::string>{
                          "Error - The Brelk-card 'card.img:' is in use by another program "
                          "(Resource temporarily unavailable); try again when it has finished"});
            EXPECT_EQ(Device.Reads.size(), reads); // refused before reading anything
        }
        then.reset();
        first.reset();
        EXPECT_EQ(Device.SharedLocks + Device.ExclusiveLocks, 0);
    }
    // Once the holder is gone, a writer gets the card.
    TRecordingReporter reporter;
    EXPECT_TRUE(Second(TCardAccess::ReadWrite, reporter)->State().CatalogueValid);
}

// A reader opens the card once: the device it read the catalogue through serves the object
// read next, piece by piece, and goes when the reading ends; a writer closes it at once.
TEST_F(CommitTest, AReaderOpensTheCardOnceForTheCatalogueAndTheObjects) {
    const std::uint32_t size = 3 * kTransferPiece + 100;
    const TBrelkCatEntry big = Add("BIG", size);
    ASSERT_TRUE(Card->FlushMMCDevice());
    Card.reset();
    for (TCardAccess access : {TCardAccess::ReadOnly, TCardAccess::ReadWrite}) {
        Device.Opens = 0;
        TRecordingReporter reporter;
        auto card = Second(access, reporter);
        const bool reader = access == TCardAccess::ReadOnly;
        EXPECT_EQ(Device.OpenHandles, reader ? 1 : 0);
        ASSERT_TRUE(card->StartBulktransfer());
        std::vector<std::uint8_t> piece(kTransferPiece);
        for (std::uint32_t at = 0; at < size; at += kTransferPiece)
            ASSERT_TRUE(card->ReadMMC(piece.data(), big.Address() + at,
                                      std::min(kTransferPiece, size - at)));
        card->StopBulktransfer();
        EXPECT_EQ(Device.Opens, reader ? 1 : 2);
        EXPECT_EQ(Device.OpenHandles, 0);
    }
}

// On a real image file a reader opens it only for its lock: the device is a second
// descriptor of that open, through which the catalogue and the objects are read.
TEST(CardReader, TheLocksOpenServesAsTheDevice) {
    TTempDir dir;
    const std::string path = dir.Path("card.img").string();
    std::ofstream(path).close();
    std::filesystem::resize_file(path, 4u << 20);
    TRecordingReporter reporter;
    TBrelkCatEntry entry;
    entry.SetType(kTypeTool);
    entry.SetName("DATA");
    entry.SetSize(3000);
    const std::vector<std::uint8_t> data(3000, 0x5C);
    {
        TBrelk writer(reporter);
        ASSERT_TRUE(writer.Initialize(65536, path, 8192));
        ASSERT_TRUE(writer.FormatMMC());
        ASSERT_TRUE(writer.AddObjectToBrelk(entry, data.data(), false));
        ASSERT_TRUE(writer.FlushMMCDevice());
    }
    TRefusingCalls calls;
    calls.Refusal = 0;
    TBrelk reader(reporter, calls);
    ASSERT_TRUE(reader.Initialize(65536, path, 8192, TCardAccess::ReadOnly));
    ASSERT_EQ(reader.Entries().size(), 1u);
    ASSERT_TRUE(reader.StartBulktransfer());
    std::vector<std::uint8_t> read(data.size());
    ASSERT_TRUE(reader.ReadMMC(read.data(), reader.Entries()[0]->Address(), 3000));
    reader.StopBulktransfer();
    EXPECT_EQ(read, data);
    EXPECT_EQ(calls.Opens, 0);
    EXPECT_TRUE(reporter.Messages.empty());
}

TEST_F(CommitTest, ReadOnlyOpenReadsAWriteProtectedCardAndWritesNothing) {
    Add("TOOL", 100);
    ASSERT_TRUE(Card->FlushMMCDevice());
    Card.reset();
    Device.WriteProtected = true;
    Device.OpenModes.clear();
    TRecordingReporter reporter;
    auto card = Second(TCardAccess::ReadOnly, reporter);
    EXPECT_EQ(Names(*card), std::vector<std::string>{"TOOL"});
    EXPECT_TRUE(reporter.Messages.empty());
    for (auto mode : Device.OpenModes)
        EXPECT_EQ(mode, TCardAccess::ReadOnly);
    std::uint8_t byte = 1;
    const int writes = Device.WriteCalls;
    EXPECT_FALSE(card->WriteRawBytes(&byte, 100000, 1));
    EXPECT_EQ(reporter.Messages.back(),
              "Error - The Brelk-card 'card.img:' is open for reading only");
    EXPECT_TRUE(card->FlushMMCDevice()); // nothing pending
    EXPECT_EQ(Device.WriteCalls, writes);
    // A write-protected card opened for writing gives the reason.
    card.reset();
    TRecordingReporter writer;
    EXPECT_FALSE(Second(TCardAccess::ReadWrite, writer)->State().CatalogueValid);
    EXPECT_EQ(writer.Messages.front(),
              "Error - Could not open device 'card.img:' (Read-only file system)");
}

TEST_F(CommitTest, CommitWritesSyncedDataThenTheWholeCatalogueInOneSyncedWrite) {
    TMemoryKeeper keeper;
    Card->SetCatalogueKeeper(&keeper);
    std::vector<std::uint8_t> before(Device.Bytes.begin(), Device.Bytes.begin() + 512);
    Add("A", 100);
    Add("B", 700);
    Device.Writes.clear();
    Device.Events.clear();
    ASSERT_TRUE(Card->FlushMMCDevice());
    // The header before it, with the marker of this change that reached the card first.
    std::copy_n(Device.Bytes.begin() + kRecordMarkerOffset, kRecordMarkerSize,
                before.begin() + kRecordMarkerOffset);
    const std::string events(Device.Events.begin(), Device.Events.end());
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events.substr(events.size() - 3), "sws"); // data synced, catalogue, synced
    EXPECT_EQ(Device.Writes.back().Offset, 0u);
    EXPECT_EQ(Device.Writes.back().Count, 512u + 2 * 64u);
    EXPECT_FALSE(Card->HasUnsavedData());
    // The journal of the change stays as the way back: the catalogue that was replaced.
    EXPECT_TRUE(keeper.Journals.empty());
    ASSERT_EQ(keeper.Undos.size(), 1u);
    TKeptCatalogue kept;
    std::string why;
    ASSERT_TRUE(Card->CatalogueBeforeLastChange(kept, why)) << why;
    EXPECT_EQ(kept.Bytes, before);
    EXPECT_EQ(kept.CardSize, kCard);
    EXPECT_EQ(kept.Card, CardIdentity("card.img"));
    // Once the card moves on from that change, the way back is no longer offered.
    Device.Bytes[512 + 16] ^= 1;
    EXPECT_FALSE(Card->CatalogueBeforeLastChange(kept, why));
    EXPECT_EQ(why, "the card was changed since its last change on this computer");
}

TEST_F(CommitTest, DestructionReportsUnwrittenChangesAndWritesNothing) {
    Add("A", 100);
    const int writes = Device.WriteCalls;
    Card.reset();
    EXPECT_EQ(Device.WriteCalls, writes);
    EXPECT_EQ(
        Reporter.Messages,
        std::vector<std::string>{"Error - Changes to the Brelk-card 'card.img:' were not written"});
    Reopen();
    EXPECT_TRUE(Card->Entries().empty());
}

TEST_F(CommitTest, ACatalogueChangedByAnotherIsNotWrittenOver) {
    Add("A", 100);
    ASSERT_TRUE(Card->FlushMMCDevice());
    Add("B", 100);
    // Another program (the card in the Acorn machine, say) changes the Count meanwhile.
    PutLE32(&Device.Bytes[16], 7);
    const auto card = Device.Bytes;
    EXPECT_FALSE(Card->FlushMMCDevice());
    EXPECT_EQ(Reporter.Messages.front(),
              "Error - The catalogue of the Brelk-card 'card.img:' was changed by another "
              "program since it was read; the changes are not written. Reload the card to see "
              "its present contents.");
    EXPECT_TRUE(Card->WritesStopped());
    EXPECT_TRUE(std::equal(card.begin(), card.begin() + 4096, Device.Bytes.begin()));
}

TEST_F(CommitTest, NoDataIsWrittenOnACardChangedByAnother) {
    Add("A", 100);
    ASSERT_TRUE(Card->FlushMMCDevice());
    // The card went to the Acorn machine and came back with one more object meanwhile.
    PutLE32(&Device.Bytes[16], 2);
    std::vector<std::uint8_t> data(512, 0x77);
    ASSERT_TRUE(Card->WriteRawBytes(data.data(), 200000, 512));
    EXPECT_FALSE(Card->FlushCache());
    EXPECT_EQ(Device.Bytes[200000], 0);
    EXPECT_TRUE(Card->WritesStopped());
    ASSERT_EQ(Reporter.Messages.size(), 1u);
    EXPECT_NE(Reporter.Messages[0].find("was changed by another program"), std::string::npos);
}

// The index of the first write of the catalogue (at address 0), or the number of writes.
std::size_t FirstCatalogueWrite(const TFakeDevice& device) {
    for (std::size_t i = 0; i < device.Writes.size(); ++i)
        if (device.Writes[i].Offset == 0)
            return i;
    return device.Writes.size();
}

TEST_F(CommitTest, SpaceFreedSinceTheLastCommitIsReusedOnlyAfterTheCatalogueIsWritten) {
    for (const bool reopened : {true, false}) {
        SCOPED_TRACE(reopened ? "read at opening" : "written by this object");
        CommittedCard(reopened, [&] { Add("A", 4096); });
        const std::uint32_t freedAt = Find("A")->Address();
        ASSERT_TRUE(Card->DeleteCatEntry(Find("A")));
        Device.Writes.clear();
        Add("B", 4096); // best fit: exactly A's old place
        ASSERT_EQ(Find("B")->Address(), freedAt);
        // The catalogue without A reached the card before any byte of B did.
        const std::size_t catalogueWrite = FirstCatalogueWrite(Device);
        ASSERT_LT(catalogueWrite, Device.Writes.size());
        for (std::size_t i = 0; i < catalogueWrite; ++i)
            EXPECT_LT(Device.Writes[i].Offset + Device.Writes[i].Count, freedAt - 512u);
    }
}

TEST_F(CommitTest, SpaceFreeAtTheLastCommitIsUsedWithoutWritingTheCatalogue) {
    for (const bool reopened : {true, false}) {
        SCOPED_TRACE(reopened ? "read at opening" : "written by this object");
        CommittedCard(reopened, [&] {
            Add("A", 4096);
            Add("B", 4096);
            ASSERT_TRUE(Card->DeleteCatEntry(Find("A")));
        });
        const std::uint32_t hole = Find("B")->Address() + 4096;
        TBrelkCatEntry renamed = *Find("B"); // a change for a commit to write
        renamed.SetName("BB");
        ASSERT_TRUE(Card->UpdateCatEntry(Find("B"), renamed));
        Device.Writes.clear();
        Add("C", 1024); // best fit: the top of A's old place, free on the card already
        EXPECT_EQ(Find("C")->Address(), hole + 512 + 4096 - 1024);
        EXPECT_EQ(FirstCatalogueWrite(Device), Device.Writes.size());
        ASSERT_TRUE(Card->FlushMMCDevice());
        EXPECT_EQ(Names(*Card), (std::vector<std::string>{"BB", "C"}));
    }
}

// A card fixture made by hand, for runs within one test.
struct TRig final : CommitTest {
    void TestBody() override {}
};

// A command on a card with objects: each run starts from the same committed card.
struct TCommand {
    const char* Name;
    void (*Run)(CommitTest& test);
};

const TCommand kCommands[] = {
    {"add", [](CommitTest& t) { t.Add("NEW", 3000, 2, false, 0x5A); }},
    {"replace", [](CommitTest& t) { t.Add("KEEP1", 700, 2, true, 0x6B); }},
    {"delete", [](CommitTest& t) { t.Card->DeleteCatEntry(t.Find("KEEP2")); }},
    {"format", [](CommitTest& t) { t.Card->FormatMMC(); }},
};

// Every object listed on a card must hold the bytes it was written with: the objects of the
// commands above, told apart by name and size.
void ExpectListedObjectsComplete(TFakeDevice& device, const std::vector<TBrelkCatEntry>& entries) {
    for (const auto& e : entries) {
        const bool added = e.Name() == "NEW", replaced = e.Name() == "KEEP1" && e.Size() == 1024;
        const std::uint8_t fill = added ? 0x5A : replaced ? 0x6B : 0xA5;
        const std::uint32_t length = added ? 3000 : replaced ? 700 : 512;
        EXPECT_TRUE(std::all_of(device.Bytes.begin() + e.Address(),
                                device.Bytes.begin() + e.Address() + length,
                                [&](auto b) { return b == fill; }))
            << e.Name();
    }
}

struct TFaultOutcome {
    int Runs = 0, Unchanged = 0, Committed = 0, Repaired = 0;
};

// Runs the command with the fault placed by Inject at every write or sync it makes. A failed
// write models a kill there too: nothing is written after it.
TFaultOutcome RunWithFaults(const TCommand& command, void (*inject)(TFakeDevice&, int),
                            bool countSyncs) {
    TFaultOutcome outcome;
    for (int k = 1;; ++k) {
        TRig t;
        t.SetUp();
        t.Add("KEEP1", 512);
        t.Add("KEEP2", 512);
        EXPECT_TRUE(t.Card->FlushMMCDevice());
        TMemoryKeeper keeper;
        t.Card->SetCatalogueKeeper(&keeper);
        const auto before = t.Device.Bytes;
        const int writes = t.Device.WriteCalls, syncs = t.Device.SyncCalls;
        inject(t.Device, (countSyncs ? syncs : writes) + k);
        command.Run(t);
        const bool ok = t.Card->FlushMMCDevice();
        const int made = countSyncs ? t.Device.SyncCalls - syncs : t.Device.WriteCalls - writes;
        if (made < k) {
            EXPECT_TRUE(ok) << command.Name; // the fault was never reached: a clean run
            break;
        }
        ++outcome.Runs;
        EXPECT_FALSE(ok) << command.Name << " fault " << k;
        EXPECT_FALSE(t.Reporter.Messages.empty()) << command.Name << " fault " << k;
        t.Card.reset();
        // The card as the next opening on this computer finds it: a torn catalogue is
        // undone from the journal.
        TRecordingReporter reporter;
        TBrelk after(reporter, t.Device);
        after.SetCatalogueKeeper(&keeper);
        after.Initialize(65536, "card.img", t.kZone);
        EXPECT_FALSE(CheckCard(after).Damaged()) << command.Name << " fault " << k;
        const bool undone =
            std::find(reporter.Messages.begin(), reporter.Messages.end(),
                      "An interrupted change to the Brelk-card 'card.img:' was undone.") !=
            reporter.Messages.end();
        if (undone)
            ++outcome.Repaired;
        else if (t.Device.Bytes == before)
            ++outcome.Unchanged;
        else
            ++outcome.Committed;
        std::vector<TBrelkCatEntry> listed;
        for (const auto& e : after.Entries())
            listed.push_back(*e);
        ExpectListedObjectsComplete(t.Device, listed);
    }
    return outcome;
}

TEST_F(CommitTest, AFailedWriteOrSyncIsReportedAndLeavesTheCardUsable) {
    auto failWrite = [](TFakeDevice& d, int k) { d.FailWriteNumber = k; };
    auto failSync = [](TFakeDevice& d, int k) { d.FailSyncNumber = k; };
    auto shortWrite = [](TFakeDevice& d, int k) { d.ShortWriteNumber = k; };
    for (const TCommand& command : kCommands) {
        const TFaultOutcome writes = RunWithFaults(command, failWrite, false);
        EXPECT_GT(writes.Runs, 0) << command.Name;
        // A write that fails stores nothing: the card keeps its previous catalogue.
        EXPECT_EQ(writes.Repaired, 0) << command.Name;
        const TFaultOutcome syncs = RunWithFaults(command, failSync, true);
        // Data, the record of the change, the marker that points at it (unless the record
        // lands where the last one lay), then the catalogue.
        EXPECT_GE(syncs.Runs, 3) << command.Name;
        EXPECT_LE(syncs.Runs, 4) << command.Name;
        const TFaultOutcome shorts = RunWithFaults(command, shortWrite, false);
        EXPECT_EQ(shorts.Runs, writes.Runs) << command.Name;
        // A catalogue written half tears where old entries disagree with the new header;
        // the journal mends it.
        if (std::string(command.Name) == "add" || std::string(command.Name) == "replace") {
            EXPECT_GE(shorts.Repaired, 1) << command.Name;
        }
    }
}

} // namespace
