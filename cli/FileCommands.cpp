// brelk inspect, squash-image and expand-image: commands on PC files.
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "cli/PCFiles.h"
#include "formats/Classify.h"
#include "formats/DFSDetails.h"
#include "formats/DFSSideWalk.h"
#include "formats/TapeDetails.h"

#include <ostream>

namespace brelk::cli {

namespace {

void WriteSideJson(TJsonWriter& json, const TDFSDiscSide& side) {
    json.BeginObject()
        .Field("title", side.Title)
        .Field("cycle", int(side.Cycle))
        .Field("boot", int(side.BootOption))
        .Field("sector_count", int(side.SectorCount))
        .Field("sectors_used", int(side.SectorsUsed))
        .Field("last_used_sector", int(side.LastUsedSector))
        .Field("has62", side.Has62Files)
        .BeginArray("entries");
    for (const auto& e : side.Entries)
        json.BeginObject()
            .Field("dir", std::string(1, e.Directory))
            .Field("name", e.Name)
            .Field("locked", e.Locked)
            .Field("load", e.LoadAddress)
            .Field("exec", e.ExecAddress)
            .Field("length", e.Length)
            .Field("start", int(e.StartSector))
            .EndObject();
    json.EndArray().EndObject();
}

void WriteTapeJson(TJsonWriter& json, const TUEF& tape) {
    json.BeginObject("tape")
        .Field("uef_version", tape.UEFVersion)
        .Field("short_title", tape.ShortTitle)
        .Field("origin", tape.OriginInfo)
        .Field("useable_size", tape.UseableDataSize())
        .BeginArray("entries");
    for (const auto& e : tape.Entries)
        json.BeginObject()
            .Field("name", e->Name)
            .Field("locked", e->Locked)
            .Field("load", e->LoadAddress)
            .Field("exec", e->ExecAddress)
            .Field("length", e->Length)
            .EndObject();
    json.EndArray().EndObject();
}

void WriteSidesText(std::ostream& out, const TAcornDFSDiscObject& disc) {
    for (std::size_t i = 0; i < disc.aDiscSides.size(); ++i) {
        if (i > 0)
            out << "\n";
        out << Latin1ToUtf8(DFSSideTabLabel(int(i), disc.aDiscSides[i])) << "\n";
        WriteLines(out, DFSSideLines(disc.aDiscSides[i]));
    }
}

int RunInspect(const TArgs& args, TContext& context) {
    args.ExpectPositional(1, "FILE");
    const std::vector<std::uint8_t> bytes = ReadPCFile(args.Positional()[0]);
    TAcornDFSDiscObject first;
    TUEF tape;
    const TContentKind kind = ClassifyContents(bytes.data(), bytes.size(), first, tape);
    TAcornDFSDiscObject disc; // every side, walked as the details view walks a disc object
    if (kind == TContentKind::DFSDisc)
        WalkDFSSides(disc, bytes.data(), bytes.size());
    if (args.Has("--json")) {
        TJsonWriter json(context.Out);
        const char* name = kind == TContentKind::DFSDisc ? "dfs"
                           : kind == TContentKind::Tape  ? "tape"
                                                         : "tool";
        json.BeginObject().Field("kind", name).Field("length", std::uint64_t(bytes.size()));
        if (kind == TContentKind::DFSDisc) {
            json.BeginArray("sides");
            for (const auto& side : disc.aDiscSides)
                WriteSideJson(json, side);
            json.EndArray();
        } else if (kind == TContentKind::Tape) {
            WriteTapeJson(json, tape);
        }
        json.EndObject();
        context.Out << "\n";
    } else if (kind == TContentKind::DFSDisc) {
        WriteSidesText(context.Out, disc);
    } else if (kind == TContentKind::Tape) {
        WriteLines(context.Out, TapeCatalogueLines(tape));
    } else {
        context.Out << "tool (" << bytes.size() << " bytes)\n";
    }
    return 0;
}

int RunTransform(const TArgs& args, TContext& context, bool squash) {
    args.ExpectPositional(1, "FILE");
    const auto output = args.Value("--output");
    if (!output)
        throw TUsageError("the result needs a file: -o OUT");
    const std::string& path = args.Positional()[0];
    const std::vector<std::uint8_t> in = ReadPCFile(path);
    std::vector<std::uint8_t> out;
    bool padded = false;
    bool ok = squash ? SquashDiscImage(in, out) : ExpandDiscImage(in, out, &padded);
    if (!ok)
        throw TFailure(path + ": not a DFS disc image (its first side is refused)");
    WritePCFile(*output, [&out](std::ostream& file) {
        file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    });
    context.Out << (squash ? "Squashed " : "Expanded ") << path << ": " << in.size() << " -> "
                << out.size() << " bytes" << (!squash && !padded ? " (no side needed padding)" : "")
                << "\n";
    return 0;
}

int RunSquashImage(const TArgs& args, TContext& context) {
    return RunTransform(args, context, true);
}
int RunExpandImage(const TArgs& args, TContext& context) {
    return RunTransform(args, context, false);
}

} // namespace

TCommand InspectCommand() {
    return {
        "inspect",
        "FILE [--json]",
        "Tell what a PC file is, as the add dialog decides it",
        "A file whose first 1024 bytes (padded with zeros when shorter) hold a DFS catalogue is\n"
        "a DFS disc: its sides are listed as the details view shows them. Else a UEF file is a\n"
        "tape, listed with its catalogue. Anything else is a tool.\n",
        {{"--json", false, ""}},
        false,
        RunInspect};
}

TCommand SquashImageCommand() {
    return {"squash-image",
            "FILE -o OUT",
            "Cut every side of a DFS disc image to its used sectors",
            "Each side that the disc's side walk finds is squashed; the sides stay back to back.\n",
            {{"--output", true, "-o"}},
            false,
            RunSquashImage};
}

TCommand ExpandImageCommand() {
    return {"expand-image",
            "FILE -o OUT",
            "Pad every side of a DFS disc image to 204800 bytes",
            "Each side that the disc's side walk finds becomes a full 80-track side.\n",
            {{"--output", true, "-o"}},
            false,
            RunExpandImage};
}

} // namespace brelk::cli
