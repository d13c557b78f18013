#include "cli/Locale.h"

#include <locale>
#include <stdexcept>

namespace brelk::cli {

std::string LocaleThousandsSeparator() {
    try {
        const std::locale user("");
        const auto& numbers = std::use_facet<std::numpunct<char>>(user);
        if (numbers.grouping().empty() || numbers.grouping()[0] <= 0)
            return "";
        return std::string(1, numbers.thousands_sep());
    } catch (const std::runtime_error&) {
        return ""; // an unknown locale in the environment
    }
}

} // namespace brelk::cli
