// The check before formatting: real file systems, encrypted volumes and partition tables made
// by the system's own tools are recognised; a Brelk card, an empty device, a lone boot
// signature and short input are not.
#include "card/ForeignContents.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

using namespace brelk;
using namespace brelktest;

namespace {

// The first kForeignContentsBytes of the file, as the format command reads them.
std::vector<std::uint8_t> Start(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes(kForeignContentsBytes);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(in.gcount()));
    return bytes;
}

std::vector<std::uint8_t> Text(std::size_t at, const char* text) {
    std::vector<std::uint8_t> bytes(kForeignContentsBytes, 0);
    std::memcpy(bytes.data() + at, text, std::strlen(text));
    return bytes;
}

} // namespace

TEST(ForeignContentsTest, WhatTheSystemsToolsMake) {
    struct Case {
        const char* Tool;
        const char* Command; // makes $IMG, a 64 MiB sparse file, into the thing
        const char* Expected;
    };
    const Case cases[] = {
        {"mkfs.vfat", "mkfs.vfat -F 12 $IMG", "a FAT file system"},
        {"mkfs.vfat", "mkfs.vfat -F 16 $IMG", "a FAT file system"},
        {"mkfs.vfat", "mkfs.vfat -F 32 $IMG", "a FAT file system"},
        {"mkfs.exfat", "mkfs.exfat $IMG", "an exFAT file system"},
        {"mkntfs", "mkntfs -F -Q $IMG", "an NTFS file system"},
        {"mke2fs", "mke2fs -q -F -t ext2 $IMG", "an ext2/3/4 file system"},
        {"mke2fs", "mke2fs -q -F -t ext4 $IMG", "an ext2/3/4 file system"},
        {"mkswap", "mkswap $IMG", "a swap area"},
        {"sfdisk", "echo 'start=2048, type=c' | sfdisk -q $IMG", "a partition table"},
        {"sfdisk", "printf 'label: gpt\\nstart=2048\\n' | sfdisk -q $IMG", "a GPT partition table"},
        {"cryptsetup",
         "printf pw | cryptsetup luksFormat -q --pbkdf pbkdf2 --pbkdf-force-iterations 1000 "
         "$IMG -",
         "a LUKS encrypted volume"},
    };
    TTempDir dir;
    std::string missing;
    for (const Case& c : cases) {
        if (!HasTool(c.Tool)) {
            missing += std::string(" ") + c.Tool;
            continue;
        }
        const std::filesystem::path image = dir.Path("device.img");
        std::filesystem::remove(image);
        MakeImageFile(image, 64u << 20);
        const std::string command = "IMG='" + image.string() + "'; PATH=/usr/sbin:/sbin:$PATH; (" +
                                    c.Command + ") >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << c.Command;
        const std::vector<std::uint8_t> start = Start(image);
        EXPECT_EQ(ForeignContents(start.data(), start.size()), c.Expected) << c.Command;
    }
    if (!missing.empty())
        GTEST_SKIP() << "not installed, so not checked:" << missing;
}

TEST(ForeignContentsTest, NothingForeign) {
    std::vector<std::uint8_t> bootSignatureOnly(kForeignContentsBytes, 0);
    bootSignatureOnly[510] = 0x55;
    bootSignatureOnly[511] = 0xAA;
    // A Brelk card whose data area holds a disc that looks like a FAT boot sector.
    std::vector<std::uint8_t> brelk = Text(0, "BrelkCat");
    std::memcpy(brelk.data() + 82, "FAT32   ", 8);
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> cases = {
        {"empty", std::vector<std::uint8_t>(kForeignContentsBytes, 0)},
        {"brelk", brelk},
        {"boot signature, no partition", bootSignatureOnly},
        {"a FAT name alone is no file system", Text(54, "FAT16   ")},
        {"nothing at all", {}},
    };
    for (const auto& [name, bytes] : cases)
        EXPECT_EQ(ForeignContents(bytes.data(), bytes.size()), "") << name;
    // Short input is never read past its end.
    const std::uint8_t few[3] = {'E', 'X', 'F'};
    EXPECT_EQ(ForeignContents(few, 3), "");
}

// NTFS keeps its master file table far into a large volume, beyond the bytes read: the boot
// sector alone is enough.
TEST(ForeignContentsTest, NtfsBootSectorAlone) {
    if (!HasTool("mkntfs"))
        GTEST_SKIP() << "mkntfs not installed";
    TTempDir dir;
    const std::filesystem::path image = dir.Path("ntfs.img");
    MakeImageFile(image, 64u << 20);
    const std::string command =
        "PATH=/usr/sbin:/sbin:$PATH mkntfs -F -Q '" + image.string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::vector<std::uint8_t> start = Start(image);
    std::fill(start.begin() + 512, start.end(), 0);
    EXPECT_EQ(ForeignContents(start.data(), start.size()), "an NTFS file system");
}
