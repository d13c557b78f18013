// A device the user may not open directly is opened through the opener, once per path, and
// then used through the same seam as a direct open.
#include "card/DeviceOpener.h"
#include "card/Brelk.h"
#include "card/FakeDevice.h"
#include "card/RefusingCalls.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Stands in for UDisks2: opens the file itself, or refuses as polkit would.
class TFakeOpener : public brelk::TDeviceOpener {
  public:
    bool Grants = true;
    std::vector<std::string> Asked;
    int OpenDevice(const std::string& path) override {
        Asked.push_back(path);
        if (!Grants) {
            errno = ENODEV;
            return -1;
        }
        return ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    }
};

class DeviceOpenerTest : public ::testing::Test {
  protected:
    void SetUp() override { brelktest::WriteFileBytes(Image, {'B', 'r', 'e', 'l', 'k', 0, 0, 0}); }
    brelktest::TTempDir Dir;
    std::string Image = Dir.Path("card.img").string();
    brelktest::TRefusingCalls Inner;
    TFakeOpener Opener;
    brelk::TSysCallsWithOpener Calls{Inner, Opener};
};

TEST_F(DeviceOpenerTest, RefusedOpenIsGrantedOnceAndUsedLikeADirectOne) {
    for (int bracket = 0; bracket < 3; ++bracket) {
        brelk::TRawDevice device(Calls);
        ASSERT_TRUE(device.Open(Image, brelk::TCardAccess::ReadWrite)) << device.LastError();
        char bytes[5] = {};
        EXPECT_EQ(device.ReadAt(0, bytes, 5), 5u);
        EXPECT_EQ(std::string(bytes, 5), "Brelk");
        EXPECT_TRUE(device.WriteAt(5, "!", 1));
        std::uint64_t length = 0;
        EXPECT_TRUE(device.Length(length));
        EXPECT_EQ(length, 8u);
    }
    EXPECT_EQ(Inner.Opens, 3);
    EXPECT_EQ(Opener.Asked, std::vector<std::string>{Image});
    EXPECT_TRUE(Calls.HoldsGrant(Image));
    EXPECT_EQ(brelktest::ReadFileBytes(Image)[5], '!');
}

TEST_F(DeviceOpenerTest, OnlyAMissingPermissionAsksTheOpener) {
    struct TCase {
        int Refusal;
        bool Asks;
    };
    for (const TCase& c : {TCase{EACCES, true}, TCase{EPERM, true}, TCase{EROFS, true},
                           TCase{ENOENT, false}, TCase{EBUSY, false}, TCase{0, false}}) {
        TFakeOpener opener;
        brelk::TSysCallsWithOpener calls(Inner, opener);
        Inner.Refusal = c.Refusal;
        const int fd = calls.Open(Image, brelk::TCardAccess::ReadWrite);
        EXPECT_EQ(fd >= 0, c.Refusal == 0 || c.Asks) << c.Refusal;
        if (fd < 0)
            EXPECT_EQ(errno, c.Refusal);
        else
            calls.Close(fd);
        EXPECT_EQ(opener.Asked.size(), c.Asks ? 1u : 0u) << c.Refusal;
    }
}

TEST_F(DeviceOpenerTest, OpenerRefusalKeepsTheDirectReasonAndAsksAgainNextTime) {
    Opener.Grants = false;
    brelk::TRawDevice device(Calls);
    EXPECT_FALSE(device.Open(Image, brelk::TCardAccess::ReadWrite));
    EXPECT_EQ(device.LastError(), std::strerror(EACCES));
    EXPECT_FALSE(Calls.HoldsGrant(Image));
    Opener.Grants = true;
    EXPECT_TRUE(device.Open(Image, brelk::TCardAccess::ReadWrite));
    EXPECT_EQ(Opener.Asked.size(), 2u);
}

TEST_F(DeviceOpenerTest, ForgetDropsTheGrant) {
    const int first = Calls.Open(Image, brelk::TCardAccess::ReadWrite);
    ASSERT_GE(first, 0);
    EXPECT_EQ(Calls.Close(first), 0);
    EXPECT_EQ(::fcntl(first, F_GETFD), FD_CLOEXEC); // kept open for the next bracket
    Calls.Forget(Image);
    EXPECT_EQ(::fcntl(first, F_GETFD), -1); // closed now
    EXPECT_FALSE(Calls.HoldsGrant(Image));
    Calls.Forget(Image); // forgetting twice is harmless
    const int second = Calls.Open(Image, brelk::TCardAccess::ReadWrite);
    ASSERT_GE(second, 0);
    Calls.Close(second);
    EXPECT_EQ(Opener.Asked.size(), 2u);
}

TEST_F(DeviceOpenerTest, CardFormatsAndReadsBackThroughAGrantedDescriptor) {
    brelktest::MakeImageFile(Image, 1 << 20);
    brelktest::TRecordingReporter reporter;
    {
        brelk::TBrelk card(reporter, Calls);
        ASSERT_TRUE(card.Initialize(16384, Image, 8192));
        ASSERT_TRUE(card.FormatMMC());
    }
    brelk::TBrelk card(reporter, Calls);
    ASSERT_TRUE(card.Initialize(16384, Image, 8192));
    EXPECT_TRUE(card.ReadCatalogueHeader());
    EXPECT_EQ(card.State().CardSize, 1u << 20);
    EXPECT_TRUE(reporter.Messages.empty());
    EXPECT_EQ(Opener.Asked.size(), 1u);
}

} // namespace
