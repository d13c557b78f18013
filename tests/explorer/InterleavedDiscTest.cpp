// Double-sided DFS images laid out track by track: recognising them, taking their sides
// apart, and the analysis and conversion built on that.
#include "explorer/ContentAnalysis.h"
#include "explorer/PendingObjects.h"
#include "explorer/PendingSupport.h"
#include "formats/AcornDFS.h"
#include "formats/DFSBuilder.h"
#include "formats/DFSInterleave.h"
#include "formats/DFSSideWalk.h"
#include "formats/UEFBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;
using dfstest::TDFSBuilder;
using dfstest::TFile;

namespace {

std::vector<std::uint8_t> Side(const std::string& title, std::uint16_t sectors, std::size_t bytes,
                               std::uint8_t marker) {
    return TDFSBuilder(sectors, bytes)
        .Title(title)
        .AddWithData(TFile{'$', "F" + title, 3000, 20}, marker)
        .AddWithData(TFile{'$', "G" + title, 600, 300}, std::uint8_t(marker + 1))
        .Bytes();
}

// A squashed side: one file, the catalogue stating Sectors, the bytes ending there.
std::vector<std::uint8_t> SmallSide(const std::string& title, std::uint16_t sectors,
                                    std::uint8_t marker) {
    return TDFSBuilder(sectors, sectors * 256u)
        .Title(title)
        .AddWithData(TFile{'$', "F" + title, 1000, 2}, marker)
        .Bytes();
}

std::vector<std::uint8_t> Blank(std::size_t bytes) {
    return std::vector<std::uint8_t>(bytes, 0xE5);
}

// Every file of every side, with its bytes.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>>
FilesOf(std::span<const std::uint8_t> image) {
    TAcornDFSDiscObject disc;
    std::vector<std::uint64_t> offsets;
    WalkDFSSides(disc, image.data(), image.size(), &offsets);
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
    for (std::size_t s = 0; s < disc.aDiscSides.size(); ++s)
        for (const auto& entry : disc.aDiscSides[s].Entries) {
            const std::size_t start = offsets[s] + entry.StartSector * 256u;
            const std::size_t end = std::min(image.size(), start + entry.Length);
            std::vector<std::uint8_t> bytes;
            if (start < end)
                bytes.assign(image.begin() + std::ptrdiff_t(start),
                             image.begin() + std::ptrdiff_t(end));
            files.emplace_back(std::to_string(s) + ":" + entry.Directory + "." + entry.Name, bytes);
        }
    return files;
}

TEST(InterleavedLayoutTest, LayoutTable) {
    const auto a = Side("A", 800, 204800, 0x11);
    const auto b = Side("B", 800, 204800, 0x22);
    const auto b400 = Side("B", 400, 102400, 0x22);
    const auto a400 = Side("A", 400, 102400, 0x11);
    auto sequential = a;
    sequential.insert(sequential.end(), b.begin(), b.end());
    struct Case {
        const char* What;
        std::vector<std::uint8_t> Bytes;
        bool NamedDsd;
        TDFSLayout Layout;
        bool Side1;
        const char* Refusal;
    };
    const Case cases[] = {
        {"two catalogues, same count", Interleave(a, b), false, TDFSLayout::Interleaved, true, ""},
        {"40-track double-sided", Interleave(a400, Side("B", 400, 102400, 0x22)), false,
         TDFSLayout::Interleaved, true, ""},
        {"different counts, .ssd", Interleave(a, b400), false, TDFSLayout::Flat, false, ""},
        {"different counts, .dsd", Interleave(a, b400), true, TDFSLayout::Interleaved, true, ""},
        {"side 1 for another system, .dsd", Interleave(a, Blank(204800)), true,
         TDFSLayout::Interleaved, false, "DFS catalogue whose title begins with byte 0xE5"},
        {"side 1 for another system, .ssd", Interleave(a, Blank(204800)), false, TDFSLayout::Flat,
         false, ""},
        {"one track, .dsd", std::vector<std::uint8_t>(a.begin(), a.begin() + 2560), true,
         TDFSLayout::Interleaved, false, "the file holds no second side"},
        {"sequential two sides, .dsd", sequential, true, TDFSLayout::Flat, false, ""},
        {"single side", a, false, TDFSLayout::Flat, false, ""},
    };
    for (const Case& c : cases) {
        const TDFSLayoutGuess guess = GuessDFSLayout(c.Bytes.data(), c.Bytes.size(), c.NamedDsd);
        EXPECT_EQ(guess.Layout, c.Layout) << c.What;
        EXPECT_EQ(guess.Side1HasCatalogue, c.Side1) << c.What;
        EXPECT_EQ(guess.Side1Refusal, c.Refusal) << c.What;
    }
}

TEST(InterleavedLayoutTest, DsdNameInAnyCase) {
    for (const char* name : {"x.dsd", "X.DSD", "a/b.Dsd"})
        EXPECT_TRUE(HasDsdExtension(name)) << name;
    for (const char* name : {"x.ssd", "dsd", "x.dsd.gz", ".ds"})
        EXPECT_FALSE(HasDsdExtension(name)) << name;
}

TEST(InterleavedLayoutTest, DeinterleavingGivesTheSidesBackToBack) {
    const auto a = Side("A", 800, 204800, 0x11);
    const auto b = Side("B", 800, 204800, 0x22);
    auto expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    const auto both = Interleave(a, b);
    EXPECT_EQ(DeinterleaveDFSImage(both.data(), both.size()), expected);

    // A 40-track side 0 keeps its 400 sectors; side 1 follows right after them.
    const auto a400 = Side("A", 400, 102400, 0x11);
    const auto b400 = Side("B", 400, 102400, 0x22);
    const auto small = Interleave(a400, b400);
    auto expectedSmall = a400;
    expectedSmall.insert(expectedSmall.end(), b400.begin(), b400.end());
    EXPECT_EQ(DeinterleaveDFSImage(small.data(), small.size()), expectedSmall);

    // A second side without a catalogue is not kept.
    const auto lone = Interleave(a, Blank(204800));
    EXPECT_EQ(DeinterleaveDFSImage(lone.data(), lone.size()), a);

    // A file cut inside track 0 of side 1: side 0 is padded to its sector count.
    const std::vector<std::uint8_t> cut(both.begin(), both.begin() + 2560 + 768);
    const auto form = DeinterleaveDFSImage(cut.data(), cut.size());
    ASSERT_EQ(form.size(), 204800u + 768u);
    TAcornDFSDiscObject walked;
    EXPECT_EQ(WalkDFSSides(walked, form.data(), form.size()), 2);
}

TEST(InterleavedLayoutTest, SplittingNeverReadsPastTheEnd) {
    for (std::size_t size : {0u, 1u, 2559u, 2560u, 2561u, 5119u, 5121u, 7680u}) {
        const std::vector<std::uint8_t> bytes(size, 0x5A);
        const TGuardedBytes guarded(bytes);
        std::vector<std::uint8_t> side0, side1;
        SplitInterleavedSides(guarded.Data, guarded.Size, side0, side1);
        EXPECT_EQ(side0.size() + side1.size(), size) << size;
        GuessDFSLayout(guarded.Data, guarded.Size, true);
        DeinterleaveDFSImage(guarded.Data, guarded.Size);
    }
}

TEST(InterleavedLayoutTest, InterleavingIsTheReverseOfSplitting) {
    const auto a = Side("A", 800, 204800, 0x11);
    const auto b = Side("B", 800, 204800, 0x22);
    const auto shortA = SmallSide("A", 31, 0x11); // squashed sides end inside a track
    const auto shortB = SmallSide("B", 75, 0x22);
    struct Case {
        const char* What;
        std::vector<std::uint8_t> Side0, Side1;
        std::size_t Tracks; // per side, after padding to the longer side
    };
    const Case cases[] = {
        {"two full sides", a, b, 80},
        {"squashed, side 1 longer", shortA, shortB, 8},
        {"squashed, side 0 longer", shortB, shortA, 8},
        {"lone side", shortA, {}, 4},
        {"nothing", {}, {}, 0},
    };
    for (const Case& c : cases) {
        const auto image = InterleaveDFSSides(c.Side0, c.Side1);
        ASSERT_EQ(image.size(), c.Tracks * 2 * kDFSTrackBytes) << c.What;
        std::vector<std::uint8_t> side0, side1;
        SplitInterleavedSides(image.data(), image.size(), side0, side1);
        // Each side comes back whole, followed by zero bytes up to the track pair's end.
        for (const auto& [got, want] : {std::pair(side0, c.Side0), std::pair(side1, c.Side1)}) {
            ASSERT_EQ(got.size(), c.Tracks * kDFSTrackBytes) << c.What;
            EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin())) << c.What;
            EXPECT_TRUE(std::all_of(got.begin() + std::ptrdiff_t(want.size()), got.end(),
                                    [](std::uint8_t x) { return x == 0; }))
                << c.What;
        }
    }
    const auto whole = Interleave(a, b);
    EXPECT_EQ(InterleaveDFSSides(a, b), whole);
}

TEST(InterleavedLayoutTest, CardFormWrittenInterleavedReadsBackAsTheSameSides) {
    const auto a = Side("A", 800, 204800, 0x11);
    const auto b = Side("B", 800, 204800, 0x22);
    const auto shortA = SmallSide("A", 31, 0x11);
    const auto shortB = SmallSide("B", 75, 0x22);
    for (const auto& sides : {Concat({a, b}), Concat({shortA, shortB}), Concat({shortB, shortA}),
                              Concat({a, shortB}), shortA}) {
        const auto image = InterleaveDFSCardForm(sides);
        ASSERT_FALSE(image.empty());
        EXPECT_EQ(image.size() % (2 * kDFSTrackBytes), 0u);
        const TContentAnalysis found = AnalyseContents(image, "x.dsd");
        ASSERT_EQ(found.ReadAs, TReadAs::DFSInterleaved);
        std::vector<std::uint8_t> held;
        EXPECT_EQ(FilesOf(DFSCardForm(image, found.ReadAs, held)), FilesOf(sides));
    }
    EXPECT_EQ(InterleaveDFSCardForm(Concat({a, b})), Interleave(a, b));
    // Three sides do not fit an interleaved image, and a refused first side is no disc.
    EXPECT_TRUE(InterleaveDFSCardForm(Concat({shortA, shortB, shortA})).empty());
    EXPECT_TRUE(InterleaveDFSCardForm(Blank(204800)).empty());
}

struct InterleavedImportTest : ::testing::Test {
    TTempDir Dir;
    TScriptedUser User;
    TImportOptions Options;
};

TEST_F(InterleavedImportTest, AnalysisAndConversionKeepBothSides) {
    const auto a = Side("A", 800, 204800, 0x11);
    const auto b = Side("B", 800, 204800, 0x22);
    struct Case {
        const char* File;
        std::vector<std::uint8_t> Bytes;
        TReadAs ReadAs;
        std::uint8_t Sides;
        bool Squashed;
        std::uint32_t SizeOnCard;
        const char* Note;
    };
    const auto whole = Interleave(a, b);
    const std::vector<std::uint8_t> cut(whole.begin(),
                                        whole.begin() + 8 * 2560); // four tracks a side
    const Case cases[] = {
        {"both.dsd", Interleave(a, b), TReadAs::DFSInterleaved, 2, false, 409600, ""},
        {"both.img", Interleave(a, b), TReadAs::DFSInterleaved, 2, false, 409600, ""},
        {"other.dsd", Interleave(a, Blank(204800)), TReadAs::DFSInterleaved, 1, false, 204800,
         "second side not kept: DFS catalogue whose title begins with byte 0xE5"},
        // Four tracks a side, files up to sector 302: both sides are padded to 303 sectors.
        {"cut.dsd", cut, TReadAs::DFSInterleaved, 2, true, 2 * 303 * 256,
         "the file ends before the last used sector: padded with zeros"},
    };
    for (const Case& c : cases) {
        TBrelk_RawCatalogueEntry object;
        object.FileName = Dir.Path(c.File).string();
        WriteFileBytes(object.FileName, c.Bytes);
        ASSERT_TRUE(AnalysePendingObject(object, Options, User)) << c.File;
        EXPECT_EQ(object.ReadAs, c.ReadAs) << c.File;
        EXPECT_EQ(object.DiscSides, c.Sides) << c.File;
        EXPECT_EQ(object.Squashed, c.Squashed) << c.File;
        EXPECT_EQ(object.Entry.Size(), c.SizeOnCard) << c.File;
        EXPECT_EQ(object.Note, c.Note) << c.File;
        EXPECT_EQ(object.Entry.Name(), "A") << c.File;

        // The conversion de-interleaves, then squashes or expands every side.
        std::vector<std::uint8_t> data = c.Bytes;
        ConvertPendingData(object, data);
        TAcornDFSDiscObject walked;
        EXPECT_EQ(WalkDFSSides(walked, data.data(), data.size()), c.Sides) << c.File;
        EXPECT_EQ(walked.aDiscSides[0].Title, "A") << c.File;
        if (c.Sides == 2) {
            EXPECT_EQ(walked.aDiscSides[1].Title, "B") << c.File;
        }
        EXPECT_EQ(object.DataSize, data.size()) << c.File;
        EXPECT_EQ(object.Entry.Size(), data.size()) << c.File;
        if (!c.Squashed) {
            EXPECT_EQ(data.size(), std::size_t(c.Sides) * 204800u) << c.File;
        }
        // Side 0's files come through intact: file FA at sector 20 is marked 0x11.
        EXPECT_EQ(data[20 * 256], 0x11) << c.File;
        EXPECT_EQ(data[20 * 256 + 2999], 0x11) << c.File;
    }
}

TEST(InterleavedCorpusTest, EveryDsdReadsAsTwoSidesMatchingTheSeparatedSides) {
    BRELK_REQUIRE_CORPUS();
    int seen = 0;
    int whole = 0;
    for (const auto& item : std::filesystem::directory_iterator(CorpusDir() / "dfs")) {
        if (!HasDsdExtension(item.path().string()))
            continue;
        ++seen;
        const auto bytes = ReadFileBytes(item.path());
        const TContentAnalysis found = AnalyseContents(bytes, item.path().string());
        EXPECT_EQ(found.ReadAs, TReadAs::DFSInterleaved) << item.path();
        EXPECT_EQ(found.DiscSides, 2) << item.path();
        EXPECT_EQ(found.Note, "") << item.path();
        // A flat reading of each separated side gives the same files as the card's form.
        std::vector<std::uint8_t> side0, side1;
        SplitInterleavedSides(bytes.data(), bytes.size(), side0, side1);
        auto expected = FilesOf(side0);
        for (auto& [name, data] : FilesOf(side1)) {
            name[0] = '1';
            expected.emplace_back(name, data);
        }
        std::vector<std::uint8_t> held;
        std::vector<std::uint8_t> heldAgain;
        const auto form = DFSCardForm(bytes, found.ReadAs, held);
        const auto files = FilesOf(form);
        EXPECT_EQ(files, expected) << item.path();
        TAcornDFSDiscObject disc;
        EXPECT_EQ(WalkDFSSides(disc, form.data(), form.size()), 2) << item.path();
        // Written back as .dsd, the card's form gives the file it came from whenever that
        // held its sides whole.
        const auto again = InterleaveDFSCardForm(form);
        EXPECT_EQ(FilesOf(DFSCardForm(again, TReadAs::DFSInterleaved, heldAgain)), files)
            << item.path();
        if (form.size() == bytes.size()) {
            EXPECT_EQ(again, bytes) << item.path();
            ++whole;
        }
    }
    EXPECT_GE(seen, 4);
    EXPECT_GE(whole, 3);
}

} // namespace
