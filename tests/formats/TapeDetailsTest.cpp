// The tape catalogue text, checked to the character.
#include "formats/TapeDetails.h"
#include "UEFBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace {

void AddEntry(TUEF& tape, std::string name, bool locked, std::uint32_t load, std::uint32_t length,
              std::uint32_t exec) {
    auto entry = std::make_unique<TTapeCatEntry>();
    entry->Name = std::move(name);
    entry->Locked = locked;
    entry->LoadAddress = load;
    entry->Length = length;
    entry->ExecAddress = exec;
    tape.Entries.push_back(std::move(entry));
}

} // namespace

TEST(TapeDetails, NoFiles) {
    TUEF tape;
    EXPECT_EQ(TapeCatalogueLines(tape), std::vector<std::string>{"This tape contains no files."});
}

TEST(TapeDetails, Lines) {
    TUEF tape;
    AddEntry(tape, "GAME", true, 0x1900, 529, 0x801F);
    AddEntry(tape, "ABCDEFGHIJ", false, 0xFFFF0E00, 0xFFFFF, 0xFFFF8023);
    AddEntry(tape, "", false, 0, 0, 0);
    AddEntry(tape, "BIG", false, 0, 0x123456, 0);
    AddEntry(tape, std::string("A\rB\x7F\x01", 5), false, 0, 1, 0);
    const std::vector<std::string> expected = {
        "Catalogue entries: 5",
        "",
        "--file-----L---load------lth----exec--",
        "GAME       L 00001900 + 00211 0000801F",
        "ABCDEFGHIJ   FFFF0E00 + FFFFF FFFF8023",
        "             00000000 + 00000 00000000",
        "BIG          00000000 + 123456 00000000",
        "A.B..        00000000 + 00001 00000000",
    };
    EXPECT_EQ(TapeCatalogueLines(tape), expected);
}

TEST(TapeDetails, WelcomeTape) {
    BRELK_REQUIRE_CORPUS();
    TUEF tape;
    ASSERT_TRUE(tape.FetchUEF(ReadFileBytes(CorpusDir() / "uef" / "b-em_Welcome_B.uef")));
    const std::vector<std::string> lines = TapeCatalogueLines(tape);
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[0], "Catalogue entries: 17");
    EXPECT_EQ(lines[3].substr(0, 13), "INTRO        ");
    EXPECT_EQ(lines[3].substr(21, 8), " + 0088E");
    EXPECT_EQ(lines[11].substr(0, 13), "BAT'N'BALL   ");
}
