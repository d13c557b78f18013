#include "explorer/ObjectSelection.h"

#include "explorer/AcornWildcard.h"

#include <unordered_map>
#include <unordered_set>

namespace brelk {

namespace {

bool Chosen(const TBrelkCatEntry& entry, const TObjectChoice& choice) {
    return (!choice.Type || entry.Type() == *choice.Type) &&
           (!choice.Address || entry.Address() == *choice.Address);
}

using TByName = std::unordered_map<std::string, std::vector<const TBrelkCatEntry*>>;

// The chosen entries by their name keys: one walk of the catalogue for every plain name.
TByName EntriesByName(const TBrelk& card, const TObjectChoice& choice) {
    TByName byName;
    for (const auto& entry : card.Entries())
        if (Chosen(*entry, choice))
            byName[NameKey(entry->Name())].push_back(entry);
    return byName;
}

std::vector<const TBrelkCatEntry*> Matches(const TBrelk& card, const std::string& pattern,
                                           const TObjectChoice& choice) {
    const bool deletedToo = choice.Type && *choice.Type == kTypeDeleted;
    std::vector<const TBrelkCatEntry*> found;
    for (const auto& entry : card.Entries())
        if (Chosen(*entry, choice) && (deletedToo || entry->Type() != kTypeDeleted) &&
            AcornNameMatches(pattern, entry->Name()))
            found.push_back(entry);
    return found;
}

} // namespace

TObjectSelection SelectObjects(const TBrelk& card, const std::vector<std::string>& names,
                               const TObjectChoice& choice) {
    TObjectSelection selection;
    std::optional<TByName> byName;
    std::unordered_set<const TBrelkCatEntry*> taken;
    for (const std::string& name : names) {
        std::vector<const TBrelkCatEntry*> found;
        if (HasAcornWildcard(name)) {
            found = Matches(card, name, choice);
        } else {
            if (!byName)
                byName = EntriesByName(card, choice);
            if (const auto it = byName->find(NameKey(name)); it != byName->end())
                found = it->second;
            if (found.size() > 1) {
                selection.Fault = TSelectionFault::Ambiguous;
                selection.Pattern = name;
                selection.Count = found.size();
                return selection;
            }
        }
        if (found.empty()) {
            selection.Fault = TSelectionFault::NoMatch;
            selection.Pattern = name;
            return selection;
        }
        for (const TBrelkCatEntry* entry : found)
            if (taken.insert(entry).second)
                selection.Entries.push_back(entry);
    }
    return selection;
}

} // namespace brelk
