// Taking the card's last change back (check --from-kept) brings an object back only when its
// bytes are verified on the card: its object header in place and nothing written into its
// space since. Otherwise nothing is changed and the report says which and why.
#include "explorer/CheckJob.h"
#include "card/CardFixture.h"
#include "formats/GlobalStuff.h"

using namespace brelk;
using namespace brelktest;

namespace {

struct CheckJobTest : CardFixture {
    TMemoryKeeper Keeper;
    TBrelkCatEntry Big;
    std::vector<std::uint8_t> BigBytes, BeforeRemoval;

    void SetUp() override {
        CardFixture::SetUp();
        Card->SetCatalogueKeeper(&Keeper);
        Add("ALPHA", 512, 2, false, 0x11);
        Add("BIG", 8192, 2, false, 0x42);
        Add("GAMMA", 512, 2, false, 0x33);
        ASSERT_TRUE(Card->FlushMMCDevice());
        Big = *Find("BIG");
        BigBytes = Bytes(Big);
        BeforeRemoval = Catalogue();
        // The last journalled change removes BIG; what follows is not journalled.
        ASSERT_TRUE(Card->DeleteCatEntry(Find("BIG")));
        ASSERT_TRUE(Card->FlushMMCDevice());
        ASSERT_EQ(Keeper.Undos.size(), 1u);
        Card->SetCatalogueKeeper(nullptr);
    }
    std::vector<std::uint8_t> Bytes(const TBrelkCatEntry& entry) const {
        const auto first = Device.Bytes.begin() + std::ptrdiff_t(entry.Address());
        return {first, first + entry.Size()};
    }
    std::vector<std::uint8_t> Catalogue() const {
        const std::size_t length = 512 + 64 * GetLE32(&Device.Bytes[16]);
        return {Device.Bytes.begin(), Device.Bytes.begin() + std::ptrdiff_t(length)};
    }
    void ExpectBroughtBack(const TCheckResult& result) {
        EXPECT_EQ(result.Error, "");
        EXPECT_EQ(result.Outcome.Status, "repaired");
        EXPECT_TRUE(result.NotBroughtBack.empty());
        ASSERT_NE(Find("BIG"), nullptr);
        EXPECT_EQ(Bytes(*Find("BIG")), BigBytes);
    }
    // Nothing written, and the report names BIG with Why.
    void ExpectRefused(const TCheckResult& result, const std::string& why,
                       const std::vector<std::uint8_t>& before) {
        EXPECT_EQ(result.Error, "the last change cannot be taken back: the bytes of 'BIG' could "
                                "not be verified");
        EXPECT_EQ(Device.Bytes, before);
        EXPECT_EQ(Find("BIG"), nullptr);
        ASSERT_EQ(result.NotBroughtBack.size(), 1u);
        const std::string line = result.NotBroughtBack[0];
        EXPECT_EQ(line.rfind("'BIG' at 0x" + FormatHex(Big.Address(), 8) + " (8192 bytes): ", 0),
                  0u)
            << line;
        EXPECT_NE(line.find(why), std::string::npos) << line;
        const std::string report = CheckReportText("card.img", result);
        EXPECT_NE(report.find("not brought back: " + line + "\n"), std::string::npos) << report;
    }
    TCheckResult Undo() {
        Card->SetCatalogueKeeper(&Keeper);
        return RunCheckJob(*Card, TCheckMode::UndoLastChange);
    }
};

// A put that reuses BIG's space (BETA, listed between ALPHA and GAMMA) and its removal leave
// the catalogue as the journalled change left it, so the kept catalogue still offers BIG.
void PutIntoFreedSpaceAndRemove(CheckJobTest& t) {
    const TBrelkCatEntry beta = t.Add("BETA", 4096, 2, false, 0x58);
    ASSERT_TRUE(t.Card->FlushMMCDevice());
    ASSERT_LT(beta.FootprintStart(), t.Big.FootprintEnd());
    ASSERT_GT(beta.FootprintEnd(), t.Big.FootprintStart());
    ASSERT_TRUE(t.Card->DeleteCatEntry(t.Find("BETA")));
    ASSERT_TRUE(t.Card->FlushMMCDevice());
}

void OverwriteBigsHeader(CheckJobTest& t) {
    std::vector<std::uint8_t> junk(512, 0xEE);
    ASSERT_TRUE(t.Card->WriteRawBytes(junk.data(), std::uint32_t(t.Big.FootprintStart()), 512));
    ASSERT_TRUE(t.Card->FlushMMCDevice());
}

// X lies in BIG's space and is listed, and the record kept leads from the catalogue with BIG
// to the card's catalogue as it is now.
void ListAnObjectInBigsSpace(CheckJobTest& t) {
    t.Add("X", 4096, 2, false, 0x58);
    ASSERT_TRUE(t.Card->FlushMMCDevice());
    auto& undo = t.Keeper.Undos.begin()->second;
    undo = MakeCardJournal(undo.Card, undo.CardSize, t.BeforeRemoval, t.Catalogue());
}

TEST_F(CheckJobTest, AnObjectIsBroughtBackOnlyWhenItsBytesAreVerified) {
    struct Case {
        const char* What;
        void (*Later)(CheckJobTest&);
        const char* Why; // empty: BIG comes back
    };
    const Case cases[] = {
        {"nothing written since", [](CheckJobTest&) {}, ""},
        {"its header overwritten", OverwriteBigsHeader, "its object header was overwritten"},
        {"an object put into its space and removed", PutIntoFreedSpaceAndRemove,
         "the object header of 'BETA' at 0x"},
        {"an object of the catalogue in its space", ListAnObjectInBigsSpace,
         "its space holds 'X' at 0x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Keeper = {};
        Reopen(true);
        SetUp();
        c.Later(*this);
        const auto before = Device.Bytes;
        const TCheckResult result = Undo();
        if (std::string(c.Why).empty())
            ExpectBroughtBack(result);
        else
            ExpectRefused(result, c.Why, before);
    }
}

} // namespace
