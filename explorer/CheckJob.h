// Checking a card and mending its catalogue: the one job that brelk check and the window's
// "Check card..." both run.
#pragma once

#include "card/CatalogueCheck.h"
#include "explorer/JobProgress.h"
#include "explorer/JobUser.h"

#include <string>
#include <vector>

namespace brelk {

enum class TCheckMode {
    Check,          // find the damage, write nothing
    Repair,         // and, when there is damage, put a consistent catalogue in place
    UndoLastChange, // put back the catalogue from before the card's last change
};

struct TCheckOutcome {
    std::string Status;      // "clean", "damaged", "repaired"
    std::size_t Entries = 0; // in the catalogue as it is now
    bool FromKept = false;   // the catalogue from before the last change was put back
    std::vector<std::string> Changes;
};

struct TCheckResult {
    TCardCheck Check; // the card as found
    TRepairPlan Plan; // what a repair makes of it (planned when the card is damaged)
    TCheckOutcome Outcome;
    // The objects that the kept catalogue would bring back but that could not be verified,
    // one line each ("'NAME' at 0x... (N bytes): why"); the kept catalogue is then not put back.
    std::vector<std::string> NotBroughtBack;
    std::vector<std::string> Saved; // the dropped entries saved (or not) before the repair
    std::string Error;              // why a repair or undo was not made; empty when none failed
};

struct TCheckJobOptions {
    TJobProgress* Progress = nullptr; // the object headers read, the free space searched
    // Asked query::TRepairCatalogue before a repair writes; without one the repair goes ahead.
    TJobUser* User = nullptr;
    // A folder for the bytes of the entries a repair drops; empty: they are not saved.
    std::string SaveDroppedTo;
};

// Checks the open Card and mends it as Mode asks; a change is committed before it returns.
// A search the user stops leaves the card unrepaired.
TCheckResult RunCheckJob(TBrelk& card, TCheckMode mode, const TCheckJobOptions& options);
TCheckResult RunCheckJob(TBrelk& card, TCheckMode mode, TJobProgress* progress = nullptr);

// Whether the check searched the whole free space (the user did not stop it).
bool SearchComplete(const TCardCheck& check);

// What a repair will do, in one line: "rebuild 2 entries from their object headers, drop 1
// entry that points outside the card".
std::string RepairPlanSummary(const TRepairPlan& plan);

// The report as brelk check prints it: "problem:" and "note:" lines, "not brought back:",
// "saved:" and "repair:" lines, then "PATH: STATUS (N entries)"; UTF-8.
std::string CheckReportText(const std::string& path, const TCheckResult& result);

} // namespace brelk
