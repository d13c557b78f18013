// TBrelk: placing objects on the card and changing or removing catalogue entries.
#include "card/Brelk.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace brelk {

bool TBrelk::InCatalogue(const TBrelkCatEntry* entry) const {
    return entry && std::any_of(Catalogue.begin(), Catalogue.end(),
                                [entry](const auto& e) { return e.get() == entry; });
}

bool TBrelk::ObjectExists(const TBrelkCatEntry& entry) const {
    const std::string name = entry.Name();
    return std::any_of(Catalogue.begin(), Catalogue.end(), [&](const auto& e) {
        return e->Type() == entry.Type() && SameName(e->Name(), name);
    });
}

// Best fit in the free space, or directly below the lowest object. False when nothing fits.
bool TBrelk::ChooseHeaderAddress(std::uint32_t footprint, std::uint32_t& header) const {
    if (ReuseDeletedSpace) {
        const TBrelkFreeBlock* best = nullptr;
        for (const auto& record : FreeSpaceMap)
            if (record.Length >= footprint && (!best || record.Length < best->Length))
                best = &record;
        if (!best)
            return false;
        header = best->Start + best->Length - footprint;
        return true;
    }
    std::uint32_t lowest = LowestUsedAddress();
    if (lowest < footprint)
        return false;
    header = lowest - footprint;
    return true;
}

bool TBrelk::WriteObject(std::uint32_t header, const TBrelkCatEntry& entry, const void* data,
                         std::uint32_t dataLength) {
    std::vector<std::uint8_t> objectHeader(kObjectHeaderSize, 0);
    std::copy(kObjectMagic.begin(), kObjectMagic.end(), objectHeader.begin());
    std::copy(entry.Bytes.begin(), entry.Bytes.end(), objectHeader.begin() + 16);
    const std::uint32_t padding = entry.Size() - dataLength;
    const std::vector<std::uint8_t> zeros(padding, 0);
    const std::uint32_t address = header + kObjectHeaderSize;
    return WriteRawBytes(objectHeader.data(), header, kObjectHeaderSize) &&
           WriteRawBytes(data, address, dataLength) &&
           WriteRawBytes(zeros.data(), address + dataLength, padding);
}

bool TBrelk::AddObjectToBrelk(TBrelkCatEntry& entry, const void* data, bool replaceExisting) {
    TBrelkCatEntry* target = nullptr;
    if (replaceExisting) {
        const std::string name = entry.Name();
        for (const auto& e : Catalogue)
            if (e->Type() == entry.Type() && SameName(e->Name(), name)) {
                target = e.get();
                break;
            }
    }
    TBrelkCatEntry copy = entry;
    if (!PlaceObject(copy, target, data))
        return false;
    if (!target)
        entry = copy;
    return true;
}

bool TBrelk::ReplaceObjectData(TBrelkCatEntry* target, const void* data, std::uint32_t length) {
    if (!InCatalogue(target))
        return false;
    TBrelkCatEntry copy = *target;
    copy.SetSize(length);
    return PlaceObject(copy, target, data);
}

// Writes the object described by Copy (Size = the data length) to a new place and enters it
// in the catalogue: as a new record when Target is none, else into Target.
bool TBrelk::PlaceObject(TBrelkCatEntry& copy, TBrelkCatEntry* target, const void* data) {
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
    std::uint32_t header = 0;
    if (alloc + kObjectHeaderSize > UsableLimit() ||
        !ChooseHeaderAddress(std::uint32_t(alloc) + kObjectHeaderSize, header))
        return false;
    if (header < kCatalogueHeaderSize + std::uint64_t(kCatEntrySize) * (Catalogue.size() + 1))
        return false; // card full: no room for one more catalogue entry below the header
    // Space freed since the last commit is still listed by the catalogue on the card: that
    // catalogue is replaced first, so a crash can never leave it listing overwritten data.
    if (OverlapsCommittedObject(header, header + alloc + kObjectHeaderSize) && !WriteCatalogue())
        return false;
    copy.SetSize(std::uint32_t(alloc));
    copy.SetAddress(header + kObjectHeaderSize);

    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false;
    bool ok = WriteObject(header, copy, data, dataLength);
    if (ok) {
        // A replaced object leaves its old footprint: the free space changes in two places
        // only, which the map takes in place (a rebuild sorts every footprint of the card).
        bool mapUpdated = false;
        // A replace that keeps the type, subtype and name keeps the record's place.
        bool placeKept = false;
        if (target) {
            placeKept = CatalogueSorted && CompareCatEntries(*target, copy) == 0;
            const std::int64_t oldStart = target->FootprintStart(), oldEnd = target->FootprintEnd();
            *target = copy;
            mapUpdated = MoveFootprintInFreeMap(oldStart, oldEnd, copy.FootprintStart(),
                                                copy.FootprintEnd());
        } else {
            Catalogue.push_back(std::make_unique<TBrelkCatEntry>(copy));
            target = Catalogue.back().get();
        }
        if (!placeKept)
            SortAfterChange(target);
        if (!mapUpdated)
            UpdateCatalogueHeader();
        CatalogueModified = true;
    }
    if (!wasOpen)
        CloseDevice();
    return ok;
}

bool TBrelk::UpdateCatEntry(TBrelkCatEntry* entry, const TBrelkCatEntry& newValues) {
    if (!InCatalogue(entry))
        return true;
    // With no overlapping objects the free space depends on the footprints alone: an entry
    // that keeps its Address and Size (a rename, a move to the deleted objects) leaves it be.
    const bool sameSpace = FreeMapIgnoresOrder && entry->Address() == newValues.Address() &&
                           entry->Size() == newValues.Size();
    *entry = newValues;
    const bool ok = RewriteHeaderOf(*entry);
    SortAfterChange(entry);
    if (!sameSpace)
        UpdateCatalogueHeader();
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

std::size_t
TBrelk::UpdateCatEntries(const std::vector<std::pair<TBrelkCatEntry*, TBrelkCatEntry>>& changes,
                         std::vector<TBrelkCatEntry*>* headerFailures) {
    // The changes by record, so that one walk of the catalogue finds each of them.
    std::vector<const std::pair<TBrelkCatEntry*, TBrelkCatEntry>*> byRecord;
    byRecord.reserve(changes.size());
    for (const auto& change : changes)
        byRecord.push_back(&change);
    // std::less orders any pointers, records of different allocations included.
    const std::less<const TBrelkCatEntry*> before;
    std::stable_sort(byRecord.begin(), byRecord.end(), [&before](const auto* a, const auto* b) {
        return before(a->first, b->first);
    });
    std::vector<const TBrelkCatEntry*> changed;
    bool sameSpace = FreeMapIgnoresOrder;
    for (const auto& record : Catalogue) {
        auto it = std::lower_bound(byRecord.begin(), byRecord.end(), record.get(),
                                   [&before](const auto* change, const TBrelkCatEntry* e) {
                                       return before(change->first, e);
                                   });
        // The last change listed for a record wins, as one-by-one updates would leave it.
        const std::pair<TBrelkCatEntry*, TBrelkCatEntry>* last = nullptr;
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
    if (!sameSpace)
        UpdateCatalogueHeader();
    CatalogueModified = true;
    return changed.size();
}

bool TBrelk::DeleteCatEntry(TBrelkCatEntry* entry) {
    auto it = std::find_if(Catalogue.begin(), Catalogue.end(),
                           [entry](const auto& e) { return entry && e.get() == entry; });
    if (it == Catalogue.end())
        return false;
    Catalogue.erase(it);
    UpdateCatalogueHeader();
    CatalogueModified = true;
    return true;
}

std::size_t TBrelk::DeleteCatEntries(const std::vector<TBrelkCatEntry*>& entries) {
    std::vector<TBrelkCatEntry*> doomed(entries);
    std::sort(doomed.begin(), doomed.end());
    const std::size_t before = Catalogue.size();
    std::erase_if(Catalogue, [&](const auto& e) {
        return std::binary_search(doomed.begin(), doomed.end(), e.get());
    });
    const std::size_t removed = before - Catalogue.size();
    if (removed > 0) {
        UpdateCatalogueHeader();
        CatalogueModified = true;
    }
    return removed;
}

} // namespace brelk
