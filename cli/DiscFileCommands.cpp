// brelk files, extract, view, insert and delete-file: the files inside the disc and tape
// objects on the card.
#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/MediaFileOutput.h"
#include "cli/Output.h"
#include "cli/PCFiles.h"
#include "cli/TerminalProgress.h"
#include "explorer/AcornWildcard.h"
#include "explorer/DiscFiles.h"
#include "explorer/NameText.h"
#include "explorer/ObjectTransfer.h"
#include "formats/DFSDetails.h"
#include "formats/GlobalStuff.h"

#include <algorithm>
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
    object.Name = NameText(entry->Name());
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

// The names' bytes that Texts, as brelk shows names, stand for.
std::vector<std::string> RawNames(const std::vector<std::string>& texts) {
    std::vector<std::string> raw;
    for (const std::string& text : texts)
        raw.push_back(RawName(text));
    return raw;
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
        for (const TMediaFile& file : object.Listing.Files) {
            json.BeginObject();
            WriteMediaFileFields(json, file);
            json.EndObject();
        }
        json.EndArray().EndObject();
        context.Out << "\n";
        return 0;
    }
    std::vector<std::string> lines;
    for (const TMediaFile& file : object.Listing.Files)
        lines.push_back(MediaFileLine(object.Listing.Kind, file));
    WriteLines(context.Out, lines);
    return 0;
}

TExtractOptions ExtractOptions(const TArgs& args) {
    TExtractOptions options;
    options.Inf = args.Has("--inf");
    options.Force = args.Has("--force");
    return options;
}

// Extracts Chosen of Object below Folder (into its subfolder Into when not empty) into
// Batch; TFailure with the reason.
void ExtractInto(const TArgs& args, const TOpenObject& object,
                 const std::vector<const TMediaFile*>& chosen, const std::string& folder,
                 const std::string& into, TSafeWriteBatch& batch, std::vector<std::string>& written,
                 TJobProgress* progress) {
    TExtractOptions options = ExtractOptions(args);
    options.Into = into;
    std::string why;
    if (!ExtractMediaFiles(object.Listing, object.Bytes, chosen, folder, options, written, why,
                           progress, &batch))
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

// The disc and tape objects that OBJECT, a wildcard, chooses, each with its own folder below
// DIR: its name made safe, with ".1", ".2", ... for a name that another object took already.
std::vector<std::pair<const TBrelkCatEntry*, std::string>> ObjectsWithFiles(TCardSession& session,
                                                                            const TArgs& args) {
    std::vector<const TBrelkCatEntry*> entries;
    std::vector<std::string> names;
    for (const TBrelkCatEntry* entry : session.FindObjects({args.Positional()[1]}, args))
        if (TMediaKind kind; MediaKindOf(*entry, kind)) {
            entries.push_back(entry);
            names.push_back(entry->Name());
        }
    if (entries.empty())
        throw TFailure(session.Path + ": no disc or tape object matches '" +
                       NameText(RawName(args.Positional()[1])) + "'");
    const std::vector<std::string> folders = ExtractFolderNames(names);
    std::vector<std::pair<const TBrelkCatEntry*, std::string>> objects;
    for (std::size_t i = 0; i < entries.size(); ++i)
        objects.emplace_back(entries[i], folders[i]);
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
    const std::vector<std::string> patterns = RawNames(From(args, 2));
    std::vector<bool> used(patterns.size(), false);
    TSafeWriteBatch batch;
    std::vector<std::string> written;
    TTerminalProgress progress(STDERR_FILENO, args.Has("--quiet"));
    progress.Begin("Extracting");
    for (std::size_t i = 0; i < objects.size(); ++i) {
        TOpenObject object;
        LoadObject(session, objects[i].first, object);
        progress.Report(i + 1, objects.size(), object.Name);
        ExtractInto(args, object, ChooseIn(object, patterns, used), folder, objects[i].second,
                    batch, written, nullptr);
    }
    progress.End();
    for (std::size_t p = 0; p < patterns.size(); ++p)
        if (!used[p])
            throw TFailure("no file matches '" + NameText(patterns[p]) + "' in any object");
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
    ExtractInto(args, object, Choose(object, RawNames(From(args, 2)), -1), folder, {}, batch,
                written, &progress);
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
    const auto chosen = Choose(object, {RawName(args.Positional()[2])}, SideOption(args));
    if (chosen.size() != 1)
        throw TFailure("'" + object.Name + "': '" + NameText(RawName(args.Positional()[2])) +
                       "' matches " + std::to_string(chosen.size()) +
                       " files; name one (or give --side)");
    std::vector<std::string> lines;
    std::string why;
    if (!ViewMediaFile(object.Listing, object.Bytes, *chosen[0], as, lines, why))
        throw TFailure("'" + object.Name + "': " + why);
    WriteLines(context.Out, lines, context.Terminals.Out);
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

// The .inf sidecar of Path, when there is one; TFailure when it is refused.
bool ReadInf(const std::string& path, TInfFields& fields) {
    bool present = false;
    std::string why;
    if (!ReadInfSidecar(path, fields, present, why))
        throw TFailure(why + "; nothing was inserted");
    return present;
}

// The file to insert from Path: name, addresses and lock from the options, else from its
// .inf sidecar, else its PC file name and zero addresses.
TDFSNewFile NewFileFrom(const TArgs& args, const std::string& path,
                        const std::vector<std::uint8_t>& data) {
    TInfFields inf;
    const bool hasInf = ReadInf(path, inf);
    TDFSNewFile file;
    file.Name = hasInf ? inf.Name : std::filesystem::path(path).filename().string();
    if (const auto name = args.Value("--name"))
        file.Name = RawName(*name);
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
    const std::string name = NameText(entry->Name());
    std::string why;
    if (!EditDFSObject(session.Card(), entry, SideIndexOption(args), edit, why))
        session.Fail("'" + name + "': " + why);
    session.Finish();
}

// Refuses the first file whose name DFS does not take, proposing one for --name.
void RefuseBadNames(TCardSession& session, const TArgs& args,
                    const std::vector<TDFSNewFile>& files) {
    std::vector<std::string> names;
    for (const TDFSNewFile& file : files)
        names.push_back(file.Name);
    char directory = '$';
    std::string bare;
    std::string why;
    const auto bad = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
        return !ParseDFSName(name, directory, bare, why);
    });
    if (bad == names.end())
        return;
    session.RequireCatalogue();
    TOpenObject object;
    LoadObject(session, session.FindObject(args.Positional()[1], args), object);
    std::vector<bool> changed;
    const int drive = SideOption(args);
    const std::vector<std::string> proposed =
        ProposeDFSNames(object.Listing, drive < 0 ? 0 : drive, names, changed);
    throw TFailure("'" + object.Name + "': " + NameText(why) +
                   "; insert it on its own with --name " +
                   NameText(proposed[std::size_t(bad - names.begin())]) +
                   " or another name; the card is unchanged");
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
    RefuseBadNames(session, args, files);
    ChangeDisc(session, args, InsertFilesEdit(files, args.Has("--replace")));
    for (const TDFSNewFile& file : files)
        context.Out << "Inserted " << NameText(file.Name) << " (" << file.Data.size()
                    << " bytes)\n";
    return 0;
}

int RunDeleteFile(const TArgs& args, TContext& context) {
    if (args.Positional().size() < 3)
        throw TUsageError("missing argument: expected CARD OBJECT FILE...");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    std::vector<std::string> deleted;
    ChangeDisc(session, args, DeleteFilesEdit(RawNames(From(args, 2)), &deleted));
    for (const std::string& name : deleted)
        context.Out << "Deleted " << NameText(name) << "\n";
    return 0;
}

// The settings that --title and --boot give; TUsageError for a boot option of no name.
TDFSSideSettings SideSettingsOptions(const TArgs& args) {
    TDFSSideSettings settings;
    if (const auto title = args.Value("--title"))
        settings.Title = RawName(*title);
    if (const auto boot = args.Value("--boot")) {
        std::uint8_t option = 0;
        std::string why;
        if (!ParseBootOption(*boot, option, why))
            throw TUsageError(NameText(why));
        settings.BootOption = option;
    }
    return settings;
}

// Title, boot option and cycle number of the side --side names (the first without it).
void PrintSideSettings(TCardSession& session, const TArgs& args, TContext& context) {
    TOpenObject object;
    OpenObject(session, args, object);
    if (object.Listing.Kind != TMediaKind::DFS)
        throw TFailure("'" + object.Name + "' is no DFS disc");
    const int drive = SideOption(args);
    const std::size_t k = std::size_t(SideIndexOption(args));
    if (k >= object.Listing.DFS.Spans.size())
        throw TFailure("'" + object.Name + "' has no side " + std::to_string(drive));
    const TDFSDiscSide& side = object.Listing.DFS.Disc.aDiscSides[k];
    context.Out << "Title: " << NameText(side.Title)
                << "\nBoot: " << BootOptionName(side.BootOption)
                << "\nCycle: " << FormatHex(side.Cycle, 2) << "\n";
}

int RunDisc(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "CARD OBJECT");
    const TDFSSideSettings settings = SideSettingsOptions(args);
    const bool change = settings.Title || settings.BootOption;
    TCardSession session(args.Positional()[0], args, context.Err,
                         change ? TCardAccess::ReadWrite : TCardAccess::ReadOnly);
    if (change)
        ChangeDisc(session, args, SideSettingsEdit(settings));
    PrintSideSettings(session, args, context);
    return 0;
}

int RunRenameFile(const TArgs& args, TContext& context) {
    args.ExpectPositional(4, "CARD OBJECT OLD NEW");
    const std::string from = RawName(args.Positional()[2]);
    const std::string to = RawName(args.Positional()[3]);
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    ChangeDisc(session, args, RenameFileEdit(from, to));
    context.Out << "Renamed " << NameText(from) << " to " << NameText(to) << "\n";
    return 0;
}

int RunLockFiles(const TArgs& args, TContext& context, bool lock) {
    if (args.Positional().size() < 3)
        throw TUsageError("missing argument: expected CARD OBJECT FILE...");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    std::vector<std::string> changed;
    ChangeDisc(session, args, LockMatchingEdit(RawNames(From(args, 2)), lock, &changed));
    for (const std::string& name : changed)
        context.Out << (lock ? "Locked " : "Unlocked ") << NameText(name) << "\n";
    return 0;
}

int RunLock(const TArgs& args, TContext& context) {
    return RunLockFiles(args, context, true);
}
int RunUnlock(const TArgs& args, TContext& context) {
    return RunLockFiles(args, context, false);
}

const char* const kSideHelp =
    "  --side N        the drive of the side: 0, or 2 for the second side\n";

// lock and unlock differ in their names and what they do to the files only.
TCommand LockingCommand(bool lock) {
    const std::string verb = lock ? "lock" : "unlock";
    return {verb,
            "CARD OBJECT FILE... [--side N]",
            lock ? "Lock files inside a DFS disc object" : "Unlock files inside a DFS disc object",
            "The files named (wildcards * and #) on the side are " + verb +
                "ed, as DFS's *ACCESS does;\n"
                "a name that matches nothing is exit 1 with the card unchanged.\n"
                "Options:\n" +
                kSideHelp + kObjectChoiceHelp,
            WithObjectChoice({{"--side", true, ""}}),
            true,
            lock ? RunLock : RunUnlock};
}

} // namespace

TCommand DiscCommand() {
    return {"disc",
            "CARD OBJECT [--side N] [--title T] [--boot none|load|run|exec]",
            "Show or set a DFS side's title and boot option",
            "Without --title and --boot: the side's title, boot option (*OPT 4) and cycle number.\n"
            "With them the side takes the new title (up to 12 printable characters) and boot\n"
            "option, and its cycle number counts on, as DFS does; then the new settings show.\n"
            "A refused title or option is an error with the card unchanged.\n"
            "Options:\n" +
                std::string(kSideHelp) +
                "  --title T       the new title (\"\" for none)\n"
                "  --boot OPTION   the new boot option: none, load, run or exec\n" +
                kObjectChoiceHelp,
            WithObjectChoice({{"--side", true, ""}, {"--title", true, ""}, {"--boot", true, ""}}),
            true,
            RunDisc};
}

TCommand RenameFileCommand() {
    return {"rename-file",
            "CARD OBJECT OLD NEW [--side N]",
            "Rename a file inside a DFS disc object",
            "OLD, a file of the side, takes the name NEW (D.NAME or NAME, in $). A locked file,\n"
            "a name DFS does not take (wildcards included) or one already on the side is exit 1\n"
            "with the card unchanged.\n"
            "Options:\n" +
                std::string(kSideHelp) + kObjectChoiceHelp,
            WithObjectChoice({{"--side", true, ""}}),
            true,
            RunRenameFile};
}

TCommand LockCommand() {
    return LockingCommand(true);
}
TCommand UnlockCommand() {
    return LockingCommand(false);
}

TCommand FilesCommand() {
    return {"files",
            "CARD OBJECT [--json] [--type N] [--address HEX]",
            "List the files inside a disc or tape object",
            "One line per file: side (the DFS drive, 0 for ADFS and tapes), name (D.NAME for\n"
            "DFS, $.DIR.NAME for ADFS), load, exec and length in hexadecimal, L when locked,\n"
            "then a note in brackets for a tape file whose blocks are out of sequence.\n"
            "Options:\n"
            "  --json          {\"files\": [{\"side\", \"name\", \"load\", \"exec\", \"length\",\n"
            "                  \"locked\", \"note\" (only when there is one)}]}\n" +
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
        "directories become folders. A / or a control character in a name is written as %XX,\n"
        "a name . or .. as %2E. A name that another file of the run (or its .inf) took already\n"
        "gets .1, .2, ... Nothing is written when a file is damaged.\n"
        "The files are synced together, then renamed into place. An OBJECT with a wildcard\n"
        "takes every disc and tape object it matches in one run, each into DIR/NAME/ (a second\n"
        "object of one NAME into DIR/NAME.1/); a FILE may then match nothing in some of them.\n"
        "Options:\n"
        "  -o, --output DIR  the folder (default: the current one)\n"
        "  --inf           write FILE.inf beside each: NAME LOAD EXEC LENGTH, then L; DFS\n"
        "                  addresses keep their catalogue's high bits (024556 for 10)\n"
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
            "To a terminal, control characters show as \".\"; a pipe gets the lines as they are.\n"
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
            "there (without --replace) is exit 1 with the card unchanged; for a name DFS does\n"
            "not take the message proposes one for --name. A .inf line holding a control byte\n"
            "or a number beyond 32 bits is refused. A squashed disc grows.\n"
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
