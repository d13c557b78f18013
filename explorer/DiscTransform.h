// Squashing or expanding a DFS disc object on the card in place: read it, transform every
// side, and write it back as the new contents of the same catalogue entry.
#pragma once

#include "explorer/JobUser.h"

#include "card/Brelk.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brelk {

enum class TDiscTransformResult {
    Converted,     // written back; the entry has its new Address and Size
    NotDFS,        // not a DFS disc object, or its first side is refused: left alone
    ReadFailed,    // the object could not be read from the card
    RewriteFailed, // no free span for the new length: the entry is unchanged
    WritesStopped, // the card takes no more writes after a reported failure: nothing changed
};

// Reads the whole object of Entry: Converted when read, else WritesStopped or ReadFailed.
TDiscTransformResult ReadDiscObject(TBrelk& card, const TBrelkCatEntry& entry,
                                    std::vector<std::uint8_t>& data);

// Writes Data as the new contents of Entry's object in one commit: Converted, RewriteFailed
// (no free span for it; the entry is unchanged) or WritesStopped.
TDiscTransformResult ReplaceDiscObject(TBrelk& card, const TBrelkCatEntry* entry,
                                       const std::vector<std::uint8_t>& data);

TDiscTransformResult TransformDiscObject(TBrelk& card, const TBrelkCatEntry* entry, bool squash);

// The message for a failed transformation of the object Name; empty for the results that
// say nothing.
std::string DiscTransformMessage(TDiscTransformResult result, bool squash, const std::string& name);

// Said once when the card stopped taking writes: Left discs (the one in hand included) were
// not squashed or expanded. The device failure itself has been reported by the card.
std::string WritesStoppedMessage(bool squash, std::size_t left);

struct TDiscTransformRun {
    std::size_t Converted = 0;
    bool Failed = false;    // a disc could not be read or written back
    bool Cancelled = false; // the user stopped the run: the discs after are left
    bool Stopped = false;   // the card took no more writes
};

// The squash (or expand) job: every DFS disc among Entries in order, the others passed over.
// The user's progress hears of each disc before it starts; a cancel asked then leaves it and
// the rest. Each disc written back is told as report::TDiscConverted; error messages name the
// discs as NameText shows them.
TDiscTransformRun TransformDiscObjects(TBrelk& card,
                                       const std::vector<const TBrelkCatEntry*>& entries,
                                       bool squash, TJobUser& user);

} // namespace brelk
