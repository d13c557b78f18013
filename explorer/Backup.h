// Backup and restore of a whole card. A backup set is an index file (a header line and one
// line per live object, CR LF after each) and a folder beside it, named like the index file
// without its extension, holding one image file per object line. The window and brelk both
// drive the jobs here; they talk to the user only through TJobUser.
#pragma once

#include "card/Brelk.h"
#include "explorer/JobUser.h"
#include "explorer/PendingObjects.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brelk {

// --- The index format ---

inline constexpr std::string_view kBackupIndexMagic = "BrelkExplorer Backup";

// "IMG" + Number as 5 upper-case hexadecimal digits + ".bin": IMG0000A.bin for 10.
std::string ImageFileName(std::uint32_t number);
// "BrelkExplorer Backup (" + DateTime + ")", without the line end.
std::string BackupHeaderLine(const std::string& dateTime);
// "%2d %2d %8.8X %8.8X IMG%5.5X.bin %s" for Entry and image number Number, without line end.
std::string BackupObjectLine(const TBrelkCatEntry& entry, std::uint32_t number);
// The live entries of Catalogue in ascending order of their card address.
std::vector<const TBrelkCatEntry*> LiveEntriesByAddress(TEntriesView catalogue);
// The whole index text: the header and the lines of Entries (live ones, address order), each
// line ended by CR LF. Image numbers count the written lines from 0.
std::string FormatBackupIndex(const std::vector<const TBrelkCatEntry*>& liveByAddress,
                              const std::string& dateTime);
// The folder of the image files: the index path without its extension.
std::string BackupFolderOf(const std::string& indexPath);
// The index path for the name a user gave: one without an extension gets ".txt", since the
// folder beside an index file is its path without the extension.
std::string BackupIndexPathFor(const std::string& given);
// The file name proposed for a new backup: YYYYMMDD.txt.
std::string ProposedBackupFileName(int year, int month, int day);

// One object line read back.
struct TIndexObject {
    std::size_t LineNumber = 0; // in the file, the header being line 1
    std::uint8_t Type = 0;
    std::uint8_t Subtype = 0;
    std::string Image; // columns 25-36
    std::string Name;  // columns 38 on, at most 48 characters
};

enum class TIndexStatus {
    Read,      // the header and every object line are sound (an empty file too)
    NotIndex,  // the first line does not begin with "BrelkExplorer Backup"
    Malformed, // an object line is not sound: BadLine and Problem say which and why
};

struct TBackupIndex {
    TIndexStatus Status = TIndexStatus::Read;
    std::vector<TIndexObject> Objects;
    std::size_t BadLine = 0;
    std::string Problem;
};

// Reads an index text. Lines end with CR LF, LF or CR; lines beginning with "#" are comments.
// Type and subtype are decimal numbers (leading spaces allowed) from 0 to 255; an image name
// that reaches into another folder, and a line without an object name, are refused as well.
TBackupIndex ParseBackupIndex(std::string_view text);

// The date and time in the header line.
class TBackupClock {
  public:
    virtual ~TBackupClock() = default;
    virtual std::string DateTimeText() const = 0;
};

// The local date and time in the user's locale: short date, a space, long time.
class TLocalClock : public TBackupClock {
  public:
    std::string DateTimeText() const override;
};

// --- Backup ---

// The syncs that make a backup set durable before it is said to be saved: each file's bytes
// before it takes its name, each folder's names once they changed. Tests stand in for them.
class TBackupSync {
  public:
    virtual ~TBackupSync() = default;
    // fsync of the open file Fd.
    virtual bool File(int fd) const;
    // fsync of the folder Path, which makes the names in it durable.
    virtual bool Folder(const std::string& path) const;
};

struct TBackupResult {
    bool IndexWritten = false; // the index file and its folder are on the disc
    std::size_t Objects = 0;   // object lines in the index
    std::size_t Handled = 0;   // object lines handled before the loop ended
    std::size_t Saved = 0;     // image files written in full
    bool Cancelled = false;
};

// Writes the index file at IndexPath and one image file per live object into the folder
// beside it. An image is written under a temporary name and takes its place only when every
// byte was read from the card and written; an object that could not be saved, or was not
// reached before Cancel, leaves no file of its image's name behind (an older one is removed),
// so a restore never takes a stale or empty file for it. Every file is synced before it takes
// its name, and the folders holding the names are synced before the result is returned; a
// folder that cannot be synced ends the backup as a failure (IndexWritten false).
TBackupResult BackupBrelk(TBrelk& card, const std::string& indexPath, const TBackupClock& clock,
                          TJobUser& user, const TBackupSync& sync = TBackupSync());
// The closing message of a backup whose index was written, and its kind.
std::string BackupOutcomeText(const TBackupResult& result);
TNotice BackupOutcomeKind(const TBackupResult& result);

// --- Restore ---

struct TRestoreLoad {
    bool Refused = false;    // no index file, a malformed line or a file that cannot be read
    bool Stop = false;       // a malformed line or an unreadable file: the restore ends here
    std::size_t Lines = 0;   // object lines
    std::size_t Missing = 0; // object lines whose image file was not found
};

// Reads the index file at Path and fills List (emptied first) with one Raw pending object per
// object line whose image file exists. A file that is not an index file is reported and
// leaves List empty; a malformed line, or one whose image is a link or no regular file, is
// reported with its number and leaves List empty.
TRestoreLoad LoadBackupIndex(const std::string& path, TPendingObjects& list, TJobUser& user);

struct TRestorePlan {
    bool Go = true;
    bool Format = false;
};

// The questions before a restore of Count objects from Path: none found (told), the card must
// be formatted (query::TMustFormat), or (PreFormat) whether to format first
// (query::TFormatFirst).
TRestorePlan PlanRestore(std::size_t count, const std::string& path, bool catalogueValid,
                         bool preFormat, TJobUser& user);

// What a restore does with an object whose type and name the card held before it began.
// Objects the card did not hold, and every further object of one name within the set, are
// added beside what is there: a restore never overwrites an object it wrote itself.
enum class TRestoreExisting {
    Keep,           // the card's object stays; the set's is not written
    Replace,        // the first of its name in the set replaces the card's
    AskThenReplace, // the same after the overwrite question (Yes, No, Cancel)
    AddBeside,      // the set's object is added beside the card's
};

// The window's import settings as a restore's rule: "Overwrite existing objects" replaces,
// with "Ask before overwriting" after the question; without it objects are added beside.
TRestoreExisting RestoreRuleFor(const TImportOptions& settings);

struct TRestoreImport {
    TImportResult Result;
    // The objects not written because the card held their type and name already.
    std::vector<const TBrelk_RawCatalogueEntry*> Kept;
};
// Imports a restore list in its order, each object's fate decided by Existing on the card as
// it was before. List holds every object again afterwards (the kept ones at the end), and
// each added object's Entry carries the address it was given.
TRestoreImport ImportRestoreList(TBrelk& card, TPendingObjects& list, TRestoreExisting existing,
                                 TJobUser& user);

// The closing words about index lines whose image file was missing ("" when none was).
std::string MissingImagesText(std::size_t missing);

// The closing message of a restore whose import of Objects objects ran and was committed:
// "Restore done.", or, when the import stopped early (Cancel, or an object that could not be
// added), how many were restored and that the rest were not; then MissingImagesText(Missing).
std::string RestoreOutcomeText(const TImportResult& result, std::size_t objects,
                               std::size_t missing);
TNotice RestoreOutcomeKind(const TImportResult& result, std::size_t missing);

} // namespace brelk
