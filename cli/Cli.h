// brelk: the command-line companion of the explorer, on the same card and format core.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace brelk::cli {

// Runs one brelk command line (without the program name). Returns the exit status:
// 0 success, 1 failure (one line on Err), 2 usage error.
int RunBrelk(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace brelk::cli
