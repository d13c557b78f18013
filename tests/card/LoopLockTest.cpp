// One lock per card however it is reached: the loop devices that sysfs lists are matched to
// image files by device and inode, and a real loop device over an image file (when this
// machine lets the test make one) is locked together with its file.
#include "card/FakeDevice.h"
#include "card/SysCalls.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace brelk;
using namespace brelktest;
namespace fs = std::filesystem;

namespace {

struct LoopLockTest : ::testing::Test {
    TTempDir Dir;
    std::string Sys = Dir.Path("sys").string();

    std::string Card(const std::string& name) {
        const std::string path = Dir.Path(name).string();
        fs::create_directories(fs::path(path).parent_path());
        WriteFileBytes(path, std::vector<std::uint8_t>(4096, 0));
        return path;
    }
    // A loop device of the fake sysfs, listed under block/ and by its number under dev/block/;
    // Backing empty: no backing file (the device is not set up).
    void Loop(int number, const std::string& backing) {
        const std::string name = "loop" + std::to_string(number);
        fs::create_directories(Sys + "/block/" + name);
        fs::create_directories(Sys + "/dev/block/7:" + std::to_string(number));
        if (backing.empty())
            return;
        for (const std::string& folder :
             {Sys + "/block/" + name, Sys + "/dev/block/7:" + std::to_string(number)}) {
            fs::create_directories(folder + "/loop");
            std::ofstream(folder + "/loop/backing_file") << backing << "\n";
        }
    }
    std::vector<std::string> Over(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return LoopDevicesOver(Sys, st.st_dev, st.st_ino);
    }
};

TEST_F(LoopLockTest, LoopDevicesAreMatchedToTheirFileByDeviceAndInode) {
    const std::string card = Card("card.img");
    const std::string other = Card("other.img");
    const std::string hardLink = Dir.Path("same.img").string();
    ASSERT_EQ(::link(card.c_str(), hardLink.c_str()), 0);
    const std::string symbolic = Dir.Path("link.img").string();
    fs::create_symlink(card, symbolic);
    const std::string copy = Card("copy/card.img"); // the same name text elsewhere
    Loop(0, card);
    Loop(1, other);
    Loop(2, "");
    Loop(3, hardLink);
    Loop(4, Dir.Path("./card.img").string());
    Loop(5, card + " (deleted)");
    fs::create_directories(Sys + "/block/sda/loop");
    std::ofstream(Sys + "/block/sda/loop/backing_file") << card << "\n"; // no loop device
    struct Case {
        std::string Path;
        std::vector<std::string> Loops;
    };
    const Case cases[] = {
        {card, {"/dev/loop0", "/dev/loop3", "/dev/loop4"}},
        {symbolic, {"/dev/loop0", "/dev/loop3", "/dev/loop4"}},
        {hardLink, {"/dev/loop0", "/dev/loop3", "/dev/loop4"}},
        {other, {"/dev/loop1"}},
        {copy, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Over(c.Path), c.Loops) << c.Path;
    EXPECT_TRUE(LoopDevicesOver(Dir.Path("nosys").string(), 1, 2).empty());
}

TEST_F(LoopLockTest, BackingFileOfALoopDevice) {
    const std::string card = Card("card.img");
    Loop(0, card);
    Loop(1, "");
    Loop(2, card + " (deleted)");
    Loop(3, "/name with spaces/card.img");
    EXPECT_EQ(LoopBackingFile(Sys, makedev(7, 0)), card);
    EXPECT_EQ(LoopBackingFile(Sys, makedev(7, 1)), "");
    EXPECT_EQ(LoopBackingFile(Sys, makedev(7, 2)), "");
    EXPECT_EQ(LoopBackingFile(Sys, makedev(7, 3)), "/name with spaces/card.img");
    EXPECT_EQ(LoopBackingFile(Sys, makedev(8, 0)), ""); // no such device
}

// A loop device over File, set up when this machine lets the test (root with a working
// losetup); Node is empty otherwise. It goes again however the test ends.
struct TLoopDevice {
    std::string Node;
    explicit TLoopDevice(const std::string& file) {
        const std::string command = "losetup --find --show " + file + " 2>/dev/null";
        FILE* pipe = ::geteuid() == 0 ? ::popen(command.c_str(), "r") : nullptr;
        char line[64] = {};
        if (pipe && std::fgets(line, sizeof line, pipe) != nullptr) {
            Node = line;
            Node.erase(Node.find_last_not_of("\n") + 1);
        }
        if (pipe)
            ::pclose(pipe);
    }
    ~TLoopDevice() {
        if (!Node.empty())
            std::system(("losetup -d " + Node).c_str());
    }
    TLoopDevice(const TLoopDevice&) = delete;
    TLoopDevice& operator=(const TLoopDevice&) = delete;
};

// Root with a working losetup only: the file and the loop device over it are one card.
TEST_F(LoopLockTest, AFileAndTheLoopDeviceOverItShareOneLock) {
    const std::string card = Card("card.img");
    const TLoopDevice device(card);
    if (device.Node.empty())
        GTEST_SKIP() << "no loop device can be set up here";
    const std::string& loop = device.Node;
    TSysCalls& calls = LinuxSysCalls();
    for (const auto& [first, second] : {std::pair{card, loop}, std::pair{loop, card}}) {
        const int writer = calls.OpenLocked(first, TCardAccess::ReadWrite);
        ASSERT_GE(writer, 0) << first;
        errno = 0;
        EXPECT_LT(calls.OpenLocked(second, TCardAccess::ReadWrite), 0) << second;
        EXPECT_TRUE(errno == EWOULDBLOCK || errno == EBUSY) << second;
        EXPECT_LT(calls.OpenLocked(second, TCardAccess::ReadOnly), 0) << second;
        calls.Close(writer);
        // Readers share, on either path.
        const int reader = calls.OpenLocked(first, TCardAccess::ReadOnly);
        const int other = calls.OpenLocked(second, TCardAccess::ReadOnly);
        EXPECT_GE(reader, 0) << first;
        EXPECT_GE(other, 0) << second;
        calls.Close(other);
        calls.Close(reader);
    }
}

// Root with a working losetup only. Another program holds the loop device open, so its page
// cache keeps the card as that program last read it; a change made through the image file
// is still seen through the loop device, at opening and by the check before a commit.
TEST_F(LoopLockTest, AChangeThroughTheFileIsSeenThroughALoopDeviceHeldOpenByAnother) {
    const std::string file = Dir.Path("card.img").string();
    WriteFileBytes(file, std::vector<std::uint8_t>(1 << 20, 0));
    const TLoopDevice device(file);
    if (device.Node.empty())
        GTEST_SKIP() << "no loop device can be set up here";
    TRecordingReporter reporter;
    auto open = [&](const std::string& path, TCardAccess access) {
        auto card = std::make_unique<TBrelk>(reporter, LinuxSysCalls());
        card->Initialize(65536, path, 0, access);
        return card;
    };
    auto add = [](TBrelk& card, const std::string& name) {
        TBrelkCatEntry entry;
        entry.SetType(2);
        entry.SetName(name);
        entry.SetSize(3000);
        std::vector<std::uint8_t> data(3000, std::uint8_t(name[0]));
        return card.AddObjectToBrelk(entry, data.data(), false) && card.FlushMMCDevice();
    };
    auto names = [](TBrelk& card) {
        std::string listed;
        for (const TBrelkCatEntry* entry : card.Entries())
            listed += entry->Name() + " ";
        return listed;
    };
    const int holder = ::open(device.Node.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    std::vector<std::uint8_t> seen(64 << 10);
    auto holderReads = [&] { ASSERT_EQ(::pread(holder, seen.data(), seen.size(), 0), 65536); };
    {
        auto card = open(file, TCardAccess::ReadWrite);
        ASSERT_TRUE(card->FormatMMC());
        ASSERT_TRUE(add(*card, "A"));
    }
    holderReads();
    ASSERT_TRUE(add(*open(file, TCardAccess::ReadWrite), "B"));
    EXPECT_EQ(names(*open(device.Node, TCardAccess::ReadOnly)), "A B ");
    ASSERT_TRUE(add(*open(device.Node, TCardAccess::ReadWrite), "C"));
    EXPECT_EQ(names(*open(file, TCardAccess::ReadOnly)), "A B C ");
    // The card changes through the file while a writer holds the loop device open.
    auto writer = open(device.Node, TCardAccess::ReadWrite);
    ASSERT_TRUE(writer->StartBulktransfer());
    holderReads();
    const int other = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0);
    const std::uint8_t count[4] = {7, 0, 0, 0};
    ASSERT_EQ(::pwrite(other, count, sizeof count, 16), 4);
    ::fsync(other);
    ::close(other);
    reporter.Messages.clear();
    EXPECT_FALSE(add(*writer, "D"));
    ASSERT_FALSE(reporter.Messages.empty());
    EXPECT_NE(reporter.Messages[0].find("was changed by another program"), std::string::npos);
    writer->StopBulktransfer();
    writer.reset();
    ::close(holder);
    EXPECT_EQ(ReadFileBytes(file)[16], 7);
}

} // namespace
