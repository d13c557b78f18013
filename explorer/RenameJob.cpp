#include "explorer/RenameJob.h"

#include "explorer/NameText.h"
#include "explorer/ObjectNames.h"

namespace brelk {

std::size_t GroupPrefixLength(std::string_view raw, std::size_t levels) {
    std::size_t length = 0;
    for (std::size_t level = 0; level < levels; ++level) {
        const std::size_t stop = raw.find('.', length);
        if (stop == std::string_view::npos)
            return raw.size();
        length = stop + 1;
    }
    return length;
}

std::string SwapGroupPrefix(std::string_view raw, std::size_t levels, std::string_view newPrefix) {
    std::string name(newPrefix);
    name += raw.substr(GroupPrefixLength(raw, levels));
    return name;
}

TRenameOutcome RenameObjectJob(TBrelk& card, const TBrelkCatEntry& entry,
                               const std::string& newRawName, TJobUser& user,
                               std::size_t keptPrefix) {
    if (!card.InCatalogue(&entry) || entry.Type() == kTypeDeleted)
        return {TRenameResult::NotLive, std::string()};
    const std::string oldName = entry.Name();
    if (std::string why = RenameRefusal(newRawName, oldName, keptPrefix); !why.empty())
        return {TRenameResult::Refused, std::move(why)};
    TBrelkCatEntry renamed = entry;
    renamed.SetName(newRawName);
    if (card.UpdateCatEntry(&entry, renamed))
        return {TRenameResult::Renamed, std::string()};
    user.Notify(TNotice::Error, "The object header of '" + NameText(newRawName) +
                                    "' could not be rewritten; the catalogue has its new name.");
    return {TRenameResult::HeaderFailed, std::string()};
}

} // namespace brelk
