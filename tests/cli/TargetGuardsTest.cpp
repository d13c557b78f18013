// What brelk refuses to overwrite: a read-only file that get would replace, and a file or
// device that format would wipe while it holds something other than a Brelk card.
#include "cli/CliFixture.h"

#include <sys/stat.h>

using namespace brelktest;

namespace {

struct TargetGuardsTest : CliFixture {
    static mode_t ModeOf(const std::string& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_mode & 07777;
    }
};

TEST_F(TargetGuardsTest, GetRefusesAReadOnlyFileUnlessForced) {
    MakeCard();
    ASSERT_EQ(Run({"put", Card, File("ONE", "new bytes")}).Status, 0);
    ASSERT_EQ(Run({"put", Card, File("TWO", "more")}).Status, 0);
    const std::string folder = Dir.Path("out").string();
    std::filesystem::create_directory(folder);
    struct Case {
        std::string Name, Target;
        std::vector<std::string> Args;
    };
    const std::string single = Dir.Path("x.ssd").string();
    const std::string inFolder = folder + "/ONE.bin";
    for (const Case& c :
         {Case{"one file", single, {"get", Card, "ONE", "-o", single}},
          Case{"into a folder", inFolder, {"get", Card, "ONE", "TWO", "-o", folder}}}) {
        WriteFileBytes(c.Target, {'o', 'l', 'd'});
        ASSERT_EQ(::chmod(c.Target.c_str(), 0444), 0);
        const TResult refused = Run(c.Args);
        EXPECT_EQ(refused.Status, 1) << c.Name;
        EXPECT_EQ(refused.Err, "brelk: Could not create file '" + c.Target +
                                   "'. It is read-only; --force replaces it.\n")
            << c.Name;
        EXPECT_EQ(ReadFileBytes(c.Target), (std::vector<std::uint8_t>{'o', 'l', 'd'})) << c.Name;
        EXPECT_EQ(ModeOf(c.Target), 0444u) << c.Name;

        std::vector<std::string> forced = c.Args;
        forced.push_back("--force");
        const TResult replaced = Run(forced);
        EXPECT_EQ(replaced.Status, 0) << c.Name << replaced.Err;
        EXPECT_EQ(ReadFileBytes(c.Target).size(), 512u) << c.Name;
        EXPECT_EQ(ModeOf(c.Target), 0444u) << c.Name << ": a forced replacement stays read-only";
    }
}

} // namespace
