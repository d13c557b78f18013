// The tape readers never read past their input: lengths that run past the end, names
// without their zero byte, blocks without their check bytes. The inputs sit right before an
// inaccessible page, so a read past the end fails the test run.
#include "UEFBuilder.h"
#include "formats/UEF.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace {

TBlockSpec Block(std::string name, std::uint16_t number, std::uint16_t length,
                 std::uint8_t flag = 0x80) {
    return BlockSpec(std::move(name), number, length, flag);
}

TBytes Prefix(const TBytes& bytes, std::size_t count) {
    return TBytes(bytes.begin(), bytes.begin() + count);
}

struct TOutcome {
    bool result;
    std::vector<std::string> names;
    std::size_t stored;
};

TOutcome Read(const TBytes& bytes) {
    TGuardedBytes guarded(bytes);
    TUEF tape;
    TOutcome outcome{tape.FetchUEF(guarded.Data, guarded.Size), {}, tape.UseableDataSize()};
    for (const auto& entry : tape.Entries)
        outcome.names.push_back(entry->Name);
    return outcome;
}

} // namespace

TEST(UEFBounds, ContainerEndings) {
    const TBytes block = TapeBlock(Block("FILE", 0, 10));        // 37 bytes
    const TBytes tenName = TapeBlock(Block("ABCDEFGHIJ", 0, 0)); // 33 bytes
    const TBytes empty = TapeBlock(Block("Z", 0, 0));            // 24 bytes
    const TBytes header = TUEFBuilder().Bytes;                   // 12 bytes
    struct Case {
        const char* what;
        TBytes uef;
        std::vector<std::string> names;
        std::size_t stored;
    };
    const Case cases[] = {
        {"no end marker", TUEFBuilder().Block(Block("FILE", 0, 10)).Bytes, {"FILE"}, 37},
        {"chunk header cut after 3 bytes", Concat({header, TBytes{0x00, 0x01, 0x10}}), {}, 0},
        {"chunk length past the end, block whole",
         TUEFBuilder().Chunk(0x0100, block, 1000).Bytes,
         {"FILE"},
         37},
        {"chunk length past the end, data cut",
         TUEFBuilder().Chunk(0x0100, Prefix(block, 30), 37).Bytes,
         {},
         0},
        {"chunk length 0xFFFFFFFF",
         TUEFBuilder().Chunk(0x0100, block, 0xFFFFFFFF).Bytes,
         {"FILE"},
         37},
        {"origin chunk past the end",
         TUEFBuilder().Chunk(0x0000, TBytes{'a', 'b'}, 0xFFFFFFF0).Bytes,
         {},
         0},
        {"block cut inside its name", TUEFBuilder().Chunk(0x0100, Prefix(block, 3)).Bytes, {}, 0},
        {"block cut inside its header",
         TUEFBuilder().Chunk(0x0100, Prefix(block, 20)).Bytes,
         {},
         0},
        {"block without check bytes",
         TUEFBuilder().Chunk(0x0100, Prefix(block, 35)).Bytes,
         {"FILE"},
         37},
        {"block with one check byte",
         TUEFBuilder().Chunk(0x0100, Prefix(block, 36)).Bytes,
         {"FILE"},
         37},
        {"10-character name, zero byte last",
         TUEFBuilder().Chunk(0x0100, Prefix(tenName, 12)).Bytes,
         {},
         0},
        {"10-character name, nothing after",
         TUEFBuilder().Chunk(0x0100, Prefix(tenName, 11)).Bytes,
         {},
         0},
        {"data length 0 at the end",
         TUEFBuilder().Chunk(0x0100, Prefix(empty, 22)).Bytes,
         {"Z"},
         24},
        {"data length 0 then a block",
         TUEFBuilder().Chunk(0x0100, Prefix(empty, 22)).Block(Block("FILE", 0, 10)).Bytes,
         {"Z", "FILE"},
         24 + 37},
        {"zero-length tape chunk", TUEFBuilder().Chunk(0x0100, TBytes{}).Bytes, {""}, 0},
        {"sync byte alone", TUEFBuilder().Chunk(0x0100, TBytes{'*'}).Bytes, {}, 0},
    };
    for (const auto& c : cases) {
        TOutcome outcome = Read(c.uef);
        EXPECT_TRUE(outcome.result) << c.what;
        EXPECT_EQ(outcome.names, c.names) << c.what;
        EXPECT_EQ(outcome.stored, c.stored) << c.what;
    }
}

TEST(UEFBounds, StoredRunEndings) {
    const TBytes block = TapeBlock(Block("FILE", 0, 10));
    const TBytes tenName = TapeBlock(Block("ABCDEFGHIJ", 0, 0));
    struct Case {
        const char* what;
        TBytes run;
        std::vector<std::string> names;
        std::size_t stored;
    };
    const Case cases[] = {
        {"whole block", block, {"FILE"}, 37},
        {"check bytes cut off", Prefix(block, 35), {"FILE"}, 37},
        {"data cut", Prefix(block, 34), {}, 0},
        {"header cut", Prefix(block, 10), {}, 0},
        {"sync byte alone", TBytes{'*'}, {}, 0},
        {"10-character name, nothing after", Prefix(tenName, 11), {}, 0},
        {"10-character name, zero byte last", Prefix(tenName, 12), {}, 0},
        {"block then a cut block", Concat({block, Prefix(block, 20)}), {"FILE"}, 37},
        {"block then other bytes", Concat({block, TBytes{0x00, '*'}}), {"FILE"}, 37},
    };
    for (const auto& c : cases) {
        TOutcome outcome = Read(c.run);
        EXPECT_FALSE(outcome.result) << c.what;
        EXPECT_EQ(outcome.names, c.names) << c.what;
        EXPECT_EQ(outcome.stored, c.stored) << c.what;
    }
}

// Every prefix of a real-looking tape is read without a read past its end, and what is
// stored reads back as the same blocks.
TEST(UEFBounds, EveryPrefixReadsSafelyAndStoresReadableBlocks) {
    TUEFBuilder uef;
    uef.Text(0x0000, "origin")
        .NewFile()
        .Block(Block("ABCDEFGHIJ", 0, 20, 0))
        .Block(Block("ABCDEFGHIJ", 1, 0, 0x80));
    uef.Chunk(0x0110, TBytes{1, 2}).Block(Block("X", 0, 3, 0x81)).Text(0x0009, "title").End();
    for (std::size_t size = 0; size <= uef.Bytes.size(); ++size) {
        TBytes prefix = Prefix(uef.Bytes, size);
        TGuardedBytes guarded(prefix);
        TUEF tape;
        tape.FetchUEF(guarded.Data, guarded.Size);
        TUEF stored;
        EXPECT_FALSE(stored.FetchUEF(tape.UseableData));
        EXPECT_EQ(stored.UseableData, tape.UseableData) << "prefix " << size;
    }
}
