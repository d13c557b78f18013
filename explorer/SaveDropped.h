// Saving the bytes of the catalogue entries that a repair drops, before it writes: the user's
// last copy of whatever they pointed at.
#pragma once

#include "card/Brelk.h"

#include <string>
#include <vector>

namespace brelk {

// Why no file can be written into Folder (it cannot be made, is no folder, or refuses a new
// file); empty when files can be written there. A missing Folder whose parent exists is made.
std::string SaveFolderRefusal(const std::string& folder);

// Writes the bytes of each Dropped entry that object data backs (its span inside the card's
// object area and clear of every Kept entry) into Folder, one file each named from the entry;
// a line per entry for the report ("'NAME' (N bytes) to PATH" or ": nothing, ..."). False with Why
// when the files cannot be written (none is left then).
bool SaveDroppedEntries(TBrelk& card, const std::vector<TBrelkCatEntry>& dropped,
                        const std::vector<TBrelkCatEntry>& kept, const std::string& folder,
                        std::vector<std::string>& lines, std::string& why);

} // namespace brelk
