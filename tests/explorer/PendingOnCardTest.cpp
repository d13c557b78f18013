// Pending objects that are on the card already: same type, subtype, name and card bytes.
#include "card/CardFixture.h"
#include "explorer/PendingObjects.h"
#include "explorer/PendingSupport.h"
#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;
using dfstest::TDFSBuilder;

namespace {

struct PendingOnCardTest : CardFixture {
    TTempDir Dir;
    TScriptedUser User;
    TImportOptions Options{false, false, false}; // objects of one name added beside each other

    std::string Save(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = Dir.Path(name).string();
        WriteFileBytes(path, bytes);
        return path;
    }
    // The files of Paths, analysed as the import sees them.
    TPendingObjects Analysed(const std::vector<std::string>& paths) {
        TPendingObjects list;
        for (const std::string& path : paths)
            AddPendingFile(list, path);
        AnalysePendingObjects(list, Options, User);
        return list;
    }
    std::vector<bool> OnCard(const TPendingObjects& list) {
        TObjectsOnCard onCard(*Card);
        std::vector<bool> held;
        for (const auto& object : list)
            held.push_back(onCard.Holds(*object));
        return held;
    }
};

TEST_F(PendingOnCardTest, AFileAddedBeforeIsFoundInEveryForm) {
    const auto disc = TDFSBuilder(800, 51200).Title("DISC").AddWithData({'$', "F", 3000, 2}, 7);
    const auto tape =
        TUEFBuilder().Text(0x0009, "Game").NewFile().Block(BlockSpec("GAME", 0, 40, 0x80)).Bytes;
    std::vector<std::uint8_t> tool(70000);
    for (std::size_t i = 0; i < tool.size(); ++i)
        tool[i] = std::uint8_t(i * 13 + i / 251);
    const std::vector<std::string> files = {
        Save("disc.ssd", disc.Bytes()), Save("two.dsd", Interleave(disc.Bytes(), disc.Bytes())),
        Save("tape.uef.gz", GzipMember(tape)), Save("tool.bin", tool),
        Save("packed.bin", GzipMember(tool))};
    TPendingObjects first = Analysed(files);
    ASSERT_EQ(first.size(), 5u);
    EXPECT_EQ(OnCard(first), std::vector<bool>(5, false));
    const TImportResult result = ImportPendingObjects(*Card, first, Options, User);
    ASSERT_EQ(result.Written, 5u) << (User.Errors.empty() ? "" : User.Errors.front());
    EXPECT_EQ(OnCard(Analysed(files)), std::vector<bool>(5, true));
}

TEST_F(PendingOnCardTest, AnyDifferenceMakesANewObject) {
    std::vector<std::uint8_t> tool(1000, 0x42);
    const std::string path = Save("tool.bin", tool);
    TPendingObjects first = Analysed({path});
    ASSERT_EQ(ImportPendingObjects(*Card, first, Options, User).Written, 1u);
    struct Case {
        const char* What;
        std::vector<std::uint8_t> Bytes;
        std::uint8_t Type;
        bool Held;
    };
    std::vector<std::uint8_t> changed = tool;
    changed[999] = 0x43;
    std::vector<std::uint8_t> padded = tool;
    padded.resize(1024, 0); // the same blocks on the card: the same object
    std::vector<std::uint8_t> longer = tool;
    longer.resize(1025, 0);
    const Case cases[] = {
        {"same", tool, kTypeTool, true},
        {"last byte changed", changed, kTypeTool, false},
        {"zeros up to the block", padded, kTypeTool, true},
        {"a block longer", longer, kTypeTool, false},
        {"another type", tool, kTypeFilingSystem, false},
    };
    for (const Case& c : cases) {
        Save("tool.bin", c.Bytes);
        TPendingObjects again = Analysed({path});
        again.front()->Entry.SetType(c.Type);
        EXPECT_EQ(OnCard(again).front(), c.Held) << c.What;
    }
    // A deleted object does not count.
    Save("tool.bin", tool);
    const TBrelkCatEntry* entry = Card->Entries().front();
    TBrelkCatEntry deleted = *entry;
    deleted.SetType(kTypeDeleted);
    ASSERT_TRUE(Card->UpdateCatEntry(entry, deleted));
    EXPECT_EQ(OnCard(Analysed({path})).front(), false);
}

TEST_F(PendingOnCardTest, ADiscStoredSquashedIsNotTheExpandedOne) {
    const auto disc = TDFSBuilder(800, 51200).Title("DISC").AddWithData({'$', "F", 3000, 2}, 7);
    const std::string path = Save("disc.ssd", disc.Bytes());
    TPendingObjects first = Analysed({path});
    ASSERT_TRUE(first.front()->Squashed);
    ASSERT_EQ(ImportPendingObjects(*Card, first, Options, User).Written, 1u);
    TPendingObjects again = Analysed({path});
    again.front()->Squashed = false;
    UpdateSizeOnCard(*again.front());
    EXPECT_EQ(OnCard(again).front(), false);
}

} // namespace
