// Acorn wildcards for names inside discs and on the card: "*" stands for any run of
// characters (none included), "#" for exactly one; letters match in either case.
#pragma once

#include <string_view>

namespace brelk {

// Whether Pattern matches the whole of Name.
bool AcornNameMatches(std::string_view pattern, std::string_view name);

// Whether Text holds "*" or "#".
bool HasAcornWildcard(std::string_view text);

} // namespace brelk
