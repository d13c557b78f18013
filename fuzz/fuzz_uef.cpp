// Feeds arbitrary bytes to the tape reader, as they are (a stored block run when they begin
// with "*", else a UEF container) and behind a UEF header, and to the tape catalogue text.
// Checks that what is stored always reads back as the same blocks.
#include "formats/TapeDetails.h"
#include "formats/UEF.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace brelk;

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

void CheckLines(const TUEF& tape) {
    const std::vector<std::string> lines = TapeCatalogueLines(tape);
    if (tape.Entries.empty()) {
        Check(lines.size() == 1, "empty tape text");
        return;
    }
    Check(lines.size() == tape.Entries.size() + 3, "one line per file");
    for (std::size_t i = 0; i < tape.Entries.size(); ++i) {
        const TTapeCatEntry& entry = *tape.Entries[i];
        Check(entry.Name.size() <= 10, "name of at most 10 characters");
        if (entry.Length <= 0xFFFFF)
            Check(lines[i + 3].size() == 38, "entry line width");
        for (char c : lines[i + 3])
            Check(c != '\r' && c != '\n', "one line per entry");
    }
}

// Reads Bytes, then reads what was collected as a stored run: it must give the same bytes.
void ReadAndStore(const std::uint8_t* data, std::size_t size) {
    TUEF tape;
    const bool accepted = tape.FetchUEF(data, size);
    Check(!accepted || tape.IsUEF, "accepted only with the magic");
    Check(tape.CatEntryCount() == tape.Entries.size(), "entry count");
    Check(tape.GetUEFCatEntry(tape.Entries.size()) == nullptr, "no entry past the end");
    std::vector<std::uint8_t> copy(tape.UseableDataSize());
    Check(tape.FetchUseabledata(copy.data()) && copy == tape.UseableData, "useable data copy");
    CheckLines(tape);

    TUEF stored;
    Check(!stored.FetchUEF(tape.UseableData), "a stored run is no container");
    Check(stored.UseableData == tape.UseableData, "stored blocks read back");
    Check(stored.Entries.size() <= tape.UseableData.size() / 23, "at most one file per block");
    CheckLines(stored);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Exactly the input, so that a read past its end is seen by the address sanitizer.
    std::vector<std::uint8_t> exact(data, data + size);
    ReadAndStore(exact.data(), exact.size());

    std::vector<std::uint8_t> container{'U', 'E', 'F', ' ', 'F', 'i', 'l', 'e', '!', 0, 10, 0};
    container.insert(container.end(), data, data + size);
    ReadAndStore(container.data(), container.size());

    std::vector<std::uint8_t> run{'*'};
    run.insert(run.end(), data, data + size);
    ReadAndStore(run.data(), run.size());
    return 0;
}
