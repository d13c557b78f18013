// Writing details texts to a terminal or a file.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace brelk::cli {

// Each line in UTF-8 (its bytes taken as code page 1252, as the window shows them), followed
// by a line end. For a Terminal the control bytes show as ".", so none reaches it.
void WriteLines(std::ostream& out, const std::vector<std::string>& lines, bool terminal = false);

// A message that may hold a PC path as typed, with the bytes a terminal acts on (C0 controls,
// DEL, and the C1 controls as UTF-8) shown as \xNN: a file name cannot move the cursor, clear
// the screen or change the terminal's title. Other UTF-8 text stays as it is.
std::string TerminalSafe(std::string_view text);

} // namespace brelk::cli
