// brelk: the command-line companion of the explorer, on the same card and format core.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace brelk::cli {

// Which standard streams are terminals: questions are asked only on one, and binary output
// never goes to one.
struct TTerminals {
    bool In = false;
    bool Out = false;
};

// Runs one brelk command line (without the program name). Returns the exit status:
// 0 success, 1 failure (one line on Err), 2 usage error.
int RunBrelk(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             std::istream& in, const TTerminals& terminals);
// The same with standard input and no terminals, as a test runs it.
int RunBrelk(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace brelk::cli
