// Walking the sides of a disc object, on bytes in memory and through a card-style reader.
#include "formats/DFSSideWalk.h"
#include "formats/DFSBuilder.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace brelk;
using namespace dfstest;

namespace {

// A reader over Bytes placed at Base that records every read and fails the FailAt-th one.
struct TRecordingReader {
    TRecordingReader(const TBytes& bytes, std::uint64_t base, int failAt = -1)
        : Bytes(bytes), Base(base), FailAt(failAt) {}

    const TBytes& Bytes;
    std::uint64_t Base;
    int FailAt;
    std::vector<std::pair<std::uint64_t, std::size_t>> Reads;

    TDFSReadFn Fn() {
        return [this](std::uint64_t address, std::uint8_t* dest, std::size_t count) {
            Reads.push_back({address, count});
            if (int(Reads.size()) - 1 == FailAt)
                return false;
            EXPECT_GE(address, Base);
            EXPECT_LE(address - Base + count, Bytes.size()) << "read past the object";
            if (address < Base || address - Base + count > Bytes.size())
                return false;
            std::memcpy(dest, Bytes.data() + (address - Base), count);
            return true;
        };
    }
};

TEST(DFSSideWalk, TwoFullSides) {
    const TBytes data = Concat({TDFSBuilder(800, 204800).Title("ONE").Bytes(),
                                TDFSBuilder(800, 204800).Title("TWO").Bytes()});
    TAcornDFSDiscObject disc;
    std::vector<std::uint64_t> offsets;
    EXPECT_EQ(WalkDFSSides(disc, data.data(), data.size(), &offsets), 2);
    EXPECT_EQ(offsets, (std::vector<std::uint64_t>{0, 204800}));
    EXPECT_EQ(disc.aDiscSides[1].Title, "TWO");
}

TEST(DFSSideWalk, SingleSquashedSide) {
    const TBytes data = TDFSBuilder(100, 25600).Bytes();
    TAcornDFSDiscObject disc;
    EXPECT_EQ(WalkDFSSides(disc, data.data(), data.size()), 1);
}

TEST(DFSSideWalk, AtMostFiveSides) {
    TBytes data;
    for (int i = 0; i < 7; ++i)
        data = Concat({data, TDFSBuilder(4, 1024).Title("S" + std::to_string(i)).Bytes()});
    TAcornDFSDiscObject disc;
    EXPECT_EQ(WalkDFSSides(disc, data.data(), data.size()), kMaxDFSSides);
    EXPECT_EQ(disc.aDiscSides.back().Title, "S4");
}

struct TTailCase {
    std::size_t TailBytes; // bytes of the next side present behind the first
    int Sides;
};

class DFSWalkTailTest : public ::testing::TestWithParam<TTailCase> {};

TEST_P(DFSWalkTailTest, NextSideNeedsItsTwoCatalogueSectors) {
    const TBytes second = TDFSBuilder(2, 1024).Title("SECOND").Bytes();
    const TBytes data = Concat({TDFSBuilder(10, 2560).Bytes(),
                                TBytes(second.begin(), second.begin() + GetParam().TailBytes)});
    TRecordingReader reader{data, 0x40000};
    TAcornDFSDiscObject disc;
    EXPECT_EQ(WalkDFSSides(disc, reader.Base, data.size(), reader.Fn()), GetParam().Sides);
}

INSTANTIATE_TEST_SUITE_P(Cases, DFSWalkTailTest,
                         ::testing::Values(TTailCase{0, 1}, TTailCase{511, 1}, TTailCase{512, 2},
                                           TTailCase{1000, 2}, TTailCase{1024, 2}));

TEST(DFSSideWalk, SmallObjectIsReadOnlyAsFarAsItGoes) {
    const TBytes data = TDFSBuilder(800, 512).Title("blank").Bytes();
    TRecordingReader reader{data, 0x1000};
    TAcornDFSDiscObject disc;
    EXPECT_EQ(WalkDFSSides(disc, reader.Base, data.size(), reader.Fn()), 1);
    ASSERT_EQ(reader.Reads.size(), 1u);
    EXPECT_EQ(reader.Reads[0], (std::pair<std::uint64_t, std::size_t>{0x1000, 512}));
    EXPECT_EQ(disc.aDiscSides[0].Title, "blank");
}

TEST(DFSSideWalk, EmptyObjectReadsNothing) {
    const TBytes data;
    TRecordingReader reader{data, 0x1000};
    TAcornDFSDiscObject disc;
    EXPECT_EQ(WalkDFSSides(disc, reader.Base, 0, reader.Fn()), 0);
    EXPECT_TRUE(reader.Reads.empty());
}

TEST(DFSSideWalk, FailedReadEndsTheSides) {
    const TBytes data =
        Concat({TDFSBuilder(800, 204800).Bytes(), TDFSBuilder(800, 204800).Bytes()});
    for (int failAt : {0, 1}) {
        TRecordingReader reader{data, 0x8000, failAt};
        TAcornDFSDiscObject disc;
        std::vector<std::uint64_t> offsets;
        EXPECT_EQ(WalkDFSSides(disc, reader.Base, data.size(), reader.Fn(), &offsets), failAt);
        EXPECT_EQ(disc.aDiscSides.size(), std::size_t(failAt));
        EXPECT_EQ(offsets.size(), std::size_t(failAt));
    }
}

TEST(DFSSideWalk, ShortSideDoesNotReadTheNextSideAsItsCatalogue) {
    // A two-sector side followed by bytes that look like the 62-file marker: they belong to
    // what follows, so the side is an ordinary 31-file side and is accepted. Read as a whole,
    // the same bytes claim sector 3 and the side would be refused.
    const TBytes data = Concat({TDFSBuilder(2, 512).Title("TINY").Bytes(), TBytes(512, 0xAA)});
    TAcornDFSDiscObject walked;
    EXPECT_EQ(WalkDFSSides(walked, data.data(), data.size()), 1);
    EXPECT_FALSE(walked.aDiscSides[0].Has62Files);
    TAcornDFSDiscObject whole;
    EXPECT_FALSE(whole.AddDiscSide(data));
}

TEST(DFSSideWalk, TruncatedLastSideIsStillASide) {
    // The second side's catalogue is present but most of its sectors are not.
    const TBytes data = Concat({TDFSBuilder(800, 204800).Title("A").Bytes(),
                                TDFSBuilder(800, 2048).Title("B").Add({'$', "F", 1, 700}).Bytes()});
    TAcornDFSDiscObject disc;
    EXPECT_EQ(WalkDFSSides(disc, data.data(), data.size()), 2);
    EXPECT_EQ(disc.aDiscSides[1].LastUsedSector, 700);
}

} // namespace
