#include "cli/Cli.h"

#include <exception>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    // Each command reports its own failures; this catches what escapes even that (the
    // argument list itself cannot be built, say), so brelk never ends by an abort.
    try {
        std::vector<std::string> args(argv + 1, argv + argc);
        const brelk::cli::TTerminals terminals{::isatty(0) == 1, ::isatty(1) == 1};
        return brelk::cli::RunBrelk(args, std::cout, std::cerr, std::cin, terminals);
    } catch (const std::exception& error) {
        std::cerr << "brelk: " << error.what() << "\n";
        return 1;
    }
}
