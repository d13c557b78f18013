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

// Rebuilds the catalogue and commits it; the outcome of the check made afterwards.
TCheckOutcome Repair(TCardSession& session, const TCardCheck& check) {
    TBrelk& card = session.Card();
    TKeptCatalogue kept;
    std::string error;
    const bool haveKept =
        LoadKeptCatalogue(KeptCataloguePath(KeptCatalogueFolder(), session.Path), kept, error);
    const TRepairPlan plan = PlanRepair(card, check, haveKept ? &kept : nullptr);
    if (!card.ReplaceCatalogue(plan.Entries, check.OnCard))
        session.Fail(session.Path + ": the repaired catalogue cannot be used");
    session.Finish();
    return {CheckCard(card).Damaged() ? "damaged" : "repaired", plan.Entries.size(), plan.FromKept,
            plan.Changes};
}

int RunCheck(const TArgs& args, TContext& context) {
    args.ExpectPositional(1, "CARD");
    const bool repair = args.Has("--repair");
    TCardSession session(args.Positional()[0], args, context.Err,
                         repair ? TCardAccess::ReadWrite : TCardAccess::ReadOnly);
    TBrelk& card = session.Card();
    if (!card.DeviceOK || card.CacheSize == 0)
        session.Fail(session.Path + ": the size of the card could not be read");
    const TCardCheck check = CheckCard(card);
    TCheckOutcome outcome{check.Damaged() ? "damaged" : "clean", check.Entries.size(), false, {}};
    if (check.Damaged() && repair && check.Formatted)
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
        "CARD [--repair] [--json]",
        "Check the catalogue for damage and, with --repair, rebuild it",
        "Damage: a Count that disagrees with the entries (empty entries within Count, a wrong\n"
        "lowest used address), duplicated entries, entries that overlap each other, the\n"
        "catalogue area or the safety zone, and entries past the card. Notes (no damage):\n"
        "object headers whose copy of the entry differs, object headers in free space.\n"
        "--repair puts the previous catalogue kept in the state folder back when it belongs\n"
        "to this card, is consistent and all its objects lie where it says; otherwise it drops\n"
        "duplicated and impossible entries and, when the catalogue shows a torn write, adds\n"
        "back the objects whose headers lie in free space. Every change is listed.\n"
        "Exit status: 0 clean or repaired, 1 damaged or failed.\n",
        {{"--repair", false, ""}, {"--json", false, ""}},
        true,
        RunCheck};
}

} // namespace brelk::cli
