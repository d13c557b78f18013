// Checking the catalogue of a card for the damage that a torn or foreign write leaves, and
// working out a consistent catalogue to put in its place.
#pragma once

#include "card/Brelk.h"
#include "card/ObjectHeaderScan.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brelk {

enum class TFindingKind {
    NotFormatted,
    Unreadable,
    CountTooLarge,
    CatalogueTooLong,
    EmptyEntry,
    LowestMismatch,
    Duplicate,
    Overlap,
    InCatalogueArea,
    InSafetyZone,
    PastCard,
    HeaderDiffers,
    HeaderInFreeSpace,
    InterruptedChange,
    OutOfOrder,
    SignatureLost,
    SearchStopped,
};

struct TFinding {
    TFindingKind Kind;
    bool Damage; // false: information only
    std::string Text;
};

// The card's size, usable limit and block size, as the checks see them.
struct TCardGeometry {
    std::uint64_t CardSize = 0;
    std::uint64_t Limit = 0;
    std::uint32_t Block = 512;
};

struct TCardCheck {
    bool Formatted = false;
    std::vector<TFinding> Findings;
    std::vector<std::uint8_t> OnCard;          // header and the entries read, as on the card
    std::vector<TBrelkCatEntry> Entries;       // the entries of OnCard
    std::vector<TBrelkCatEntry> LooseObjects;  // object headers found in free space
    std::vector<TBrelkCatEntry> HiddenObjects; // those of them that count as hidden (damage)
    bool HeaderLost = false; // the entries were read without a usable header (signature, Count)

    bool Damaged() const;
    // A duplicated entry, an empty entry within Count or a wrong lowest used address: the
    // signs of a catalogue write that was cut short.
    bool Torn() const;
};

TCardGeometry GeometryOf(const TBrelk& card);

// The damage in a catalogue given as its bytes (header, then the entries); Entries receives
// the entries that could be read.
std::vector<TFinding> FindCatalogueDamage(const std::vector<std::uint8_t>& bytes,
                                          const TCardGeometry& geometry,
                                          std::vector<TBrelkCatEntry>& entries);

// The cheap check made at every opening: the entries lie in the object area, in catalogue
// order, without overlaps, the header's Count and lowest used address agree with them, and the
// object header in front of the lowest entry is in place. Linear in the entries (one sort);
// reads nothing but that one object header. The first damage found; none for a sound card or
// one without a catalogue.
std::optional<TFinding> QuickCheckCard(TBrelk& card);

// Told how many of the object headers have been read: Done of Total.
using TCheckProgress = std::function<void(std::size_t done, std::size_t total)>;

// Reads the card's catalogue area and object headers and lists what is wrong; then searches
// the free space for the headers of objects that no entry lists (hidden objects), telling
// Search of its progress (true from it stops the search, which is then a finding).
TCardCheck CheckCard(TBrelk& card, const TCheckProgress& progress = {},
                     const TScanProgress& search = {});

// How many entries a repair changes, by kind.
struct TRepairCounts {
    std::size_t Rebuilt = 0;   // damaged entries replaced by their object's own header
    std::size_t AddedBack = 0; // hidden objects listed again from their headers
    std::size_t NoRoom = 0;    // hidden objects that cannot be listed: the catalogue is full
    std::size_t DroppedEmpty = 0;
    std::size_t DroppedDuplicate = 0;
    std::size_t DroppedOutside = 0; // pointing outside the card's object area
    std::size_t DroppedOverlap = 0; // overlapping an entry that its object header confirms
    bool HeaderRewritten = false;   // a header with the signature, Count and lowest address
};

struct TRepairPlan {
    bool FromKept = false;
    std::vector<TBrelkCatEntry> Entries; // the repaired catalogue
    std::vector<std::string> Changes;    // every change, one line each
    TRepairCounts Counts;
    std::vector<TBrelkCatEntry> Dropped; // entries left out that no object header replaces
};

// The repaired catalogue: the kept previous catalogue when it belongs to this card, is
// consistent and every entry's object lies where it says; otherwise the card's catalogue
// without empty, duplicated and impossible entries (overlaps decided by the object headers),
// with every hidden object listed again from its header and a lost header written anew.
// Kept may be none.
TRepairPlan PlanRepair(TBrelk& card, const TCardCheck& check, const TKeptCatalogue* kept);

// The catalogue before the card's last change put back as it was, when it belongs to this card,
// is consistent and every entry's object lies where it says; false with Why otherwise.
bool PlanUndo(TBrelk& card, const TCardCheck& check, const TKeptCatalogue& kept, TRepairPlan& plan,
              std::string& why);

} // namespace brelk
