// Squashing and expanding DFS disc objects on the card in place.
#include "explorer/DiscTransform.h"
#include "DiscCardFixture.h"
#include "explorer/ObjectImages.h"
#include "formats/AcornDFS.h"
#include "formats/DFSBuilder.h"
#include "formats/DFSSideWalk.h"

using namespace brelk;
using namespace brelktest;
using dfstest::TDFSBuilder;

namespace {

struct DiscTransformTest : DiscCardFixture {};

// After a failed write the card takes no more: every later disc says so, changes nothing,
// and the loops say it once instead of calling the card full for each disc.
TEST_F(DiscTransformTest, AfterAFailedWriteNothingMoreIsTried) {
    const TBrelkCatEntry* a = AddDisc("A", TDFSBuilder(800).Title("A").Bytes());
    const TBrelkCatEntry* b = AddDisc("B", TDFSBuilder(800).Title("B").Bytes());
    ASSERT_TRUE(Card->FlushMMCDevice());
    Device.FailWriteNumber = Device.WriteCalls + 1;
    Add("T", 512);
    EXPECT_FALSE(Card->FlushMMCDevice());
    ASSERT_TRUE(Card->WritesStopped());
    const int writes = Device.WriteCalls;
    for (const TBrelkCatEntry* disc : {a, b}) {
        const TBrelkCatEntry before = *disc;
        EXPECT_EQ(TransformDiscObject(*Card, disc, true), TDiscTransformResult::WritesStopped);
        EXPECT_EQ(disc->Bytes, before.Bytes);
    }
    EXPECT_EQ(Device.WriteCalls, writes);
    EXPECT_EQ(WritesStoppedMessage(true, 2),
              "The Brelk-card takes no more writes after the failure above: 2 discs were not "
              "squashed.");
    EXPECT_EQ(WritesStoppedMessage(false, 1),
              "The Brelk-card takes no more writes after the failure above: 1 disc was not "
              "expanded.");
}

TEST_F(DiscTransformTest, EmptyFullDiscSquashesToOneBlock) {
    const TBrelkCatEntry* disc = AddDisc("EMPTY", TDFSBuilder(800).Title("EMPTY").Bytes());
    EXPECT_EQ(ObjectImageIndex(*disc), IndexOfObjectImage("DISC_DFS"));
    EXPECT_EQ(TransformDiscObject(*Card, disc, true), TDiscTransformResult::Converted);
    EXPECT_EQ(disc->Size(), 512u);
    EXPECT_EQ(ObjectImageIndex(*disc), IndexOfObjectImage("DISC_DFS_SQUASHED"));
    EXPECT_EQ(Card->Entries().size(), 1u);
}

TEST_F(DiscTransformTest, SquashedDiscExpandsToAFullSide) {
    auto squashed = TDFSBuilder(100, 25600).Title("SMALL").Add({'$', "F", 0x1000, 2}).Bytes();
    const TBrelkCatEntry* disc = AddDisc("SMALL", squashed);
    ASSERT_EQ(TransformDiscObject(*Card, disc, false), TDiscTransformResult::Converted);
    EXPECT_EQ(disc->Size(), 204800u);
    TAcornDFSDiscObject read;
    auto bytes = Read(*disc);
    ASSERT_TRUE(read.AddDiscSide(bytes.data(), bytes.size()));
    EXPECT_EQ(read.aDiscSides[0].SectorCount, 800);
    EXPECT_TRUE(std::equal(squashed.begin() + 512, squashed.end(), bytes.begin() + 512));
}

TEST_F(DiscTransformTest, TwoSidedDiscKeepsBothSides) {
    auto a = TDFSBuilder(800).Title("A").Add({'$', "X", 0x200, 2}).Bytes();
    auto b = TDFSBuilder(800).Title("B").Add({'$', "Y", 0x300, 2}).Bytes();
    a.insert(a.end(), b.begin(), b.end());
    const TBrelkCatEntry* disc = AddDisc("TWO", a);
    ASSERT_EQ(TransformDiscObject(*Card, disc, true), TDiscTransformResult::Converted);
    TAcornDFSDiscObject walked;
    auto bytes = Read(*disc);
    EXPECT_EQ(WalkDFSSides(walked, bytes.data(), bytes.size()), 2);
    ASSERT_EQ(walked.aDiscSides.size(), 2u);
    EXPECT_EQ(walked.aDiscSides[1].Title, "B");
    ASSERT_EQ(TransformDiscObject(*Card, disc, false), TDiscTransformResult::Converted);
    EXPECT_EQ(disc->Size(), 409600u);
}

TEST_F(DiscTransformTest, FullCardLeavesTheEntryAsItWas) {
    auto image = TDFSBuilder(100, 25600).Title("SMALL").Bytes();
    const TBrelkCatEntry* disc = AddDisc("SMALL", image);
    // Fill the rest of the card so that no 204800-byte span is left.
    const std::uint32_t rest = Card->FreeRecords().front().Length - 512 - 100000;
    Add("FILLER", rest);
    const TBrelkCatEntry before = *disc;
    auto result = TransformDiscObject(*Card, disc, false);
    EXPECT_EQ(result, TDiscTransformResult::RewriteFailed);
    EXPECT_EQ(disc->Bytes, before.Bytes);
    EXPECT_EQ(DiscTransformMessage(result, false, "SMALL"),
              "Could not expand 'SMALL' - not enough contigous free space or Brelk is full!");
    EXPECT_EQ(DiscTransformMessage(result, true, "SMALL"),
              "Could not squash 'SMALL' - not enough contiguous free space or Brelk is full!");
}

TEST_F(DiscTransformTest, OnlyTheChosenEntryIsRewritten) {
    // Two discs of the same name: the rewrite goes to the entry given, not the first found.
    const TBrelkCatEntry* first = AddDisc("TWIN", TDFSBuilder(800).Title("ONE").Bytes());
    const TBrelkCatEntry* second = AddDisc("twin", TDFSBuilder(800).Title("TWO").Bytes());
    const TBrelkCatEntry firstBefore = *first;
    ASSERT_EQ(TransformDiscObject(*Card, second, true), TDiscTransformResult::Converted);
    EXPECT_EQ(first->Bytes, firstBefore.Bytes);
    EXPECT_EQ(second->Size(), 512u);
    EXPECT_EQ(Read(*second)[0], 'T'); // "TWO"
}

TEST_F(DiscTransformTest, OtherObjectsArePassedOver) {
    Add("TOOL", 300);
    EXPECT_EQ(TransformDiscObject(*Card, Card->Entries()[0], true), TDiscTransformResult::NotDFS);
    const TBrelkCatEntry* notDisc = AddDisc("JUNK", std::vector<std::uint8_t>(3000, 0xFF));
    EXPECT_EQ(TransformDiscObject(*Card, notDisc, true), TDiscTransformResult::NotDFS);
    EXPECT_EQ(TransformDiscObject(*Card, nullptr, true), TDiscTransformResult::NotDFS);
    TBrelkCatEntry outside = Entry(kTypeImage, kSubtypeDFS, "OUT", 204800, kLimit - 1024);
    Card->UpdateCatEntry(notDisc, outside); // the record now claims bytes past the card
    EXPECT_EQ(TransformDiscObject(*Card, notDisc, true), TDiscTransformResult::ReadFailed);
    EXPECT_EQ(DiscTransformMessage(TDiscTransformResult::ReadFailed, true, "OUT"),
              "Could not read from Brelk.");
}

} // namespace
