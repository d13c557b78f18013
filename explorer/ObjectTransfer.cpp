#include "explorer/ObjectTransfer.h"

#include "card/Brelk.h"
#include "formats/UEF.h"
#include "formats/UEFWriter.h"

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

} // namespace brelk
