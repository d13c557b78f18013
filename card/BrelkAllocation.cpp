// TBrelk: placing objects on the card and changing or removing catalogue entries.
#include "card/Brelk.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace brelk {

bool TBrelk::InCatalogue(const TBrelkCatEntry* entry) const {
    if (!entry)
        return false;
    if (IndexCurrent())
        return Indexed.count(entry) != 0;
    return std::any_of(Catalogue.begin(), Catalogue.end(),
                       [entry](const auto& e) { return e.get() == entry; });
}

namespace {
std::pair<std::int64_t, std::int64_t> FootprintOf(const TBrelkCatEntry& entry) {
    return {entry.FootprintStart(), entry.FootprintEnd()};
}
} // namespace

bool TBrelk::ObjectExists(const TBrelkCatEntry& entry) const {
    return FindSameObject(entry) != nullptr;
}

// Best fit in the free space, or directly below the lowest object. False when nothing fits.
bool TBrelk::ChooseHeaderAddress(std::uint32_t footprint, std::uint64_t floor,
                                 std::uint32_t& header) const {
    if (ReuseDeletedSpace) {
        const TBrelkFreeBlock* best = BestFit(footprint, floor);
        if (!best)
            return false;
        header = best->Start + best->Length - footprint;
        return true;
    }
    std::uint32_t lowest = LowestUsedAddress();
    if (lowest < footprint || lowest - footprint < floor)
        return false;
    header = lowest - footprint;
    return true;
}

bool TBrelk::WriteObject(std::uint32_t header, const TBrelkCatEntry& entry,
                         const TDataWriter& writeData, std::uint32_t dataLength) {
    std::vector<std::uint8_t> objectHeader(kObjectHeaderSize, 0);
    std::copy(kObjectMagic.begin(), kObjectMagic.end(), objectHeader.begin());
    std::copy(entry.Bytes.begin(), entry.Bytes.end(), objectHeader.begin() + 16);
    const std::uint32_t padding = entry.Size() - dataLength;
    const std::vector<std::uint8_t> zeros(padding, 0);
    const std::uint32_t address = header + kObjectHeaderSize;
    return WriteRawBytes(objectHeader.data(), header, kObjectHeaderSize) &&
           writeData(address, dataLength) &&
           WriteRawBytes(zeros.data(), address + dataLength, padding);
}

bool TBrelk::WriteFromSource(const TDataSource& source, std::uint32_t address,
                             std::uint32_t length) {
    const TCacheBuffer piece = AllocatePageAligned(std::min(length, kTransferPiece));
    if (!piece)
        return false;
    for (std::uint32_t done = 0; done < length;) {
        const std::uint32_t n = std::min(length - done, kTransferPiece);
        if (!source(piece.get(), n) || !WriteRawBytes(piece.get(), address + done, n))
            return false;
        done += n;
    }
    return true;
}

TBrelk::TDataWriter TBrelk::MemoryWriter(const void* data) {
    return [this, data](std::uint32_t address, std::uint32_t length) {
        return WriteRawBytes(data, address, length);
    };
}

bool TBrelk::AddObjectToBrelk(TBrelkCatEntry& entry, const void* data, bool replaceExisting) {
    return AddObject(entry, MemoryWriter(data), replaceExisting);
}

bool TBrelk::AddObjectFromSource(TBrelkCatEntry& entry, const TDataSource& source,
                                 bool replaceExisting) {
    return AddObject(
        entry,
        [this, &source](std::uint32_t address, std::uint32_t length) {
            return WriteFromSource(source, address, length);
        },
        replaceExisting);
}

bool TBrelk::AddObject(TBrelkCatEntry& entry, const TDataWriter& writeData, bool replaceExisting) {
    TBrelkCatEntry* target = replaceExisting ? FindSameObject(entry) : nullptr;
    TBrelkCatEntry copy = entry;
    if (!PlaceObject(copy, target, writeData))
        return false;
    if (!target)
        entry = copy;
    return true;
}

bool TBrelk::ReplaceObjectData(const TBrelkCatEntry* target, const void* data,
                               std::uint32_t length) {
    if (!InCatalogue(target))
        return false;
    TBrelkCatEntry copy = *target;
    copy.SetSize(length);
    return PlaceObject(copy, Owned(target), MemoryWriter(data));
}

// Writes the object described by Copy (Size = the data length) to a new place and enters it
// in the catalogue: as a new record when Target is none, else into Target.
bool TBrelk::PlaceObject(TBrelkCatEntry& copy, TBrelkCatEntry* target,
                         const TDataWriter& writeData) {
    if (!CatalogueValid)
        return false;
    // The card interface reads at most 65535 entries: a new one past that would lose them all.
    if (!target && Catalogue.size() >= kMaxCatalogueCount)
        return false;
    const std::uint32_t dataLength = copy.Size();
    if (dataLength == 0) {
        Reporter.ReportError("Error - An object of 0 bytes cannot be added to the Brelk-card");
        return false;
    }
    const std::uint64_t alloc = RoundUpToBlocks(dataLength, BytesPerSector);
    // Room for one more catalogue entry below the new header; a new entry's growth must also
    // stay below every object already there.
    const std::uint64_t grownEnd =
        kCatalogueHeaderSize + std::uint64_t(kCatEntrySize) * (Catalogue.size() + 1);
    if (!target && grownEnd > LowestUsedAddress())
        return false;
    std::uint32_t header = 0;
    if (alloc + kObjectHeaderSize > UsableLimit() ||
        !ChooseHeaderAddress(std::uint32_t(alloc) + kObjectHeaderSize, grownEnd, header))
        return false;
    // Space freed since the last commit is still listed by the catalogue on the card: that
    // catalogue is replaced first, so a crash can never leave it listing overwritten data.
    if (OverlapsCommittedObject(header, header + alloc + kObjectHeaderSize) && !WriteCatalogue())
        return false;
    copy.SetSize(std::uint32_t(alloc));
    copy.SetAddress(header + kObjectHeaderSize);

    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false;
    bool ok = WriteObject(header, copy, writeData, dataLength);
    if (ok) {
        const bool indexed = IndexCurrent();
        std::vector<TFootprint> released;
        std::size_t position;
        if (target) {
            position = PositionOf(target);
            released.push_back(FootprintOf(*target));
            *target = copy;
        } else {
            Catalogue.push_back(std::make_unique<TBrelkCatEntry>(copy));
            Indexed.insert(Catalogue.back().get());
            position = Catalogue.size() - 1;
        }
        MoveToSortedPlace(position);
        SpaceChanged(released, {FootprintOf(copy)}, indexed);
        CatalogueModified = true;
    }
    if (!wasOpen)
        CloseDevice();
    return ok;
}

bool TBrelk::UpdateCatEntry(const TBrelkCatEntry* record, const TBrelkCatEntry& newValues) {
    if (!InCatalogue(record))
        return true;
    TBrelkCatEntry* entry = Owned(record);
    const bool indexed = IndexCurrent();
    const std::size_t position = PositionOf(entry);
    const TFootprint old = FootprintOf(*entry);
    *entry = newValues;
    const bool ok = RewriteHeaderOf(*entry);
    MoveToSortedPlace(position);
    // With no overlapping objects the free space depends on the footprints alone: an entry
    // that keeps its Address and Size (a rename, a move to the deleted objects) leaves it be.
    if (!FreeMapIgnoresOrder || !indexed || old != FootprintOf(*entry))
        SpaceChanged({old}, {FootprintOf(*entry)}, indexed);
    CatalogueModified = true;
    return ok;
}

bool TBrelk::RewriteHeaderOf(const TBrelkCatEntry& entry) {
    if (!RewriteObjectHeader || entry.Address() < kObjectHeaderSize)
        return true;
    std::vector<std::uint8_t> header(kObjectHeaderSize);
    const std::uint32_t at = entry.Address() - kObjectHeaderSize;
    bool ok = ReadMMC(header.data(), at, kObjectHeaderSize);
    std::copy(entry.Bytes.begin(), entry.Bytes.end(), header.begin() + 16);
    return ok && WriteRawBytes(header.data(), at, kObjectHeaderSize);
}

std::size_t TBrelk::UpdateCatEntries(
    const std::vector<std::pair<const TBrelkCatEntry*, TBrelkCatEntry>>& changes,
    std::vector<const TBrelkCatEntry*>* headerFailures) {
    // The changes by record, so that one walk of the catalogue finds each of them.
    std::vector<const std::pair<const TBrelkCatEntry*, TBrelkCatEntry>*> byRecord;
    byRecord.reserve(changes.size());
    for (const auto& change : changes)
        byRecord.push_back(&change);
    // std::less orders any pointers, records of different allocations included.
    const std::less<const TBrelkCatEntry*> before;
    std::stable_sort(byRecord.begin(), byRecord.end(), [&before](const auto* a, const auto* b) {
        return before(a->first, b->first);
    });
    std::vector<const TBrelkCatEntry*> changed;
    const bool indexed = IndexCurrent();
    bool sameSpace = FreeMapIgnoresOrder && indexed;
    for (const auto& record : Catalogue) {
        auto it = std::lower_bound(byRecord.begin(), byRecord.end(), record.get(),
                                   [&before](const auto* change, const TBrelkCatEntry* e) {
                                       return before(change->first, e);
                                   });
        // The last change listed for a record wins, as one-by-one updates would leave it.
        const std::pair<const TBrelkCatEntry*, TBrelkCatEntry>* last = nullptr;
        for (; it != byRecord.end() && (*it)->first == record.get(); ++it)
            last = *it;
        if (!last)
            continue;
        const TBrelkCatEntry& values = last->second;
        sameSpace =
            sameSpace && record->Address() == values.Address() && record->Size() == values.Size();
        *record = values;
        if (!RewriteHeaderOf(*record) && headerFailures)
            headerFailures->push_back(record.get());
        changed.push_back(record.get());
    }
    if (changed.empty())
        return 0;
    SortAfterChanges(changed);
    if (!indexed)
        RebuildIndex();
    if (!sameSpace)
        UpdateCatalogueHeader();
    CatalogueModified = true;
    return changed.size();
}

bool TBrelk::DeleteCatEntry(const TBrelkCatEntry* entry) {
    if (!InCatalogue(entry))
        return false;
    const bool indexed = IndexCurrent();
    const TFootprint old = FootprintOf(*entry);
    Indexed.erase(entry);
    Catalogue.erase(Catalogue.begin() + std::ptrdiff_t(PositionOf(entry)));
    SpaceChanged({old}, {}, indexed);
    CatalogueModified = true;
    return true;
}

std::size_t TBrelk::DeleteCatEntries(const std::vector<const TBrelkCatEntry*>& entries) {
    const bool indexed = IndexCurrent();
    const std::unordered_set<const TBrelkCatEntry*> doomed(entries.begin(), entries.end());
    std::vector<TFootprint> released;
    std::erase_if(Catalogue, [&](const auto& e) {
        if (!doomed.count(e.get()))
            return false;
        released.push_back(FootprintOf(*e));
        Indexed.erase(e.get());
        return true;
    });
    if (!released.empty()) {
        SpaceChanged(released, {}, indexed);
        CatalogueModified = true;
    }
    return released.size();
}

} // namespace brelk
