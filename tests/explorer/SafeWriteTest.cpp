// Files written safely as one group: nothing under a final name before the commit, every
// temporary gone after it or after an abandon, and no link or folder replaced.
#include "explorer/SafeWrite.h"

#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace fs = std::filesystem;
using TBytes = std::vector<std::uint8_t>;

namespace {

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool IsTemporary(const std::string& name) {
    return name.front() == '.' && name.ends_with(".part");
}

TEST(SafeWriteBatch, FilesAppearOnlyAtTheCommit) {
    TTempDir temp;
    fs::create_directories(temp.Path("sub"));
    WriteFileBytes(temp.Path("old"), {9, 9});
    TSafeWriteBatch batch;
    std::string why;
    ASSERT_TRUE(batch.Add(temp.Path("new").string(), TBytes{1, 2, 3}, why)) << why;
    ASSERT_TRUE(batch.Add(temp.Path("old").string(), TBytes{4}, why)) << why;
    ASSERT_TRUE(batch.Add(temp.Path("sub/empty").string(), TBytes{}, why)) << why;
    EXPECT_EQ(batch.Pending(), 3u);
    EXPECT_FALSE(fs::exists(temp.Path("new")));
    EXPECT_EQ(ReadFileBytes(temp.Path("old")), (TBytes{9, 9}));
    EXPECT_EQ(NamesIn(temp.Path("sub")).size(), 1u);
    EXPECT_TRUE(IsTemporary(NamesIn(temp.Path("sub")).front()));
    ASSERT_TRUE(batch.Commit(why)) << why;
    EXPECT_EQ(batch.Pending(), 0u);
    EXPECT_EQ(ReadFileBytes(temp.Path("new")), (TBytes{1, 2, 3}));
    EXPECT_EQ(ReadFileBytes(temp.Path("old")), TBytes{4});
    EXPECT_EQ(NamesIn(temp.Root()), (std::vector<std::string>{"new", "old", "sub"}));
    EXPECT_EQ(NamesIn(temp.Path("sub")), std::vector<std::string>{"empty"});
}

TEST(SafeWriteBatch, AnAbandonedOrDestroyedBatchLeavesNothing) {
    TTempDir temp;
    std::string why;
    {
        TSafeWriteBatch batch;
        ASSERT_TRUE(batch.Add(temp.Path("a").string(), TBytes{1}, why)) << why;
        ASSERT_TRUE(batch.Add(temp.Path("b").string(), TBytes{2}, why)) << why;
        EXPECT_EQ(NamesIn(temp.Root()).size(), 2u);
        batch.Abandon();
        EXPECT_TRUE(NamesIn(temp.Root()).empty());
        ASSERT_TRUE(batch.Add(temp.Path("c").string(), TBytes{3}, why)) << why;
    }
    EXPECT_TRUE(NamesIn(temp.Root()).empty());
}

TEST(SafeWriteBatch, NeitherALinkNorAFolderIsReplaced) {
    TTempDir temp;
    WriteFileBytes(temp.Path("victim"), {7});
    fs::create_symlink(temp.Path("victim"), temp.Path("link"));
    fs::create_directories(temp.Path("folder"));
    TSafeWriteBatch batch;
    std::string why;
    EXPECT_FALSE(batch.Add(temp.Path("link").string(), TBytes{1}, why));
    EXPECT_NE(why.find("link: is a symbolic link"), std::string::npos) << why;
    EXPECT_FALSE(batch.Add(temp.Path("folder").string(), TBytes{1}, why));
    EXPECT_NE(why.find("folder: is a directory"), std::string::npos) << why;
    EXPECT_FALSE(batch.Add(temp.Path("none/file").string(), TBytes{1}, why));
    EXPECT_NE(why.find("none/file: cannot be written"), std::string::npos) << why;
    EXPECT_EQ(batch.Pending(), 0u);
    // A link put where a target was meant to go, after the file was added: the files before
    // it are in place, it and the rest are not, and the link's file is untouched.
    ASSERT_TRUE(batch.Add(temp.Path("first").string(), TBytes{1}, why)) << why;
    ASSERT_TRUE(batch.Add(temp.Path("late").string(), TBytes{2}, why)) << why;
    ASSERT_TRUE(batch.Add(temp.Path("last").string(), TBytes{3}, why)) << why;
    fs::create_symlink(temp.Path("victim"), temp.Path("late"));
    EXPECT_FALSE(batch.Commit(why));
    EXPECT_NE(why.find("late: is a symbolic link"), std::string::npos) << why;
    EXPECT_EQ(ReadFileBytes(temp.Path("first")), TBytes{1});
    EXPECT_EQ(ReadFileBytes(temp.Path("victim")), TBytes{7});
    EXPECT_FALSE(fs::exists(temp.Path("last")));
    EXPECT_EQ(NamesIn(temp.Root()),
              (std::vector<std::string>{"first", "folder", "late", "link", "victim"}));
}

} // namespace
