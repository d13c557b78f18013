// Writing details texts to a terminal or a file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace brelk::cli {

// Each line in UTF-8 (its bytes taken as code page 1252, as the window shows them), followed
// by a line end. For a Terminal the control bytes show as ".", so none reaches it.
void WriteLines(std::ostream& out, const std::vector<std::string>& lines, bool terminal = false);

} // namespace brelk::cli
