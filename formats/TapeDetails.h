// The tape catalogue text of the details view.
#pragma once

#include "formats/UEF.h"

#include <string>
#include <vector>

namespace brelk {

// "This tape contains no files." for an empty catalogue; else the entry count, an empty
// line, the column heading and one line per file in tape order: name padded to 10
// characters, " L" or two spaces, load address, length and execution address in
// hexadecimal. Control characters in a name are shown as "." so a line stays one line.
std::vector<std::string> TapeCatalogueLines(const TUEF& tape);

// The lines above the files: "This tape contains no files." or the entry count.
std::vector<std::string> TapeHeadLines(const TUEF& tape);

} // namespace brelk
