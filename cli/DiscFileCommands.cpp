// brelk files, extract, view, insert and delete-file: the files inside the disc and tape
// objects on the card.
#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "cli/PCFiles.h"
#include "cli/TerminalProgress.h"
#include "explorer/AcornWildcard.h"
#include "explorer/DiscFiles.h"
#include "explorer/MediaFileNumbers.h"
#include "explorer/NameText.h"
#include "explorer/ObjectTransfer.h"
#include "formats/GlobalStuff.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>

#include <unistd.h>

namespace brelk::cli {

namespace {

// The object named on the command line, its bytes and its files.
struct TOpenObject {
    const TBrelkCatEntry* Entry = nullptr;
    std::string Name;
    std::vector<std::uint8_t> Bytes;
    TMediaListing Listing;
};

std::vector<std::string> From(const TArgs& args, std::size_t first) {
    const auto& all = args.Positional();
    return std::vector<std::string>(all.begin() + std::ptrdiff_t(std::min(first, all.size())),
                                    all.end());
}

// Reads Entry's bytes and lists its files; TFailure when it has none or cannot be read.
void LoadObject(TCardSession& session, const TBrelkCatEntry* entry, TOpenObject& object) {
    object.Entry = entry;
    object.Name = VisibleName(entry->Name());
    TMediaKind kind;
    if (!MediaKindOf(*entry, kind))
        throw TFailure("'" + object.Name + "' is no disc or tape object");
    if (!ReadWholeObject(session.Card(), *entry, object.Bytes))
        session.Fail(session.Path + ": '" + object.Name + "' could not be read");
    std::string why;
    if (!ListMediaFiles(kind, object.Bytes, object.Listing, why))
        throw TFailure("'" + object.Name + "': " + why);
}

void OpenObject(TCardSession& session, const TArgs& args, TOpenObject& object) {
    session.RequireCatalogue();
    LoadObject(session, session.FindObject(args.Positional()[1], args), object);
}

// The drive that --side names, or -1 without it.
int SideOption(const TArgs& args) {
    const auto side = args.Number("--side", 0, 4);
    if (side && DFSSideOfDrive(int(*side)) < 0)
        throw TUsageError("--side takes a drive number 0 to 4");
    return side ? int(*side) : -1;
}

std::vector<const TMediaFile*> Choose(const TOpenObject& object,
                                      const std::vector<std::string>& patterns, int side) {
    std::vector<const TMediaFile*> chosen;
    std::string why;
    if (!ChooseMediaFiles(object.Listing, patterns, side, chosen, why))
        throw TFailure("'" + object.Name + "': " + why);
    return chosen;
}

int RunFiles(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "CARD OBJECT");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadOnly);
    TOpenObject object;
    OpenObject(session, args, object);
    if (args.Has("--json")) {
        TJsonWriter json(context.Out);
        json.BeginObject().BeginArray("files");
        for (const TMediaFile& file : object.Listing.Files)
            json.BeginObject()
                .Field("side", file.Side)
                .Field("name", file.Name)
                .Field("load", file.Load)
                .Field("exec", file.Exec)
                .Field("length", file.Length)
                .Field("locked", file.Locked)
                .EndObject();
        json.EndArray().EndObject();
        context.Out << "\n";
        return 0;
    }
    std::vector<std::string> lines;
    for (const TMediaFile& file : object.Listing.Files) {
        std::string name = PrintableName(file.Name);
        name.resize(std::max<std::size_t>(name.size(), 12), ' ');
        const TMediaFileNumbers numbers = MediaFileNumbers(object.Listing.Kind, file);
        lines.push_back(std::to_string(file.Side) + " " + name + " " + numbers.Load + " " +
                        numbers.Exec + " " + numbers.Length + (file.Locked ? " L" : ""));
    }
    WriteLines(context.Out, lines);
    return 0;
}

TExtractOptions ExtractOptions(const TArgs& args) {
    TExtractOptions options;
    options.Inf = args.Has("--inf");
    options.Force = args.Has("--force");
    return options;
}

// Extracts Chosen of Object below Folder into Batch; TFailure with the reason.
void ExtractInto(const TArgs& args, const TOpenObject& object,
                 const std::vector<const TMediaFile*>& chosen, const std::string& folder,
                 TSafeWriteBatch& batch, std::vector<std::string>& written,
                 TJobProgress* progress) {
    std::string why;
    if (!ExtractMediaFiles(object.Listing, object.Bytes, chosen, folder, ExtractOptions(args),
                           written, why, progress, &batch))
        throw TFailure(
            "'" + object.Name + "': " + why +
            (why.find("exists already") != std::string::npos ? " (--force replaces it)" : ""));
}

void CommitExtract(TSafeWriteBatch& batch, const std::vector<std::string>& written,
                   TContext& context) {
    std::string why;
    if (!batch.Commit(why))
        throw TFailure(why);
    for (const std::string& path : written)
        context.Out << path << "\n";
}

// The folder below DIR that an object's files go to when OBJECT is a wildcard: the name
// get gives the object's file, without its extension.
std::string ObjectFolderName(const TBrelkCatEntry& entry) {
    const std::string file = ObjectFileName(entry, 1);
    return CodePage1252ToUtf8(PrintableName(file.substr(0, file.rfind('.'))));
}

// The disc and tape objects that OBJECT, a wildcard, chooses, each with its own folder;
// refused as a whole when two would share a folder.
std::vector<std::pair<const TBrelkCatEntry*, std::string>> ObjectsWithFiles(TCardSession& session,
                                                                            const TArgs& args) {
    std::vector<std::pair<const TBrelkCatEntry*, std::string>> objects;
    std::map<std::string, const TBrelkCatEntry*> taken;
    for (const TBrelkCatEntry* entry : session.FindObjects({args.Positional()[1]}, args)) {
        TMediaKind kind;
        if (!MediaKindOf(*entry, kind))
            continue;
        const std::string folder = ObjectFolderName(*entry);
        if (const auto [it, fresh] = taken.emplace(folder, entry); !fresh)
            throw TFailure(session.Path + ": '" + NameText(it->second->Name()) + "' and '" +
                           NameText(entry->Name()) + "' would both be extracted into " + folder +
                           "; extract them one by one");
        objects.emplace_back(entry, folder);
    }
    if (objects.empty())
        throw TFailure(session.Path + ": no disc or tape object matches '" + args.Positional()[1] +
                       "'");
    return objects;
}

// The files that Patterns choose in one of several objects: there a pattern may match
// nothing; Used records the patterns that matched.
std::vector<const TMediaFile*> ChooseIn(const TOpenObject& object,
                                        const std::vector<std::string>& patterns,
                                        std::vector<bool>& used) {
    std::vector<std::string> matching;
    for (std::size_t p = 0; p < patterns.size(); ++p) {
        std::vector<const TMediaFile*> chosen;
        std::string why;
        if (ChooseMediaFiles(object.Listing, {patterns[p]}, -1, chosen, why)) {
            matching.push_back(patterns[p]);
            used[p] = true;
        }
    }
    if (!patterns.empty() && matching.empty())
        return {};
    return Choose(object, matching, -1);
}

// Every object that the wildcard OBJECT chooses, one at a time in memory, each into
// DIR/NAME/; the files of all are put in place together at the end.
void ExtractSeveral(const TArgs& args, TContext& context, TCardSession& session,
                    const std::string& folder) {
    session.RequireCatalogue();
    const auto objects = ObjectsWithFiles(session, args);
    const std::vector<std::string> patterns = From(args, 2);
    std::vector<bool> used(patterns.size(), false);
    TSafeWriteBatch batch;
    std::vector<std::string> written;
    TTerminalProgress progress(STDERR_FILENO, args.Has("--quiet"));
    progress.Begin("Extracting");
    for (std::size_t i = 0; i < objects.size(); ++i) {
        TOpenObject object;
        LoadObject(session, objects[i].first, object);
        progress.Report(i + 1, objects.size(), object.Name);
        ExtractInto(args, object, ChooseIn(object, patterns, used),
                    (std::filesystem::path(folder) / objects[i].second).string(), batch, written,
                    nullptr);
    }
    progress.End();
    for (std::size_t p = 0; p < patterns.size(); ++p)
        if (!used[p])
            throw TFailure("no file matches '" + patterns[p] + "' in any object");
    CommitExtract(batch, written, context);
}

int RunExtract(const TArgs& args, TContext& context) {
    if (args.Positional().size() < 2)
        throw TUsageError("missing argument: expected CARD OBJECT [FILE...]");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadOnly);
    const std::string folder = args.Value("--output").value_or(".");
    if (HasAcornWildcard(args.Positional()[1])) {
        ExtractSeveral(args, context, session, folder);
        return 0;
    }
    TOpenObject object;
    OpenObject(session, args, object);
    TSafeWriteBatch batch;
    std::vector<std::string> written;
    TTerminalProgress progress(STDERR_FILENO, args.Has("--quiet"));
    ExtractInto(args, object, Choose(object, From(args, 2), -1), folder, batch, written, &progress);
    CommitExtract(batch, written, context);
    return 0;
}

int RunView(const TArgs& args, TContext& context) {
    args.ExpectPositional(3, "CARD OBJECT FILE");
    TFileViewAs as = TFileViewAs::Auto;
    if (!ParseFileViewAs(args.Value("--as").value_or("auto"), as))
        throw TUsageError("--as takes auto, basic, text or hex");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadOnly);
    TOpenObject object;
    OpenObject(session, args, object);
    const auto chosen = Choose(object, {args.Positional()[2]}, SideOption(args));
    if (chosen.size() != 1)
        throw TFailure("'" + object.Name + "': '" + args.Positional()[2] + "' matches " +
                       std::to_string(chosen.size()) + " files; name one (or give --side)");
    std::vector<std::string> lines;
    std::string why;
    if (!ViewMediaFile(object.Listing, object.Bytes, *chosen[0], as, lines, why))
        throw TFailure("'" + object.Name + "': " + why);
    WriteLines(context.Out, lines);
    return 0;
}

std::uint32_t HexOption(const TArgs& args, const std::string& name, std::uint32_t fallback) {
    const auto value = args.Value(name);
    if (!value)
        return fallback;
    std::string digits = *value;
    if (digits.rfind("&", 0) == 0)
        digits.erase(0, 1);
    else if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0)
        digits.erase(0, 2);
    char* end = nullptr;
    const unsigned long long number = std::strtoull(digits.c_str(), &end, 16);
    if (digits.empty() || *end != 0 || number > 0xFFFFFFFFull)
        throw TUsageError(name + " takes a hexadecimal address");
    return std::uint32_t(number);
}

// The .inf sidecar of Path, when there is one.
bool ReadInf(const std::string& path, TInfFields& fields) {
    std::ifstream in(path + ".inf");
    std::string line;
    return in && std::getline(in, line) && ParseInfLine(line, fields);
}

// The file to insert from Path: name, addresses and lock from the options, else from its
// .inf sidecar, else its PC file name and zero addresses.
TDFSNewFile NewFileFrom(const TArgs& args, const std::string& path,
                        const std::vector<std::uint8_t>& data) {
    TInfFields inf;
    const bool hasInf = ReadInf(path, inf);
    TDFSNewFile file;
    file.Name = args.Value("--name").value_or(
        hasInf ? inf.Name : std::filesystem::path(path).filename().string());
    file.Load = HexOption(args, "--load", hasInf ? inf.Load : 0);
    file.Exec = HexOption(args, "--exec", hasInf ? inf.Exec : 0);
    file.Locked = args.Has("--locked") || (hasInf && inf.Locked);
    file.Data = data;
    return file;
}

// The side index that --side names; side 0 without it.
int SideIndexOption(const TArgs& args) {
    const int drive = SideOption(args);
    return drive < 0 ? 0 : DFSSideOfDrive(drive);
}

// Changes the DFS disc object named on the command line and commits the change.
void ChangeDisc(TCardSession& session, const TArgs& args, const TDFSSideEdit& edit) {
    session.RequireCatalogue();
    const TBrelkCatEntry* entry = session.FindObject(args.Positional()[1], args);
    const std::string name = VisibleName(entry->Name());
    std::string why;
    if (!EditDFSObject(session.Card(), entry, SideIndexOption(args), edit, why))
        session.Fail("'" + name + "': " + why);
    session.Finish();
}

int RunInsert(const TArgs& args, TContext& context) {
    if (args.Positional().size() < 3)
        throw TUsageError("missing argument: expected CARD OBJECT PCFILE...");
    const std::vector<std::string> paths = From(args, 2);
    if (args.Has("--name") && paths.size() > 1)
        throw TUsageError("--name takes one PCFILE");
    std::vector<std::vector<std::uint8_t>> contents;
    for (const std::string& path : paths)
        contents.push_back(ReadPCFile(path));
    std::vector<TDFSNewFile> files;
    for (std::size_t i = 0; i < paths.size(); ++i)
        files.push_back(NewFileFrom(args, paths[i], contents[i]));
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    ChangeDisc(session, args, InsertFilesEdit(files, args.Has("--replace")));
    for (const TDFSNewFile& file : files)
        context.Out << "Inserted " << file.Name << " (" << file.Data.size() << " bytes)\n";
    return 0;
}

int RunDeleteFile(const TArgs& args, TContext& context) {
    if (args.Positional().size() < 3)
        throw TUsageError("missing argument: expected CARD OBJECT FILE...");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    std::vector<std::string> deleted;
    ChangeDisc(session, args, DeleteFilesEdit(From(args, 2), &deleted));
    for (const std::string& name : deleted)
        context.Out << "Deleted " << name << "\n";
    return 0;
}

const char* const kSideHelp =
    "  --side N        the drive of the side: 0, or 2 for the second side\n";

} // namespace

TCommand FilesCommand() {
    return {"files",
            "CARD OBJECT [--json] [--type N] [--address HEX]",
            "List the files inside a disc or tape object",
            "One line per file: side (the DFS drive, 0 for ADFS and tapes), name (D.NAME for\n"
            "DFS, $.DIR.NAME for ADFS), load, exec and length in hexadecimal, L when locked.\n"
            "Options:\n"
            "  --json          {\"files\": [{\"side\", \"name\", \"load\", \"exec\", \"length\",\n"
            "                  \"locked\"}]}\n" +
                std::string(kObjectChoiceHelp),
            WithObjectChoice({{"--json", false, ""}}),
            true,
            RunFiles};
}

TCommand ExtractCommand() {
    return {
        "extract",
        "CARD OBJECT [FILE...] [-o DIR] [--inf] [--force] [-q]",
        "Copy files out of a disc or tape object into PC files",
        "Every file, or those named (wildcards * and #; a name without a directory is in $),\n"
        "goes into DIR: a DFS file as D.NAME, under DIR/0/ and DIR/2/ for two sides; ADFS\n"
        "directories become folders; a repeated tape name gets .1, .2, ... A / or a control\n"
        "character in a name is written as %XX. Nothing is written when a file is damaged.\n"
        "The files are synced together, then renamed into place. An OBJECT with a wildcard\n"
        "takes every disc and tape object it matches in one run, each into DIR/NAME/; a FILE\n"
        "may then match nothing in some of them.\n"
        "Options:\n"
        "  -o, --output DIR  the folder (default: the current one)\n"
        "  --inf           write FILE.inf beside each: NAME LOAD EXEC LENGTH, then L\n"
        "  --force         replace existing files (without it an existing file is exit 1)\n" +
            std::string(kObjectChoiceHelp) + kQuietHelp,
        WithObjectChoice(
            {{"--output", true, "-o"}, {"--inf", false, ""}, {"--force", false, ""}, kQuietOption}),
        true,
        RunExtract};
}

TCommand ViewCommand() {
    return {"view",
            "CARD OBJECT FILE [--side N] [--as auto|basic|text|hex]",
            "Show a file inside a disc or tape object",
            "A BASIC program as LIST shows it, text with CR line ends as text, anything else as\n"
            "a hex dump; --as chooses one. A file that is no BASIC program is refused as BASIC.\n"
            "Options:\n" +
                std::string(kSideHelp) +
                "  --as WAY        auto (the default), basic, text or hex\n" + kObjectChoiceHelp,
            WithObjectChoice({{"--side", true, ""}, {"--as", true, ""}}),
            true,
            RunView};
}

TCommand InsertCommand() {
    return {"insert",
            "CARD OBJECT PCFILE... [--side N] [--name D.NAME] [--load HEX] [--exec HEX] "
            "[--locked] [--replace]",
            "Put PC files into a DFS disc object",
            "Each file goes into the first gap that fits, as DFS saves. PCFILE.inf beside a file\n"
            "gives its name, addresses and lock unless the options say otherwise; without either\n"
            "the PC file's name is used. A full catalogue or disc, a bad name or a name already\n"
            "there (without --replace) is exit 1 with the card unchanged. A squashed disc grows.\n"
            "Options:\n" +
                std::string(kSideHelp) +
                "  --name D.NAME   the DFS name (one PCFILE only)\n"
                "  --load HEX      the load address\n"
                "  --exec HEX      the execution address\n"
                "  --locked        lock the files\n"
                "  --replace       replace a file of the same name\n" +
                kObjectChoiceHelp,
            WithObjectChoice({{"--side", true, ""},
                              {"--name", true, ""},
                              {"--load", true, ""},
                              {"--exec", true, ""},
                              {"--locked", false, ""},
                              {"--replace", false, ""}}),
            true,
            RunInsert};
}

TCommand DeleteFileCommand() {
    return {"delete-file",
            "CARD OBJECT FILE... [--side N]",
            "Delete files from a DFS disc object",
            "The files named (wildcards * and #) leave the catalogue of the side; a squashed\n"
            "disc shrinks. A locked file or a name that matches nothing is exit 1 with the card\n"
            "unchanged.\n"
            "Options:\n" +
                std::string(kSideHelp) + kObjectChoiceHelp,
            WithObjectChoice({{"--side", true, ""}}),
            true,
            RunDeleteFile};
}

} // namespace brelk::cli
