// What the details area shows for a catalogue entry or for the card: the tab texts, the tab
// chosen and the lines of text. The window and brelk both show exactly this.
#pragma once

#include "card/Brelk.h"
#include "formats/GlobalStuff.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brelk {

struct TDetailsOptions {
    std::uint16_t HexviewerBytesTotal = 256;
    std::uint16_t HexviewerBytesPerRow = 8;
};

struct TDetailsView {
    std::vector<std::string> Tabs;
    unsigned SelectedTab = 0; // 1-based; 0 when there are no tabs
    std::vector<std::string> Lines;
    // The lines of the text that stand above a list of its files: a DFS side's name, sectors
    // and entries, a tape's entry count, or the "no files" line. Empty for other tabs.
    std::vector<std::string> Head;
};

// The details of an object, read from the card: the hex view for deleted objects, filing
// systems and tools, the sides of a DFS disc, the catalogue of a tape, the directory tree of
// an ADFS disc, nothing for anything else. DetailsTab (1-based, 0 when none chosen yet) picks the
// tab of a disc or tape and is clamped to the tabs there are, as the view keeps it.
TDetailsView BuildObjectDetails(TBrelk& card, const TBrelkCatEntry& entry, std::uint8_t& detailsTab,
                                const TDetailsOptions& options);

// The card summary of the tree's root: one tab "Brelk-info" and its text.
TDetailsView BuildCardInfo(const TBrelk& card, const TNumberFormat& numbers,
                           std::uint32_t safetyZone);

// The first min(Size, BytesTotal) bytes of the object as hex view rows; no rows when the
// card could not be read.
std::vector<std::string> ObjectHexView(TBrelk& card, const TBrelkCatEntry& entry,
                                       const TDetailsOptions& options);

} // namespace brelk
