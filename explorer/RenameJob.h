// Renaming an object: the one rename that the tree's label edit, a drag between sub-groups and
// brelk mv run. It works on the name's bytes as the card holds them, never on shown text.
#pragma once

#include "explorer/JobUser.h"

#include "card/Brelk.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace brelk {

enum class TRenameResult {
    Renamed,      // the catalogue entry and the object's header carry the new name
    Refused,      // the name breaks a rule (Why); nothing changed
    NotLive,      // the object is gone or deleted; nothing changed
    HeaderFailed, // the catalogue entry has the new name; the object's header could not be
                  // rewritten
};

struct TRenameOutcome {
    TRenameResult Result = TRenameResult::Renamed;
    std::string Why; // Refused: the rule the name breaks
};

// The number of bytes of Raw's first Levels sub-group names, each with its full stop (all of
// Raw when it holds fewer).
std::size_t GroupPrefixLength(std::string_view raw, std::size_t levels);

// Raw with its first Levels sub-group names replaced by NewPrefix (sub-group names, each with
// its full stop): the name an object dragged into another group gets. Every other byte stays.
std::string SwapGroupPrefix(std::string_view raw, std::size_t levels, std::string_view newPrefix);

// Gives the live object Entry the name NewRawName (its bytes) when RenameRefusal allows it
// against the old name; KeptPrefix bytes at the start are sub-groups the user did not type.
// The entry keeps its place in memory, so pointers to it stay valid.
TRenameOutcome RenameObjectJob(TBrelk& card, const TBrelkCatEntry& entry,
                               const std::string& newRawName, TJobUser& user,
                               std::size_t keptPrefix = 0);

} // namespace brelk
