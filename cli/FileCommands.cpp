// brelk inspect, squash-image and expand-image: commands on PC files.
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "cli/PCFiles.h"
#include "explorer/ContentAnalysis.h"
#include "explorer/PCFile.h"
#include "formats/DFSDetails.h"
#include "formats/DFSSideWalk.h"
#include "formats/GlobalStuff.h"
#include "formats/TapeDetails.h"

#include <ostream>

namespace brelk::cli {

namespace {

void WriteSideJson(TJsonWriter& json, const TDFSDiscSide& side) {
    json.BeginObject()
        .Field("title", CodePage1252ToUtf8(side.Title))
        .Field("cycle", int(side.Cycle))
        .Field("boot", int(side.BootOption))
        .Field("sector_count", int(side.SectorCount))
        .Field("sectors_used", int(side.SectorsUsed))
        .Field("last_used_sector", int(side.LastUsedSector))
        .Field("has62", side.Has62Files)
        .BeginArray("entries");
    for (const auto& e : side.Entries)
        json.BeginObject()
            .Field("dir", CodePage1252ToUtf8(std::string(1, e.Directory)))
            .Field("name", CodePage1252ToUtf8(e.Name))
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
        .Field("short_title", CodePage1252ToUtf8(tape.ShortTitle))
        .Field("origin", CodePage1252ToUtf8(tape.OriginInfo))
        .Field("useable_size", tape.UseableDataSize())
        .BeginArray("entries");
    for (const auto& e : tape.Entries)
        json.BeginObject()
            .Field("name", CodePage1252ToUtf8(e->Name))
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
        out << CodePage1252ToUtf8(DFSSideTabLabel(int(i), disc.aDiscSides[i])) << "\n";
        WriteLines(out, DFSSideLines(disc.aDiscSides[i]));
    }
}

// How a DFS image lies in its file, in words.
// The length that inspect shows: of the unpacked bytes, or of the whole large file.
std::uint64_t ContentsLength(const TPCFileContents& contents) {
    return contents.HeadOnly ? contents.FileLength : contents.Bytes.size();
}

std::string LayoutText(const TContentAnalysis& found) {
    if (found.ReadAs != TReadAs::DFSInterleaved)
        return "sides one after the other";
    return found.Layout.Why;
}

// Labelled (one of several files): the object names its file first.
void WriteInspectJson(std::ostream& out, const std::string& path, bool labelled,
                      const TPCFileContents& contents, const TContentAnalysis& found,
                      const TAcornDFSDiscObject& disc, const TUEF& tape) {
    TJsonWriter json(out);
    const bool isDisc = found.ReadAs == TReadAs::DFS || found.ReadAs == TReadAs::DFSInterleaved;
    const char* kind = isDisc                          ? "dfs"
                       : found.ReadAs == TReadAs::Tape ? "tape"
                       : found.ReadAs == TReadAs::ADFS ? "adfs"
                                                       : "tool";
    json.BeginObject();
    if (labelled)
        json.Field("file", path);
    json.Field("kind", kind).Field("length", ContentsLength(contents));
    if (isDisc) {
        json.BeginArray("sides");
        for (const auto& side : disc.aDiscSides)
            WriteSideJson(json, side);
        json.EndArray().Field("layout", LayoutText(found));
    } else if (found.ReadAs == TReadAs::Tape) {
        WriteTapeJson(json, tape);
    }
    json.Field("read_as", ReadAsText(found.ReadAs))
        .Field("gzip", contents.Gzip)
        .Field("note", found.Note)
        .EndObject();
    out << "\n";
}

void InspectFile(const std::string& path, bool json, bool labelled, TContext& context);

// Each file in turn; with several, each text begins with the file's name and a failure is
// said and passed over.
int RunInspect(const TArgs& args, TContext& context) {
    if (args.Positional().empty())
        throw TUsageError("missing argument: expected FILE...");
    const std::vector<std::string>& files = args.Positional();
    if (files.size() == 1) {
        InspectFile(files.front(), args.Has("--json"), false, context);
        return 0;
    }
    int status = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!args.Has("--json"))
            context.Out << (i > 0 ? "\n" : "") << files[i] << ":\n";
        try {
            InspectFile(files[i], args.Has("--json"), true, context);
        } catch (const TFailure& failure) {
            context.Err << "brelk: " << TerminalSafe(failure.what()) << "\n";
            status = 1;
        }
    }
    return status;
}

void InspectFile(const std::string& path, bool json, bool labelled, TContext& context) {
    const TPCFileContents contents = ReadPCFileUnpacked(path);
    const TContentAnalysis found = AnalysePCFile(contents, path);
    TAcornDFSDiscObject disc; // every side, walked as the details view walks a disc object
    std::vector<std::uint8_t> sides;
    const std::span<const std::uint8_t> form = DFSCardForm(contents.Bytes, found.ReadAs, sides);
    if (found.ReadAs == TReadAs::DFS || found.ReadAs == TReadAs::DFSInterleaved)
        WalkDFSSides(disc, form.data(), form.size());
    TUEF tape;
    if (found.ReadAs == TReadAs::Tape)
        tape.FetchUEF(contents.Bytes);
    if (json) {
        WriteInspectJson(context.Out, path, labelled, contents, found, disc, tape);
        return;
    }
    if (contents.Gzip)
        context.Out << "gzip-compressed, " << contents.Bytes.size() << " bytes unpacked\n";
    if (!disc.aDiscSides.empty()) {
        // A plain image goes without a word; an interleaved one says how it was read.
        if (found.ReadAs == TReadAs::DFSInterleaved)
            context.Out << "DFS disc, " << LayoutText(found)
                        << (found.Note.empty() ? "" : "; " + found.Note) << "\n";
        WriteSidesText(context.Out, disc);
    } else if (found.ReadAs == TReadAs::Tape) {
        WriteLines(context.Out, TapeCatalogueLines(tape));
    } else if (found.ReadAs == TReadAs::ADFS) {
        context.Out << found.Note << ", " << ContentsLength(contents) << " bytes\n";
    } else {
        context.Out << "tool (" << ContentsLength(contents) << " bytes)"
                    << (found.Note.empty() ? "" : ": " + found.Note) << "\n";
    }
}

int RunTransform(const TArgs& args, TContext& context, bool squash) {
    args.ExpectPositional(1, "FILE");
    const auto output = args.Value("--output");
    if (!output)
        throw TUsageError("the result needs a file: -o OUT");
    const std::string& path = args.Positional()[0];
    const TPCFileContents contents = ReadPCFileUnpacked(path);
    if (contents.HeadOnly)
        throw TFailure(path + ": not a DFS disc image (too large for a disc or tape image)");
    const TContentAnalysis found = AnalysePCFile(contents, path);
    std::vector<std::uint8_t> sides;
    const std::span<const std::uint8_t> in = DFSCardForm(contents.Bytes, found.ReadAs, sides);
    std::vector<std::uint8_t> out;
    bool padded = false;
    bool ok = squash ? SquashDiscImage(in, out) : ExpandDiscImage(in, out, &padded);
    if (!ok)
        throw TFailure(path + ": not a DFS disc image (its first side is refused" +
                       (found.Note.empty() ? "" : ": " + found.Note) + ")");
    // A ".dsd" name gets the sides track by track, as such files hold them.
    const bool interleave = HasDsdExtension(*output);
    if (interleave)
        out = InterleaveDFSCardForm(out);
    if (out.empty())
        throw TFailure(path + ": the disc has more sides than a .dsd image holds");
    WritePCFile(*output, context.Out, [&out](std::ostream& file) {
        file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    });
    // With the image on standard output ("-o -") the summary goes to standard error.
    std::ostream& summary = *output == "-" ? context.Err : context.Out;
    summary << (squash ? "Squashed " : "Expanded ") << path << ": " << contents.Bytes.size()
            << " -> " << out.size() << " bytes"
            << (!squash && !padded ? " (no side needed padding)" : "");
    if (found.ReadAs == TReadAs::DFSInterleaved || interleave)
        summary << " (" << LayoutText(found)
                << (interleave ? "; written interleaved"
                               : "; written with the sides one after the other")
                << (found.Note.empty() ? "" : "; " + found.Note) << ")";
    summary << "\n";
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
        "FILE... [--json]",
        "Tell what PC files are, as the add dialog decides it",
        "A gzip-compressed file is unpacked first. A file whose first 1024 bytes (padded with\n"
        "zeros when shorter) hold a DFS catalogue is a DFS disc: its layout is named (an\n"
        "interleaved double-sided image holds its sides track by track) and its sides are\n"
        "listed as the details view shows them. Else a UEF file is a tape, listed with its\n"
        "catalogue. Anything else is a tool, with the reason when it looks like a disc or tape.\n"
        "Several files are told one after the other, each under its name (with --json one\n"
        "JSON object per line); one that cannot be read is said and makes the exit status 1.\n",
        {{"--json", false, ""}},
        false,
        RunInspect};
}

TCommand SquashImageCommand() {
    return {"squash-image",
            "FILE -o OUT",
            "Cut every side of a DFS disc image to its used sectors",
            "Each side that the disc's side walk finds is squashed; the sides stay back to back.\n"
            "Gzip-compressed files are unpacked and interleaved double-sided images taken apart\n"
            "first; the result holds the sides one after the other, or track by track (track t\n"
            "of side s at (2t + s) x 2560) when OUT ends in \".dsd\".\n",
            {{"--output", true, "-o"}},
            false,
            RunSquashImage};
}

TCommand ExpandImageCommand() {
    return {"expand-image",
            "FILE -o OUT",
            "Pad every side of a DFS disc image to 204800 bytes",
            "Each side that the disc's side walk finds becomes a full 80-track side.\n"
            "Gzip-compressed files are unpacked and interleaved double-sided images taken apart\n"
            "first; the result holds the sides one after the other, or track by track (track t\n"
            "of side s at (2t + s) x 2560) when OUT ends in \".dsd\".\n",
            {{"--output", true, "-o"}},
            false,
            RunExpandImage};
}

} // namespace brelk::cli
