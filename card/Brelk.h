// TBrelk: the one card object. It opens the card (a block device or an image file), reads
// and writes card addresses through a block cache, keeps the on-card catalogue in memory and
// places objects on the card. Its code is split by concern:
//   BrelkDevice.cpp     device bracket, geometry, initialisation, bulk transfer
//   BrelkCache.cpp      cache window, reads, writes, write-back
//   BrelkCatalogue.cpp  catalogue header and entries, free-space map, format
//   BrelkAllocation.cpp adding, changing and removing objects
#pragma once

#include "card/CatEntry.h"
#include "card/RawDevice.h"
#include "card/Reporter.h"
#include "card/SysCalls.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace brelk {

using TCatalogue = std::vector<std::unique_ptr<TBrelkCatEntry>>;

class TBrelk {
  public:
    // Reporter receives the device error messages; Calls is the operating system seam.
    explicit TBrelk(TBrelkReporter& reporter, TSysCalls& calls = LinuxSysCalls());
    ~TBrelk();
    TBrelk(const TBrelk&) = delete;
    TBrelk& operator=(const TBrelk&) = delete;

    // --- Device and cache ---
    bool Initialize(std::uint32_t cacheBytes, const std::string& drive, std::uint32_t safetyZone);
    bool ReadMMC(void* dest, std::uint32_t address, std::uint32_t count);
    bool WriteRawBytes(const void* source, std::uint32_t address, std::uint32_t count);
    bool FlushCache();
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
    // Writes Length bytes of Data as the new contents of the catalogue record Target, at a
    // new place chosen as for an add; Target takes the new Address and Size. Unlike a
    // replacing add it never picks another object of the same name.
    bool ReplaceObjectData(TBrelkCatEntry* target, const void* data, std::uint32_t length);
    bool UpdateCatEntry(TBrelkCatEntry* entry, const TBrelkCatEntry& newValues);
    // Gives every listed record of Catalogue its new values in one pass: one sort and at
    // most one free-space rebuild however many there are. Records not in Catalogue are
    // passed over. Returns how many were changed; HeaderFailures (when given) receives those
    // whose object header could not be rewritten (they are changed all the same).
    std::size_t
    UpdateCatEntries(const std::vector<std::pair<TBrelkCatEntry*, TBrelkCatEntry>>& changes,
                     std::vector<TBrelkCatEntry*>* headerFailures = nullptr);
    bool DeleteCatEntry(TBrelkCatEntry* entry);
    // Removes every listed record of Catalogue in one pass; returns how many were removed.
    std::size_t DeleteCatEntries(const std::vector<TBrelkCatEntry*>& entries);
    bool ObjectExists(const TBrelkCatEntry& entry) const;

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
    // Whether Entry is one of the records in Catalogue.
    bool InCatalogue(const TBrelkCatEntry* entry) const;

    // The two settings that allocation reads (the owner copies them in from its settings).
    bool ReuseDeletedSpace = true;
    bool RewriteObjectHeader = false;

    // --- Fields; other parts read them, and change them only through the operations ---
    std::string DriveLetter; // the device path on Linux: a block device node or an image file
    std::uint16_t BytesPerSector = 0;
    std::uint32_t CardSize = 0;
    std::uint32_t SafetyZone = 8192;
    bool DeviceOK = false;
    bool CatalogueValid = false;
    std::array<std::uint8_t, kCatalogueHeaderSize> CatalogueHeader{};
    bool CatalogueModified = false;
    std::unique_ptr<std::uint8_t[]> CacheBuffer;
    std::uint32_t CacheStart = 0;
    std::uint32_t CacheSize = 0;
    std::uint32_t CacheFill = 0;
    std::uint32_t DirtyLow = 0;
    std::uint32_t DirtyHigh = 0;
    TCatalogue Catalogue;
    std::vector<TBrelkFreeBlock> FreeSpaceMap;

  private:
    // Refused is set when the device is usable but too large or of an odd sector size.
    bool ReadDeviceGeometry(bool& refused);
    bool FillCache(std::uint32_t address);
    bool AllocateCache(std::uint32_t cacheBytes);
    bool InWindow(std::uint32_t address) const;
    void ReportDeviceError(const std::string& what);
    // Keeps Catalogue sorted after Changed was added or altered.
    void SortAfterChange(TBrelkCatEntry* changed);
    // The same after the records Changed were altered (one pass for all of them).
    void SortAfterChanges(std::vector<const TBrelkCatEntry*> changed);
    void SortCatalogue();
    bool PlaceObject(TBrelkCatEntry& copy, TBrelkCatEntry* target, const void* data);
    bool ChooseHeaderAddress(std::uint32_t footprint, std::uint32_t& header) const;
    bool WriteObject(std::uint32_t header, const TBrelkCatEntry& entry, const void* data,
                     std::uint32_t dataLength);
    // Copies Entry into its object header on the card (when RewriteObjectHeader is set).
    bool RewriteHeaderOf(const TBrelkCatEntry& entry);
    // Updates the free-space map and the lowest used address in place after an object moved
    // from [OldStart, OldEnd) to [NewStart, NewEnd) with the entry count unchanged; false
    // (nothing changed) when the map cannot be updated so and must be rebuilt.
    bool MoveFootprintInFreeMap(std::int64_t oldStart, std::int64_t oldEnd, std::int64_t newStart,
                                std::int64_t newEnd);
    void CatalogueCannotBeRead(const std::string& why);

    TBrelkReporter& Reporter;
    TRawDevice Device;
    // Catalogue is in CompareCatEntries order (cards written by this system always are).
    bool CatalogueSorted = true;
    // The last free-space map came from disjoint footprints, so it does not depend on the
    // order of the catalogue.
    bool FreeMapIgnoresOrder = false;
};

// A block count rounded up: the bytes of Length rounded up to whole blocks of Block.
inline std::uint64_t RoundUpToBlocks(std::uint64_t length, std::uint32_t block) {
    return block == 0 ? length : (length + block - 1) / block * block;
}

} // namespace brelk
