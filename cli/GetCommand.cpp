// brelk get: objects of the card written to a file, to standard output or into a folder.
#include "cli/CardSession.h"
#include "cli/CliJobUser.h"
#include "cli/Commands.h"
#include "cli/PCFiles.h"
#include "explorer/AcornWildcard.h"
#include "explorer/CardJobs.h"
#include "explorer/NameText.h"
#include "explorer/ObjectTransfer.h"
#include "formats/GlobalStuff.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>

namespace brelk::cli {

namespace {

// Fails with the reason when Copied says the object could not be read.
void RequireRead(TCardSession& session, TCopyResult copied) {
    if (copied == TCopyResult::PastCard)
        session.Fail(session.Path + ": the object reaches past the usable card");
    if (copied == TCopyResult::NoMemory)
        session.Fail("out of memory");
    if (copied == TCopyResult::ReadFailed)
        session.Fail(session.Path + ": the object could not be read");
}

// get replaces an existing regular file without a question.
class TGetUser final : public TCliJobUser {
  public:
    using TCliJobUser::TCliJobUser;

  protected:
    TAnswer Answer(const query::TOverwrite&) override { return TAnswer::Yes; }
};

// How get writes the object: --as uef or raw, else as the output name asks (a tape as UEF
// under a ".uef" name, a DFS disc interleaved under a ".dsd" name) of Path.
TFileForm OutputForm(const TArgs& args, const TBrelkCatEntry& entry, const std::string& path) {
    if (auto as = args.Value("--as")) {
        if (*as == "uef")
            return IsTapeObject(entry) ? TFileForm::UEF : TFileForm::Stored;
        if (*as == "raw")
            return TFileForm::Stored;
        throw TUsageError("--as takes uef or raw");
    }
    return FileFormFor(entry, path);
}

// Writes the object to the file Path, or to standard output for "-".
void WriteObject(TContext& context, TCardSession& session, const TBrelkCatEntry& entry,
                 TFileForm form, const std::string& path, bool force) {
    if (path == "-") {
        RequireRead(session, CopyObjectInForm(session.Card(), entry, form,
                                              [&](const std::uint8_t* bytes, std::size_t n) {
                                                  context.DataOut().write(
                                                      reinterpret_cast<const char*>(bytes),
                                                      std::streamsize(n));
                                                  return true;
                                              }));
        if (!context.DataOut().flush())
            throw TFailure("the output could not be written");
        return;
    }
    TGetUser user(context.Err);
    const TReadOnlyTarget readOnly = force ? TReadOnlyTarget::Replace : TReadOnlyTarget::Refuse;
    const TSaveOutcome saved = SaveObjectJob(session.Card(), entry, path, form, user, readOnly);
    if (saved.Result == TSaveResult::ReadFailed)
        RequireRead(session, saved.Copy);
    if (saved.ReadOnly)
        throw TFailure(saved.Why + " It is read-only; --force replaces it.");
    if (saved.Result != TSaveResult::Saved)
        throw TFailure(saved.Why);
}

bool IsFolder(const std::optional<std::string>& path) {
    std::error_code error;
    return path && *path != "-" && std::filesystem::is_directory(*path, error);
}

// Whether the names may stand for several objects: then they are written into a folder, so
// the form of the output never depends on what the card holds.
bool SeveralNames(const std::vector<std::string>& names) {
    return names.size() > 1 || std::any_of(names.begin(), names.end(),
                                           [](const auto& name) { return HasAcornWildcard(name); });
}

// Each object's file in Folder, refused as a whole when two objects would share a file.
std::vector<std::string> FilesInFolder(TCardSession& session,
                                       const std::vector<const TBrelkCatEntry*>& entries,
                                       const std::string& folder) {
    std::map<std::string, const TBrelkCatEntry*> taken;
    std::vector<std::string> files;
    for (const TBrelkCatEntry* entry : entries) {
        const std::string name = CodePage1252ToUtf8(
            PrintableName(ObjectFileName(*entry, DFSSidesOnCard(session.Card(), *entry))));
        const std::string file = (std::filesystem::path(folder) / name).string();
        if (const auto [it, fresh] = taken.emplace(file, entry); !fresh)
            throw TFailure(session.Path + ": '" + NameText(it->second->Name()) + "' and '" +
                           NameText(entry->Name()) + "' would both be written to " + file +
                           "; get them one by one");
        files.push_back(file);
    }
    return files;
}

void GetIntoFolder(const TArgs& args, TContext& context, TCardSession& session,
                   const std::vector<const TBrelkCatEntry*>& entries, const std::string& folder) {
    const std::vector<std::string> files = FilesInFolder(session, entries, folder);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TBrelkCatEntry entry = *entries[i];
        const TFileForm form = OutputForm(args, entry, files[i]);
        WriteObject(context, session, entry, form, files[i], args.Has("--force"));
        context.Out << "Wrote " << NameText(entry.Name()) << " to " << files[i] << "\n";
    }
}

int RunGet(const TArgs& args, TContext& context) {
    if (args.Positional().size() < 2)
        throw TUsageError("missing argument: expected CARD NAME...");
    const std::vector<std::string> names(args.Positional().begin() + 1, args.Positional().end());
    const auto output = args.Value("--output");
    const bool folder = SeveralNames(names);
    if (folder && !output)
        throw TUsageError("several names or a wildcard write into a folder: -o DIR");
    if (folder && !IsFolder(output))
        throw TFailure(*output + ": no folder; several names or a wildcard write into an "
                                 "existing folder");
    if (!output && context.Terminals.Out)
        throw TFailure("the object would be written onto the terminal; use -o FILE, or -o - "
                       "or a redirection for standard output");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadOnly);
    session.RequireCatalogue();
    const std::vector<const TBrelkCatEntry*> entries = session.FindObjects(names, args);
    if (folder) {
        GetIntoFolder(args, context, session, entries, *output);
        return 0;
    }
    const TBrelkCatEntry entry = *entries.front(); // one plain name: one object
    const std::string path = output.value_or("-");
    const TFileForm form = OutputForm(args, entry, path == "-" ? std::string() : path);
    WriteObject(context, session, entry, form, path, args.Has("--force"));
    return 0;
}

} // namespace

TCommand GetCommand() {
    return {
        "get",
        "CARD NAME... [-o FILE|DIR] [--as uef|raw] [--force] [--type N] [--address HEX]",
        "Write objects to files",
        "The object's whole allocated size is written (whole blocks), except that a tape is\n"
        "exported as a UEF file made from its blocks when the output name ends in \".uef\"\n"
        "(any letter case) or --as uef is given (--as raw writes the stored bytes whatever\n"
        "the name). A tape that holds no tape block is written as stored. A DFS disc is\n"
        "written interleaved, track t of side s at (2t + s) x 2560, when the output name\n"
        "ends in \".dsd\" (--as raw writes the sides one after the other).\n"
        "-o - writes to standard output; without -o the bytes go there too unless it is a\n"
        "terminal, which is refused. Several names, or a name with a wildcard (* any run of\n"
        "characters, # one character; letter case ignored), need -o DIR: each object goes\n"
        "into the folder DIR as NAME.ssd, .dsd, .uef, .adfs or .bin, the names \"Save\n"
        "object...\" proposes. An existing file is replaced, a read-only one only with\n"
        "--force (it stays read-only).\n"
        "Options:\n"
        "  --force             replaces read-only files too\n" +
            std::string(kObjectChoiceHelp),
        WithObjectChoice({{"--output", true, "-o"}, {"--as", true, ""}, {"--force", false, ""}}),
        true,
        RunGet};
}

} // namespace brelk::cli
