// TBrelk: the record of each catalogue change kept on the card itself, so that a change cut
// short is found and settled on any computer and under any device name. The record is the
// change's journal, written into space that both the old and the new catalogue leave free;
// the catalogue header's marker points at it. The keeper's journal on this computer is the
// second copy.
#include "card/Brelk.h"

#include <algorithm>

namespace brelk {

namespace {

// A record longer than the largest journal is no record.
constexpr std::uint64_t kMaxRecordLength = 16u << 20;

} // namespace

std::string TBrelk::JournalKey() const {
    return CardId != 0 ? CardIdKey(CardId, CardSize) : CardIdentity(DriveLetter);
}

std::vector<TFreeSpan> TBrelk::FreeSpans() const {
    std::vector<TFreeSpan> spans;
    for (const TBrelkFreeBlock& record : FreeSpaceMap)
        spans.emplace_back(record.Start, std::uint64_t(record.Start) + record.Length);
    return spans;
}

std::optional<std::uint64_t> TBrelk::RecordPlace(const std::vector<std::uint8_t>& onCard,
                                                 const std::vector<TFreeSpan>& newFree,
                                                 std::uint64_t length) const {
    const std::uint32_t block = std::max<std::uint32_t>(BytesPerSector, kJournalBlock);
    std::vector<TFreeSpan> oldFree;
    if (CommittedAsFreeMap) {
        for (const TBrelkFreeBlock& record : CommittedFree)
            oldFree.emplace_back(record.Start, std::uint64_t(record.Start) + record.Length);
    } else {
        // The old catalogue's area as its header on the card counts it, and every object of it.
        const std::uint64_t count =
            std::min<std::uint64_t>(GetLE32(&onCard[kHeaderCountOffset]), kMaxCatalogueCount);
        const std::uint64_t end =
            RoundUpToBlocks(std::max<std::uint64_t>(kCatalogueHeaderSize + count * kCatEntrySize,
                                                    CardCatalogue.size()),
                            block);
        oldFree = GapsBetween(CommittedSpans, end, UsableLimit());
    }
    return PlaceForRecord(newFree, oldFree, length, block);
}

bool TBrelk::WriteRecord(const TJournalView& journal, std::uint64_t address) {
    const std::uint32_t block = std::max<std::uint32_t>(BytesPerSector, kJournalBlock);
    std::vector<std::uint8_t> bytes = SerializeCardJournal(journal);
    bytes.resize(std::size_t(RoundUpToBlocks(bytes.size(), block)), 0);
    if (!Device.WriteAt(address, bytes.data(), bytes.size())) {
        ReportDeviceError("Could not write to");
        StopWrites();
        return false;
    }
    // The window (written back before the commit) must not show the free space as it was.
    if (CacheFill != 0 && address < std::uint64_t(CacheStart) + CacheFill &&
        CacheStart < address + bytes.size())
        EmptyWindow(CacheStart, 0);
    return SyncDevice("Could not write the record of the change to");
}

bool TBrelk::WriteMarker(const std::vector<std::uint8_t>& onCard) {
    if (!Device.WriteAt(0, onCard.data(), kCatalogueHeaderSize)) {
        ReportDeviceError("Could not write to");
        StopWrites();
        return false;
    }
    return SyncDevice("Could not write the catalogue to");
}

// Under the card's ID, and under its path as the earlier version kept it.
void TBrelk::DropOlderUndo() {
    if (!Keeper)
        return;
    for (const std::string& key : {JournalKey(), CardIdentity(DriveLetter)}) {
        std::string error;
        if (!Keeper->DropUndo(key, error))
            Reporter.ReportError(
                "Warning - The way back from an earlier change of the Brelk-card " + QuotedCard() +
                " could not be removed (" + error + "); it no longer describes the card");
    }
}

bool TBrelk::RecordChange(const TJournalView& journal, bool wanted,
                          std::optional<std::uint64_t> place) {
    std::string error;
    const bool journalled = BeginJournal(journal, error);
    if (place && !WriteRecord(journal, *place))
        return false;
    if (journalled && wanted && !place && Keeper)
        Reporter.ReportError("Warning - There is no free space on the Brelk-card " + QuotedCard() +
                             " for the record of this change; only the journal on this computer "
                             "can undo it if it is interrupted");
    if (journalled || !Keeper)
        return true;
    if (place || !wanted) {
        Reporter.ReportError("Warning - The catalogue change of the Brelk-card " + QuotedCard() +
                             " could not be journalled on this computer (" + error +
                             (place ? "); the record on the card can undo it"
                                    : "); the card held no catalogue before it"));
        DropOlderUndo();
        return true;
    }
    if (!WriteWithoutRecord) {
        Refused = true;
        Reporter.ReportError("Error - The catalogue change of the Brelk-card " + QuotedCard() +
                             " is not written: it can be recorded neither on the card (no free "
                             "space) nor on this computer (" +
                             error + "), so a crash while it is written could not be undone");
        return false;
    }
    DropOlderUndo();
    Reporter.ReportError("Warning - The catalogue change of the Brelk-card " + QuotedCard() +
                         " is written without a record (" + error +
                         "); a crash while it is written cannot be undone");
    return true;
}

bool TBrelk::ReadCardRecord(const TRecordMarker& marker, TCardJournal& journal) {
    if (marker.Length == 0 || marker.Length > kMaxRecordLength ||
        marker.Address < kCatalogueHeaderSize || marker.Address > UsableLimit() ||
        marker.Length > UsableLimit() - marker.Address)
        return false;
    std::vector<std::uint8_t> bytes(marker.Length);
    if (Device.ReadAt(marker.Address, bytes.data(), bytes.size()) != bytes.size())
        return false;
    // Overwritten since, by an object or a later catalogue: no longer a record.
    return ParseCardJournal(bytes, journal) && journal.Card == CardIdKey(marker.CardId, CardSize) &&
           journal.CardSize == CardSize;
}

bool TBrelk::SettleFromCardRecord() {
    // Read through the cache: the catalogue header is read from there next.
    std::array<std::uint8_t, kCatalogueHeaderSize> header{};
    if (!ReadCard(header.data(), 0, kCatalogueHeaderSize, false))
        return false;
    const auto marker = ReadRecordMarker(header.data());
    if (!marker)
        return false;
    CardId = marker->CardId;
    TCardJournal journal;
    if (!ReadCardRecord(*marker, journal))
        return false;
    auto read = [this](std::uint64_t offset, std::uint8_t* dest, std::size_t count) {
        return Device.ReadAt(offset, dest, count) == count;
    };
    // A record that does not match belongs to a change long finished; the card has been
    // changed since by another program.
    if (CompareWithJournal(journal, read) != TJournalState::Torn)
        return false;
    SettleJournal(journal, true);
    return true;
}

} // namespace brelk
