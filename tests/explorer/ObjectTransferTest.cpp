// Taking objects off the card: reading within the usable limit, and tapes exported as UEF.
#include "explorer/ObjectTransfer.h"
#include "card/CardFixture.h"
#include "formats/UEF.h"
#include "formats/UEFBuilder.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace {

struct ObjectTransferTest : CardFixture {};

TEST_F(ObjectTransferTest, ReadsWholeObjectsWithinTheUsableLimit) {
    const TBrelkCatEntry tool = Add("T", 1000, kTypeTool, false, 0x5A);
    std::vector<std::uint8_t> data{1};
    ASSERT_TRUE(ReadWholeObject(*Card, tool, data));
    ASSERT_EQ(data.size(), 1024u); // the whole allocated size
    EXPECT_EQ(data[999], 0x5A);
    EXPECT_EQ(data[1000], 0);
    struct Case {
        std::uint32_t Address;
        std::uint32_t Size;
        bool Readable;
    };
    const Case cases[] = {
        {kLimit - 512, 512, true},
        {kLimit - 512, 1024, false},  // reaches past the usable card
        {0xFFFFFE00u, 0x400u, false}, // would wrap around 4 GiB
        {512, 0xFFFFFFFFu, false},    // a damaged size takes no memory
    };
    for (const Case& c : cases) {
        TBrelkCatEntry entry = tool;
        entry.SetAddress(c.Address);
        entry.SetSize(c.Size);
        EXPECT_EQ(ObjectWithinUsableLimit(*Card, entry), c.Readable) << c.Address;
        EXPECT_EQ(ReadWholeObject(*Card, entry, data), c.Readable) << c.Address;
        if (!c.Readable) {
            EXPECT_TRUE(data.empty());
        }
    }
}

TEST_F(ObjectTransferTest, TapesExportAsUEFOrAsStored) {
    const auto blocks =
        Concat({TapeBlock(BlockSpec("A", 0, 20, 0x80)), TapeBlock(BlockSpec("B", 0, 3, 0x80))});
    auto padded = blocks;
    padded.resize(512, 0);
    TUEF tape;
    ASSERT_TRUE(tape.FetchUEF(TapeObjectAsUEF(padded)));
    EXPECT_EQ(tape.UseableData, blocks);
    EXPECT_EQ(tape.CatEntryCount(), 2);
    // No block stored: the bytes as they are, never a 12-byte empty tape.
    const auto container = TUEFBuilder().NewFile().Block(BlockSpec("A", 0, 20, 0x80)).Bytes;
    EXPECT_EQ(TapeObjectAsUEF(container), container);
    EXPECT_EQ(TapeObjectAsUEF({}), std::vector<std::uint8_t>{});
    const std::vector<std::uint8_t> junk(300, 0x41);
    EXPECT_EQ(TapeObjectAsUEF(junk), junk);

    TBrelkCatEntry entry;
    entry.SetType(kTypeImage);
    entry.SetSubtype(kSubtypeTape);
    EXPECT_TRUE(IsTapeObject(entry));
    entry.SetSubtype(kSubtypeDFS);
    EXPECT_FALSE(IsTapeObject(entry));
}

} // namespace
