// The real brelk extract on objects and files whose names are hostile to a PC folder: every
// file lands below -o's folder under a name of its own, and a DFS file's .inf keeps the
// catalogue's high address bits, so extract then insert gives the same catalogue bytes.
#include "CliFixture.h"

#include "card/Brelk.h"
#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

using namespace brelktest;

namespace fs = std::filesystem;

namespace {

struct TObject {
    std::string Name;               // raw bytes
    std::vector<std::string> Files; // the tape's files, file I holding I + 1 bytes
};

TBytes Tape(const std::vector<std::string>& names) {
    TBytes run;
    for (std::size_t i = 0; i < names.size(); ++i)
        run = Concat({run, TapeBlock(BlockSpec(names[i], 0, std::uint16_t(i + 1), 0x80))});
    run.resize((run.size() + 511) / 512 * 512, 0);
    return run;
}

struct TQuiet : brelk::TBrelkReporter {
    void ReportError(const std::string&) override {}
};

// Adds tape objects under raw names, as a damaged or foreign card may hold them.
bool AddTapes(const std::string& card, const std::vector<TObject>& objects) {
    TQuiet quiet;
    brelk::TBrelk brelk(quiet);
    brelk.Initialize(65536, card, 8192);
    for (const TObject& object : objects) {
        const TBytes data = Tape(object.Files);
        brelk::TBrelkCatEntry entry;
        entry.SetType(brelk::kTypeImage);
        entry.SetSubtype(brelk::kSubtypeTape);
        entry.SetName(object.Name);
        entry.SetSize(std::uint32_t(data.size()));
        if (!brelk.AddObjectToBrelk(entry, data.data(), false))
            return false;
    }
    return brelk.FlushMMCDevice();
}

// Everything below Root but the card, sorted.
std::vector<std::string> Below(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& item : fs::recursive_directory_iterator(root))
        if (item.path().filename() != "card.img")
            names.push_back(fs::relative(item.path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

int RunBrelk(const std::string& arguments) {
    return WEXITSTATUS(std::system((std::string(BRELK_BINARY) + " " + arguments).c_str()));
}

struct ExtractNamesTest : CliFixture {
    void SetUp() override { MakeCard("4M"); }
};

} // namespace

TEST_F(ExtractNamesTest, EveryObjectAndFileLandsInsideTheFolderUnderItsOwnName) {
    const struct {
        const char* Case;
        std::vector<TObject> Objects;
        std::vector<std::string> Below; // below the test's folder, after extract '*' -o out --inf
    } cases[] = {
        {"a name of bytes that show nothing", // once the folder ".."
         {{"\x01\x02", {"P"}}},
         {"out", "out/%01%02", "out/%01%02/P", "out/%01%02/P.inf"}},
        {"names of bytes that show nothing and of full stops",
         {{"\x01\x02", {"\x01\x02"}}, {"\x7F\x7F", {".."}}, {"..", {"."}}},
         {"out", "out/%01%02", "out/%01%02/%01%02", "out/%01%02/%01%02.inf", "out/%2E%2E",
          "out/%2E%2E/%2E", "out/%2E%2E/%2E.inf", "out/%7F%7F", "out/%7F%7F/%2E%2E",
          "out/%7F%7F/%2E%2E.inf"}},
        {"two objects of one name, and names that were equal once escaped",
         {{"DUP", {"F"}}, {"DUP", {"G"}}, {"A/B", {"F"}}, {"A_B", {"F"}}},
         {"out", "out/A%2FB", "out/A%2FB/F", "out/A%2FB/F.inf", "out/A_B", "out/A_B/F",
          "out/A_B/F.inf", "out/DUP", "out/DUP.1", "out/DUP.1/G", "out/DUP.1/G.inf", "out/DUP/F",
          "out/DUP/F.inf"}},
        {"a tape of A, A.inf, A, A.1",
         {{"T", {"A", "A.inf", "A", "A.1"}}},
         {"out", "out/T", "out/T/A", "out/T/A.1", "out/T/A.1.1", "out/T/A.1.1.inf", "out/T/A.1.inf",
          "out/T/A.inf", "out/T/A.inf.1", "out/T/A.inf.1.inf"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        fs::remove_all(Dir.Path("out"));
        fs::remove(Card);
        MakeCard("4M");
        ASSERT_TRUE(AddTapes(Card, c.Objects));
        EXPECT_EQ(RunBrelk("extract " + Card + " '*' -o " + Dir.Path("out").string() +
                           " --inf >/dev/null 2>&1"),
                  0);
        EXPECT_EQ(Below(Dir.Root()), c.Below);
    }
    // Every file holds its own bytes: the tape's second A (3 bytes) is not replaced by A.1.
    EXPECT_EQ(ReadFileBytes(Dir.Path("out/T/A.1")), (TBytes{0, 1, 2}));
    EXPECT_EQ(ReadFileBytes(Dir.Path("out/T/A.1.1")), (TBytes{0, 1, 2, 3}));
}

// Files whose load and exec addresses hold every pair of high bits: extracted with their
// .inf files, deleted and inserted again, the disc's catalogue holds the same bytes.
TEST_F(ExtractNamesTest, ExtractThenInsertGivesTheSameCatalogueBytes) {
    const std::uint32_t high[] = {0x00000, 0x10000, 0x20000, 0x30000};
    dfstest::TDFSBuilder disc(800, 204800);
    disc.Title("BITS");
    for (std::uint16_t i = 0; i < 4; ++i) {
        dfstest::TFile file = dfstest::FileAt("F" + std::to_string(i), 100, std::uint16_t(2 + i),
                                              '$', false, 0x4556 | high[i]);
        file.Exec = 0x8023 | high[3 - i];
        disc.AddWithData(file, std::uint8_t(0x10 + i));
    }
    const std::string image = Dir.Path("bits.ssd").string();
    WriteFileBytes(image, disc.Bytes());
    ASSERT_EQ(Run({"add", Card, image}).Status, 0);
    // Each entry's name, load, exec, length and high bits; where it starts may change.
    const auto catalogue = [&] {
        const std::string saved = Dir.Path("saved.ssd").string();
        fs::remove(saved);
        EXPECT_EQ(Run({"get", Card, "BITS", "-o", saved}).Status, 0);
        const TBytes bytes = ReadFileBytes(saved);
        std::vector<TBytes> entries;
        for (std::size_t at = 8; at < 8 + 4 * 8; at += 8) {
            TBytes entry(bytes.begin() + long(at), bytes.begin() + long(at) + 8);
            entry.insert(entry.end(), bytes.begin() + 256 + long(at),
                         bytes.begin() + 256 + long(at) + 6);
            entry.push_back(bytes[256 + at + 6] & 0xFC);
            entries.push_back(entry);
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    };
    const std::vector<TBytes> before = catalogue();
    const std::string out = Dir.Path("out").string();
    ASSERT_EQ(RunBrelk("extract " + Card + " BITS -o " + out + " --inf >/dev/null 2>&1"), 0);
    ASSERT_EQ(Run({"delete-file", Card, "BITS", "*"}).Status, 0);
    const TResult insert =
        Run({"insert", Card, "BITS", out + "/$.F0", out + "/$.F1", out + "/$.F2", out + "/$.F3"});
    ASSERT_EQ(insert.Status, 0) << insert.Err;
    EXPECT_EQ(catalogue(), before);
    const TBytes inf = ReadFileBytes(out + "/$.F2.inf");
    EXPECT_EQ(std::string(inf.begin(), inf.end()), "$.F2 024556 018023 000064\n");
}
