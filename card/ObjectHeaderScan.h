// Finding objects by their own headers: every block boundary of a span is read as a possible
// object header, and those that describe a plausible object right behind them are kept.
#pragma once

#include "card/Brelk.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace brelk {

using TSpan = std::pair<std::int64_t, std::int64_t>; // [first, end)

// Told how many bytes of the spans have been searched; true asks to stop.
using TScanProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// The entry copy of the object header at At: the magic, and the copy placing the data right
// behind the header. None when the bytes are no such header.
std::optional<TBrelkCatEntry> ObjectHeaderCopy(const std::uint8_t* header, std::int64_t at);

// The object header at At: the magic, its copy of the entry placing the data right behind it,
// a whole number of blocks of data ending by End, a known type and a name of visible
// characters. None when any of these fails.
std::optional<TBrelkCatEntry> PlausibleObjectHeader(const std::uint8_t* header, std::int64_t at,
                                                    std::int64_t end, std::uint32_t block);

struct THeaderScan {
    std::vector<TBrelkCatEntry> Found; // objects with a plausible header
    std::uint64_t Searched = 0;        // bytes of the spans searched
    bool Stopped = false;              // Progress asked to stop before the end
    bool Unreadable = false;           // a read failed; the rest was not searched
};

// Searches the spans (in address order, read a megabyte at a time) for object headers; an
// object found is stepped over as a whole and lies inside its span.
THeaderScan ScanForObjectHeaders(TBrelk& card, const std::vector<TSpan>& spans, std::uint32_t block,
                                 const TScanProgress& progress = {});

// A span whose headers are searched, its objects allowed to reach up to Reach.
struct TSearchSpan {
    TSpan Headers;
    std::int64_t Reach;
};
THeaderScan ScanForObjectHeaders(TBrelk& card, const std::vector<TSearchSpan>& spans,
                                 std::uint32_t block, const TScanProgress& progress = {});

// Whether the object header in front of Entry's data is there and places it as Entry does
// (same Address and Size), the object lying below Limit.
bool HeaderConfirms(TBrelk& card, const TBrelkCatEntry& entry, std::int64_t limit);

// The entries from the start of the catalogue area up to the first one that its object header
// does not confirm, as long as the catalogue area stays below them: a catalogue whose header
// (its signature or Count) is lost, read back from its entries.
std::vector<TBrelkCatEntry> ProbeConfirmedEntries(TBrelk& card, std::int64_t limit,
                                                  std::uint32_t block);

} // namespace brelk
