// Every real tape image of the corpus: accepted or refused as it deserves, its files listed,
// and its stored blocks reading back to the same files.
#include "formats/UEF.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace brelk;
using namespace brelktest;

namespace {

struct TExpected {
    bool accepted;
    std::vector<std::string> names;
    std::vector<std::uint32_t> lengths;
};

const std::map<std::string, TExpected>& Expectations() {
    static const std::map<std::string, TExpected> expected = {
        {"b-em_Welcome_B.uef",
         {true,
          {"INTRO", "INDEX", "KEYBOARD", "SKETCH", "CALCULATOR", "ALPHASORT", "POEM", "TELEPHONE",
           "BAT'N'BALL", "MUSIC", "CLOCK", "PHOTO", "PATTERNS", "KINGDOM", "BIORHYTHMS", "BIO",
           "MESSAGE"},
          {2190, 2746, 9541, 2013, 5327, 4555, 9721, 7275, 2196, 1273, 2233, 2548, 1954, 8953, 6576,
           848, 1119}}},
        // Two one-byte new-file chunks before the file: the first gives an empty entry.
        {"beebem_Test.uef", {true, {"", "PUGWASH"}, {0, 1318}}},
        {"bem-tapetests_001__OK__0000_origin__TERMINATED.uef", {true, {}, {}}},
        {"bem-tapetests_001__S1000_F2000__datachunk100.uef", {true, {"call2.tok"}, {25}}},
        {"bem-tapetests_002__S2000__simple.gz.uef", {false, {}, {}}},
        // Its data is in a 0x0104 chunk, which this reader does not decode.
        {"bem-tapetests_003__S1000_F2000__datachunk104.uef", {true, {}, {}}},
        {"bem-tapetests_003__S2000__simple-nogzip.uef", {true, {"", "SIMPLE"}, {0, 14}}},
        {"bem-tapetests_008__ERR__header_truncated_1.uef", {false, {}, {}}},
        {"bem-tapetests_010__ERR__magic_unterminated_type_1.uef", {false, {}, {}}},
        {"bem-tapetests_020__S5000_F4000__clocksp2.uef", {true, {"CLOCKSP2"}, {3135}}},
        {"bem-tapetests_117s_1200_then_300.uef", {true, {"1200", "300"}, {2, 2}}},
        {"retroload_rl.uef", {true, {"RL"}, {207}}},
    };
    return expected;
}

} // namespace

TEST(UEFCorpus, EveryTapeImage) {
    BRELK_REQUIRE_CORPUS();
    std::size_t seen = 0;
    for (const auto& file : std::filesystem::directory_iterator(CorpusDir() / "uef")) {
        const std::string name = file.path().filename().string();
        if (file.path().extension() != ".uef")
            continue;
        ++seen;
        auto expected = Expectations().find(name);
        ASSERT_NE(expected, Expectations().end()) << "no expectation for " << name;
        TUEF tape;
        EXPECT_EQ(tape.FetchUEF(ReadFileBytes(file.path())), expected->second.accepted) << name;
        std::vector<std::string> names;
        std::vector<std::uint32_t> lengths;
        for (const auto& entry : tape.Entries) {
            names.push_back(entry->Name);
            lengths.push_back(entry->Length);
            EXPECT_TRUE(entry->Name.empty() || entry->LastBlock) << name << " " << entry->Name;
        }
        EXPECT_EQ(names, expected->second.names) << name;
        EXPECT_EQ(lengths, expected->second.lengths) << name;

        // The stored form lists the same named files.
        TUEF stored;
        EXPECT_FALSE(stored.FetchUEF(tape.UseableData)) << name;
        EXPECT_EQ(stored.UseableData, tape.UseableData) << name;
        std::vector<std::string> storedNames;
        for (const auto& entry : stored.Entries)
            storedNames.push_back(entry->Name);
        std::vector<std::string> namedFiles;
        for (const auto& n : names)
            if (!n.empty())
                namedFiles.push_back(n);
        EXPECT_EQ(storedNames, namedFiles) << name;
    }
    EXPECT_EQ(seen, Expectations().size());
}

TEST(UEFCorpus, WelcomeTapeDetails) {
    BRELK_REQUIRE_CORPUS();
    TUEF tape;
    ASSERT_TRUE(tape.FetchUEF(ReadFileBytes(CorpusDir() / "uef" / "b-em_Welcome_B.uef")));
    EXPECT_EQ(tape.UEFVersion, "0.5");
    EXPECT_EQ(tape.OriginInfo, std::string("MakeUEF 0.3b\0", 13));
    EXPECT_EQ(tape.CatEntryCount(), 17);
}
