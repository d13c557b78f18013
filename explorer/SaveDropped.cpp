#include "explorer/SaveDropped.h"

#include "explorer/ExtractNames.h"
#include "explorer/ObjectTransfer.h"
#include "explorer/SafeWrite.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace brelk {

namespace {

// Whether Entry's data lies in the object area and overlaps none of Kept.
bool BackedByData(TBrelk& card, const TBrelkCatEntry& entry,
                  const std::vector<TBrelkCatEntry>& kept) {
    const std::int64_t catalogueEnd = std::int64_t(
        RoundUpToBlocks(kCatalogueHeaderSize + kept.size() * kCatEntrySize,
                        card.State().BytesPerSector ? card.State().BytesPerSector : 512));
    if (entry.Size() == 0 || std::int64_t(entry.Address()) < catalogueEnd ||
        !ObjectWithinUsableLimit(card, entry))
        return false;
    return std::none_of(kept.begin(), kept.end(), [&](const TBrelkCatEntry& other) {
        return other.FootprintStart() < entry.FootprintEnd() &&
               std::int64_t(entry.Address()) < other.FootprintEnd();
    });
}

std::string Describe(const TBrelkCatEntry& entry) {
    return "'" + VisibleName(entry.Name()) + "' (" + std::to_string(entry.Size()) + " bytes)";
}

} // namespace

std::string SaveFolderRefusal(const std::string& folder) {
    struct stat info {};
    // A folder that is not there yet is made, as its parent allows.
    if (::stat(folder.c_str(), &info) != 0 &&
        (errno != ENOENT || ::mkdir(folder.c_str(), 0777) != 0 ||
         ::stat(folder.c_str(), &info) != 0))
        return folder + ": " + std::strerror(errno);
    if (!S_ISDIR(info.st_mode))
        return folder + ": not a folder";
    std::string temp;
    const int fd = CreateSafeTemporary(folder + "/.brelk-save-dropped", temp);
    if (fd < 0)
        return folder + ": no file can be written there (" + std::strerror(errno) + ")";
    ::close(fd);
    ::unlink(temp.c_str());
    return std::string();
}

bool SaveDroppedEntries(TBrelk& card, const std::vector<TBrelkCatEntry>& dropped,
                        const std::vector<TBrelkCatEntry>& kept, const std::string& folder,
                        std::vector<std::string>& lines, std::string& why) {
    TSafeWriteBatch batch;
    std::vector<std::string> saved;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < dropped.size(); ++i) {
        const TBrelkCatEntry& entry = dropped[i];
        if (!BackedByData(card, entry, kept) || !ReadWholeObject(card, entry, bytes)) {
            lines.push_back(Describe(entry) + ": nothing, no object data backs it");
            continue;
        }
        const std::string path = folder + "/dropped-" + std::to_string(i + 1) + "-" +
                                 PCFileNameOf(entry.Name()) + ".bin";
        if (!batch.Add(path, bytes, why))
            return false;
        lines.push_back(Describe(entry) + " to " + path);
    }
    return batch.Commit(why);
}

} // namespace brelk
