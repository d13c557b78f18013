#include "explorer/ObjectOps.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace brelk {

namespace {

// Records changed between two progress reports: a step of a 65535-entry catalogue takes a
// few milliseconds.
constexpr std::size_t kStep = 4096;

// The listed records that are in the catalogue, each once, in the order listed.
std::vector<const TBrelkCatEntry*> LiveRecords(const TBrelk& card,
                                               const std::vector<const TBrelkCatEntry*>& entries) {
    std::unordered_set<const TBrelkCatEntry*> live;
    live.reserve(card.Entries().size());
    for (const auto& record : card.Entries())
        live.insert(record);
    std::vector<const TBrelkCatEntry*> records;
    records.reserve(entries.size());
    for (const TBrelkCatEntry* entry : entries)
        if (live.erase(entry) > 0)
            records.push_back(entry);
    return records;
}

} // namespace

TMoveToDeletedResult MoveToDeletedObjects(TBrelk& card,
                                          const std::vector<const TBrelkCatEntry*>& entries,
                                          const TOperationProgress& progress) {
    TMoveToDeletedResult result;
    const std::vector<const TBrelkCatEntry*> records = LiveRecords(card, entries);
    for (std::size_t first = 0; first < records.size(); first += kStep) {
        const std::size_t last = std::min(records.size(), first + kStep);
        std::vector<std::pair<const TBrelkCatEntry*, TBrelkCatEntry>> changes;
        changes.reserve(last - first);
        for (std::size_t i = first; i < last; ++i) {
            TBrelkCatEntry deleted = *records[i];
            deleted.SetType(kTypeDeleted);
            changes.emplace_back(records[i], deleted);
        }
        card.UpdateCatEntries(changes, &result.HeaderFailures);
        result.Moved.insert(result.Moved.end(), records.begin() + std::ptrdiff_t(first),
                            records.begin() + std::ptrdiff_t(last));
        if (progress && progress(last, records.size()) && last < records.size()) {
            result.Cancelled = true;
            break;
        }
    }
    return result;
}

std::vector<const TBrelkCatEntry*> DeletedObjects(const TBrelk& card) {
    std::vector<const TBrelkCatEntry*> deleted;
    for (const auto& record : card.Entries())
        if (record->Type() == kTypeDeleted)
            deleted.push_back(record);
    return deleted;
}

std::size_t RemoveDeletedObjects(TBrelk& card) {
    return card.DeleteCatEntries(DeletedObjects(card));
}

} // namespace brelk
