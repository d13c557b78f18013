// A file inside a disc or tape as brelk files and brelk find write it.
#pragma once

#include "cli/Json.h"
#include "explorer/DiscFiles.h"

#include <string>

namespace brelk::cli {

// "SIDE NAME LOAD EXEC LENGTH", the name padded to 12 characters and made printable, then
// " L" when locked and the note in brackets; bytes as the media hold them (code page 1252).
std::string MediaFileLine(TMediaKind kind, const TMediaFile& file);

// The fields side, name, load, exec, length, locked and (when there is one) note.
void WriteMediaFileFields(TJsonWriter& json, const TMediaFile& file);

} // namespace brelk::cli
