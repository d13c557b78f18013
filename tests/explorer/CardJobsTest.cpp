// The delete, remove-deleted, put, format and save jobs driven by a scripted user through every
// question they ask.
#include "explorer/CardJobs.h"
#include "card/CardFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

using namespace brelk;
using namespace brelktest;

namespace {

// Answers from a queue (Cancel once it is empty) and keeps every question asked.
class TScriptedJobUser final : public TJobUser {
  public:
    std::deque<TAnswer> Answers;
    std::vector<TQuery> Asked;
    std::vector<std::string> Notices;
    TJobProgress* Shown = nullptr;

    void Notify(TNotice, const std::string& text) override { Notices.push_back(text); }
    TAnswer Ask(const TQuery& question) override {
        Asked.push_back(question);
        if (Answers.empty())
            return TAnswer::Cancel;
        const TAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    TJobProgress* Progress() override { return Shown; }
};

struct CardJobsTest : CardFixture {
    TScriptedJobUser User;
    TTempDir Dir;

    std::vector<std::uint8_t> Image() const { return Device.Bytes; }
    std::string Path(const std::string& name) const { return Dir.Path(name).string(); }
};

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST_F(CardJobsTest, MoveToDeletedAsksNothingForLiveObjects) {
    Add("A", 100);
    Add("B", 100);
    const TDeleteResult result = DeleteObjectsJob(*Card, {Find("A")}, false, User);
    EXPECT_TRUE(User.Asked.empty());
    ASSERT_EQ(result.Moved.size(), 1u);
    EXPECT_EQ(result.Moved[0]->Type(), kTypeDeleted);
    EXPECT_EQ(Find("B")->Type(), kTypeTool);
    EXPECT_FALSE(result.Refused);
}

TEST_F(CardJobsTest, MoveOfADeletedObjectAsksOnceAndGoesOnOnlyAfterYes) {
    const struct {
        TAnswer Answer;
        bool GoesOn;
    } cases[] = {
        {TAnswer::Yes, true}, {TAnswer::All, true}, {TAnswer::No, false}, {TAnswer::Cancel, false}};
    for (const auto& c : cases) {
        Reopen(true);
        Add("GONE", 100);
        Add("LIVE", 100);
        ASSERT_EQ(DeleteObjectsJob(*Card, {Find("GONE")}, false, User).Moved.size(), 1u);
        const std::vector<std::uint8_t> before = Image();
        User = {};
        User.Answers = {c.Answer};
        const TDeleteResult result =
            DeleteObjectsJob(*Card, {Find("LIVE"), Find("GONE")}, false, User);
        ASSERT_EQ(User.Asked.size(), 1u);
        const auto* asked = std::get_if<query::TDeletedAlready>(&User.Asked[0]);
        ASSERT_NE(asked, nullptr);
        EXPECT_EQ(asked->Name, "GONE");
        EXPECT_EQ(result.Refused, !c.GoesOn);
        EXPECT_EQ(Find("LIVE")->Type(), c.GoesOn ? kTypeDeleted : kTypeTool);
        if (!c.GoesOn) {
            EXPECT_EQ(Image(), before) << "a refusal changes nothing";
        }
    }
}

TEST_F(CardJobsTest, PermanentDeleteAsksNothingAndFreesTheSpace) {
    Add("A", 100);
    ASSERT_EQ(DeleteObjectsJob(*Card, {Find("A")}, false, User).Moved.size(), 1u);
    Add("B", 100);
    const std::uint64_t used = Card->GetUsedBytes();
    const TDeleteResult result = DeleteObjectsJob(*Card, {Find("A"), Find("B")}, true, User);
    EXPECT_TRUE(User.Asked.empty());
    EXPECT_EQ(result.Removed, 2u);
    EXPECT_TRUE(Card->Entries().empty());
    EXPECT_LT(Card->GetUsedBytes(), used);
}

// Puts an object "A" of 100 bytes of 0x11 from memory or through a source that hands over
// Good bytes and then fails; Replace as given.
TPutResult PutA(TBrelk& card, bool fromSource, bool replace, std::uint32_t size = 100,
                std::uint32_t good = ~0u) {
    TBrelkCatEntry entry = CardFixture::Entry(2, 0, "A", size);
    const std::vector<std::uint8_t> data(size, 0x11);
    std::uint32_t handed = 0;
    auto source = [&](std::uint8_t* buffer, std::uint32_t count) {
        if (handed + count > good)
            return false;
        std::fill(buffer, buffer + count, 0x11);
        handed += count;
        return true;
    };
    return fromSource ? PutObjectJob(card, entry, source, replace)
                      : PutObjectJob(card, entry, data, replace);
}

TEST_F(CardJobsTest, PutReplacesAnObjectOfTheSameNameOnlyWhenAskedTo) {
    for (const bool fromSource : {false, true}) {
        Reopen(true);
        Add("A", 100, 2, false, 0x22);
        ASSERT_TRUE(Card->FlushMMCDevice());
        const std::vector<std::uint8_t> before = Image();
        EXPECT_EQ(PutA(*Card, fromSource, false), TPutResult::Exists) << fromSource;
        Card->FlushMMCDevice();
        EXPECT_EQ(Image(), before) << fromSource;
        EXPECT_EQ(PutA(*Card, fromSource, true), TPutResult::Added) << fromSource;
        ASSERT_EQ(Card->Entries().size(), 1u);
        std::vector<std::uint8_t> bytes(100);
        ASSERT_TRUE(Card->ReadMMC(bytes.data(), Find("A")->Address(), 100));
        EXPECT_EQ(bytes, std::vector<std::uint8_t>(100, 0x11)) << fromSource;
    }
}

TEST_F(CardJobsTest, PutThatCannotBeDoneLeavesTheCatalogueAsItWas) {
    struct TCase {
        const char* What;
        bool FromSource;
        std::uint32_t Size;
        std::uint32_t Good;
    };
    const std::uint32_t tooLarge = Card->UsableLimit();
    for (const TCase& c : {TCase{"no room, from memory", false, tooLarge, ~0u},
                           TCase{"no room, from a source", true, tooLarge, ~0u},
                           TCase{"source fails", true, 3000, 1000}}) {
        Reopen(true);
        Add("B", 100);
        EXPECT_EQ(PutA(*Card, c.FromSource, false, c.Size, c.Good), TPutResult::NotAdded) << c.What;
        EXPECT_EQ(Find("A"), nullptr) << c.What;
        EXPECT_EQ(Card->Entries().size(), 1u) << c.What;
    }
}

TEST_F(CardJobsTest, RemoveDeletedRemovesOnlyTheDeleted) {
    Add("A", 100);
    Add("B", 100);
    Add("C", 100);
    DeleteObjectsJob(*Card, {Find("A"), Find("C")}, false, User);
    EXPECT_EQ(RemoveDeletedJob(*Card), 2u);
    ASSERT_EQ(Card->Entries().size(), 1u);
    EXPECT_EQ(Find("B")->Type(), kTypeTool);
    EXPECT_EQ(RemoveDeletedJob(*Card), 0u);
}

TEST_F(CardJobsTest, FormatTellsWhatIsLostAndFormatsOnlyAfterYes) {
    for (const TAnswer answer : {TAnswer::Yes, TAnswer::No, TAnswer::Cancel}) {
        Reopen(true);
        Add("A", 100);
        Add("B", 100);
        User = {};
        User.Answers = {answer};
        const TFormatResult result = FormatCardJob(*Card, User);
        ASSERT_EQ(User.Asked.size(), 1u);
        const auto* lose = std::get_if<query::TLoseObjects>(&User.Asked[0]);
        ASSERT_NE(lose, nullptr);
        EXPECT_TRUE(lose->Catalogue);
        EXPECT_EQ(lose->Count, 2u);
        EXPECT_EQ(lose->Foreign, "");
        const bool yes = answer == TAnswer::Yes;
        EXPECT_EQ(result, yes ? TFormatResult::Formatted : TFormatResult::Declined);
        EXPECT_EQ(Card->Entries().size(), yes ? 0u : 2u);
    }
}

TEST_F(CardJobsTest, FormatOfACardWithoutCatalogueStillAsks) {
    std::fill(Device.Bytes.begin(), Device.Bytes.end(), 0);
    Reopen(false);
    ASSERT_FALSE(Card->State().CatalogueValid);
    User.Answers = {TAnswer::Yes};
    EXPECT_EQ(FormatCardJob(*Card, User), TFormatResult::Formatted);
    ASSERT_EQ(User.Asked.size(), 1u);
    const auto& lose = std::get<query::TLoseObjects>(User.Asked[0]);
    EXPECT_FALSE(lose.Catalogue);
    EXPECT_EQ(lose.Count, 0u);
    EXPECT_TRUE(Card->State().CatalogueValid);
}

TEST_F(CardJobsTest, SaveWritesTheWholeAllocatedSizeWithoutAQuestion) {
    const TBrelkCatEntry tool = Add("T", 1000, kTypeTool, false, 0x5A);
    const std::string path = Path("t.bin");
    const TSaveOutcome saved = SaveObjectJob(*Card, tool, path, User);
    EXPECT_EQ(saved.Result, TSaveResult::Saved);
    EXPECT_TRUE(User.Asked.empty());
    const std::vector<std::uint8_t> bytes = FileBytes(path);
    ASSERT_EQ(bytes.size(), 1024u);
    EXPECT_EQ(bytes[999], 0x5A);
    EXPECT_EQ(bytes[1000], 0);
}

TEST_F(CardJobsTest, SaveOverAFileReplacesItOnlyAfterYes) {
    const TBrelkCatEntry tool = Add("T", 512, kTypeTool, false, 0x11);
    for (const TAnswer answer : {TAnswer::Yes, TAnswer::No, TAnswer::Cancel}) {
        const std::string path = Path("old.bin");
        WriteText(path, "keep");
        User = {};
        User.Answers = {answer};
        const TSaveOutcome saved = SaveObjectJob(*Card, tool, path, User);
        ASSERT_EQ(User.Asked.size(), 1u);
        EXPECT_EQ(std::get<query::TOverwrite>(User.Asked[0]).Name, path);
        const bool yes = answer == TAnswer::Yes;
        EXPECT_EQ(saved.Result, yes ? TSaveResult::Saved : TSaveResult::Declined);
        EXPECT_EQ(FileBytes(path).size(), yes ? 512u : 4u);
    }
}

TEST_F(CardJobsTest, SaveRefusesWhatIsNoFileAndLeavesNothingBehind) {
    const TBrelkCatEntry tool = Add("T", 512);
    std::filesystem::create_directory(Path("folder"));
    TBrelkCatEntry pastCard = tool;
    pastCard.SetAddress(kLimit - 512);
    pastCard.SetSize(1024);
    const struct {
        std::string Path;
        TBrelkCatEntry Entry;
        TSaveResult Result;
    } cases[] = {
        {Path("folder"), tool, TSaveResult::CreateFailed},
        {Path("missing/t.bin"), tool, TSaveResult::CreateFailed},
        {Path("past.bin"), pastCard, TSaveResult::ReadFailed},
    };
    for (const auto& c : cases) {
        const TSaveOutcome saved = SaveObjectJob(*Card, c.Entry, c.Path, User);
        EXPECT_EQ(saved.Result, c.Result) << c.Path;
        EXPECT_TRUE(User.Asked.empty()) << c.Path;
    }
    EXPECT_EQ(SaveObjectJob(*Card, pastCard, Path("p.bin"), User).Copy, TCopyResult::PastCard);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& file : std::filesystem::directory_iterator(Dir.Root()))
        ++files;
    EXPECT_EQ(files, 1u) << "only the folder: no half file, no temporary one";
}

} // namespace
