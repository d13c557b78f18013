// TBrelk: the one card object. It opens the card (a block device or an image file), reads
// and writes card addresses through a block cache, keeps the on-card catalogue in memory and
// places objects on the card. Its code is split by concern:
//   BrelkDevice.cpp     device bracket, geometry, initialisation, bulk transfer
//   BrelkCache.cpp      cache window, reads, writes, write-back
//   BrelkCatalogue.cpp  catalogue header and entries, free-space map, format
//   BrelkAllocation.cpp adding, changing and removing objects
//   BrelkFreeSpace.cpp  the free-space map kept in place, the record index
//   BrelkCommit.cpp     the checked commit: data, sync, catalogue in one write, sync
#pragma once

#include "card/CardRecord.h"
#include "card/CatEntry.h"
#include "card/CatalogueKeep.h"
#include "card/PointerSet.h"
#include "card/RawDevice.h"
#include "card/Reporter.h"
#include "card/SysCalls.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace brelk {

using TCatalogue = std::vector<std::unique_ptr<TBrelkCatEntry>>;

// What the card object knows of its card and catalogue, as a copy for reading.
struct TCardState {
    std::uint16_t BytesPerSector = 0;
    std::uint32_t CardSize = 0;
    std::uint32_t SafetyZone = 0;
    bool DeviceOK = false;
    bool CatalogueValid = false;
    // The catalogue in memory differs from the card's (a commit is due).
    bool CatalogueModified = false;
};

// The cache window: where it starts on the card, its size, how much of it holds card bytes,
// and the offsets it has changed (DirtyLow > DirtyHigh when none).
struct TCacheWindow {
    std::uint32_t Start = 0;
    std::uint32_t Size = 0;
    std::uint32_t Fill = 0;
    std::uint32_t DirtyLow = 0;
    std::uint32_t DirtyHigh = 0;
};

// The catalogue's records for reading: changes go through the card object's operations.
class TEntriesView {
  public:
    class TIterator {
      public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = const TBrelkCatEntry*;
        using difference_type = std::ptrdiff_t;
        using pointer = const value_type*;
        using reference = value_type;
        explicit TIterator(TCatalogue::const_iterator at) : At(at) {}
        const TBrelkCatEntry* operator*() const { return At->get(); }
        TIterator& operator++() {
            ++At;
            return *this;
        }
        TIterator& operator--() {
            --At;
            return *this;
        }
        TIterator operator+(difference_type n) const { return TIterator(At + n); }
        difference_type operator-(const TIterator& other) const { return At - other.At; }
        bool operator==(const TIterator& other) const { return At == other.At; }

      private:
        TCatalogue::const_iterator At;
    };
    // A view of any list of records (implicitly: a function taking a view takes a list too).
    TEntriesView(const TCatalogue& records) : Records(&records) {}
    std::size_t size() const { return Records->size(); }
    bool empty() const { return Records->empty(); }
    const TBrelkCatEntry* operator[](std::size_t i) const { return (*Records)[i].get(); }
    const TBrelkCatEntry* front() const { return Records->front().get(); }
    const TBrelkCatEntry* back() const { return Records->back().get(); }
    TIterator begin() const { return TIterator(Records->begin()); }
    TIterator end() const { return TIterator(Records->end()); }

  private:
    const TCatalogue* Records;
};

// Frees the page-aligned cache buffer.
struct TPageAlignedFree {
    void operator()(std::uint8_t* buffer) const;
};
using TCacheBuffer = std::unique_ptr<std::uint8_t[], TPageAlignedFree>;
// A buffer of Size bytes that starts on a page (none when out of memory): the kernel copies
// to and from such buffers faster.
TCacheBuffer AllocatePageAligned(std::size_t size);

// Long objects move between card and PC file in pieces of this size: most of each piece
// passes the cache straight to or from the card. Larger pieces made writes to an image file
// slower (1 GiB put: 4 MiB pieces about 1.6x the time of 1 MiB pieces, in kernel time).
inline constexpr std::uint32_t kTransferPiece = 1u << 20;

// Supplies an object's bytes in order, Count at a time, into Buffer; false when they cannot
// be had (the add then fails and the catalogue stays as it was).
using TDataSource = std::function<bool(std::uint8_t* buffer, std::uint32_t count)>;

class TBrelk {
  public:
    // Reporter receives the device error messages; Calls is the operating system seam.
    explicit TBrelk(TBrelkReporter& reporter, TSysCalls& calls = LinuxSysCalls());
    ~TBrelk();
    TBrelk(const TBrelk&) = delete;
    TBrelk& operator=(const TBrelk&) = delete;

    // --- Device and cache ---
    // Takes the card's lock (shared for ReadOnly, exclusive for ReadWrite) before the
    // catalogue is read and holds it until destruction; a card held by another is refused.
    // A reader keeps the device open afterwards, until StopBulktransfer or destruction.
    bool Initialize(std::uint32_t cacheBytes, const std::string& drive, std::uint32_t safetyZone,
                    TCardAccess access = TCardAccess::ReadWrite);
    bool ReadMMC(void* dest, std::uint32_t address, std::uint32_t count);
    // ReadMMC of only the blocks asked for: a look at one place loads nothing around it.
    bool ReadMMCBlocks(void* dest, std::uint32_t address, std::uint32_t count) {
        return ReadCard(dest, address, count, false);
    }
    bool WriteRawBytes(const void* source, std::uint32_t address, std::uint32_t count);
    bool FlushCache();
    // The commit: object data written and synced, then the whole catalogue in one write and
    // synced. True only when every step succeeded; after a failure nothing more is written.
    bool FlushMMCDevice();
    bool HasUnsavedData() const;
    // Forgets every change not yet written (the card was pulled): the cache window is emptied
    // and the catalogue header counts as written, so closing writes nothing.
    void DiscardUnsavedData();
    // The card left its drive: unsaved changes are dropped, the device is closed and the
    // catalogue emptied; the drive path stays, so the card reads as absent from that drive.
    void ForgetCard();
    bool StartBulktransfer();
    void StopBulktransfer();
    bool OpenDevice(bool& wasOpen);
    bool CloseDevice();

    // --- Catalogue ---
    bool ReadCatalogueHeader();
    void ReadCatalogue();
    void UpdateCatalogueHeader();
    void BuildFreeSpaceMap();
    std::uint64_t GetUsedBytes() const;
    bool WriteCatalogue();
    bool FormatMMC();

    // --- Allocation and catalogue updates ---
    bool AddObjectToBrelk(TBrelkCatEntry& entry, const void* data, bool replaceExisting);
    // The same add with the data read from Source in pieces while it is written, so that an
    // object of any size needs little memory. The place is chosen before anything is read.
    bool AddObjectFromSource(TBrelkCatEntry& entry, const TDataSource& source,
                             bool replaceExisting);
    // Writes Length bytes of Data as the new contents of the catalogue record Target, at a
    // new place chosen as for an add; Target takes the new Address and Size. Unlike a
    // replacing add it never picks another object of the same name.
    bool ReplaceObjectData(const TBrelkCatEntry* target, const void* data, std::uint32_t length);
    bool UpdateCatEntry(const TBrelkCatEntry* entry, const TBrelkCatEntry& newValues);
    // Gives every listed record of Catalogue its new values in one pass: one sort and at
    // most one free-space rebuild however many there are. Records not in Catalogue are
    // passed over. Returns how many were changed; HeaderFailures (when given) receives those
    // whose object header could not be rewritten (they are changed all the same).
    std::size_t
    UpdateCatEntries(const std::vector<std::pair<const TBrelkCatEntry*, TBrelkCatEntry>>& changes,
                     std::vector<const TBrelkCatEntry*>* headerFailures = nullptr);
    bool DeleteCatEntry(const TBrelkCatEntry* entry);
    // Removes every listed record of Catalogue in one pass; returns how many were removed.
    std::size_t DeleteCatEntries(const std::vector<const TBrelkCatEntry*>& entries);
    bool ObjectExists(const TBrelkCatEntry& entry) const;
    // Puts Entries in place of the whole catalogue (a repair). OnCard is the catalogue area
    // as it was read from the card: the commit checks that it is still there and keeps it.
    bool ReplaceCatalogue(const std::vector<TBrelkCatEntry>& entries,
                          std::vector<std::uint8_t> onCard);

    // --- Queries derived from the fields ---
    // CardSize - SafetyZone, or 0 when the safety zone is larger than the card.
    std::uint32_t UsableLimit() const;
    // The header and entries rounded up to whole blocks.
    std::uint32_t CatalogueEnd() const;
    std::uint32_t HeaderCount() const { return GetLE32(&CatalogueHeader[kHeaderCountOffset]); }
    std::uint32_t LowestUsedAddress() const {
        return GetLE32(&CatalogueHeader[kHeaderLowestOffset]);
    }
    bool CacheModified() const { return DirtyLow <= DirtyHigh && CacheFill != 0; }
    bool IsDeviceOpen() const { return Device.IsOpen(); }
    bool ReadOnly() const { return Access == TCardAccess::ReadOnly; }
    // True after a failed write or sync, or a catalogue changed by another: nothing more is
    // written to the card by this object.
    bool WritesStopped() const { return Stopped; }
    // How many catalogue writes have reached the card (written and synced) since it was
    // opened: a change made while the count was C is on the card once the count exceeds C.
    std::uint64_t CommitCount() const { return Commits; }
    // The catalogue header could be read but the entries could not (read error, damaged
    // Count); the reason, empty when the catalogue was read or is simply absent.
    const std::string& CatalogueError() const { return CatalogueProblem; }
    // Keeps the journal of each catalogue rewrite, and of the last one finished; none keeps
    // nothing.
    void SetCatalogueKeeper(TCatalogueKeeper* keeper) { Keeper = keeper; }
    // The card's catalogue (header and entries) before its last change, from the journal
    // kept of that change; false with Why when none is kept or the card changed since.
    bool CatalogueBeforeLastChange(TKeptCatalogue& kept, std::string& why);
    // A reader found the journal of a rewrite cut short: it shows the catalogue from before
    // that rewrite, and the next opening for writing undoes it on the card.
    bool InterruptedChangePending() const { return !JournalOverlay.empty(); }
    // A catalogue change that can be recorded neither on the card (no room) nor in the
    // keeper's journal is refused; with Write set it is written all the same, and the kept
    // way back from the card's earlier changes is dropped first.
    void SetWriteWithoutRecord(bool write) { WriteWithoutRecord = write; }
    // The last commit was refused so (see SetWriteWithoutRecord).
    bool ChangeRefused() const { return Refused; }
    // The card's random ID from its catalogue header (0 while it has none).
    std::uint64_t CardIdentifier() const { return CardId; }
    // The identity the keeper knows the card by: its ID and size, or without an ID its path.
    std::string JournalKey() const;
    // The catalogue (header and entries) as this object last read it from or wrote it to
    // the card.
    const std::vector<std::uint8_t>& CardCatalogueBytes() const { return CardCatalogue; }
    // Whether Entry is one of the records in Catalogue.
    bool InCatalogue(const TBrelkCatEntry* entry) const;

    // --- Read-only views of the card object's state ---
    TCardState State() const;
    // The device path: a block device node or an image file.
    const std::string& DevicePath() const { return DriveLetter; }
    const std::array<std::uint8_t, kCatalogueHeaderSize>& Header() const { return CatalogueHeader; }
    // The catalogue in memory, in the card's order.
    TEntriesView Entries() const { return TEntriesView(Catalogue); }
    // The free records between the catalogue and the card's top, by address.
    const std::vector<TBrelkFreeBlock>& FreeRecords() const { return FreeSpaceMap; }
    // FreeRecords as (Length, Start): what best fit searches.
    const std::set<std::pair<std::uint32_t, std::uint32_t>>& FreeRecordsBySize() const {
        return FreeBySize;
    }
    TCacheWindow Window() const;

    // Messages name the card by its path in quotes; with DriveColon (the window's form) the
    // path is followed by ':' where a drive letter stood: '/dev/sdb:'.
    void SetDriveColonInMessages(bool driveColon) { DriveColon = driveColon; }
    // The card as messages name it: the path in quotes, in the form set above.
    std::string QuotedCard() const { return "'" + DriveLetter + (DriveColon ? ":'" : "'"); }

    // --- The two settings that allocation reads (the owner copies them in) ---
    void SetReuseDeletedSpace(bool reuse) { ReuseDeletedSpace = reuse; }
    void SetRewriteObjectHeader(bool rewrite) { RewriteObjectHeader = rewrite; }

  private:
    // Refused is set when the device is usable but too large or of an odd sector size.
    bool ReadDeviceGeometry(bool& refused);
    // Moves the window to the one that holds Address after writing back the old one. The new
    // window holds nothing yet: reads load what they need, write-backs what they lack.
    bool FillCache(std::uint32_t address);
    bool AllocateCache(std::uint32_t cacheBytes);
    bool InWindow(std::uint32_t address) const;
    std::uint32_t WindowStartFor(std::uint32_t address) const;
    std::uint32_t WindowLengthAt(std::uint32_t start) const;
    // Empties the window without writing it back (the caller has done so).
    void EmptyWindow(std::uint32_t start, std::uint32_t length);
    // ReadMMC, loading either up to the window's end or only the blocks asked for.
    bool ReadCard(void* dest, std::uint32_t address, std::uint32_t count, bool readAhead);
    // Reads from the card the bytes of the window offsets [First, End) that it does not hold.
    bool LoadMissing(std::uint32_t first, std::uint32_t end);
    void MarkHeld(std::uint32_t first, std::uint32_t end);
    bool Holds(std::uint32_t first, std::uint32_t end) const;
    // Writes the whole windows of a block-aligned write, except the one it ends in, straight
    // to the card; returns how many bytes went so (0 when the write does not qualify).
    std::uint32_t WriteWholeWindows(const std::uint8_t* source, std::uint32_t address,
                                    std::uint32_t count, bool& ok);
    // The same for a long read: the old window is written back and the whole windows are read
    // straight from the card into Dest.
    std::uint32_t ReadWholeWindows(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
                                   bool& ok);
    // Writes the window back and empties it before a transfer straight to the card.
    bool GiveUpWindow();
    // How many bytes from Address are whole windows before the one holding the last of Count.
    std::uint32_t WholeWindowsAt(std::uint32_t address, std::uint32_t count) const;
    void ReportDeviceError(const std::string& what);
    // Keeps Catalogue sorted after the records Changed were altered (one pass for all).
    void SortAfterChanges(std::vector<const TBrelkCatEntry*> changed);
    void SortCatalogue();
    // --- One-pass catalogue changes ---
    using TFootprint = std::pair<std::int64_t, std::int64_t>; // [first, end)
    void RebuildIndex();
    // The index holds exactly the records (nobody changed the list behind the operations).
    bool IndexCurrent() const;
    // The first record in catalogue order with Entry's Type and the same name, or none.
    TBrelkCatEntry* FindSameObject(const TBrelkCatEntry& entry) const;
    // Where Entry stands in Catalogue (its size when it is not there); before a change.
    std::size_t PositionOf(const TBrelkCatEntry* entry) const;
    // Keeps Catalogue sorted after the record at Position was added or altered.
    void MoveToSortedPlace(std::size_t position);
    bool TakeFreeSpan(std::int64_t first, std::int64_t end);
    bool ReleaseSpan(std::int64_t first, std::int64_t end);
    // FreeBySize follows every change of a free record made here.
    void IndexFreeRecord(const TBrelkFreeBlock& record);
    void UnindexFreeRecord(const TBrelkFreeBlock& record);
    void ClearFreeSpaceMap();
    // The free record whose part above Floor (the catalogue's end once it has grown) is the
    // smallest of at least Footprint bytes, the lowest of equal ones; none when nothing fits.
    const TBrelkFreeBlock* BestFit(std::uint32_t footprint, std::uint64_t floor) const;
    // The record of FreeSpaceMap that the index lists as (Length, Start), or none.
    const TBrelkFreeBlock* IndexedRecord(std::uint32_t length, std::uint32_t start) const;
    bool MoveCatalogueEnd(std::uint32_t oldEnd);
    // Brings the header and the free-space map up to date after the footprints Released left
    // the catalogue and Taken entered it: in place while no objects overlap, else rebuilt.
    void SpaceChanged(const std::vector<TFootprint>& released, const std::vector<TFootprint>& taken,
                      bool indexWasCurrent);
    // Writes Length bytes of object data at Address.
    using TDataWriter = std::function<bool(std::uint32_t address, std::uint32_t length)>;
    TDataWriter MemoryWriter(const void* data);
    bool AddObject(TBrelkCatEntry& entry, const TDataWriter& writeData, bool replaceExisting);
    bool PlaceObject(TBrelkCatEntry& copy, TBrelkCatEntry* target, const TDataWriter& writeData);
    // Where an object of Footprint bytes goes, its header at or above Floor.
    bool ChooseHeaderAddress(std::uint32_t footprint, std::uint64_t floor,
                             std::uint32_t& header) const;
    bool WriteObject(std::uint32_t header, const TBrelkCatEntry& entry,
                     const TDataWriter& writeData, std::uint32_t dataLength);
    bool WriteFromSource(const TDataSource& source, std::uint32_t address, std::uint32_t length);
    // Copies Entry into its object header on the card (when RewriteObjectHeader is set).
    bool RewriteHeaderOf(const TBrelkCatEntry& entry);
    void CatalogueCannotBeRead(const std::string& why);
    // A record of Catalogue as the object's own, changeable one (Entries() lends them out
    // read-only). Only for a record InCatalogue.
    static TBrelkCatEntry* Owned(const TBrelkCatEntry* record) {
        return const_cast<TBrelkCatEntry*>(record);
    }
    // Commit steps.
    bool SyncDevice(const std::string& what);
    void StopWrites();
    bool CatalogueOnCardUnchanged();
    bool HeaderOnCardUnchanged();
    void CardChangedByAnother();
    // Writes the new bytes [0, Length) that Now gives over OnCard, the card's bytes from
    // address 0 as far as they are known; OnCard holds the new bytes afterwards.
    // NewFree is the card's free space once the new bytes are written.
    bool WriteCatalogueBytes(std::vector<std::uint8_t>& onCard, std::size_t length,
                             const TNewBytes& now, const std::vector<TFreeSpan>& newFree);
    // Record steps (BrelkRecord.cpp).
    std::vector<TFreeSpan> FreeSpans() const;
    // Where the record of a change of Length bytes can go: free both in the catalogue on the
    // card (OnCard, its header and entries) and in the new one (NewFree).
    std::optional<std::uint64_t> RecordPlace(const std::vector<std::uint8_t>& onCard,
                                             const std::vector<TFreeSpan>& newFree,
                                             std::uint64_t length) const;
    bool WriteRecord(const TJournalView& journal, std::uint64_t address);
    // Writes block 0 of OnCard (the old header with its new marker) and syncs.
    bool WriteMarker(const std::vector<std::uint8_t>& onCard);
    // Makes Journal durable on the card (at Place; Wanted when the card carries a catalogue)
    // or in the keeper, or says why it is not; false when the change must not go ahead.
    bool RecordChange(const TJournalView& journal, bool wanted, std::optional<std::uint64_t> place);
    void DropOlderUndo();
    // The record that block 0 of the card points at; true when it settled a change cut short.
    bool SettleFromCardRecord();
    bool ReadCardRecord(const TRecordMarker& marker, TCardJournal& journal);
    // Finishes, undoes or keeps (a reader) the change Journal describes.
    void SettleJournal(TCardJournal& journal, bool fromCard);
    // The new catalogue's bytes [At, At + Count): the header, then the entries.
    void NewCatalogueBytes(std::size_t at, std::size_t count, std::uint8_t* dest) const;
    // Journal steps (BrelkJournal.cpp).
    bool ReadOnCardUpTo(std::vector<std::uint8_t>& onCard, std::size_t length);
    bool BeginJournal(const TJournalView& journal, std::string& error);
    void EndJournal();
    void SettleInterruptedChange();
    bool UndoInterruptedChange(const TCardJournal& journal);
    void OverlayJournal(std::uint8_t* dest, std::uint32_t address, std::uint32_t count) const;
    // CardCatalogue holds the catalogue just read from or written to the card.
    void NoteCardCatalogue();
    void NoteWrittenCatalogue();
    // Whether [First, End) holds an object of the catalogue last written to the card.
    bool OverlapsCommittedObject(std::uint64_t first, std::uint64_t end) const;

    bool ReuseDeletedSpace = true;
    bool RewriteObjectHeader = false;
    bool DriveColon = true;

    std::string DriveLetter; // the device path on Linux: a block device node or an image file
    std::uint16_t BytesPerSector = 0;
    std::uint32_t CardSize = 0;
    std::uint32_t SafetyZone = 8192;
    bool DeviceOK = false;
    bool CatalogueValid = false;
    std::array<std::uint8_t, kCatalogueHeaderSize> CatalogueHeader{};
    bool CatalogueModified = false;
    TCacheBuffer CacheBuffer; // page-aligned: transfers from it cost less CPU
    std::uint32_t CacheStart = 0;
    std::uint32_t CacheSize = 0;
    std::uint32_t CacheFill = 0;
    std::uint32_t DirtyLow = 0;
    std::uint32_t DirtyHigh = 0;
    TCatalogue Catalogue;
    std::vector<TBrelkFreeBlock> FreeSpaceMap;

    TBrelkReporter& Reporter;
    TRawDevice Device;
    // The card is a block device: windows then start at multiples of their size.
    bool BlockDevice = false;
    // The byte ranges of the window (offsets, sorted, disjoint, not touching) that hold card
    // data or written data; the rest of the window is not loaded yet.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> Held;
    TCardLock Lock;
    TCardAccess Access = TCardAccess::ReadWrite;
    bool Stopped = false;
    std::uint64_t Commits = 0;
    std::string CatalogueProblem;
    TCatalogueKeeper* Keeper = nullptr;
    std::vector<std::uint8_t> CardCatalogue;
    // A journal was written for the rewrite under way.
    bool Journalled = false;
    std::uint64_t CardId = 0;
    bool WriteWithoutRecord = false;
    bool Refused = false;
    // A reader's view of a rewrite cut short: the card's bytes before it where it wrote.
    std::vector<TJournalRun> JournalOverlay;
    // The header on the card was found unchanged since the last commit.
    bool HeaderChecked = false;
    // Footprints [first, end) of the catalogue on the card, sorted by first.
    std::vector<std::pair<std::int64_t, std::int64_t>> CommittedSpans;
    // Or, after this object wrote a catalogue whose footprints were disjoint, the free-space
    // map it had then: what lies outside those records was taken on the card.
    std::vector<TBrelkFreeBlock> CommittedFree;
    bool CommittedAsFreeMap = false;
    // Catalogue is in CompareCatEntries order (cards written by this system always are).
    bool CatalogueSorted = true;
    // The last free-space map came from disjoint footprints, so it does not depend on the
    // order of the catalogue (and can be kept up to date in place).
    bool FreeMapIgnoresOrder = false;
    // FreeSpaceMap's records as (Length, Start), so that best fit is one search.
    std::set<std::pair<std::uint32_t, std::uint32_t>> FreeBySize;
    // The records of Catalogue, so that a change finds its record without a walk.
    TPointerSet<const TBrelkCatEntry> Indexed;
};

// A block count rounded up: the bytes of Length rounded up to whole blocks of Block.
inline std::uint64_t RoundUpToBlocks(std::uint64_t length, std::uint32_t block) {
    return block == 0 ? length : (length + block - 1) / block * block;
}

} // namespace brelk
