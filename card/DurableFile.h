// Writing files that must survive a crash: every byte written, and a folder's entries synced.
#pragma once

#include <cstddef>
#include <string>

namespace brelk {

// Writes all Count bytes to Fd, over short writes and interruptions; false on a failure.
bool WriteAllTo(int fd, const void* data, std::size_t count);

// Makes the entries of Folder (a file created, renamed or removed there) durable.
bool SyncFolder(const std::string& folder);

} // namespace brelk
