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

// Object headers of hidden objects in the gaps.
std::vector<TBrelkCatEntry> FindLooseObjects(TBrelk& card, const std::vector<TSpan>& gaps,
                                             std::uint32_t block) {
    return ScanForObjectHeaders(card, gaps, block).Found;
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

// Whether an entry left behind Count sorts before the last listed one. A catalogue that shrank
// whole leaves the tail of its former, sorted list there (other programs do not erase it), so
// such entries sort at or after the last listed one; one that sorts before it was moved there
// by a write cut short.
bool SortsBeforeLastListed(const TBrelkCatEntry& lastListed, const TBrelkCatEntry& behind) {
    return CompareCatEntries(behind, lastListed) < 0;
}

// The entry right behind Count, when its object header confirms it, it is out of order and no
// listed object overlaps it: a catalogue write cut short after its smaller Count landed hides
// that object.
std::optional<TFinding> BehindCountFault(TBrelk& card, TEntriesView entries,
                                         const TCardGeometry& g) {
    if (entries.empty())
        return std::nullopt;
    const std::uint64_t at = kCatalogueHeaderSize + entries.size() * kCatEntrySize;
    TBrelkCatEntry behind;
    if (std::int64_t(at + kCatEntrySize) > LowestFootprint(entries, g) ||
        !card.ReadMMCBlocks(behind.Bytes.data(), std::uint32_t(at), kCatEntrySize) ||
        IsEmpty(behind) || !SortsBeforeLastListed(*entries[entries.size() - 1], behind) ||
        !HeaderConfirms(card, behind, std::int64_t(g.Limit)))
        return std::nullopt;
    const bool listed = std::any_of(entries.begin(), entries.end(), [&](const auto* e) {
        return e->FootprintStart() < behind.FootprintEnd() &&
               behind.FootprintStart() < e->FootprintEnd();
    });
    if (listed)
        return std::nullopt;
    return TFinding{TFindingKind::HeaderInFreeSpace, true,
                    "the entry behind Count (" + Describe(entries.size(), behind) +
                        ") names an object that no entry lists"};
}

// A catalogue whose signature is gone while its first entry is confirmed by its object header.
std::optional<TFinding> LostSignatureFault(TBrelk& card) {
    const TCardGeometry g = GeometryOf(card);
    TBrelkCatEntry first;
    if (!card.State().DeviceOK ||
        !card.ReadMMCBlocks(first.Bytes.data(), kCatalogueHeaderSize, kCatEntrySize) ||
        !HeaderConfirms(card, first, std::int64_t(g.Limit)))
        return std::nullopt;
    return TFinding{TFindingKind::SignatureLost, true,
                    "the catalogue signature is missing, but its entries are confirmed by their "
                    "object headers"};
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
            return LostSignatureFault(card); // none when the card is not formatted
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
    if (auto fault = BehindCountFault(card, entries, g))
        return fault;
    return NewestHeaderFault(card, entries);
}

namespace {

// Reads the header and Count's entries (as far as the card allows) into Check.OnCard.
bool ReadCatalogueArea(TBrelk& card, const TCardGeometry& g, TCardCheck& check) {
    std::vector<std::uint8_t> header(kCatalogueHeaderSize);
    if (!card.State().DeviceOK || !card.ReadMMC(header.data(), 0, kCatalogueHeaderSize))
        return false;
    std::uint64_t count =
        std::min<std::uint64_t>(GetLE32(&header[kHeaderCountOffset]), kMaxCatalogueCount);
    count = std::min<std::uint64_t>(count, g.Limit > kCatalogueHeaderSize
                                               ? (g.Limit - kCatalogueHeaderSize) / kCatEntrySize
                                               : 0);
    check.OnCard = header;
    check.OnCard.resize(kCatalogueHeaderSize + count * kCatEntrySize);
    return card.ReadMMC(check.OnCard.data() + kCatalogueHeaderSize, kCatalogueHeaderSize,
                        std::uint32_t(count * kCatEntrySize));
}

bool HeaderUnusable(const std::vector<TFinding>& findings) {
    if (findings.empty())
        return false;
    const TFindingKind kind = findings.front().Kind;
    return kind == TFindingKind::NotFormatted || kind == TFindingKind::CountTooLarge ||
           kind == TFindingKind::CatalogueTooLong;
}

// The entries behind a header without its signature: Count's entries when Count fits the card
// and one of them is confirmed by its object header, else those the probe confirms.
std::vector<TBrelkCatEntry> EntriesBehindLostHeader(TBrelk& card, const TCardGeometry& g,
                                                    const TCardCheck& check) {
    std::vector<TBrelkCatEntry> listed;
    const std::uint32_t count = GetLE32(&check.OnCard[kHeaderCountOffset]);
    const std::size_t read = (check.OnCard.size() - kCatalogueHeaderSize) / kCatEntrySize;
    if (check.Findings.front().Kind == TFindingKind::NotFormatted && count == read &&
        CatalogueEndFor(count, g.Block) <= std::int64_t(g.Limit)) {
        for (std::size_t i = 0; i < read; ++i)
            listed.push_back(EntryAt(check.OnCard, i));
        if (std::any_of(listed.begin(), listed.end(), [&](const auto& e) {
                return HeaderConfirms(card, e, std::int64_t(g.Limit));
            }))
            return listed;
    }
    return ProbeConfirmedEntries(card, std::int64_t(g.Limit), g.Block);
}

// A catalogue whose signature or Count is lost is read back from the entries that their
// object headers confirm; the header is to be written anew.
void RecoverLostHeader(TBrelk& card, const TCardGeometry& g, TCardCheck& check) {
    std::vector<TBrelkCatEntry> entries = EntriesBehindLostHeader(card, g, check);
    if (entries.empty())
        return;
    std::vector<std::uint8_t> onCard(kCatalogueHeaderSize + entries.size() * kCatEntrySize);
    if (!card.ReadMMC(onCard.data(), 0, std::uint32_t(onCard.size())))
        return;
    check.OnCard = std::move(onCard);
    check.Entries = std::move(entries);
    check.HeaderLost = true;
    if (check.Findings.front().Kind == TFindingKind::NotFormatted)
        check.Findings.front() = {TFindingKind::SignatureLost, true,
                                  "the catalogue signature is missing; " +
                                      std::to_string(check.Entries.size()) +
                                      " entries behind it are confirmed by their object headers"};
    FindEntryDamage(check.Entries, g, check.Findings);
}

// The first entry out of catalogue order among those that lie in the object area (the others
// are reported already).
std::optional<TFinding> OrderFault(const std::vector<TBrelkCatEntry>& entries,
                                   const TCardGeometry& g) {
    const std::int64_t catEnd = CatalogueEndFor(entries.size(), g.Block);
    const TBrelkCatEntry* before = nullptr;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (IsEmpty(entries[i]) || PlaceFault(i, entries[i], g, catEnd))
            continue;
        if (before && CompareCatEntries(*before, entries[i]) > 0)
            return TFinding{TFindingKind::OutOfOrder, true,
                            Describe(i, entries[i]) + " is out of catalogue order"};
        before = &entries[i];
    }
    return std::nullopt;
}

// Notes each entry whose object header does not carry a copy of it.
void NoteHeaderCopies(TBrelk& card, const TCardGeometry& g, TCardCheck& check,
                      const TCheckProgress& progress) {
    const auto states = ReadHeaders(card, check.Entries, std::int64_t(g.Limit), progress);
    for (std::size_t i = 0; i < check.Entries.size(); ++i)
        if (!IsEmpty(check.Entries[i]) && !states[i].Same)
            Add(check.Findings, TFindingKind::HeaderDiffers,
                Describe(i, check.Entries[i]) +
                    (states[i].Magic ? ": the object header's copy of the entry differs"
                                     : ": no object header in front of the data"),
                false);
}

// The places (Address, Size) of the entries left behind Count on the card, up to the first
// empty one, that sort before the last listed entry: after a write that was cut short with its
// new, smaller Count on the card, the objects they name are hidden. A catalogue that was written
// whole leaves none (it clears them); an empty one (a format) counts none.
std::set<std::pair<std::uint32_t, std::uint32_t>>
EntriesBehindCount(TBrelk& card, const TCardGeometry& g, const TCardCheck& check) {
    std::set<std::pair<std::uint32_t, std::uint32_t>> behind;
    const std::size_t count = check.Entries.size();
    if (count == 0)
        return behind;
    const std::int64_t lowest = LowestFootprint(check.Entries, g);
    TBrelkCatEntry entry;
    for (std::size_t i = count; i < kMaxCatalogueCount; ++i) {
        const std::uint64_t at = kCatalogueHeaderSize + i * kCatEntrySize;
        if (std::int64_t(at + kCatEntrySize) > lowest ||
            !card.ReadMMC(entry.Bytes.data(), std::uint32_t(at), kCatEntrySize) || IsEmpty(entry))
            break;
        if (SortsBeforeLastListed(check.Entries.back(), entry))
            behind.emplace(entry.Address(), entry.Size());
    }
    return behind;
}

// Object headers in the free space that no entry covers. They are hidden objects when the
// catalogue is damaged otherwise or an entry left behind Count names them; else they are the
// remains of removed objects or of an add cut short, and only noted.
void FindHiddenObjects(TBrelk& card, const TCardGeometry& g, TCardCheck& check,
                       const TScanProgress& search) {
    const bool damaged = check.Damaged();
    const auto gaps =
        FreeGaps(check.Entries, CatalogueEndFor(check.Entries.size(), g.Block), g.Limit);
    const THeaderScan scan = ScanForObjectHeaders(card, gaps, g.Block, search);
    check.LooseObjects = scan.Found;
    const auto behind = damaged ? decltype(EntriesBehindCount(card, g, check)){}
                                : EntriesBehindCount(card, g, check);
    for (const auto& loose : check.LooseObjects) {
        const bool hidden = damaged || behind.count({loose.Address(), loose.Size()});
        if (hidden)
            check.HiddenObjects.push_back(loose);
        Add(check.Findings, TFindingKind::HeaderInFreeSpace,
            "object header of '" + VisibleName(loose.Name()) + "' (" +
                std::to_string(loose.Size()) + " bytes) in free space at " +
                Hex(loose.FootprintStart()) + (hidden ? ": no entry lists the object" : ""),
            hidden);
    }
    if (scan.Unreadable)
        Add(check.Findings, TFindingKind::Unreadable,
            "the free space could not be read through for hidden objects");
    else if (scan.Stopped)
        Add(check.Findings, TFindingKind::SearchStopped,
            "the search for hidden objects was stopped after " +
                std::to_string(scan.Searched >> 20) + " MiB; objects may be hidden");
}

} // namespace

TCardCheck CheckCard(TBrelk& card, const TCheckProgress& progress, const TScanProgress& search) {
    TCardCheck check;
    const TCardGeometry g = GeometryOf(card);
    if (!ReadCatalogueArea(card, g, check)) {
        Add(check.Findings, TFindingKind::Unreadable, "the catalogue could not be read");
        return check;
    }
    check.Findings = FindCatalogueDamage(check.OnCard, g, check.Entries);
    if (HeaderUnusable(check.Findings))
        RecoverLostHeader(card, g, check);
    else if (auto fault = OrderFault(check.Entries, g))
        check.Findings.push_back(std::move(*fault));
    if (card.InterruptedChangePending())
        Add(check.Findings, TFindingKind::InterruptedChange,
            "a catalogue change was cut short; its journal in the state folder undoes it at the "
            "next opening for writing (check --repair, or any command that writes)");
    check.Formatted =
        check.Findings.empty() || check.Findings.front().Kind != TFindingKind::NotFormatted;
    if (!check.Formatted)
        return check;
    NoteHeaderCopies(card, g, check, progress);
    FindHiddenObjects(card, g, check, search);
    return check;
}

namespace {

enum class TDropReason { Empty, Duplicate, Outside, Overlap };

struct TDropped {
    std::size_t Index;
    TDropReason Reason;
};

// Overlapping entries are decided by their object headers: an exact copy first, then one
// that places the object as the entry does, then the rest in catalogue order.
int HeaderRank(const THeaderState& state) {
    return state.Same ? 0 : state.Place ? 1 : 2;
}

std::string DropText(const TDropped& drop, const TBrelkCatEntry& e) {
    switch (drop.Reason) {
    case TDropReason::Empty:
        return "dropped entry " + std::to_string(drop.Index) + ": empty";
    case TDropReason::Duplicate:
        return "dropped " + Describe(drop.Index, e) + ": it duplicates another entry";
    case TDropReason::Outside:
        return "dropped " + Describe(drop.Index, e) + ": it lies outside the object area";
    case TDropReason::Overlap:
        break;
    }
    return "dropped " + Describe(drop.Index, e) +
           ": it overlaps an entry its object header confirms";
}

// The entries without empty, duplicated and impossible ones, each dropped one in Dropped.
std::vector<TBrelkCatEntry> DropDamagedEntries(TBrelk& card, const TCardCheck& check,
                                               const TCardGeometry& g,
                                               std::vector<TDropped>& dropped) {
    const auto& entries = check.Entries;
    const std::int64_t catEnd = CatalogueEndFor(entries.size(), g.Block);
    const auto states = ReadHeaders(card, entries, std::int64_t(g.Limit));
    std::vector<std::size_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](auto a, auto b) { return HeaderRank(states[a]) < HeaderRank(states[b]); });
    std::set<TSpan> kept;
    std::vector<std::optional<TDropReason>> reasons(entries.size());
    for (std::size_t i : order) {
        const TBrelkCatEntry& e = entries[i];
        const TSpan span{e.FootprintStart(), e.FootprintEnd()};
        if (IsEmpty(e)) {
            reasons[i] = TDropReason::Empty;
            continue;
        }
        if (span.second > std::int64_t(g.Limit) || span.first < catEnd) {
            reasons[i] = TDropReason::Outside;
            continue;
        }
        if (kept.count(span)) {
            reasons[i] = TDropReason::Duplicate;
            continue;
        }
        auto next = kept.lower_bound({span.first, std::numeric_limits<std::int64_t>::min()});
        const bool clashNext = next != kept.end() && next->first < span.second;
        const bool clashPrev = next != kept.begin() && std::prev(next)->second > span.first;
        if (clashNext || clashPrev) {
            reasons[i] = TDropReason::Overlap;
            continue;
        }
        kept.insert(span);
    }
    std::vector<TBrelkCatEntry> result;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (reasons[i])
            dropped.push_back({i, *reasons[i]});
        else
            result.push_back(entries[i]);
    }
    return result;
}

// The parts of the gaps After that no gap of Before covers, each allowed to reach to the
// end of its gap (an object may start in a freed part and run on into free space searched).
std::vector<TSearchSpan> NewlyFree(const std::vector<TSpan>& after,
                                   const std::vector<TSpan>& before) {
    std::vector<TSearchSpan> parts;
    std::size_t j = 0;
    for (const auto& [first, end] : after) {
        while (j < before.size() && before[j].second <= first)
            ++j;
        std::int64_t at = first;
        for (std::size_t k = j; k < before.size() && before[k].first < end; ++k) {
            if (before[k].first > at)
                parts.push_back({{at, before[k].first}, end});
            at = std::max(at, before[k].second);
        }
        if (at < end)
            parts.push_back({{at, end}, end});
    }
    return parts;
}

// The hidden objects once the dropped entries are gone: those the check found, and those
// whose headers lie where the drops freed space, searched anew.
std::vector<TBrelkCatEntry> HiddenAfterDrops(TBrelk& card, const TCardCheck& check,
                                             const TCardGeometry& g,
                                             const std::vector<TBrelkCatEntry>& kept) {
    const auto before =
        FreeGaps(check.Entries, CatalogueEndFor(check.Entries.size(), g.Block), g.Limit);
    const auto after = FreeGaps(kept, CatalogueEndFor(kept.size(), g.Block), g.Limit);
    std::vector<TBrelkCatEntry> hidden = check.HiddenObjects;
    for (const auto& found : ScanForObjectHeaders(card, NewlyFree(after, before), g.Block).Found) {
        const bool clash = std::any_of(hidden.begin(), hidden.end(), [&](const auto& other) {
            return other.FootprintStart() < found.FootprintEnd() &&
                   found.FootprintStart() < other.FootprintEnd();
        });
        if (!clash)
            hidden.push_back(found);
    }
    return hidden;
}

// Lists Hidden (the highest first) as long as the catalogue area stays below every object and
// Count within 65535; the objects listed.
std::vector<TBrelkCatEntry>
ListHiddenObjects(const TCardGeometry& g, std::vector<TBrelkCatEntry> hidden, TRepairPlan& plan) {
    std::sort(hidden.begin(), hidden.end(),
              [](const auto& a, const auto& b) { return a.Address() > b.Address(); });
    std::int64_t lowest = std::int64_t(g.Limit);
    for (const auto& e : plan.Entries)
        lowest = std::min(lowest, e.FootprintStart());
    std::vector<TBrelkCatEntry> listed;
    for (const auto& object : hidden) {
        const std::int64_t newLowest = std::min(lowest, object.FootprintStart());
        if (plan.Entries.size() >= kMaxCatalogueCount ||
            CatalogueEndFor(plan.Entries.size() + 1, g.Block) > newLowest) {
            plan.Changes.push_back("not added back '" + VisibleName(object.Name()) + "' at " +
                                   Hex(object.Address()) + ": no room for its entry");
            ++plan.Counts.NoRoom;
            continue;
        }
        plan.Entries.push_back(object);
        listed.push_back(object);
        lowest = newLowest;
    }
    return listed;
}

std::string ListedBackText(const TBrelkCatEntry& object) {
    return "'" + VisibleName(object.Name()) + "' at " + Hex(object.Address()) + " (" +
           std::to_string(object.Size()) + " bytes) from its object header";
}

std::size_t& DropCount(TRepairCounts& counts, TDropReason reason) {
    switch (reason) {
    case TDropReason::Empty:
        return counts.DroppedEmpty;
    case TDropReason::Duplicate:
        return counts.DroppedDuplicate;
    case TDropReason::Outside:
        return counts.DroppedOutside;
    case TDropReason::Overlap:
        break;
    }
    return counts.DroppedOverlap;
}

// An entry that no object of this system could have: unknown type or not whole blocks.
bool Junk(const TBrelkCatEntry& entry, const TCardGeometry& g) {
    return entry.Type() > 3 || entry.Size() % g.Block != 0;
}

// Each entry dropped as outside the object area or overlapping is paired with an object
// listed back from its header (the same name first, then a junk entry with any): the entry is
// rebuilt. The rest are dropped or added back.
void DescribeRelinks(const TCardCheck& check, const TCardGeometry& g,
                     const std::vector<TDropped>& dropped, std::vector<TBrelkCatEntry> listed,
                     TRepairPlan& plan) {
    std::vector<std::optional<TBrelkCatEntry>> rebuilt(dropped.size());
    auto pair = [&](auto matches) {
        for (std::size_t d = 0; d < dropped.size(); ++d) {
            if (rebuilt[d] || dropped[d].Reason == TDropReason::Empty ||
                dropped[d].Reason == TDropReason::Duplicate)
                continue;
            const TBrelkCatEntry& entry = check.Entries[dropped[d].Index];
            auto found = std::find_if(listed.begin(), listed.end(),
                                      [&](const auto& object) { return matches(entry, object); });
            if (found == listed.end())
                continue;
            rebuilt[d] = *found;
            listed.erase(found);
        }
    };
    pair([](const auto& entry, const auto& object) {
        return SameName(entry.Name(), object.Name());
    });
    pair([g](const auto& entry, const auto&) { return Junk(entry, g); });
    for (std::size_t d = 0; d < dropped.size(); ++d) {
        const TBrelkCatEntry& entry = check.Entries[dropped[d].Index];
        if (rebuilt[d]) {
            plan.Changes.push_back("rebuilt entry " + std::to_string(dropped[d].Index) + " as " +
                                   ListedBackText(*rebuilt[d]));
            ++plan.Counts.Rebuilt;
            continue;
        }
        plan.Changes.push_back(DropText(dropped[d], entry));
        ++DropCount(plan.Counts, dropped[d].Reason);
        if (dropped[d].Reason != TDropReason::Empty && dropped[d].Reason != TDropReason::Duplicate)
            plan.Dropped.push_back(entry);
    }
    for (const auto& object : listed) {
        plan.Changes.push_back("added back " + ListedBackText(object));
        ++plan.Counts.AddedBack;
    }
}

// The card's own catalogue mended: damaged entries dropped or rebuilt from the object headers
// they lost, hidden objects listed again, a lost header written anew.
void PlanRelink(TBrelk& card, const TCardCheck& check, const TCardGeometry& g, TRepairPlan& plan) {
    if (check.HeaderLost) {
        plan.Counts.HeaderRewritten = true;
        plan.Changes.push_back("wrote the catalogue header anew (signature, Count and lowest "
                               "used address)");
    }
    std::vector<TDropped> dropped;
    plan.Entries = DropDamagedEntries(card, check, g, dropped);
    const auto hidden = HiddenAfterDrops(card, check, g, plan.Entries);
    const auto listed = ListHiddenObjects(g, hidden, plan);
    DescribeRelinks(check, g, dropped, listed, plan);
}

// Adds the object headers found in the free space of Entries, as long as the catalogue area
// stays below every object and Count within 65535.
void AddBackLooseObjects(TBrelk& card, const TCardGeometry& g, TRepairPlan& plan,
                         const std::set<std::array<std::uint8_t, kCatEntrySize>>& onlyThese) {
    const std::int64_t catEnd = CatalogueEndFor(plan.Entries.size(), g.Block);
    auto loose = FindLooseObjects(card, FreeGaps(plan.Entries, catEnd, g.Limit), g.Block);
    std::erase_if(loose, [&](const auto& object) { return !onlyThese.count(object.Bytes); });
    for (const auto& object : ListHiddenObjects(g, loose, plan)) {
        plan.Changes.push_back("added back " + ListedBackText(object));
        ++plan.Counts.AddedBack;
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
        AddBackLooseObjects(card, g, plan, listed);
        return plan;
    }
    PlanRelink(card, check, g, plan);
    return plan;
}

} // namespace brelk
