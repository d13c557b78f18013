#include "explorer/ObjectTransfer.h"

#include "card/Brelk.h"
#include "formats/DFSInterleave.h"
#include "formats/DFSSideWalk.h"
#include "formats/GlobalStuff.h"
#include "formats/UEF.h"
#include "formats/UEFWriter.h"

#include <algorithm>
#include <new>

namespace brelk {

bool ObjectWithinUsableLimit(const TBrelk& card, const TBrelkCatEntry& entry) {
    return std::uint64_t(entry.Address()) + entry.Size() <= card.UsableLimit();
}

bool ReadWholeObject(TBrelk& card, const TBrelkCatEntry& entry, std::vector<std::uint8_t>& data) {
    data.clear();
    if (!ObjectWithinUsableLimit(card, entry))
        return false;
    try {
        data.resize(entry.Size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (card.ReadMMC(data.data(), entry.Address(), entry.Size()))
        return true;
    data.clear();
    return false;
}

bool IsTapeObject(const TBrelkCatEntry& entry) {
    return entry.Type() == kTypeImage && entry.Subtype() == kSubtypeTape;
}

std::vector<std::uint8_t> TapeObjectAsUEF(const std::vector<std::uint8_t>& stored) {
    TTapeBlock first;
    if (!ParseTapeBlock(stored.data(), stored.size(), first))
        return stored;
    return MakeUEFFromTapeBlocks(stored.data(), stored.size());
}

bool IsDFSDiscObject(const TBrelkCatEntry& entry) {
    return entry.Type() == kTypeImage && entry.Subtype() == kSubtypeDFS;
}

int DFSSidesOnCard(TBrelk& card, const TBrelkCatEntry& entry) {
    if (!IsDFSDiscObject(entry) || !ObjectWithinUsableLimit(card, entry))
        return 0;
    TAcornDFSDiscObject disc;
    return WalkDFSSides(disc, entry.Address(), entry.Size(),
                        [&card](std::uint64_t address, std::uint8_t* dest, std::size_t count) {
                            return card.ReadMMC(dest, std::uint32_t(address), std::uint32_t(count));
                        });
}

std::string ObjectFileExtension(const TBrelkCatEntry& entry, int discSides) {
    if (entry.Type() != kTypeImage)
        return "bin";
    switch (entry.Subtype()) {
    case kSubtypeDFS:
        return discSides == 2 ? "dsd" : "ssd";
    case kSubtypeADFS:
        return "adfs";
    case kSubtypeTape:
        return "uef";
    default:
        return "bin";
    }
}

std::string ObjectFileName(const TBrelkCatEntry& entry, int discSides) {
    std::string name = entry.Name();
    std::replace(name.begin(), name.end(), '/', '_');
    if (name.empty() || name == "." || name == "..")
        name = "object";
    return name + "." + ObjectFileExtension(entry, discSides);
}

TFileForm FileFormFor(const TBrelkCatEntry& entry, const std::string& path) {
    if (IsTapeObject(entry) && HasExtension(path, ".uef"))
        return TFileForm::UEF;
    if (IsDFSDiscObject(entry) && HasDsdExtension(path))
        return TFileForm::Interleaved;
    return TFileForm::Stored;
}

std::vector<std::uint8_t> ObjectInFileForm(std::vector<std::uint8_t> stored, TFileForm form) {
    switch (form) {
    case TFileForm::UEF:
        return TapeObjectAsUEF(stored);
    case TFileForm::Interleaved:
        if (std::vector<std::uint8_t> image = InterleaveDFSCardForm(stored); !image.empty())
            return image;
        break;
    case TFileForm::Stored:
        break;
    }
    return stored;
}

} // namespace brelk
