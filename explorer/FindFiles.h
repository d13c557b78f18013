// Finding files by name inside every disc and tape object on the card, for brelk find and the
// window's "Find files..." alike. Of each object only what names its files is read: the
// catalogue sectors of each DFS side, the free space map and directories of an ADFS disc, and
// a tape's blocks (a tape holds a block header every few hundred bytes, so a card block
// without one is rare: the whole tape is read).
#pragma once

#include "card/Brelk.h"
#include "explorer/DiscFiles.h"
#include "explorer/JobProgress.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace brelk {

struct TFindRequest {
    // File names with Acorn wildcards, letter case ignored; none finds every file.
    std::vector<std::string> Patterns;
    // The objects searched: those whose name this matches; empty: every disc and tape.
    std::string ObjectPattern;
};

// One file found: the object it is in and the file as brelk files lists it.
struct TFoundFile {
    const TBrelkCatEntry* Entry = nullptr;
    TMediaKind Kind = TMediaKind::DFS;
    TMediaFile File;
};

// An object whose files could not be read; the search went on without it.
struct TSkippedObject {
    const TBrelkCatEntry* Entry = nullptr;
    std::string Why;
};

struct TFindOutcome {
    std::size_t Searched = 0; // objects whose files were looked at
    std::size_t Found = 0;
    std::vector<TSkippedObject> Skipped;
    bool Cancelled = false;
};

using TFoundFileFn = std::function<void(const TFoundFile&)>;

// Whether Patterns (none: every name) choose the file Name of an object of Kind: a pattern
// matches the whole name ("B.ELITE", "$.GAMES.ELITE"; on an ADFS disc "GAMES.ELITE" too) or,
// on a disc and without a full stop of its own, the name after the last full stop ("ELITE"
// in any directory).
bool FindPatternsMatch(const std::vector<std::string>& patterns, TMediaKind kind,
                       const std::string& name);

// The files of the disc or tape object Entry, read from the card as said above; false, with
// the reason, when the object lies past the usable card, cannot be read or is damaged.
bool ListObjectFilesOnCard(TBrelk& card, const TBrelkCatEntry& entry, TMediaKind& kind,
                           std::vector<TMediaFile>& files, std::string& why);

// Searches the disc and tape objects in catalogue order; Found hears of each matching file at
// once. Progress counts the objects; a cancel takes effect after the object in hand. The
// card is only read.
TFindOutcome FindFiles(TBrelk& card, const TFindRequest& request, const TFoundFileFn& found,
                       TJobProgress* progress = nullptr);

} // namespace brelk
