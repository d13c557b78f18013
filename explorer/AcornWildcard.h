// Object names matched against a pattern as the Acorn filing systems match them.
#pragma once

#include <string_view>

namespace brelk {

// Whether Name matches Pattern as a whole: "*" stands for any run of characters (none
// included), "#" for exactly one, every other character for itself with ASCII letters
// compared without regard to case.
bool AcornNameMatches(std::string_view pattern, std::string_view name);

// Whether Pattern holds "*" or "#", so that it may match more than the one name it spells.
bool HasAcornWildcard(std::string_view pattern);

} // namespace brelk
