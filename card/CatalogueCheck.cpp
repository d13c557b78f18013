#include "card/CatalogueCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <numeric>
#include <optional>
#include <set>

namespace brelk {

namespace {

using TSpan = std::pair<std::int64_t, std::int64_t>; // [first, end)

std::string Hex(std::int64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
    return text;
}

std::string Describe(std::size_t index, const TBrelkCatEntry& entry) {
    return "entry " + std::to_string(index) + " ('" + VisibleName(entry.Name()) + "' at " +
           Hex(entry.Address()) + ", " + std::to_string(entry.Size()) + " bytes)";
}

bool IsEmpty(const TBrelkCatEntry& entry) {
    return entry.Address() == 0 && entry.Size() == 0;
}

std::int64_t CatalogueEndFor(std::uint64_t count, std::uint32_t block) {
    return std::int64_t(RoundUpToBlocks(kCatalogueHeaderSize + count * kCatEntrySize, block));
}

TBrelkCatEntry EntryAt(const std::vector<std::uint8_t>& bytes, std::size_t index) {
    TBrelkCatEntry entry;
    std::copy_n(bytes.begin() + std::ptrdiff_t(kCatalogueHeaderSize + index * kCatEntrySize),
                kCatEntrySize, entry.Bytes.begin());
    return entry;
}

// What the object header in front of an entry's data says.
struct THeaderState {
    bool Magic = false; // "BrelkEnt" is there
    bool Place = false; // and its copy of the entry has the same Address and Size
    bool Same = false;  // and its copy is the entry's 64 bytes
};

bool HeaderMagic(const std::uint8_t* header) {
    return std::memcmp(header, kObjectMagic.data(), kObjectMagic.size()) == 0;
}

// Reads the headers in address order, so that the cache window serves neighbours.
std::vector<THeaderState> ReadHeaders(TBrelk& card, const std::vector<TBrelkCatEntry>& entries,
                                      std::int64_t limit, const TCheckProgress& progress = {}) {
    std::vector<THeaderState> states(entries.size());
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](auto a, auto b) { return entries[a].Address() < entries[b].Address(); });
    std::vector<std::uint8_t> header(kObjectHeaderSize);
    std::size_t done = 0;
    for (std::size_t i : order) {
        if (progress)
            progress(++done, entries.size());
        const TBrelkCatEntry& entry = entries[i];
        if (entry.FootprintStart() < 0 || entry.Address() > limit ||
            !card.ReadMMC(header.data(), std::uint32_t(entry.FootprintStart()), kObjectHeaderSize))
            continue;
        TBrelkCatEntry copy;
        std::copy_n(header.begin() + 16, kCatEntrySize, copy.Bytes.begin());
        states[i].Magic = HeaderMagic(header.data());
        states[i].Place =
            states[i].Magic && copy.Address() == entry.Address() && copy.Size() == entry.Size();
        states[i].Same = states[i].Magic && copy.Bytes == entry.Bytes;
    }
    return states;
}

// The gaps of [CatEnd, Limit) that no footprint covers.
std::vector<TSpan> FreeGaps(const std::vector<TBrelkCatEntry>& entries, std::int64_t catEnd,
                            std::int64_t limit) {
    std::vector<TSpan> spans;
    for (const auto& entry : entries)
        spans.emplace_back(entry.FootprintStart(), entry.FootprintEnd());
    std::sort(spans.begin(), spans.end());
    std::vector<TSpan> gaps;
    std::int64_t at = catEnd;
    for (const auto& [first, end] : spans) {
        if (first > at && at < limit)
            gaps.emplace_back(at, std::min(first, limit));
        at = std::max(at, end);
    }
    if (at < limit)
        gaps.emplace_back(at, limit);
    return gaps;
}

// Object headers ("BrelkEnt" whose copy places the object right behind it) in the gaps.
std::vector<TBrelkCatEntry> FindLooseObjects(TBrelk& card, const std::vector<TSpan>& gaps,
                                             std::uint32_t block) {
    constexpr std::int64_t kChunk = 1 << 20;
    std::vector<TBrelkCatEntry> found;
    std::vector<std::uint8_t> chunk;
    for (const auto& [first, end] : gaps) {
        std::int64_t chunkStart = 0, chunkEnd = 0;
        for (std::int64_t at = std::int64_t(RoundUpToBlocks(std::uint64_t(first), block));
             at + kObjectHeaderSize <= end;) {
            if (at + kObjectHeaderSize > chunkEnd) {
                chunkStart = at;
                chunkEnd = std::min(end, at + kChunk);
                chunk.resize(std::size_t(chunkEnd - chunkStart));
                if (!card.ReadMMC(chunk.data(), std::uint32_t(chunkStart),
                                  std::uint32_t(chunk.size())))
                    return found;
            }
            const std::uint8_t* header = chunk.data() + (at - chunkStart);
            TBrelkCatEntry copy;
            std::copy_n(header + 16, kCatEntrySize, copy.Bytes.begin());
            if (HeaderMagic(header) && copy.FootprintStart() == at && copy.Size() > 0 &&
                copy.FootprintEnd() <= end) {
                found.push_back(copy);
                at = copy.FootprintEnd();
                at = std::int64_t(RoundUpToBlocks(std::uint64_t(at), block));
            } else {
                at += block;
            }
        }
    }
    return found;
}

void Add(std::vector<TFinding>& findings, TFindingKind kind, std::string text, bool damage = true) {
    findings.push_back({kind, damage, std::move(text)});
}

TFinding EmptyFault(std::size_t index, std::size_t count) {
    return {TFindingKind::EmptyEntry, true,
            "entry " + std::to_string(index) + " is empty but lies within Count " +
                std::to_string(count)};
}

// An entry whose footprint leaves the object area [CatEnd, Limit).
std::optional<TFinding> PlaceFault(std::size_t i, const TBrelkCatEntry& e, const TCardGeometry& g,
                                   std::int64_t catEnd) {
    if (e.FootprintEnd() > std::int64_t(g.CardSize))
        return TFinding{TFindingKind::PastCard, true,
                        Describe(i, e) + " lies past the end of the card"};
    if (e.FootprintEnd() > std::int64_t(g.Limit))
        return TFinding{TFindingKind::InSafetyZone, true,
                        Describe(i, e) + " reaches into the safety zone"};
    if (e.FootprintStart() < catEnd)
        return TFinding{TFindingKind::InCatalogueArea, true,
                        Describe(i, e) + " overlaps the catalogue area"};
    return std::nullopt;
}

// Places, duplicates and overlaps of the entries.
void FindEntryDamage(const std::vector<TBrelkCatEntry>& entries, const TCardGeometry& g,
                     std::vector<TFinding>& findings) {
    const std::int64_t catEnd = CatalogueEndFor(entries.size(), g.Block);
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::size_t> seen;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TBrelkCatEntry& e = entries[i];
        if (IsEmpty(e)) {
            findings.push_back(EmptyFault(i, entries.size()));
            continue;
        }
        auto [it, fresh] = seen.emplace(std::make_pair(e.Address(), e.Size()), i);
        if (!fresh) {
            Add(findings, TFindingKind::Duplicate,
                Describe(i, e) + " duplicates entry " + std::to_string(it->second));
            continue;
        }
        if (auto fault = PlaceFault(i, e, g, catEnd))
            findings.push_back(std::move(*fault));
        else
            order.push_back(i);
    }
    std::sort(order.begin(), order.end(), [&](auto a, auto b) {
        return entries[a].FootprintStart() < entries[b].FootprintStart();
    });
    std::size_t reach = 0; // the entry whose footprint reaches furthest so far
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto& e = entries[order[k]];
        if (k > 0 && entries[reach].FootprintEnd() > e.FootprintStart())
            Add(findings, TFindingKind::Overlap,
                Describe(order[k], e) + " overlaps " + Describe(reach, entries[reach]));
        if (k == 0 || e.FootprintEnd() > entries[reach].FootprintEnd())
            reach = order[k];
    }
}

const TBrelkCatEntry& Ref(const TBrelkCatEntry& entry) {
    return entry;
}
const TBrelkCatEntry& Ref(const TBrelkCatEntry* entry) {
    return *entry;
}

// The lowest footprint of the entries (a list of entries or a view of the card's records).
template <class TList> std::int64_t LowestFootprint(const TList& entries, const TCardGeometry& g) {
    std::int64_t lowest = std::int64_t(g.Limit);
    for (const auto& item : entries)
        if (const TBrelkCatEntry& e = Ref(item); !IsEmpty(e)) // reported already
            lowest = std::min(lowest, std::max<std::int64_t>(e.FootprintStart(), 0));
    return lowest;
}

// The header's lowest used address against the one the entries give.
std::optional<TFinding> LowestFault(const std::vector<std::uint8_t>& bytes, std::int64_t lowest) {
    const std::uint32_t stated = GetLE32(&bytes[kHeaderLowestOffset]);
    if (std::int64_t(stated) == lowest)
        return std::nullopt;
    return TFinding{TFindingKind::LowestMismatch, true,
                    "the lowest used address is " + Hex(stated) + " in the header but " +
                        Hex(lowest) + " by the entries"};
}

// The first entry that is empty, leaves the object area or is out of catalogue order.
std::optional<TFinding> FirstMisplacedEntry(TEntriesView entries, const TCardGeometry& g) {
    const std::int64_t catEnd = CatalogueEndFor(entries.size(), g.Block);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TBrelkCatEntry& e = *entries[i];
        if (IsEmpty(e))
            return EmptyFault(i, entries.size());
        if (auto fault = PlaceFault(i, e, g, catEnd))
            return fault;
        if (i > 0 && CompareCatEntries(*entries[i - 1], e) > 0)
            return TFinding{TFindingKind::OutOfOrder, true,
                            Describe(i, e) + " is out of catalogue order"};
    }
    return std::nullopt;
}

// The first two entries whose footprints overlap (a duplicate included).
std::optional<TFinding> FirstOverlap(TEntriesView entries) {
    std::vector<std::uint32_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [&](auto a, auto b) { return entries[a]->Address() < entries[b]->Address(); });
    for (std::size_t k = 1; k < order.size(); ++k) {
        // In address order a footprint that overlaps any other overlaps its predecessor.
        const TBrelkCatEntry &before = *entries[order[k - 1]], &e = *entries[order[k]];
        if (before.FootprintEnd() > e.FootprintStart())
            return TFinding{TFindingKind::Overlap, true,
                            Describe(order[k], e) + " overlaps " + Describe(order[k - 1], before)};
    }
    return std::nullopt;
}

// The object header in front of the lowest entry (the newest object while nothing was
// deleted) must carry that entry's Address and Size.
std::optional<TFinding> NewestHeaderFault(TBrelk& card, TEntriesView entries) {
    if (entries.empty())
        return std::nullopt;
    const auto newest = std::min_element(
        entries.begin(), entries.end(), [](auto a, auto b) { return a->Address() < b->Address(); });
    const TBrelkCatEntry& e = **newest;
    std::vector<std::uint8_t> header(kObjectHeaderSize);
    if (!card.ReadMMCBlocks(header.data(), std::uint32_t(e.FootprintStart()), kObjectHeaderSize))
        return TFinding{TFindingKind::Unreadable, true,
                        "the object header at " + Hex(e.FootprintStart()) + " could not be read"};
    TBrelkCatEntry copy;
    std::copy_n(header.begin() + 16, kCatEntrySize, copy.Bytes.begin());
    if (HeaderMagic(header.data()) && copy.Address() == e.Address() && copy.Size() == e.Size())
        return std::nullopt;
    return TFinding{TFindingKind::HeaderDiffers, true,
                    Describe(std::size_t(newest - entries.begin()), e) +
                        ": no object header of it in front of the data"};
}

} // namespace

bool TCardCheck::Damaged() const {
    return !Formatted ||
           std::any_of(Findings.begin(), Findings.end(), [](const auto& f) { return f.Damage; });
}

bool TCardCheck::Torn() const {
    return std::any_of(Findings.begin(), Findings.end(), [](const auto& f) {
        return f.Kind == TFindingKind::Duplicate || f.Kind == TFindingKind::EmptyEntry ||
               f.Kind == TFindingKind::LowestMismatch;
    });
}

TCardGeometry GeometryOf(const TBrelk& card) {
    const TCardState state = card.State();
    return {state.CardSize, card.UsableLimit(), state.BytesPerSector ? state.BytesPerSector : 512u};
}

std::vector<TFinding> FindCatalogueDamage(const std::vector<std::uint8_t>& bytes,
                                          const TCardGeometry& g,
                                          std::vector<TBrelkCatEntry>& entries) {
    std::vector<TFinding> findings;
    entries.clear();
    if (bytes.size() < kCatalogueHeaderSize ||
        !SameName(std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                   strnlen(reinterpret_cast<const char*>(bytes.data()), 8)),
                  kCatalogueMagic)) {
        Add(findings, TFindingKind::NotFormatted, "the card carries no Brelk catalogue");
        return findings;
    }
    const std::uint32_t count = GetLE32(&bytes[kHeaderCountOffset]);
    if (count > kMaxCatalogueCount)
        Add(findings, TFindingKind::CountTooLarge,
            "Count " + std::to_string(count) + " is above 65535");
    else if (CatalogueEndFor(count, g.Block) > std::int64_t(g.Limit))
        Add(findings, TFindingKind::CatalogueTooLong,
            "the " + std::to_string(count) + " entries run past the usable end of the card");
    const std::size_t readable = (bytes.size() - kCatalogueHeaderSize) / kCatEntrySize;
    for (std::size_t i = 0; i < std::min<std::size_t>(count, readable); ++i)
        entries.push_back(EntryAt(bytes, i));
    if (!findings.empty())
        return findings;
    FindEntryDamage(entries, g, findings);
    if (auto fault = LowestFault(bytes, LowestFootprint(entries, g)))
        findings.push_back(std::move(*fault));
    return findings;
}

std::optional<TFinding> QuickCheckCard(TBrelk& card) {
    if (!card.State().CatalogueValid) {
        if (card.CatalogueError().empty())
            return std::nullopt; // no catalogue at all: not formatted
        return TFinding{TFindingKind::Unreadable, true,
                        "the catalogue cannot be read: " + card.CatalogueError()};
    }
    // The records as read; the header's lowest used address as on the card (the one in
    // memory is recomputed from the records).
    const TEntriesView entries = card.Entries();
    const std::vector<std::uint8_t>& onCard = card.CardCatalogueBytes();
    const TCardGeometry g = GeometryOf(card);
    if (auto fault = FirstMisplacedEntry(entries, g))
        return fault;
    if (auto fault = FirstOverlap(entries))
        return fault;
    if (onCard.size() >= kCatalogueHeaderSize)
        if (auto fault = LowestFault(onCard, LowestFootprint(entries, g)))
            return fault;
    return NewestHeaderFault(card, entries);
}

TCardCheck CheckCard(TBrelk& card, const TCheckProgress& progress) {
    TCardCheck check;
    const TCardGeometry g = GeometryOf(card);
    std::vector<std::uint8_t> header(kCatalogueHeaderSize);
    if (!card.State().DeviceOK || !card.ReadMMC(header.data(), 0, kCatalogueHeaderSize)) {
        Add(check.Findings, TFindingKind::Unreadable, "the catalogue could not be read");
        return check;
    }
    std::uint64_t count =
        std::min<std::uint64_t>(GetLE32(&header[kHeaderCountOffset]), kMaxCatalogueCount);
    count = std::min<std::uint64_t>(count, g.Limit > kCatalogueHeaderSize
                                               ? (g.Limit - kCatalogueHeaderSize) / kCatEntrySize
                                               : 0);
    check.OnCard = header;
    check.OnCard.resize(kCatalogueHeaderSize + count * kCatEntrySize);
    if (!card.ReadMMC(check.OnCard.data() + kCatalogueHeaderSize, kCatalogueHeaderSize,
                      std::uint32_t(count * kCatEntrySize))) {
        Add(check.Findings, TFindingKind::Unreadable, "the catalogue could not be read");
        return check;
    }
    check.Findings = FindCatalogueDamage(check.OnCard, g, check.Entries);
    if (card.InterruptedChangePending())
        Add(check.Findings, TFindingKind::InterruptedChange,
            "a catalogue change was cut short; its journal in the state folder undoes it at the "
            "next opening for writing (check --repair, or any command that writes)");
    check.Formatted =
        check.Findings.empty() || check.Findings.front().Kind != TFindingKind::NotFormatted;
    if (!check.Formatted)
        return check;
    const auto states = ReadHeaders(card, check.Entries, std::int64_t(g.Limit), progress);
    for (std::size_t i = 0; i < check.Entries.size(); ++i)
        if (!IsEmpty(check.Entries[i]) && !states[i].Same)
            Add(check.Findings, TFindingKind::HeaderDiffers,
                Describe(i, check.Entries[i]) +
                    (states[i].Magic ? ": the object header's copy of the entry differs"
                                     : ": no object header in front of the data"),
                false);
    const auto gaps =
        FreeGaps(check.Entries, CatalogueEndFor(check.Entries.size(), g.Block), g.Limit);
    check.LooseObjects = FindLooseObjects(card, gaps, g.Block);
    for (const auto& loose : check.LooseObjects)
        Add(check.Findings, TFindingKind::HeaderInFreeSpace,
            "object header of '" + VisibleName(loose.Name()) + "' (" +
                std::to_string(loose.Size()) + " bytes) in free space at " +
                Hex(loose.FootprintStart()),
            false);
    return check;
}

namespace {

// The entries without empty, duplicated and impossible ones; among overlapping entries
// those whose object header confirms them are kept first.
std::vector<TBrelkCatEntry> DropDamagedEntries(TBrelk& card, const TCardCheck& check,
                                               const TCardGeometry& g,
                                               std::vector<std::string>& changes) {
    const auto& entries = check.Entries;
    const std::int64_t catEnd = CatalogueEndFor(entries.size(), g.Block);
    const auto states = ReadHeaders(card, entries, std::int64_t(g.Limit));
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](auto a, auto b) { return states[a].Place && !states[b].Place; });
    std::set<TSpan> kept;
    std::vector<bool> keep(entries.size(), false);
    std::vector<std::string> dropped(entries.size());
    for (std::size_t i : order) {
        const TBrelkCatEntry& e = entries[i];
        const TSpan span{e.FootprintStart(), e.FootprintEnd()};
        if (IsEmpty(e)) {
            dropped[i] = "dropped entry " + std::to_string(i) + ": empty";
            continue;
        }
        if (span.second > std::int64_t(g.Limit) || span.first < catEnd) {
            dropped[i] = "dropped " + Describe(i, e) + ": it lies outside the object area";
            continue;
        }
        auto next = kept.lower_bound({span.first, std::numeric_limits<std::int64_t>::min()});
        const bool clashNext = next != kept.end() && next->first < span.second;
        const bool clashPrev = next != kept.begin() && std::prev(next)->second > span.first;
        if (clashNext || clashPrev) {
            dropped[i] = "dropped " + Describe(i, e) + ": it duplicates or overlaps another entry";
            continue;
        }
        kept.insert(span);
        keep[i] = true;
    }
    std::vector<TBrelkCatEntry> result;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (keep[i])
            result.push_back(entries[i]);
        else
            changes.push_back(dropped[i]);
    }
    return result;
}

// Adds the object headers found in the free space of Entries, as long as the catalogue area
// stays below every object and Count within 65535.
void AddBackLooseObjects(TBrelk& card, const TCardGeometry& g, std::vector<TBrelkCatEntry>& entries,
                         const std::set<std::array<std::uint8_t, kCatEntrySize>>* onlyThese,
                         std::vector<std::string>& changes) {
    const std::int64_t catEnd = CatalogueEndFor(entries.size(), g.Block);
    auto loose = FindLooseObjects(card, FreeGaps(entries, catEnd, g.Limit), g.Block);
    std::sort(loose.begin(), loose.end(),
              [](const auto& a, const auto& b) { return a.Address() > b.Address(); });
    std::int64_t lowest = std::int64_t(g.Limit);
    for (const auto& e : entries)
        lowest = std::min(lowest, e.FootprintStart());
    for (const auto& object : loose) {
        if (onlyThese && !onlyThese->count(object.Bytes))
            continue;
        const std::int64_t newLowest = std::min(lowest, object.FootprintStart());
        if (entries.size() >= kMaxCatalogueCount ||
            CatalogueEndFor(entries.size() + 1, g.Block) > newLowest) {
            changes.push_back("not added back '" + VisibleName(object.Name()) + "' at " +
                              Hex(object.Address()) + ": no room for its entry");
            continue;
        }
        entries.push_back(object);
        lowest = newLowest;
        changes.push_back("added back '" + VisibleName(object.Name()) + "' at " +
                          Hex(object.Address()) + " (" + std::to_string(object.Size()) +
                          " bytes) from its object header");
    }
}

// The kept catalogue's entries when it may replace the card's: same card, no damage, every
// object where its entry says.
bool UsableKeptCatalogue(TBrelk& card, const TCardGeometry& g, const TKeptCatalogue& kept,
                         std::vector<TBrelkCatEntry>& entries) {
    if (kept.Card != CardIdentity(card.DevicePath()) || kept.CardSize != card.State().CardSize)
        return false;
    if (!FindCatalogueDamage(kept.Bytes, g, entries).empty())
        return false;
    const auto states = ReadHeaders(card, entries, std::int64_t(g.Limit));
    return std::all_of(states.begin(), states.end(), [](const auto& s) { return s.Place; });
}

void ListDifferences(const std::vector<TBrelkCatEntry>& from, const std::vector<TBrelkCatEntry>& to,
                     std::vector<std::string>& changes) {
    std::multiset<std::array<std::uint8_t, kCatEntrySize>> before, after;
    for (const auto& e : from)
        before.insert(e.Bytes);
    for (const auto& e : to)
        after.insert(e.Bytes);
    for (std::size_t i = 0; i < from.size(); ++i)
        if (auto it = after.find(from[i].Bytes); it != after.end())
            after.erase(it);
        else
            changes.push_back("removed " + Describe(i, from[i]));
    for (const auto& e : to)
        if (auto it = before.find(e.Bytes); it != before.end())
            before.erase(it);
        else
            changes.push_back("restored '" + VisibleName(e.Name()) + "' at " + Hex(e.Address()) +
                              " (" + std::to_string(e.Size()) + " bytes)");
}

} // namespace

bool PlanUndo(TBrelk& card, const TCardCheck& check, const TKeptCatalogue& kept, TRepairPlan& plan,
              std::string& why) {
    plan = {};
    if (!UsableKeptCatalogue(card, GeometryOf(card), kept, plan.Entries)) {
        why = "the catalogue before the last change is damaged or lists objects that are no "
              "longer where it says";
        return false;
    }
    plan.FromKept = true;
    plan.Changes.push_back("the catalogue before the last change (" +
                           std::to_string(plan.Entries.size()) + " entries) replaces the card's (" +
                           std::to_string(check.Entries.size()) + " entries)");
    ListDifferences(check.Entries, plan.Entries, plan.Changes);
    return true;
}

TRepairPlan PlanRepair(TBrelk& card, const TCardCheck& check, const TKeptCatalogue* kept) {
    TRepairPlan plan;
    const TCardGeometry g = GeometryOf(card);
    if (kept && UsableKeptCatalogue(card, g, *kept, plan.Entries)) {
        plan.FromKept = true;
        plan.Changes.push_back("the kept previous catalogue (" +
                               std::to_string(plan.Entries.size()) + " entries) replaces the " +
                               "card's (" + std::to_string(check.Entries.size()) + " entries)");
        ListDifferences(check.Entries, plan.Entries, plan.Changes);
        // Objects that the damaged catalogue listed and whose data lies complete in the
        // restored catalogue's free space stay listed.
        std::set<std::array<std::uint8_t, kCatEntrySize>> listed;
        for (const auto& e : check.Entries)
            listed.insert(e.Bytes);
        AddBackLooseObjects(card, g, plan.Entries, &listed, plan.Changes);
        return plan;
    }
    plan.Entries = DropDamagedEntries(card, check, g, plan.Changes);
    if (check.Torn())
        AddBackLooseObjects(card, g, plan.Entries, nullptr, plan.Changes);
    return plan;
}

} // namespace brelk
