// How the bytes of a file inside a disc or tape are shown: a BASIC program as LIST shows it,
// text with CR or LF line ends as text, anything else as a hex dump.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brelk {

enum class TFileViewAs { Auto, Basic, Text, Hex };

// Reads "auto", "basic", "text" or "hex"; false for any other word.
bool ParseFileViewAs(const std::string& word, TFileViewAs& as);

// Whether Data is text: printable ASCII, tab, CR and LF only, and not empty.
bool LooksLikeText(std::span<const std::uint8_t> data);

// The lines of Data shown As. Auto picks BASIC for a valid program of at least one line,
// then text, then hex. Text ends a line at CR, LF, CR LF or LF CR, each one end. Basic
// on bytes that are no valid program is refused with the reason.
bool FileViewLines(std::span<const std::uint8_t> data, TFileViewAs as,
                   std::vector<std::string>& lines, std::string& why);

} // namespace brelk
