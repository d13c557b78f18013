// Opens arbitrary bytes as a Brelk-card served from memory behind the system-call seam:
// initialisation, the catalogue, the free-space map, the used bytes, the card summary, the
// type text and icon of every entry, and the tape catalogue of tape objects.
// Input: 4 parameter bytes (sector size, safety zone, claimed card length, cache size), then
// the first bytes of the card; the rest of the claimed length reads as zeros.
#include "tests/explorer/FuzzProperties.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const brelktest::TFailures failures = brelktest::ExerciseCard(data, size);
    for (const std::string& failure : failures)
        std::fprintf(stderr, "property failed: %s\n", failure.c_str());
    if (!failures.empty())
        std::abort();
    return 0;
}
