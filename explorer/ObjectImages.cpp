#include "explorer/ObjectImages.h"

namespace brelk {

const std::vector<TObjectImageFile>& ObjectImageTable() {
    static const std::vector<TObjectImageFile> table = {
        {"OTHER", "object_other.bmp"},
        {"DISC_ADFS", "object_disc_adfs.bmp"},
        {"DISC_DFS", "object_disc_dfs.bmp"},
        {"DISC_DFS_SQUASHED", "object_disc_dfs_squashed.bmp"},
        {"DISC_TAPE", "object_disc_tape.bmp"},
        {"TOOL", "object_tool.bmp"},
        {"FS_DFS", "object_fs_dfs.bmp"},
        {"FS_ADFS", "object_fs_adfs.bmp"},
        {"FS_DNFS", "object_fs_dnfs.bmp"},
        {"FS_DFS_PATCHED", "object_fs_dfs_patched.bmp"},
        {"FS_ADFS_PATCHED", "object_fs_adfs_patched.bmp"},
        {"FS_DNFS_PATCHED", "object_fs_dnfs_patched.bmp"},
        {"DELETED", "object_deleted.bmp"},
    };
    return table;
}

namespace {

// ROM numbers 1 to 11: DNFS, then DFS and ADFS versions (see the filing-system table).
std::string FilingSystemKey(unsigned subtype) {
    bool original = subtype >= 81 && subtype <= 91;
    unsigned rom = original ? subtype - 80 : subtype;
    std::string family;
    switch (rom) {
    case 1:
        family = "fs_dnfs";
        break;
    case 2:
    case 4:
    case 6:
    case 8:
    case 9:
    case 10:
        family = "fs_dfs";
        break;
    case 3:
    case 5:
    case 7:
    case 11:
        family = "fs_adfs";
        break;
    default:
        return "";
    }
    return original ? family : family + "_patched";
}

std::string ImageKey(const TBrelkCatEntry& entry) {
    switch (entry.Subtype()) {
    case kSubtypeDFS:
        return entry.Size() % kDFSSideBytes == 0 ? "disc_dfs" : "disc_dfs_squashed";
    case kSubtypeADFS:
        return "disc_adfs";
    case kSubtypeTape:
        return "disc_tape";
    default:
        return "";
    }
}

} // namespace

std::string ObjectImageKey(const TBrelkCatEntry& entry) {
    switch (entry.Type()) {
    case kTypeDeleted:
        return "deleted";
    case kTypeFilingSystem:
        return FilingSystemKey(entry.Subtype());
    case kTypeTool:
        return "tool";
    case kTypeImage:
        return ImageKey(entry);
    default:
        return "";
    }
}

int IndexOfObjectImage(std::string_view key) {
    const auto& table = ObjectImageTable();
    for (std::size_t i = 0; i < table.size(); ++i)
        if (!key.empty() && SameName(key, table[i].Key))
            return int(i);
    return 0;
}

int ObjectImageIndex(const TBrelkCatEntry& entry) {
    return IndexOfObjectImage(ObjectImageKey(entry));
}

} // namespace brelk
