#include "explorer/ObjectFileKinds.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace brelk {

namespace {

constexpr std::array<TObjectFileKind, 5> kKinds = {{
    {"bin", "Objects"},
    {"adfs", "ADFS"},
    {"ssd", "DFS singlesided"},
    {"dsd", "DFS doublesided"},
    {"uef", "Tape"},
}};

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return upper;
}

} // namespace

std::span<const TObjectFileKind> ObjectFileKinds() {
    return kKinds;
}

std::string FilterEntry(const TObjectFileKind& kind) {
    return std::string(kind.Description) + " (*." + std::string(kind.Extension) + ")";
}

std::string FilterEntryOf(std::string_view extension) {
    const auto found = std::find_if(kKinds.begin(), kKinds.end(), [&](const TObjectFileKind& k) {
        return k.Extension == extension;
    });
    return FilterEntry(found != kKinds.end() ? *found : kKinds.front());
}

std::string FilterWithPattern(const TObjectFileKind& kind) {
    return FilterEntry(kind) + "|*." + UpperCase(kind.Extension);
}

std::string ObjectFilesFilter() {
    std::string filter;
    for (const TObjectFileKind& kind : kKinds)
        filter += (filter.empty() ? "" : "|") + FilterWithPattern(kind);
    return filter;
}

} // namespace brelk
