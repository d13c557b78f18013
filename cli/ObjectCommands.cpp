// brelk put, get and rm: commands on one object of the card.
#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/PCFiles.h"
#include "explorer/ObjectDetails.h"

#include <filesystem>
#include <ostream>

namespace brelk::cli {

namespace {

TBrelkCatEntry EntryForFile(const TArgs& args, const std::string& file, std::uint32_t size) {
    std::string name = args.Value("--name").value_or(
        SanitizeFilename(std::filesystem::path(file).filename().string()));
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

int RunPut(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "CARD FILE");
    const std::string& file = args.Positional()[1];
    TCardSession session(args.Positional()[0], args, context.Err);
    session.RequireCatalogue();
    std::vector<std::uint8_t> data = ReadPCFile(file);
    if (data.empty())
        throw TFailure(file + ": the file is empty; an object needs at least one byte");
    TBrelkCatEntry entry = EntryForFile(args, file, std::uint32_t(data.size()));
    bool replace = args.Has("--replace");
    if (!replace && session.Card().ObjectExists(entry))
        session.Fail(session.Path + ": an object named '" + entry.Name() + "' of type " +
                     std::to_string(entry.Type()) + " is on the card already (use --replace)");
    if (!session.Card().AddObjectToBrelk(entry, data.data(), replace))
        session.Fail(session.Path + ": no room for '" + entry.Name() + "' (" +
                     std::to_string(data.size()) + " bytes); the card may be full");
    session.Finish();
    context.Out << "Added " << entry.Name() << " (type " << int(entry.Type()) << ", subtype "
                << int(entry.Subtype()) << ", " << data.size() << " bytes)\n";
    return 0;
}

// Copies the object's Size bytes to Out in pieces, so large objects need little memory.
void CopyObject(TCardSession& session, const TBrelkCatEntry& entry, std::ostream& out) {
    constexpr std::uint32_t kPiece = 1 << 20;
    std::vector<std::uint8_t> buffer(kPiece);
    for (std::uint64_t done = 0; done < entry.Size();) {
        std::uint32_t n = std::uint32_t(std::min<std::uint64_t>(kPiece, entry.Size() - done));
        std::uint64_t address = std::uint64_t(entry.Address()) + done;
        if (address > 0xFFFFFFFFu ||
            !session.Card().ReadMMC(buffer.data(), std::uint32_t(address), n))
            session.Fail(session.Path + ": the object could not be read");
        out.write(reinterpret_cast<const char*>(buffer.data()), n);
        done += n;
    }
}

int RunGet(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "CARD NAME");
    TCardSession session(args.Positional()[0], args, context.Err);
    session.RequireCatalogue();
    const TBrelkCatEntry entry = *session.FindObject(args.Positional()[1], args);
    if (auto output = args.Value("--output")) {
        WritePCFile(*output, [&](std::ostream& out) { CopyObject(session, entry, out); });
    } else {
        CopyObject(session, entry, context.Out);
        context.Out.flush();
    }
    session.Finish();
    return 0;
}

int RunRm(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "CARD NAME");
    TCardSession session(args.Positional()[0], args, context.Err);
    session.RequireCatalogue();
    TBrelkCatEntry* entry = session.FindObject(args.Positional()[1], args);
    const std::string name = entry->Name();
    if (args.Has("--permanent")) {
        session.Card().DeleteCatEntry(entry);
        context.Out << "Removed " << name << "\n";
    } else if (entry->Type() == kTypeDeleted) {
        session.Fail(session.Path + ": '" + name + "' is deleted already; --permanent removes it");
    } else {
        TBrelkCatEntry deleted = *entry;
        deleted.SetType(kTypeDeleted);
        if (!session.Card().UpdateCatEntry(entry, deleted))
            session.Fail(session.Path + ": could not remove '" + name + "'");
        context.Out << "Moved " << name << " to the deleted objects\n";
    }
    session.Finish();
    return 0;
}

int RunCat(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "CARD NAME");
    TCardSession session(args.Positional()[0], args, context.Err);
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
            "CARD NAME [--tab N] [--bytes-total N] [--bytes-per-row N]",
            "Show an object's details as the explorer's details view shows them",
            "A DFS disc shows the catalogue of side N (tab N, default 1) or, on its last tab, the\n"
            "hex view; a tab past the last shows the last. A tape shows its catalogue (tab 1) or\n"
            "the hex view (tab 2). An ADFS disc shows nothing; other objects show the hex view.\n"
            "Options:\n"
            "  --tab N             the tab, from 1\n"
            "  --bytes-total N     bytes in the hex view (default 256)\n"
            "  --bytes-per-row N   bytes per hex view row (default 8)\n"
            "  --type N            chooses between objects of the same name\n",
            {{"--tab", true, ""},
             {"--bytes-total", true, ""},
             {"--bytes-per-row", true, ""},
             {"--type", true, ""}},
            true,
            RunCat};
}

TCommand PutCommand() {
    return {"put",
            "CARD FILE [--type N] [--subtype N] [--name NAME] [--replace]",
            "Add a PC file's bytes to the card as one object",
            "Options:\n"
            "  --type N       object type (default 2, a tool)\n"
            "  --subtype N    object subtype (default 0)\n"
            "  --name NAME    object name (default: the file name without spaces and other\n"
            "                 characters outside ! to ~, cut to 48 characters)\n"
            "  --replace      reuse the entry of an object of the same type and name\n",
            {{"--type", true, ""},
             {"--subtype", true, ""},
             {"--name", true, ""},
             {"--replace", false, ""}},
            true,
            RunPut};
}

TCommand GetCommand() {
    return {"get",
            "CARD NAME [-o FILE] [--type N]",
            "Write an object's bytes to a file",
            "The object's whole allocated size is written (whole blocks). Without -o the bytes go\n"
            "to standard output. NAME ignores letter case; --type N chooses between objects of\n"
            "the same name.\n",
            {{"--output", true, "-o"}, {"--type", true, ""}},
            true,
            RunGet};
}

TCommand RmCommand() {
    return {
        "rm",
        "CARD NAME [--permanent] [--type N]",
        "Delete an object",
        "Without --permanent the object moves to the deleted objects (type 0) and its space\n"
        "stays taken until 'brelk purge'; with it the entry is removed and its space is free.\n",
        {{"--permanent", false, ""}, {"--type", true, ""}},
        true,
        RunRm};
}

} // namespace brelk::cli
