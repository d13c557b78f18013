// Feeds arbitrary bytes to the tape reader, as they are (a stored block run when they begin
// with "*", else a UEF container), behind a UEF header and behind a sync byte, and to the tape
// catalogue text. What is stored must always read back as the same blocks.
#include "tests/explorer/FuzzProperties.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const brelktest::TFailures failures = brelktest::ExerciseTape(data, size);
    for (const std::string& failure : failures)
        std::fprintf(stderr, "property failed: %s\n", failure.c_str());
    if (!failures.empty())
        std::abort();
    return 0;
}
