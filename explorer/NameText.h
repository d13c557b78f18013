// The one way an object's name from the card is shown, everywhere: the tree, the details,
// brelk's text and JSON, and every message. A name copied from any of them finds the object
// again through NameFromText.
#pragma once

#include <string>
#include <string_view>

namespace brelk {

// Raw, the name's bytes on the card, as UTF-8 text: code page 1252 characters, with \xNN for
// the bytes that show nothing and \\ for a backslash.
std::string NameText(std::string_view raw);

// The name's bytes that Text shows: UTF-8 as code page 1252, "\xNN" read as the byte NN and
// "\\" as one backslash; any other backslash stands for itself. Text that is no UTF-8 is taken
// as the bytes themselves. False when a character has no code page 1252 byte.
bool NameFromText(std::string_view text, std::string& raw);

} // namespace brelk
