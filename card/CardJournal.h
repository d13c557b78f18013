// The journal of a catalogue rewrite. Before the catalogue at card address 0 is overwritten,
// the bytes it will overwrite are written to a journal file in the state folder and made
// durable; once the new catalogue is on the card and synced, the journal is deleted. A journal
// found when a card is opened belongs to a change that was cut short: when the card holds the
// new catalogue whole, the change is finished and the journal goes; otherwise the change is
// undone from the journal's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace brelk {

// The blocks that the journal describes one by one: the unit of a torn write.
inline constexpr std::size_t kJournalBlock = 512;
// The pieces of a block that the journal hashes on their own, so that a write torn inside a
// block is told from a block that holds neither its old nor its new bytes.
inline constexpr std::size_t kJournalPiece = 64;

// One run of blocks that a rewrite changes: where it lies, the card's bytes there before the
// change, a hash of each kJournalBlock bytes of the new bytes (the last may be shorter) and a
// 32-bit hash of each kJournalPiece bytes of them (none in journals of the older form).
struct TJournalRun {
    std::uint64_t Offset = 0;
    std::vector<std::uint8_t> Old;
    std::vector<std::uint64_t> NewBlocks;
    std::vector<std::uint32_t> NewPieces;
};

struct TCardJournal {
    std::string Card;              // the card's identity (its ID key, or its full path)
    std::uint64_t CardSize = 0;    // as the card object saw it
    std::vector<TJournalRun> Runs; // in ascending order, not overlapping
};

// A 64-bit hash of Count bytes.
std::uint64_t JournalHash(const std::uint8_t* data, std::size_t count,
                          std::uint64_t seed = 0xCBF29CE484222325ull);

// The same hash over bytes given in pieces: Add them in order, then Final.
class TJournalHasher {
  public:
    explicit TJournalHasher(std::uint64_t seed = 0xCBF29CE484222325ull) : Hash(seed) {}
    void Add(const std::uint8_t* data, std::size_t count);
    std::uint64_t Final() const;

  private:
    std::uint64_t Hash;
    std::uint64_t Count = 0;
    std::uint8_t Pending[8] = {};
    std::size_t PendingCount = 0;
};

// A run of a journal about to be written: its bytes stay where its maker holds them.
struct TJournalRunView {
    std::uint64_t Offset = 0;
    std::span<const std::uint8_t> Old;
    std::span<const std::uint64_t> NewBlocks;
    std::span<const std::uint32_t> NewPieces;
};

// A journal about to be written, without a copy of its old bytes: valid while the bytes it
// views are. A whole journal converts to one.
struct TJournalView {
    TJournalView() = default;
    TJournalView(const TCardJournal& journal); // implicit: a whole journal is a view too
    std::string Card;
    std::uint64_t CardSize = 0;
    std::vector<TJournalRunView> Runs;
};

// A journal that holds copies of the bytes View shows.
TCardJournal OwnedJournal(const TJournalView& view);

// Fills Dest with the new bytes [At, At + Count) of a rewrite.
using TNewBytes = std::function<void(std::size_t at, std::size_t count, std::uint8_t* dest)>;

// The hashes of a rewrite's new bytes that its runs view.
struct TNewHashes {
    std::vector<std::uint64_t> Blocks;
    std::vector<std::uint32_t> Pieces;
};

// The 32-bit hash of one piece.
std::uint32_t JournalPieceHash(const std::uint8_t* data, std::size_t count);

// The runs of whole blocks (counted from address 0) in which the new bytes of Card's length,
// given by Now, differ from Card, the card's bytes from address 0 before the change; bytes
// from Known on are not the card's and count as changed. Only these runs need writing. Each
// run's Old views Card, its NewBlocks and NewPieces view Hashes.
std::vector<TJournalRunView> ChangedRuns(std::span<const std::uint8_t> card, std::size_t known,
                                         const TNewBytes& now, TNewHashes& hashes);
// The hashes of the block at Offset of Runs made afresh from its new bytes Block (its maker
// changed them after ChangedRuns); nothing when no run holds it.
void RehashBlock(const std::vector<TJournalRunView>& runs, std::uint64_t offset,
                 const std::uint8_t* block, TNewHashes& hashes);

// The journal of writing Now over Old at address 0: its changed runs.
TCardJournal MakeCardJournal(std::string card, std::uint64_t cardSize,
                             const std::vector<std::uint8_t>& old,
                             const std::vector<std::uint8_t>& now);

// The bytes of the card the journal's runs cover, read by Read(offset, dest, count).
using TJournalRead = std::function<bool(std::uint64_t, std::uint8_t*, std::size_t)>;

// How the card's bytes over the journal's range stand to the change.
enum class TJournalState {
    Finished,  // every block holds the new bytes: the change reached the card whole
    Untouched, // every block holds the old bytes
    Torn,      // each block holds the old or the new bytes, some of each, or one block is
               // torn inside (new bytes up to a point, old ones after it, or the reverse):
               // undo it
    Foreign,   // some block holds neither: not this change's card, or changed since
};
TJournalState CompareWithJournal(const TCardJournal& journal, const TJournalRead& read);
// The same against the card's bytes from address 0 held in memory.
TJournalState CompareWithJournal(const TCardJournal& journal,
                                 const std::vector<std::uint8_t>& onCard);

// The number of bytes SerializeCardJournal makes of Journal.
std::size_t SerializedJournalSize(const TJournalView& journal);

// The file's bytes, ending in a hash of all before it, so that a journal cut short by a
// crash while it was written is known as such.
std::vector<std::uint8_t> SerializeCardJournal(const TJournalView& journal);
// The same bytes given to Sink piece by piece (the old bytes of each run without a copy),
// the closing hash last.
using TJournalSink = std::function<bool(const std::uint8_t* data, std::size_t count)>;
bool WriteCardJournal(const TJournalView& journal, const TJournalSink& sink);
// False when Bytes are no whole journal.
bool ParseCardJournal(const std::vector<std::uint8_t>& bytes, TCardJournal& journal);

} // namespace brelk
