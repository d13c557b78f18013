#include "cli/Output.h"

#include "formats/GlobalStuff.h"

namespace brelk::cli {

void WriteLines(std::ostream& out, const std::vector<std::string>& lines, bool terminal) {
    for (const auto& line : lines)
        out << CodePage1252ToUtf8(terminal ? PrintableName(line) : line) << "\n";
}

} // namespace brelk::cli
