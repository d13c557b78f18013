// Which objects of the catalogue a list of names and wildcard patterns stands for: the rule
// by which brelk's commands find their objects, free of any front end.
#pragma once

#include "card/Brelk.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brelk {

// Narrows every name to objects of one type, or at one card address.
struct TObjectChoice {
    std::optional<std::uint8_t> Type;
    std::optional<std::uint32_t> Address;
};

enum class TSelectionFault {
    None,
    NoMatch,   // Pattern names no object
    Ambiguous, // Pattern is a plain name that Count objects share
};

struct TObjectSelection {
    // Each selected object once, in the order of the names and, for one pattern, in
    // catalogue order.
    std::vector<const TBrelkCatEntry*> Entries;
    TSelectionFault Fault = TSelectionFault::None;
    std::string Pattern; // the name at fault
    std::size_t Count = 0;
};

// Resolves Names against the catalogue. A plain name (no "*" or "#") stands for the one
// object of that name, letter case ignored, deleted objects included; several of that name
// are a fault, as is any name that finds nothing. A pattern (see AcornNameMatches) stands for
// every live object it matches, and for the deleted ones only when Choice asks for type 0.
// The first fault ends the resolution: a command changes nothing on a typing error.
TObjectSelection SelectObjects(const TBrelk& card, const std::vector<std::string>& names,
                               const TObjectChoice& choice);

} // namespace brelk
