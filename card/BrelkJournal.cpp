// TBrelk: the journal of each catalogue rewrite, and an opening that finds the journal of a
// rewrite cut short. The journal holds the card's bytes that the rewrite changes; it is
// durable before the first byte of the catalogue is written and goes once the new catalogue
// is synced. An opening for writing undoes a torn rewrite from it; a reader shows the
// catalogue from before the rewrite and leaves the card to the next writer.
#include "card/Brelk.h"

#include <algorithm>

namespace brelk {

// The card's bytes [0, Length) before a rewrite: KnownOld where it reaches (proven to be the
// card's), the device's beyond. Without a keeper there is no journal to fill, and the bytes
// beyond KnownOld are left out: they count as changed.
bool TBrelk::OldCatalogueBytes(std::size_t length, const std::vector<std::uint8_t>* knownOld,
                               std::vector<std::uint8_t>& old) {
    const std::size_t known = knownOld ? std::min(knownOld->size(), length) : 0;
    old.clear();
    if (knownOld)
        old.assign(knownOld->begin(), knownOld->begin() + std::ptrdiff_t(known));
    const std::size_t rest = length - known;
    if (!Keeper || rest == 0)
        return true;
    old.resize(length);
    if (Device.ReadAt(known, old.data() + known, rest) != rest) {
        ReportDeviceError("Could not read from");
        StopWrites();
        return false;
    }
    return true;
}

bool TBrelk::BeginJournal(const TCardJournal& journal) {
    Journalled = false;
    if (!Keeper || journal.Runs.empty())
        return true;
    std::string error;
    if (!Keeper->BeginChange(journal, error)) {
        Reporter.ReportError("Warning - The catalogue change of the Brelk-card '" + DriveLetter +
                             ":' could not be journalled (" + error +
                             "); a crash while it is written cannot be undone");
        return true;
    }
    Journalled = true;
    return true;
}

void TBrelk::EndJournal() {
    if (!Journalled)
        return;
    Journalled = false;
    std::string error;
    if (!Keeper->EndChange(CardIdentity(DriveLetter), error))
        Reporter.ReportError("Warning - The journal of the Brelk-card '" + DriveLetter +
                             ":' could not be removed (" + error +
                             "); the next opening finds the change finished");
}

void TBrelk::SettleInterruptedChange() {
    JournalOverlay.clear();
    TCardJournal journal;
    if (!Keeper || DriveLetter.empty() || !Keeper->FindChange(CardIdentity(DriveLetter), journal))
        return;
    auto read = [this](std::uint64_t offset, std::uint8_t* dest, std::size_t count) {
        return Device.ReadAt(offset, dest, count) == count;
    };
    std::string error;
    switch (journal.CardSize == CardSize ? CompareWithJournal(journal, read)
                                         : TJournalState::Foreign) {
    case TJournalState::Finished:
    case TJournalState::Untouched:
        // The card holds one whole catalogue: nothing to undo.
        if (!Keeper->EndChange(journal.Card, error))
            Reporter.ReportError("Warning - A finished journal of the Brelk-card '" + DriveLetter +
                                 ":' could not be removed (" + error + ")");
        return;
    case TJournalState::Torn:
        if (!ReadOnly()) {
            UndoInterruptedChange(journal);
            return;
        }
        JournalOverlay = std::move(journal.Runs);
        Reporter.ReportError("Warning - A change to the catalogue of the Brelk-card '" +
                             DriveLetter +
                             ":' was interrupted; the catalogue is shown as it was before, and "
                             "the next program that writes to the card undoes the change");
        return;
    case TJournalState::Foreign:
        Reporter.ReportError("Warning - The journal of an interrupted change to the Brelk-card '" +
                             DriveLetter +
                             ":' does not match the card; it was not applied and stays in the "
                             "state folder");
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
    std::string error;
    if (!Keeper->EndChange(journal.Card, error))
        Reporter.ReportError("Warning - The journal of the Brelk-card '" + DriveLetter +
                             ":' could not be removed (" + error + ")");
    Reporter.ReportError("An interrupted change to the Brelk-card '" + DriveLetter +
                         ":' was undone.");
    return true;
}

void TBrelk::OverlayJournal(std::uint8_t* dest, std::uint32_t address, std::uint32_t count) const {
    const std::uint64_t end = std::uint64_t(address) + count;
    for (const TJournalRun& run : JournalOverlay) {
        const std::uint64_t first = std::max<std::uint64_t>(run.Offset, address);
        const std::uint64_t last = std::min<std::uint64_t>(run.Offset + run.Old.size(), end);
        if (first < last)
            std::copy_n(run.Old.begin() + std::ptrdiff_t(first - run.Offset), last - first,
                        dest + (first - address));
    }
}

} // namespace brelk
