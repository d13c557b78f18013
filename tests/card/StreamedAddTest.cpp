// Objects added from a source read in pieces: the same card as an add from memory, nothing
// read when there is no room, and a source that fails leaves the catalogue as it was.
#include "card/FakeDevice.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace {

constexpr std::uint32_t kCard = 16u << 20;
constexpr std::uint32_t kZone = 8192;

struct TCard {
    TFakeDevice Device{kCard};
    TRecordingReporter Reporter;
    TBrelk Brelk{Reporter, Device};
    explicit TCard(std::uint32_t cache) {
        Brelk.Initialize(cache, "card.img", kZone);
        EXPECT_TRUE(Brelk.FormatMMC());
    }
};

TBrelkCatEntry Tool(const std::string& name, std::uint32_t size) {
    TBrelkCatEntry e;
    e.SetType(kTypeTool);
    e.SetName(name);
    e.SetSize(size);
    return e;
}

std::vector<std::uint8_t> Pattern(std::uint32_t size) {
    std::vector<std::uint8_t> data(size);
    for (std::uint32_t i = 0; i < size; ++i)
        data[i] = std::uint8_t(i * 7 + (i >> 12));
    return data;
}

// Hands out Data in the pieces asked for and counts them.
struct TSource {
    const std::vector<std::uint8_t>& Data;
    std::size_t At = 0;
    int Calls = 0;
    int FailAt = 0; // the K-th call fails, 0: never
    bool operator()(std::uint8_t* buffer, std::uint32_t count) {
        if (++Calls == FailAt || At + count > Data.size())
            return false;
        std::copy_n(Data.begin() + std::ptrdiff_t(At), count, buffer);
        At += count;
        return true;
    }
};

class StreamedAddTest : public ::testing::TestWithParam<std::tuple<std::uint32_t, std::uint32_t>> {
};

TEST_P(StreamedAddTest, SameCardAsAnAddFromMemory) {
    const auto [cache, size] = GetParam();
    const std::vector<std::uint8_t> data = Pattern(size);
    TCard memory(cache), streamed(cache);
    for (TCard* card : {&memory, &streamed}) { // an object already there
        TBrelkCatEntry old = Tool("OLD", 3000);
        ASSERT_TRUE(card->Brelk.AddObjectToBrelk(old, Pattern(3000).data(), false));
    }
    TBrelkCatEntry a = Tool("NEW", size), b = Tool("NEW", size);
    ASSERT_TRUE(memory.Brelk.AddObjectToBrelk(a, data.data(), false));
    TSource source{data};
    ASSERT_TRUE(streamed.Brelk.AddObjectFromSource(b, std::ref(source), false));
    EXPECT_EQ(source.At, data.size());
    EXPECT_EQ(a.Bytes, b.Bytes);
    ASSERT_TRUE(memory.Brelk.FlushMMCDevice());
    ASSERT_TRUE(streamed.Brelk.FlushMMCDevice());
    EXPECT_EQ(memory.Device.Bytes, streamed.Device.Bytes);
    EXPECT_TRUE(streamed.Reporter.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, StreamedAddTest,
                         ::testing::Combine(::testing::Values(512u, 262144u, 8u << 20),
                                            ::testing::Values(1u, 513u, (4u << 20) + 3,
                                                              (9u << 20) + 512)));

TEST(StreamedAdd, NothingIsReadWhenThereIsNoRoom) {
    TCard card(262144);
    const std::vector<std::uint8_t> none;
    TSource source{none};
    TBrelkCatEntry huge = Tool("HUGE", 0xF0000000u);
    EXPECT_FALSE(card.Brelk.AddObjectFromSource(huge, std::ref(source), false));
    EXPECT_EQ(source.Calls, 0);
    EXPECT_TRUE(card.Brelk.Entries().empty());
}

TEST(StreamedAdd, FailingSourceLeavesTheCatalogueAsItWas) {
    TCard card(262144);
    TBrelkCatEntry old = Tool("OLD", 1000);
    ASSERT_TRUE(card.Brelk.AddObjectToBrelk(old, Pattern(1000).data(), false));
    const auto map = card.Brelk.FreeRecords();
    const auto header = card.Brelk.Header();
    const std::vector<std::uint8_t> data = Pattern(10u << 20);
    TSource source{data};
    source.FailAt = 2;
    TBrelkCatEntry replacement = Tool("OLD", std::uint32_t(data.size()));
    EXPECT_FALSE(card.Brelk.AddObjectFromSource(replacement, std::ref(source), true));
    EXPECT_EQ(source.Calls, 2);
    ASSERT_EQ(card.Brelk.Entries().size(), 1u);
    EXPECT_EQ(card.Brelk.Entries()[0]->Bytes, old.Bytes);
    EXPECT_EQ(card.Brelk.FreeRecords(), map);
    EXPECT_EQ(card.Brelk.Header(), header);
}

} // namespace
