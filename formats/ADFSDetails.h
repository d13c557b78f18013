// The text form of an old-map ADFS disc for the details view and brelk cat.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brelk {

// The disc's root title, format and sector count, the counts of files and directories, an
// empty line, then its tree
// depth first, "$" at the top and each level indented by two spaces: name and access ("D"
// directory, "L" locked, "W" writable, "R" readable, "E" execute only) and, for a file, load,
// exec and length in hexadecimal. "This disc contains no files." for an empty root; one line
// with the reason for an image that is no readable ADFS disc.
std::vector<std::string> ADFSDiscLines(std::span<const std::uint8_t> image);

} // namespace brelk
