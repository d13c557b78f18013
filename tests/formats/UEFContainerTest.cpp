// The UEF container reader: magic, chunks, the tape catalogue and the stored block run.
#include "UEFBuilder.h"
#include "formats/UEF.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace {

TBlockSpec Block(std::string name, std::uint16_t number, std::uint16_t length,
                 std::uint8_t flag = 0) {
    return BlockSpec(std::move(name), number, length, flag);
}

// A three-block file: 256 + 256 + 17 bytes, locked, last bit on block 2.
std::vector<TBlockSpec> ThreeBlockFile() {
    auto first = Block("GAME", 0, 256, 0x01);
    first.Load = 0x00001900;
    first.Exec = 0x0000801F;
    return {first, Block("GAME", 1, 256), Block("GAME", 2, 17, 0x80)};
}

std::vector<std::string> Names(const TUEF& tape) {
    std::vector<std::string> names;
    for (const auto& entry : tape.Entries)
        names.push_back(entry->Name);
    return names;
}

} // namespace

TEST(UEFContainer, ConstructedEmpty) {
    TUEF tape;
    EXPECT_FALSE(tape.IsUEF);
    EXPECT_EQ(tape.CatEntryCount(), 0);
    EXPECT_EQ(tape.UseableDataSize(), 0u);
    EXPECT_EQ(tape.GetUEFCatEntry(0), nullptr);
}

TEST(UEFContainer, MagicIsTestedWithoutRegardToCase) {
    struct Case {
        const char* what;
        TBytes bytes;
        bool accepted;
    };
    TBytes unterminated = TUEFBuilder().End().Bytes;
    unterminated[9] = 'A';
    const TBytes header = TUEFBuilder().Bytes;
    const Case cases[] = {
        {"upper case", TUEFBuilder().End().Bytes, true},
        {"lower case", TUEFBuilder("uef file!").End().Bytes, true},
        {"tenth byte not zero", unterminated, false},
        {"other text", TUEFBuilder("UEF File?").End().Bytes, false},
        {"magic without version bytes", TBytes(header.begin(), header.begin() + 10), false},
        {"one version byte", TBytes(header.begin(), header.begin() + 11), false},
        {"version bytes only", TUEFBuilder().Bytes, true},
        {"gzip", TBytes{0x1F, 0x8B, 0x08, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
        {"empty", TBytes{}, false},
        {"short", TBytes{'U', 'E', 'F'}, false},
    };
    for (const auto& c : cases) {
        TUEF tape;
        EXPECT_EQ(tape.FetchUEF(c.bytes), c.accepted) << c.what;
        EXPECT_EQ(tape.IsUEF, c.accepted) << c.what;
        EXPECT_TRUE(tape.Entries.empty()) << c.what;
    }
}

TEST(UEFContainer, OriginOnlyGivesEmptyTape) {
    TUEF tape;
    std::string origin("MakeUEF 0.3b\0", 13);
    ASSERT_TRUE(tape.FetchUEF(TUEFBuilder("UEF File!", 5, 0).Text(0x0000, origin).End().Bytes));
    EXPECT_EQ(tape.OriginInfo, origin); // all bytes, the zero byte too
    EXPECT_EQ(tape.UEFVersion, "0.5");
    EXPECT_EQ(tape.CatEntryCount(), 0);
    EXPECT_EQ(tape.UseableDataSize(), 0u);
}

TEST(UEFContainer, VersionAndTitleTakeTheLastChunk) {
    TUEF tape;
    ASSERT_TRUE(tape.FetchUEF(
        TUEFBuilder("UEF File!", 10, 0).Text(0x0009, "First").Text(0x0009, "Elite").End().Bytes));
    EXPECT_EQ(tape.UEFVersion, "0.10");
    EXPECT_EQ(tape.ShortTitle, "Elite");
}

TEST(UEFContainer, ThreeBlockFile) {
    TUEFBuilder uef;
    uef.NewFile();
    TBytes blocks;
    for (const auto& spec : ThreeBlockFile()) {
        uef.Block(spec);
        blocks = Concat({blocks, TapeBlock(spec)});
    }
    TUEF tape;
    ASSERT_TRUE(tape.FetchUEF(uef.End().Bytes));
    ASSERT_EQ(tape.CatEntryCount(), 1);
    const TTapeCatEntry* entry = tape.GetUEFCatEntry(0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Name, "GAME");
    EXPECT_EQ(entry->Length, 529u);
    EXPECT_EQ(entry->LoadAddress, 0x1900u);
    EXPECT_EQ(entry->ExecAddress, 0x801Fu);
    EXPECT_TRUE(entry->Locked);
    EXPECT_TRUE(entry->LastBlock);
    EXPECT_EQ(tape.GetUEFCatEntry(1), nullptr);
    EXPECT_EQ(tape.UseableData, blocks);
    EXPECT_EQ(tape.UseableDataSize(), 3 * (4 + 23) + 529u);

    TBytes copy(tape.UseableDataSize());
    ASSERT_TRUE(tape.FetchUseabledata(copy.data()));
    EXPECT_EQ(copy, blocks);
    TBytes again(tape.UseableDataSize());
    ASSERT_TRUE(tape.FetchUseabledata(again.data()));
    EXPECT_EQ(again, blocks);
}

TEST(UEFContainer, TwoNewFileChunksInARow) {
    TUEF tape;
    ASSERT_TRUE(tape.FetchUEF(
        TUEFBuilder().NewFile().NewFile().Block(Block("NEXT", 0, 5, 0x80)).End().Bytes));
    ASSERT_EQ(tape.CatEntryCount(), 2);
    EXPECT_EQ(tape.Entries[0]->Name, "");
    EXPECT_EQ(tape.Entries[0]->Length, 0u);
    EXPECT_EQ(tape.Entries[1]->Name, "NEXT");
    EXPECT_EQ(tape.Entries[1]->Length, 5u);
}

TEST(UEFContainer, BlockZeroStartsAFileWithoutNewFileChunk) {
    struct Case {
        const char* what;
        TBytes uef;
        std::vector<std::string> names;
        std::vector<std::uint32_t> lengths;
    };
    const Case cases[] = {
        {"no new-file chunk at all",
         TUEFBuilder()
             .Block(Block("ONE", 0, 3, 0x80))
             .Block(Block("TWO", 0, 4))
             .Block(Block("TWO", 1, 5, 0x80))
             .End()
             .Bytes,
         {"ONE", "TWO"},
         {3, 9}},
        {"new-file chunk before the first only",
         TUEFBuilder()
             .NewFile()
             .Block(Block("ONE", 0, 3))
             .Block(Block("TWO", 0, 4, 0x80))
             .End()
             .Bytes,
         {"ONE", "TWO"},
         {3, 4}},
        {"new-file chunk before each",
         TUEFBuilder()
             .NewFile()
             .Block(Block("ONE", 0, 3, 0x80))
             .NewFile()
             .Block(Block("TWO", 0, 4, 0x80))
             .End()
             .Bytes,
         {"ONE", "TWO"},
         {3, 4}},
        {"tape starting inside a file",
         TUEFBuilder()
             .Block(Block("ONE", 3, 6))
             .Block(Block("ONE", 4, 2, 0x80))
             .Block(Block("TWO", 0, 4, 0x80))
             .End()
             .Bytes,
         {"", "TWO"},
         {8, 4}},
    };
    for (const auto& c : cases) {
        TUEF tape;
        ASSERT_TRUE(tape.FetchUEF(c.uef)) << c.what;
        EXPECT_EQ(Names(tape), c.names) << c.what;
        std::vector<std::uint32_t> lengths;
        for (const auto& entry : tape.Entries)
            lengths.push_back(entry->Length);
        EXPECT_EQ(lengths, c.lengths) << c.what;
    }
}

TEST(UEFContainer, TenCharacterName) {
    auto spec = Block("ABCDEFGHIJ", 0, 7, 0x80);
    TUEF tape;
    ASSERT_TRUE(tape.FetchUEF(TUEFBuilder().Block(spec).End().Bytes));
    ASSERT_EQ(tape.CatEntryCount(), 1);
    EXPECT_EQ(tape.Entries[0]->Name, "ABCDEFGHIJ");
    EXPECT_EQ(tape.Entries[0]->Length, 7u);
    EXPECT_EQ(tape.UseableDataSize(), 10 + 23 + 7u);
}

TEST(UEFContainer, OtherChunksAreSkippedByTheirLength) {
    TUEF tape;
    TBytes carrier{0x10, 0x00};
    ASSERT_TRUE(tape.FetchUEF(TUEFBuilder()
                                  .Chunk(0x0110, carrier)
                                  .Chunk(0x0104, TapeBlock(Block("HIDDEN", 0, 1, 0x80)))
                                  .Block(Block("SEEN", 0, 2, 0x80))
                                  .Chunk(0x0112, carrier)
                                  .End()
                                  .Bytes));
    EXPECT_EQ(Names(tape), std::vector<std::string>{"SEEN"});
}

TEST(UEFContainer, EndMarkerStopsReading) {
    TUEF tape;
    ASSERT_TRUE(tape.FetchUEF(
        TUEFBuilder().Block(Block("A", 0, 1, 0x80)).End().Block(Block("B", 0, 1, 0x80)).Bytes));
    EXPECT_EQ(Names(tape), std::vector<std::string>{"A"});
}

TEST(UEFContainer, ExtraBytesAfterTheDataCheckAreNotStored) {
    auto spec = Block("PUGWASH", 0, 38, 0x80);
    TBytes chunk = Concat({TapeBlock(spec), TBytes{0x55, 0x66}});
    TUEF tape;
    ASSERT_TRUE(tape.FetchUEF(TUEFBuilder().Chunk(0x0100, chunk).End().Bytes));
    ASSERT_EQ(tape.CatEntryCount(), 1);
    EXPECT_EQ(tape.Entries[0]->Length, 38u);
    EXPECT_EQ(tape.UseableData, TapeBlock(spec));
}
