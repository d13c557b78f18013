// Writing PC files safely, as brelk's get writes its output: a fresh temporary file in the
// target's folder (created exclusively, never through a link), made durable, then renamed
// over the target only when it is absent or a regular file, and the rename made durable.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

namespace brelk {

// Why Path may not be replaced: it is a directory, a symbolic link, a pipe, a device or
// cannot be looked at. Empty when it is absent or a regular file.
std::string ReplaceRefusal(const std::string& path);

// Whether Path is an existing file that is read-only: no one may write it, or this user may
// not (root may write any file, so the permission bits decide for it too).
bool IsReadOnlyFile(const std::string& path);

// A new file in Path's folder, made with O_CREAT | O_EXCL | O_NOFOLLOW, whose name goes to
// Temp. -1 (errno set) when none can be made.
int CreateSafeTemporary(const std::string& path, std::string& temp);

// Many files written safely as one group, at the cost of a few syncs instead of one per
// file: Add writes each file's bytes into its own temporary; Commit makes every file system
// written to durable once (syncfs), renames each temporary over its target, and syncs once
// more for the renames. A crash therefore leaves a target as it was or with all its new
// bytes, never half written. Temporaries not committed are removed when the batch ends.
class TSafeWriteBatch {
  public:
    TSafeWriteBatch() = default;
    TSafeWriteBatch(const TSafeWriteBatch&) = delete;
    TSafeWriteBatch& operator=(const TSafeWriteBatch&) = delete;
    ~TSafeWriteBatch();

    // Writes Data into a temporary for Path. False, with the reason naming Path, when Path
    // may not be replaced or the temporary cannot be written (nothing of it is left).
    bool Add(const std::string& path, std::span<const std::uint8_t> data, std::string& why);
    // Puts every added file in place. False, with the reason, when the data cannot be made
    // durable (no target touched) or a target became something other than a regular file
    // meanwhile (the files before it are in place, the rest removed).
    bool Commit(std::string& why);
    // Removes the temporaries not yet committed.
    void Abandon();
    // The files added and not yet committed.
    std::size_t Pending() const { return Files.size(); }

  private:
    struct TPendingFile {
        std::string Temp;
        std::string Path;
    };
    std::vector<TPendingFile> Files;
    // One folder on each file system written to, for its syncfs.
    std::vector<std::pair<dev_t, std::string>> FileSystems;

    bool SyncFileSystems(std::string& why) const;
};

} // namespace brelk
