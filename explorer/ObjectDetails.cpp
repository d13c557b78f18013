#include "explorer/ObjectDetails.h"

#include "explorer/CardInfo.h"
#include "formats/ADFSDetails.h"
#include "formats/DFSDetails.h"
#include "formats/DFSSideWalk.h"
#include "formats/TapeDetails.h"
#include "formats/UEF.h"

#include <algorithm>

namespace brelk {

namespace {

// Reads Count bytes at a card address of up to 64 bits; addresses past 4 GiB read nothing.
bool ReadCard(TBrelk& card, std::uint64_t address, std::uint8_t* dest, std::size_t count) {
    if (address + count > (std::uint64_t(1) << 32))
        return false;
    return card.ReadMMC(dest, std::uint32_t(address), std::uint32_t(count));
}

// The tab DetailsTab picks among Tabs, stored back as the view keeps it.
unsigned PickTab(std::uint8_t& detailsTab, std::size_t tabCount) {
    detailsTab = std::uint8_t(ChooseDetailsTab(detailsTab, unsigned(tabCount)));
    return detailsTab;
}

TDetailsView DFSDiscDetails(TBrelk& card, const TBrelkCatEntry& entry, std::uint8_t& detailsTab,
                            const TDetailsOptions& options) {
    TAcornDFSDiscObject disc;
    WalkDFSSides(disc, entry.Address(), entry.Size(),
                 [&card](std::uint64_t address, std::uint8_t* dest, std::size_t count) {
                     return ReadCard(card, address, dest, count);
                 });
    TDetailsView view;
    view.Tabs = DFSDiscTabLabels(disc);
    view.SelectedTab = PickTab(detailsTab, view.Tabs.size());
    if (view.SelectedTab == view.Tabs.size())
        view.Lines = ObjectHexView(card, entry, options);
    else {
        view.Lines = DFSSideLines(disc.aDiscSides[view.SelectedTab - 1]);
        view.Head = DFSSideHeadLines(disc.aDiscSides[view.SelectedTab - 1]);
    }
    return view;
}

// The part of the object below the usable limit, the only part that can be read.
bool ReadReadablePart(TBrelk& card, const TBrelkCatEntry& entry, std::vector<std::uint8_t>& bytes) {
    const std::uint64_t limit = card.UsableLimit();
    const std::uint64_t readable =
        entry.Address() < limit ? std::min<std::uint64_t>(entry.Size(), limit - entry.Address())
                                : 0;
    bytes.assign(readable, 0);
    return ReadCard(card, entry.Address(), bytes.data(), bytes.size());
}

TDetailsView TapeDetails(TBrelk& card, const TBrelkCatEntry& entry, std::uint8_t& detailsTab,
                         const TDetailsOptions& options) {
    TDetailsView view;
    view.Tabs = {"Tape", kHexviewTabLabel};
    view.SelectedTab = PickTab(detailsTab, view.Tabs.size());
    if (view.SelectedTab == 2) {
        view.Lines = ObjectHexView(card, entry, options);
        return view;
    }
    // A failed read is a tape without files.
    std::vector<std::uint8_t> bytes;
    TUEF tape;
    if (ReadReadablePart(card, entry, bytes))
        tape.FetchUEF(bytes);
    view.Lines = TapeCatalogueLines(tape);
    view.Head = TapeHeadLines(tape);
    return view;
}

// One tab: the directory tree, or why the disc cannot be read.
TDetailsView ADFSDiscDetails(TBrelk& card, const TBrelkCatEntry& entry, std::uint8_t& detailsTab) {
    TDetailsView view;
    view.Tabs = {"ADFS"};
    view.SelectedTab = PickTab(detailsTab, view.Tabs.size());
    std::vector<std::uint8_t> bytes;
    if (!ReadReadablePart(card, entry, bytes))
        bytes.clear();
    view.Lines = ADFSDiscLines(bytes);
    return view;
}

} // namespace

std::vector<std::string> ObjectHexView(TBrelk& card, const TBrelkCatEntry& entry,
                                       const TDetailsOptions& options) {
    const std::size_t count = std::min<std::size_t>(entry.Size(), options.HexviewerBytesTotal);
    std::vector<std::uint8_t> bytes(count);
    if (!ReadCard(card, entry.Address(), bytes.data(), count))
        return {};
    return HexViewLines(bytes.data(), count, entry.Size(), options.HexviewerBytesPerRow);
}

TDetailsView BuildObjectDetails(TBrelk& card, const TBrelkCatEntry& entry, std::uint8_t& detailsTab,
                                const TDetailsOptions& options) {
    switch (entry.Type()) {
    case kTypeDeleted:
    case kTypeFilingSystem:
    case kTypeTool:
        return {{kHexviewTabLabel}, 1, ObjectHexView(card, entry, options), {}};
    case kTypeImage:
        if (entry.Subtype() == kSubtypeDFS)
            return DFSDiscDetails(card, entry, detailsTab, options);
        if (entry.Subtype() == kSubtypeTape)
            return TapeDetails(card, entry, detailsTab, options);
        if (entry.Subtype() == kSubtypeADFS)
            return ADFSDiscDetails(card, entry, detailsTab);
        return {};
    default:
        return {};
    }
}

TDetailsView BuildCardInfo(const TBrelk& card, const TNumberFormat& numbers,
                           std::uint32_t safetyZone) {
    return {{"Brelk-info"}, 1, CardInfoLines(card, numbers, safetyZone), {}};
}

} // namespace brelk
