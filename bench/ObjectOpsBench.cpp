// Speed of the operations on many objects: moving 28,000 of 65,535 objects to the deleted
// ones (in one catalogue pass, and one by one as before), and squashing 500 DFS discs on a card
// of 500 and of 65,500 entries, which should take about as long.
#include "bench/BenchSupport.h"
#include "card/Brelk.h"
#include "explorer/DiscTransform.h"
#include "explorer/ObjectOps.h"
#include "tests/formats/DFSBuilder.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace brelk;
namespace fs = std::filesystem;

namespace {

using brelkbench::TempImage;
using TBenchReporter = brelkbench::TQuietReporter;

constexpr std::uint32_t kZone = 8192;
constexpr std::uint32_t kDiscBytes = 25600; // a 100-sector side with 3 sectors used

struct TLayout {
    std::uint32_t Tools;   // one-block tools, named in catalogue order
    std::uint32_t Discs;   // DFS discs of kDiscBytes
    std::uint32_t Gap = 0; // free bytes left below each tool
};

// A sorted catalogue (tools, then discs) packed down from the usable limit, with room left
// below for the squashed discs. Written straight into a sparse image file.
void MakeCardImage(const fs::path& path, TLayout layout) {
    const std::uint32_t count = layout.Tools + layout.Discs;
    const std::uint32_t catalogueEnd = (512 + 64 * count + 511) / 512 * 512;
    const std::uint32_t used =
        layout.Tools * (1024 + layout.Gap) + layout.Discs * (kDiscBytes + 512);
    const std::uint32_t size = catalogueEnd + used + (16u << 20) + kZone;
    std::vector<std::uint8_t> catalogue(catalogueEnd, 0);
    std::copy(kCatalogueMagic.begin(), kCatalogueMagic.end(), catalogue.begin());
    PutLE32(&catalogue[kHeaderCountOffset], count);
    std::uint32_t below = size - kZone;
    const dfstest::TBytes disc =
        dfstest::TDFSBuilder(100, kDiscBytes).Title("BENCH").Add({'$', "GAME", 0x100, 2}).Bytes();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::uint32_t i = 0; i < count; ++i) {
        const bool isDisc = i >= layout.Tools;
        const std::uint32_t dataSize = isDisc ? kDiscBytes : 512;
        below -= dataSize + 512 + (isDisc ? 0 : layout.Gap);
        TBrelkCatEntry e;
        e.SetType(isDisc ? kTypeImage : kTypeTool);
        e.SetSubtype(isDisc ? kSubtypeDFS : 0);
        char name[32];
        std::snprintf(name, sizeof name, isDisc ? "DISC%05u" : "TOOL%05u", i);
        e.SetName(name);
        e.SetSize(dataSize);
        e.SetAddress(below + (isDisc ? 0 : layout.Gap) + 512);
        std::copy(e.Bytes.begin(), e.Bytes.end(), catalogue.begin() + 512 + 64 * i);
        if (isDisc) {
            out.seekp(std::streamoff(below + 512));
            out.write(reinterpret_cast<const char*>(disc.data()), std::streamsize(disc.size()));
        }
    }
    PutLE32(&catalogue[kHeaderLowestOffset], below);
    out.seekp(0);
    out.write(reinterpret_cast<const char*>(catalogue.data()), std::streamsize(catalogue.size()));
    out.close();
    fs::resize_file(path, size);
}

// The first Count tools of a 65,535-entry card, for moving.
std::vector<const TBrelkCatEntry*> FirstTools(TBrelk& card, std::size_t count) {
    std::vector<const TBrelkCatEntry*> entries;
    for (std::size_t i = 0; i < count && i < card.Entries().size(); ++i)
        entries.push_back(card.Entries()[i]);
    return entries;
}

// Arg 1: the objects moved in one catalogue pass; arg 0: one by one (each a search, an erase
// and an insert), the old way.
void BM_MoveToDeleted(benchmark::State& state) {
    const fs::path path = TempImage("move.img");
    MakeCardImage(path, {65535, 0});
    TBenchReporter reporter;
    for (auto _ : state) {
        state.PauseTiming();
        TBrelk card(reporter);
        card.Initialize(262144, path, kZone);
        const std::vector<const TBrelkCatEntry*> entries =
            FirstTools(card, std::size_t(state.range(0)));
        state.ResumeTiming();
        if (state.range(1) != 0) {
            if (MoveToDeletedObjects(card, entries).Moved.size() != entries.size())
                state.SkipWithError("not every object was moved");
        } else {
            for (const TBrelkCatEntry* entry : entries) {
                TBrelkCatEntry deleted = *entry;
                deleted.SetType(kTypeDeleted);
                card.UpdateCatEntry(entry, deleted);
            }
        }
        state.PauseTiming();
        card.DiscardUnsavedData(); // the image is used again as it is
        state.ResumeTiming();
    }
    fs::remove(path);
}
BENCHMARK(BM_MoveToDeleted)->Args({28000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveToDeleted)->Args({28000, 0})->Unit(benchmark::kMillisecond)->Iterations(1);

// Opening a card and dropping it unwritten are outside the timing: loading and freeing the
// catalogue follow the card's size, not the operation measured.
std::unique_ptr<TBrelk> OpenUntimed(TBrelkReporter& reporter, const fs::path& path) {
    auto card = std::make_unique<TBrelk>(reporter);
    card->Initialize(262144, path, kZone);
    return card;
}
void DropUntimed(benchmark::State& state, std::unique_ptr<TBrelk>& card) {
    state.PauseTiming();
    card->DiscardUnsavedData(); // the image is made again or used as it is
    card.reset();
    state.ResumeTiming();
}

// 500 discs squashed on a card of Arg entries in all (500: only the discs).
void BM_Squash500Discs(benchmark::State& state) {
    const std::uint32_t total = std::uint32_t(state.range(0));
    const fs::path path = TempImage("squash.img");
    TBenchReporter reporter;
    for (auto _ : state) {
        state.PauseTiming();
        MakeCardImage(path, {total - 500, 500});
        auto card = OpenUntimed(reporter, path);
        std::vector<const TBrelkCatEntry*> discs;
        for (const auto& entry : card->Entries())
            if (entry->Type() == kTypeImage)
                discs.push_back(entry);
        state.ResumeTiming();
        card->StartBulktransfer();
        for (const TBrelkCatEntry* disc : discs)
            if (TransformDiscObject(*card, disc, true) != TDiscTransformResult::Converted)
                state.SkipWithError("a disc was not squashed");
        card->StopBulktransfer();
        DropUntimed(state, card);
    }
    fs::remove(path);
}
BENCHMARK(BM_Squash500Discs)->Arg(500)->Arg(65500)->Unit(benchmark::kMillisecond);

// 500 one-block tools added to a card of 32,767 tools, each with a free record of Arg(1) bytes
// below it (0: a compact card with one free record), so that best fit chooses among 32,767.
void BM_Add500ToFragmentedCard(benchmark::State& state) {
    const fs::path path = TempImage("fragmented.img");
    MakeCardImage(path, {32767, 0, std::uint32_t(state.range(0))});
    TBenchReporter reporter;
    const std::vector<std::uint8_t> data(512, 0x5A);
    for (auto _ : state) {
        state.PauseTiming();
        auto card = OpenUntimed(reporter, path);
        card->SetReuseDeletedSpace(true);
        state.ResumeTiming();
        card->StartBulktransfer();
        for (int i = 0; i < 500; ++i) {
            TBrelkCatEntry e;
            e.SetType(kTypeTool);
            e.SetName("NEW" + std::to_string(i));
            e.SetSize(512);
            if (!card->AddObjectToBrelk(e, data.data(), false))
                state.SkipWithError("add refused");
        }
        card->StopBulktransfer();
        DropUntimed(state, card);
    }
    fs::remove(path);
}
BENCHMARK(BM_Add500ToFragmentedCard)->Arg(0)->Arg(4096)->Unit(benchmark::kMillisecond);

} // namespace
