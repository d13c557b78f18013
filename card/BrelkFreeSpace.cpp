// TBrelk: catalogue changes in one pass. While no two objects overlap, the free-space map is
// updated in place (a footprint taken out of one free record, a footprint given back and
// joined with its neighbours) and the lowest used address read off it; records are found
// through an index and the sorted order instead of a walk over the whole catalogue.
#include "card/Brelk.h"

#include <algorithm>

namespace brelk {

namespace {

std::uint64_t EndOf(const TBrelkFreeBlock& record) {
    return std::uint64_t(record.Start) + record.Length;
}

const TBrelkCatEntry* Ref(const std::unique_ptr<TBrelkCatEntry>& entry) {
    return entry.get();
}
const TBrelkCatEntry* Ref(const TBrelkCatEntry* entry) {
    return entry;
}

bool Less(const std::unique_ptr<TBrelkCatEntry>& a, const std::unique_ptr<TBrelkCatEntry>& b) {
    return CompareCatEntries(*a, *b) < 0;
}

} // namespace

void TBrelk::RebuildIndex() {
    Indexed.clear();
    Indexed.reserve(Catalogue.size());
    for (const auto& entry : Catalogue)
        Indexed.insert(entry.get());
}

bool TBrelk::IndexCurrent() const {
    return Indexed.size() == Catalogue.size();
}

std::size_t TBrelk::PositionOf(const TBrelkCatEntry* entry) const {
    if (CatalogueSorted) {
        // Records of equal order keys stand together; the one sought is among them.
        auto range = std::equal_range(
            Catalogue.begin(), Catalogue.end(), entry,
            [](const auto& a, const auto& b) { return CompareCatEntries(*Ref(a), *Ref(b)) < 0; });
        for (auto it = range.first; it != range.second; ++it)
            if (it->get() == entry)
                return std::size_t(it - Catalogue.begin());
    }
    auto it = std::find_if(Catalogue.begin(), Catalogue.end(),
                           [entry](const auto& e) { return e.get() == entry; });
    return std::size_t(it - Catalogue.begin());
}

void TBrelk::MoveToSortedPlace(std::size_t position) {
    if (position >= Catalogue.size() || !CatalogueSorted)
        return SortCatalogue();
    // The rest is sorted: the record moves to its ordered place, shifting only the records
    // between its old and new places (none when its order key kept it where it is).
    const auto at = Catalogue.begin() + std::ptrdiff_t(position);
    const auto before = std::upper_bound(Catalogue.begin(), at, *at, Less);
    if (before != at)
        return void(std::rotate(before, at, at + 1));
    const auto after = std::lower_bound(at + 1, Catalogue.end(), *at, Less);
    std::rotate(at, at + 1, after);
}

void TBrelk::IndexFreeRecord(const TBrelkFreeBlock& record) {
    FreeBySize.emplace(record.Length, record.Start);
}

void TBrelk::UnindexFreeRecord(const TBrelkFreeBlock& record) {
    FreeBySize.erase({record.Length, record.Start});
}

void TBrelk::ClearFreeSpaceMap() {
    FreeSpaceMap.clear();
    FreeBySize.clear();
}

namespace {
// What stays of a free record when the catalogue grows up to Floor.
std::uint64_t UsableLength(const TBrelkFreeBlock& record, std::uint64_t floor) {
    const std::uint64_t start = std::max<std::uint64_t>(record.Start, floor);
    return EndOf(record) > start ? EndOf(record) - start : 0;
}
} // namespace

const TBrelkFreeBlock* TBrelk::IndexedRecord(std::uint32_t length, std::uint32_t start) const {
    auto record =
        std::lower_bound(FreeSpaceMap.begin(), FreeSpaceMap.end(), start,
                         [](const TBrelkFreeBlock& r, std::uint32_t at) { return r.Start < at; });
    if (record != FreeSpaceMap.end() && record->Start == start && record->Length == length)
        return &*record;
    return nullptr;
}

const TBrelkFreeBlock* TBrelk::BestFit(std::uint32_t footprint, std::uint64_t floor) const {
    const TBrelkFreeBlock* best = nullptr;
    auto consider = [&](const TBrelkFreeBlock& record) {
        const std::uint64_t usable = UsableLength(record, floor);
        if (usable >= footprint && (!best || usable < UsableLength(*best, floor)))
            best = &record;
    };
    // Only records that start below Floor are shortened; they stand first by address.
    for (auto r = FreeSpaceMap.begin(); r != FreeSpaceMap.end() && r->Start < floor; ++r)
        consider(*r);
    bool indexHolds = true;
    for (auto fit = FreeBySize.lower_bound({footprint, 0}); fit != FreeBySize.end(); ++fit) {
        const TBrelkFreeBlock* record = IndexedRecord(fit->first, fit->second);
        indexHolds = record != nullptr;
        if (!indexHolds || record->Start >= floor) {
            if (record)
                consider(*record);
            break;
        }
    }
    if (best && indexHolds)
        return best;
    // Nothing fits, or the map was changed past the index: the walk decides.
    best = nullptr;
    for (const auto& record : FreeSpaceMap)
        consider(record);
    return best;
}

bool TBrelk::TakeFreeSpan(std::int64_t first, std::int64_t end) {
    auto record = std::upper_bound(
        FreeSpaceMap.begin(), FreeSpaceMap.end(), first,
        [](std::int64_t at, const TBrelkFreeBlock& r) { return at < std::int64_t(r.Start); });
    if (record == FreeSpaceMap.begin() || first >= end)
        return false;
    --record;
    const std::int64_t start = record->Start, recordEnd = std::int64_t(EndOf(*record));
    if (end > recordEnd)
        return false; // not wholly inside one free record: the objects would overlap
    UnindexFreeRecord(*record);
    if (first > start) {
        record->Length = std::uint32_t(first - start);
        IndexFreeRecord(*record);
        if (end < recordEnd)
            IndexFreeRecord(*FreeSpaceMap.insert(
                record + 1, {std::uint32_t(end), std::uint32_t(recordEnd - end)}));
    } else if (end < recordEnd) {
        *record = {std::uint32_t(end), std::uint32_t(recordEnd - end)};
        IndexFreeRecord(*record);
    } else {
        FreeSpaceMap.erase(record);
    }
    return true;
}

bool TBrelk::ReleaseSpan(std::int64_t first, std::int64_t end) {
    if (first >= end)
        return false;
    auto next = std::lower_bound(
        FreeSpaceMap.begin(), FreeSpaceMap.end(), first,
        [](const TBrelkFreeBlock& r, std::int64_t at) { return std::int64_t(r.Start) < at; });
    if (next != FreeSpaceMap.end() && std::int64_t(next->Start) < end)
        return false; // part of it is free already
    const bool joinsNext = next != FreeSpaceMap.end() && std::int64_t(next->Start) == end;
    if (next != FreeSpaceMap.begin()) {
        auto previous = std::prev(next);
        if (std::int64_t(EndOf(*previous)) > first)
            return false;
        if (std::int64_t(EndOf(*previous)) == first) {
            UnindexFreeRecord(*previous);
            previous->Length = std::uint32_t(end - previous->Start);
            if (joinsNext) {
                UnindexFreeRecord(*next);
                previous->Length += next->Length;
                FreeSpaceMap.erase(next); // previous stands before it and stays valid
            }
            IndexFreeRecord(*previous);
            return true;
        }
    }
    if (joinsNext) {
        UnindexFreeRecord(*next);
        *next = {std::uint32_t(first), std::uint32_t(end - first + next->Length)};
        IndexFreeRecord(*next);
    } else {
        IndexFreeRecord(
            *FreeSpaceMap.insert(next, {std::uint32_t(first), std::uint32_t(end - first)}));
    }
    return true;
}

bool TBrelk::MoveCatalogueEnd(std::uint32_t oldEnd) {
    const std::uint32_t newEnd = CatalogueEnd();
    if (newEnd > oldEnd)
        return TakeFreeSpan(oldEnd, newEnd);
    if (newEnd < oldEnd)
        return ReleaseSpan(newEnd, oldEnd);
    return true;
}

void TBrelk::SpaceChanged(const std::vector<TFootprint>& released,
                          const std::vector<TFootprint>& taken, bool indexWasCurrent) {
    if (!indexWasCurrent)
        RebuildIndex();
    const std::uint32_t oldCatalogueEnd = CatalogueEnd();
    bool inPlace = FreeMapIgnoresOrder && indexWasCurrent && DeviceOK;
    if (!inPlace)
        return UpdateCatalogueHeader();
    PutLE32(&CatalogueHeader[kHeaderCountOffset], std::uint32_t(Catalogue.size()));
    for (const auto& [first, end] : released)
        inPlace = inPlace && ReleaseSpan(first, end);
    for (const auto& [first, end] : taken)
        inPlace = inPlace && TakeFreeSpan(first, end);
    inPlace = inPlace && MoveCatalogueEnd(oldCatalogueEnd);
    if (!inPlace)
        return UpdateCatalogueHeader(); // the objects overlap now: the map depends on their order
    // With disjoint footprints the lowest one starts where the first free record ends, or at
    // the catalogue's end when an object begins there.
    const std::uint32_t catalogueEnd = CatalogueEnd();
    std::uint32_t lowest = catalogueEnd;
    if (!FreeSpaceMap.empty() && FreeSpaceMap.front().Start == catalogueEnd)
        lowest = std::uint32_t(EndOf(FreeSpaceMap.front()));
    PutLE32(&CatalogueHeader[kHeaderLowestOffset], lowest);
}

TBrelkCatEntry* TBrelk::FindSameObject(const TBrelkCatEntry& entry) const {
    const std::string name = entry.Name();
    auto same = [&](const auto& e) {
        return e->Type() == entry.Type() && SameName(e->Name(), name);
    };
    // A short or unsorted catalogue is searched from the start.
    constexpr std::size_t kSearchedInOrder = 4096;
    if (!CatalogueSorted || Catalogue.size() <= kSearchedInOrder) {
        auto it = std::find_if(Catalogue.begin(), Catalogue.end(), same);
        return it == Catalogue.end() ? nullptr : it->get();
    }
    // In a sorted catalogue the records of one type, subtype and name stand together: the
    // first of them for any subtype is the one sought.
    auto first = Catalogue.end();
    auto probe = std::make_unique<TBrelkCatEntry>(entry);
    for (unsigned subtype = 0; subtype < 256; ++subtype) {
        probe->SetSubtype(std::uint8_t(subtype));
        auto it = std::lower_bound(Catalogue.begin(), first, probe, Less);
        for (; it != first && CompareCatEntries(**it, *probe) == 0; ++it)
            if (same(*it)) {
                first = it;
                break;
            }
    }
    return first == Catalogue.end() ? nullptr : first->get();
}

} // namespace brelk
