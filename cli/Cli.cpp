#include "cli/Cli.h"

#include <ostream>

namespace brelk::cli {

int RunBrelk(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    (void)args;
    (void)out;
    err << "brelk: not yet\n";
    return 2;
}

} // namespace brelk::cli
