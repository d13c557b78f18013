// brelk check: finds the damage a torn or foreign catalogue write leaves and, with --repair,
// puts a consistent catalogue in its place.
#include "cli/CardSession.h"
#include "cli/CliJobUser.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "cli/TerminalProgress.h"
#include "explorer/CheckJob.h"
#include "formats/GlobalStuff.h"

#include <ostream>
#include <sstream>
#include <unistd.h>

namespace brelk::cli {

namespace {

void WriteCheckJson(const std::string& path, const TCheckResult& result, std::ostream& out) {
    const TCheckOutcome& outcome = result.Outcome;
    TJsonWriter json(out);
    json.BeginObject()
        .Field("card", path)
        .Field("status", outcome.Status)
        .Field("entries", std::uint64_t(outcome.Entries))
        .Field("from_kept", outcome.FromKept)
        .Field("plan", result.Check.Damaged() && result.Check.Formatted
                           ? RepairPlanSummary(result.Plan)
                           : std::string())
        .BeginArray("problems");
    for (const auto& finding : result.Check.Findings)
        if (finding.Damage)
            json.Field(nullptr, CodePage1252ToUtf8(finding.Text));
    json.EndArray().BeginArray("notes");
    for (const auto& finding : result.Check.Findings)
        if (!finding.Damage)
            json.Field(nullptr, CodePage1252ToUtf8(finding.Text));
    json.EndArray().BeginArray("not_brought_back");
    for (const auto& line : result.NotBroughtBack)
        json.Field(nullptr, CodePage1252ToUtf8(line));
    json.EndArray().BeginArray("saved");
    for (const auto& line : result.Saved)
        json.Field(nullptr, CodePage1252ToUtf8(line));
    json.EndArray().BeginArray("changes");
    for (const auto& change : outcome.Changes)
        json.Field(nullptr, CodePage1252ToUtf8(change));
    json.EndArray().EndObject();
    out << "\n";
}

// Says the repair's plan on standard output before the repair writes, and lets it go ahead
// (brelk asks nothing here: --repair is the answer).
class TCheckUser final : public TCliJobUser {
  public:
    TCheckUser(std::ostream& out, std::ostream& err, TJobProgress* progress)
        : TCliJobUser(err, progress), Out(out) {}
    TAnswer Answer(const query::TRepairCatalogue& repair) override {
        Out << "plan: " << repair.Plan << "\n";
        Out.flush();
        return TAnswer::Yes;
    }

  private:
    std::ostream& Out;
};

void WriteReport(const std::string& path, const TCheckResult& result, const TArgs& args,
                 std::ostream& out) {
    if (args.Has("--json"))
        WriteCheckJson(path, result, out);
    else
        out << CheckReportText(path, result);
}

int RunCheck(const TArgs& args, TContext& context) {
    args.ExpectPositional(1, "CARD");
    const TCheckMode mode = args.Has("--from-kept") ? TCheckMode::UndoLastChange
                            : args.Has("--repair")  ? TCheckMode::Repair
                                                    : TCheckMode::Check;
    if (args.Has("--save-dropped") && mode != TCheckMode::Repair)
        throw TUsageError("--save-dropped goes with --repair");
    TCardSession session(args.Positional()[0], args, context.Err,
                         mode == TCheckMode::Check ? TCardAccess::ReadOnly : TCardAccess::ReadWrite,
                         false); // the whole check follows
    TBrelk& card = session.Card();
    if (!card.State().DeviceOK || card.Window().Size == 0)
        session.Fail(session.Path + ": the size of the card could not be read");
    TTerminalProgress progress(STDERR_FILENO, args.Has("--quiet"));
    std::ostringstream plan; // before the report, with it on standard output
    TCheckUser user(args.Has("--json") ? plan : context.Out, context.Err, &progress);
    TCheckJobOptions options;
    options.Progress = &progress;
    options.User = &user;
    options.SaveDroppedTo = args.Value("--save-dropped").value_or(std::string());
    const TCheckResult result = RunCheckJob(card, mode, options);
    if (!result.Error.empty()) {
        // The objects that could not be verified are listed before the refusal.
        if (!result.NotBroughtBack.empty())
            WriteReport(session.Path, result, args, context.Out);
        session.Fail(session.Path + ": " + result.Error);
    }
    session.Finish();
    WriteReport(session.Path, result, args, context.Out);
    return result.Outcome.Status == "damaged" ? 1 : 0;
}

} // namespace

TCommand CheckCommand() {
    return {
        "check",
        "CARD [--repair [--save-dropped DIR]] [--from-kept] [--json] [-q]",
        "Check the catalogue for damage and, with --repair, rebuild it",
        "Damage: a lost catalogue signature, a Count that disagrees with the entries (empty\n"
        "entries within Count, a wrong lowest used address), duplicated entries, entries out of\n"
        "catalogue order, entries that overlap each other, the catalogue area or the safety\n"
        "zone, entries past the card, and hidden objects: object headers in free space that no\n"
        "entry lists while the catalogue is damaged or an entry left behind Count names them.\n"
        "The whole free space is searched (its progress is shown). Notes (no damage): object\n"
        "headers whose copy of the entry differs, other object headers in free space.\n"
        "--repair puts the catalogue from before the card's last change back when that change\n"
        "was made on this computer (its journal is kept in the state folder), the card is as\n"
        "the change left it and every object lies where the old catalogue says; otherwise it\n"
        "rebuilds damaged entries and hidden objects from their object headers, decides\n"
        "overlapping entries by the headers they point at, writes a lost header anew and drops\n"
        "what cannot be kept. Its plan is printed (\"plan: ...\") before it writes; every\n"
        "change is listed after. --save-dropped DIR first writes the bytes of each dropped\n"
        "entry that object data backs into DIR, made when missing (a file each, \"saved:\"\n"
        "lines).\n"
        "--from-kept takes the card's last change back in the same way, damaged or not: a\n"
        "format, a purge or a removal made by mistake. The card must be as that change left it.\n"
        "Every object brought back must have its object header in place and nothing written\n"
        "into its space since; otherwise nothing is changed and the objects are listed.\n"
        "Exit status: 0 clean or repaired, 1 damaged or failed.\n"
        "Options:\n" +
            std::string(kQuietHelp),
        {{"--repair", false, ""},
         {"--save-dropped", true, ""},
         {"--from-kept", false, ""},
         {"--json", false, ""},
         kQuietOption},
        true,
        RunCheck};
}

} // namespace brelk::cli
