// The backup job on a card in memory, and reading a backup set back into pending objects.
#include "card/CardFixture.h"
#include "explorer/Backup.h"
#include "explorer/PendingSupport.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <functional>
#include <sys/stat.h>

using namespace brelk;
using namespace brelktest;
namespace fs = std::filesystem;

namespace {

struct TFixedClock : TBackupClock {
    std::string DateTimeText() const override { return "15.03.2007 14:05:09"; }
};

// Records every message and question and answers from a queue (Cancel when it is empty); its
// progress is Shown.
struct TRecordingUser : TJobUser {
    struct TNote {
        TNotice Kind;
        std::string Text;
    };
    std::vector<TNote> Notes;
    std::vector<TQuery> Questions;
    std::vector<TAnswer> Answers;
    TJobProgress* Shown = nullptr;
    void Notify(TNotice kind, const std::string& text) override { Notes.push_back({kind, text}); }
    TAnswer Ask(const TQuery& question) override {
        Questions.push_back(question);
        if (Answers.empty())
            return TAnswer::Cancel;
        TAnswer answer = Answers.front();
        Answers.erase(Answers.begin());
        return answer;
    }
    TJobProgress* Progress() override { return Shown; }
};

// Records the wait window's calls; Report returns true from report number CancelAt on.
struct TRecordingProgress : TJobProgress {
    std::vector<std::string> Calls;
    std::size_t CancelAt = 0;
    std::size_t Reports = 0;
    void Begin(const std::string& text, bool cancel, bool bar) override {
        Calls.push_back("Begin " + text + (cancel ? " cancel" : "") + (bar ? " bar" : ""));
    }
    bool Report(std::size_t done, std::size_t total, const std::string& extra) override {
        Calls.push_back("Report " + std::to_string(int(PercentDone(done, total))) + " " + extra);
        return CancelAt != 0 && ++Reports >= CancelAt;
    }
    void End() override { Calls.push_back("End"); }
};

// Logs each sync (a file by the name it has while synced, a folder by its path) and fails the
// FailAt-th (from 1; 0 never).
struct TRecordingSync : TBackupSync {
    mutable std::vector<std::string> Log;
    std::size_t FailAt = 0;
    bool File(int fd) const override {
        Log.push_back("file " +
                      fs::read_symlink("/proc/self/fd/" + std::to_string(fd)).filename().string());
        return Log.size() != FailAt && TBackupSync::File(fd);
    }
    bool Folder(const std::string& path) const override {
        Log.push_back("folder " + fs::path(path).filename().string());
        return Log.size() != FailAt && TBackupSync::Folder(path);
    }
};

struct BackupJobTest : CardFixture {
    TTempDir Dir;
    std::string Index = Dir.Path("20070315.txt").string();
    std::string Folder = Dir.Path("20070315").string();
    TFixedClock Clock;
    TRecordingUser User;
    TRecordingProgress Progress;

    // The user, showing its progress in Progress or nowhere.
    TRecordingUser& WithProgress() {
        User.Shown = &Progress;
        return User;
    }
    TRecordingUser& Quiet() {
        User.Shown = nullptr;
        return User;
    }

    // Three live objects (filled 0x11, 0x22, 0x33) and a deleted one.
    void AddFour() {
        Add("First", 700, kTypeTool, false, 0x11);
        Add("Second", 512, kTypeTool, false, 0x22);
        Add("Gone", 512, kTypeTool, false, 0x44);
        Add("Third", 1024, kTypeTool, false, 0x33);
        TBrelkCatEntry gone = *Find("Gone");
        gone.SetType(kTypeDeleted);
        Card->UpdateCatEntry(Find("Gone"), gone);
    }
    std::string Image(int n) const { return Folder + "/" + ImageFileName(std::uint32_t(n)); }
    std::vector<std::uint8_t> CardBytes(const TBrelkCatEntry& e) {
        std::vector<std::uint8_t> bytes(e.Size());
        EXPECT_TRUE(Card->ReadMMC(bytes.data(), e.Address(), e.Size()));
        return bytes;
    }
};

TEST_F(BackupJobTest, WritesTheIndexAndOneImagePerLiveObject) {
    AddFour();
    const TBackupResult result = BackupBrelk(*Card, Index, Clock, WithProgress());
    EXPECT_TRUE(result.IndexWritten);
    EXPECT_EQ(result.Objects, 3u);
    EXPECT_EQ(result.Saved, 3u);
    EXPECT_FALSE(result.Cancelled);
    EXPECT_EQ(BackupOutcomeText(result), "Brelk successfully backed up.");
    EXPECT_EQ(BackupOutcomeKind(result), TNotice::Information);
    EXPECT_TRUE(User.Notes.empty());

    const auto live = LiveEntriesByAddress(Card->Entries());
    const auto text = ReadFileBytes(Index);
    EXPECT_EQ(std::string(text.begin(), text.end()), FormatBackupIndex(live, Clock.DateTimeText()));
    for (std::size_t i = 0; i < live.size(); ++i)
        EXPECT_EQ(ReadFileBytes(Image(int(i))), CardBytes(*live[i])) << i;
    EXPECT_FALSE(fs::exists(Image(3)));
    // Objects were placed top down: the last one added has the lowest address.
    ASSERT_EQ(Progress.Calls.size(), 6u);
    EXPECT_EQ(Progress.Calls[0], "Begin Backing up Brelk (4 objects)... cancel bar");
    EXPECT_EQ(Progress.Calls[1], "Report 25 Object 1 (Third) ");
    EXPECT_EQ(Progress.Calls[2], "Report 50 Object 2 (Gone) ");
    EXPECT_EQ(Progress.Calls[4], "Report 100 Object 4 (First) ");
    EXPECT_EQ(Progress.Calls[5], "End");
    for (const auto& file : fs::directory_iterator(Folder))
        EXPECT_EQ(file.path().extension(), ".bin") << file.path(); // no temporary files left
}

TEST_F(BackupJobTest, AFailedReadLeavesNoImageAndIsNotCalledASuccess) {
    AddFour();
    fs::create_directory(Folder);
    WriteFileBytes(Image(1), std::vector<std::uint8_t>(512, 0x99)); // from an older backup
    // "Second" (image 1) claims to reach past the usable card: it cannot be read.
    TBrelkCatEntry second = *Find("Second");
    second.SetAddress(kLimit);
    Card->UpdateCatEntry(Find("Second"), second);
    const TBackupResult result = BackupBrelk(*Card, Index, Clock, WithProgress());
    EXPECT_EQ(result.Saved, 2u);
    ASSERT_EQ(User.Notes.size(), 1u);
    EXPECT_EQ(User.Notes[0].Text, "Could not read from Brelk.");
    EXPECT_EQ(User.Notes[0].Kind, TNotice::Error);
    EXPECT_FALSE(fs::exists(Image(2)));
    EXPECT_FALSE(fs::exists(Image(2) + ".part"));
    EXPECT_TRUE(fs::exists(Image(0)));
    EXPECT_EQ(BackupOutcomeText(result), "The backup is incomplete: 1 of 3 objects could not be "
                                         "saved; their lines in the index have no image file.");
    EXPECT_EQ(BackupOutcomeKind(result), TNotice::Warning);
}

TEST_F(BackupJobTest, CardGoneDuringTheBackup) {
    AddFour();
    ASSERT_TRUE(Card->FlushMMCDevice());
    Card->DiscardUnsavedData(); // nothing cached: every object must come from the device
    Device.Missing = true;
    const TBackupResult result = BackupBrelk(*Card, Index, Clock, WithProgress());
    EXPECT_TRUE(result.IndexWritten);
    EXPECT_EQ(result.Saved, 0u);
    EXPECT_EQ(User.Notes.size(), 3u);
    EXPECT_FALSE(Reporter.Messages.empty()); // the card layer said why
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(fs::exists(Image(i))) << i;
}

TEST_F(BackupJobTest, CancelStopsAfterTheObjectInHandAndRemovesStaleImages) {
    AddFour();
    fs::create_directory(Folder);
    WriteFileBytes(Image(2), std::vector<std::uint8_t>(512, 0x99)); // from an older backup
    Progress.CancelAt = 3; // the third report (the second live object) sees Cancel
    const TBackupResult result = BackupBrelk(*Card, Index, Clock, WithProgress());
    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(result.Handled, 2u);
    EXPECT_EQ(result.Saved, 2u);
    EXPECT_TRUE(fs::exists(Image(1)));
    EXPECT_FALSE(fs::exists(Image(2)));
    EXPECT_EQ(BackupOutcomeText(result),
              "Backup cancelled after 2 of 3 objects; the objects not reached have no image file.");
    EXPECT_EQ(Progress.Calls.back(), "End");
}

TEST_F(BackupJobTest, AnIndexThatCannotBeCreatedEndsTheBackup) {
    AddFour();
    const std::string path = Dir.Path("missing/set.txt").string();
    const TBackupResult result = BackupBrelk(*Card, path, Clock, WithProgress());
    EXPECT_FALSE(result.IndexWritten);
    ASSERT_EQ(User.Notes.size(), 1u);
    EXPECT_EQ(User.Notes[0].Text, "Could not create file '" + path + "'.");
    EXPECT_EQ(Progress.Calls.back(), "End");
    EXPECT_EQ(Progress.Calls.size(), 2u);
}

TEST_F(BackupJobTest, RestoreReadsTheSetIntoRawPendingObjects) {
    AddFour();
    Add("Disc", 204800, kTypeImage, false, 0x55);
    ASSERT_TRUE(BackupBrelk(*Card, Index, Clock, Quiet()).IndexWritten);
    fs::remove(Image(1)); // one image gone: its line is skipped without a word
    TPendingObjects list;
    list.push_back(std::make_unique<TBrelk_RawCatalogueEntry>()); // emptied first
    const TRestoreLoad load = LoadBackupIndex(Index, list, WithProgress());
    EXPECT_FALSE(load.Refused);
    EXPECT_EQ(load.Lines, 4u);
    EXPECT_EQ(load.Missing, 1u);
    EXPECT_TRUE(User.Notes.empty());
    ASSERT_EQ(list.size(), 3u);
    const auto live = LiveEntriesByAddress(Card->Entries());
    const TBrelk_RawCatalogueEntry& disc = *list[0];
    EXPECT_EQ(disc.FileName, Image(0));
    EXPECT_EQ(disc.DataSize, 204800u);
    EXPECT_EQ(disc.FileSize, 204800u);
    EXPECT_FALSE(disc.Squashed);
    EXPECT_TRUE(disc.Raw);
    EXPECT_TRUE(disc.Analysed);
    EXPECT_EQ(disc.Entry.Type(), kTypeImage);
    EXPECT_EQ(disc.Entry.Name(), "Disc");
    EXPECT_EQ(disc.Entry.Size(), 204800u);
    EXPECT_EQ(disc.Entry.Address(), 0u);
    const TBrelk_RawCatalogueEntry& tool = *list[1];
    EXPECT_EQ(tool.Entry.Name(), live[2]->Name());
    EXPECT_EQ(tool.FileSize, live[2]->Size());
    EXPECT_TRUE(tool.Squashed); // not a whole number of 204800-byte sides
    EXPECT_EQ(Progress.Calls.front(), "Begin Analyzing backupfile '" + Index + "'...");
    EXPECT_EQ(Progress.Calls.back(), "End");
}

TEST_F(BackupJobTest, RestoreRefusesNoIndexAndMalformedLines) {
    struct TCase {
        std::string Text;
        bool Stop;
        std::string Message; // empty: none
    } const cases[] = {
        {"brelkExplorer Backup\r\n 2  0\r\n", false,
         "File '" + Index + "' is not a BrelkExplorer backup indexfile."},
        {"BrelkExplorer Backup\r\n 2  0 00000200 00000200 IMG00000.bin A\r\nX\r\n", true,
         "Line 3 of '" + Index +
             "' is not a valid object line: the type in columns 1-2 ('X') "
             "is not a number from 0 to 255.\r\rNothing has been imported."},
        {"BrelkExplorer Backup\r\n 2  0 00000200 00000200 IMG00000.bin\r\n", true,
         "Line 2 of '" + Index +
             "' is not a valid object line: it names no object in columns 38 on.\r\rNothing "
             "has been imported."},
        {"", false, ""},
    };
    fs::create_directory(Folder);
    WriteFileBytes(Image(0), std::vector<std::uint8_t>(512, 1));
    for (const auto& c : cases) {
        WriteFileBytes(Index, std::vector<std::uint8_t>(c.Text.begin(), c.Text.end()));
        User.Notes.clear();
        TPendingObjects list;
        const TRestoreLoad load = LoadBackupIndex(Index, list, Quiet());
        EXPECT_TRUE(list.empty()) << c.Text;
        EXPECT_EQ(load.Stop, c.Stop) << c.Text;
        EXPECT_EQ(load.Refused, !c.Message.empty()) << c.Text;
        ASSERT_EQ(User.Notes.size(), c.Message.empty() ? 0u : 1u) << c.Text;
        if (!c.Message.empty()) {
            EXPECT_EQ(User.Notes[0].Text, c.Message);
        }
    }
}

// A set of two objects named SAME (fill 0x61 and 0x62) and one named NEW, restored onto a
// card that holds SAME (fill 0x0C) and OTHER, by each rule. A restore never overwrites an
// object it wrote itself: the set's second SAME always arrives.
TEST_F(BackupJobTest, RestoreRulesDecideOnTheCardAsItWas) {
    struct TCase {
        const char* What;
        TRestoreExisting Rule;
        std::deque<TAnswer> Answers;
        std::vector<std::uint8_t> SameFills; // the fills of the card's SAME objects, sorted
        std::size_t Kept, Questions;
    } const cases[] = {
        {"keep", TRestoreExisting::Keep, {}, {0x0C}, 2, 0},
        {"replace", TRestoreExisting::Replace, {}, {0x61, 0x62}, 0, 0},
        {"ask, yes", TRestoreExisting::AskThenReplace, {TAnswer::Yes}, {0x61, 0x62}, 0, 1},
        {"ask, no", TRestoreExisting::AskThenReplace, {TAnswer::No}, {0x0C, 0x62}, 0, 1},
        {"add beside", TRestoreExisting::AddBeside, {}, {0x0C, 0x61, 0x62}, 0, 0},
    };
    fs::create_directory(Folder);
    const std::uint8_t fills[] = {0x61, 0x62, 0x6E};
    for (int i = 0; i < 3; ++i)
        WriteFileBytes(Image(i), std::vector<std::uint8_t>(512, fills[i]));
    const std::string index = "BrelkExplorer Backup (now)\r\n"
                              " 2  0 00000200 00000000 IMG00000.bin SAME\r\n"
                              " 2  0 00000200 00000000 IMG00001.bin same\r\n"
                              " 2  0 00000200 00000000 IMG00002.bin NEW\r\n";
    WriteFileBytes(Index, std::vector<std::uint8_t>(index.begin(), index.end()));
    for (const TCase& c : cases) {
        Reopen(true);
        Add("SAME", 512, kTypeTool, false, 0x0C);
        Add("OTHER", 512, kTypeTool, false, 0x0D);
        TPendingObjects list;
        ASSERT_EQ(LoadBackupIndex(Index, list, Quiet()).Missing, 0u);
        TScriptedUser user;
        user.Answers = c.Answers;
        const TRestoreImport done = ImportRestoreList(*Card, list, c.Rule, user);
        EXPECT_EQ(done.Kept.size(), c.Kept) << c.What;
        EXPECT_EQ(user.Questions.size(), c.Questions) << c.What;
        EXPECT_EQ(list.size(), 3u) << c.What;
        std::vector<std::uint8_t> sameFills;
        std::size_t news = 0;
        for (const auto& entry : Card->Entries()) {
            if (SameName(entry->Name(), "SAME"))
                sameFills.push_back(CardBytes(*entry)[0]);
            news += SameName(entry->Name(), "NEW");
        }
        std::sort(sameFills.begin(), sameFills.end());
        EXPECT_EQ(sameFills, c.SameFills) << c.What;
        EXPECT_EQ(news, 1u) << c.What;
        EXPECT_NE(Find("OTHER"), nullptr) << c.What;
    }
}

TEST(RestoreRuleTest, TheWindowsSettingsAsARule) {
    const auto rule = [](bool overwrite, bool ask) {
        return RestoreRuleFor({.OverwriteExisting = overwrite, .AskBeforeOverwrite = ask});
    };
    EXPECT_EQ(rule(true, true), TRestoreExisting::AskThenReplace);
    EXPECT_EQ(rule(true, false), TRestoreExisting::Replace);
    EXPECT_EQ(rule(false, true), TRestoreExisting::AddBeside);
    EXPECT_EQ(rule(false, false), TRestoreExisting::AddBeside);
}

TEST(RestoreTextTest, MissingImagesAndIndexNames) {
    EXPECT_EQ(MissingImagesText(0), "");
    EXPECT_EQ(MissingImagesText(1),
              "1 object of the backup set has no image file; it was not restored.");
    EXPECT_EQ(MissingImagesText(3),
              "3 objects of the backup set have no image file; they were not restored.");
    for (const auto& [given, path] :
         std::vector<std::pair<std::string, std::string>>{{"bak/noext", "bak/noext.txt"},
                                                          {"bak/set.txt", "bak/set.txt"},
                                                          {"bak.d/noext", "bak.d/noext.txt"},
                                                          {"set.lst", "set.lst"}})
        EXPECT_EQ(BackupIndexPathFor(given), path) << given;
}

// An image that is a link (which could lead anywhere, /etc/shadow say) or no regular file is
// refused with its line, as a name reaching out of the folder is; nothing is imported.
TEST_F(BackupJobTest, RestoreRefusesLinksAndOtherNodesAsImages) {
    fs::create_directory(Folder);
    const std::string secret = Dir.Path("secret").string();
    WriteFileBytes(secret, std::vector<std::uint8_t>(512, 0x53));
    WriteFileBytes(Image(0), std::vector<std::uint8_t>(512, 1));
    const std::string text = "BrelkExplorer Backup\r\n"
                             " 2  0 00000200 00000200 IMG00000.bin A\r\n"
                             " 2  0 00000200 00000200 IMG00001.bin B\r\n";
    WriteFileBytes(Index, std::vector<std::uint8_t>(text.begin(), text.end()));
    const std::vector<std::function<void(const std::string&)>> makers = {
        [&](const std::string& at) { fs::create_symlink(secret, at); },
        [&](const std::string& at) { fs::create_symlink("../secret", at); },
        [](const std::string& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); },
        [](const std::string& at) { fs::create_directory(at); },
    };
    for (std::size_t i = 0; i < makers.size(); ++i) {
        fs::remove_all(Image(1));
        makers[i](Image(1));
        User.Notes.clear();
        TPendingObjects list;
        const TRestoreLoad load = LoadBackupIndex(Index, list, Quiet());
        EXPECT_TRUE(load.Stop) << i;
        EXPECT_TRUE(list.empty()) << i;
        ASSERT_EQ(User.Notes.size(), 1u) << i;
        EXPECT_EQ(User.Notes[0].Text,
                  "Line 3 of '" + Index +
                      "' is not a valid object line: the image file 'IMG00001.bin' is a link or "
                      "no regular file.\r\rNothing has been imported.")
            << i;
    }
}

// The import opens a restore's image without following a link, so a file replaced by a link
// after the index was read is not read either.
TEST_F(BackupJobTest, RestoreImportNeverFollowsALink) {
    fs::create_directory(Folder);
    WriteFileBytes(Image(0), std::vector<std::uint8_t>(512, 1));
    const std::string text = "BrelkExplorer Backup\r\n 2  0 00000200 00000200 IMG00000.bin A\r\n";
    WriteFileBytes(Index, std::vector<std::uint8_t>(text.begin(), text.end()));
    TPendingObjects list;
    ASSERT_EQ(LoadBackupIndex(Index, list, Quiet()).Lines, 1u);
    ASSERT_EQ(list.size(), 1u);
    const std::string secret = Dir.Path("secret").string();
    WriteFileBytes(secret, std::vector<std::uint8_t>(512, 0x53));
    fs::remove(Image(0));
    fs::create_symlink(secret, Image(0));
    TScriptedUser user;
    const TRestoreImport done = ImportRestoreList(*Card, list, TRestoreExisting::Replace, user);
    EXPECT_EQ(done.Result.Written, 0u);
    EXPECT_TRUE(done.Result.Failed);
    EXPECT_EQ(Find("A"), nullptr);
    EXPECT_EQ(user.Errors.size(), 1u);
}

// The questions before the import: query::TMustFormat for a card without a catalogue,
// query::TFormatFirst when formatting first was chosen, each with the count and the index.
TEST(RestorePlanTest, QuestionsBeforeTheImport) {
    const std::string path = "/bak/x.txt";
    enum class TAsked { None, MustFormat, FormatFirst };
    struct TCase {
        std::size_t Count;
        bool Valid, PreFormat;
        TAnswer Answer;
        TAsked Asked;
        bool Go, Format;
    } const cases[] = {
        {3, false, false, TAnswer::Yes, TAsked::MustFormat, true, true},
        {3, false, true, TAnswer::Cancel, TAsked::MustFormat, false, false},
        {3, false, true, TAnswer::No, TAsked::MustFormat, false, false},
        {3, true, true, TAnswer::Yes, TAsked::FormatFirst, true, true},
        {3, true, true, TAnswer::No, TAsked::FormatFirst, true, false},
        {3, true, true, TAnswer::Cancel, TAsked::FormatFirst, false, false},
        {3, true, false, TAnswer::Yes, TAsked::None, true, false},
        {0, false, true, TAnswer::Yes, TAsked::None, true, false},
    };
    for (const auto& c : cases) {
        const std::string what = std::to_string(c.Count) + (c.Valid ? " valid" : " invalid") +
                                 (c.PreFormat ? " preformat" : "") + " answer " +
                                 std::to_string(int(c.Answer));
        TRecordingUser user;
        user.Answers = {c.Answer};
        const TRestorePlan plan = PlanRestore(c.Count, path, c.Valid, c.PreFormat, user);
        EXPECT_EQ(plan.Go, c.Go) << what;
        EXPECT_EQ(plan.Format, c.Format) << what;
        ASSERT_EQ(user.Questions.size(), c.Asked == TAsked::None ? 0u : 1u) << what;
        if (c.Asked == TAsked::MustFormat) {
            const auto* must = std::get_if<query::TMustFormat>(&user.Questions[0]);
            ASSERT_NE(must, nullptr) << what;
            EXPECT_EQ(must->Count, c.Count);
            EXPECT_EQ(must->Index, path);
        } else if (c.Asked == TAsked::FormatFirst) {
            const auto* first = std::get_if<query::TFormatFirst>(&user.Questions[0]);
            ASSERT_NE(first, nullptr) << what;
            EXPECT_EQ(first->Count, c.Count);
            EXPECT_EQ(first->Index, path);
        }
        if (c.Count == 0) {
            ASSERT_EQ(user.Notes.size(), 1u);
            EXPECT_EQ(user.Notes[0].Text, "No images to import found in '/bak/x.txt'.");
        }
    }
}

// Each file is synced under its temporary name, before it takes its own; the index's folder
// (naming the index and the image folder) after the index, the image folder last.
TEST_F(BackupJobTest, EveryFileAndFolderIsSyncedBeforeTheSetIsSaid) {
    AddFour();
    TRecordingSync sync;
    const TBackupResult result = BackupBrelk(*Card, Index, Clock, WithProgress(), sync);
    EXPECT_TRUE(result.IndexWritten);
    EXPECT_EQ(result.Saved, 3u);
    EXPECT_TRUE(User.Notes.empty());
    const std::string top = fs::path(Dir.Path("x")).parent_path().filename().string();
    EXPECT_EQ(sync.Log,
              (std::vector<std::string>{"file 20070315.txt.part", "folder " + top,
                                        "file IMG00000.bin.part", "file IMG00001.bin.part",
                                        "file IMG00002.bin.part", "folder 20070315"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(fs::exists(Image(i))) << i;
}

// A failed sync counts as a failed write: the index's or a folder's ends the backup, an image's
// leaves no file of its name. The sync numbers follow the order of the test above.
TEST_F(BackupJobTest, AFailedSyncIsNeverCalledSaved) {
    struct Case {
        std::size_t FailAt;
        bool IndexWritten;
        std::size_t Saved;
        std::string Note;
    };
    const Case cases[] = {
        {1, false, 0, "Could not create file '" + Index + "'."},
        {2, false, 0, "Could not create file '" + Index + "'."},
        {4, true, 2, "Could not write file '" + Image(1) + "'."},
        {6, false, 3, "Could not write the folder '" + Folder + "' to the disc."},
    };
    for (const Case& c : cases) {
        fs::remove_all(Folder);
        fs::remove(Index);
        Reopen(true);
        AddFour();
        User.Notes.clear();
        TRecordingSync sync;
        sync.FailAt = c.FailAt;
        const TBackupResult result = BackupBrelk(*Card, Index, Clock, Quiet(), sync);
        EXPECT_EQ(result.IndexWritten, c.IndexWritten) << c.FailAt;
        EXPECT_EQ(result.Saved, c.Saved) << c.FailAt;
        ASSERT_EQ(User.Notes.size(), 1u) << c.FailAt;
        EXPECT_EQ(User.Notes[0].Text, c.Note);
        EXPECT_EQ(User.Notes[0].Kind, TNotice::Error);
        EXPECT_EQ(fs::exists(Index), c.FailAt != 1) << c.FailAt;
        if (c.FailAt == 4) {
            EXPECT_FALSE(fs::exists(Image(1)) || fs::exists(Image(1) + ".part"));
        }
    }
}

} // namespace
