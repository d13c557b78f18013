// Speed of the card store on image files: opening a full catalogue, adding one object to it,
// and writing many megabytes of objects through the cache.
#include "bench/BenchSupport.h"
#include "card/Brelk.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <unistd.h>

using namespace brelk;
namespace fs = std::filesystem;

namespace {

using brelkbench::TempImage;
using brelkbench::TQuietReporter;

constexpr std::uint32_t kFullCount = 65535;
constexpr std::uint32_t kZone = 8192;

// A new sparse image file of 256 MiB in place of Path.
void MakeFreshImage(const fs::path& path) {
    fs::remove(path);
    { std::ofstream(path, std::ios::binary); }
    fs::resize_file(path, 256u << 20);
}

// A card of 96 MiB whose catalogue holds 65535 objects of one block each, packed downwards
// from the usable limit: in random name order (as another tool might leave it), or sorted as
// this system keeps it.
fs::path MakeFullCardImage(const char* name, bool sorted) {
    fs::path p = TempImage(name);
    const std::uint32_t size = 96u << 20, limit = size - kZone;
    std::vector<std::uint8_t> catalogue(512 + 64 * kFullCount, 0);
    std::copy(kCatalogueMagic.begin(), kCatalogueMagic.end(), catalogue.begin());
    PutLE32(&catalogue[16], kFullCount);
    std::mt19937 random(42);
    std::vector<TBrelkCatEntry> entries(kFullCount);
    for (std::uint32_t i = 0; i < kFullCount; ++i) {
        TBrelkCatEntry& e = entries[i];
        e.SetType(std::uint8_t(random() % 4));
        e.SetName("OBJECT" + std::to_string(random()));
        e.SetSize(512);
        e.SetAddress(limit - (i + 1) * 1024 + 512);
    }
    if (sorted)
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return CompareCatEntries(a, b) < 0; });
    for (std::uint32_t i = 0; i < kFullCount; ++i)
        std::copy(entries[i].Bytes.begin(), entries[i].Bytes.end(),
                  catalogue.begin() + 512 + 64 * i);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(catalogue.data()), std::streamsize(catalogue.size()));
    out.close();
    fs::resize_file(p, size);
    return p;
}

const fs::path& FullCardImage() {
    static const fs::path path = MakeFullCardImage("full.img", false);
    return path;
}

const fs::path& SortedFullCardImage() {
    static const fs::path path = MakeFullCardImage("sorted-full.img", true);
    return path;
}

void BM_OpenFullCatalogue(benchmark::State& state) {
    TQuietReporter reporter;
    for (auto _ : state) {
        TBrelk card(reporter);
        card.Initialize(262144, FullCardImage(), kZone);
        benchmark::DoNotOptimize(card.FreeRecords().data());
        if (card.Entries().size() != kFullCount)
            state.SkipWithError("catalogue not read");
    }
}
BENCHMARK(BM_OpenFullCatalogue)->Unit(benchmark::kMillisecond);

void BM_AddToFullCatalogue(benchmark::State& state) {
    TQuietReporter reporter;
    // One entry less than full, so one more fits.
    TBrelk card(reporter);
    card.Initialize(262144, SortedFullCardImage(), kZone);
    card.DeleteCatEntry(card.Entries().back());
    card.SetReuseDeletedSpace(state.range(0) != 0);
    std::vector<std::uint8_t> data(2000, 0x42);
    for (auto _ : state) {
        TBrelkCatEntry e;
        e.SetType(kTypeTool);
        e.SetName("NEWTOOL");
        e.SetSize(std::uint32_t(data.size()));
        if (!card.AddObjectToBrelk(e, data.data(), false))
            state.SkipWithError("add refused");
        state.PauseTiming();
        for (const TBrelkCatEntry* entry : card.Entries())
            if (entry->Address() == e.Address()) {
                card.DeleteCatEntry(entry);
                break;
            }
        state.ResumeTiming();
    }
    card.DiscardUnsavedData(); // leave the shared image as it is
}
BENCHMARK(BM_AddToFullCatalogue)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Moving one object of the full catalogue to the deleted objects and back (a type change that
// keeps the object's space).
void BM_MoveToDeletedInFullCatalogue(benchmark::State& state) {
    TQuietReporter reporter;
    TBrelk card(reporter);
    card.Initialize(262144, SortedFullCardImage(), kZone);
    const TBrelkCatEntry* entry = card.Entries()[card.Entries().size() / 2];
    const std::uint8_t type =
        entry->Type() == kTypeDeleted ? std::uint8_t(kTypeTool) : entry->Type();
    for (auto _ : state) {
        TBrelkCatEntry changed = *entry;
        changed.SetType(changed.Type() == kTypeDeleted ? type : std::uint8_t(kTypeDeleted));
        card.UpdateCatEntry(entry, changed);
    }
    card.DiscardUnsavedData(); // leave the shared image as it is
}
BENCHMARK(BM_MoveToDeletedInFullCatalogue)->Unit(benchmark::kMicrosecond);

// 200 objects of 1 MiB through the cache onto a freshly formatted image file, then committed
// (the data and the catalogue synced). Making and formatting the image is not timed.
void BM_Write200MB(benchmark::State& state) {
    TQuietReporter reporter;
    const fs::path path = TempImage("write.img");
    std::vector<std::uint8_t> data(1u << 20, 0x5A);
    for (auto _ : state) {
        state.PauseTiming();
        MakeFreshImage(path);
        auto card = std::make_unique<TBrelk>(reporter);
        card->Initialize(std::uint32_t(state.range(0)), path, kZone);
        if (!card->FormatMMC())
            state.SkipWithError("format failed");
        state.ResumeTiming();
        card->StartBulktransfer(); // one open of the card for all objects, as the import does
        for (int i = 0; i < 200; ++i) {
            TBrelkCatEntry e;
            e.SetType(kTypeTool);
            e.SetName("BLOB" + std::to_string(i));
            e.SetSize(std::uint32_t(data.size()));
            if (!card->AddObjectToBrelk(e, data.data(), false))
                state.SkipWithError("add refused");
        }
        if (!card->FlushMMCDevice())
            state.SkipWithError("commit failed");
        card->StopBulktransfer();
        state.PauseTiming();
        card.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 200 * data.size());
    fs::remove(path);
}
BENCHMARK(BM_Write200MB)->Arg(262144)->Arg(8u << 20)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same 200 MiB written straight to a fresh image file with pwrite, as dd writes them: the
// floor that the cache's writes are compared with.
void BM_PwriteBaseline(benchmark::State& state) {
    const fs::path path = TempImage("baseline.img");
    std::vector<std::uint8_t> data(std::size_t(state.range(0)), 0x5A);
    for (auto _ : state) {
        state.PauseTiming();
        MakeFreshImage(path);
        state.ResumeTiming();
        int fd = ::open(path.c_str(), O_RDWR);
        for (std::uint64_t at = 0; at < (200u << 20); at += data.size())
            if (::pwrite(fd, data.data(), data.size(), off_t(at)) != ssize_t(data.size()))
                state.SkipWithError("write failed");
        ::close(fd);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * (200 << 20));
    fs::remove(path);
}
BENCHMARK(BM_PwriteBaseline)->Arg(262144)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor of the card's layout: the same 200 objects written with one pwrite each (header
// and data) at their places, packed downwards from the usable limit, then synced. Writing
// downwards costs the image's file system more than dd's ascending writes.
void BM_PwriteAtObjectPlaces(benchmark::State& state) {
    const fs::path path = TempImage("places.img");
    constexpr std::uint32_t kObject = (1u << 20) + 512;
    std::vector<std::uint8_t> data(kObject, 0x5A);
    for (auto _ : state) {
        state.PauseTiming();
        MakeFreshImage(path);
        state.ResumeTiming();
        int fd = ::open(path.c_str(), O_RDWR);
        std::uint64_t below = (256u << 20) - kZone;
        for (int i = 0; i < 200; ++i) {
            below -= kObject;
            if (::pwrite(fd, data.data(), kObject, off_t(below)) != ssize_t(kObject))
                state.SkipWithError("write failed");
        }
        if (::fdatasync(fd) != 0)
            state.SkipWithError("sync failed");
        ::close(fd);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 200 * (1 << 20));
    fs::remove(path);
}
BENCHMARK(BM_PwriteAtObjectPlaces)->Unit(benchmark::kMillisecond)->Iterations(3);

// Reading 200 MiB of a fresh (sparse) image in windows of the cache's size: the part of the
// cache's cost that reading each window before it is written adds.
void BM_ReadWindowsOfFreshImage(benchmark::State& state) {
    const fs::path path = TempImage("read.img");
    std::vector<std::uint8_t> window(std::size_t(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        MakeFreshImage(path);
        state.ResumeTiming();
        int fd = ::open(path.c_str(), O_RDONLY);
        for (std::uint64_t at = 0; at < (200u << 20); at += window.size())
            benchmark::DoNotOptimize(::pread(fd, window.data(), window.size(), off_t(at)));
        ::close(fd);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * (200 << 20));
    fs::remove(path);
}
BENCHMARK(BM_ReadWindowsOfFreshImage)->Arg(262144)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
