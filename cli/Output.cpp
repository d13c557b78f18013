#include "cli/Output.h"

#include "formats/GlobalStuff.h"

namespace brelk::cli {

void WriteLines(std::ostream& out, const std::vector<std::string>& lines) {
    for (const auto& line : lines)
        out << CodePage1252ToUtf8(line) << "\n";
}

} // namespace brelk::cli
