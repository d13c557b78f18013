#include "explorer/CheckJob.h"

#include "explorer/SaveDropped.h"
#include "formats/GlobalStuff.h"

#include <algorithm>
#include <optional>
#include <set>

namespace brelk {

namespace {

// Object headers lie on sector bounds, and sectors are whole multiples of this.
constexpr std::uint32_t kHeaderStep = 512;
constexpr std::uint32_t kScanChunk = 1u << 20;

std::string Described(const TBrelkCatEntry& entry) {
    return "'" + VisibleName(entry.Name()) + "' at 0x" + FormatHex(entry.Address(), 8) + " (" +
           std::to_string(entry.Size()) + " bytes)";
}

// Why the header in front of Entry's data does not stand for it; empty when its copy of the
// entry has Entry's address and size (a rename may have rewritten the rest of it).
std::string HeaderDoubt(TBrelk& card, const TBrelkCatEntry& entry) {
    std::uint8_t header[kObjectHeaderSize];
    if (!card.ReadMMC(header, std::uint32_t(entry.FootprintStart()), kObjectHeaderSize))
        return "its object header cannot be read";
    const auto copy = ObjectHeaderCopy(header, entry.FootprintStart());
    if (!copy)
        return "its object header was overwritten";
    if (copy->Size() != entry.Size())
        return "its object header now belongs to '" + VisibleName(copy->Name()) + "'";
    return {};
}

// The object of the card's catalogue that lies in Entry's space; the same address and size
// are the same object (renamed or changed since).
const TBrelkCatEntry* OverlappingObject(const TBrelkCatEntry& entry,
                                        const std::vector<TBrelkCatEntry>& current) {
    for (const auto& other : current)
        if (other.FootprintStart() < entry.FootprintEnd() &&
            entry.FootprintStart() < other.FootprintEnd() &&
            !(other.Address() == entry.Address() && other.Size() == entry.Size()))
            return &other;
    return nullptr;
}

// The first object header in Chunk, the card's bytes from At, that places an object of some
// bytes right behind itself; empty when none.
std::string HeaderInChunk(const std::vector<std::uint8_t>& chunk, std::int64_t at) {
    for (std::size_t within = 0; within + kObjectHeaderSize <= chunk.size();
         within += kHeaderStep) {
        const std::int64_t place = at + std::int64_t(within);
        const auto copy = ObjectHeaderCopy(chunk.data() + within, place);
        if (copy && copy->Size() != 0)
            return "the object header of '" + VisibleName(copy->Name()) + "' at 0x" +
                   FormatHex(std::uint32_t(place), 8) + " lies inside its data, written since";
    }
    return {};
}

// An object header inside Entry's data: an object put there after Entry was written, since
// writing Entry's data would have replaced it. Empty when none; a reason when unreadable.
std::string HeaderInsideData(TBrelk& card, const TBrelkCatEntry& entry) {
    std::vector<std::uint8_t> chunk;
    const std::int64_t end = entry.FootprintEnd();
    for (std::int64_t at = entry.Address(); at + kObjectHeaderSize <= end; at += kScanChunk) {
        chunk.resize(std::size_t(std::min<std::int64_t>(kScanChunk, end - at)));
        if (!card.ReadMMC(chunk.data(), std::uint32_t(at), std::uint32_t(chunk.size())))
            return "its data cannot be read";
        std::string found = HeaderInChunk(chunk, at);
        if (!found.empty())
            return found;
    }
    return {};
}

// Why the object of Entry, which the kept catalogue brings back, cannot be trusted; empty when
// its header stands for it and nothing was written into its space since.
std::string Doubt(TBrelk& card, const TBrelkCatEntry& entry,
                  const std::vector<TBrelkCatEntry>& current) {
    if (entry.FootprintStart() < 0 || entry.FootprintEnd() > std::int64_t(card.State().CardSize))
        return "it lies outside the card";
    std::string why = HeaderDoubt(card, entry);
    if (!why.empty())
        return why;
    if (const TBrelkCatEntry* other = OverlappingObject(entry, current))
        return "its space holds " + Described(*other) + ", written since";
    return HeaderInsideData(card, entry);
}

struct TUnverified {
    TBrelkCatEntry Entry;
    std::string Why;
};

// The entries of Back that the card's catalogue does not list as they are and that fail
// their checks.
std::vector<TUnverified> UnverifiedObjects(TBrelk& card, const std::vector<TBrelkCatEntry>& back,
                                           const TCardCheck& check, TJobProgress* progress) {
    std::set<std::array<std::uint8_t, kCatEntrySize>> listed;
    for (const auto& entry : check.Entries)
        listed.insert(entry.Bytes);
    if (progress)
        progress->Begin("Verifying the objects brought back", false);
    std::vector<TUnverified> failed;
    for (std::size_t i = 0; i < back.size(); ++i) {
        if (progress)
            progress->Report(i, back.size(), back[i].Name());
        if (listed.count(back[i].Bytes) != 0)
            continue;
        std::string why = Doubt(card, back[i], check.Entries);
        if (!why.empty())
            failed.push_back({back[i], std::move(why)});
    }
    if (progress)
        progress->End();
    return failed;
}

// Checks the objects of Back: the report's lines of those that fail, and their names.
bool VerifyBroughtBack(TBrelk& card, const std::vector<TBrelkCatEntry>& back, TCheckResult& result,
                       TJobProgress* progress, std::string& names) {
    names.clear();
    for (const auto& [entry, why] : UnverifiedObjects(card, back, result.Check, progress)) {
        result.NotBroughtBack.push_back(Described(entry) + ": " + why);
        names += (names.empty() ? "'" : ", '") + VisibleName(entry.Name()) + "'";
    }
    return names.empty();
}

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

// The plan of a repair of the damaged card found: the kept catalogue only when every object
// it brings back is verified.
TRepairPlan PlanOf(TBrelk& card, TCheckResult& result, TJobProgress* progress) {
    TKeptCatalogue kept;
    std::string why;
    const bool haveKept = card.CatalogueBeforeLastChange(kept, why);
    TRepairPlan plan = PlanRepair(card, result.Check, haveKept ? &kept : nullptr);
    std::string names;
    if (plan.FromKept && !VerifyBroughtBack(card, plan.Entries, result, progress, names))
        plan = PlanRepair(card, result.Check, nullptr);
    return plan;
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

// The whole change is refused when any object it brings back cannot be verified.
void Undo(TBrelk& card, TCheckResult& result, TJobProgress* progress) {
    TKeptCatalogue kept;
    TRepairPlan plan;
    std::string why;
    if (!card.CatalogueBeforeLastChange(kept, why)) {
        result.Error = "the last change cannot be taken back: " + why;
        return;
    }
    // Each object is verified first, so that the refusal names the objects that fail.
    std::vector<TBrelkCatEntry> back;
    std::string names;
    if (FindCatalogueDamage(kept.Bytes, GeometryOf(card), back).empty() &&
        !VerifyBroughtBack(card, back, result, progress, names)) {
        result.Error = "the last change cannot be taken back: the bytes of " + names +
                       " could not be verified";
        return;
    }
    if (!PlanUndo(card, result.Check, kept, plan, why)) {
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
    if (mode == TCheckMode::UndoLastChange) {
        Undo(card, result, options.Progress);
        return result;
    }
    if (repairable && SearchComplete(result.Check)) {
        result.Plan = PlanOf(card, result, options.Progress);
        if (mode == TCheckMode::Check)
            result.NotBroughtBack.clear(); // said by the repair that falls back
    }
    if (mode == TCheckMode::Repair && repairable && !SearchComplete(result.Check))
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
    for (const auto& line : result.NotBroughtBack)
        text += "not brought back: " + CodePage1252ToUtf8(line) + "\n";
    for (const auto& line : result.Saved)
        text += "saved: " + CodePage1252ToUtf8(line) + "\n";
    for (const auto& change : result.Outcome.Changes)
        text += "repair: " + CodePage1252ToUtf8(change) + "\n";
    return text + path + ": " + result.Outcome.Status + " (" +
           std::to_string(result.Outcome.Entries) + " entries)\n";
}

} // namespace brelk
