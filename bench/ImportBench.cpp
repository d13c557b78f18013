// Speed of adding objects: analysing a folder of 1000 image files, and importing 1000 DFS
// discs with bulk transfer against writing the same bytes to an image file directly.
#include "card/Brelk.h"
#include "explorer/ObjectTransfer.h"
#include "explorer/PendingObjects.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

using namespace brelk;
namespace fs = std::filesystem;

namespace {

class TPrintingUser : public TJobUser {
  public:
    void Notify(TNotice, const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    TAnswer Ask(const TQuery&) override { return TAnswer::Yes; }
};

class TPrintingReporter : public TBrelkReporter {
  public:
    void ReportError(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A DFS side of Sectors sectors titled Title with one file, Bytes long.
std::vector<std::uint8_t> DiscSide(const std::string& title, std::uint16_t sectors,
                                   std::size_t bytes) {
    std::vector<std::uint8_t> image(bytes, 0);
    for (std::size_t i = 0; i < title.size() && i < 8; ++i)
        image[i] = std::uint8_t(title[i]);
    image[8] = 'F';
    image[15] = '$';
    image[256 + 5] = 8;
    image[256 + 6] = std::uint8_t(sectors >> 8);
    image[256 + 7] = std::uint8_t(sectors);
    image[256 + 8 + 5] = 0x20; // 8192 bytes from sector 2
    image[256 + 8 + 7] = 2;
    for (std::size_t i = 512; i < 512 + 8192 && i < bytes; ++i)
        image[i] = std::uint8_t(i * 7);
    return image;
}

std::vector<std::uint8_t> Interleaved(const std::vector<std::uint8_t>& a,
                                      const std::vector<std::uint8_t>& b) {
    std::vector<std::uint8_t> out(a.size() * 2);
    for (std::size_t t = 0; t < a.size() / 2560; ++t) {
        std::copy_n(a.begin() + std::ptrdiff_t(t * 2560), 2560,
                    out.begin() + std::ptrdiff_t(2 * t * 2560));
        std::copy_n(b.begin() + std::ptrdiff_t(t * 2560), 2560,
                    out.begin() + std::ptrdiff_t((2 * t + 1) * 2560));
    }
    return out;
}

std::vector<std::uint8_t> GzippedTape(int n) {
    std::vector<std::uint8_t> uef = {'U', 'E', 'F', ' ', 'F', 'i', 'l', 'e', '!', 0, 10, 0};
    for (int block = 0; block < 40; ++block) {
        std::vector<std::uint8_t> b = {'*', 'T', std::uint8_t('0' + n % 10), 0};
        b.resize(b.size() + 19, 0);
        b[4 + 8] = std::uint8_t(block);
        b[4 + 11] = 1; // 256 data bytes
        b[4 + 12] = block == 39 ? 0x80 : 0;
        b.resize(b.size() + 258, std::uint8_t(block));
        const std::uint8_t header[6] = {
            0x00, 0x01, std::uint8_t(b.size()), std::uint8_t(b.size() >> 8), 0, 0};
        uef.insert(uef.end(), header, header + 6);
        uef.insert(uef.end(), b.begin(), b.end());
    }
    std::vector<std::uint8_t> out(compressBound(uLong(uef.size())) + 64);
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    z.next_in = uef.data();
    z.avail_in = uInt(uef.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// 1000 image files: 400 full .ssd sides, 200 squashed .ssd, 200 interleaved .dsd discs
// and 200 gzip-compressed UEF tapes (about 170 MB).
const fs::path& MixedFolder() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / "brelkbench-mixed";
        if (fs::exists(d / "done"))
            return d;
        fs::remove_all(d);
        fs::create_directories(d);
        const auto full = DiscSide("FULL", 800, 204800);
        const auto small = DiscSide("SMALL", 800, 40960);
        const auto dsd =
            Interleaved(DiscSide("SIDE0", 800, 204800), DiscSide("SIDE2", 800, 204800));
        for (int i = 0; i < 1000; ++i) {
            const std::string n = std::to_string(i);
            if (i < 400)
                WriteFile(d / ("full" + n + ".ssd"), full);
            else if (i < 600)
                WriteFile(d / ("small" + n + ".ssd"), small);
            else if (i < 800)
                WriteFile(d / ("two" + n + ".dsd"), dsd);
            else
                WriteFile(d / ("tape" + n + ".uef"), GzippedTape(i));
        }
        WriteFile(d / "done", {1});
        return d;
    }();
    return dir;
}

// 1000 full DFS discs of 204800 bytes each (200 MB).
const fs::path& DiscFolder() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / "brelkbench-discs";
        if (fs::exists(d / "done"))
            return d;
        fs::remove_all(d);
        fs::create_directories(d);
        for (int i = 0; i < 1000; ++i)
            WriteFile(d / ("d" + std::to_string(i) + ".ssd"),
                      DiscSide("D" + std::to_string(i), 800, 204800));
        WriteFile(d / "done", {1});
        return d;
    }();
    return dir;
}

TPendingObjects Collect(const fs::path& folder, TJobUser& user) {
    TPendingObjects list;
    for (const auto& item : fs::directory_iterator(folder))
        if (item.path().extension() == ".ssd" || item.path().extension() == ".dsd" ||
            item.path().extension() == ".uef")
            AddPendingPath(list, item.path().string(), user);
    return list;
}

void BM_Analyse1000ImageFiles(benchmark::State& state) {
    TPrintingUser user;
    const fs::path& folder = MixedFolder();
    for (auto _ : state) {
        TPendingObjects list = Collect(folder, user);
        AnalysePendingObjects(list, TImportOptions{}, user);
        if (list.size() != 1000)
            state.SkipWithError("not every file was analysed");
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_Analyse1000ImageFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

fs::path FreshCard() {
    const fs::path card = fs::temp_directory_path() / "brelkbench-import.img";
    fs::remove(card);
    { std::ofstream(card, std::ios::binary); }
    fs::resize_file(card, 256u << 20);
    return card;
}

void BM_Import1000Discs(benchmark::State& state) {
    TPrintingUser user;
    TPrintingReporter reporter;
    TPendingObjects list = Collect(DiscFolder(), user);
    AnalysePendingObjects(list, TImportOptions{}, user);
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path card = FreshCard();
        TBrelk brelk(reporter);
        brelk.Initialize(kDefaultCacheSize, card.string(), kDefaultSafetyZone);
        brelk.FormatMMC();
        brelk.FlushMMCDevice();
        state.ResumeTiming();
        const TImportResult result = ImportPendingObjects(brelk, list, TImportOptions{}, user);
        if (result.Written != 1000 || !brelk.FlushMMCDevice())
            state.SkipWithError("the import failed");
        ::sync();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 1000 * 204800);
}
BENCHMARK(BM_Import1000Discs)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same files read and written back to back into an image file, as dd would copy them.
void BM_WriteSameBytesDirectly(benchmark::State& state) {
    std::vector<fs::path> files;
    for (const auto& item : fs::directory_iterator(DiscFolder()))
        if (item.path().extension() == ".ssd")
            files.push_back(item.path());
    std::vector<char> buffer(204800);
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path card = FreshCard();
        state.ResumeTiming();
        const int out = ::open(card.c_str(), O_WRONLY | O_CLOEXEC);
        off_t at = 0;
        for (const fs::path& file : files) {
            const int in = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
            const ssize_t n = ::read(in, buffer.data(), buffer.size());
            ::close(in);
            if (n != ssize_t(buffer.size()) || ::pwrite(out, buffer.data(), buffer.size(), at) != n)
                state.SkipWithError("a write failed");
            at += n;
        }
        ::close(out);
        ::sync();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 1000 * 204800);
}
BENCHMARK(BM_WriteSameBytesDirectly)->Unit(benchmark::kMillisecond)->Iterations(3);

// The add import of one PC file of Range(0) MiB onto a fresh image: the analysis and the
// import, with the process's peak memory in MiB (run this benchmark alone: the peak counts
// everything the process did before).
void BM_ImportLargeFile(benchmark::State& state) {
    TPrintingReporter reporter;
    TPrintingUser user;
    const std::uint32_t size = std::uint32_t(state.range(0)) << 20;
    const fs::path file = fs::temp_directory_path() / "brelkbench-import.bin",
                   image = fs::temp_directory_path() / "brelkbench-import.img";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        const std::vector<char> piece(1u << 20, 0x33);
        for (std::uint32_t done = 0; done < size; done += std::uint32_t(piece.size()))
            out.write(piece.data(), std::streamsize(piece.size()));
    }
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(image);
        { std::ofstream(image, std::ios::binary); }
        fs::resize_file(image, size + (16u << 20));
        TBrelk card(reporter);
        card.Initialize(kDefaultCacheSize, image.string(), kDefaultSafetyZone);
        card.FormatMMC();
        state.ResumeTiming();
        TPendingObjects list;
        AddPendingFile(list, file);
        AnalysePendingObjects(list, TImportOptions{}, user);
        if (ImportPendingObjects(card, list, TImportOptions{}, user).Written != 1)
            state.SkipWithError("import failed");
        card.FlushMMCDevice();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MiB"] = double(usage.ru_maxrss) / 1024;
    fs::remove(file);
    fs::remove(image);
}
BENCHMARK(BM_ImportLargeFile)->Arg(1024)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
