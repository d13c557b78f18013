// Checking a card and mending its catalogue: the one job that brelk check and the window's
// "Check card..." both run.
#pragma once

#include "card/CatalogueCheck.h"
#include "explorer/JobProgress.h"

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
    TCheckOutcome Outcome;
    // The objects that the kept catalogue would bring back but that could not be verified,
    // one line each ("'NAME' at 0x... (N bytes): why"); the kept catalogue is then not put back.
    std::vector<std::string> NotBroughtBack;
    std::string Error; // why a repair or undo was not made; empty when none failed
};

// Checks the open Card and mends it as Mode asks; a change is committed before it returns.
// Progress hears of the object headers read.
TCheckResult RunCheckJob(TBrelk& card, TCheckMode mode, TJobProgress* progress = nullptr);

// The report as brelk check prints it: "problem:" and "note:" lines, "not brought back:" lines,
// "repair:" lines, then "PATH: STATUS (N entries)"; UTF-8.
std::string CheckReportText(const std::string& path, const TCheckResult& result);

} // namespace brelk
