// The backup index text: writing it byte for byte and reading it back.
#include "explorer/Backup.h"

#include <gtest/gtest.h>

using namespace brelk;

namespace {

TBrelkCatEntry Entry(std::uint8_t type, std::uint8_t subtype, const std::string& name,
                     std::uint32_t size, std::uint32_t address) {
    TBrelkCatEntry e;
    e.SetType(type);
    e.SetSubtype(subtype);
    e.SetName(name);
    e.SetSize(size);
    e.SetAddress(address);
    return e;
}

TCatalogue Catalogue(const std::vector<TBrelkCatEntry>& entries) {
    TCatalogue catalogue;
    for (const auto& e : entries)
        catalogue.push_back(std::make_unique<TBrelkCatEntry>(e));
    return catalogue;
}

TEST(BackupIndexTest, ThreeLiveObjectsAndADeletedOneInAddressOrder) {
    // Catalogue order (type, subtype, name) differs from the address order on purpose.
    const TCatalogue catalogue = Catalogue({
        Entry(kTypeDeleted, 0, "GONE", 0x200, 0x3FF000),
        Entry(kTypeFilingSystem, 91, "MMFS", 0x4000, 0x3F9E00),
        Entry(kTypeTool, 0, "Tools.Disassembler", 0xA00, 0x3FC000),
        Entry(kTypeImage, kSubtypeDFS, "Games.Elite", 0x32000, 0x3C7C00),
    });
    const auto live = LiveEntriesByAddress(catalogue);
    ASSERT_EQ(live.size(), 3u);
    EXPECT_EQ(FormatBackupIndex(live, "15.03.2007 14:05:09"),
              "BrelkExplorer Backup (15.03.2007 14:05:09)\r\n"
              " 3  1 00032000 003C7C00 IMG00000.bin Games.Elite\r\n"
              " 1 91 00004000 003F9E00 IMG00001.bin MMFS\r\n"
              " 2  0 00000A00 003FC000 IMG00002.bin Tools.Disassembler\r\n");
}

TEST(BackupIndexTest, ImageNamesCountInUpperCaseHexadecimal) {
    const std::pair<std::uint32_t, const char*> cases[] = {{0, "IMG00000.bin"},
                                                           {9, "IMG00009.bin"},
                                                           {10, "IMG0000A.bin"},
                                                           {0xFFFF, "IMG0FFFF.bin"},
                                                           {0xABCDE, "IMGABCDE.bin"}};
    for (const auto& [number, name] : cases)
        EXPECT_EQ(ImageFileName(number), name) << number;
    // The eleventh line of an index names IMG0000A.bin.
    std::vector<TBrelkCatEntry> entries;
    for (std::uint32_t i = 0; i < 11; ++i)
        entries.push_back(Entry(kTypeTool, 0, "T" + std::to_string(i), 0x200, 0x1000 + i * 0x400));
    const TCatalogue catalogue = Catalogue(entries);
    const std::string text = FormatBackupIndex(LiveEntriesByAddress(catalogue), "x");
    EXPECT_NE(text.find(" 2  0 00000200 00003800 IMG0000A.bin T10\r\n"), std::string::npos);
    EXPECT_EQ(text.find("IMG00010.bin"), std::string::npos);
}

TEST(BackupIndexTest, ObjectLineColumns) {
    struct TCase {
        TBrelkCatEntry E;
        std::string Line;
    } const cases[] = {
        {Entry(1, 91, "ADFS", 0x4000, 0xABCDEF00), " 1 91 00004000 ABCDEF00 IMG00003.bin ADFS"},
        {Entry(3, 1, "D", 0x200, 0x400), " 3  1 00000200 00000400 IMG00003.bin D"},
        {Entry(2, 0, std::string(48, 'N'), 0xFFFFFE00, 0x200),
         " 2  0 FFFFFE00 00000200 IMG00003.bin " + std::string(48, 'N')},
        {Entry(2, 0, "", 0x200, 0x200), " 2  0 00000200 00000200 IMG00003.bin "},
        {Entry(2, 0, "Bad\rName\n", 0x200, 0x200),
         " 2  0 00000200 00000200 IMG00003.bin Bad?Name?"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BackupObjectLine(c.E, 3), c.Line);
}

TEST(BackupIndexTest, FolderBesideTheIndexAndProposedName) {
    const std::pair<const char*, const char*> cases[] = {
        {"/bak/20070315.txt", "/bak/20070315"}, {"/bak/set.one.txt", "/bak/set.one"},
        {"/bak/noext", "/bak/noext"},           {"/b.ak/noext", "/b.ak/noext"},
        {"relative.txt", "relative"},
    };
    for (const auto& [index, folder] : cases)
        EXPECT_EQ(BackupFolderOf(index), folder) << index;
    EXPECT_EQ(ProposedBackupFileName(2007, 3, 15), "20070315.txt");
    EXPECT_EQ(ProposedBackupFileName(2026, 12, 1), "20261201.txt");
}

TEST(BackupIndexTest, ReadsWhatItWrites) {
    const TCatalogue catalogue = Catalogue({
        Entry(kTypeFilingSystem, 91, "MMFS", 0x4000, 0x3F9E00),
        Entry(kTypeImage, kSubtypeTape, "Tapes.Frak!", 0x1200, 0x3F0000),
        Entry(kTypeTool, 0, std::string(48, 'z'), 0x200, 0x3FE000),
    });
    const auto live = LiveEntriesByAddress(catalogue);
    const TBackupIndex index = ParseBackupIndex(FormatBackupIndex(live, "now"));
    ASSERT_EQ(index.Status, TIndexStatus::Read);
    ASSERT_EQ(index.Objects.size(), 3u);
    for (std::size_t i = 0; i < live.size(); ++i) {
        EXPECT_EQ(index.Objects[i].Type, live[i]->Type());
        EXPECT_EQ(index.Objects[i].Subtype, live[i]->Subtype());
        EXPECT_EQ(index.Objects[i].Name, live[i]->Name());
        EXPECT_EQ(index.Objects[i].Image, ImageFileName(std::uint32_t(i)));
        EXPECT_EQ(index.Objects[i].LineNumber, i + 2);
    }
}

struct TParseCase {
    const char* What;
    std::string Text;
    TIndexStatus Status;
    std::size_t Objects;
    std::size_t BadLine;
    const char* Problem; // part of the problem text
};

TEST(BackupIndexTest, ParsingTable) {
    const std::string head = "BrelkExplorer Backup (1.1.2007 10:00:00)\r\n";
    const std::string a = " 3  1 00032000 003C7C00 IMG00000.bin Elite\r\n";
    const std::string b = " 2  0 00000200 003FC000 IMG00001.bin Tool\r\n";
    const TParseCase cases[] = {
        {"empty file", "", TIndexStatus::Read, 0, 0, ""},
        {"header only", head, TIndexStatus::Read, 0, 0, ""},
        {"two objects", head + a + b, TIndexStatus::Read, 2, 0, ""},
        {"comment between", head + a + "# Tool follows\r\n" + b, TIndexStatus::Read, 2, 0, ""},
        {"LF line ends, no end",
         "BrelkExplorer Backup\n 2  0 00000200 00000400 IMG00000.bin A\n"
         " 2  0 00000200 00000600 IMG00001.bin B",
         TIndexStatus::Read, 2, 0, ""},
        {"a line cut before its name",
         "BrelkExplorer Backup\n 2  0 00000200 00000400 IMG00000.bin A\n 2  0",
         TIndexStatus::Malformed, 0, 3, "names no object"},
        {"no name after the image", head + " 2  0 00000200 00000400 IMG00000.bin \r\n",
         TIndexStatus::Malformed, 0, 2, "names no object in columns 38 on"},
        {"lower-case header", "BrelkExplorer backup (x)\r\n" + a, TIndexStatus::NotIndex, 0, 0, ""},
        {"header too short", "BrelkExplorer Backu\r\n" + a, TIndexStatus::NotIndex, 0, 0, ""},
        {"some other text", "Hello\r\n", TIndexStatus::NotIndex, 0, 0, ""},
        {"empty line", head + a + "\r\n" + b, TIndexStatus::Malformed, 0, 3, "the line is empty"},
        {"blank line at the end", head + a + "\r\n", TIndexStatus::Malformed, 0, 3, "empty"},
        {"letters for type", head + "xx  1 00000200 00000400 IMG00000.bin A\r\n",
         TIndexStatus::Malformed, 0, 2, "type in columns 1-2 ('xx')"},
        {"type with a trailing space", head + "3   1 00000200 00000400 IMG00000.bin A\r\n",
         TIndexStatus::Malformed, 0, 2, "type in columns 1-2 ('3 ')"},
        {"missing subtype", head + a + " 3\r\n", TIndexStatus::Malformed, 0, 3,
         "subtype in columns 4-5 ('')"},
        {"signed subtype", head + " 3 -1 00000200 00000400 IMG00000.bin A\r\n",
         TIndexStatus::Malformed, 0, 2, "subtype in columns 4-5 ('-1')"},
        {"image in another folder", head + " 3  1 00000200 00000400 ../../secret A\r\n",
         TIndexStatus::Malformed, 0, 2, "image file name '../../secret'"},
    };
    for (const auto& c : cases) {
        const TBackupIndex index = ParseBackupIndex(c.Text);
        EXPECT_EQ(index.Status, c.Status) << c.What;
        EXPECT_EQ(index.Objects.size(), c.Objects) << c.What;
        EXPECT_EQ(index.BadLine, c.BadLine) << c.What;
        EXPECT_NE(index.Problem.find(c.Problem), std::string::npos)
            << c.What << ": " << index.Problem;
    }
}

TEST(BackupIndexTest, ShortLinesAndLongNames) {
    const std::string head = "BrelkExplorer Backup\r\n";
    const TBackupIndex index = ParseBackupIndex(
        head + " 2  0 00000200 00000400 IMG00000.bin S\r\n" + " 1 91 00004000 003F9E00 " +
        "IMG00001.bin " + std::string(60, 'L') + "\r\n");
    ASSERT_EQ(index.Status, TIndexStatus::Read);
    ASSERT_EQ(index.Objects.size(), 2u);
    EXPECT_EQ(index.Objects[0].Image, "IMG00000.bin");
    EXPECT_EQ(index.Objects[0].Name, "S");
    EXPECT_EQ(index.Objects[1].Type, 1);
    EXPECT_EQ(index.Objects[1].Subtype, 91);
    EXPECT_EQ(index.Objects[1].Image, "IMG00001.bin");
    EXPECT_EQ(index.Objects[1].Name, std::string(48, 'L'));
}

} // namespace
