// TBrelk: the on-card catalogue. Header at address 0, 64-byte entries after it; the
// in-memory list is the authority and is written back into the cache before every flush.
#include "card/Brelk.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <utility>

namespace brelk {

namespace {
constexpr std::uint32_t kFallbackBlock = 512; // before the device's block size is known
}

std::uint32_t TBrelk::CatalogueEnd() const {
    std::uint32_t block = BytesPerSector ? BytesPerSector : kFallbackBlock;
    return std::uint32_t(RoundUpToBlocks(
        kCatalogueHeaderSize + std::uint64_t(HeaderCount()) * kCatEntrySize, block));
}

bool TBrelk::ReadCatalogueHeader() {
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false;
    CatalogueProblem.clear();
    bool valid = ReadCard(CatalogueHeader.data(), 0, kCatalogueHeaderSize, false);
    OverlayJournal(CatalogueHeader.data(), 0, kCatalogueHeaderSize);
    if (!valid)
        CatalogueProblem = "the device could not be read";
    const char* magic = reinterpret_cast<const char*>(CatalogueHeader.data());
    valid = valid && SameName(std::string_view(magic, strnlen(magic, kCatalogueMagic.size())),
                              kCatalogueMagic);
    if (!valid)
        CatalogueHeader.fill(0);
    if (!wasOpen)
        CloseDevice();
    return valid;
}

void TBrelk::CatalogueCannotBeRead(const std::string& why) {
    Reporter.ReportError("Error - The catalogue of the Brelk-card cannot be read: " + why);
    CatalogueProblem = why;
    CatalogueValid = false;
    ClearFreeSpaceMap();
}

void TBrelk::ReadCatalogue() {
    Catalogue.clear();
    Indexed.clear();
    if (!CatalogueValid)
        return;
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return;
    std::uint32_t count = HeaderCount();
    // The catalogue as on the card, header and entries, read once: the records are made from
    // it, and it stays as the commit's record of what the card holds.
    std::vector<std::uint8_t> onCard(CatalogueHeader.begin(), CatalogueHeader.end());
    // Room for the longest catalogue: commits update it in place as it grows. Pages not
    // written take no memory.
    onCard.reserve(kCatalogueHeaderSize + kMaxCatalogueCount * kCatEntrySize);
    if (count > kMaxCatalogueCount) {
        CatalogueCannotBeRead("it claims " + std::to_string(count) + " entries, more than 65535");
    } else if (CatalogueEnd() > UsableLimit()) {
        CatalogueCannotBeRead("its " + std::to_string(count) +
                              " entries run past the usable end of the card");
    } else {
        onCard.resize(kCatalogueHeaderSize + std::size_t(count) * kCatEntrySize);
        const auto length = std::uint32_t(onCard.size() - kCatalogueHeaderSize);
        if (!ReadCard(onCard.data() + kCatalogueHeaderSize, kCatalogueHeaderSize, length, false))
            CatalogueCannotBeRead("the device could not be read");
        OverlayJournal(onCard.data() + kCatalogueHeaderSize, kCatalogueHeaderSize, length);
    }
    if (CatalogueValid) {
        Catalogue.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            auto entry = std::make_unique<TBrelkCatEntry>();
            std::copy_n(onCard.begin() + std::ptrdiff_t(kCatalogueHeaderSize + i * kCatEntrySize),
                        kCatEntrySize, entry->Bytes.begin());
            Catalogue.push_back(std::move(entry));
        }
        CatalogueSorted =
            std::is_sorted(Catalogue.begin(), Catalogue.end(), [](const auto& a, const auto& b) {
                return CompareCatEntries(*a, *b) < 0;
            });
        // The free-space map first: while the footprints are disjoint it also tells which
        // space the card's objects take, without a second sort of every footprint.
        UpdateCatalogueHeader();
        CardCatalogue = std::move(onCard);
        NoteWrittenCatalogue();
        CatalogueModified = false;
    }
    RebuildIndex();
    if (!wasOpen)
        CloseDevice();
}

void TBrelk::UpdateCatalogueHeader() {
    if (DeviceOK) {
        std::int64_t lowest = UsableLimit();
        for (const auto& entry : Catalogue)
            lowest = std::min(lowest, entry->FootprintStart());
        PutLE32(&CatalogueHeader[kHeaderCountOffset], std::uint32_t(Catalogue.size()));
        // A damaged entry below address 512 cannot be represented; it counts as address 0.
        PutLE32(&CatalogueHeader[kHeaderLowestOffset],
                std::uint32_t(std::max<std::int64_t>(lowest, 0)));
    }
    BuildFreeSpaceMap();
}

namespace {

using TSpan = std::pair<std::int64_t, std::int64_t>; // [first, end)

// The free records left when every footprint (in catalogue order) is taken out of
// [CatEnd, Limit) and a footprint that does not lie wholly inside one free record is passed
// over. The records are disjoint, so the one that can hold a footprint is the one with the
// greatest start not above the footprint's start: an ordered map finds it in log time.
std::vector<TSpan> SubtractInOrder(std::int64_t catEnd, std::int64_t limit,
                                   const std::vector<TSpan>& spans) {
    std::map<std::int64_t, std::int64_t> free{{catEnd, limit}}; // start -> end
    for (const auto& [first, end] : spans) {
        auto record = free.upper_bound(first);
        if (record == free.begin())
            continue;
        --record;
        const std::int64_t start = record->first, recordEnd = record->second;
        if (end > recordEnd)
            continue; // overlaps another object, the catalogue area or the safety zone
        if (end < recordEnd)
            free.emplace(end, recordEnd);
        if (first > start)
            record->second = first;
        else
            free.erase(record);
    }
    return {free.begin(), free.end()};
}

// Sorts Keys by their upper 32 bits (a card address). A large catalogue goes in two counting
// passes of 16 bits each, a few times faster than comparisons; keys of one address keep their
// order, which is all the gap search needs (two objects at one address overlap either way).
void SortByAddress(std::vector<std::uint64_t>& keys) {
    constexpr std::size_t kCountingFrom = 4096;
    if (keys.size() < kCountingFrom) {
        std::sort(keys.begin(), keys.end());
        return;
    }
    std::vector<std::uint64_t> sorted(keys.size());
    std::vector<std::uint32_t> starts(1u << 16);
    for (const int shift : {32, 48}) {
        std::fill(starts.begin(), starts.end(), 0);
        for (std::uint64_t key : keys)
            ++starts[(key >> shift) & 0xFFFF];
        std::uint32_t at = 0;
        for (std::uint32_t& start : starts)
            at += std::exchange(start, at);
        for (std::uint64_t key : keys)
            sorted[starts[(key >> shift) & 0xFFFF]++] = key;
        keys.swap(sorted);
    }
}

// The same result when no two footprints overlap and all lie inside [CatEnd, Limit) (any
// card written by this system): the gaps between the footprints sorted by address.
bool GapsBetweenDisjoint(std::int64_t catEnd, std::int64_t limit, const TCatalogue& catalogue,
                         std::vector<TSpan>& gaps) {
    // Address and Size packed in one number sort faster than pairs.
    std::vector<std::uint64_t> keys;
    keys.reserve(catalogue.size());
    for (const auto& entry : catalogue)
        keys.push_back(std::uint64_t(entry->Address()) << 32 | entry->Size());
    SortByAddress(keys);
    std::int64_t at = catEnd;
    for (std::uint64_t key : keys) {
        const std::int64_t first = std::int64_t(key >> 32) - kObjectHeaderSize;
        const std::int64_t end = std::int64_t(key >> 32) + std::int64_t(key & 0xFFFFFFFFu);
        if (first < at || end > limit)
            return false;
        if (first > at)
            gaps.emplace_back(at, first);
        at = end;
    }
    if (at < limit)
        gaps.emplace_back(at, limit);
    return true;
}

} // namespace

void TBrelk::BuildFreeSpaceMap() {
    ClearFreeSpaceMap();
    FreeMapIgnoresOrder = false;
    const std::int64_t catEnd = CatalogueEnd();
    const std::int64_t limit = UsableLimit();
    if (catEnd >= limit)
        return;
    std::vector<TSpan> gaps;
    FreeMapIgnoresOrder = GapsBetweenDisjoint(catEnd, limit, Catalogue, gaps);
    if (!FreeMapIgnoresOrder) {
        std::vector<TSpan> spans;
        spans.reserve(Catalogue.size());
        for (const auto& entry : Catalogue)
            spans.emplace_back(entry->FootprintStart(), entry->FootprintEnd());
        gaps = SubtractInOrder(catEnd, limit, spans);
    }
    FreeSpaceMap.reserve(gaps.size());
    for (const auto& [start, end] : gaps) {
        FreeSpaceMap.push_back({std::uint32_t(start), std::uint32_t(end - start)});
        IndexFreeRecord(FreeSpaceMap.back());
    }
}

std::uint64_t TBrelk::GetUsedBytes() const {
    std::uint64_t used = CatalogueValid ? CatalogueEnd() : 0;
    for (const auto& entry : Catalogue)
        used += std::uint64_t(entry->Size()) + kObjectHeaderSize;
    return used;
}

void TBrelk::SortCatalogue() {
    auto less = [](const auto& a, const auto& b) { return CompareCatEntries(*a, *b) < 0; };
    if (!CatalogueSorted)
        std::stable_sort(Catalogue.begin(), Catalogue.end(), less);
    CatalogueSorted = true;
}

void TBrelk::SortAfterChanges(std::vector<const TBrelkCatEntry*> changed) {
    if (!CatalogueSorted)
        return SortCatalogue();
    // The unchanged records keep their order: the changed ones are taken out, sorted and
    // merged back in, each behind the records that compare equal to it.
    auto less = [](const auto& a, const auto& b) { return CompareCatEntries(*a, *b) < 0; };
    const std::less<const TBrelkCatEntry*> before; // orders any pointers
    std::sort(changed.begin(), changed.end(), before);
    const auto middle = std::stable_partition(
        Catalogue.begin(), Catalogue.end(), [&changed, &before](const auto& e) {
            return !std::binary_search(changed.begin(), changed.end(), e.get(), before);
        });
    std::stable_sort(middle, Catalogue.end(), less);
    std::inplace_merge(Catalogue.begin(), middle, Catalogue.end(), less);
}

} // namespace brelk
