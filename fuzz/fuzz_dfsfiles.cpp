// Feeds arbitrary bytes to the DFS file reader and its insert and delete, and stops at the first
// property that does not hold.
#include "fuzz/DiscFilesProperties.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failed = discfilesproperties::DFSFailure(data, size);
    if (!failed.empty()) {
        std::fprintf(stderr, "property failed: %s\n", failed.c_str());
        std::abort();
    }
    return 0;
}
