// brelk tells of an added, restored or squashed object only once the commit that wrote it
// succeeded: with every write past 1 MiB of the card failing (the objects lie at its top), the
// commands fail and print no line for an object that the card does not list afterwards.
#include "cli/CliFixture.h"
#include "formats/DFSBuilder.h"

#include <sys/wait.h>

using namespace brelktest;

namespace {

struct ReportAfterCommitTest : CliFixture {
    // Runs the brelk binary with a file-size limit of 1 MiB (writes past it fail with EFBIG).
    TResult RunLimited(const std::string& args) {
        const std::string out = Dir.Path("out.txt").string();
        const std::string err = Dir.Path("err.txt").string();
        const std::string line = "bash -c \"trap '' XFSZ; ulimit -f 1024; " +
                                 std::string(BRELK_BINARY) + " " + args + "\" >" + out + " 2>" +
                                 err;
        const int status = std::system(line.c_str());
        EXPECT_TRUE(WIFEXITED(status)) << line;
        const auto o = ReadFileBytes(out), e = ReadFileBytes(err);
        return {WEXITSTATUS(status), std::string(o.begin(), o.end()),
                std::string(e.begin(), e.end())};
    }
    std::string Names() { return Run({"ls", Card}).Out; }
    std::string Disc(const std::string& name) {
        const auto bytes =
            dfstest::TDFSBuilder(800).Title(name).AddWithData({'$', "F", 600, 2}, 0x77).Bytes();
        const std::string path = Dir.Path(name + ".ssd").string();
        WriteFileBytes(path, bytes);
        return path;
    }
};

TEST_F(ReportAfterCommitTest, AFailedCommitReportsNothingOfItsObjects) {
    MakeCard("8M");
    std::string files;
    for (const char* name : {"F0.bin", "F1.bin", "F2.bin", "F3.bin"})
        files += " " + File(name, std::string(3000, name[1]));
    ASSERT_EQ(Run({"put", Card, Disc("DISC"), "--type", "3", "--subtype", "1", "--name", "DISC",
                   "--expand"})
                  .Status,
              0);
    // A backup set of two objects from another card.
    const std::string other = Dir.Path("other.img").string();
    ASSERT_EQ(Run({"create", other, "2M"}).Status, 0);
    ASSERT_EQ(Run({"format", other}).Status, 0);
    ASSERT_EQ(Run({"put", other, File("R0", "restored zero"), "--name", "R0"}).Status, 0);
    ASSERT_EQ(Run({"put", other, File("R1", "restored one"), "--name", "R1"}).Status, 0);
    const std::string index = Dir.Path("set.txt").string();
    ASSERT_EQ(Run({"backup", other, index}).Status, 0);

    struct Case {
        std::string Args, Out, ErrEnd;
        std::vector<std::string> Absent;
    };
    const Case cases[] = {
        {"add " + Card + files,
         "",
         "brelk: 0 of 4 objects are on the card\n",
         {"F0.bin", "F1.bin", "F2.bin", "F3.bin"}},
        {"put " + Card + " " + File("P.bin", "put"), "", "\n", {"P.bin"}},
        {"restore " + Card + " " + index,
         "Restored 0 of 2 objects from " + index + "\n",
         "\n",
         {"R0", "R1"}},
        {"squash " + Card + " DISC", "", "\n", {}},
    };
    for (const Case& c : cases) {
        const TResult r = RunLimited(c.Args);
        EXPECT_EQ(r.Status, 1) << c.Args;
        EXPECT_EQ(r.Out, c.Out) << c.Args;
        EXPECT_TRUE(r.Err.ends_with(c.ErrEnd)) << c.Args << "\n" << r.Err;
        const std::string listing = Names();
        for (const std::string& name : c.Absent)
            EXPECT_EQ(listing.find(name), std::string::npos) << c.Args << ": " << name;
    }
    // The disc was not squashed on the card: it keeps its full side of 204800 bytes.
    EXPECT_NE(Names().find("00032000  DISC"), std::string::npos) << Names();
}

} // namespace
