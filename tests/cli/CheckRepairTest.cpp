// brelk check --repair: the plan is printed before the repair writes, and --save-dropped keeps
// the bytes of each dropped entry that object data backs, or refuses before any repair.
#include "card/CatEntry.h"
#include "cli/CliFixture.h"

#include <filesystem>

using namespace brelktest;

namespace {

struct CheckRepairTest : CliFixture {
    std::vector<std::uint8_t> Payload = std::vector<std::uint8_t>(512);

    // Two objects, and a third entry "LOW" whose object header would lie in the catalogue area
    // while its data (Payload) lies in free space behind it.
    void MakeCardWithAnEntryInTheCatalogueArea() {
        MakeCard();
        ASSERT_EQ(Run({"put", Card, File("a.bin", "first")}).Status, 0);
        ASSERT_EQ(Run({"put", Card, File("b.bin", "second")}).Status, 0);
        for (std::size_t i = 0; i < Payload.size(); ++i)
            Payload[i] = std::uint8_t(i * 7 + 1);
        auto bytes = ReadFileBytes(Card);
        brelk::TBrelkCatEntry low;
        low.SetType(2);
        low.SetName("LOW");
        low.SetAddress(1024);
        low.SetSize(512);
        std::copy(low.Bytes.begin(), low.Bytes.end(), bytes.begin() + 512 + 2 * 64);
        brelk::PutLE32(&bytes[16], 3);
        brelk::PutLE32(&bytes[20], 512);
        std::copy(Payload.begin(), Payload.end(), bytes.begin() + 1024);
        WriteFileBytes(Card, bytes);
    }
};

TEST_F(CheckRepairTest, TheDroppedEntrysBytesAreSavedAndThePlanPrintedFirst) {
    MakeCardWithAnEntryInTheCatalogueArea();
    const std::string saved = Dir.Path("saved").string();
    std::filesystem::create_directory(saved);
    const TResult repair = Run({"check", Card, "--repair", "--save-dropped", saved});
    EXPECT_EQ(repair.Status, 0) << repair.Out << repair.Err;
    const std::string plan = "plan: drop 1 entry that points outside the card\n";
    EXPECT_EQ(repair.Out.find(plan), 0u) << repair.Out; // before the report of the repair
    const std::string file = saved + "/dropped-1-LOW.bin";
    EXPECT_NE(repair.Out.find("saved: 'LOW' (512 bytes) to " + file + "\n"), std::string::npos)
        << repair.Out;
    EXPECT_NE(repair.Out.find("repair: dropped entry 2 ('LOW' at 0x00000400, 512 bytes): it lies "
                              "outside the object area\n"),
              std::string::npos)
        << repair.Out;
    EXPECT_EQ(ReadFileBytes(file), Payload);
    EXPECT_EQ(Run({"check", Card}).Status, 0);
}

TEST_F(CheckRepairTest, AFolderThatCannotBeWrittenIsRefusedBeforeAnyRepair) {
    MakeCardWithAnEntryInTheCatalogueArea();
    const auto before = ReadFileBytes(Card);
    const std::string file = File("plain.txt", "not a folder");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Dir.Path("missing/inner").string(), ": No such file or directory"},
        {file, ": not a folder"},
    };
    for (const auto& [folder, why] : cases) {
        const TResult repair = Run({"check", Card, "--repair", "--save-dropped", folder});
        EXPECT_EQ(repair.Status, 1) << folder;
        EXPECT_EQ(repair.Err, "brelk: " + Card + ": " + folder + why + "\n") << folder;
        EXPECT_EQ(repair.Out.find("plan:"), std::string::npos) << repair.Out;
        EXPECT_EQ(ReadFileBytes(Card), before) << folder;
    }
}

// A folder that is not there yet is made, so the command after a crash needs no mkdir first.
TEST_F(CheckRepairTest, AMissingFolderIsMadeAndTakesTheDroppedBytes) {
    MakeCardWithAnEntryInTheCatalogueArea();
    const std::string folder = Dir.Path("dropped").string();
    const TResult repair = Run({"check", Card, "--repair", "--save-dropped", folder});
    EXPECT_EQ(repair.Status, 0) << repair.Err;
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(ReadFileBytes(folder + "/dropped-1-LOW.bin"), Payload);
}

} // namespace
