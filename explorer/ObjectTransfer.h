// Rules for taking an object off the card that the window and brelk share: the default card
// settings, reading a whole object within the usable card, and a tape's export as a UEF file.
#pragma once

#include "card/CatEntry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brelk {

class TBrelk;

// The card settings used when none are stored or given.
inline constexpr std::uint32_t kDefaultCacheSize = 262144;
inline constexpr std::uint32_t kDefaultSafetyZone = 8192;

// Whether Entry's object lies wholly below the card's usable limit (so that reading it is
// allowed and its Size is no damaged value).
bool ObjectWithinUsableLimit(const TBrelk& card, const TBrelkCatEntry& entry);

// Reads the object's whole allocated Size into Data. False (Data emptied) when it reaches
// past the usable limit, when memory for it cannot be had, or when the read fails (the card
// has then reported the device error).
bool ReadWholeObject(TBrelk& card, const TBrelkCatEntry& entry, std::vector<std::uint8_t>& data);

bool IsTapeObject(const TBrelkCatEntry& entry);

// A tape object's stored bytes as a UEF file made from its tape blocks. When they hold no
// tape block (a whole UEF file stored as it was, say) they are returned as they are, so that
// an export never writes an empty tape.
std::vector<std::uint8_t> TapeObjectAsUEF(const std::vector<std::uint8_t>& stored);

bool IsDFSDiscObject(const TBrelkCatEntry& entry);

// The sides of a DFS disc object that the side walk finds on the card; 0 for other objects.
int DFSSidesOnCard(TBrelk& card, const TBrelkCatEntry& entry);

// The extension (without its full stop) of the PC file an object is saved as: "ssd" for a
// DFS disc of one side, "dsd" for one of two, "adfs", "uef" for a tape, "bin" otherwise.
std::string ObjectFileExtension(const TBrelkCatEntry& entry, int discSides);

// The name of the PC file an object is written to in a folder (dragged out of the window,
// brelk get into a folder): its name, in the card's bytes, with the extension above; "/"
// becomes "_", and a name that is no file name ("", ".", "..") becomes "object".
std::string ObjectFileName(const TBrelkCatEntry& entry, int discSides);

// How an object's bytes go into a PC file.
enum class TFileForm {
    Stored,      // as the card holds them
    UEF,         // a tape as a UEF file made from its blocks
    Interleaved, // a DFS disc with its two sides track by track (the .dsd layout)
};

// The form of a PC file named Path for Entry: a tape under a ".uef" name as UEF, a DFS disc
// under a ".dsd" name interleaved, anything else as stored (names in any letter case).
TFileForm FileFormFor(const TBrelkCatEntry& entry, const std::string& path);

// Stored, an object's bytes as the card holds them, in Form. A disc that cannot be laid out
// interleaved (more sides than two, a refused first side) stays as stored.
std::vector<std::uint8_t> ObjectInFileForm(std::vector<std::uint8_t> stored, TFileForm form);

} // namespace brelk
