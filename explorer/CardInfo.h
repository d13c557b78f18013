// The texts of the details view that describe the card and an object's type: the card
// summary with its free-space map, and the type field of an object.
#pragma once

#include "card/Brelk.h"
#include "formats/GlobalStuff.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brelk {

// The lines of the card summary (physical, usable, used and free size, the objects by kind
// and the free-space map). Empty when the device is not usable; only the physical size when
// the card carries no valid catalogue. A card whose used space and safety zone exceed its
// size shows 0 free bytes (and 0 usable bytes when the safety zone exceeds the size).
std::vector<std::string> CardInfoLines(const TBrelk& card, const TNumberFormat& numbers,
                                       std::uint32_t safetyZone);

// The type field of an object: "Deleted object", "Filingsystem" with the ROM's description,
// "Tool", "Discimage" with " (DFS)", " (ADFS)" or " (TAPE)"; empty for other types.
std::string ObjectTypeText(const TBrelkCatEntry& entry);

} // namespace brelk
