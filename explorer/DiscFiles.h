// The files inside a disc or tape object on the card, one place for the rules that brelk and
// the window share: listing them, choosing them by name (Acorn wildcards), extracting them
// into PC files (names, folders, .inf sidecars), viewing them, and inserting and deleting
// files of a DFS disc with the object replaced in one commit.
#pragma once

#include "explorer/JobProgress.h"

#include "card/Brelk.h"
#include "explorer/DiscTransform.h"
#include "explorer/ExtractNames.h"
#include "explorer/SafeWrite.h"
#include "formats/ADFS.h"
#include "formats/DFSFiles.h"
#include "formats/FileView.h"
#include "formats/TapeFiles.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brelk {

enum class TMediaKind { DFS, ADFS, Tape };

// One file of an object.
struct TMediaFile {
    int Side = 0;     // the DFS drive number (0, 2, ...); 0 for ADFS and tapes
    std::string Name; // "D.NAME", "$.DIR.NAME" or the tape file's name
    std::uint32_t Load = 0;
    std::uint32_t Exec = 0;
    std::uint32_t Length = 0;
    bool Locked = false;
    std::uint32_t StartSector = 0; // discs: where the file starts
    std::size_t Source = 0;        // its index in the reader's own list
    std::string Note;              // what is odd about it ("blocks out of sequence")
};

// The files of an object's bytes, with what the readers found.
struct TMediaListing {
    TMediaKind Kind = TMediaKind::DFS;
    std::vector<TMediaFile> Files;
    TDFSDiscSides DFS;
    std::vector<TAcornDFSCatEntry> DFSEntries; // by Source
    std::vector<int> DFSEntrySides;            // side index by Source
    TADFSDisc ADFS;
    std::vector<TTapeFile> Tape;
};

// Whether Entry is an object whose files can be listed, and its kind.
bool MediaKindOf(const TBrelkCatEntry& entry, TMediaKind& kind);

// Lists the files of Bytes, an object of Kind. False, with the reason, when the disc is
// refused or damaged (the ADFS reasons: outside the disc, a loop, a broken directory).
bool ListMediaFiles(TMediaKind kind, std::span<const std::uint8_t> bytes, TMediaListing& listing,
                    std::string& why);

// The bytes of File. False, with a reason naming it, when it runs past its side or disc.
bool ReadMediaFile(const TMediaListing& listing, std::span<const std::uint8_t> bytes,
                   const TMediaFile& file, std::vector<std::uint8_t>& data, std::string& why);

// The files that Patterns choose (all when there are none), in listing order, from drive
// Side only when Side >= 0. A pattern without a directory stands for one in "$" too
// ("ELITE" for "$.ELITE"). False, naming it, when a pattern chooses nothing.
bool ChooseMediaFiles(const TMediaListing& listing, const std::vector<std::string>& patterns,
                      int side, std::vector<const TMediaFile*>& chosen, std::string& why);

struct TExtractOptions {
    TExtractOptions(bool inf = false, bool force = false) : Inf(inf), Force(force) {}
    bool Inf = false;   // write FILE.inf beside each file
    bool Force = false; // replace existing files
    std::string Into;   // a safe folder name below the extraction folder for them, or none
};

// Where each of Chosen goes below the extraction folder, every name made safe (see
// ExtractNames.h): "D.NAME" (under "0/" and "2/" for a disc of two sides or more),
// "DIR/NAME" for ADFS ("$.DIR.NAME"), the tape name; all below Options.Into. A path that
// another file of the run (or, with Options.Inf, its sidecar) took already gets ".1", ".2",
// ..., as repeated tape files do.
std::vector<std::string> ExtractPaths(const TMediaListing& listing,
                                      const std::vector<const TMediaFile*>& chosen,
                                      const TExtractOptions& options = {});

// The files below Folder that extracting Chosen with Options would replace, sidecars too.
std::vector<std::string> ExistingExtractTargets(const TMediaListing& listing,
                                                const std::vector<const TMediaFile*>& chosen,
                                                const std::string& folder,
                                                const TExtractOptions& options);

// A .inf sidecar line: "NAME LOAD EXEC LENGTH" in hexadecimal, then " L" when locked. A DFS
// file's addresses keep their two high bits as its catalogue holds them (&024556 for 10).
std::string InfLine(const TMediaListing& listing, const TMediaFile& file);

// Writes the chosen files below Folder (created when absent). Every file is read and every
// target checked first: a damaged file, an existing file without Force, a target that is no
// regular file or a path that would leave Folder stops it with the reason and nothing
// written. The files are written as one safe group (see SafeWrite.h); with Batch they join
// it instead and are in place only when the caller commits it (a failure abandons the whole batch).
// Written receives the paths written; Progress hears of each file as it is written.
bool ExtractMediaFiles(const TMediaListing& listing, std::span<const std::uint8_t> bytes,
                       const std::vector<const TMediaFile*>& chosen, const std::string& folder,
                       const TExtractOptions& options, std::vector<std::string>& written,
                       std::string& why, TJobProgress* progress = nullptr,
                       TSafeWriteBatch* batch = nullptr);

// The lines of File shown As (see FileView.h).
bool ViewMediaFile(const TMediaListing& listing, std::span<const std::uint8_t> bytes,
                   const TMediaFile& file, TFileViewAs as, std::vector<std::string>& lines,
                   std::string& why);

// A .inf sidecar's fields: name, load and exec (when given) and the lock.
struct TInfFields {
    std::string Name;
    bool HasAddresses = false;
    std::uint32_t Load = 0;
    std::uint32_t Exec = 0;
    bool Locked = false;
};

// Reads a .inf line "NAME [LOAD [EXEC [LENGTH [ACCESS]]]] [L|Locked] [KEY=VALUE...]", numbers
// in hexadecimal. False, with the reason and the line as NameText shows names, when it has no
// name, holds a NUL or another control byte, a number that is negative or needs more than
// 32 bits, more than four numbers, or a word that is none of these.
bool ParseInfLine(const std::string& line, TInfFields& fields, std::string& why);
bool ParseInfLine(const std::string& line, TInfFields& fields);

// Reads the sidecar PATH.inf of the PC file Path. False, with the reason naming the sidecar,
// when it is there but cannot be read or is refused; Present tells whether there is one.
bool ReadInfSidecar(const std::string& path, TInfFields& fields, bool& present, std::string& why);

// DFS names for files to insert into drive Drive of Listing, in order: a name that DFS takes
// stays; another becomes its first seven characters that DFS allows (directory "$" unless it
// gives a valid one), with a number at the end where that name is on the side or proposed
// already. Changed[i] tells whether Names[i] was changed.
std::vector<std::string> ProposeDFSNames(const TMediaListing& listing, int drive,
                                         const std::vector<std::string>& names,
                                         std::vector<bool>& changed);

// The refusal of a delete that chooses locked files, naming them (as NameText shows them);
// empty when none of Files is locked.
std::string LockedFilesRefusal(const std::vector<const TMediaFile*>& files);

// Changes side Side of the DFS disc object Entry on the card: Edit runs on the side's
// bytes, and the changed object (squashed again when it was kept squashed) replaces the
// old one in one commit. False, with the reason and the card unchanged, when the object
// cannot be read, the edit is refused or the new object finds no room.
bool EditDFSObject(TBrelk& card, const TBrelkCatEntry* entry, int side, const TDFSSideEdit& edit,
                   std::string& why);

// Inserts Files into a side (Replace: a file of the same name, not locked, goes first).
TDFSSideEdit InsertFilesEdit(const std::vector<TDFSNewFile>& files, bool replace);
// Deletes the files that Patterns choose from a side; a pattern that chooses nothing, or a
// locked file among those chosen, refuses the edit. Deleted receives the names.
TDFSSideEdit DeleteFilesEdit(const std::vector<std::string>& patterns,
                             std::vector<std::string>* deleted);
// Locks (or unlocks) the files Names.
TDFSSideEdit LockFilesEdit(const std::vector<std::string>& names, bool lock);
// Renames the file From to To.
TDFSSideEdit RenameFileEdit(const std::string& from, const std::string& to);
// Locks (or unlocks) the files that Patterns choose (wildcards * and #); a pattern that
// chooses nothing refuses the edit. Changed receives the names.
TDFSSideEdit LockMatchingEdit(const std::vector<std::string>& patterns, bool lock,
                              std::vector<std::string>* changed);
// Sets a side's title and boot option (*TITLE, *OPT 4), counting the cycle number on.
TDFSSideEdit SideSettingsEdit(const TDFSSideSettings& settings);

// The boot option that Text names: none, load, run or exec (any case). False, with the
// reason, for another word.
bool ParseBootOption(const std::string& text, std::uint8_t& option, std::string& why);

// Every reason these edits and readers give shows the names in it as NameText does.

} // namespace brelk
