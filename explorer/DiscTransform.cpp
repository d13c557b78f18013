#include "explorer/DiscTransform.h"

#include "explorer/ObjectTransfer.h"
#include "formats/AcornDFS.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace brelk {

TDiscTransformResult ReadDiscObject(TBrelk& card, const TBrelkCatEntry& entry,
                                    std::vector<std::uint8_t>& data) {
    if (card.WritesStopped())
        return TDiscTransformResult::WritesStopped;
    if (ReadWholeObject(card, entry, data))
        return TDiscTransformResult::Converted;
    return card.WritesStopped() ? TDiscTransformResult::WritesStopped
                                : TDiscTransformResult::ReadFailed;
}

TDiscTransformResult ReplaceDiscObject(TBrelk& card, TBrelkCatEntry* entry,
                                       const std::vector<std::uint8_t>& data) {
    if (data.empty() || data.size() > UINT32_MAX ||
        !card.ReplaceObjectData(entry, data.data(), std::uint32_t(data.size())))
        return card.WritesStopped() ? TDiscTransformResult::WritesStopped
                                    : TDiscTransformResult::RewriteFailed;
    return TDiscTransformResult::Converted;
}

TDiscTransformResult TransformDiscObject(TBrelk& card, TBrelkCatEntry* entry, bool squash) {
    if (!entry || entry->Type() != kTypeImage || entry->Subtype() != kSubtypeDFS)
        return TDiscTransformResult::NotDFS;
    std::vector<std::uint8_t> data;
    const TDiscTransformResult read = ReadDiscObject(card, *entry, data);
    if (read != TDiscTransformResult::Converted)
        return read;
    TAcornDFSDiscObject disc;
    if (!disc.AddDiscSide(data.data(), data.size()))
        return TDiscTransformResult::NotDFS;
    std::uint32_t size = entry->Size();
    if (squash)
        disc.SquashDisc(data, size);
    else
        disc.ExpandDisc(data, size);
    data.resize(std::min<std::size_t>(size, data.size()));
    return ReplaceDiscObject(card, entry, data);
}

std::string DiscTransformMessage(TDiscTransformResult result, bool squash,
                                 const std::string& name) {
    switch (result) {
    case TDiscTransformResult::ReadFailed:
        return "Could not read from Brelk.";
    case TDiscTransformResult::RewriteFailed:
        return squash ? "Could not squash '" + name +
                            "' - not enough contiguous free space or Brelk is full!"
                      : "Could not expand '" + name +
                            "' - not enough contigous free space or Brelk is full!";
    default:
        return "";
    }
}

std::string WritesStoppedMessage(bool squash, std::size_t left) {
    return "The Brelk-card takes no more writes after the failure above: " + std::to_string(left) +
           (left == 1 ? " disc was" : " discs were") +
           (squash ? " not squashed." : " not expanded.");
}

} // namespace brelk
