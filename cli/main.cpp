#include "cli/Cli.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    // Each command reports its own failures; this catches what escapes even that (the
    // argument list itself cannot be built, say), so brelk never ends by an abort.
    try {
        std::vector<std::string> args(argv + 1, argv + argc);
        return brelk::cli::RunBrelk(args, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "brelk: " << error.what() << "\n";
        return 1;
    }
}
