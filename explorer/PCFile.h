// Reading PC files for the import and brelk: the one place that takes a file whole into
// memory, and the unpacking of gzip-compressed files that follows it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelk {

enum class TPCFileStatus {
    Ok,
    Missing,    // no such file, or not a regular file
    CannotOpen, // exists but cannot be opened for reading
    TooLarge,   // 4 GiB or more: the card's 32-bit sizes cannot describe it
    ReadFailed, // fewer bytes than its length could be read
    NoMemory,   // no memory for its bytes
};

// Reads the regular file Path whole into Bytes (emptied on failure).
TPCFileStatus ReadWholePCFile(const std::string& path, std::vector<std::uint8_t>& bytes);

// The contents of a PC file as the analysis and the import see them.
struct TPCFileContents {
    std::vector<std::uint8_t> Bytes; // unpacked when the file was gzip-compressed
    std::uint64_t FileLength = 0;    // the length of the file itself
    bool Gzip = false;
};

// Reads Path and, when it begins with the gzip magic, unpacks it. False with Error holding the
// message for the user; Status tells a missing file from one that failed otherwise.
bool LoadPCFileContents(const std::string& path, TPCFileContents& contents, TPCFileStatus& status,
                        std::string& error);

} // namespace brelk
