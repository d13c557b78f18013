// Feeds arbitrary bytes to the analysis of a file's contents (as a .dsd and as a .ssd), the
// de-interleaving, the gzip unpacking and the conversion into the card's form, and stops
// when a result breaks its promise.
#include "explorer/ContentAnalysis.h"
#include "explorer/Gzip.h"
#include "explorer/PendingObjects.h"
#include "formats/DFSInterleave.h"

#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

void AnalyseAndConvert(const std::vector<std::uint8_t>& bytes, const char* path) {
    const brelk::TContentAnalysis found = brelk::AnalyseContents(bytes, path);
    const bool disc =
        found.ReadAs == brelk::TReadAs::DFS || found.ReadAs == brelk::TReadAs::DFSInterleaved;
    Check(!disc || (found.DiscSides >= 1 && found.DiscSides <= 5), "a disc has 1 to 5 sides");
    Check(found.ReadAs != brelk::TReadAs::Tool || found.DataSize == bytes.size(),
          "a tool keeps every byte");
    brelk::TBrelk_RawCatalogueEntry object;
    object.ReadAs = found.ReadAs;
    object.Entry.SetType(brelk::kTypeImage);
    object.Entry.SetSubtype(found.ReadAs == brelk::TReadAs::Tape   ? brelk::kSubtypeTape
                            : found.ReadAs == brelk::TReadAs::ADFS ? brelk::kSubtypeADFS
                                                                   : brelk::kSubtypeDFS);
    for (bool squashed : {false, true}) {
        std::vector<std::uint8_t> data = bytes;
        object.Squashed = squashed;
        brelk::ConvertPendingData(object, data);
        Check(object.DataSize == data.size(), "DataSize is the converted length");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    AnalyseAndConvert(bytes, "file.dsd");
    AnalyseAndConvert(bytes, "file.ssd");
    std::size_t present = 0;
    const auto form = brelk::DeinterleaveDFSImage(data, size, &present);
    Check(present <= form.size() && present <= size, "the bytes present lie in the file");
    std::vector<std::uint8_t> unpacked;
    const brelk::TGunzipResult result = brelk::GunzipAll(data, size, unpacked, 1 << 20);
    Check(result == brelk::TGunzipResult::Ok || unpacked.empty(),
          "a failed unpacking keeps nothing");
    Check(unpacked.size() <= (1u << 20), "the limit holds");
    return 0;
}
