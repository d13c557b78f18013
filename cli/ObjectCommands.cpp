// brelk put, rm, mv and cat: commands on objects of the card.
#include "cli/CardSession.h"
#include "cli/CliJobUser.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/PCFiles.h"
#include "explorer/CardJobs.h"
#include "explorer/ContentAnalysis.h"
#include "explorer/NameText.h"
#include "explorer/ObjectDetails.h"
#include "explorer/ObjectNames.h"
#include "explorer/ObjectTransfer.h"
#include "explorer/PCFile.h"
#include "explorer/RenameJob.h"

#include <filesystem>
#include <ostream>

namespace brelk::cli {

namespace {

TBrelkCatEntry EntryForFile(const TArgs& args, const std::string& file, std::uint32_t size) {
    std::string name = SanitizeFilename(std::filesystem::path(file).filename().string());
    if (const auto given = args.Value("--name"); given && !NameFromText(*given, name))
        throw TUsageError("the name '" + *given + "' has a character that no object name holds");
    if (name.empty())
        throw TUsageError("the file name gives no usable object name; give one with --name");
    if (name.size() > kNameLength)
        throw TUsageError("an object name has at most 48 characters");
    TBrelkCatEntry entry;
    entry.SetType(std::uint8_t(args.Number("--type", 0, 255).value_or(kTypeTool)));
    entry.SetSubtype(std::uint8_t(args.Number("--subtype", 0, 255).value_or(0)));
    entry.SetName(name);
    entry.SetSize(size);
    return entry;
}

// Whether put stores the file's bytes as they are (--raw, and types other than disc images):
// they are then written while the file is read, in pieces.
bool StoredAsRead(const TArgs& args, const TBrelkCatEntry& entry) {
    return args.Has("--raw") || entry.Type() != kTypeImage;
}

void CheckConversionOptions(const TArgs& args, const TBrelkCatEntry& entry) {
    const bool squash = args.Has("--squash");
    const bool expand = args.Has("--expand");
    const bool dfs = entry.Type() == kTypeImage && entry.Subtype() == kSubtypeDFS;
    if ((squash || expand) && (!dfs || args.Has("--raw")))
        throw TUsageError("--squash and --expand are for DFS discs (--type 3 --subtype 1) "
                          "without --raw");
    if (squash && expand)
        throw TUsageError("--squash and --expand exclude each other");
}

// The bytes that put stores for a disc or tape file: unpacked when gzip-compressed and
// converted as the import converts them (a tape to its raw blocks, a DFS disc de-interleaved,
// squashed or expanded on request). A file too large to be one is refused unread.
std::vector<std::uint8_t> ConvertedData(const TArgs& args, const std::string& file,
                                        const TBrelkCatEntry& entry) {
    const bool squash = args.Has("--squash");
    const bool dfs = entry.Type() == kTypeImage && entry.Subtype() == kSubtypeDFS;
    TPCFileContents contents = ReadPCFileUnpacked(file);
    if (contents.HeadOnly)
        throw TFailure(file + ": too large for a disc or tape image; --raw stores it as it is");
    TBrelk_RawCatalogueEntry object;
    object.FileName = file;
    object.Entry = entry;
    object.ReadAs = AnalyseContents(contents.Bytes, file).ReadAs;
    if (dfs && !squash && !args.Has("--expand")) {
        std::vector<std::uint8_t> sides; // an interleaved image's sides, when they could be had
        DFSCardForm(contents.Bytes, object.ReadAs, sides);
        return sides.empty() ? std::move(contents.Bytes) : sides;
    }
    object.Squashed = squash;
    ConvertPendingData(object, contents.Bytes);
    return std::move(contents.Bytes);
}

int RunPut(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "CARD FILE");
    const std::string& file = args.Positional()[1];
    TBrelkCatEntry entry = EntryForFile(args, file, 0);
    CheckConversionOptions(args, entry);
    const bool asRead = StoredAsRead(args, entry);
    TPCFileReader reader;
    std::vector<std::uint8_t> data;
    if (asRead)
        OpenPCFile(file, reader);
    else
        data = ConvertedData(args, file, entry);
    const std::uint32_t size = asRead ? reader.Size() : std::uint32_t(data.size());
    if (size == 0)
        throw TFailure(file + ": the file is empty; an object needs at least one byte");
    entry.SetSize(size);
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    session.RequireCatalogue();
    const bool replace = args.Has("--replace");
    // The place is chosen before the file is read.
    auto source = [&reader](std::uint8_t* buffer, std::uint32_t count) {
        return reader.Read(buffer, count);
    };
    const TPutResult put = asRead ? PutObjectJob(session.Card(), entry, source, replace)
                                  : PutObjectJob(session.Card(), entry, data, replace);
    if (put == TPutResult::Exists)
        session.Fail(session.Path + ": an object named '" + NameText(entry.Name()) + "' of type " +
                     std::to_string(entry.Type()) + " is on the card already (use --replace)");
    if (put == TPutResult::NotAdded) {
        if (reader.Failed())
            session.Fail(file + ": could not be read");
        session.Fail(session.Path + ": no room for '" + NameText(entry.Name()) + "' (" +
                     std::to_string(size) + " bytes); the card may be full");
    }
    session.Finish();
    context.Out << "Added " << NameText(entry.Name()) << " (type " << int(entry.Type())
                << ", subtype " << int(entry.Subtype()) << ", " << size << " bytes)\n";
    return 0;
}

// rm answers the delete job from --permanent: without it a deleted object named is refused
// before anything changes.
class TRmUser final : public TCliJobUser {
  public:
    using TCliJobUser::TCliJobUser;
    std::string Refusal;

  protected:
    TAnswer Answer(const query::TDeletedAlready& deleted) override {
        Refusal = "'" + deleted.Name + "' is deleted already; --permanent removes it";
        return TAnswer::Cancel;
    }
};

int RunRm(const TArgs& args, TContext& context) {
    if (args.Positional().size() < 2)
        throw TUsageError("missing argument: expected CARD NAME...");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    session.RequireCatalogue();
    const std::vector<std::string> names(args.Positional().begin() + 1, args.Positional().end());
    const std::vector<const TBrelkCatEntry*> entries = session.FindObjects(names, args);
    const bool permanent = args.Has("--permanent");
    std::string done; // told only once the change is on the card
    for (const TBrelkCatEntry* entry : entries)
        done += permanent ? "Removed " + NameText(entry->Name()) + "\n"
                          : "Moved " + NameText(entry->Name()) + " to the deleted objects\n";
    TRmUser user(context.Err);
    const TDeleteResult result = DeleteObjectsJob(session.Card(), entries, permanent, user);
    if (result.Refused)
        session.Fail(session.Path + ": " + user.Refusal);
    for (const TBrelkCatEntry* failed : result.HeaderFailures)
        context.Err << "brelk: " << session.Path << ": could not remove '"
                    << NameText(failed->Name()) << "'\n";
    if (!result.HeaderFailures.empty())
        session.Fail("");
    session.Finish();
    context.Out << done;
    return 0;
}

// brelk mv: the window's rename of a tree node, on the whole name. Bytes kept from the old
// name (its group's name when only that changes) may be any.
int RunMv(const TArgs& args, TContext& context) {
    args.ExpectPositional(3, "CARD OLD NEW");
    std::string newName;
    if (!NameFromText(args.Positional()[2], newName))
        throw TUsageError("the name '" + args.Positional()[2] +
                          "' has a character that no object name holds");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    session.RequireCatalogue();
    const TBrelkCatEntry* entry = session.FindObject(args.Positional()[1], args);
    const std::string oldName = NameText(entry->Name());
    TCliJobUser user(context.Err);
    const TRenameOutcome outcome = RenameObjectJob(session.Card(), *entry, newName, user);
    if (outcome.Result == TRenameResult::Refused)
        throw TUsageError(outcome.Why);
    if (outcome.Result == TRenameResult::NotLive)
        session.Fail(session.Path + ": '" + oldName +
                     "' is a deleted object; only live objects are renamed");
    session.Finish();
    if (outcome.Result == TRenameResult::HeaderFailed)
        throw TFailure(""); // told by the job; the catalogue has the new name
    context.Out << "Renamed " << oldName << " to " << NameText(newName) << "\n";
    return 0;
}

int RunCat(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "CARD NAME");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadOnly);
    session.RequireCatalogue();
    const TBrelkCatEntry entry = *session.FindObject(args.Positional()[1], args);
    std::uint8_t tab = std::uint8_t(args.Number("--tab", 0, 255).value_or(1));
    TDetailsOptions options;
    options.HexviewerBytesTotal =
        std::uint16_t(args.Number("--bytes-total", 0, 65535).value_or(256));
    options.HexviewerBytesPerRow =
        std::uint16_t(args.Number("--bytes-per-row", 0, 65535).value_or(8));
    WriteLines(context.Out, BuildObjectDetails(session.Card(), entry, tab, options).Lines);
    session.Finish();
    return 0;
}

} // namespace

TCommand CatCommand() {
    return {"cat",
            "CARD NAME [--tab N] [--bytes-total N] [--bytes-per-row N] [--type N] [--address HEX]",
            "Show an object's details as the explorer's details view shows them",
            "A DFS disc shows the catalogue of side N (tab N, default 1) or, on its last tab, the\n"
            "hex view; a tab past the last shows the last. A tape shows its catalogue (tab 1) or\n"
            "the hex view (tab 2). An ADFS disc shows its directory tree with load, exec, length\n"
            "and access; other objects show the hex view.\n"
            "Options:\n"
            "  --tab N             the tab, from 1\n"
            "  --bytes-total N     bytes in the hex view (default 256)\n"
            "  --bytes-per-row N   bytes per hex view row (default 8)\n" +
                std::string(kObjectChoiceHelp),
            WithObjectChoice(
                {{"--tab", true, ""}, {"--bytes-total", true, ""}, {"--bytes-per-row", true, ""}}),
            true,
            RunCat};
}

TCommand PutCommand() {
    return {"put",
            "CARD FILE [--type N] [--subtype N] [--name NAME] [--replace] [--raw] "
            "[--squash | --expand]",
            "Add a PC file to the card as one object",
            "A disc or tape image (type 3) is stored in the card's form, as the add-objects\n"
            "import stores it: a gzip-compressed file is unpacked, a UEF tape (subtype 3) becomes\n"
            "its raw tape blocks, an interleaved double-sided DFS image (subtype 1) has its sides\n"
            "put one after the other. Other types, and --raw, store the file's bytes unchanged.\n"
            "Options:\n"
            "  --type N       object type (default 2, a tool)\n"
            "  --subtype N    object subtype (default 0)\n"
            "  --name NAME    object name (default: the file name without spaces and other\n"
            "                 characters outside ! to ~, cut to 48 characters)\n"
            "  --replace      reuse the entry of an object of the same type and name\n"
            "  --raw          store the file's bytes unchanged\n"
            "  --squash       DFS discs: cut every side after its last used sector\n"
            "  --expand       DFS discs: pad every side to 204800 bytes\n",
            {{"--type", true, ""},
             {"--subtype", true, ""},
             {"--name", true, ""},
             {"--replace", false, ""},
             {"--raw", false, ""},
             {"--squash", false, ""},
             {"--expand", false, ""}},
            true,
            RunPut};
}

TCommand RmCommand() {
    return {"rm",
            "CARD NAME... [--permanent] [--type N] [--address HEX]",
            "Delete objects",
            "Without --permanent the objects move to the deleted objects (type 0) and their\n"
            "space stays taken until 'brelk purge'; with it the entries are removed and their\n"
            "space is free.\n" +
                std::string(kNamePatternHelp) + "Options:\n" + kObjectChoiceHelp,
            WithObjectChoice({{"--permanent", false, ""}}),
            true,
            RunRm};
}

TCommand MvCommand() {
    return {"mv",
            "CARD OLD NEW [--type N] [--address HEX]",
            "Rename an object",
            "OLD names one live object (letter case ignored; a wildcard must match exactly one).\n"
            "NEW follows the window's rules for a name: 1 to 48 of the characters ! to ~, not\n"
            "ending in a full stop; bytes that NEW keeps from the old name at its start or end\n"
            "(\\xNN included) may be any. The object's full stops make the window's sub-groups.\n"
            "Options:\n" +
                std::string(kObjectChoiceHelp),
            WithObjectChoice({}),
            true,
            RunMv};
}

} // namespace brelk::cli
