// brelk add: PC files and folders analysed and imported as the add-objects dialog does it.
#include "cli/CardSession.h"
#include "cli/CliJobUser.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/TerminalProgress.h"
#include "explorer/CommitLedger.h"
#include "explorer/NameText.h"
#include "explorer/PendingObjects.h"

#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace brelk::cli {

namespace {

// What brelk adds to the dialog's analysis of an object: --squash and --expand decide for
// every DFS disc.
void ApplySquashChoice(TBrelk_RawCatalogueEntry& object, const TArgs& args) {
    if (object.Entry.Type() == kTypeImage && object.Entry.Subtype() == kSubtypeDFS &&
        (args.Has("--squash") || args.Has("--expand"))) {
        object.Squashed = args.Has("--squash");
        UpdateSizeOnCard(object);
    }
}

std::string LeftOutLine(const TBrelk_RawCatalogueEntry& object) {
    return "Left out " + NameText(object.Entry.Name()) + " from " + object.FileName +
           ": already on the card\n";
}

// Messages go to standard error, errors counted; the overwrite question is asked there and
// answered on standard input (anything but y or n, or no answer at all, cancels). An object
// without a name (one the dialog would ask for) is refused.
class TCliImportUser final : public TCliJobUser {
  public:
    TCliImportUser(TContext& context, std::istream& in, const TBrelk& card)
        : TCliJobUser(context.Err), Added(card), In(in) {}
    void Notify(TNotice kind, const std::string& text) override {
        TCliJobUser::Notify(kind, text);
        Errors += kind == TNotice::Error ? 1 : 0;
    }
    // The line is printed once a commit has put the object on the card.
    void Tell(const TReport& report) override {
        std::visit(TOverloaded{
                       [this](const report::TObjectAdded& added) { NoteAdded(*added.Object); },
                       [](const report::TDiscConverted&) {},
                   },
                   report);
    }
    int Errors = 0;
    TCommitLedger Added;

  protected:
    TAnswer Answer(const query::TOverwrite& overwrite) override {
        Err << "The object '" << overwrite.Name << "' will be overwritten.\n\n"
            << "Press YES to overwrite this object or\npress NO to skip this object or\n"
            << "press CANCEL to stop importing completely.\n[y]es, [n]o or [c]ancel? "
            << std::flush;
        std::string answer;
        std::getline(In, answer);
        if (answer == "y" || answer == "Y" || answer == "yes")
            return TAnswer::Yes;
        if (answer == "n" || answer == "N" || answer == "no")
            return TAnswer::No;
        return TAnswer::Cancel;
    }

  private:
    void NoteAdded(const TBrelk_RawCatalogueEntry& object) {
        Added.Note("Added " + NameText(object.Entry.Name()) + " (type " +
                   std::to_string(object.Entry.Type()) + ", subtype " +
                   std::to_string(object.Entry.Subtype()) + ", " + std::to_string(object.DataSize) +
                   " bytes)\n");
    }
    std::istream& In;
};

// Collects every path; a path that names nothing is an error of its own.
void CollectPaths(const TArgs& args, TPendingObjects& list, TCliImportUser& user) {
    for (std::size_t i = 1; i < args.Positional().size(); ++i) {
        const std::string& path = args.Positional()[i];
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            user.Notify(TNotice::Error, "'" + path + "' is no file or folder.");
        else
            AddPendingPath(list, path, user);
    }
}

// Adjusts every analysed object of a dry run; one without a name is asked about, as the
// import asks, and left out.
void AdjustAll(TPendingObjects& list, const TArgs& args, TCliImportUser& user) {
    for (std::size_t i = 0, row = 0; i < list.size(); ++row) {
        ApplySquashChoice(*list[i], args);
        if (!list[i]->Entry.Name().empty()) {
            ++i;
            continue;
        }
        user.Ask(query::TNameMissing{row, list[i]->FileName});
        list.erase(list.begin() + std::ptrdiff_t(i));
    }
}

// Without --duplicates, a file whose object is on the card already is left out.
void LeaveOutObjectsOnCard(TPendingObjects& list, TBrelk& card, const TArgs& args,
                           std::ostream& out) {
    if (args.Has("--duplicates"))
        return;
    TObjectsOnCard onCard(card);
    for (std::size_t i = 0; i < list.size();) {
        if (onCard.Holds(*list[i])) {
            out << LeftOutLine(*list[i]);
            list.erase(list.begin() + std::ptrdiff_t(i));
        } else {
            ++i;
        }
    }
}

void WriteDryRunJson(std::ostream& out, const TPendingObjects& list, const TSpaceTotals& totals) {
    TJsonWriter json(out);
    json.BeginObject().BeginArray("objects");
    for (const auto& object : list)
        json.BeginObject()
            .Field("file", object->FileName)
            .Field("name", NameText(object->Entry.Name()))
            .Field("type", int(object->Entry.Type()))
            .Field("subtype", int(object->Entry.Subtype()))
            .Field("squashed", object->Squashed)
            .Field("data_size", object->DataSize)
            .Field("size_on_card", SizeOnCard(*object))
            .Field("read_as", ReadAsText(object->ReadAs))
            .Field("gzip", object->Gzip)
            .Field("note", object->Note)
            .EndObject();
    json.EndArray()
        .Field("space_needed", std::int64_t(totals.Needed))
        .Field("space_left", std::int64_t(totals.Left))
        .EndObject();
    out << "\n";
}

void WriteDryRunText(std::ostream& out, const TPendingObjects& list, const TSpaceTotals& totals) {
    for (const auto& object : list) {
        out << "Would add " << object->Entry.Name() << " (type " << int(object->Entry.Type())
            << ", subtype " << int(object->Entry.Subtype()) << ", " << SizeOnCard(*object)
            << " bytes) from " << object->FileName << ": " << ReadAsText(object->ReadAs)
            << (object->Gzip ? ", gzip" : "") << (object->Squashed ? ", squashed" : "");
        if (!object->Note.empty())
            out << "; " << object->Note;
        out << "\n";
    }
    out << "Space needed " << totals.Needed << " bytes, space left " << totals.Left << " bytes\n";
}

int AddPaths(const TArgs& args, TContext& context);

// Commits the import and ends the session; prints the lines of the objects on the card and,
// after a failure that kept objects of the list off the card, how many of them are on it.
int CommitAndReport(std::unique_ptr<TCardSession>& session, TCliImportUser& user,
                    std::size_t listed, bool imported, TContext& context) {
    const bool committed = session->Commit();
    for (const std::string& line : user.Added.TakeOnCard())
        context.Out << line;
    const std::size_t onCard = user.Added.OnCard();
    session.reset(); // what the card layer says at its end comes before the summary
    if (committed && imported && user.Errors == 0)
        return 0;
    if (!committed || onCard < listed)
        context.Err << "brelk: " << onCard << " of " << listed << " objects are on the card\n";
    return 1;
}

// Out of memory ends the command with one line, as every other failure does.
int RunAdd(const TArgs& args, TContext& context) {
    try {
        return AddPaths(args, context);
    } catch (const std::bad_alloc&) {
        throw TFailure("not enough memory; nothing more was added");
    }
}

int AddPaths(const TArgs& args, TContext& context) {
    if (args.Positional().size() < 2)
        throw TUsageError("missing argument: expected CARD PATH...");
    if (args.Has("--squash") && args.Has("--expand"))
        throw TUsageError("--squash and --expand exclude each other");
    if (args.Has("--ask") && !args.Has("--overwrite"))
        throw TUsageError("--ask needs --overwrite");
    if (args.Has("--json") && !args.Has("--dry-run"))
        throw TUsageError("--json needs --dry-run");
    // A dry run only reads the card.
    auto session = std::make_unique<TCardSession>(args.Positional()[0], args, context.Err,
                                                  args.Has("--dry-run") ? TCardAccess::ReadOnly
                                                                        : TCardAccess::ReadWrite);
    session->RequireCatalogue();
    TCliImportUser user(context, std::cin, session->Card());
    TImportOptions options;
    options.GuessDistributor = args.Has("--guess-distributor");
    options.OverwriteExisting = args.Has("--overwrite");
    options.AskBeforeOverwrite = args.Has("--ask");
    TPendingObjects list;
    CollectPaths(args, list, user);
    // JSON on standard output stays JSON.
    std::ostream& leftOut = args.Has("--json") ? context.Err : context.Out;
    if (args.Has("--dry-run")) {
        AnalysePendingObjects(list, options, user);
        AdjustAll(list, args, user);
        LeaveOutObjectsOnCard(list, session->Card(), args, leftOut);
        const TSpaceTotals totals =
            ComputeSpaceTotals(list, &session->Card(), session->Card().State().SafetyZone);
        if (args.Has("--json"))
            WriteDryRunJson(context.Out, list, totals);
        else
            WriteDryRunText(context.Out, list, totals);
        return user.Errors == 0 ? 0 : 1;
    }
    // Each file is analysed as the import reads it: opened and read once; one whose object
    // is on the card already is left out then.
    std::optional<TObjectsOnCard> onCard;
    if (!args.Has("--duplicates"))
        onCard.emplace(session->Card());
    options.AcceptAnalysed = [&](TBrelk_RawCatalogueEntry& object) {
        ApplySquashChoice(object, args);
        if (!onCard || !onCard->Holds(object))
            return true;
        leftOut << LeftOutLine(object);
        return false;
    };
    TTerminalProgress progress(STDERR_FILENO, args.Has("--quiet"));
    user.SetProgress(&progress);
    const TImportResult result = ImportPendingObjects(session->Card(), list, options, user);
    return CommitAndReport(session, user, list.size() - result.Dropped,
                           !result.Failed && !result.Stopped, context);
}

} // namespace

TCommand AddCommand() {
    return {"add",
            "CARD PATH... [--guess-distributor] [--squash | --expand] [--overwrite [--ask]] "
            "[--duplicates] [--dry-run [--json]]",
            "Add PC files and folders as the add-objects dialog adds them",
            "Each file is analysed as the dialog does it: a DFS catalogue makes a disc (type 3,\n"
            "subtype 1; an interleaved double-sided image keeps both sides), a UEF file a tape\n"
            "(type 3, subtype 3, stored as its raw blocks), anything else a tool (type 2).\n"
            "Gzip-compressed files are unpacked first. Folders are walked (names beginning with\n"
            "'.' skipped, links to folders not followed). Disc and tape names come from their\n"
            "titles, other names from the file name; an untitled tape is named after its file.\n"
            "A disc is stored squashed when its file is not a whole number of 200 KiB sides.\n"
            "One line per object on the card, printed once the catalogue listing it is\n"
            "written: Added NAME (type T, subtype S, N bytes). A failed command ends with\n"
            "'N of M objects are on the card' on standard error.\n"
            "A file whose object is on the card already (same type, subtype, name and bytes)\n"
            "is left out: Left out NAME from FILE: already on the card.\n"
            "Options:\n"
            "  --guess-distributor  put the innermost folder name in front of the name\n"
            "  --squash, --expand   store every DFS disc squashed, or as full sides\n"
            "  --overwrite          replace an object of the same type and name (without it the\n"
            "                       new object is added beside the old one)\n"
            "  --ask                with --overwrite: ask on the terminal before replacing\n"
            "  --duplicates         add files whose objects are on the card already\n"
            "  --dry-run            write nothing; print what the analysis proposes\n"
            "  --json               with --dry-run: print it as JSON\n"
            "  -q, --quiet          no progress line (shown only when standard error is a\n"
            "                       terminal)\n"
            "The exit status is 1 when any file or object failed.\n",
            {{"--guess-distributor", false, ""},
             {"--squash", false, ""},
             {"--expand", false, ""},
             {"--overwrite", false, ""},
             {"--duplicates", false, ""},
             {"--ask", false, ""},
             {"--dry-run", false, ""},
             {"--json", false, ""},
             kQuietOption},
            true,
            RunAdd};
}

} // namespace brelk::cli
