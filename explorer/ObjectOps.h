// Moving objects to "Deleted objects" and removing the deleted objects: the catalogue side of
// these operations, shared by the window and brelk. Each works on the whole set in one
// catalogue pass (one sort, at most one free-space rebuild), however many objects there are.
#pragma once

#include "card/Brelk.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace brelk {

// Progress of a long operation: Done of Total items handled so far. Returns true to stop
// (the user pressed Cancel); the items already handled stay handled.
using TOperationProgress = std::function<bool(std::size_t done, std::size_t total)>;

struct TMoveToDeletedResult {
    // Now deleted objects (type 0; subtype, address, size and name kept, so their space stays
    // taken), in the order they were listed.
    std::vector<const TBrelkCatEntry*> Moved;
    // Among Moved: those whose object header could not be rewritten.
    std::vector<const TBrelkCatEntry*> HeaderFailures;
    bool Cancelled = false;
};

// Moves the listed objects to the deleted objects. Records that are not in the catalogue are
// passed over. Large sets go in steps with Progress (may be empty) asked after each; a stop
// leaves the steps done moved and the rest as they were.
TMoveToDeletedResult MoveToDeletedObjects(TBrelk& card,
                                          const std::vector<const TBrelkCatEntry*>& entries,
                                          const TOperationProgress& progress = {});

// The deleted objects (type 0) of the catalogue, in catalogue order.
std::vector<const TBrelkCatEntry*> DeletedObjects(const TBrelk& card);

// Removes every deleted object for good; their space becomes free. Returns how many.
std::size_t RemoveDeletedObjects(TBrelk& card);

} // namespace brelk
