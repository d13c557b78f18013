// The icon of a catalogue entry: the fixed key table, the case-blind lookup and the mapping
// of type, subtype and size to a key.
#include "explorer/ObjectImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <set>

using namespace brelk;

namespace {

TBrelkCatEntry Entry(std::uint8_t type, std::uint8_t subtype, std::uint32_t size = 0) {
    TBrelkCatEntry entry;
    entry.SetType(type);
    entry.SetSubtype(subtype);
    entry.SetSize(size);
    return entry;
}

} // namespace

TEST(ObjectImages, TableOrderAndFiles) {
    const char* keys[] = {"OTHER",     "DISC_ADFS",      "DISC_DFS",        "DISC_DFS_SQUASHED",
                          "DISC_TAPE", "TOOL",           "FS_DFS",          "FS_ADFS",
                          "FS_DNFS",   "FS_DFS_PATCHED", "FS_ADFS_PATCHED", "FS_DNFS_PATCHED",
                          "DELETED"};
    const auto& table = ObjectImageTable();
    ASSERT_EQ(table.size(), std::size(keys));
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_STREQ(table[i].Key, keys[i]);
        std::string file = "object_" + std::string(keys[i]) + ".bmp";
        for (char& c : file)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(table[i].File, file);
        EXPECT_EQ(IndexOfObjectImage(keys[i]), int(i));
    }
}

TEST(ObjectImages, KeyLookup) {
    struct Row {
        const char* key;
        int index;
    };
    const Row rows[] = {
        {"disc_tape", 4}, {"DISC_TAPE", 4},
        {"Disc_Tape", 4}, {"other", 0},
        {"deleted", 12},  {"", 0},
        {"nothing", 0},   {"DISC_TAPE ", 0},
        {"DISC_TAP", 0},  {"fs_dnfs_patched", 11},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IndexOfObjectImage(row.key), row.index) << "'" << row.key << "'";
}

TEST(ObjectImages, EntryToIcon) {
    struct Row {
        std::uint8_t type, subtype;
        std::uint32_t size;
        const char* key; // registered key of the expected icon
    };
    const Row rows[] = {
        {0, 0, 0, "DELETED"},
        {0, 3, 100, "DELETED"},
        {0, 255, 0, "DELETED"},
        {1, 1, 0, "FS_DNFS_PATCHED"},
        {1, 81, 0, "FS_DNFS"},
        {1, 2, 0, "FS_DFS_PATCHED"},
        {1, 10, 0, "FS_DFS_PATCHED"},
        {1, 84, 0, "FS_DFS"},
        {1, 90, 0, "FS_DFS"},
        {1, 3, 0, "FS_ADFS_PATCHED"},
        {1, 5, 0, "FS_ADFS_PATCHED"},
        {1, 85, 0, "FS_ADFS"},
        {1, 87, 0, "FS_ADFS"},
        {1, 91, 0, "FS_ADFS"},
        {1, 0, 0, "OTHER"},
        {1, 12, 0, "OTHER"},
        {1, 80, 0, "OTHER"},
        {1, 92, 0, "OTHER"},
        {1, 255, 0, "OTHER"},
        {2, 0, 0, "TOOL"},
        {2, 200, 5, "TOOL"},
        {3, 1, 0, "DISC_DFS"},
        {3, 1, 204800, "DISC_DFS"},
        {3, 1, 409600, "DISC_DFS"},
        {3, 1, 51200, "DISC_DFS_SQUASHED"},
        {3, 1, 204799, "DISC_DFS_SQUASHED"},
        {3, 1, 204801, "DISC_DFS_SQUASHED"},
        {3, 1, 0xFFFFFFFF, "DISC_DFS_SQUASHED"},
        {3, 1, 20971 * 204800u, "DISC_DFS"},
        {3, 2, 0, "DISC_ADFS"},
        {3, 3, 0, "DISC_TAPE"},
        {3, 0, 0, "OTHER"},
        {3, 4, 0, "OTHER"},
        {4, 1, 0, "OTHER"},
        {255, 3, 0, "OTHER"},
    };
    for (const Row& row : rows) {
        const TBrelkCatEntry entry = Entry(row.type, row.subtype, row.size);
        EXPECT_EQ(ObjectImageIndex(entry), IndexOfObjectImage(row.key))
            << int(row.type) << "/" << int(row.subtype) << "/" << row.size;
    }
}

TEST(ObjectImages, KeysAreProducedInLowerCaseOrEmpty) {
    EXPECT_EQ(ObjectImageKey(Entry(3, 3)), "disc_tape");
    EXPECT_EQ(ObjectImageKey(Entry(1, 12)), "");
    EXPECT_EQ(ObjectImageKey(Entry(9, 0)), "");
    for (int type = 0; type < 256; ++type)
        for (int subtype = 0; subtype < 256; ++subtype) {
            const int index = ObjectImageIndex(Entry(std::uint8_t(type), std::uint8_t(subtype)));
            ASSERT_GE(index, 0);
            ASSERT_LT(index, int(ObjectImageTable().size()));
        }
}

// The shipped icon files: one 12 x 14 bitmap per table row, no two alike.
TEST(ObjectImages, IconFilesAreShipped) {
    const std::filesystem::path folder =
        std::filesystem::path(BRELK_FIXTURES_DIR) / ".." / ".." / "imgs";
    std::set<std::vector<std::uint8_t>> pictures;
    for (const auto& row : ObjectImageTable()) {
        const std::vector<std::uint8_t> bytes = brelktest::ReadFileBytes(folder / row.File);
        ASSERT_GE(bytes.size(), 54u) << row.File;
        EXPECT_EQ(bytes[0], 'B') << row.File;
        EXPECT_EQ(bytes[1], 'M') << row.File;
        EXPECT_EQ(GetLE32(&bytes[18]), 12u) << row.File;
        EXPECT_EQ(GetLE32(&bytes[22]), 14u) << row.File;
        pictures.insert(std::vector<std::uint8_t>(bytes.begin() + 54, bytes.end()));
    }
    EXPECT_EQ(pictures.size(), ObjectImageTable().size());
}
