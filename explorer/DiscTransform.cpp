#include "explorer/DiscTransform.h"

#include "formats/AcornDFS.h"

#include <vector>

namespace brelk {

namespace {

// The whole object, or false when it lies (partly) outside the readable card.
bool ReadObject(TBrelk& card, const TBrelkCatEntry& entry, std::vector<std::uint8_t>& data) {
    const std::uint64_t end = std::uint64_t(entry.Address()) + entry.Size();
    if (end > card.UsableLimit())
        return false;
    data.resize(entry.Size());
    return card.ReadMMC(data.data(), entry.Address(), entry.Size());
}

} // namespace

TDiscTransformResult TransformDiscObject(TBrelk& card, TBrelkCatEntry* entry, bool squash) {
    if (!entry || entry->Type() != kTypeImage || entry->Subtype() != kSubtypeDFS)
        return TDiscTransformResult::NotDFS;
    if (card.WritesStopped())
        return TDiscTransformResult::WritesStopped;
    std::vector<std::uint8_t> data;
    if (!ReadObject(card, *entry, data))
        return card.WritesStopped() ? TDiscTransformResult::WritesStopped
                                    : TDiscTransformResult::ReadFailed;
    TAcornDFSDiscObject disc;
    if (!disc.AddDiscSide(data.data(), data.size()))
        return TDiscTransformResult::NotDFS;
    std::uint32_t size = entry->Size();
    if (squash)
        disc.SquashDisc(data, size);
    else
        disc.ExpandDisc(data, size);
    if (size == 0 || size > data.size() || !card.ReplaceObjectData(entry, data.data(), size))
        return card.WritesStopped() ? TDiscTransformResult::WritesStopped
                                    : TDiscTransformResult::RewriteFailed;
    return TDiscTransformResult::Converted;
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
