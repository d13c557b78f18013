// A new entry grows the catalogue area: it must stay below every object, and a put that a
// shortened lowest free record cannot hold goes to the next record that can.
#include "card/CardFixture.h"
#include "card/CatalogueCheck.h"

using namespace brelk;
using namespace brelktest;

namespace {

struct CatalogueGrowthTest : CardFixture {
    bool Put(const std::string& name, std::uint32_t size) {
        TBrelkCatEntry e = Entry(2, 0, name, size);
        std::vector<std::uint8_t> data(size, 0x5A);
        return Card->AddObjectToBrelk(e, data.data(), false);
    }
    // Puts objects of Size bytes until the card refuses one; returns how many went in.
    int PutUntilRefused(const std::string& prefix, std::uint32_t size) {
        int n = 0;
        while (n < 1000 && Put(prefix + std::to_string(n), size))
            ++n;
        return n;
    }
    const TBrelkCatEntry* Lowest() const {
        const TBrelkCatEntry* lowest = nullptr;
        for (const TBrelkCatEntry* e : Card->Entries())
            if (!lowest || e->Address() < lowest->Address())
                lowest = e;
        return lowest;
    }
    std::vector<std::uint8_t> FootprintBytes(const TBrelkCatEntry& e) const {
        return {Device.Bytes.begin() + e.FootprintStart(), Device.Bytes.begin() + e.FootprintEnd()};
    }
};

TEST_F(CatalogueGrowthTest, PutsIntoAFreedHoleNeverGrowTheCatalogueOverTheLowestObject) {
    TFakeDevice small(128u << 10);
    Device.Bytes.swap(small.Bytes);
    Reopen(true);
    Card->SetReuseDeletedSpace(true);
    ASSERT_TRUE(Put("BIG", 60000));
    ASSERT_GT(PutUntilRefused("S", 500), 0);
    ASSERT_TRUE(Card->FlushMMCDevice());
    const TBrelkCatEntry lowest = *Lowest();
    const std::vector<std::uint8_t> lowestBytes = FootprintBytes(lowest);
    const TBrelkCatEntry* big = Find("BIG");
    ASSERT_NE(big, nullptr);
    ASSERT_TRUE(Card->DeleteCatEntry(big));

    PutUntilRefused("T", 1000);
    ASSERT_TRUE(Card->FlushMMCDevice());

    const TCardCheck check = CheckCard(*Card);
    for (const TFinding& f : check.Findings)
        ADD_FAILURE() << f.Text;
    EXPECT_FALSE(check.Damaged());
    EXPECT_GE(std::uint64_t(Lowest()->FootprintStart()), 512 + 64 * Card->Entries().size());
    EXPECT_EQ(FootprintBytes(lowest), lowestBytes);
}

TEST_F(CatalogueGrowthTest, APutSkipsTheLowestRecordWhenTheGrownCatalogueShortensIt) {
    // 8 entries end the catalogue on a block boundary (1024). Free: [1024, 2048), the smallest
    // record, which one more entry shortens below 1024 bytes, and [3072, 5120).
    const std::uint32_t L = kLimit;
    std::vector<TBrelkCatEntry> entries{Entry(2, 0, "A", 512, 2048 + 512)};
    for (std::uint32_t i = 0; i < 6; ++i)
        entries.push_back(Entry(2, 0, "F" + std::to_string(i), 512, 5120 + i * 1024 + 512));
    entries.push_back(Entry(2, 0, "TOP", L - 11264 - 512, 11264 + 512));
    WriteRawCatalogue(8, entries);
    Reopen();
    Card->SetReuseDeletedSpace(true);
    ASSERT_EQ(Card->FreeRecords(), (std::vector<TBrelkFreeBlock>{{1024, 1024}, {3072, 2048}}));

    ASSERT_TRUE(Put("SMALL", 500));
    const TBrelkCatEntry* placed = Find("SMALL");
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->FootprintStart(), 4096);
    ASSERT_TRUE(Card->FlushMMCDevice());
    EXPECT_FALSE(CheckCard(*Card).Damaged());
}

} // namespace
