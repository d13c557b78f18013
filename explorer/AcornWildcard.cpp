#include "explorer/AcornWildcard.h"

namespace brelk {

namespace {

char Folded(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool SameCharacter(char pattern, char name) {
    return pattern == '#' || Folded(pattern) == Folded(name);
}

} // namespace

// Greedy matching with one step back to the last "*": each "*" only ever grows the run it
// takes, so a match costs at most pattern length times name length steps, never more.
bool AcornNameMatches(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t star = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starName = n;
        } else if (p < pattern.size() && SameCharacter(pattern[p], name[n])) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool HasAcornWildcard(std::string_view pattern) {
    return pattern.find_first_of("*#") != std::string_view::npos;
}

} // namespace brelk
