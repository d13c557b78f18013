// TBrelk: the cache window. Reads and writes go through one contiguous window of the card.
// A window is filled lazily: it records which byte ranges it holds, a read loads only what
// is missing and a write-back first completes the whole blocks it writes, so a window that
// is written over is never read from the card. The modified whole blocks are written back in
// one write before the window moves.
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

// On a block device a window starts at a multiple of its size, so that a write-back covers
// whole aligned units of the card; on an image file it starts at the block of Address.
std::uint32_t TBrelk::WindowStartFor(std::uint32_t address) const {
    const std::uint32_t unit = BlockDevice ? CacheSize : BytesPerSector;
    return address / unit * unit;
}

// The window never reaches past the usable limit.
std::uint32_t TBrelk::WindowLengthAt(std::uint32_t start) const {
    const std::uint32_t limit = UsableLimit();
    if (start >= limit)
        return 0;
    return std::min(CacheSize, (limit - start) / BytesPerSector * BytesPerSector);
}

void TBrelk::EmptyWindow(std::uint32_t start, std::uint32_t length) {
    CacheStart = start;
    CacheFill = length;
    Held.clear();
    DirtyLow = CacheSize;
    DirtyHigh = 0;
}

void TBrelk::DiscardUnsavedData() {
    CatalogueModified = false;
    EmptyWindow(CacheStart, 0);
}

void TBrelk::ForgetCard() {
    DiscardUnsavedData();
    StopWrites(); // nothing more reaches a card that was pulled
    CloseDevice();
    Catalogue.clear();
    ClearFreeSpaceMap();
    CatalogueHeader.fill(0);
    CardId = 0;
    CatalogueValid = false;
    DeviceOK = false;
    CardSize = 0;
}

bool TBrelk::FillCache(std::uint32_t address) {
    // A window whose write-back failed must not be replaced: its data would be lost.
    if (!FlushCache())
        return false;
    const std::uint32_t start = WindowStartFor(address);
    EmptyWindow(start, WindowLengthAt(start));
    return true;
}

void TBrelk::MarkHeld(std::uint32_t first, std::uint32_t end) {
    if (first >= end)
        return;
    // Ranges that overlap or touch [First, End) merge with it.
    auto from =
        std::lower_bound(Held.begin(), Held.end(), first,
                         [](const auto& range, std::uint32_t at) { return range.second < at; });
    auto to = from;
    while (to != Held.end() && to->first <= end) {
        first = std::min(first, to->first);
        end = std::max(end, to->second);
        ++to;
    }
    if (from == to) {
        Held.insert(from, {first, end});
        return;
    }
    *from = {first, end};
    Held.erase(from + 1, to);
}

bool TBrelk::Holds(std::uint32_t first, std::uint32_t end) const {
    auto range = std::upper_bound(Held.begin(), Held.end(), first,
                                  [](std::uint32_t at, const auto& r) { return at < r.first; });
    return first >= end || (range != Held.begin() && std::prev(range)->second >= end);
}

bool TBrelk::LoadMissing(std::uint32_t first, std::uint32_t end) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> gaps;
    std::uint32_t at = first;
    auto range = std::lower_bound(Held.begin(), Held.end(), first,
                                  [](const auto& r, std::uint32_t a) { return r.second <= a; });
    for (; at < end && range != Held.end() && range->first < end; ++range) {
        if (range->first > at)
            gaps.emplace_back(at, range->first);
        at = std::max(at, range->second);
    }
    if (at < end)
        gaps.emplace_back(at, end);
    if (gaps.empty())
        return true;
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false;
    bool ok = true;
    for (const auto& [gapFirst, gapEnd] : gaps) {
        const std::size_t length = gapEnd - gapFirst;
        const std::size_t n = Device.ReadAt(std::uint64_t(CacheStart) + gapFirst,
                                            CacheBuffer.get() + gapFirst, length);
        if (!Device.LastError().empty()) {
            ReportDeviceError("Could not read from");
            ok = false;
            break;
        }
        // Past the end of the device (an image file cut short meanwhile) the card reads as zeros.
        std::memset(CacheBuffer.get() + gapFirst + n, 0, length - n);
        MarkHeld(gapFirst, gapEnd);
    }
    if (!wasOpen)
        CloseDevice();
    return ok;
}

bool TBrelk::ReadMMC(void* dest, std::uint32_t address, std::uint32_t count) {
    return ReadCard(dest, address, count, true);
}

bool TBrelk::ReadCard(void* dest, std::uint32_t address, std::uint32_t count, bool readAhead) {
    if (CacheSize == 0 || count == 0)
        return true;
    auto* out = static_cast<std::uint8_t*>(dest);
    std::uint64_t pos = address;
    const std::uint32_t limit = UsableLimit();
    // The device is opened once, when a window must first move or load.
    bool openedHere = false;
    auto open = [&] {
        bool wasOpen = true;
        if (!Device.IsOpen() && OpenDevice(wasOpen))
            openedHere = !wasOpen;
        return Device.IsOpen();
    };
    bool ok = true;
    while (ok && count > 0) {
        if (pos < limit && !InWindow(std::uint32_t(pos))) {
            // Whole windows of a long read come straight from the card, as they are written.
            const std::uint32_t direct =
                open() ? ReadWholeWindows(out, std::uint32_t(pos), count, ok) : 0;
            out += direct;
            pos += direct;
            count -= direct;
            if (!ok || !Device.IsOpen() || (pos < limit && !FillCache(std::uint32_t(pos)))) {
                ok = false; // the error has been reported
                break;
            }
        }
        if (pos >= limit || !InWindow(std::uint32_t(pos))) {
            // Nothing at or above the usable limit is read.
            std::memset(out, 0, count);
            break;
        }
        const std::uint32_t offset = std::uint32_t(pos) - CacheStart;
        const std::uint32_t n = std::min(count, CacheFill - offset);
        const std::uint32_t loadFirst = offset / BytesPerSector * BytesPerSector;
        const std::uint32_t loadEnd =
            readAhead ? CacheFill
                      : std::min<std::uint32_t>(
                            CacheFill, std::uint32_t(RoundUpToBlocks(offset + n, BytesPerSector)));
        if (!Holds(loadFirst, loadEnd) && !(open() && LoadMissing(loadFirst, loadEnd))) {
            ok = false; // the error has been reported
            break;
        }
        std::memcpy(out, CacheBuffer.get() + offset, n);
        out += n;
        pos += n;
        count -= n;
    }
    if (openedHere)
        CloseDevice();
    return ok;
}

std::uint32_t TBrelk::WholeWindowsAt(std::uint32_t address, std::uint32_t count) const {
    if (address % BytesPerSector != 0 || WindowStartFor(address) != address)
        return 0;
    const std::uint32_t limit = UsableLimit();
    if (address >= limit)
        return 0;
    // Whole windows before the one holding the last byte, and none that reaches the limit.
    const std::uint32_t direct = (count - 1) / CacheSize * CacheSize;
    return std::min(direct, (limit - address) / CacheSize * CacheSize);
}

// The old window goes back first, as when it moves, and is given up: a transfer straight to
// the card may replace bytes it holds.
bool TBrelk::GiveUpWindow() {
    if (!FlushCache())
        return false;
    EmptyWindow(CacheStart, 0);
    return true;
}

std::uint32_t TBrelk::WriteWholeWindows(const std::uint8_t* source, std::uint32_t address,
                                        std::uint32_t count, bool& ok) {
    const std::uint32_t direct = WholeWindowsAt(address, count);
    if (direct == 0)
        return 0;
    if (!GiveUpWindow() || !HeaderOnCardUnchanged()) {
        ok = false;
        return 0;
    }
    if (!Device.WriteAt(address, source, direct)) {
        ReportDeviceError("Could not write to");
        StopWrites(); // nothing is written behind a reported failure
        ok = false;
        return 0;
    }
    return direct;
}

std::uint32_t TBrelk::ReadWholeWindows(std::uint8_t* dest, std::uint32_t address,
                                       std::uint32_t count, bool& ok) {
    const std::uint32_t direct = WholeWindowsAt(address, count);
    if (direct == 0)
        return 0;
    if (!GiveUpWindow()) {
        ok = false;
        return 0;
    }
    const std::size_t n = Device.ReadAt(address, dest, direct);
    if (!Device.LastError().empty()) {
        ReportDeviceError("Could not read from");
        ok = false;
        return 0;
    }
    std::memset(dest + n, 0, direct - n); // past the end of the device
    return direct;
}

bool TBrelk::WriteRawBytes(const void* source, std::uint32_t address, std::uint32_t count) {
    if (CacheSize == 0)
        return count == 0; // no card: nothing can be stored
    if (ReadOnly()) {
        Reporter.ReportError("Error - The Brelk-card " + QuotedCard() +
                             " is open for reading only");
        return false;
    }
    if (Stopped)
        return false; // a write failed before: the card is left as it is
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false;
    const auto* in = static_cast<const std::uint8_t*>(source);
    std::uint64_t pos = address;
    const std::uint32_t limit = UsableLimit();
    bool ok = true;
    while (ok && count > 0) {
        if (pos < limit && !InWindow(std::uint32_t(pos))) {
            const std::uint32_t direct = WriteWholeWindows(in, std::uint32_t(pos), count, ok);
            in += direct;
            pos += direct;
            count -= direct;
            if (!ok || (pos < limit && !FillCache(std::uint32_t(pos)))) {
                ok = false; // the error has been reported
                break;
            }
        }
        if (pos >= limit || !InWindow(std::uint32_t(pos))) {
            Reporter.ReportError("Error - Write past the usable end of the Brelk-card at address " +
                                 std::to_string(pos) + " (" + std::to_string(count) +
                                 " bytes not written)");
            ok = false;
            break;
        }
        const std::uint32_t offset = std::uint32_t(pos) - CacheStart;
        const std::uint32_t n = std::min(count, CacheFill - offset);
        std::memcpy(CacheBuffer.get() + offset, in, n);
        MarkHeld(offset, offset + n);
        DirtyLow = std::min(DirtyLow, offset);
        DirtyHigh = std::max(DirtyHigh, offset + n);
        in += n;
        pos += n;
        count -= n;
    }
    if (!wasOpen)
        CloseDevice();
    return ok;
}

bool TBrelk::FlushCache() {
    if (!CacheModified())
        return true;
    if (Stopped)
        return false;
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false; // the span stays modified
    if (!HeaderOnCardUnchanged()) {
        if (!wasOpen)
            CloseDevice();
        return false;
    }
    const std::uint32_t first = DirtyLow / BytesPerSector * BytesPerSector;
    const std::uint32_t end =
        std::min<std::uint64_t>(RoundUpToBlocks(DirtyHigh, BytesPerSector), CacheFill);
    // The card bytes around the modified ones in these blocks are kept as they are.
    bool ok = LoadMissing(first, end);
    if (ok) {
        ok = Device.WriteAt(std::uint64_t(CacheStart) + first, CacheBuffer.get() + first,
                            end - first);
        if (!ok) {
            ReportDeviceError("Could not write to");
            StopWrites(); // nothing is written behind a reported failure
        }
    }
    if (ok) {
        DirtyLow = CacheFill;
        DirtyHigh = 0;
    }
    if (!wasOpen)
        CloseDevice();
    return ok;
}

} // namespace brelk
