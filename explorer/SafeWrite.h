// Writing a PC file safely, as brelk's get writes its output: a fresh temporary file in the
// target's folder (created exclusively, never through a link), every byte synced, renamed
// over the target only when it is absent or a regular file, and the folder synced.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace brelk {

// Why Path may not be replaced: it is a directory, a symbolic link, a pipe, a device or
// cannot be looked at. Empty when it is absent or a regular file.
std::string ReplaceRefusal(const std::string& path);

// A new file in Path's folder, made with O_CREAT | O_EXCL | O_NOFOLLOW, whose name goes to
// Temp. -1 (errno set) when none can be made.
int CreateSafeTemporary(const std::string& path, std::string& temp);

// Writes Data to Path as above. False, with the reason naming Path, when it cannot be
// written; no half file is left behind. Without SyncFolder the caller syncs the folder
// (once for many files written there).
bool WriteFileSafely(const std::string& path, std::span<const std::uint8_t> data, std::string& why,
                     bool syncFolder = true);

} // namespace brelk
