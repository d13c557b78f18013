// The jobs on the card's objects that the window and brelk both run: deleting (to "Deleted
// objects" or for good), removing the deleted objects, formatting the card and saving an
// object to a PC file. Each asks its questions through TJobUser and leaves the wording of
// its outcome to the front end.
#pragma once

#include "explorer/JobUser.h"
#include "explorer/ObjectTransfer.h"

#include "card/Brelk.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace brelk {

// --- Deleting ---

struct TDeleteResult {
    bool Refused = false;   // an answer stopped the job before anything changed
    bool Cancelled = false; // a stop asked through the progress: the rest stayed as they were
    std::vector<const TBrelkCatEntry*> Moved;          // now deleted objects (not Permanent)
    std::size_t Removed = 0;                           // removed for good (Permanent)
    std::vector<const TBrelkCatEntry*> HeaderFailures; // moved, but their header not rewritten
};

// Moves Entries to "Deleted objects" (their space stays taken) or, Permanent, removes them
// for good (their records are released: nothing may point at them afterwards). Without
// Permanent an object deleted already is asked about first (query::TDeletedAlready).
// The move reports to User's progress and stops when it asks.
TDeleteResult DeleteObjectsJob(TBrelk& card, const std::vector<const TBrelkCatEntry*>& entries,
                               bool permanent, TJobUser& user);

// Removes every deleted object for good; their space becomes free. Returns how many.
std::size_t RemoveDeletedJob(TBrelk& card);

// --- Putting one object ---

enum class TPutResult { Added, Exists, NotAdded };

// Adds Entry (its size set) with the bytes Source hands over while they are written; the place
// is chosen before anything is read. An object of the same name and type is replaced only when
// Replace, else Exists and the card is unchanged. NotAdded: no room, or Source failed.
TPutResult PutObjectJob(TBrelk& card, TBrelkCatEntry& entry, const TDataSource& source,
                        bool replace);
// The same with the object's bytes in memory.
TPutResult PutObjectJob(TBrelk& card, TBrelkCatEntry& entry, const std::vector<std::uint8_t>& data,
                        bool replace);

// --- Formatting ---

enum class TFormatResult { Formatted, Declined, SizeUnknown, ReadFailed, FormatFailed };

// Writes an empty catalogue after a Yes to query::TLoseObjects, which tells what the card
// holds: its catalogue's objects, or what else its first bytes show (ForeignMedia).
TFormatResult FormatCardJob(TBrelk& card, TJobUser& user);

// --- Saving to a PC file ---

enum class TCopyResult { Done, PastCard, NoMemory, ReadFailed, WriteFailed };
using TByteSink = std::function<bool(const std::uint8_t* bytes, std::size_t count)>;

// Hands Entry's object in Form to Write: stored bytes in pieces of kTransferPiece, read
// page-aligned past the cache with the card held open, so a large object needs little memory;
// a converted form whole. WriteFailed when Write returns false.
TCopyResult CopyObjectInForm(TBrelk& card, const TBrelkCatEntry& entry, TFileForm form,
                             const TByteSink& write);

enum class TSaveResult { Saved, Declined, CreateFailed, ReadFailed, WriteFailed };

struct TSaveOutcome {
    TSaveResult Result = TSaveResult::Saved;
    TCopyResult Copy = TCopyResult::Done; // why the object could not be read (ReadFailed)
    std::string Why; // CreateFailed, WriteFailed: the refusal or the system's reason, naming Path
    bool ReadOnly = false; // CreateFailed because Path is a read-only file
};

// Whether a save replaces a read-only file (brelk's --force) or refuses it.
enum class TReadOnlyTarget { Refuse, Replace };

// Writes Entry's object to the PC file Path in Form through a fresh temporary file beside it
// that takes Path's place once every byte is on the disc. An existing file is replaced only
// after a Yes to query::TOverwrite{Path}, only when it is a regular file and, unless ReadOnly
// says Replace, not read-only; the new file keeps its permissions. A failure leaves no half
// file and the old one as it was.
TSaveOutcome SaveObjectJob(TBrelk& card, const TBrelkCatEntry& entry, const std::string& path,
                           TFileForm form, TJobUser& user,
                           TReadOnlyTarget readOnly = TReadOnlyTarget::Refuse);
// As above, in the form Path's name asks for (a tape under a ".uef" name as a UEF tape, a DFS
// disc under a ".dsd" name interleaved; else the whole allocated size as the card holds it).
TSaveOutcome SaveObjectJob(TBrelk& card, const TBrelkCatEntry& entry, const std::string& path,
                           TJobUser& user);

} // namespace brelk
