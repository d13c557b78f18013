// Speed of the backup job: a card of many disc-sized objects and one of many small tools,
// each backed up into a fresh backup set of image files.
#include "card/Brelk.h"
#include "explorer/Backup.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace brelk;
namespace fs = std::filesystem;

namespace {

class TQuiet : public TBrelkReporter, public TJobUser {
  public:
    void ReportError(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void Notify(TNotice, const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    TAnswer Ask(const TQuery&) override { return TAnswer::Cancel; }
};

struct TFixedClock : TBackupClock {
    std::string DateTimeText() const override { return "bench"; }
};

fs::path Temp(const std::string& name) {
    return fs::temp_directory_path() / ("brelkbench-backup-" + name);
}

// An image file of Count objects of Size bytes each, made once per shape.
fs::path CardImage(int count, std::uint32_t size) {
    const fs::path path = Temp(std::to_string(count) + "x" + std::to_string(size) + ".img");
    if (fs::exists(path))
        return path;
    { std::ofstream(path, std::ios::binary); }
    const std::uint64_t total = std::uint64_t(count) * (size + 512) + (4u << 20);
    fs::resize_file(path, total);
    TQuiet quiet;
    TBrelk card(quiet);
    card.Initialize(1u << 20, path.string(), 8192);
    card.FormatMMC();
    std::vector<std::uint8_t> data(size, 0x5A);
    for (int i = 0; i < count; ++i) {
        TBrelkCatEntry entry;
        entry.SetType(kTypeTool);
        entry.SetName("OBJECT" + std::to_string(i));
        entry.SetSize(size);
        card.AddObjectToBrelk(entry, data.data(), false);
    }
    card.FlushMMCDevice();
    return path;
}

void Backup(benchmark::State& state) {
    const int count = int(state.range(0));
    const auto size = std::uint32_t(state.range(1));
    const fs::path image = CardImage(count, size);
    const fs::path index = Temp("set.txt");
    TQuiet quiet;
    TFixedClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(Temp("set"));
        TBrelk card(quiet);
        card.Initialize(1u << 20, image.string(), 8192);
        state.ResumeTiming();
        const TBackupResult result = BackupBrelk(card, index.string(), clock, quiet);
        if (result.Saved != std::size_t(count))
            state.SkipWithError("not every object was saved");
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * count * size);
    state.SetItemsProcessed(std::int64_t(state.iterations()) * count);
    fs::remove_all(Temp("set"));
    fs::remove(index);
}

} // namespace

// 200 full DFS sides (40 MiB) and 5000 one-block tools.
BENCHMARK(Backup)->Args({200, 204800})->Args({5000, 512})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
