// The icon of a catalogue entry: one fixed table of thirteen icon keys and bitmap files,
// and the rule that maps an entry's type, subtype and size to one of them.
#pragma once

#include "card/CatEntry.h"

#include <string>
#include <string_view>
#include <vector>

namespace brelk {

struct TObjectImageFile {
    const char* Key;  // registered key, upper case
    const char* File; // bitmap file in the "imgs" folder
};

// The thirteen icons in image-list order; index 0 ("OTHER") is the fallback.
const std::vector<TObjectImageFile>& ObjectImageTable();

// The icon key of an entry, lower case; empty when nothing applies.
std::string ObjectImageKey(const TBrelkCatEntry& entry);

// Position of Key among the registered keys, compared without regard to case; 0 when absent.
int IndexOfObjectImage(std::string_view key);

// The image index of an entry's icon, never negative.
int ObjectImageIndex(const TBrelkCatEntry& entry);

inline constexpr std::uint32_t kDFSSideBytes = 204800; // 80 tracks x 10 sectors x 256 bytes

} // namespace brelk
