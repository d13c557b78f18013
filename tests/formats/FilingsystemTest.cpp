// The eleven filing-system ROMs: subtype rule, descriptions, icon families, the "Patched"
// toggle and the check value hook.
#include "formats/Filingsystem.h"

#include <gtest/gtest.h>

#include <set>

using namespace brelk;

TEST(Filingsystem, TableOfElevenRoms) {
    struct Row {
        int number;
        const char* machine;
        const char* button;
        const char* caption;
        const char* iconKey; // of the patched form
    };
    const Row rows[] = {
        {1, "BBC B", "rdbtnFSAcornDNFS120", "Acorn DNFS 1.20", "fs_dnfs_patched"},
        {2, "BBC B", "rdbtnFSAcornDFS226", "Acorn DFS 2.26", "fs_dfs_patched"},
        {3, "BBC B", "rdbtnFSAcornADFS130", "Acorn ADFS 1.30", "fs_adfs_patched"},
        {4, "BBC Master", "rdbtnFSAcornDFS224", "Acorn DFS 2.24", "fs_dfs_patched"},
        {5, "BBC Master", "rdbtnFSAcornADFS150", "Acorn ADFS 1.50", "fs_adfs_patched"},
        {6, "BBC Master", "rdbtnFSAcornDFS245", "Acorn DFS 2.45", "fs_dfs_patched"},
        {7, "BBC Master", "rdbtnFSAcornADFS203", "Acorn ADFS 2.03", "fs_adfs_patched"},
        {8, "BBC B", "rdbtnFSWatfordDFS144", "Watford DFS 1.44", "fs_dfs_patched"},
        {9, "BBC B", "rdbtnFSACPDFS100", "ACP DFS 1.00", "fs_dfs_patched"},
        {10, "Electron", "rdbtnFSACPDFS220", "ACP DFS 2.20", "fs_dfs_patched"},
        {11, "Electron", "rdbtnFSAcornADFS100", "Acorn ADFS 1.00", "fs_adfs_patched"},
    };
    ASSERT_EQ(FilingsystemRoms().size(), std::size(rows));
    for (const Row& row : rows) {
        const TFilingsystemRom& rom = FilingsystemRoms()[row.number - 1];
        EXPECT_EQ(rom.Number, row.number);
        EXPECT_STREQ(rom.Machine, row.machine);
        EXPECT_STREQ(rom.RadioButton, row.button);
        EXPECT_STREQ(rom.Caption, row.caption);
        const std::uint8_t patched = FilingsystemSubtype(row.number, true);
        const std::uint8_t original = FilingsystemSubtype(row.number, false);
        EXPECT_EQ(patched, row.number);
        EXPECT_EQ(original, row.number + 80);
        EXPECT_EQ(FilingsystemRomOfSubtype(patched), &rom);
        EXPECT_EQ(FilingsystemRomOfSubtype(original), &rom);
        EXPECT_EQ(FilingsystemIconKey(patched), row.iconKey);
        EXPECT_EQ(FilingsystemIconKey(original) + "_patched", row.iconKey);
        EXPECT_EQ(FilingsystemDescription(patched).rfind(" (", 0), 0u);
        EXPECT_NE(FilingsystemDescription(patched).find(" Patched)"), std::string::npos);
        EXPECT_NE(FilingsystemDescription(original).find(" Original)"), std::string::npos);
    }
}

TEST(Filingsystem, DescriptionsAsShown) {
    struct Row {
        std::uint8_t subtype;
        const char* description;
    };
    const Row rows[] = {
        {1, " (BBC B Acorn DNFS 1.20 Patched)"},
        {5, " (Master Acorn ADFS 1.50 Patched)"},
        {85, " (Master Acorn ADFS 1.50 Original)"},
        {87, " (Master Acorn DFS 2.03 Original)"},
        {7, " (Master Acorn DFS 2.03 Patched)"},
        {11, " (Electron Acorn DFS 1.00 Patched)"},
        {91, " (Electron Acorn DFS 1.00 Original)"},
        {90, " (Electron ACP DFS 2.20 Original)"},
        {0, ""},
        {12, ""},
        {80, ""},
        {92, ""},
        {255, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FilingsystemDescription(row.subtype), row.description) << int(row.subtype);
}

TEST(Filingsystem, PatchedToggle) {
    struct Row {
        std::uint8_t subtype;
        bool patched;
        std::uint8_t result;
    };
    const Row rows[] = {
        {90, true, 10}, {10, false, 90}, {10, true, 10},  {90, false, 90}, {1, false, 81},
        {91, true, 11}, {0, true, 0},    {12, false, 12}, {80, true, 80},  {92, true, 92},
    };
    for (const Row& row : rows)
        EXPECT_EQ(WithPatchedForm(row.subtype, row.patched), row.result)
            << int(row.subtype) << " " << row.patched;
    EXPECT_EQ(WithPatchedForm(WithPatchedForm(90, true), false), 90);
    EXPECT_EQ(FilingsystemSubtype(0, true), 0);
    EXPECT_EQ(FilingsystemSubtype(12, false), 0);
}

TEST(Filingsystem, CheckValueIsCrc16Modbus) {
    const std::string check = "123456789";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(check.data());
    EXPECT_EQ(Crc16Modbus(bytes, check.size()), 0x4B37);
    EXPECT_EQ(Crc16Modbus(bytes, 0), 0xFFFF);
    const std::uint8_t one[] = {0x01};
    EXPECT_EQ(Crc16Modbus(one, 1), 0x807E);

    TFilingsystem fs;
    EXPECT_FALSE(fs.IsFilingSystem(bytes, check.size())); // no ROM is known by its contents
    EXPECT_EQ(fs.Checksum, 0x4B37);
}
