// brelk check: finds the damage a torn or foreign catalogue write leaves and, with --repair,
// puts a consistent catalogue in its place.
#include "card/CatalogueCheck.h"
#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "formats/GlobalStuff.h"

#include <ostream>

namespace brelk::cli {

namespace {

struct TCheckOutcome {
    std::string Status;      // "clean", "damaged", "repaired"
    std::size_t Entries = 0; // in the catalogue as it is now
    bool FromKept = false;
    std::vector<std::string> Changes;
};

void WriteCheckJson(const std::string& path, const TCardCheck& check, const TCheckOutcome& outcome,
                    std::ostream& out) {
    TJsonWriter json(out);
    json.BeginObject()
        .Field("card", path)
        .Field("status", outcome.Status)
        .Field("entries", std::uint64_t(outcome.Entries))
        .Field("from_kept", outcome.FromKept)
        .BeginArray("problems");
    for (const auto& finding : check.Findings)
        if (finding.Damage)
            json.Field(nullptr, finding.Text);
    json.EndArray().BeginArray("notes");
    for (const auto& finding : check.Findings)
        if (!finding.Damage)
            json.Field(nullptr, finding.Text);
    json.EndArray().BeginArray("changes");
    for (const auto& change : outcome.Changes)
        json.Field(nullptr, change);
    json.EndArray().EndObject();
    out << "\n";
}

void WriteCheckText(const std::string& path, const TCardCheck& check, const TCheckOutcome& outcome,
                    std::ostream& out) {
    for (const auto& finding : check.Findings)
        out << (finding.Damage ? "problem: " : "note: ") << CodePage1252ToUtf8(finding.Text)
            << "\n";
    for (const auto& change : outcome.Changes)
        out << "repair: " << CodePage1252ToUtf8(change) << "\n";
    out << path << ": " << outcome.Status << " (" << outcome.Entries << " entries)\n";
}

// Puts Plan's catalogue on the card; the outcome of the check made afterwards.
TCheckOutcome Commit(TCardSession& session, const TCardCheck& check, const TRepairPlan& plan) {
    TBrelk& card = session.Card();
    if (!card.ReplaceCatalogue(plan.Entries, check.OnCard))
        session.Fail(session.Path + ": the repaired catalogue cannot be used");
    session.Finish();
    return {CheckCard(card).Damaged() ? "damaged" : "repaired", plan.Entries.size(), plan.FromKept,
            plan.Changes};
}

// Rebuilds the catalogue, from the one before the last change when it fits.
TCheckOutcome Repair(TCardSession& session, const TCardCheck& check) {
    TKeptCatalogue kept;
    std::string why;
    const bool haveKept = session.Card().CatalogueBeforeLastChange(kept, why);
    return Commit(session, check, PlanRepair(session.Card(), check, haveKept ? &kept : nullptr));
}

// Takes the card's last change back.
TCheckOutcome Undo(TCardSession& session, const TCardCheck& check) {
    TKeptCatalogue kept;
    TRepairPlan plan;
    std::string why;
    if (!session.Card().CatalogueBeforeLastChange(kept, why) ||
        !PlanUndo(session.Card(), check, kept, plan, why))
        session.Fail(session.Path + ": the last change cannot be taken back: " + why);
    return Commit(session, check, plan);
}

int RunCheck(const TArgs& args, TContext& context) {
    args.ExpectPositional(1, "CARD");
    const bool fromKept = args.Has("--from-kept");
    const bool repair = args.Has("--repair") || fromKept;
    TCardSession session(args.Positional()[0], args, context.Err,
                         repair ? TCardAccess::ReadWrite : TCardAccess::ReadOnly);
    TBrelk& card = session.Card();
    if (!card.DeviceOK || card.CacheSize == 0)
        session.Fail(session.Path + ": the size of the card could not be read");
    const TCardCheck check = CheckCard(card);
    TCheckOutcome outcome{check.Damaged() ? "damaged" : "clean", check.Entries.size(), false, {}};
    if (fromKept)
        outcome = Undo(session, check);
    else if (check.Damaged() && repair && check.Formatted)
        outcome = Repair(session, check);
    if (args.Has("--json"))
        WriteCheckJson(session.Path, check, outcome, context.Out);
    else
        WriteCheckText(session.Path, check, outcome, context.Out);
    return outcome.Status == "damaged" ? 1 : 0;
}

} // namespace

TCommand CheckCommand() {
    return {
        "check",
        "CARD [--repair] [--from-kept] [--json]",
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
        "Exit status: 0 clean or repaired, 1 damaged or failed.\n",
        {{"--repair", false, ""}, {"--from-kept", false, ""}, {"--json", false, ""}},
        true,
        RunCheck};
}

} // namespace brelk::cli
