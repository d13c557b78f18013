// The real brelk on images made by others and on their odd forms: ADFS discs (the corpus, a
// root whose parent is sector 0), untitled discs and tapes, tapes with blocks out of sequence.
#include "CliFixture.h"
#include "formats/ADFSBuilder.h"
#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"

#include <filesystem>
#include <sstream>

using namespace brelktest;

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct ImageReadingTest : CliFixture {
    void SetUp() override { MakeCard("4M"); }

    // Runs brelk as its own process: its exit status, standard output and error.
    TResult Real(const std::vector<std::string>& args) {
        std::string line =
            "XDG_STATE_HOME=" + Quoted(Dir.Path("state").string()) + " " + Quoted(BRELK_BINARY);
        for (const auto& arg : args)
            line += " " + Quoted(arg);
        const std::string out = Dir.Path("out.txt").string();
        const std::string err = Dir.Path("err.txt").string();
        line += " >" + Quoted(out) + " 2>" + Quoted(err) + " </dev/null";
        const int status = std::system(line.c_str());
        const auto text = [](const std::string& path) {
            const auto bytes = ReadFileBytes(path);
            return std::string(bytes.begin(), bytes.end());
        };
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text(out), text(err)};
    }
    std::string Save(const std::string& name, const TBytes& bytes) {
        const std::string path = Dir.Path(name).string();
        WriteFileBytes(path, bytes);
        return path;
    }
    // Adds File and gives the name the card gave it.
    std::string Add(const std::string& file) {
        const TResult add = Real({"add", Card, file});
        EXPECT_EQ(add.Status, 0) << add.Err;
        EXPECT_EQ(add.Out.rfind("Added ", 0), 0u) << add.Out;
        return add.Out.substr(6, add.Out.find(" (") - 6);
    }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The length field of each line of brelk files: "0 NAME LOAD EXEC LENGTH [L]".
std::vector<std::uint32_t> ListedLengths(const std::string& files) {
    std::vector<std::uint32_t> lengths;
    for (const std::string& line : Lines(files)) {
        std::istringstream words(line);
        std::string side, name, load, exec, length;
        words >> side >> name >> load >> exec >> length;
        lengths.push_back(std::uint32_t(std::stoul(length, nullptr, 16)));
    }
    return lengths;
}

} // namespace

// Both corpus discs are added as ADFS discs, named after their title or their file, and
// files, cat and extract read them.
TEST_F(ImageReadingTest, CorpusADFSDiscsListShowAndExtract) {
    BRELK_REQUIRE_CORPUS();
    const struct {
        const char* File;
        const char* Name;
        const char* Title;
        std::size_t Files;
        std::size_t Directories;
    } discs[] = {
        {"b-em_MasterWelcome.adl", "80TWelcome&Utils", "Title: 80T Welcome & Utils", 73, 4},
        {"b2_adl.adl", "b2_adl", "Title: $", 0, 0}};
    for (const auto& disc : discs) {
        const fs::path source = CorpusDir() / "adfs" / disc.File;
        if (!fs::exists(source))
            GTEST_SKIP() << source << " is absent";
        const std::string name = Add(source.string());
        EXPECT_EQ(name, disc.Name);
        const TResult files = Real({"files", Card, name});
        ASSERT_EQ(files.Status, 0) << files.Err;
        const std::vector<std::uint32_t> lengths = ListedLengths(files.Out);
        EXPECT_EQ(lengths.size(), disc.Files) << disc.File;
        const TResult cat = Real({"cat", Card, name});
        ASSERT_EQ(cat.Status, 0) << cat.Err;
        const std::vector<std::string> text = Lines(cat.Out);
        ASSERT_GE(text.size(), 5u) << cat.Out;
        EXPECT_EQ(text[0], disc.Title);
        EXPECT_EQ(text[1], "ADFS disc (old map, L format), 2560 sectors");
        EXPECT_EQ(text[2], "Files: " + std::to_string(disc.Files) +
                               ", directories: " + std::to_string(disc.Directories));
        if (disc.Files == 0)
            EXPECT_EQ(text.back(), "This disc contains no files.");
        else // four lines of header, the heading, "$", then one line per entry
            EXPECT_EQ(text.size(), 6 + disc.Files + disc.Directories) << cat.Out;
        const std::string out = Dir.Path(std::string("x_") + disc.File).string();
        const TResult extract = Real({"extract", Card, name, "-o", out});
        ASSERT_EQ(extract.Status, 0) << extract.Err;
        std::vector<std::uint32_t> written;
        if (fs::exists(out))
            for (const auto& item : fs::recursive_directory_iterator(out))
                if (item.is_regular_file())
                    written.push_back(std::uint32_t(item.file_size()));
        std::sort(written.begin(), written.end());
        std::vector<std::uint32_t> listed = lengths;
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(written, listed) << disc.File;
    }
}

// A root that names sector 0 as its parent, as several formatters write it.
TEST_F(ImageReadingTest, ADFSRootWithParentZeroIsAnADFSDisc) {
    adfstest::TObject hello;
    hello.Name = "HELLO";
    hello.Sector = 7;
    hello.Length = 5;
    const TBytes image = adfstest::TADFSBuilder(1280)
                             .Directory(2, 0, "$", "Parent0", {hello})
                             .Free(8, 1272)
                             .Data(7, 5, 'a')
                             .Bytes();
    const TResult inspect = Real({"inspect", Save("p0.adm", image)});
    EXPECT_EQ(inspect.Out, "ADFS disc (old map, M format), 327680 bytes\n");
    const std::string name = Add(Dir.Path("p0.adm").string());
    EXPECT_EQ(name, "Parent0");
    const TResult files = Real({"files", Card, name});
    ASSERT_EQ(files.Status, 0) << files.Err;
    EXPECT_EQ(files.Out, "0 $.HELLO      FFFF1900 FFFF8023 000005\n");
    const TResult cat = Real({"cat", Card, name});
    EXPECT_NE(cat.Out.find("\n  HELLO     WR     FFFF1900 FFFF8023 00000005\n"), std::string::npos)
        << cat.Out;
    ASSERT_EQ(Real({"extract", Card, name, "-o", Dir.Path("p0").string()}).Status, 0);
    EXPECT_EQ(ReadFileBytes(Dir.Path("p0/HELLO")), (TBytes{'a', 'b', 'c', 'd', 'e'}));
}

// A disc or tape without a title is named after its file without the extension, and get
// writes NAME.ssd, not NAME.ssd.ssd.
TEST_F(ImageReadingTest, UntitledImagesAreNamedWithoutTheExtension) {
    const TBytes dfs = dfstest::TDFSBuilder(800).Bytes();
    const TBytes adfs = adfstest::TADFSBuilder(640).Directory(2, 2, "$", "$").Bytes();
    const TBytes tape = TUEFBuilder().Block(BlockSpec("R", 0, 10, 0x80)).Bytes;
    const struct {
        const char* File;
        const TBytes* Bytes;
        const char* Name;
    } cases[] = {{"Game.ssd", &dfs, "Game"},
                 {"Both.dsd", &dfs, "Both"},
                 {"Hard.adl", &adfs, "Hard"},
                 {"Repton.uef", &tape, "Repton"},
                 {"Plain", &dfs, "Plain"}};
    for (const auto& c : cases) {
        const std::string name = Add(Save(c.File, *c.Bytes));
        EXPECT_EQ(name, c.Name) << c.File;
    }
    fs::create_directory(Dir.Path("got"));
    const TResult get = Real({"get", Card, "Gam*", "-o", Dir.Path("got").string()});
    ASSERT_EQ(get.Status, 0) << get.Err;
    EXPECT_TRUE(fs::exists(Dir.Path("got/Game.ssd")));
    EXPECT_EQ(fs::directory_iterator(Dir.Path("got"))->path().filename(), "Game.ssd");
}

// Blocks numbered 0, 2, 4 make one file, listed with a note and extracted whole.
TEST_F(ImageReadingTest, TapeBlocksOutOfSequenceAreListedAndExtracted) {
    TUEFBuilder uef;
    uef.Block(BlockSpec("PROT", 0, 256, 0))
        .Block(BlockSpec("PROT", 2, 256, 0))
        .Block(BlockSpec("PROT", 4, 3, 0x80))
        .Block(BlockSpec("PLAIN", 0, 2, 0x80));
    const std::string name = Add(Save("Protected.uef", uef.Bytes));
    const TResult files = Real({"files", Card, name});
    ASSERT_EQ(files.Status, 0) << files.Err;
    EXPECT_EQ(files.Out, "0 PROT         00001900 00008023 000203  (blocks out of sequence)\n"
                         "0 PLAIN        00001900 00008023 000002\n");
    const TResult json = Real({"files", Card, name, "--json"});
    EXPECT_NE(json.Out.find("\"locked\": false, \"note\": \"blocks out of sequence\"}"),
              std::string::npos)
        << json.Out;
    ASSERT_EQ(Real({"extract", Card, name, "-o", Dir.Path("t").string()}).Status, 0);
    TBytes expected;
    for (const std::uint16_t number : {0, 2, 4})
        for (std::uint32_t i = 0; i < (number == 4 ? 3u : 256u); ++i)
            expected.push_back(std::uint8_t(number + i));
    EXPECT_EQ(ReadFileBytes(Dir.Path("t/PROT")), expected);
}
