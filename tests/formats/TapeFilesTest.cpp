// The files of a tape with their bytes: files that reach their last block, from a stored
// block run or a UEF container.
#include "formats/TapeFiles.h"
#include "formats/UEF.h"
#include "formats/UEFBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace brelk;
using namespace brelktest;

namespace {

TBlockSpec Spec(const std::string& name, std::uint16_t number, std::uint16_t length,
                std::uint8_t flag, std::uint32_t load = 0x1900) {
    TBlockSpec spec = BlockSpec(name, number, length, flag);
    spec.Load = load;
    return spec;
}

// The data bytes TapeBlock gives a block: counting up from the block number.
TBytes BlockData(std::uint16_t number, std::uint16_t length) {
    TBytes data;
    for (std::uint32_t i = 0; i < length; ++i)
        data.push_back(std::uint8_t(number + i));
    return data;
}

// Blocks as a stored block run and as a UEF container.
std::vector<TBytes> BothForms(const std::vector<TBytes>& blocks) {
    TBytes run;
    TUEFBuilder uef;
    for (const TBytes& block : blocks) {
        run.insert(run.end(), block.begin(), block.end());
        uef.Chunk(0x0100, block);
    }
    return {run, uef.Bytes};
}

} // namespace

TEST(TapeFiles, CompleteFilesWithTheirBytes) {
    const std::vector<TBytes> blocks = {
        TapeBlock(Spec("GAME", 0, 256, 0x01, 0xFFFF0E00)),
        TapeBlock(Spec("GAME", 1, 10, 0x80)),
        TapeBlock(Spec("LOST", 0, 256, 0)), // never finished: the next block 0 follows
        TapeBlock(Spec("GAP", 0, 256, 0)),
        TapeBlock(Spec("GAP", 2, 5, 0x80)), // block 1 missing: kept, out of sequence
        TapeBlock(Spec("EMPTY", 0, 0, 0x80)),
        TapeBlock(Spec("GAME", 0, 3, 0x80)), // the same name again
    };
    for (const TBytes& tape : BothForms(blocks)) {
        const std::vector<TTapeFile> files = ReadTapeFiles(tape);
        ASSERT_EQ(files.size(), 4u);
        EXPECT_EQ(files[0].Name, "GAME");
        EXPECT_TRUE(files[0].Locked);
        EXPECT_EQ(files[0].Load, 0xFFFF0E00u);
        EXPECT_EQ(files[0].Exec, 0x8023u);
        EXPECT_EQ(files[0].Data, Concat({BlockData(0, 256), BlockData(1, 10)}));
        EXPECT_FALSE(files[0].OutOfSequence);
        EXPECT_EQ(files[1].Name, "GAP");
        EXPECT_TRUE(files[1].OutOfSequence);
        EXPECT_EQ(files[2].Name, "EMPTY");
        EXPECT_TRUE(files[2].Data.empty());
        EXPECT_EQ(files[3].Data, BlockData(0, 3));
    }
}

// Copy-protected tapes number their blocks 0, 2, 4, ... or start past 0: each such file is
// listed, its blocks joined in the order the tape holds them, and marked.
TEST(TapeFiles, BlocksOutOfSequenceAreJoinedInTapeOrder) {
    const std::vector<TBytes> blocks = {
        TapeBlock(Spec("PROT", 0, 256, 0x01, 0x3000)),
        TapeBlock(Spec("PROT", 2, 256, 0)),
        TapeBlock(Spec("PROT", 4, 7, 0x80)),
        TapeBlock(Spec("LATE", 3, 5, 0, 0x4000)), // no block 0: named by its first block
        TapeBlock(Spec("LATE", 4, 6, 0x80)),
        TapeBlock(Spec("PLAIN", 0, 4, 0x80)),
    };
    struct TExpected {
        const char* Name;
        std::uint32_t Load;
        TBytes Data;
        bool OutOfSequence;
    };
    const TExpected expected[] = {
        {"PROT", 0x3000, Concat({BlockData(0, 256), BlockData(2, 256), BlockData(4, 7)}), true},
        {"LATE", 0x4000, Concat({BlockData(3, 5), BlockData(4, 6)}), true},
        {"PLAIN", 0x1900, BlockData(0, 4), false},
    };
    for (const TBytes& tape : BothForms(blocks)) {
        const std::vector<TTapeFile> files = ReadTapeFiles(tape);
        ASSERT_EQ(files.size(), std::size(expected));
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(files[i].Name, expected[i].Name);
            EXPECT_EQ(files[i].Load, expected[i].Load) << expected[i].Name;
            EXPECT_EQ(files[i].Data, expected[i].Data) << expected[i].Name;
            EXPECT_EQ(files[i].OutOfSequence, expected[i].OutOfSequence) << expected[i].Name;
        }
        EXPECT_TRUE(files[0].Locked);
    }
}

TEST(TapeFiles, DamagedInputGivesWhatIsWholeAndNoOverread) {
    const TBytes run =
        Concat({TapeBlock(Spec("A", 0, 4, 0x80)), TapeBlock(Spec("B", 0, 200, 0x80))});
    for (std::size_t cut = 0; cut <= run.size(); cut += 7) {
        const TBytes part(run.begin(), run.begin() + std::ptrdiff_t(cut));
        const TGuardedBytes guarded(part);
        const auto files = ReadTapeFiles({guarded.Data, guarded.Size});
        EXPECT_LE(files.size(), 2u);
        for (const TTapeFile& file : files)
            EXPECT_EQ(file.Data, BlockData(0, file.Name == "A" ? 4 : 200));
    }
}

TEST(TapeFiles, CorpusTapesListTheCatalogueFiles) {
    BRELK_REQUIRE_CORPUS();
    for (const auto& item : std::filesystem::directory_iterator(CorpusDir() / "uef")) {
        if (item.path().filename().string().find(".gz") != std::string::npos)
            continue;
        const TBytes bytes = ReadFileBytes(item.path());
        TUEF tape;
        tape.FetchUEF(bytes);
        const std::vector<TTapeFile> files = ReadTapeFiles(bytes);
        std::size_t complete = 0;
        for (const auto& entry : tape.Entries) {
            if (!entry->LastBlock)
                continue;
            ASSERT_LT(complete, files.size()) << item.path();
            EXPECT_EQ(files[complete].Name, entry->Name) << item.path();
            EXPECT_EQ(files[complete].Data.size(), entry->Length) << item.path();
            ++complete;
        }
        EXPECT_EQ(files.size(), complete) << item.path();
        if (item.path().filename() == "b-em_Welcome_B.uef") {
            EXPECT_EQ(files.size(), 17u);
        }
    }
}
