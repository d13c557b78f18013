#include "explorer/AcornWildcard.h"

namespace brelk {

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

} // namespace

bool AcornNameMatches(std::string_view pattern, std::string_view name) {
    // Iterative match with one back-track point: the latest "*".
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '#' || Upper(pattern[p]) == Upper(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool HasAcornWildcard(std::string_view text) {
    return text.find_first_of("*#") != std::string_view::npos;
}

} // namespace brelk
