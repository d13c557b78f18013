// brelk's writes a user can trust: the card's lock, honest exit codes, names safe to print,
// format's guard, safe output files and the check command.
#include "card/CardRecord.h"
#include "card/CatEntry.h"
#include "card/CatalogueKeep.h"
#include "cli/CliFixture.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace brelktest;

namespace {

struct SafetyTest : CliFixture {
    void Poke(std::size_t at, const std::vector<std::uint8_t>& bytes) {
        auto image = ReadFileBytes(Card);
        std::copy(bytes.begin(), bytes.end(), image.begin() + std::ptrdiff_t(at));
        WriteFileBytes(Card, image);
    }
    void PokeLE32(std::size_t at, std::uint32_t value) {
        std::vector<std::uint8_t> bytes(4);
        brelk::PutLE32(bytes.data(), value);
        Poke(at, bytes);
    }
    std::string InUse() const {
        return "brelk: Error - The Brelk-card '" + Card +
               "' is in use by another program (Resource temporarily unavailable); try again "
               "when it has finished\n";
    }
};

TEST_F(SafetyTest, ALockedCardIsRefusedAtOnceReadersShare) {
    MakeCard();
    const std::string a = File("a.bin", "x");
    int fd = ::open(Card.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    // Another holds the card for writing: writers and readers are refused.
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"put", Card, a}, {"ls", Card}, {"info", Card}, {"check", Card}}) {
        TResult r = Run(args);
        EXPECT_EQ(r.Status, 1) << args[0];
        EXPECT_EQ(r.Err, InUse()) << args[0];
    }
    // Another reads it: readers go on, a writer is refused.
    ASSERT_EQ(::flock(fd, LOCK_SH | LOCK_NB), 0);
    EXPECT_EQ(Run({"ls", Card}).Status, 0);
    EXPECT_EQ(Run({"get", Card, "a.bin"}).Status, 1); // not there, but it was read
    EXPECT_EQ(Run({"put", Card, a}).Err, InUse());
    ::close(fd);
    EXPECT_EQ(Run({"put", Card, a}).Status, 0);
}

// A card is a block device or a regular file; anything else is refused at once. The program
// itself runs under a time limit, since an open that waits for a FIFO's writer never ends.
TEST_F(SafetyTest, OnlyBlockDevicesAndRegularFilesAreCards) {
    const std::string fifo = Dir.Path("fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string file = File("a.bin", "x");
    const std::string err = Dir.Path("err.txt").string();
    for (const std::string& card : {fifo, std::string("/dev/null"), std::string("/dev/zero")})
        for (const std::string& command :
             {std::string(" ls "), std::string(" info "), std::string(" put ")}) {
            const std::string line = "timeout 20 " + std::string(BRELK_BINARY) + command + card +
                                     (command == " put " ? " " + file : "") + " >/dev/null 2>" +
                                     err;
            const int status = std::system(line.c_str());
            ASSERT_TRUE(WIFEXITED(status)) << line;
            EXPECT_EQ(WEXITSTATUS(status), 1) << line;
            const auto message = ReadFileBytes(err);
            EXPECT_NE(std::string(message.begin(), message.end()).find("Block device required"),
                      std::string::npos)
                << line;
        }
}

// A write that fails (the command may write nothing at or past 1 MiB, where the objects lie)
// stops the card; expand then says so once instead of calling the card full for each disc.
TEST_F(SafetyTest, AfterAFailedWriteExpandSaysOnceThatItStopped) {
    MakeCard("8M");
    std::vector<std::uint8_t> disc(1024, 0);
    disc[256 + 7] = 4; // a catalogue of four sectors, no files
    const std::string file = Dir.Path("d.ssd").string();
    WriteFileBytes(file, disc);
    for (const char* name : {"D1", "D2", "D3"})
        ASSERT_EQ(Run({"put", Card, file, "--type", "3", "--subtype", "1", "--name", name}).Status,
                  0);
    const std::string err = Dir.Path("err.txt").string();
    const std::string line = "bash -c \"trap '' XFSZ; ulimit -f 1024; " +
                             std::string(BRELK_BINARY) + " expand " + Card +
                             " D1 D2 D3\" >/dev/null 2>" + err;
    const int status = std::system(line.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const auto bytes = ReadFileBytes(err);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("brelk: The Brelk-card takes no more writes after the failure above: "),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Brelk is full"), std::string::npos) << text;
    EXPECT_EQ(text.find("takes no more writes"), text.rfind("takes no more writes")) << text;
}

// The fault that dropped objects: a shrinking catalogue whose first block (the header with
// the smaller count) landed while the rest did not. With the journal the crash left, a reader
// shows the catalogue from before and check names the cut change; check --repair (any
// writer) undoes it, and every object is listed again.
TEST_F(SafetyTest, ACatalogueChangeCutShortIsUndoneFromItsJournal) {
    MakeCard("2M");
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(
            Run({"put", Card, File("f" + std::to_string(i), std::string(300 + i, 'a' + i))}).Status,
            0);
    const std::string before = Run({"ls", Card}).Out;
    auto old = ReadFileBytes(Card);
    ASSERT_EQ(Run({"rm", Card, "f3", "--permanent"}).Status, 0);
    auto now = ReadFileBytes(Card);
    // The marker of the change reaches the header before the catalogue does.
    std::copy_n(now.begin() + brelk::kRecordMarkerOffset, brelk::kRecordMarkerSize,
                old.begin() + brelk::kRecordMarkerOffset);
    // The write of the new catalogue: its 19 entries and the one it clears behind them.
    const std::size_t length = 512 + 20 * 64;
    std::vector<std::uint8_t> torn = now;
    std::copy(old.begin() + 512, old.begin() + std::ptrdiff_t(length), torn.begin() + 512);
    WriteFileBytes(Card, torn);
    brelk::TStateFolderKeeper keeper(brelk::KeptCatalogueFolder());
    std::string error;
    ASSERT_TRUE(keeper.BeginChange(
        brelk::MakeCardJournal(brelk::CardIdentity(Card), old.size(),
                               {old.begin(), old.begin() + std::ptrdiff_t(length)},
                               {now.begin(), now.begin() + std::ptrdiff_t(length)}),
        error))
        << error;
    // Without the journal this card would list 19 entries, the last one lost.
    const TResult reader = Run({"ls", Card});
    EXPECT_EQ(reader.Out, before);
    EXPECT_NE(reader.Err.find("was interrupted; the catalogue is shown as it was before"),
              std::string::npos)
        << reader.Err;
    const TResult check = Run({"check", Card});
    EXPECT_EQ(check.Status, 1);
    EXPECT_NE(check.Out.find("problem: a catalogue change was cut short"), std::string::npos)
        << check.Out;
    EXPECT_EQ(ReadFileBytes(Card), torn); // readers write nothing
    const TResult repair = Run({"check", Card, "--repair"});
    EXPECT_EQ(repair.Status, 0) << repair.Out << repair.Err;
    EXPECT_EQ(repair.Err,
              "brelk: An interrupted change to the Brelk-card '" + Card + "' was undone.\n");
    EXPECT_EQ(Run({"ls", Card}).Out, before);
    const auto undone = ReadFileBytes(Card);
    EXPECT_TRUE(std::equal(old.begin(), old.begin() + std::ptrdiff_t(length), undone.begin()));
    EXPECT_EQ(Run({"check", Card}).Status, 0);
}

// A format, a purge or a removal made by mistake is taken back from the journal of the last
// change; once the card has moved on, the older change is not offered.
TEST_F(SafetyTest, CheckFromKeptTakesTheLastChangeBack) {
    MakeCard("2M");
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(
            Run({"put", Card, File("g" + std::to_string(i), std::string(700, 'a' + i))}).Status, 0);
    const std::string listed = Run({"ls", Card}).Out;
    const std::vector<std::vector<std::string>> mistakes = {
        {"format", Card, "--force"},
        {"rm", Card, "g2", "--permanent"},
    };
    for (const auto& mistake : mistakes) {
        ASSERT_EQ(Run(mistake).Status, 0) << mistake[0];
        ASSERT_NE(Run({"ls", Card}).Out, listed) << mistake[0];
        const TResult undo = Run({"check", Card, "--from-kept"});
        EXPECT_EQ(undo.Status, 0) << mistake[0] << undo.Out << undo.Err;
        EXPECT_NE(undo.Out.find("repair: the catalogue before the last change"), std::string::npos)
            << undo.Out;
        EXPECT_EQ(Run({"ls", Card}).Out, listed) << mistake[0];
        EXPECT_EQ(Run({"check", Card}).Status, 0) << mistake[0];
    }
    // Taking it back is a change too: the next --from-kept redoes the removal.
    ASSERT_EQ(Run({"check", Card, "--from-kept"}).Status, 0);
    EXPECT_EQ(Run({"ls", Card}).Out.find("g2"), std::string::npos);
    // The card changed elsewhere since: nothing is offered, nothing written.
    auto bytes = ReadFileBytes(Card);
    bytes[512 + 16] ^= 0x01;
    WriteFileBytes(Card, bytes);
    const TResult stale = Run({"check", Card, "--from-kept"});
    EXPECT_EQ(stale.Status, 1);
    EXPECT_NE(stale.Err.find("the last change cannot be taken back: the card was changed since"),
              std::string::npos)
        << stale.Err;
    EXPECT_EQ(ReadFileBytes(Card), bytes);
}

// Changes made while another state folder is in use are not journalled where the next
// command looks: the older record stays. The last journalled change removed big.bin; a later
// put (b.bin, listed between a.bin and z.bin) reused its space and was removed again, so the
// catalogue is as that change left it. Taking the change back would list big.bin with b.bin's
// bytes inside it: it is refused instead.
TEST_F(SafetyTest, CheckFromKeptRefusesAnObjectWhoseSpaceWasReusedSince) {
    MakeCard("2M");
    std::string big(10000, 0);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + i / 256);
    ASSERT_EQ(Run({"put", Card, File("a.bin", std::string(3000, 'a'))}).Status, 0);
    ASSERT_EQ(Run({"put", Card, File("big.bin", big)}).Status, 0);
    ASSERT_EQ(Run({"put", Card, File("z.bin", std::string(3000, 'z'))}).Status, 0);
    ASSERT_EQ(Run({"rm", Card, "big.bin", "--permanent"}).Status, 0);
    const std::string listed = Run({"ls", Card}).Out;
    {
        const TTempDir other;
        ::setenv("XDG_STATE_HOME", other.Root().c_str(), 1);
        const TResult put = Run({"put", Card, File("b.bin", std::string(2000, 'b'))});
        const TResult rm = Run({"rm", Card, "b.bin", "--permanent"});
        ::setenv("XDG_STATE_HOME", StateFolder().c_str(), 1);
        ASSERT_EQ(put.Status, 0) << put.Err;
        ASSERT_EQ(rm.Status, 0) << rm.Err;
    }
    ASSERT_EQ(Run({"ls", Card}).Out, listed);
    const auto card = ReadFileBytes(Card);
    const TResult undo = Run({"check", Card, "--from-kept"});
    EXPECT_EQ(undo.Status, 1);
    EXPECT_NE(undo.Out.find("not brought back: 'big.bin' at 0x"), std::string::npos) << undo.Out;
    EXPECT_NE(undo.Out.find("the object header of 'b.bin'"), std::string::npos) << undo.Out;
    EXPECT_EQ(undo.Err, "brelk: " + Card +
                            ": the last change cannot be taken back: the bytes of 'big.bin' "
                            "could not be verified\n");
    EXPECT_EQ(ReadFileBytes(Card), card);
    EXPECT_EQ(Run({"ls", Card}).Out, listed);
    const TResult json = Run({"check", Card, "--from-kept", "--json"});
    EXPECT_EQ(json.Status, 1);
    EXPECT_NE(json.Out.find("\"not_brought_back\": [\"'big.bin' at 0x"), std::string::npos)
        << json.Out;
}

TEST_F(SafetyTest, TwoWritersAtOnceLoseNothing) {
    MakeCard("4M");
    const std::string brelk = BRELK_BINARY;
    int added = 0, refused = 0;
    for (int round = 0; round < 8; ++round) {
        std::string script;
        for (int w = 0; w < 2; ++w) {
            const std::string name = "R" + std::to_string(round) + "W" + std::to_string(w);
            const std::string file = File(name, std::string(3000 + round * 100 + w, char('a' + w)));
            const std::string base = Dir.Path(name).string();
            script += "(" + brelk + " put " + Card + " " + file + " >/dev/null 2>" + base +
                      ".err; echo $? >" + base + ".status) & ";
        }
        ASSERT_EQ(std::system((script + "wait").c_str()), 0);
        const std::string ls = Run({"ls", Card}).Out;
        for (int w = 0; w < 2; ++w) {
            const std::string name = "R" + std::to_string(round) + "W" + std::to_string(w);
            const auto status = ReadFileBytes(Dir.Path(name + ".status"));
            const auto err = ReadFileBytes(Dir.Path(name + ".err"));
            if (!status.empty() && status[0] == '0') {
                ++added;
                EXPECT_NE(ls.find(name), std::string::npos) << name << " reported added";
            } else {
                ++refused;
                EXPECT_NE(std::string(err.begin(), err.end()).find("is in use by another program"),
                          std::string::npos);
            }
        }
    }
    EXPECT_GT(added, 0);
    EXPECT_EQ(Run({"check", Card}).Status, 0);
    std::cout << "two writers: " << added << " added, " << refused << " refused at once\n";
}

TEST_F(SafetyTest, AnUnreadableCatalogueFailsLsAndInfo) {
    MakeCard();
    PokeLE32(16, 70000);
    for (const auto& command : {"ls", "info"}) {
        TResult r = Run({command, Card});
        EXPECT_EQ(r.Status, 1) << command;
        EXPECT_EQ(r.Err, "brelk: Error - The catalogue of the Brelk-card cannot be read: it "
                         "claims 70000 entries, more than 65535\n")
            << command;
    }
    // A card that carries no catalogue at all is refused with the way out.
    Poke(0, std::vector<std::uint8_t>(8, 0));
    TResult ls = Run({"ls", Card});
    EXPECT_EQ(ls.Status, 1);
    EXPECT_EQ(ls.Out, "");
    EXPECT_EQ(ls.Err, "brelk: " + Card +
                          ": the card is not formatted (no Brelk catalogue); run 'brelk format "
                          "CARD' first\n");
}

TEST_F(SafetyTest, ADamagedCatalogueIsAWarningAtOpening) {
    MakeCard();
    ASSERT_EQ(Run({"put", Card, File("a.bin", "data")}).Status, 0);
    ASSERT_EQ(Run({"put", Card, File("b.bin", "more")}).Status, 0);
    const TResult sound = RunProgram({"ls", Card});
    ASSERT_EQ(sound.Status, 0);
    EXPECT_EQ(sound.Err, "");
    Poke(512 + 64, std::vector<std::uint8_t>(64, 0xAB)); // junk over entry 1
    const TResult ls = RunProgram({"ls", Card});
    EXPECT_EQ(ls.Status, 0);
    EXPECT_EQ(ls.Err, "brelk: warning: " + Card + ": the catalogue is damaged: entry 1 ('" +
                          std::string(48, '\xAB') +
                          "' at 0xABABABAB, 2880154539 bytes) lies past the end of the card; "
                          "run 'brelk check " +
                          Card + "' for the whole check\n");
    EXPECT_NE(ls.Out.find("a.bin"), std::string::npos) << ls.Out;
    EXPECT_EQ(RunProgram({"ls", Card, "-q"}).Err, "");
    // check says it all itself, without the warning.
    const TResult check = RunProgram({"check", Card});
    EXPECT_EQ(check.Status, 1);
    EXPECT_EQ(check.Err, "");
    EXPECT_NE(check.Out.find("lies past the end of the card"), std::string::npos) << check.Out;
}

TEST_F(SafetyTest, GetOfAnObjectPastTheCardFails) {
    MakeCard();
    ASSERT_EQ(Run({"put", Card, File("a.bin", "data")}).Status, 0);
    // The entry now says the object lies in the safety zone at the end of the card.
    PokeLE32(512 + 4, (1u << 20) - 1024);
    const std::string out = Dir.Path("out.bin").string();
    TResult get = Run({"get", Card, "a.bin", "-o", out});
    EXPECT_EQ(get.Status, 1);
    EXPECT_EQ(get.Err,
              "brelk: warning: " + Card +
                  ": the catalogue is damaged: entry 0 ('a.bin' at "
                  "0x000FFC00, 512 bytes) reaches into the safety zone; run 'brelk check " +
                  Card + "' for the whole check\nbrelk: " + Card +
                  ": the object reaches past the usable card\n");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(SafetyTest, NamesWithControlCharactersArePrintedVisibly) {
    MakeCard();
    const std::string evil = "EVIL\x1B]0;owned\x07";
    TResult put = Run({"put", Card, File("a.bin", "x"), "--name", evil});
    ASSERT_EQ(put.Status, 0) << put.Err;
    EXPECT_EQ(put.Out, "Added EVIL\\x1B]0;owned\\x07 (type 2, subtype 0, 1 bytes)\n");
    // ls, its JSON and the messages show one text, and that text finds the object again.
    const std::string shown = "EVIL\\x1B]0;owned\\x07";
    TResult ls = Run({"ls", Card});
    EXPECT_EQ(ls.Out.find('\x1B'), std::string::npos);
    EXPECT_NE(ls.Out.find("  " + shown + "\n"), std::string::npos) << ls.Out;
    EXPECT_NE(Run({"ls", Card, "--json"}).Out.find("\"name\": \"EVIL\\\\x1B]0;owned\\\\x07\""),
              std::string::npos);
    TResult rm = Run({"rm", Card, shown});
    EXPECT_EQ(rm.Out, "Moved " + shown + " to the deleted objects\n");
    EXPECT_EQ(Run({"rm", Card, evil, "--permanent"}).Status, 0); // the raw bytes find it too
}

// Names beyond ASCII show as code page 1252 in UTF-8, alike in ls, JSON and messages, and a
// name given that way (or with \xNN) is stored as the same bytes.
TEST_F(SafetyTest, NamesBeyondAsciiShowOneWayEverywhere) {
    MakeCard();
    TResult put =
        Run({"put", Card, File("a.bin", "x"), "--name", "CAF\xC3\x89\xE2\x82\xAC.\\x07X"});
    ASSERT_EQ(put.Status, 0) << put.Err;
    const std::string shown = "CAF\xC3\x89\xE2\x82\xAC.\\x07X";
    EXPECT_EQ(put.Out, "Added " + shown + " (type 2, subtype 0, 1 bytes)\n");
    const auto bytes = ReadFileBytes(Card);
    EXPECT_EQ(std::string(bytes.begin() + 512 + 16, bytes.begin() + 512 + 24), "CAF\xC9\x80.\x07X");
    EXPECT_NE(Run({"ls", Card}).Out.find("  " + shown + "\n"), std::string::npos);
    EXPECT_NE(
        Run({"ls", Card, "--json"}).Out.find("\"name\": \"CAF\xC3\x89\xE2\x82\xAC.\\\\x07X\""),
        std::string::npos)
        << Run({"ls", Card, "--json"}).Out;
    EXPECT_EQ(Run({"rm", Card, shown}).Out, "Moved " + shown + " to the deleted objects\n");
}

TEST_F(SafetyTest, FormatAsksForForceOverAPCFileSystem) {
    ASSERT_EQ(Run({"create", Card, "1M"}).Status, 0);
    // The boot sector of a 1 MiB FAT12 volume: its parameter block, type name and signature.
    Poke(11, {0x00, 0x02, 0x04, 0x01, 0x00, 0x02, 0x00, 0x02, 0x00, 0x08, 0xF8, 0x02, 0x00,
              0x10, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    Poke(54, {'F', 'A', 'T', '1', '2', ' ', ' ', ' '});
    Poke(510, {0x55, 0xAA});
    const auto before = ReadFileBytes(Card);
    TResult refused = Run({"format", Card});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(refused.Err, "brelk: " + Card +
                               ": it holds a FAT file system; formatting destroys it (give --force "
                               "to format anyway)\n");
    EXPECT_EQ(ReadFileBytes(Card), before);
    TResult forced = Run({"format", Card, "--force"});
    EXPECT_EQ(forced.Status, 0) << forced.Err;
    EXPECT_EQ(Run({"ls", Card, "--json"}).Out, "{\"catalogue_valid\": true, \"entries\": []}\n");
}

TEST_F(SafetyTest, OutputFilesAreNewOrRegularNeverThroughALink) {
    MakeCard();
    ASSERT_EQ(Run({"put", Card, File("a.bin", "payload")}).Status, 0);
    const std::string victim = File("victim", "precious");
    const std::string link = Dir.Path("link").string();
    ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
    const std::string fifo = Dir.Path("fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(Dir.Path("folder"));
    struct Case {
        std::string Out, Kind;
    };
    for (const Case& c :
         {Case{link, "a symbolic link"}, Case{Dir.Path("folder").string(), "a directory"},
          Case{fifo, "a pipe"}, Case{"/dev/null", "a device"}}) {
        TResult get = Run({"get", Card, "a.bin", "-o", c.Out});
        EXPECT_EQ(get.Status, 1) << c.Out;
        EXPECT_EQ(get.Err, "brelk: " + c.Out + ": is " + c.Kind +
                               "; only a new or a regular file is written\n");
    }
    EXPECT_EQ(ReadFileBytes(victim),
              std::vector<std::uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    // An existing regular file is replaced; a file beside it named like a temporary stays.
    const std::string out = File("out.bin", "old");
    const std::string part = File("out.bin.part", "someone else's");
    ASSERT_EQ(Run({"get", Card, "a.bin", "-o", out}).Status, 0);
    EXPECT_EQ(ReadFileBytes(out).size(), 512u);
    EXPECT_EQ(ReadFileBytes(part).size(), 14u);
    // "-" is standard output.
    TResult stdoutGet = Run({"get", Card, "a.bin", "-o", "-"});
    EXPECT_EQ(stdoutGet.Out.substr(0, 7), "payload");
    EXPECT_EQ(stdoutGet.Out.size(), 512u);
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Dir.Root()))
        files += entry.path().filename().string().rfind(".out.bin", 0) == 0;
    EXPECT_EQ(files, 0);
}

// A catalogue damaged behind this computer's back (no journal of it): the last change is not
// offered back, since the card is no longer as it left it; the repair drops the impossible entry.
TEST_F(SafetyTest, CheckFindsADamagedCatalogueAndRepairsIt) {
    MakeCard();
    ASSERT_EQ(Run({"put", Card, File("a.bin", "first")}).Status, 0);
    ASSERT_EQ(Run({"put", Card, File("b.bin", "second")}).Status, 0);
    TResult clean = Run({"check", Card});
    EXPECT_EQ(clean.Status, 0);
    EXPECT_EQ(clean.Out, Card + ": clean (2 entries)\n");
    // The way back from the last change (to only a.bin) lies in the state folder.
    EXPECT_FALSE(std::filesystem::is_empty(StateFolder() / "brelkexplorer"));
    // Another program's torn rewrite: the header says 3 entries, the third is empty.
    PokeLE32(16, 3);
    const auto torn = ReadFileBytes(Card);
    TResult damaged = Run({"check", Card, "--json"});
    EXPECT_EQ(damaged.Status, 1);
    EXPECT_NE(damaged.Out.find("\"status\": \"damaged\""), std::string::npos) << damaged.Out;
    EXPECT_NE(damaged.Out.find("entry 2 is empty but lies within Count 3"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(Card), torn); // a check alone writes nothing
    TResult repaired = Run({"check", Card, "--repair"});
    EXPECT_EQ(repaired.Status, 0) << repaired.Out << repaired.Err;
    EXPECT_EQ(repaired.Out.find("the catalogue before the last change"), std::string::npos)
        << repaired.Out;
    EXPECT_NE(repaired.Out.find("repair: dropped entry 2: empty"), std::string::npos)
        << repaired.Out;
    EXPECT_NE(repaired.Out.find(Card + ": repaired (2 entries)"), std::string::npos);
    EXPECT_EQ(Run({"check", Card}).Status, 0);
    const std::string ls = Run({"ls", Card}).Out;
    EXPECT_NE(ls.find("a.bin"), std::string::npos);
    EXPECT_NE(ls.find("b.bin"), std::string::npos);
}

} // namespace
