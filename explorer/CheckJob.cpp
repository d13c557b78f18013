#include "explorer/CheckJob.h"

#include "explorer/SaveDropped.h"
#include "formats/GlobalStuff.h"

namespace brelk {

namespace {

// Puts Plan's catalogue on the card and commits it; the outcome of a fresh check.
bool CommitPlan(TBrelk& card, TCheckResult& result, const TRepairPlan& plan) {
    if (!card.ReplaceCatalogue(plan.Entries, result.Check.OnCard)) {
        result.Error = "the repaired catalogue cannot be used";
        return false;
    }
    if (!card.FlushMMCDevice()) {
        result.Error = "the repaired catalogue could not be written";
        return false;
    }
    result.Outcome = {CheckCard(card).Damaged() ? "damaged" : "repaired", plan.Entries.size(),
                      plan.FromKept, plan.Changes};
    return true;
}

// The plan of a repair of the damaged card found.
TRepairPlan PlanOf(TBrelk& card, const TCardCheck& check) {
    TKeptCatalogue kept;
    std::string why;
    const bool haveKept = card.CatalogueBeforeLastChange(kept, why);
    return PlanRepair(card, check, haveKept ? &kept : nullptr);
}

bool Agreed(const TCheckJobOptions& options, const TRepairPlan& plan) {
    return !options.User ||
           brelk::Agreed(options.User->Ask(query::TRepairCatalogue{RepairPlanSummary(plan)}));
}

void Repair(TBrelk& card, TCheckResult& result, const TCheckJobOptions& options) {
    if (!Agreed(options, result.Plan)) {
        result.Error = "the repair was not made";
        return;
    }
    if (!options.SaveDroppedTo.empty() &&
        !SaveDroppedEntries(card, result.Plan.Dropped, result.Plan.Entries, options.SaveDroppedTo,
                            result.Saved, result.Error)) {
        result.Error = "the dropped entries could not be saved: " + result.Error;
        return;
    }
    CommitPlan(card, result, result.Plan);
}

void Undo(TBrelk& card, TCheckResult& result) {
    TKeptCatalogue kept;
    TRepairPlan plan;
    std::string why;
    if (!card.CatalogueBeforeLastChange(kept, why) ||
        !PlanUndo(card, result.Check, kept, plan, why)) {
        result.Error = "the last change cannot be taken back: " + why;
        return;
    }
    CommitPlan(card, result, plan);
}

// The check with its two steps shown: the object headers read, then the free space searched
// (which the user may stop).
TCardCheck CheckWithProgress(TBrelk& card, TJobProgress* progress) {
    if (!progress)
        return CheckCard(card);
    bool searching = false;
    progress->Begin("Reading the object headers", false);
    const auto headers = [progress](std::size_t done, std::size_t total) {
        progress->Report(done, total, std::string());
    };
    const auto search = [progress, &searching](std::uint64_t done, std::uint64_t total) {
        if (!searching) {
            progress->End();
            progress->Begin("Searching the free space for hidden objects", true);
            searching = true;
        }
        return progress->Report(std::size_t(done >> 20), std::size_t(total >> 20),
                                "MiB of free space searched for hidden objects");
    };
    TCardCheck check = CheckCard(card, headers, search);
    progress->End();
    return check;
}

} // namespace

TCheckResult RunCheckJob(TBrelk& card, TCheckMode mode, const TCheckJobOptions& options) {
    TCheckResult result;
    if (mode == TCheckMode::Repair && !options.SaveDroppedTo.empty()) {
        result.Error = SaveFolderRefusal(options.SaveDroppedTo);
        if (!result.Error.empty())
            return result;
    }
    result.Check = CheckWithProgress(card, options.Progress);
    result.Outcome = {
        result.Check.Damaged() ? "damaged" : "clean", result.Check.Entries.size(), false, {}};
    const bool repairable = result.Check.Damaged() && result.Check.Formatted;
    if (repairable && SearchComplete(result.Check))
        result.Plan = PlanOf(card, result.Check);
    if (mode == TCheckMode::UndoLastChange)
        Undo(card, result);
    else if (mode == TCheckMode::Repair && repairable && !SearchComplete(result.Check))
        result.Error = "the search for hidden objects was stopped; nothing was repaired";
    else if (mode == TCheckMode::Repair && repairable)
        Repair(card, result, options);
    return result;
}

bool SearchComplete(const TCardCheck& check) {
    return std::none_of(check.Findings.begin(), check.Findings.end(),
                        [](const TFinding& f) { return f.Kind == TFindingKind::SearchStopped; });
}

TCheckResult RunCheckJob(TBrelk& card, TCheckMode mode, TJobProgress* progress) {
    TCheckJobOptions options;
    options.Progress = progress;
    return RunCheckJob(card, mode, options);
}

std::string CheckReportText(const std::string& path, const TCheckResult& result) {
    std::string text;
    for (const auto& finding : result.Check.Findings)
        text += (finding.Damage ? "problem: " : "note: ") + CodePage1252ToUtf8(finding.Text) + "\n";
    for (const auto& line : result.Saved)
        text += "saved: " + CodePage1252ToUtf8(line) + "\n";
    for (const auto& change : result.Outcome.Changes)
        text += "repair: " + CodePage1252ToUtf8(change) + "\n";
    return text + path + ": " + result.Outcome.Status + " (" +
           std::to_string(result.Outcome.Entries) + " entries)\n";
}

} // namespace brelk
