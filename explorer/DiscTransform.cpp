#include "explorer/DiscTransform.h"

#include "explorer/NameText.h"

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

TDiscTransformResult ReplaceDiscObject(TBrelk& card, const TBrelkCatEntry* entry,
                                       const std::vector<std::uint8_t>& data) {
    if (data.empty() || data.size() > UINT32_MAX ||
        !card.ReplaceObjectData(entry, data.data(), std::uint32_t(data.size())))
        return card.WritesStopped() ? TDiscTransformResult::WritesStopped
                                    : TDiscTransformResult::RewriteFailed;
    return TDiscTransformResult::Converted;
}

TDiscTransformResult TransformDiscObject(TBrelk& card, const TBrelkCatEntry* entry, bool squash) {
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

namespace {

bool IsDFSDiscEntry(const TBrelkCatEntry* entry) {
    return entry && IsDFSDiscObject(*entry);
}

std::size_t DFSDiscsFrom(const std::vector<const TBrelkCatEntry*>& entries, std::size_t first) {
    return std::size_t(
        std::count_if(entries.begin() + std::ptrdiff_t(first), entries.end(), IsDFSDiscEntry));
}

} // namespace

TDiscTransformRun TransformDiscObjects(TBrelk& card,
                                       const std::vector<const TBrelkCatEntry*>& entries,
                                       bool squash, TJobUser& user) {
    TDiscTransformRun run;
    TJobProgress* progress = user.Progress();
    if (progress)
        progress->Begin(squash ? "Squashing DFS-object" : "Expanding DFS-object");
    card.StartBulktransfer();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TBrelkCatEntry* entry = entries[i];
        if (!IsDFSDiscEntry(entry) || !card.InCatalogue(entry))
            continue;
        const std::string name = NameText(entry->Name());
        // A cancel asked during an earlier report shows here: the disc converted meanwhile is
        // done, and nothing after it is started.
        if (progress && progress->Report(i + 1, entries.size(), "Object: " + name)) {
            run.Cancelled = true;
            break;
        }
        const std::uint32_t before = entry->Size();
        const TDiscTransformResult result = TransformDiscObject(card, entry, squash);
        if (result == TDiscTransformResult::WritesStopped) {
            user.Notify(TNotice::Error, WritesStoppedMessage(squash, DFSDiscsFrom(entries, i)));
            run.Stopped = run.Failed = true;
            break;
        }
        if (result == TDiscTransformResult::Converted) {
            ++run.Converted;
            user.Tell(report::TDiscConverted{entry, before});
        } else if (const std::string message = DiscTransformMessage(result, squash, name);
                   !message.empty()) {
            user.Notify(TNotice::Error, message);
            run.Failed = true;
        }
    }
    card.StopBulktransfer();
    if (progress)
        progress->End();
    return run;
}

} // namespace brelk
