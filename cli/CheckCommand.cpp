// brelk check: finds the damage a torn or foreign catalogue write leaves and, with --repair,
// puts a consistent catalogue in its place.
#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "cli/TerminalProgress.h"
#include "explorer/CheckJob.h"
#include "formats/GlobalStuff.h"

#include <ostream>
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
    json.EndArray().BeginArray("changes");
    for (const auto& change : outcome.Changes)
        json.Field(nullptr, CodePage1252ToUtf8(change));
    json.EndArray().EndObject();
    out << "\n";
}

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
    TCardSession session(args.Positional()[0], args, context.Err,
                         mode == TCheckMode::Check ? TCardAccess::ReadOnly : TCardAccess::ReadWrite,
                         false); // the whole check follows
    TBrelk& card = session.Card();
    if (!card.State().DeviceOK || card.Window().Size == 0)
        session.Fail(session.Path + ": the size of the card could not be read");
    TTerminalProgress progress(STDERR_FILENO, args.Has("--quiet"));
    const TCheckResult result = RunCheckJob(card, mode, &progress);
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
        "CARD [--repair] [--from-kept] [--json] [-q]",
        "Check the catalogue for damage and, with --repair, rebuild it",
        "Damage: a Count that disagrees with the entries (empty entries within Count, a wrong\n"
        "lowest used address), duplicated entries, entries that overlap each other, the\n"
        "catalogue area or the safety zone, and entries past the card. Notes (no damage):\n"
        "object headers whose copy of the entry differs, object headers in free space.\n"
        "--repair puts the catalogue from before the card's last change back when that change\n"
        "was made on this computer (its journal is kept in the state folder), the card is as\n"
        "the change left it and every object lies where the old catalogue says; otherwise it\n"
        "drops duplicated and impossible entries and, when the catalogue shows a torn write,\n"
        "adds back the objects whose headers lie in free space. Every change is listed.\n"
        "--from-kept takes the card's last change back in the same way, damaged or not: a\n"
        "format, a purge or a removal made by mistake. The card must be as that change left it.\n"
        "Every object brought back must have its object header in place and nothing written\n"
        "into its space since; otherwise nothing is changed and the objects are listed.\n"
        "Exit status: 0 clean or repaired, 1 damaged or failed.\n"
        "Options:\n" +
            std::string(kQuietHelp),
        {{"--repair", false, ""}, {"--from-kept", false, ""}, {"--json", false, ""}, kQuietOption},
        true,
        RunCheck};
}

} // namespace brelk::cli
