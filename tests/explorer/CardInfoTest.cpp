// The card summary and the object type text, checked to the character on a card image.
#include "explorer/CardInfo.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace {

class TReporter : public TBrelkReporter {
  public:
    std::vector<std::string> Messages;
    void ReportError(const std::string& text) override { Messages.push_back(text); }
};

TBrelkCatEntry Entry(std::uint8_t type, std::uint8_t subtype, const std::string& name,
                     std::uint32_t size = 0) {
    TBrelkCatEntry entry;
    entry.SetType(type);
    entry.SetSubtype(subtype);
    entry.SetName(name);
    entry.SetSize(size);
    return entry;
}

constexpr std::uint32_t kCardBytes = 1 << 20;
constexpr std::uint32_t kZone = 8192;

// A 1 MiB card: a tool, a filing system, a DFS disc, a tape, a deleted object and one of an
// unknown type, placed from the top down, with a hole where a removed object was.
struct CardInfoFixture : ::testing::Test {
    TTempDir Dir;
    TReporter Reporter;
    TBrelk Card{Reporter};

    void Add(TBrelkCatEntry entry) {
        std::vector<std::uint8_t> data(entry.Size(), 0x5A);
        ASSERT_TRUE(Card.AddObjectToBrelk(entry, data.data(), false)) << entry.Name();
    }
    const TBrelkCatEntry* Find(const std::string& name) {
        for (const auto& entry : Card.Entries())
            if (entry->Name() == name)
                return entry;
        return nullptr;
    }
    void SetUp() override {
        MakeImageFile(Dir.Path("card.img"), kCardBytes);
        Card.Initialize(65536, Dir.Path("card.img").string(), kZone);
        ASSERT_TRUE(Card.FormatMMC());
        Add(Entry(kTypeTool, 0, "TOOL", 1000));
        Add(Entry(kTypeTool, 0, "GAP", 1500));
        Add(Entry(kTypeFilingSystem, 5, "ADFS150", 2000));
        Add(Entry(kTypeImage, kSubtypeDFS, "DISC", 3000));
        Add(Entry(kTypeImage, kSubtypeTape, "TAPE", 100));
        Add(Entry(kTypeTool, 0, "OLD", 600));
        Add(Entry(7, 0, "ODD", 100));
        TBrelkCatEntry deleted = *Find("OLD");
        deleted.SetType(kTypeDeleted);
        ASSERT_TRUE(Card.UpdateCatEntry(Find("OLD"), deleted));
        ASSERT_TRUE(Card.DeleteCatEntry(Find("GAP")));
        ASSERT_TRUE(Reporter.Messages.empty());
    }
};

} // namespace

TEST_F(CardInfoFixture, HexadecimalSummary) {
    const std::vector<std::string> expected = {
        "Physical size   : 00100000 bytes",
        "Usable size     : 000FE000 bytes",
        "Used            : 00003000 bytes",
        "Free            : 000FB000 bytes",
        "",
        "Deleted objects :      1 (00000400 bytes)",
        "Filing systems  :      1",
        "Tools           :      1",
        "Discs/tapes     :      2",
        "",
        "Free space map:",
        "        Address           Size",
        "  -------------  -------------",
        "       00000400       000FA800",
        "       000FD200       00000800",
    };
    EXPECT_EQ(CardInfoLines(Card, TNumberFormat{true, ","}, kZone), expected);
}

TEST_F(CardInfoFixture, DecimalSummary) {
    const std::vector<std::string> expected = {
        "Physical size   :     1.048.576 bytes",
        "Usable size     :     1.040.384 bytes",
        "Used            :        12.288 bytes",
        "Free            :     1.028.096 bytes",
        "",
        "Deleted objects :      1 (1.024 bytes)",
        "Filing systems  :      1",
        "Tools           :      1",
        "Discs/tapes     :      2",
        "",
        "Free space map:",
        "        Address           Size",
        "  -------------  -------------",
        "          1.024      1.026.048",
        "      1.036.800          2.048",
    };
    EXPECT_EQ(CardInfoLines(Card, TNumberFormat{false, "."}, kZone), expected);
}

// Used space and safety zone beyond the card size: no figure wraps around, free shows 0.
TEST_F(CardInfoFixture, OverfullCardShowsNoFreeSpace) {
    struct Row {
        std::uint32_t zone;
        const char* usable;
        const char* free;
    };
    const Row rows[] = {
        {kCardBytes - 0x3000, "Usable size     : 00003000 bytes",
         "Free            : 00000000 bytes"},
        {kCardBytes - 0x2000, "Usable size     : 00002000 bytes",
         "Free            : 00000000 bytes"},
        {kCardBytes, "Usable size     : 00000000 bytes", "Free            : 00000000 bytes"},
        {0xFFFFFFFF, "Usable size     : 00000000 bytes", "Free            : 00000000 bytes"},
        {0, "Usable size     : 00100000 bytes", "Free            : 000FD000 bytes"},
    };
    for (const Row& row : rows) {
        const std::vector<std::string> lines = CardInfoLines(Card, TNumberFormat{}, row.zone);
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[1], row.usable) << row.zone;
        EXPECT_EQ(lines[2], "Used            : 00003000 bytes") << row.zone;
        EXPECT_EQ(lines[3], row.free) << row.zone;
    }
}

TEST(CardInfo, DeviceNotUsableGivesNoText) {
    TReporter reporter;
    TBrelk unbound(reporter);
    EXPECT_TRUE(CardInfoLines(unbound, TNumberFormat{}, kZone).empty());

    TTempDir dir;
    TBrelk missing(reporter);
    missing.Initialize(65536, dir.Path("absent.img").string(), kZone);
    EXPECT_FALSE(missing.State().DeviceOK);
    EXPECT_TRUE(CardInfoLines(missing, TNumberFormat{}, kZone).empty());
}

TEST(CardInfo, NoCatalogueGivesPhysicalSizeOnly) {
    TTempDir dir;
    MakeImageFile(dir.Path("blank.img"), 2 << 20);
    TReporter reporter;
    TBrelk card(reporter);
    card.Initialize(65536, dir.Path("blank.img").string(), kZone);
    ASSERT_TRUE(card.State().DeviceOK);
    ASSERT_FALSE(card.State().CatalogueValid);
    EXPECT_EQ(CardInfoLines(card, TNumberFormat{true, ","}, kZone),
              std::vector<std::string>{"Physical size   : 00200000 bytes"});
    EXPECT_EQ(CardInfoLines(card, TNumberFormat{false, ""}, kZone),
              std::vector<std::string>{"Physical size   :       2097152 bytes"});
}

TEST(CardInfo, ObjectTypeText) {
    struct Row {
        std::uint8_t type, subtype;
        const char* text;
    };
    const Row rows[] = {
        {0, 0, "Deleted object"},
        {0, 3, "Deleted object"},
        {1, 1, "Filingsystem (BBC B Acorn DNFS 1.20 Patched)"},
        {1, 5, "Filingsystem (Master Acorn ADFS 1.50 Patched)"},
        {1, 85, "Filingsystem (Master Acorn ADFS 1.50 Original)"},
        {1, 87, "Filingsystem (Master Acorn DFS 2.03 Original)"},
        {1, 0, "Filingsystem"},
        {1, 12, "Filingsystem"},
        {2, 0, "Tool"},
        {2, 9, "Tool"},
        {3, 1, "Discimage (DFS)"},
        {3, 2, "Discimage (ADFS)"},
        {3, 3, "Discimage (TAPE)"},
        {3, 0, "Discimage"},
        {3, 4, "Discimage"},
        {4, 1, ""},
        {255, 0, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ObjectTypeText(Entry(row.type, row.subtype, "X")), row.text)
            << int(row.type) << "/" << int(row.subtype);
}

TEST(CardInfo, DecimalForms) {
    struct Row {
        std::uint64_t value;
        const char* separator;
        const char* six;
        const char* plain;
        const char* thirteen;
    };
    const Row rows[] = {
        {0, ",", "     0", "0", "            0"},
        {999, ",", "   999", "999", "          999"},
        {1000, ",", " 1,000", "1,000", "        1,000"},
        {65535, ".", "65.535", "65.535", "       65.535"},
        {1234567, ",", "1,234,567", "1,234,567", "    1,234,567"},
        {4294967295u, "", "4294967295", "4294967295", "   4294967295"},
        {4294967295u, "'", "4'294'967'295", "4'294'967'295", "4'294'967'295"},
        // A separator of two UTF-8 bytes is one character wide.
        {1234, "\xC2\xA0",
         " 1\xC2\xA0"
         "234",
         "1\xC2\xA0"
         "234",
         "        1\xC2\xA0"
         "234"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FormatDecimal6(row.value, row.separator), row.six) << row.value;
        EXPECT_EQ(FormatDecimal(row.value, row.separator), row.plain) << row.value;
        EXPECT_EQ(FormatDecimal13(row.value, row.separator), row.thirteen) << row.value;
    }
}
