// Squashing or expanding a DFS disc object on the card in place: read it, transform every
// side, and write it back as the new contents of the same catalogue entry.
#pragma once

#include "card/Brelk.h"

#include <string>

namespace brelk {

enum class TDiscTransformResult {
    Converted,     // written back; the entry has its new Address and Size
    NotDFS,        // not a DFS disc object, or its first side is refused: left alone
    ReadFailed,    // the object could not be read from the card
    RewriteFailed, // no free span for the new length, or a write error: the entry is unchanged
};

TDiscTransformResult TransformDiscObject(TBrelk& card, TBrelkCatEntry* entry, bool squash);

// The message for a failed transformation of the object Name; empty for the results that
// say nothing.
std::string DiscTransformMessage(TDiscTransformResult result, bool squash, const std::string& name);

} // namespace brelk
