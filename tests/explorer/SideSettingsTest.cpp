// A DFS side's title and boot option changed on the card, and files locked by wildcards:
// the bytes DFS reads back, the cycle number counted on, and every refusal leaving the card
// as it was.
#include "explorer/DiscFiles.h"

#include "DiscCardFixture.h"
#include "formats/DFSBuilder.h"
#include "support/TestSupport.h"

using namespace brelk;
using namespace brelktest;
using dfstest::TBytes;
using dfstest::TDFSBuilder;

namespace {

struct SideSettingsTest : DiscCardFixture {
    // Full side 0 with $.ONE (locked) and $.TWO, titled "OLD", cycle 0x41.
    TBytes FullDisc() {
        return TDFSBuilder(800)
            .Title("OLD")
            .Cycle(0x41)
            .Boot(3)
            .Add(dfstest::FileAt("ONE", 300, 2, '$', true))
            .Add(dfstest::FileAt("TWO", 10, 4))
            .Bytes();
    }
    TDFSDiscSide SideOf(const TBrelkCatEntry& entry, std::size_t k = 0) {
        TDFSDiscSides sides;
        std::string why;
        EXPECT_TRUE(ReadDFSDiscSides(Read(entry), sides, why)) << why;
        return k < sides.Disc.aDiscSides.size() ? sides.Disc.aDiscSides[k] : TDFSDiscSide{};
    }
};

// The twelve title bytes as the catalogue holds them: sector 0 bytes 0-7, sector 1 bytes 0-3.
std::string TitleBytes(const TBytes& side) {
    std::string text(side.begin(), side.begin() + 8);
    return text + std::string(side.begin() + 256, side.begin() + 260);
}

} // namespace

TEST_F(SideSettingsTest, TitlesAreTakenUpToTwelvePrintableCharacters) {
    struct TCase {
        std::string Title;
        bool Taken;
        std::string Stored; // the twelve bytes, zero-padded
        std::string Why;
    };
    const std::vector<TCase> cases = {
        {"", true, std::string(12, '\0'), ""},
        {"A", true, "A" + std::string(11, '\0'), ""},
        {"TWELVE CHARS", true, "TWELVE CHARS", ""},
        {"THIRTEEN CHRS", false, "", "the title 'THIRTEEN CHRS' is longer than 12 characters"},
        {std::string("BAD\x01", 4), false, "", "holds a character that is not printable"},
        {"TAB\tTAB", false, "", "holds a character that is not printable"},
        {"DEL\x7F", false, "", "holds a character that is not printable"},
        {"HIGH\xA3", false, "", "holds a character that is not printable"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Title);
        const TBrelkCatEntry* disc = AddDisc("T", FullDisc());
        const TBytes before = Read(*disc);
        TDFSSideSettings settings;
        settings.Title = c.Title;
        std::string why;
        EXPECT_EQ(EditDFSObject(*Card, disc, 0, SideSettingsEdit(settings), why), c.Taken) << why;
        const TBytes after = Read(*disc);
        if (c.Taken) {
            EXPECT_EQ(TitleBytes(after), c.Stored);
            EXPECT_EQ(after[256 + 6] >> 4, 3) << "the boot option stays";
        } else {
            EXPECT_NE(why.find(c.Why), std::string::npos) << why;
            EXPECT_EQ(after, before);
        }
    }
}

TEST_F(SideSettingsTest, EachBootOptionByNameAndTheCycleCountsOnInDecimal) {
    struct TCase {
        std::string Name;
        std::uint8_t Option;
        std::uint8_t CycleBefore;
        std::uint8_t CycleAfter;
    };
    const std::vector<TCase> cases = {{"none", 0, 0x00, 0x01},
                                      {"LOAD", 1, 0x09, 0x10},
                                      {"Run", 2, 0x41, 0x42},
                                      {"exec", 3, 0x99, 0x00}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::uint8_t option = 9;
        std::string why;
        ASSERT_TRUE(ParseBootOption(c.Name, option, why)) << why;
        EXPECT_EQ(option, c.Option);
        const TBytes image = TDFSBuilder(800).Title("KEEP").Cycle(c.CycleBefore).Bytes();
        const TBrelkCatEntry* disc = AddDisc("B", image);
        TDFSSideSettings settings;
        settings.BootOption = option;
        ASSERT_TRUE(EditDFSObject(*Card, disc, 0, SideSettingsEdit(settings), why)) << why;
        const TBytes after = Read(*disc);
        // Read by hand: sector 1 byte 6 bits 4-5 the option, bits 0-1 the sector count's high
        // bits; byte 4 the cycle.
        EXPECT_EQ(after[256 + 6], std::uint8_t(c.Option << 4 | 3));
        EXPECT_EQ(after[256 + 7], 0x20);
        EXPECT_EQ(after[256 + 4], c.CycleAfter);
        EXPECT_EQ(TitleBytes(after).substr(0, 5), std::string("KEEP\0", 5));
    }
    std::uint8_t option = 0;
    std::string why;
    EXPECT_FALSE(ParseBootOption("4", option, why));
    EXPECT_EQ(why, "the boot option '4' is none of none, load, run, exec");
}

TEST_F(SideSettingsTest, SecondSideOfADoubleDiscAndASquashedDiscStaysSquashed) {
    const TBytes side0 = TDFSBuilder(5, 5 * 256).Title("FIRST").Bytes();
    const TBytes side2 = TDFSBuilder(6, 6 * 256)
                             .Title("SECOND")
                             .AddWithData(dfstest::FileAt("DATA", 700, 2), 0x5A)
                             .Bytes();
    const TBrelkCatEntry* disc = AddDisc("TWO", dfstest::Concat({side0, side2}));
    const std::uint32_t size = disc->Size();
    TDFSSideSettings settings;
    settings.Title = "NEW TITLE";
    settings.BootOption = 2;
    std::string why;
    ASSERT_TRUE(EditDFSObject(*Card, disc, 1, SideSettingsEdit(settings), why)) << why;
    EXPECT_EQ(disc->Size(), size) << "squashed as before";
    EXPECT_EQ(SideOf(*disc, 0).Title, "FIRST");
    const TDFSDiscSide second = SideOf(*disc, 1);
    EXPECT_EQ(second.Title, "NEW TITLE");
    EXPECT_EQ(second.BootOption, 2);
    EXPECT_EQ(second.Cycle, 1);
    TMediaListing listing;
    const TBytes bytes = Read(*disc);
    ASSERT_TRUE(ListMediaFiles(TMediaKind::DFS, bytes, listing, why)) << why;
    TBytes data;
    ASSERT_EQ(listing.Files.size(), 1u);
    ASSERT_TRUE(ReadMediaFile(listing, bytes, listing.Files[0], data, why)) << why;
    EXPECT_EQ(data, TBytes(700, 0x5A));
    EXPECT_FALSE(EditDFSObject(*Card, disc, 2, SideSettingsEdit(settings), why));
    TBrelkCatEntry tool = Entry(kTypeTool, 0, "TOOL", 512);
    EXPECT_FALSE(EditDFSObject(*Card, &tool, 0, SideSettingsEdit(settings), why));
    EXPECT_EQ(why, "not a DFS disc object");
}

TEST_F(SideSettingsTest, LockingByWildcards) {
    struct TCase {
        std::vector<std::string> Patterns;
        bool Lock;
        std::vector<std::string> Changed; // empty: refused
        std::string Why;
    };
    const std::vector<TCase> cases = {
        {{"*"}, true, {"$.ONE", "$.TWO"}, ""},
        {{"T#O"}, true, {"$.TWO"}, ""},
        {{"$.O*"}, false, {"$.ONE"}, ""},
        {{"T*", "X*"}, true, {}, "no file matches 'X*'"},
        {{"B.*"}, false, {}, "no file matches 'B.*'"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Patterns.front());
        const TBrelkCatEntry* disc = AddDisc("L", FullDisc());
        const TBytes before = Read(*disc);
        std::vector<std::string> changed;
        std::string why;
        const bool done =
            EditDFSObject(*Card, disc, 0, LockMatchingEdit(c.Patterns, c.Lock, &changed), why);
        EXPECT_EQ(done, !c.Changed.empty()) << why;
        EXPECT_EQ(changed, c.Changed);
        if (!done) {
            EXPECT_EQ(why, c.Why);
            EXPECT_EQ(Read(*disc), before);
            continue;
        }
        for (const TAcornDFSCatEntry& entry : SideOf(*disc).Entries) {
            const bool chosen = std::count(changed.begin(), changed.end(), DFSFullName(entry)) > 0;
            EXPECT_EQ(entry.Locked, chosen ? c.Lock : entry.Name.rfind("ONE", 0) == 0);
        }
    }
}
