#include "explorer/CheckJob.h"

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

void Repair(TBrelk& card, TCheckResult& result) {
    TKeptCatalogue kept;
    std::string why;
    const bool haveKept = card.CatalogueBeforeLastChange(kept, why);
    CommitPlan(card, result, PlanRepair(card, result.Check, haveKept ? &kept : nullptr));
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

} // namespace

TCheckResult RunCheckJob(TBrelk& card, TCheckMode mode, TJobProgress* progress) {
    TCheckResult result;
    if (progress)
        progress->Begin("Checking", false);
    result.Check = CheckCard(card, [progress](std::size_t done, std::size_t total) {
        if (progress)
            progress->Report(done, total, std::string());
    });
    if (progress)
        progress->End();
    result.Outcome = {
        result.Check.Damaged() ? "damaged" : "clean", result.Check.Entries.size(), false, {}};
    if (mode == TCheckMode::UndoLastChange)
        Undo(card, result);
    else if (mode == TCheckMode::Repair && result.Check.Damaged() && result.Check.Formatted)
        Repair(card, result);
    return result;
}

std::string CheckReportText(const std::string& path, const TCheckResult& result) {
    std::string text;
    for (const auto& finding : result.Check.Findings)
        text += (finding.Damage ? "problem: " : "note: ") + CodePage1252ToUtf8(finding.Text) + "\n";
    for (const auto& change : result.Outcome.Changes)
        text += "repair: " + CodePage1252ToUtf8(change) + "\n";
    return text + path + ": " + result.Outcome.Status + " (" +
           std::to_string(result.Outcome.Entries) + " entries)\n";
}

} // namespace brelk
