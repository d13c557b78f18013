// TBrelk: the checked commit. Object data reaches the card first and is synced; then the
// catalogue's changed blocks (header and entries) go out outside the cache window, journalled
// beforehand, and are synced too. The catalogue on the card thus never lists an
// object whose data is not there, and a failure leaves either the previous catalogue or a
// torn one that the journal undoes at the next opening. After any failed write or sync
// nothing more is written.
#include "card/Brelk.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace brelk {

void TBrelk::StopWrites() {
    Stopped = true;
    // What the cache holds unwritten never reaches the card; the window is read afresh.
    EmptyWindow(CacheStart, 0);
}

bool TBrelk::SyncDevice(const std::string& what) {
    if (Device.Sync())
        return true;
    ReportDeviceError(what);
    StopWrites();
    return false;
}

void TBrelk::NoteCardCatalogue() {
    HeaderChecked = false;
    CommittedSpans.clear();
    CommittedFree.clear();
    CommittedAsFreeMap = false;
    for (std::size_t at = kCatalogueHeaderSize; at + kCatEntrySize <= CardCatalogue.size();
         at += kCatEntrySize) {
        TBrelkCatEntry entry;
        std::copy_n(CardCatalogue.begin() + std::ptrdiff_t(at), kCatEntrySize, entry.Bytes.begin());
        CommittedSpans.emplace_back(entry.FootprintStart(), entry.FootprintEnd());
    }
    std::sort(CommittedSpans.begin(), CommittedSpans.end());
    // Each span's end becomes the greatest end up to it, so one search answers an overlap.
    for (std::size_t i = 1; i < CommittedSpans.size(); ++i)
        CommittedSpans[i].second = std::max(CommittedSpans[i].second, CommittedSpans[i - 1].second);
}

// The catalogue just written is the one in memory. While its footprints are disjoint the
// free-space map describes the card's taken space as well, and copying it costs the number of
// free records rather than a sort of every entry (a commit in the middle of a long squash).
void TBrelk::NoteWrittenCatalogue() {
    if (!FreeMapIgnoresOrder)
        return NoteCardCatalogue();
    HeaderChecked = false;
    CommittedSpans.clear();
    CommittedFree = FreeSpaceMap;
    CommittedAsFreeMap = true;
}

bool TBrelk::OverlapsCommittedObject(std::uint64_t first, std::uint64_t end) const {
    if (CommittedAsFreeMap) {
        // Free on the card only when wholly inside one free record; the catalogue area the
        // card still has lies outside every record and counts as taken too.
        auto record = std::upper_bound(
            CommittedFree.begin(), CommittedFree.end(), first,
            [](std::uint64_t at, const TBrelkFreeBlock& r) { return at < r.Start; });
        return record == CommittedFree.begin() ||
               std::uint64_t(std::prev(record)->Start) + std::prev(record)->Length < end;
    }
    auto after =
        std::lower_bound(CommittedSpans.begin(), CommittedSpans.end(), std::int64_t(end),
                         [](const auto& span, std::int64_t value) { return span.first < value; });
    return after != CommittedSpans.begin() && std::prev(after)->second > std::int64_t(first);
}

// Reads the catalogue area that this object last saw on the card, in pieces, and tells
// whether it is still the same: a card written by another program meanwhile is not written
// over. When it is, the card's catalogue is CardCatalogue itself.
bool TBrelk::CatalogueOnCardUnchanged() {
    constexpr std::size_t kPiece = 256u << 10;
    std::vector<std::uint8_t> piece(std::min(kPiece, CardCatalogue.size()));
    HeaderChecked = false;
    Device.DropCachedPages(0, CardCatalogue.size());
    for (std::size_t at = 0; at < CardCatalogue.size(); at += piece.size()) {
        const std::size_t n = std::min(piece.size(), CardCatalogue.size() - at);
        if (Device.ReadAt(at, piece.data(), n) != n) {
            ReportDeviceError("Could not read from");
            StopWrites();
            return false;
        }
        if (!std::equal(piece.begin(), piece.begin() + std::ptrdiff_t(n),
                        CardCatalogue.begin() + std::ptrdiff_t(at))) {
            CardChangedByAnother();
            return false;
        }
    }
    HeaderChecked = true;
    return true;
}

// Before the first data write after a commit: another program's objects could otherwise lie
// where this object writes. One block read per commit.
bool TBrelk::HeaderOnCardUnchanged() {
    if (HeaderChecked || CardCatalogue.size() < kCatalogueHeaderSize)
        return true;
    std::array<std::uint8_t, kCatalogueHeaderSize> header{};
    Device.DropCachedPages(0, header.size());
    if (Device.ReadAt(0, header.data(), header.size()) != header.size()) {
        ReportDeviceError("Could not read from");
        StopWrites();
        return false;
    }
    HeaderChecked = std::equal(header.begin(), header.end(), CardCatalogue.begin());
    if (!HeaderChecked)
        CardChangedByAnother();
    return HeaderChecked;
}

void TBrelk::CardChangedByAnother() {
    Reporter.ReportError("Error - The catalogue of the Brelk-card " + QuotedCard() +
                         " was changed by another program since it was read; the changes "
                         "are not written. Reload the card to see its present contents.");
    StopWrites();
}

namespace {

// The new bytes that Now gives with Marker in place of the header's marker bytes.
TNewBytes WithMarker(const TNewBytes& now, const std::array<std::uint8_t, 512>& marked) {
    return [&now, &marked](std::size_t at, std::size_t count, std::uint8_t* dest) {
        now(at, count, dest);
        const std::size_t first = std::max(at, kRecordMarkerOffset);
        const std::size_t end = std::min(at + count, kRecordMarkerOffset + kRecordMarkerSize);
        for (std::size_t i = first; i < end; ++i)
            dest[i - at] = marked[i];
    };
}

bool CarriesCatalogue(const std::vector<std::uint8_t>& onCard) {
    return onCard.size() >= kCatalogueHeaderSize &&
           SameName(std::string_view(reinterpret_cast<const char*>(onCard.data()),
                                     strnlen(reinterpret_cast<const char*>(onCard.data()),
                                             kCatalogueMagic.size())),
                    kCatalogueMagic);
}

} // namespace

// The catalogue's changed blocks written at their places and a sync; the cache window is
// brought up to date where it covers the same addresses. Before them, the journal of the
// change goes to the card's free space and to the keeper, and block 0 is written with the old
// header and a marker that points at the record on the card.
bool TBrelk::WriteCatalogueBytes(std::vector<std::uint8_t>& onCard, std::size_t length,
                                 const TNewBytes& now, const std::vector<TFreeSpan>& newFree) {
    Refused = false;
    if (!ReadOnCardUpTo(onCard, length))
        return false;
    const std::size_t known = std::min(onCard.size(), length);
    onCard.resize(std::max(onCard.size(), length));
    // A card that carries a catalogue keeps the record of the change; its header gets the
    // marker at once. Other cards get it with their first catalogue.
    const bool recorded = CarriesCatalogue(onCard);
    const auto oldMarker = ReadRecordMarker(onCard.data());
    CardId = oldMarker ? oldMarker->CardId : (CardId != 0 ? CardId : Device.NewCardId());
    std::array<std::uint8_t, kCatalogueHeaderSize> marked{};
    std::array<std::uint8_t, kRecordMarkerSize> oldMarkerBytes;
    std::copy_n(onCard.begin() + kRecordMarkerOffset, kRecordMarkerSize, oldMarkerBytes.begin());
    PutRecordMarker(marked.data(), {CardId, 0, 0});
    const TNewBytes marking = WithMarker(now, marked);
    if (recorded)
        PutRecordMarker(onCard.data(), {CardId, 0, 0});
    // Only the blocks that change are journalled and written; the journal views OnCard.
    TNewHashes hashes;
    TJournalView journal;
    journal.Card = JournalKey();
    journal.CardSize = CardSize;
    journal.Runs = ChangedRuns({onCard.data(), length}, known, marking, hashes);
    std::optional<std::uint64_t> place;
    if (recorded && !journal.Runs.empty()) {
        place = RecordPlace(onCard, newFree, SerializedJournalSize(journal));
        // The marker's fields change no run's size: block 0's hashes follow them.
        PutRecordMarker(marked.data(), {CardId, place.value_or(0),
                                        place ? std::uint32_t(SerializedJournalSize(journal)) : 0});
        std::copy_n(marked.begin() + kRecordMarkerOffset, kRecordMarkerSize,
                    onCard.begin() + kRecordMarkerOffset);
        std::array<std::uint8_t, kJournalBlock> block0;
        marking(0, std::min(kJournalBlock, length), block0.data());
        RehashBlock(journal.Runs, 0, block0.data(), hashes);
    }
    if (journal.Runs.empty() || !RecordChange(journal, recorded, place)) {
        // Nothing to write, or refused: OnCard tells what the card holds.
        std::copy(oldMarkerBytes.begin(), oldMarkerBytes.end(),
                  onCard.begin() + kRecordMarkerOffset);
        if (!journal.Runs.empty())
            return false;
    }
    const bool markerChanged = !std::equal(oldMarkerBytes.begin(), oldMarkerBytes.end(),
                                           onCard.begin() + kRecordMarkerOffset);
    if (recorded && markerChanged && !WriteMarker(onCard))
        return false;
    // Once journalled, the changed runs of OnCard take the new bytes (the rest holds them
    // already) and go to the card from there. After a failure OnCard no longer tells what the
    // card holds, but nothing more is written then.
    bool written = true;
    for (const TJournalRunView& run : journal.Runs) {
        marking(run.Offset, run.Old.size(), onCard.data() + run.Offset);
        written = written && Device.WriteAt(run.Offset, onCard.data() + run.Offset, run.Old.size());
    }
    if (!written) {
        ReportDeviceError("Could not write to");
        Reporter.ReportError("Error - The catalogue of the Brelk-card " + QuotedCard() +
                             " may be partly written; " +
                             (Journalled || place ? "the next opening of the card undoes the change"
                                                  : "check --repair can rebuild it"));
        StopWrites();
        return false;
    }
    if (!journal.Runs.empty() && !SyncDevice("Could not write the catalogue to"))
        return false;
    EndJournal();
    std::copy_n(onCard.begin() + kRecordMarkerOffset, kRecordMarkerSize,
                CatalogueHeader.begin() + kRecordMarkerOffset);
    onCard.resize(length);
    if (CacheFill != 0 && CacheStart < length) {
        const std::size_t n = std::min<std::size_t>(length - CacheStart, CacheFill);
        std::memcpy(CacheBuffer.get(), onCard.data() + CacheStart, n);
        MarkHeld(0, std::uint32_t(n));
    }
    ++Commits;
    return true;
}

void TBrelk::NewCatalogueBytes(std::size_t at, std::size_t count, std::uint8_t* dest) const {
    while (count > 0) {
        std::size_t n;
        if (at < kCatalogueHeaderSize) {
            n = std::min(count, kCatalogueHeaderSize - at);
            std::memcpy(dest, CatalogueHeader.data() + at, n);
        } else {
            const std::size_t index = (at - kCatalogueHeaderSize) / kCatEntrySize;
            const std::size_t within = (at - kCatalogueHeaderSize) % kCatEntrySize;
            n = std::min(count, kCatEntrySize - within);
            if (index < Catalogue.size())
                std::memcpy(dest, Catalogue[index]->Bytes.data() + within, n);
            else
                std::memset(dest, 0, n); // past the entries: cleared
        }
        at += n;
        dest += n;
        count -= n;
    }
}

bool TBrelk::WriteCatalogue() {
    if (!CatalogueModified)
        return true;
    if (Stopped || ReadOnly())
        return false;
    SortCatalogue();
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false; // the catalogue stays modified
    bool ok = CatalogueOnCardUnchanged() && FlushCache() &&
              SyncDevice("Could not write the object data to");
    if (ok) {
        PutLE32(&CatalogueHeader[kHeaderCountOffset], std::uint32_t(Catalogue.size()));
        // The card's catalogue held since it was read or written becomes the new one in place;
        // the entries a shrinking catalogue leaves behind are cleared, so that they cannot be
        // taken for the remains of a write cut short.
        ok = WriteCatalogueBytes(
            CardCatalogue,
            std::max(kCatalogueHeaderSize + Catalogue.size() * kCatEntrySize, CardCatalogue.size()),
            [this](std::size_t at, std::size_t count, std::uint8_t* dest) {
                NewCatalogueBytes(at, count, dest);
            },
            FreeSpans());
        if (ok) {
            CardCatalogue.resize(kCatalogueHeaderSize + Catalogue.size() * kCatEntrySize);
            NoteWrittenCatalogue();
            CatalogueModified = false;
        }
    }
    if (!wasOpen)
        CloseDevice();
    return ok;
}

bool TBrelk::FlushMMCDevice() {
    if (Stopped || ReadOnly()) {
        if (HasUnsavedData())
            Reporter.ReportError("Error - The changes to the Brelk-card " + QuotedCard() + " " +
                                 (Stopped ? "are not written after the failure above"
                                          : "are not written: it is open for reading only"));
        return !HasUnsavedData() && !Stopped;
    }
    if (CatalogueModified)
        return WriteCatalogue();
    if (!CacheModified())
        return true;
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false;
    bool ok = FlushCache() && SyncDevice("Could not write the object data to");
    if (!wasOpen)
        CloseDevice();
    return ok;
}

// The header's bytes that no program interprets (8 to 15, and 24 on) stay as the card holds
// them, also when the header in memory was cleared for a lost signature.
namespace {

template <typename THeader>
void KeepUninterpretedHeaderBytes(const std::vector<std::uint8_t>& onCard, THeader& header) {
    if (onCard.size() < kCatalogueHeaderSize)
        return;
    std::copy(onCard.begin() + 8, onCard.begin() + 16, header.begin() + 8);
    std::copy(onCard.begin() + 24, onCard.begin() + kCatalogueHeaderSize, header.begin() + 24);
}

} // namespace

bool TBrelk::ReplaceCatalogue(const std::vector<TBrelkCatEntry>& entries,
                              std::vector<std::uint8_t> onCard) {
    if (entries.size() > kMaxCatalogueCount || ReadOnly() || Stopped || !DeviceOK)
        return false;
    Catalogue.clear();
    for (const auto& entry : entries)
        Catalogue.push_back(std::make_unique<TBrelkCatEntry>(entry));
    CatalogueSorted = false;
    SortCatalogue();
    KeepUninterpretedHeaderBytes(onCard, CatalogueHeader);
    std::copy(kCatalogueMagic.begin(), kCatalogueMagic.end(), CatalogueHeader.begin());
    CatalogueValid = true;
    CatalogueProblem.clear();
    CardCatalogue = std::move(onCard);
    NoteCardCatalogue();
    UpdateCatalogueHeader();
    CatalogueModified = true;
    return true;
}

bool TBrelk::FormatMMC() {
    if (Stopped || ReadOnly() || CacheSize == 0)
        return false;
    // The catalogue header must lie below the safety zone; a smaller card gets no write at all
    // (an image file would otherwise grow past the card's end).
    if (UsableLimit() < kCatalogueHeaderSize) {
        Reporter.ReportError("Error - The Brelk-card " + QuotedCard() +
                             " is too small to hold a catalogue");
        return false;
    }
    std::array<std::uint8_t, kCatalogueHeaderSize> header{};
    std::copy(kCatalogueMagic.begin(), kCatalogueMagic.end(), header.begin());
    PutLE32(&header[kHeaderLowestOffset], UsableLimit());
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false;
    bool ok = FlushCache() && SyncDevice("Could not write the object data to");
    // Only the header is written: the journal keeps the one it replaces, so the format can
    // be taken back while the entries behind it stand.
    std::vector<std::uint8_t> onCard; // nothing of the card is known before
    if (ok)
        ok = WriteCatalogueBytes(onCard, header.size(),
                                 [&header](std::size_t at, std::size_t count, std::uint8_t* dest) {
                                     std::copy_n(header.begin() + std::ptrdiff_t(at), count, dest);
                                 },
                                 {{kCatalogueHeaderSize, UsableLimit()}});
    if (ok) {
        CatalogueValid = ReadCatalogueHeader();
        ReadCatalogue();
    }
    if (!wasOpen)
        CloseDevice();
    return ok && CatalogueValid;
}

} // namespace brelk
