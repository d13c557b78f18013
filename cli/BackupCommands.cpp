// brelk backup and restore: the whole card to a backup set (an index file and the image files
// in the folder beside it) and back, with the window's files and messages.
#include "cli/CardSession.h"
#include "cli/CliJobUser.h"
#include "cli/Commands.h"
#include "cli/FormatAnswer.h"
#include "cli/PCFiles.h"
#include "cli/TerminalProgress.h"
#include "explorer/Backup.h"
#include "explorer/CardJobs.h"
#include "explorer/CommitLedger.h"
#include "explorer/NameText.h"

#include <algorithm>
#include <ostream>
#include <set>
#include <variant>

#include <unistd.h>

namespace brelk::cli {

namespace {

// Writes the jobs' messages to standard error. The restore decides before its import which
// objects replace others (ImportRestoreList), so the import asks no overwrite question.
class TCliUser final : public TCliJobUser {
  public:
    TCliUser(std::ostream& err, bool format, TJobProgress* progress = nullptr)
        : TCliJobUser(err, progress), Format(format) {}

    void Tell(const TReport& report) override {
        std::visit(TOverloaded{
                       [this](const report::TObjectAdded& added) {
                           if (Restored)
                               Restored->Note(added.Object->Entry.Name());
                       },
                       [](const report::TDiscConverted&) {},
                   },
                   report);
    }

    // Counts the restored objects until a commit puts them on the card.
    TCommitLedger* Restored = nullptr;
    TFormatAnswer* FormatAnswers = nullptr;

  protected:
    // The questions before a restore are answered by --format.
    TAnswer Answer(const query::TMustFormat&) override {
        return Format ? TAnswer::Yes : TAnswer::Cancel;
    }
    TAnswer Answer(const query::TFormatFirst&) override {
        return Format ? TAnswer::Yes : TAnswer::No;
    }
    TAnswer Answer(const query::TOverwrite&) override { return TAnswer::No; }
    // The format job's question, when the restore formats the card.
    TAnswer Answer(const query::TLoseObjects& lose) override {
        return FormatAnswers ? FormatAnswers->Answer(lose) : TAnswer::Cancel;
    }

  private:
    const bool Format;
};

int RunBackup(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "CARD INDEX");
    const std::string index = BackupIndexPathFor(args.Positional()[1]);
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadOnly);
    session.RequireCatalogue();
    TTerminalProgress progress(STDERR_FILENO, args.Has("--quiet"));
    TCliUser user(context.Err, false, &progress);
    user.SetQuiet(args.Has("--quiet"));
    const TLocalClock clock;
    const TBackupResult result = BackupBrelk(session.Card(), index, clock, user);
    progress.End();
    if (!result.IndexWritten)
        throw TFailure("");
    user.Notify(BackupOutcomeKind(result), BackupOutcomeText(result));
    context.Out << "Saved " << result.Saved << " of " << result.Objects << " objects: " << index
                << " and " << BackupFolderOf(index) << "/\n";
    return result.Saved == result.Objects ? 0 : 1;
}

// The object of the catalogue that Object was restored as: same type, subtype and name, at
// the address the import gave it when there are several (objects of one name added beside
// each other); a replaced object keeps the first place of its name.
const TBrelkCatEntry* RestoredEntry(TBrelk& card, const TBrelk_RawCatalogueEntry& object) {
    const TBrelkCatEntry* first = nullptr;
    for (const auto& entry : card.Entries())
        if (entry->Type() == object.Entry.Type() && entry->Subtype() == object.Entry.Subtype() &&
            SameName(entry->Name(), object.Entry.Name())) {
            if (entry->Address() == object.Entry.Address())
                return entry;
            if (!first)
                first = entry;
        }
    return first;
}

// Reads every restored object back from the card (opened afresh, so the bytes come from the
// device, not from the cache that wrote them) and compares it with its image file.
void VerifyRestore(const TArgs& args, const std::string& cardPath, const TPendingObjects& list,
                   const std::set<const TBrelk_RawCatalogueEntry*>& kept, TContext& context) {
    TCardSession session(cardPath, args, context.Err, TCardAccess::ReadOnly);
    session.RequireCatalogue();
    std::size_t verified = 0;
    for (const auto& object : list) {
        if (kept.count(object.get()))
            continue;
        const std::vector<std::uint8_t> image = ReadPCFile(object->FileName);
        const TBrelkCatEntry* entry = RestoredEntry(session.Card(), *object);
        std::vector<std::uint8_t> onCard(entry ? entry->Size() : 0);
        if (!entry || onCard.size() < image.size() ||
            !session.Card().ReadMMC(onCard.data(), entry->Address(), entry->Size()) ||
            !std::equal(image.begin(), image.end(), onCard.begin()))
            throw TFailure(cardPath + ": the object '" + NameText(object->Entry.Name()) +
                           "' on the card differs from " + object->FileName);
        ++verified;
    }
    context.Out << "Verified " << verified << " objects\n";
}

// Formats the card through the format job: a card that holds something other than a Brelk
// catalogue is asked about on a terminal and refused without one.
void FormatForRestore(TCardSession& session, TCliUser& user, TContext& context) {
    TFormatAnswer answers(session.Path, context, false, true,
                          "'brelk format " + session.Path + " --force' formats it anyway");
    user.FormatAnswers = &answers;
    const TFormatResult result = FormatCardJob(session.Card(), user);
    user.FormatAnswers = nullptr;
    if (result == TFormatResult::Declined)
        throw TFailure(session.Path + ": " + answers.Refusal() + "; nothing was restored");
    if (result != TFormatResult::Formatted)
        session.Fail(session.Path + ": the card could not be formatted");
}

// Formats the card when the plan says so, imports the restore list and commits it; the objects
// kept as they were on the card are added to Kept.
void RestoreOntoCard(TCardSession& session, TPendingObjects& list, const TRestoreLoad& load,
                     const std::string& index, bool format, bool replace, TCliUser& user,
                     std::set<const TBrelk_RawCatalogueEntry*>& kept, TContext& context,
                     bool quiet) {
    TBrelk& card = session.Card();
    if (!card.State().DeviceOK || card.Window().Size == 0)
        session.Fail(session.Path + ": the size of the card could not be read");
    const TRestorePlan plan =
        PlanRestore(list.size(), index, card.State().CatalogueValid, format, user);
    if (!plan.Go)
        throw TFailure(session.Path + ": the card is not formatted; --format formats it first");
    if (plan.Format)
        FormatForRestore(session, user, context);
    TCommitLedger onCard(card);
    TTerminalProgress progress(STDERR_FILENO, quiet);
    TCliUser importUser(context.Err, false, &progress);
    importUser.SetQuiet(quiet);
    importUser.Restored = &onCard;
    const TRestoreImport restored = ImportRestoreList(
        card, list, replace ? TRestoreExisting::Replace : TRestoreExisting::Keep, importUser);
    progress.End();
    for (const TBrelk_RawCatalogueEntry* object : restored.Kept) {
        context.Err << "brelk: an object named '" << NameText(object->Entry.Name())
                    << "' is on the card already; it was kept (use --replace)\n";
        kept.insert(object);
    }
    const TImportResult& result = restored.Result;
    // Only what a commit put on the card counts as restored, a failed commit included.
    const bool committed = session.Commit();
    context.Out << "Restored " << onCard.OnCard() << " of " << load.Lines << " objects from "
                << index;
    if (load.Missing > 0)
        context.Out << " (" << load.Missing << " without an image file)";
    context.Out << "\n";
    if (!committed || result.Failed || result.Stopped)
        throw TFailure("");
}

int RunRestore(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "CARD INDEX");
    const std::string& index = args.Positional()[1];
    const bool format = args.Has("--format");
    TCliUser user(context.Err, format);
    user.SetQuiet(args.Has("--quiet"));
    TPendingObjects list;
    const TRestoreLoad load = LoadBackupIndex(index, list, user);
    if (load.Refused)
        throw TFailure("");
    if (list.empty()) {
        PlanRestore(0, index, true, false, user);
        throw TFailure("");
    }
    std::string cardPath;
    std::set<const TBrelk_RawCatalogueEntry*> kept;
    {
        // The writing session ends (and its lock goes) before --verify opens the card afresh.
        TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
        cardPath = session.Path;
        RestoreOntoCard(session, list, load, index, format, args.Has("--replace"), user, kept,
                        context, args.Has("--quiet"));
    }
    if (args.Has("--verify"))
        VerifyRestore(args, cardPath, list, kept, context);
    if (load.Missing > 0)
        throw TFailure(index + ": " + MissingImagesText(load.Missing));
    return 0;
}

} // namespace

TCommand RestoreCommand() {
    return {
        "restore",
        "CARD INDEX [--format] [--verify] [--replace]",
        "Write the objects of a backup set to the card",
        "Every object line of INDEX whose image file is in the folder beside it is written\n"
        "to the card unchanged. An unformatted card needs --format, which formats any card\n"
        "before the restore (one holding something other than a Brelk catalogue, as format\n"
        "names it, only after a yes on the terminal). An object of the same type and name already "
        "on the card is\n"
        "kept unless --replace is given; objects of one name within the set are all\n"
        "written, beside each other. --verify reads every restored object back from\n"
        "the card and compares it with its image file. Exit status 1 when INDEX is no\n"
        "index file, has a malformed line, yields no images, or an object could not be\n"
        "written or verified, or when an object line has no image file.\n"
        "Options:\n" +
            std::string(kQuietHelp),
        {{"--format", false, ""}, {"--verify", false, ""}, {"--replace", false, ""}, kQuietOption},
        true,
        RunRestore};
}

TCommand BackupCommand() {
    return {"backup",
            "CARD INDEX",
            "Save every live object of the card into a backup set",
            "INDEX (for example 20070315.txt) lists the objects in address order; the folder\n"
            "beside it, named like INDEX without its extension, receives one image file per\n"
            "object (IMG00000.bin, ...); INDEX without an extension gets \".txt\". The window\n"
            "reads and writes the same sets. Exit status 1 when an object could not be saved;\n"
            "its image file is then absent.\n"
            "Options:\n" +
                std::string(kQuietHelp),
            {kQuietOption},
            true,
            RunBackup};
}

} // namespace brelk::cli
