#include "explorer/ObjectNames.h"

#include "card/CatEntry.h"

#include <algorithm>

namespace brelk {

bool IsObjectNameChar(char c) {
    return c >= '!' && c <= '~';
}

std::string NameTooLongText(std::size_t allowed) {
    return "The name you entered is too long (only " + std::to_string(allowed) +
           " characters allowed)";
}

namespace {

// The refusal of NewName whose bytes [ChosenFrom, ChosenEnd) were chosen by the user; the
// length refusal counts the bytes after PrefixLength.
std::string Refusal(std::string_view newName, std::size_t prefixLength, std::size_t chosenFrom,
                    std::size_t chosenEnd) {
    if (newName.empty())
        return "An object needs a name.";
    const std::size_t from = std::min(chosenFrom, newName.size());
    const std::string_view chosen = newName.substr(from, std::max(chosenEnd, from) - from);
    if (!std::all_of(chosen.begin(), chosen.end(), IsObjectNameChar))
        return "A name holds only the characters \"!\" to \"~\" (no spaces).";
    const std::size_t limit = kNameLength;
    if (newName.size() > limit)
        return NameTooLongText(limit - std::min(prefixLength, limit));
    if (newName.back() == '.')
        return "A name cannot end with a full stop (\".\").";
    return std::string();
}

} // namespace

std::string RenameRefusal(std::string_view newName, std::size_t prefixLength) {
    // The sub-groups keep whatever bytes they have; the part the user chose is checked.
    return Refusal(newName, prefixLength, prefixLength, newName.size());
}

std::string RenameRefusal(std::string_view newName, std::string_view oldName,
                          std::size_t keptPrefix) {
    const auto start =
        std::mismatch(newName.begin(), newName.end(), oldName.begin(), oldName.end());
    const std::size_t sameStart = std::size_t(start.first - newName.begin());
    const auto end = std::mismatch(newName.rbegin(), newName.rend() - std::ptrdiff_t(sameStart),
                                   oldName.rbegin(), oldName.rend());
    const std::size_t sameEnd = std::size_t(end.first - newName.rbegin());
    return Refusal(newName, keptPrefix, std::max(sameStart, keptPrefix), newName.size() - sameEnd);
}

} // namespace brelk
