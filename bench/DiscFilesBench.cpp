// Listing the files of 1,000 DFS discs of 20 files each, read from a card image: every disc
// object read from the card and its files listed, in one process (the window's and a long
// brelk run's cost, without a process start per disc).
#include "bench/BenchSupport.h"
#include "card/Brelk.h"
#include "explorer/DiscFiles.h"
#include "explorer/ObjectTransfer.h"
#include "tests/formats/DFSBuilder.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace brelk;

namespace {

constexpr int kDiscs = 1000;

dfstest::TBytes Disc(int number) {
    dfstest::TDFSBuilder builder(162, 162 * 256);
    for (int f = 0; f < 20; ++f) {
        char name[8];
        std::snprintf(name, sizeof name, "F%02d", f);
        builder.AddWithData(dfstest::FileAt(name, 2000, std::uint16_t(154 - 8 * f)),
                            std::uint8_t(1 + (number + f) % 160));
    }
    return builder.Title("D" + std::to_string(number)).Bytes();
}

// A card image of 64 MiB holding the 1,000 discs, made once.
void MakeCard(const std::filesystem::path& path, brelkbench::TQuietReporter& reporter) {
    std::filesystem::remove(path);
    { std::ofstream(path, std::ios::binary); }
    std::filesystem::resize_file(path, 64u << 20);
    TBrelk card(reporter);
    card.Initialize(kDefaultCacheSize, path, kDefaultSafetyZone);
    card.FormatMMC();
    card.StartBulktransfer();
    for (int i = 0; i < kDiscs; ++i) {
        const dfstest::TBytes disc = Disc(i);
        TBrelkCatEntry e;
        e.SetType(kTypeImage);
        e.SetSubtype(kSubtypeDFS);
        e.SetName("D" + std::to_string(i));
        e.SetSize(std::uint32_t(disc.size()));
        card.AddObjectToBrelk(e, disc.data(), false);
    }
    card.FlushMMCDevice();
    card.StopBulktransfer();
}

void BM_ListFilesOf1000Discs(benchmark::State& state) {
    const auto path = brelkbench::TempImage("discfiles.img");
    brelkbench::TQuietReporter reporter;
    MakeCard(path, reporter);
    TBrelk card(reporter);
    card.Initialize(kDefaultCacheSize, path, kDefaultSafetyZone);
    std::size_t files = 0;
    for (auto _ : state) {
        files = 0;
        for (const auto& entry : card.Entries()) {
            std::vector<std::uint8_t> bytes;
            TMediaKind kind;
            TMediaListing listing;
            std::string why;
            if (!MediaKindOf(*entry, kind) || !ReadWholeObject(card, *entry, bytes) ||
                !ListMediaFiles(kind, bytes, listing, why))
                state.SkipWithError("a disc could not be listed");
            files += listing.Files.size();
        }
    }
    if (files != std::size_t(kDiscs) * 20)
        state.SkipWithError("not every file was listed");
    card.DiscardUnsavedData();
    std::filesystem::remove(path);
}
BENCHMARK(BM_ListFilesOf1000Discs)->Unit(benchmark::kMillisecond);

} // namespace
BENCHMARK_MAIN();
