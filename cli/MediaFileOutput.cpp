#include "cli/MediaFileOutput.h"

#include "explorer/MediaFileNumbers.h"
#include "formats/GlobalStuff.h"

#include <algorithm>

namespace brelk::cli {

std::string MediaFileLine(TMediaKind kind, const TMediaFile& file) {
    std::string name = PrintableName(file.Name);
    name.resize(std::max<std::size_t>(name.size(), 12), ' ');
    const TMediaFileNumbers numbers = MediaFileNumbers(kind, file);
    return std::to_string(file.Side) + " " + name + " " + numbers.Load + " " + numbers.Exec + " " +
           numbers.Length + (file.Locked ? " L" : "") +
           (file.Note.empty() ? "" : "  (" + file.Note + ")");
}

void WriteMediaFileFields(TJsonWriter& json, const TMediaFile& file) {
    json.Field("side", file.Side)
        .Field("name", file.Name)
        .Field("load", file.Load)
        .Field("exec", file.Exec)
        .Field("length", file.Length)
        .Field("locked", file.Locked);
    if (!file.Note.empty())
        json.Field("note", file.Note);
}

} // namespace brelk::cli
