// TBrelk: the cache window. Reads and writes go through one contiguous window of the card;
// the window is written back (only its modified whole blocks) before it moves.
#include "card/Brelk.h"

#include <algorithm>
#include <cstring>

namespace brelk {

bool TBrelk::InWindow(std::uint32_t address) const {
    return address >= CacheStart && address - CacheStart < CacheFill;
}

bool TBrelk::HasUnsavedData() const {
    return CatalogueModified || CacheModified();
}

void TBrelk::DiscardUnsavedData() {
    CatalogueModified = false;
    DirtyLow = CacheSize;
    DirtyHigh = 0;
    CacheFill = 0;
}

void TBrelk::ForgetCard() {
    DiscardUnsavedData();
    CloseDevice();
    Catalogue.clear();
    FreeSpaceMap.clear();
    CatalogueHeader.fill(0);
    CatalogueValid = false;
    DeviceOK = false;
    CardSize = 0;
}

bool TBrelk::FillCache(std::uint32_t address) {
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false;
    // A window whose write-back failed must not be replaced: its data would be lost.
    bool ok = FlushCache();
    if (ok) {
        CacheStart = address / BytesPerSector * BytesPerSector;
        std::uint32_t limit = UsableLimit();
        std::uint32_t length = 0;
        if (CacheStart < limit)
            length = std::min(CacheSize, (limit - CacheStart) / BytesPerSector * BytesPerSector);
        CacheFill = std::uint32_t(Device.ReadAt(CacheStart, CacheBuffer.get(), length));
        DirtyLow = CacheSize;
        DirtyHigh = 0;
        if (!Device.LastError().empty()) {
            CacheFill = 0;
            ReportDeviceError("Could not read from");
            ok = false;
        }
    }
    if (!wasOpen)
        CloseDevice();
    return ok;
}

bool TBrelk::ReadMMC(void* dest, std::uint32_t address, std::uint32_t count) {
    if (CacheSize == 0 || count == 0)
        return true;
    auto* out = static_cast<std::uint8_t*>(dest);
    std::uint64_t pos = address;
    const std::uint32_t limit = UsableLimit();
    while (count > 0) {
        if (pos < limit && !InWindow(std::uint32_t(pos)) && !FillCache(std::uint32_t(pos)))
            return false; // the window could not be refilled; the error has been reported
        if (pos >= limit || !InWindow(std::uint32_t(pos))) {
            // Nothing at or above the usable limit (or past the device's end) is read.
            std::memset(out, 0, count);
            return true;
        }
        std::uint32_t offset = std::uint32_t(pos) - CacheStart;
        std::uint32_t n = std::min(count, CacheFill - offset);
        std::memcpy(out, CacheBuffer.get() + offset, n);
        out += n;
        pos += n;
        count -= n;
    }
    return true;
}

bool TBrelk::WriteRawBytes(const void* source, std::uint32_t address, std::uint32_t count) {
    if (CacheSize == 0)
        return count == 0; // no card: nothing can be stored
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false;
    const auto* in = static_cast<const std::uint8_t*>(source);
    std::uint64_t pos = address;
    const std::uint32_t limit = UsableLimit();
    bool ok = true;
    while (ok && count > 0) {
        if (pos < limit && !InWindow(std::uint32_t(pos)) && !FillCache(std::uint32_t(pos))) {
            ok = false; // the window could not be refilled; the error has been reported
        } else if (pos >= limit || !InWindow(std::uint32_t(pos))) {
            Reporter.ReportError("Error - Write past the usable end of the Brelk-card at address " +
                                 std::to_string(pos) + " (" + std::to_string(count) +
                                 " bytes not written)");
            ok = false;
        } else {
            std::uint32_t offset = std::uint32_t(pos) - CacheStart;
            std::uint32_t n = std::min(count, CacheFill - offset);
            std::memcpy(CacheBuffer.get() + offset, in, n);
            DirtyLow = std::min(DirtyLow, offset);
            DirtyHigh = std::max(DirtyHigh, offset + n);
            in += n;
            pos += n;
            count -= n;
        }
    }
    if (!wasOpen)
        CloseDevice();
    return ok;
}

bool TBrelk::FlushCache() {
    if (!CacheModified())
        return true;
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false; // the span stays modified
    std::uint32_t first = DirtyLow / BytesPerSector * BytesPerSector;
    std::uint32_t end =
        std::min<std::uint64_t>(RoundUpToBlocks(DirtyHigh, BytesPerSector), CacheFill);
    bool ok =
        Device.WriteAt(std::uint64_t(CacheStart) + first, CacheBuffer.get() + first, end - first);
    if (ok) {
        DirtyLow = CacheFill;
        DirtyHigh = 0;
    } else {
        ReportDeviceError("Could not write to");
    }
    if (!wasOpen)
        CloseDevice();
    return ok;
}

bool TBrelk::FlushMMCDevice() {
    bool catalogueOk = WriteCatalogue();
    return FlushCache() && catalogueOk;
}

} // namespace brelk
