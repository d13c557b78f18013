// Reading and writing PC files for brelk.
#pragma once

#include "explorer/PCFile.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace brelk::cli {

// The whole file; TFailure when it is no regular file, cannot be read or is 4 GiB or more.
std::vector<std::uint8_t> ReadPCFile(const std::string& path);

// Opens Path into Reader for reading in pieces; TFailure as for ReadPCFile.
void OpenPCFile(const std::string& path, TPCFileReader& reader);

// The file's contents, unpacked when gzip-compressed (of a plain file too large to be a disc
// or tape image only the head, HeadOnly); TFailure when they cannot be had.
TPCFileContents ReadPCFileUnpacked(const std::string& path);
// Writes the file through a fresh temporary file (created exclusively, never through a link)
// in Path's folder, renamed over Path only when Write finished, every byte reached the disc
// and Path is absent or a regular file; a directory, device, pipe or symbolic link at Path is
// refused. A failure (a TFailure thrown by Write included) leaves no half file. Path "-"
// writes to StandardOutput instead.
void WritePCFile(const std::string& path, std::ostream& standardOutput,
                 const std::function<void(std::ostream&)>& write);

} // namespace brelk::cli
