// Changes told only once a commit put them on the card: an import whose commits fail at each
// device write or sync in turn reports no object that the card does not list afterwards.
#include "explorer/CommitLedger.h"
#include "card/CardFixture.h"
#include "explorer/PendingObjects.h"
#include "explorer/PendingSupport.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace {

// Notes every added object's name in a ledger.
class TLedgerUser : public TScriptedUser {
  public:
    explicit TLedgerUser(const TBrelk& card) : Added(card) {}
    void Tell(const TReport& report) override {
        if (const auto* added = std::get_if<report::TObjectAdded>(&report))
            Added.Note(added->Object->Entry.Name());
    }
    TCommitLedger Added;
};

enum class TFault { Write, Sync };

struct CommitLedgerTest : CardFixture {
    TTempDir Dir;
    static constexpr std::uint32_t kSize = 4096;
    const std::vector<std::string> Names{"A", "B", "C", "D"};

    static std::vector<std::uint8_t> NewBytes(const std::string& name) {
        return std::vector<std::uint8_t>(kSize, std::uint8_t(name[0]));
    }
    // A committed object A, then an import that replaces A and adds B, C and D with the same
    // size: B goes where the old A was, so the import commits A's replacement before it.
    std::vector<std::string> ImportWithFault(TFault fault, int number, int& calls) {
        Reopen(true);
        Add("A", kSize, 2, false, 0x11);
        EXPECT_TRUE(Card->FlushMMCDevice());
        TPendingObjects list;
        TImportOptions options;
        options.AskBeforeOverwrite = false;
        for (const std::string& name : Names) {
            const std::string path = Dir.Path(name).string();
            WriteFileBytes(path, NewBytes(name));
            AddPendingFile(list, path);
            EXPECT_TRUE(AnalysePendingObject(*list.back(), options, User));
        }
        const int before = fault == TFault::Write ? Device.WriteCalls : Device.SyncCalls;
        (fault == TFault::Write ? Device.FailWriteNumber : Device.FailSyncNumber) =
            number == 0 ? 0 : before + number;
        TLedgerUser user(*Card);
        ImportPendingObjects(*Card, list, options, user);
        Card->FlushMMCDevice();
        calls = (fault == TFault::Write ? Device.WriteCalls : Device.SyncCalls) - before;
        return user.Added.TakeOnCard();
    }
    // The names whose new bytes the card, opened afresh, lists.
    std::vector<std::string> OnCardAfterReopen() {
        Device.FailWriteNumber = Device.FailSyncNumber = 0;
        Reopen();
        std::vector<std::string> found;
        for (const std::string& name : Names)
            for (const auto& entry : Card->Entries()) {
                std::vector<std::uint8_t> bytes(kSize);
                if (SameName(entry->Name(), name) &&
                    Card->ReadMMC(bytes.data(), entry->Address(), kSize) && bytes == NewBytes(name))
                    found.push_back(name);
            }
        return found;
    }
    TScriptedUser User;
};

TEST_F(CommitLedgerTest, EachFailedWriteOrSyncReportsExactlyTheObjectsOnTheCard) {
    for (const TFault fault : {TFault::Write, TFault::Sync}) {
        int calls = 0;
        ASSERT_EQ(ImportWithFault(fault, 0, calls), Names);
        ASSERT_EQ(OnCardAfterReopen(), Names);
        ASSERT_GE(calls, 2);
        bool partial = false;
        for (int k = 1; k <= calls; ++k) {
            int unused = 0;
            const std::vector<std::string> reported = ImportWithFault(fault, k, unused);
            const std::vector<std::string> onCard = OnCardAfterReopen();
            // A failed write leaves the card as it was; after a failed sync the written
            // catalogue may or may not be on the card, and is not reported.
            if (fault == TFault::Write)
                EXPECT_EQ(reported, onCard) << "write " << k;
            else
                EXPECT_TRUE(
                    std::includes(onCard.begin(), onCard.end(), reported.begin(), reported.end()))
                    << "sync " << k;
            partial = partial || (!reported.empty() && reported.size() < Names.size());
        }
        // Some fault fell after the commit inside the import: its object still counts.
        EXPECT_TRUE(partial) << (fault == TFault::Write ? "write" : "sync");
    }
}

TEST_F(CommitLedgerTest, AChangeCountsFromTheFirstCommitAfterIt) {
    TCommitLedger ledger(*Card);
    Add("A", 100);
    ledger.Note("A");
    EXPECT_EQ(ledger.OnCard(), 0u);
    EXPECT_TRUE(ledger.TakeOnCard().empty());
    ASSERT_TRUE(Card->FlushMMCDevice());
    Add("B", 100);
    ledger.Note("B");
    EXPECT_EQ(ledger.OnCard(), 1u);
    EXPECT_EQ(ledger.TakeOnCard(), std::vector<std::string>{"A"});
    ASSERT_TRUE(Card->FlushMMCDevice());
    EXPECT_EQ(ledger.TakeOnCard(), std::vector<std::string>{"B"});
    EXPECT_TRUE(ledger.TakeOnCard().empty());
    EXPECT_EQ(ledger.OnCard(), 2u);
    EXPECT_EQ(ledger.Noted(), 2u);
}

} // namespace
