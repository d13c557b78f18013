// TBrelk: the journal of each catalogue rewrite, and an opening that finds the journal of a
// rewrite cut short. The journal holds the card's bytes that the rewrite overwrites; it is
// durable before the first byte of the catalogue is written and goes once the new catalogue
// is synced. An opening for writing undoes a torn rewrite from it; a reader shows the
// catalogue from before the rewrite and leaves the card to the next writer.
#include "card/Brelk.h"

#include <algorithm>

namespace brelk {

bool TBrelk::BeginJournal(const std::vector<std::uint8_t>& bytes,
                          const std::vector<std::uint8_t>* knownOld) {
    Journalled = false;
    if (!Keeper)
        return true;
    std::vector<std::uint8_t> old(bytes.size());
    const std::size_t known = knownOld ? std::min(knownOld->size(), old.size()) : 0;
    std::copy_n(knownOld ? knownOld->begin() : old.begin(), known, old.begin());
    const std::size_t rest = old.size() - known;
    if (rest > 0 && Device.ReadAt(known, old.data() + known, rest) != rest) {
        ReportDeviceError("Could not read from");
        StopWrites();
        return false;
    }
    std::string error;
    if (!Keeper->BeginChange(
            MakeCardJournal(CardIdentity(DriveLetter), CardSize, std::move(old), bytes), error)) {
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
    std::vector<std::uint8_t> onCard(journal.Old.size());
    const bool read = journal.CardSize == CardSize &&
                      Device.ReadAt(0, onCard.data(), onCard.size()) == onCard.size();
    std::string error;
    switch (read ? CompareWithJournal(journal, onCard) : TJournalState::Foreign) {
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
        JournalOverlay = std::move(journal.Old);
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
    if (!Device.WriteAt(0, journal.Old.data(), journal.Old.size())) {
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
    if (address >= JournalOverlay.size())
        return;
    const std::size_t n = std::min<std::size_t>(count, JournalOverlay.size() - address);
    std::copy_n(JournalOverlay.begin() + std::ptrdiff_t(address), n, dest);
}

} // namespace brelk
