// TBrelk: the journal of each catalogue rewrite, and an opening that finds the journal of a
// rewrite cut short. The journal holds the card's bytes that the rewrite changes; it is
// durable before the first byte of the catalogue is written and goes once the new catalogue
// is synced. An opening for writing undoes a torn rewrite from it; a reader shows the
// catalogue from before the rewrite and leaves the card to the next writer.
#include "card/Brelk.h"

#include <algorithm>

namespace brelk {

// OnCard, the card's bytes from address 0 as far as they are held, made Length long with the
// card's bytes beyond: the journal keeps them.
bool TBrelk::ReadOnCardUpTo(std::vector<std::uint8_t>& onCard, std::size_t length) {
    const std::size_t held = onCard.size();
    if (held >= length)
        return true;
    onCard.resize(length);
    if (Device.ReadAt(held, onCard.data() + held, length - held) != length - held) {
        onCard.resize(held);
        ReportDeviceError("Could not read from");
        StopWrites();
        return false;
    }
    return true;
}

bool TBrelk::BeginJournal(const TJournalView& journal, std::string& error) {
    Journalled = false;
    if (!Keeper || journal.Runs.empty())
        return false;
    Journalled = Keeper->BeginChange(journal, error);
    return Journalled;
}

void TBrelk::EndJournal() {
    if (!Journalled)
        return;
    Journalled = false;
    std::string error;
    if (!Keeper->EndChange(JournalKey(), TJournalEnd::KeepAsUndo, error))
        Reporter.ReportError("Warning - The journal of the Brelk-card " + QuotedCard() +
                             " could not be removed (" + error +
                             "); the next opening finds the change finished");
}

// The record on the card first, then the keeper's journals of the card: by its ID, and by its
// path as the earlier version named them.
void TBrelk::SettleInterruptedChange() {
    JournalOverlay.clear();
    CardId = 0;
    const bool settled = SettleFromCardRecord();
    if (!Keeper || DriveLetter.empty() || (settled && ReadOnly()))
        return;
    std::vector<std::string> keys = {CardIdentity(DriveLetter)};
    if (CardId != 0)
        keys.insert(keys.begin(), JournalKey());
    for (const std::string& key : keys) {
        TCardJournal journal;
        if (Keeper->FindChange(key, journal))
            SettleJournal(journal, false);
    }
    Keeper->CardSeen(keys);
}

void TBrelk::SettleJournal(TCardJournal& journal, bool fromCard) {
    auto read = [this](std::uint64_t offset, std::uint8_t* dest, std::size_t count) {
        return Device.ReadAt(offset, dest, count) == count;
    };
    std::string error;
    const TJournalState state =
        journal.CardSize == CardSize ? CompareWithJournal(journal, read) : TJournalState::Foreign;
    switch (state) {
    case TJournalState::Finished:
    case TJournalState::Untouched:
        // The card holds one whole catalogue: nothing to undo. A finished change is the last
        // one; one that never began leaves the way back from the change before it.
        if (Keeper && !Keeper->EndChange(journal.Card,
                                         state == TJournalState::Finished ? TJournalEnd::KeepAsUndo
                                                                          : TJournalEnd::Discard,
                                         error))
            Reporter.ReportError("Warning - A finished journal of the Brelk-card " + QuotedCard() +
                                 " could not be removed (" + error + ")");
        return;
    case TJournalState::Torn:
        if (!ReadOnly()) {
            UndoInterruptedChange(journal);
            return;
        }
        JournalOverlay = std::move(journal.Runs);
        Reporter.ReportError("Warning - A change to the catalogue of the Brelk-card " +
                             QuotedCard() +
                             " was interrupted; the catalogue is shown as it was before, and "
                             "the next program that writes to the card undoes the change");
        return;
    case TJournalState::Foreign:
        if (!fromCard)
            Reporter.ReportError(
                "Warning - The journal of an interrupted change to the Brelk-card " + QuotedCard() +
                " does not match the card; it was not applied and stays in the state folder");
        return;
    }
}

bool TBrelk::UndoInterruptedChange(const TCardJournal& journal) {
    for (const TJournalRun& run : journal.Runs)
        if (!Device.WriteAt(run.Offset, run.Old.data(), run.Old.size())) {
            ReportDeviceError("Could not write to");
            StopWrites();
            return false;
        }
    if (!SyncDevice("Could not write the catalogue to"))
        return false;
    EmptyWindow(CacheStart, 0); // it may hold the bytes undone
    std::string error;
    if (Keeper && !Keeper->EndChange(journal.Card, TJournalEnd::Discard, error))
        Reporter.ReportError("Warning - The journal of the Brelk-card " + QuotedCard() +
                             " could not be removed (" + error + ")");
    Reporter.ReportError("An interrupted change to the Brelk-card " + QuotedCard() +
                         " was undone.");
    return true;
}

namespace {

// Copies the old bytes of Runs over Dest, the card's bytes [Address, Address + Count).
void OverlayRuns(const std::vector<TJournalRun>& runs, std::uint8_t* dest, std::uint64_t address,
                 std::uint64_t count) {
    const std::uint64_t end = address + count;
    for (const TJournalRun& run : runs) {
        const std::uint64_t first = std::max<std::uint64_t>(run.Offset, address);
        const std::uint64_t last = std::min<std::uint64_t>(run.Offset + run.Old.size(), end);
        if (first < last)
            std::copy_n(run.Old.begin() + std::ptrdiff_t(first - run.Offset), last - first,
                        dest + (first - address));
    }
}

} // namespace

bool TBrelk::CatalogueBeforeLastChange(TKeptCatalogue& kept, std::string& why) {
    TCardJournal undo;
    const std::string card = CardIdentity(DriveLetter);
    const bool found =
        Keeper && (Keeper->FindUndo(JournalKey(), undo) || Keeper->FindUndo(card, undo));
    if (!found || undo.Runs.empty()) {
        why = "no change to this card was recorded on this computer";
        return false;
    }
    bool wasOpen;
    if (!OpenDevice(wasOpen)) {
        why = "the card could not be opened";
        return false;
    }
    auto read = [this](std::uint64_t offset, std::uint8_t* dest, std::size_t count) {
        return Device.ReadAt(offset, dest, count) == count;
    };
    const bool same =
        undo.CardSize == CardSize && CompareWithJournal(undo, read) == TJournalState::Finished;
    std::vector<std::uint8_t> bytes(kCatalogueHeaderSize);
    bool ok = same && read(0, bytes.data(), bytes.size());
    if (ok) {
        OverlayRuns(undo.Runs, bytes.data(), 0, bytes.size());
        const std::uint64_t count =
            std::min<std::uint64_t>(GetLE32(&bytes[kHeaderCountOffset]), kMaxCatalogueCount);
        bytes.resize(std::size_t(
            std::min<std::uint64_t>(kCatalogueHeaderSize + count * kCatEntrySize, UsableLimit())));
        ok = read(0, bytes.data(), bytes.size());
        OverlayRuns(undo.Runs, bytes.data(), 0, bytes.size());
    }
    if (!wasOpen)
        CloseDevice();
    if (!same)
        why = "the card was changed since its last change on this computer";
    else if (!ok)
        why = "the card could not be read";
    else
        kept = {card, CardSize, std::move(bytes)};
    return ok;
}

void TBrelk::OverlayJournal(std::uint8_t* dest, std::uint32_t address, std::uint32_t count) const {
    OverlayRuns(JournalOverlay, dest, address, count);
}

} // namespace brelk
