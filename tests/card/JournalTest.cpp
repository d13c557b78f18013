// The journal of a catalogue rewrite: its file form, how a card's bytes stand to it, and a
// card object that finishes or undoes a rewrite cut short in every way a torn write can leave
// it: each prefix of the rewrite's blocks and mixes of them, for a growing and a shrinking
// catalogue, opened for writing and for reading.
#include "card/CardFixture.h"
#include "card/CardJournal.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <map>

using namespace brelk;
using namespace brelktest;

namespace {

using TJournalKeeper = TMemoryKeeper;

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t fill) {
    return std::vector<std::uint8_t>(n, fill);
}

TEST(CardJournalTest, FileFormRoundTripsAndACutFileIsNoJournal) {
    auto now = Bytes(2600, 0x22);
    std::fill(now.begin() + 512, now.begin() + 1024, 0x11); // the second block stays
    const TCardJournal journal = MakeCardJournal("/dev/sdz", 1u << 20, Bytes(2600, 0x11), now);
    ASSERT_EQ(journal.Runs.size(), 2u);
    EXPECT_EQ(journal.Runs[0].Offset, 0u);
    EXPECT_EQ(journal.Runs[0].Old, Bytes(512, 0x11));
    EXPECT_EQ(journal.Runs[1].Offset, 1024u);
    EXPECT_EQ(journal.Runs[1].NewBlocks.size(), 4u); // 512 + 512 + 512 + 40
    const auto bytes = SerializeCardJournal(journal);
    TCardJournal read;
    ASSERT_TRUE(ParseCardJournal(bytes, read));
    EXPECT_EQ(read.Card, journal.Card);
    EXPECT_EQ(read.CardSize, journal.CardSize);
    ASSERT_EQ(read.Runs.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(read.Runs[i].Offset, journal.Runs[i].Offset);
        EXPECT_EQ(read.Runs[i].Old, journal.Runs[i].Old);
        EXPECT_EQ(read.Runs[i].NewBlocks, journal.Runs[i].NewBlocks);
    }
    for (std::size_t cut = 0; cut < bytes.size(); cut += 7)
        EXPECT_FALSE(ParseCardJournal({bytes.begin(), bytes.begin() + std::ptrdiff_t(cut)}, read))
            << cut;
    auto flipped = bytes;
    flipped[100] ^= 1;
    EXPECT_FALSE(ParseCardJournal(flipped, read));
}

TEST(CardJournalTest, HowTheCardStandsToTheChange) {
    const auto old = Bytes(1300, 0x11);
    auto now = Bytes(1300, 0x22);
    now[700] = 0x11; // the second block differs in one byte only
    const TCardJournal journal = MakeCardJournal("c", 0, old, now);
    auto mix = old;
    std::copy(now.begin(), now.begin() + 512, mix.begin());
    auto foreign = old;
    foreign[1299] = 0x33;
    auto second = old;
    std::copy(now.begin() + 512, now.begin() + 1024, second.begin() + 512);
    const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
        {"new", now},
        {"old", old},
        {"first block new", mix},
        {"second block new", second},
        {"a byte of neither", foreign},
        {"shorter than the range", Bytes(1000, 0x11)}};
    const TJournalState expected[] = {TJournalState::Finished, TJournalState::Untouched,
                                      TJournalState::Torn,     TJournalState::Torn,
                                      TJournalState::Foreign,  TJournalState::Foreign};
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(CompareWithJournal(journal, cases[i].second), expected[i]) << cases[i].first;
}

struct JournalTest : CardFixture {
    TJournalKeeper Keeper;
    void SetUp() override {
        Reopen(true);
        Card->SetCatalogueKeeper(&Keeper);
    }
    // A card object opened afresh; the fixture's own goes first (it holds the card's lock).
    std::unique_ptr<TBrelk> Open(TCardAccess access, TRecordingReporter& reporter) {
        Card.reset();
        auto card = std::make_unique<TBrelk>(reporter, Device);
        card->SetCatalogueKeeper(&Keeper);
        card->Initialize(65536, "card.img", kZone, access);
        return card;
    }
};

TEST_F(JournalTest, ARewriteIsJournalledBeforeAndForgottenAfter) {
    Add("A", 512);
    ASSERT_TRUE(Card->FlushMMCDevice());
    ASSERT_EQ(Keeper.Begun.size(), 1u);
    EXPECT_EQ(Keeper.Ended, 1);
    EXPECT_TRUE(Keeper.Journals.empty());
    // The journal holds the bytes that the rewrite changed: the empty catalogue before it.
    const TCardJournal& journal = Keeper.Begun[0];
    ASSERT_EQ(journal.Runs.size(), 1u);
    EXPECT_EQ(journal.Runs[0].Old.size(), kCatalogueHeaderSize + kCatEntrySize);
    // Known by the card's own ID and size, which its header carries.
    ASSERT_NE(Card->CardIdentifier(), 0u);
    EXPECT_EQ(journal.Card, CardIdKey(Card->CardIdentifier(), kCard));
    const auto marker = ReadRecordMarker(Device.Bytes.data());
    ASSERT_TRUE(marker);
    EXPECT_EQ(marker->CardId, Card->CardIdentifier());
    EXPECT_EQ(GetLE32(&journal.Runs[0].Old[kHeaderCountOffset]), 0u);
    EXPECT_EQ(CompareWithJournal(journal, Device.Bytes), TJournalState::Finished);
    // A commit that adds an entry at the end of a long catalogue writes the header and that
    // entry's block only.
    for (int i = 0; i < 40; ++i)
        Add("B" + std::to_string(i), 512);
    ASSERT_TRUE(Card->FlushMMCDevice());
    Add("ZZZ", 512); // sorted last
    ASSERT_TRUE(Card->FlushMMCDevice());
    const TCardJournal& last = Keeper.Begun.back();
    ASSERT_EQ(last.Runs.size(), 2u);
    EXPECT_EQ(last.Runs[0].Offset, 0u);
    EXPECT_EQ(last.Runs[0].Old.size(), kJournalBlock);
    EXPECT_EQ(last.Runs[1].Offset, 6 * kJournalBlock); // the last entry, 3136 to 3200
    EXPECT_EQ(last.Runs[1].Old.size(), 128u);
}

// Every way a rewrite's blocks can land: each prefix, each single block, every other block.
std::vector<std::vector<bool>> LandedBlocks(std::size_t blocks) {
    std::vector<std::vector<bool>> ways;
    for (std::size_t prefix = 0; prefix <= blocks; ++prefix) {
        std::vector<bool> way(blocks, false);
        std::fill(way.begin(), way.begin() + std::ptrdiff_t(prefix), true);
        ways.push_back(way);
    }
    for (std::size_t one = 0; one < blocks; ++one) {
        std::vector<bool> way(blocks, false);
        way[one] = true;
        ways.push_back(way);
    }
    for (int parity = 0; parity < 2; ++parity) {
        std::vector<bool> way(blocks, false);
        for (std::size_t b = std::size_t(parity); b < blocks; b += 2)
            way[b] = true;
        ways.push_back(way);
    }
    return ways;
}

// A change whose catalogue write is cut short in every way: the next opening for writing
// gives the old catalogue (or the new one when every block landed), every object listed
// reads back, and a reader shows the old catalogue without writing.
void CheckEveryTear(JournalTest& test, const std::function<void()>& change) {
    const std::vector<std::uint8_t> oldCard = test.Device.Bytes;
    const auto oldNames = CardFixture::CatalogueNames(*test.Card);
    change();
    ASSERT_TRUE(test.Card->FlushMMCDevice());
    const std::vector<std::uint8_t> after = test.Device.Bytes;
    const auto newNames = CardFixture::CatalogueNames(*test.Card);
    ASSERT_FALSE(test.Keeper.Begun.empty());
    const TCardJournal journal = test.Keeper.Begun.back();
    ASSERT_FALSE(journal.Runs.empty());
    // Before the catalogue's blocks go out, block 0 takes the marker of the change: the card
    // as the tear finds it holds the journal's old bytes.
    std::vector<std::uint8_t> before = oldCard;
    for (const TJournalRun& run : journal.Runs)
        std::copy(run.Old.begin(), run.Old.end(), before.begin() + std::ptrdiff_t(run.Offset));
    const std::size_t length = journal.Runs.back().Offset + journal.Runs.back().Old.size();
    const std::size_t blocks = (length + kJournalBlock - 1) / kJournalBlock;
    for (const auto& landed : LandedBlocks(blocks)) {
        // The data written before the catalogue is there; the catalogue's blocks are mixed.
        std::vector<std::uint8_t> torn = after;
        std::copy(before.begin(), before.begin() + std::ptrdiff_t(length), torn.begin());
        for (std::size_t b = 0; b < blocks; ++b)
            if (landed[b])
                std::copy_n(after.begin() + std::ptrdiff_t(b * kJournalBlock),
                            std::min(kJournalBlock, length - b * kJournalBlock),
                            torn.begin() + std::ptrdiff_t(b * kJournalBlock));
        const bool whole = std::all_of(landed.begin(), landed.end(), [](bool b) { return b; });
        for (TCardAccess access : {TCardAccess::ReadOnly, TCardAccess::ReadWrite}) {
            test.Device.Bytes = torn;
            test.Keeper.Journals[journal.Card] = journal;
            TRecordingReporter reporter;
            auto card = test.Open(access, reporter);
            ASSERT_TRUE(card->State().CatalogueValid);
            EXPECT_EQ(CardFixture::CatalogueNames(*card), whole ? newNames : oldNames);
            for (const auto& entry : card->Entries()) {
                std::vector<std::uint8_t> data(entry->Size());
                ASSERT_TRUE(card->ReadMMC(data.data(), entry->Address(), entry->Size()));
                const auto& source = whole ? after : before;
                EXPECT_TRUE(std::equal(data.begin(), data.end(),
                                       source.begin() + std::ptrdiff_t(entry->Address())))
                    << entry->Name();
            }
            const bool tornNow =
                !whole &&
                !std::equal(torn.begin(), torn.begin() + std::ptrdiff_t(length), before.begin());
            if (access == TCardAccess::ReadOnly) {
                EXPECT_EQ(test.Device.Bytes, torn); // a reader writes nothing
                EXPECT_EQ(card->InterruptedChangePending(), tornNow);
                EXPECT_EQ(test.Keeper.Journals.count(journal.Card), tornNow ? 1u : 0u);
            } else {
                EXPECT_TRUE(std::equal(test.Device.Bytes.begin(),
                                       test.Device.Bytes.begin() + std::ptrdiff_t(length),
                                       (whole ? after : before).begin()));
                EXPECT_TRUE(test.Keeper.Journals.empty());
                EXPECT_EQ(reporter.Messages.size(), tornNow ? 1u : 0u);
                if (tornNow) {
                    EXPECT_EQ(reporter.Messages[0],
                              "An interrupted change to the Brelk-card 'card.img:' was undone.");
                }
            }
        }
    }
}

TEST_F(JournalTest, AGrowingCatalogueTornInEveryWayIsUndone) {
    for (int i = 0; i < 20; ++i)
        Add("OLD" + std::to_string(i), 512);
    ASSERT_TRUE(Card->FlushMMCDevice());
    CheckEveryTear(*this, [this] {
        for (int i = 0; i < 12; ++i)
            Add("NEW" + std::to_string(i), 1024);
    });
}

// The fault that lost objects: the new header with a smaller count lands first.
TEST_F(JournalTest, AShrinkingCatalogueTornInEveryWayIsUndone) {
    for (int i = 0; i < 30; ++i)
        Add("OBJ" + std::to_string(i), 512, kTypeTool, false, std::uint8_t(i));
    ASSERT_TRUE(Card->FlushMMCDevice());
    CheckEveryTear(*this, [this] {
        std::vector<const TBrelkCatEntry*> gone;
        for (int i = 0; i < 30; i += 3)
            gone.push_back(Find("OBJ" + std::to_string(i)));
        Card->DeleteCatEntries(gone);
    });
}

// The card object keeps its copy of the card's catalogue up to date in place, commit after
// commit: grown, shrunk (old entries stay on the card behind the new end), grown again over
// them, changed in the middle. Each journal holds the card's bytes from before its commit,
// and every commit writes the whole new catalogue, with a journal kept and without one.
TEST_F(JournalTest, CommitAfterCommitTheJournalHoldsTheCardsBytesFromBefore) {
    for (const bool keeper : {true, false}) {
        SCOPED_TRACE(keeper ? "journalled" : "no keeper");
        Reopen(true);
        Card->SetCatalogueKeeper(keeper ? &Keeper : nullptr);
        Keeper.Begun.clear();
        const std::vector<std::function<void()>> changes = {
            [this] {
                for (int i = 0; i < 40; ++i)
                    Add("B" + std::to_string(i), 512);
            },
            [this] {
                std::vector<const TBrelkCatEntry*> gone;
                for (int i = 0; i < 40; i += 2)
                    gone.push_back(Find("B" + std::to_string(i)));
                Card->DeleteCatEntries(gone);
            },
            [this] {
                for (int i = 0; i < 25; ++i)
                    Add("A" + std::to_string(i), 512); // sorted first: every entry moves
            },
            [this] { Add("B21", 1024, kTypeTool, true); },
        };
        for (std::size_t step = 0; step < changes.size(); ++step) {
            SCOPED_TRACE(step);
            std::vector<std::uint8_t> before = Device.Bytes;
            changes[step]();
            ASSERT_TRUE(Card->FlushMMCDevice());
            // The marker of the change reaches block 0 before the rest: the journal keeps the
            // header with it.
            std::copy_n(Device.Bytes.begin() + kRecordMarkerOffset, kRecordMarkerSize,
                        before.begin() + kRecordMarkerOffset);
            const std::size_t length =
                kCatalogueHeaderSize + Card->Entries().size() * kCatEntrySize;
            EXPECT_EQ(Card->CardCatalogueBytes().size(), length);
            EXPECT_TRUE(std::equal(Card->CardCatalogueBytes().begin(),
                                   Card->CardCatalogueBytes().end(), Device.Bytes.begin()));
            for (std::size_t i = 0; i < Card->Entries().size(); ++i)
                EXPECT_TRUE(
                    std::equal(Card->Entries()[i]->Bytes.begin(), Card->Entries()[i]->Bytes.end(),
                               Device.Bytes.begin() +
                                   std::ptrdiff_t(kCatalogueHeaderSize + i * kCatEntrySize)))
                    << i;
            if (!keeper)
                continue;
            ASSERT_EQ(Keeper.Begun.size(), step + 1);
            const TCardJournal& journal = Keeper.Begun.back();
            ASSERT_FALSE(journal.Runs.empty());
            for (const TJournalRun& run : journal.Runs)
                EXPECT_TRUE(std::equal(run.Old.begin(), run.Old.end(),
                                       before.begin() + std::ptrdiff_t(run.Offset)))
                    << run.Offset;
            EXPECT_EQ(CompareWithJournal(journal, Device.Bytes), TJournalState::Finished);
            EXPECT_EQ(CompareWithJournal(journal, before), TJournalState::Untouched);
        }
        const auto names = CatalogueNames(*Card);
        Reopen();
        EXPECT_EQ(CatalogueNames(*Card), names);
        EXPECT_EQ(names.size(), 45u);
    }
}

TEST_F(JournalTest, AJournalThatDoesNotMatchTheCardIsLeftAlone) {
    Add("A", 512);
    ASSERT_TRUE(Card->FlushMMCDevice());
    TCardJournal journal = Keeper.Begun.back();
    journal.Runs[0].Old[0] ^= 0xFF; // neither what the card holds nor the new bytes
    std::fill(journal.Runs[0].NewBlocks.begin(), journal.Runs[0].NewBlocks.end(), 0);
    Keeper.Journals[journal.Card] = journal;
    const auto before = Device.Bytes;
    TRecordingReporter reporter;
    auto card = Open(TCardAccess::ReadWrite, reporter);
    EXPECT_EQ(Device.Bytes, before);
    EXPECT_EQ(CatalogueNames(*card), std::vector<std::string>{"A"});
    EXPECT_EQ(Keeper.Journals.count(journal.Card), 1u);
    ASSERT_EQ(reporter.Messages.size(), 1u);
    EXPECT_NE(reporter.Messages[0].find("does not match the card"), std::string::npos);
}

// The state folder's journal: durable, found again, gone after the change, and a journal cut
// short (the crash came while it was written) is no journal.
TEST(StateFolderJournalTest, BeginFindEndAndACutFile) {
    TTempDir dir;
    TStateFolderKeeper keeper(dir.Path("state").string());
    const std::string card = dir.Path("card.img").string();
    const TCardJournal journal =
        MakeCardJournal(CardIdentity(card), 4096, Bytes(600, 1), Bytes(600, 2));
    std::string error;
    ASSERT_TRUE(keeper.BeginChange(journal, error)) << error;
    const std::string file = CardJournalPath(keeper.Folder, card);
    ASSERT_TRUE(std::filesystem::exists(file));
    TCardJournal found;
    ASSERT_TRUE(keeper.FindChange(card, found));
    ASSERT_EQ(found.Runs.size(), 1u);
    EXPECT_EQ(found.Runs[0].Old, journal.Runs[0].Old);
    EXPECT_FALSE(keeper.FindChange(dir.Path("other.img").string(), found));
    ASSERT_TRUE(keeper.EndChange(card, TJournalEnd::Discard, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(keeper.FindChange(card, found));
    // Ended as the way back: found as the undo of the last change, never as a hot journal.
    ASSERT_TRUE(keeper.BeginChange(journal, error)) << error;
    ASSERT_TRUE(keeper.EndChange(card, TJournalEnd::KeepAsUndo, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(std::filesystem::exists(CardUndoPath(keeper.Folder, card)));
    EXPECT_FALSE(keeper.FindChange(card, found));
    ASSERT_TRUE(keeper.FindUndo(card, found));
    EXPECT_EQ(found.Runs[0].Old, journal.Runs[0].Old);
    // Cut short: not taken, and removed.
    auto bytes = SerializeCardJournal(journal);
    bytes.resize(bytes.size() - 3);
    WriteFileBytes(file, bytes);
    EXPECT_FALSE(keeper.FindChange(card, found));
    EXPECT_FALSE(std::filesystem::exists(file));
}

} // namespace

// The journal file is written in pieces: the hash over pieces of any size equals the hash
// over the whole, and the pieces make the same file.
TEST(CardJournalTest, HashOverPiecesEqualsTheWhole) {
    std::vector<std::uint8_t> bytes(5000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(i * 131 + 7);
    for (std::size_t piece : {1u, 3u, 7u, 8u, 9u, 64u, 4999u}) {
        TJournalHasher hasher;
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            hasher.Add(bytes.data() + at, std::min(piece, bytes.size() - at));
        EXPECT_EQ(hasher.Final(), JournalHash(bytes.data(), bytes.size())) << piece;
    }
    EXPECT_NE(JournalHash(bytes.data(), 4999), JournalHash(bytes.data(), 5000));
    auto now = bytes;
    now[600] ^= 1;
    now[4000] ^= 1;
    const TCardJournal journal = MakeCardJournal("/dev/sdy", 1u << 20, bytes, now);
    std::vector<std::uint8_t> pieces;
    ASSERT_TRUE(WriteCardJournal(journal, [&](const std::uint8_t* data, std::size_t count) {
        pieces.insert(pieces.end(), data, data + count);
        return true;
    }));
    TCardJournal read;
    ASSERT_TRUE(ParseCardJournal(pieces, read));
    EXPECT_EQ(read.Runs.size(), 2u);
    // A sink that fails ends the writing.
    EXPECT_FALSE(WriteCardJournal(journal, [](const std::uint8_t*, std::size_t) { return false; }));
}
