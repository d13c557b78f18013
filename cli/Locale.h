// The user's locale as brelk shows numbers.
#pragma once

#include <string>

namespace brelk::cli {

// The thousands separator of the user's locale (LC_NUMERIC, LANG); empty when the locale
// groups no digits, as the C locale does.
std::string LocaleThousandsSeparator();

} // namespace brelk::cli
