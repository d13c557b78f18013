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
    std::vector<std::uint8_t> data;
    if (!ReadObject(card, *entry, data))
        return TDiscTransformResult::ReadFailed;
    TAcornDFSDiscObject disc;
    if (!disc.AddDiscSide(data.data(), data.size()))
        return TDiscTransformResult::NotDFS;
    std::uint32_t size = entry->Size();
    if (squash)
        disc.SquashDisc(data, size);
    else
        disc.ExpandDisc(data, size);
    if (size == 0 || size > data.size() || !card.ReplaceObjectData(entry, data.data(), size))
        return TDiscTransformResult::RewriteFailed;
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

} // namespace brelk
