// The one-line account of a repair plan that both front ends show before a repair writes.
#include "explorer/CheckJob.h"

namespace brelk {

namespace {

std::string Counted(std::size_t n, const std::string& one, const std::string& many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

void Part(std::vector<std::string>& parts, std::size_t n, const std::string& verb,
          const std::string& one, const std::string& many) {
    if (n > 0)
        parts.push_back(verb + " " + Counted(n, one, many));
}

} // namespace

std::string RepairPlanSummary(const TRepairPlan& plan) {
    const TRepairCounts& c = plan.Counts;
    std::vector<std::string> parts;
    if (plan.FromKept)
        parts.push_back("put back the catalogue from before the last change (" +
                        Counted(plan.Entries.size(), "entry", "entries") + ")");
    if (c.HeaderRewritten)
        parts.push_back("write the catalogue header anew");
    Part(parts, c.Rebuilt, "rebuild", "entry from its object header",
         "entries from their object headers");
    Part(parts, c.AddedBack, "add back", "hidden object from its object header",
         "hidden objects from their object headers");
    Part(parts, c.DroppedOutside, "drop", "entry that points outside the card",
         "entries that point outside the card");
    Part(parts, c.DroppedOverlap, "drop", "entry that overlaps an entry its object header confirms",
         "entries that overlap entries their object headers confirm");
    Part(parts, c.DroppedDuplicate, "drop", "duplicated entry", "duplicated entries");
    Part(parts, c.DroppedEmpty, "drop", "empty entry", "empty entries");
    Part(parts, c.NoRoom, "leave", "hidden object unlisted: the catalogue has no room for it",
         "hidden objects unlisted: the catalogue has no room for them");
    if (parts.empty())
        parts.push_back("write the catalogue again in catalogue order (" +
                        Counted(plan.Entries.size(), "entry", "entries") + ")");
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

} // namespace brelk
