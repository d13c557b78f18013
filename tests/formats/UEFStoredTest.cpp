// The stored form of a tape object: a run of raw tape blocks read back into the catalogue.
#include "UEFBuilder.h"
#include "formats/UEF.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace {

TBlockSpec Block(std::string name, std::uint16_t number, std::uint16_t length,
                 std::uint8_t flag = 0) {
    TBlockSpec spec = BlockSpec(std::move(name), number, length, flag);
    spec.Load = 0xFFFF0E00;
    spec.Exec = 0xFFFF8023;
    return spec;
}

TBytes ThreeBlocks(std::uint8_t lastFlag) {
    return Concat({TapeBlock(Block("LOCKED", 0, 256, 0x01)), TapeBlock(Block("LOCKED", 1, 256)),
                   TapeBlock(Block("LOCKED", 2, 17, lastFlag))});
}

} // namespace

TEST(UEFStored, SameEntryAsTheContainer) {
    TUEFBuilder uef;
    uef.NewFile()
        .Block(Block("LOCKED", 0, 256, 0x01))
        .Block(Block("LOCKED", 1, 256))
        .Block(Block("LOCKED", 2, 17, 0x80));
    TUEF fromContainer;
    ASSERT_TRUE(fromContainer.FetchUEF(uef.End().Bytes));
    ASSERT_EQ(fromContainer.UseableData, ThreeBlocks(0x80));

    TUEF stored;
    EXPECT_FALSE(stored.FetchUEF(fromContainer.UseableData));
    EXPECT_FALSE(stored.IsUEF);
    ASSERT_EQ(stored.CatEntryCount(), 1);
    const TTapeCatEntry& a = *fromContainer.Entries[0];
    const TTapeCatEntry& b = *stored.Entries[0];
    EXPECT_EQ(b.Name, "LOCKED");
    EXPECT_EQ(b.Length, 529u);
    EXPECT_TRUE(b.Locked);
    EXPECT_EQ(b.LoadAddress, 0xFFFF0E00u);
    EXPECT_EQ(b.ExecAddress, 0xFFFF8023u);
    EXPECT_EQ(std::tie(a.Name, a.Length, a.Locked, a.LoadAddress, a.ExecAddress, a.LastBlock),
              std::tie(b.Name, b.Length, b.Locked, b.LoadAddress, b.ExecAddress, b.LastBlock));
    EXPECT_EQ(stored.UseableData, fromContainer.UseableData);
}

TEST(UEFStored, FileWithoutLastBlockIsNotListed) {
    TUEF stored;
    EXPECT_FALSE(stored.FetchUEF(ThreeBlocks(0x00)));
    EXPECT_EQ(stored.CatEntryCount(), 0);
    EXPECT_EQ(stored.UseableData, ThreeBlocks(0x00)); // the blocks are still collected
}

TEST(UEFStored, Files) {
    struct Case {
        const char* what;
        TBytes run;
        std::vector<std::string> names;
        std::vector<std::uint32_t> lengths;
    };
    const Case cases[] = {
        {"two files",
         Concat({TapeBlock(Block("A", 0, 4, 0x80)), TapeBlock(Block("B", 0, 9)),
                 TapeBlock(Block("B", 1, 1, 0x80))}),
         {"A", "B"},
         {4, 10}},
        {"unfinished file before the next block 0",
         Concat({TapeBlock(Block("A", 0, 4)), TapeBlock(Block("B", 0, 9, 0x80))}),
         {"B"},
         {9}},
        {"file without block 0",
         Concat({TapeBlock(Block("A", 5, 4)), TapeBlock(Block("A", 6, 3, 0x80))}),
         {""},
         {7}},
        {"10-character name", TapeBlock(Block("ABCDEFGHIJ", 0, 3, 0x80)), {"ABCDEFGHIJ"}, {3}},
        {"not a block", TBytes{'X', '*'}, {}, {}},
    };
    for (const auto& c : cases) {
        TUEF stored;
        stored.FetchUEF(c.run);
        std::vector<std::string> names;
        std::vector<std::uint32_t> lengths;
        for (const auto& entry : stored.Entries) {
            names.push_back(entry->Name);
            lengths.push_back(entry->Length);
        }
        EXPECT_EQ(names, c.names) << c.what;
        EXPECT_EQ(lengths, c.lengths) << c.what;
    }
}

TEST(UEFStored, FetchingAgainStartsAfresh) {
    TUEF tape;
    tape.FetchUEF(TapeBlock(Block("A", 0, 4, 0x80)));
    tape.FetchUEF(TapeBlock(Block("B", 0, 2, 0x80)));
    ASSERT_EQ(tape.CatEntryCount(), 1);
    EXPECT_EQ(tape.Entries[0]->Name, "B");
    EXPECT_EQ(tape.UseableData, TapeBlock(Block("B", 0, 2, 0x80)));
}

TEST(UEFParse, TenCharacterNameSkipsTheByteAfterIt) {
    // The byte after a 10-character name is skipped whatever it holds.
    TBytes bytes = TapeBlock(Block("ABCDEFGHIJ", 0, 2, 0x80));
    bytes[11] = 'K';
    TTapeBlock block;
    ASSERT_TRUE(ParseTapeBlock(bytes.data(), bytes.size(), block));
    EXPECT_EQ(block.Name, "ABCDEFGHIJ");
    EXPECT_EQ(block.BlockLength, 10 + 23 + 2u);
    EXPECT_EQ(block.DataLength, 2);
    EXPECT_EQ(block.Flag, 0x80);
}
