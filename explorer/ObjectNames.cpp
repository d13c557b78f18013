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

std::string RenameRefusal(std::string_view newName, std::size_t prefixLength) {
    if (newName.empty())
        return "An object needs a name.";
    // The sub-groups keep whatever bytes they have; the part the user chose is checked.
    const std::string_view chosen = newName.substr(std::min(prefixLength, newName.size()));
    if (!std::all_of(chosen.begin(), chosen.end(), IsObjectNameChar))
        return "A name holds only the characters \"!\" to \"~\" (no spaces).";
    const std::size_t limit = kNameLength;
    if (newName.size() > limit)
        return NameTooLongText(limit - std::min(prefixLength, limit));
    if (newName.back() == '.')
        return "A name cannot end with a full stop (\".\").";
    return std::string();
}

} // namespace brelk
