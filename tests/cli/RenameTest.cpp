// brelk mv, run as the real program, on names with a backslash, a byte that shows nothing,
// lower case and 48 bytes: the bytes in the catalogue and in the object's header afterwards.
#include "cli/CliFixture.h"
#include "support/TestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace brelktest;

namespace {

struct RenameTest : CliFixture {
    // The name bytes of every catalogue entry of the card image, and of each one's object
    // header, in catalogue order.
    void ReadNames(std::vector<std::string>& entries, std::vector<std::string>& headers) {
        const std::vector<std::uint8_t> card = ReadFileBytes(Card);
        const std::uint32_t count = card[16] | card[17] << 8 | card[18] << 16 | card[19] << 24;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = &card[512 + 64 * i];
            const std::uint32_t address =
                entry[4] | entry[5] << 8 | entry[6] << 16 | entry[7] << 24;
            entries.push_back(NameAt(entry + 16));
            headers.push_back(NameAt(&card[address - 512 + 16 + 16]));
        }
    }
    static std::string NameAt(const std::uint8_t* bytes) {
        const char* name = reinterpret_cast<const char*>(bytes);
        return std::string(name, strnlen(name, 48));
    }
};

TEST_F(RenameTest, MvChangesTheNameBytesInTheCatalogueAndTheHeader) {
    const std::string l42(42, 'L');
    struct Case {
        std::string Old; // as the object is put, in brelk's name text
        std::string OldText, NewText;
        std::string Bytes; // the name on the card afterwards
    };
    const Case cases[] = {
        {"GAMES.back\\\\slash", "GAMES.back\\\\slash", "OTHER.back\\\\slash", "OTHER.back\\slash"},
        {"GAMES.hi\\x7F", "GAMES.hi\\x7F", "OTHER.hi\\x7F", "OTHER.hi\x7F"},
        {"GAMES.plain", "games.PLAIN", "OTHER.plain", "OTHER.plain"},
        {"games.lower", "GAMES.LOWER", "other.lower", "other.lower"},
        {"GAMES." + l42, "GAMES." + l42, "OTHER." + l42, "OTHER." + l42},
    };
    MakeCard();
    for (const Case& c : cases)
        ASSERT_EQ(Run({"put", Card, File("f", "x"), "--name", c.Old}).Status, 0) << c.Old;
    for (const Case& c : cases) {
        const TResult mv = RunProgram({"mv", Card, c.OldText, c.NewText, "--rewrite-header"});
        EXPECT_EQ(mv.Status, 0) << c.NewText << ": " << mv.Err;
    }
    std::vector<std::string> entries, headers;
    ReadNames(entries, headers);
    for (const Case& c : cases)
        EXPECT_EQ(std::count(entries.begin(), entries.end(), c.Bytes), 1) << c.NewText;
    EXPECT_EQ(headers, entries);
    // Bytes that show nothing are kept, never typed anew.
    const TResult typed = RunProgram({"mv", Card, "OTHER.plain", "PL\\x7F"});
    EXPECT_EQ(typed.Status, 2);
    EXPECT_EQ(typed.Err.substr(0, typed.Err.find('\n')),
              "brelk mv: A name holds only the characters \"!\" to \"~\" (no spaces).");
    std::vector<std::string> after, afterHeaders;
    ReadNames(after, afterHeaders);
    EXPECT_EQ(after, entries);
}

} // namespace
