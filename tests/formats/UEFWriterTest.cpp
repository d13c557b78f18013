// A tape object's blocks written as a UEF file read back as the same tape.
#include "formats/UEFWriter.h"
#include "formats/UEF.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace brelk;

namespace {

TEST(UEFWriter, CorpusTapesSurviveTheRoundTrip) {
    BRELK_REQUIRE_CORPUS();
    int tapes = 0;
    for (const auto& file : std::filesystem::directory_iterator(brelktest::CorpusDir() / "uef")) {
        auto bytes = brelktest::ReadFileBytes(file.path());
        TUEF original;
        if (!original.FetchUEF(bytes) || original.UseableData.empty())
            continue;
        // What the card stores: the blocks, then zero bytes up to whole card blocks.
        std::vector<std::uint8_t> stored = original.UseableData;
        stored.resize((stored.size() + 511) / 512 * 512, 0);
        std::vector<std::uint8_t> uef = MakeUEFFromTapeBlocks(stored.data(), stored.size());
        TUEF again;
        ASSERT_TRUE(again.FetchUEF(uef)) << file.path();
        EXPECT_EQ(again.UseableData, original.UseableData) << file.path();
        // Files are listed alike; entries that separator chunks opened without any block
        // have no counterpart, since the written tape has no separators.
        std::vector<const TTapeCatEntry*> files;
        for (const auto& entry : original.Entries)
            if (entry->BlockCount > 0)
                files.push_back(entry.get());
        ASSERT_EQ(again.Entries.size(), files.size()) << file.path();
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(again.Entries[i]->Name, files[i]->Name);
            EXPECT_EQ(again.Entries[i]->Length, files[i]->Length);
            EXPECT_EQ(again.Entries[i]->LoadAddress, files[i]->LoadAddress);
        }
        ++tapes;
    }
    EXPECT_GE(tapes, 5);
}

TEST(UEFWriter, NoBlocksGiveAnEmptyTape) {
    std::vector<std::uint8_t> zeros(512, 0);
    auto uef = MakeUEFFromTapeBlocks(zeros.data(), zeros.size());
    EXPECT_EQ(uef.size(), 12u);
    EXPECT_EQ(std::string(uef.begin(), uef.begin() + 9), "UEF File!");
}

} // namespace
