// Pending objects: PC files waiting to be added to the card. Collecting paths, analysing a
// file's contents into a proposed catalogue entry, the space totals, converting a file's
// bytes into the card's form, and the import loop. The add-objects dialog, the main window's
// drop handler, restore and `brelk add` all use these; they talk to the user only through
// TJobUser.
#pragma once

#include "card/CatEntry.h"
#include "explorer/JobUser.h"
#include "explorer/PCFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace brelk {

class TBrelk;

// How the analysis read a file (shown by the dialog's details and
// by `brelk add --dry-run --json` as "tool", "dfs", "dfs-interleaved", "tape", "adfs").
enum class TReadAs { Tool, DFS, DFSInterleaved, Tape, ADFS };
const char* ReadAsText(TReadAs readAs);

// One pending object.
struct TBrelk_RawCatalogueEntry {
    std::string FileName;       // full path of the PC file
    std::uint32_t DataSize = 0; // data bytes on the card before rounding to blocks
    std::uint32_t FileSize = 0; // length of the PC file
    bool Squashed = false;      // DFS discs only: store the sides squashed
    bool Raw = false;           // restore: the file already holds the card data
    bool Analysed = false;
    TBrelkCatEntry Entry; // Size holds SizeOnCard while pending

    // What the analysis found out, for the dialog's details and brelk.
    TReadAs ReadAs = TReadAs::Tool;
    bool Gzip = false;          // the file was gzip-compressed and was unpacked first
    std::string Note;           // what the user should know (why a disc-like file is a tool, ...)
    std::uint8_t DiscSides = 0; // DFS discs: the sides that will be kept (0 counts as 1)
};

using TPendingObjects = std::vector<std::unique_ptr<TBrelk_RawCatalogueEntry>>;

// At most this many pending objects; AddPendingPath refuses more with a message.
inline constexpr std::size_t kMaxPendingObjects = 65535;

// SizeOnCard: DataSize, or 204800 per side for an unsquashed DFS disc (not Raw: a restored
// object is written as it is).
std::uint32_t SizeOnCard(const TBrelk_RawCatalogueEntry& object);
// Stores SizeOnCard in the entry's Size.
void UpdateSizeOnCard(TBrelk_RawCatalogueEntry& object);

// The settings that the analysis and the import read.
struct TImportOptions {
    bool GuessDistributor = false;  // ImportGuessDistributor
    bool OverwriteExisting = true;  // ImportOverwriteExisting
    bool AskBeforeOverwrite = true; // ImportAskBeforeOverwrite
    // Asked after the import analysed an object itself (one that came to it unanalysed): what
    // the caller changes or checks once a file is analysed. False drops the object (a message
    // has been shown). None keeps every object.
    std::function<bool(TBrelk_RawCatalogueEntry& object)> AcceptAnalysed = nullptr;
};

// --- Collecting ---
void AddPendingFile(TPendingObjects& list, const std::string& path);
// A file becomes one pending object; a folder contributes every file below it (names that
// begin with "." skipped, links to folders not followed, only regular files). Paths beyond
// kMaxPendingObjects are refused with one message through User.
void AddPendingPath(TPendingObjects& list, const std::string& path, TJobUser& user);

// --- Analysing ---
struct TDistributorGuess {
    std::string Distributor;
    std::string BaseName;
};
TDistributorGuess GuessDistributor(const std::string& path);

// Reads and classifies one object; false: the caller drops it (a message has been shown
// where one is due).
bool AnalysePendingObject(TBrelk_RawCatalogueEntry& object, const TImportOptions& options,
                          TJobUser& user);
// The same through File and Contents, which keep the file open and its bytes (the head of a
// large plain file) after the analysis, for the import to write them without reading again.
bool AnalysePendingObject(TBrelk_RawCatalogueEntry& object, const TImportOptions& options,
                          TJobUser& user, TPCFileReader& file, TPCFileContents& contents);
// Analyses every object under the user's progress and removes those that fail; Cancel drops
// the objects not yet analysed.
void AnalysePendingObjects(TPendingObjects& list, const TImportOptions& options, TJobUser& user);

// --- Space totals ---
struct TSpaceTotals {
    std::int64_t Needed = 0;
    std::int64_t Left = 0; // shown as a 32-bit value; red below 0
};
// Card may be null or not initialised (then Free counts from 0).
TSpaceTotals ComputeSpaceTotals(const TPendingObjects& list, const TBrelk* card,
                                std::uint32_t safetyZone);

// --- Converting and importing ---
// Turns the bytes of a disc or tape file into the card's form (squashed or full DFS sides,
// de-interleaved .dsd sides, the raw blocks of a UEF tape) and sets the entry's Size and
// DataSize to the result. Objects of other types, and Raw objects, are left unchanged.
void ConvertPendingData(TBrelk_RawCatalogueEntry& object, std::vector<std::uint8_t>& data);

struct TImportResult {
    std::size_t Written = 0;
    std::size_t Skipped = 0; // No to the overwrite question, or a file that could not be read
    bool Stopped = false;    // Cancel, a cancelling answer to a question, or a failed add
    bool Failed = false;     // an add or a read failed
    // Objects that came unanalysed and were dropped by their analysis, for want of a name, or
    // by AcceptAnalysed.
    std::size_t Dropped = 0;
};
// The import loop over List, in order, with bulk transfer held for the whole loop. An object
// not yet analysed is analysed from the bytes the import reads for it: each file is opened
// and read once, and its bytes are analysed, converted and written from one buffer.
TImportResult ImportPendingObjects(TBrelk& card, TPendingObjects& list,
                                   const TImportOptions& options, TJobUser& user);
// The same loop with the overwrite settings chosen for each object (a restore decides them
// on the card as it was before it began).
using TImportOptionsFor = std::function<TImportOptions(const TBrelk_RawCatalogueEntry& object)>;
TImportResult ImportPendingObjectsEach(TBrelk& card, TPendingObjects& list,
                                       const TImportOptionsFor& optionsFor, TJobUser& user);

// --- Objects on the card already ---
// Tells whether a pending object is on the card already: a live entry of the same type,
// subtype and name (letter case ignored) that holds exactly the bytes the import would
// write for it. Asked after the analysis and before the import; the card's catalogue must
// not change while it is used.
class TObjectsOnCard {
  public:
    explicit TObjectsOnCard(TBrelk& card);
    bool Holds(const TBrelk_RawCatalogueEntry& object);

  private:
    TBrelk& Card;
    std::unordered_map<std::string, std::vector<const TBrelkCatEntry*>> ByName;
};

} // namespace brelk
