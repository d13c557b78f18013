// The record of a catalogue change that travels with the card. The catalogue header's bytes
// from 24 on are not read by the card interface and are carried unchanged by it; this program
// keeps there a marker: the card's own random ID, and where the journal of its latest
// catalogue change lies on the card. The journal is written into space that is free both
// before and after the change, so any computer that opens the card, under any name, can tell
// a change cut short and undo it.
#pragma once

#include "card/CatEntry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brelk {

// Where the marker lies in the catalogue header, and its size.
inline constexpr std::size_t kRecordMarkerOffset = 24;
inline constexpr std::size_t kRecordMarkerSize = 40;

// The marker's fields. A card whose header holds no valid marker has no ID (0).
struct TRecordMarker {
    std::uint64_t CardId = 0;
    std::uint64_t Address = 0; // of the record; 0 with Length 0 when there is none
    std::uint32_t Length = 0;
    bool operator==(const TRecordMarker&) const = default;
};

// The marker in a 512-byte catalogue header; none when the bytes are no whole marker (never
// written, or torn while it was written).
std::optional<TRecordMarker> ReadRecordMarker(const std::uint8_t* header);
// Puts Marker into a 512-byte catalogue header.
void PutRecordMarker(std::uint8_t* header, const TRecordMarker& marker);

// The card's identity for the journals kept on a PC: its ID and its size.
std::string CardIdKey(std::uint64_t cardId, std::uint64_t cardSize);

// A free span [Start, End) of the card.
using TFreeSpan = std::pair<std::uint64_t, std::uint64_t>;

// The lowest place for a record of Length bytes (rounded up to whole blocks) that lies in a
// span of both lists (each sorted by start, not overlapping); none when there is none.
std::optional<std::uint64_t> PlaceForRecord(const std::vector<TFreeSpan>& newFree,
                                            const std::vector<TFreeSpan>& oldFree,
                                            std::uint64_t length, std::uint32_t block);

// The gaps between Taken (sorted by start; may overlap) inside [First, End).
std::vector<TFreeSpan> GapsBetween(const std::vector<std::pair<std::int64_t, std::int64_t>>& taken,
                                   std::uint64_t first, std::uint64_t end);

} // namespace brelk
