// A card device in memory behind the system-call seam: counts opens, reads, writes and syncs,
// keeps the card's locks, injects failures, short transfers and EINTR, and can keep pages
// cached as another opener of a block device does.
#pragma once

#include "card/Brelk.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace brelktest {

struct TTransfer {
    std::uint64_t Offset;
    std::size_t Count;
};

class TFakeDevice : public brelk::TSysCalls {
  public:
    explicit TFakeDevice(std::size_t size = 1 << 20) : Bytes(size, 0) {}

    std::vector<std::uint8_t> Bytes;
    std::uint32_t Sector = 512;
    std::uint64_t ReportedLength = 0; // 0: the size of Bytes
    bool Missing = false;             // open fails with ENOENT
    bool LengthFails = false;         // the size query fails (reader without a card)
    int FailWriteNumber = 0;          // the K-th write call fails with EIO (1-based), 0: never
    int FailReadNumber = 0;           // the K-th read call fails with EIO (1-based), 0: never
    bool BlockDevice = false;         // a card reader's node rather than an image file
    int ShortWriteNumber = 0;         // the K-th write call stores half its bytes, then fails
    int FailSyncNumber = 0;           // the K-th sync fails with EIO (1-based), 0: never
    bool WriteProtected = false;      // opening for writing fails with EROFS
    std::size_t MaxTransfer = 0;      // short reads and writes of at most this many bytes
    bool EintrFirst = false;          // every transfer is first interrupted once
    // Reads of a block device keep the pages they saw until DropCache drops them, as the page
    // cache that another opener holds does; a change of Bytes is then hidden behind them.
    bool PageCache = false;

    std::uint64_t NextCardId = 0x0123456789ABCDEFull; // the IDs given to new cards, counting up

    int Opens = 0;
    int OpenHandles = 0;
    std::vector<TTransfer> Reads;
    std::vector<TTransfer> Writes;
    int WriteCalls = 0;
    int ReadCalls = 0;
    int SyncCalls = 0;
    std::vector<char> Events; // 'w' for each write call, 's' for each sync, in order
    std::vector<brelk::TCardAccess> OpenModes;
    int SharedLocks = 0;
    int ExclusiveLocks = 0;
    std::vector<TTransfer> Drops; // each DropCache: Offset and Length (0: to the end)

    std::uint64_t NewCardId() override { return NextCardId++; }
    int Open(const std::string&, brelk::TCardAccess access) override {
        if (Missing) {
            errno = ENOENT;
            return -1;
        }
        if (WriteProtected && access == brelk::TCardAccess::ReadWrite) {
            errno = EROFS;
            return -1;
        }
        OpenModes.push_back(access);
        ++Opens;
        ++OpenHandles;
        return 7;
    }
    int Close(int fd) override {
        if (fd == kSharedLockFd)
            --SharedLocks;
        else if (fd == kExclusiveLockFd)
            --ExclusiveLocks;
        else
            --OpenHandles;
        return 0;
    }
    int OpenLocked(const std::string&, brelk::TCardAccess access) override {
        if (Missing) {
            errno = ENOENT;
            return -1;
        }
        const bool writer = access == brelk::TCardAccess::ReadWrite;
        if (ExclusiveLocks > 0 || (writer && SharedLocks > 0)) {
            errno = EWOULDBLOCK;
            return -1;
        }
        ++(writer ? ExclusiveLocks : SharedLocks);
        return writer ? kExclusiveLockFd : kSharedLockFd;
    }
    int DropCache(int, std::uint64_t offset, std::uint64_t length) override {
        Drops.push_back({offset, std::size_t(length)});
        const std::uint64_t end = length == 0 ? UINT64_MAX : offset + length;
        std::erase_if(Cached, [&](const auto& page) {
            return page.first + kPage > offset && page.first < end;
        });
        return 0;
    }
    int DataSync(int) override {
        Events.push_back('s');
        if (++SyncCalls == FailSyncNumber) {
            errno = EIO;
            return -1;
        }
        return 0;
    }
    ssize_t PRead(int, void* buffer, std::size_t count, std::uint64_t offset) override {
        if (Interrupt())
            return -1;
        if (++ReadCalls == FailReadNumber) {
            errno = EIO;
            return -1;
        }
        if (offset >= Bytes.size())
            return 0;
        std::size_t n = Limit(std::min<std::size_t>(count, Bytes.size() - offset));
        std::memcpy(buffer, Bytes.data() + offset, n);
        if (PageCache && BlockDevice)
            ServeFromCache(static_cast<std::uint8_t*>(buffer), offset, n);
        Reads.push_back({offset, n});
        return ssize_t(n);
    }
    ssize_t PWrite(int, const void* buffer, std::size_t count, std::uint64_t offset) override {
        if (Interrupt())
            return -1;
        Events.push_back('w');
        if (++WriteCalls == FailWriteNumber) {
            errno = EIO;
            return -1;
        }
        if (WriteCalls == ShortWriteNumber + 1 && ShortWriteNumber > 0 && ShortWritten) {
            errno = ENOSPC; // the rest of a short write fails, as on a full file system
            return -1;
        }
        if (offset + count > Bytes.size())
            Bytes.resize(offset + count);
        std::size_t n = Limit(count);
        if (WriteCalls == ShortWriteNumber) {
            n = std::max<std::size_t>(1, count / 2);
            ShortWritten = true;
        }
        std::memcpy(Bytes.data() + offset, buffer, n);
        RefreshCache(offset, n);
        Writes.push_back({offset, n});
        return ssize_t(n);
    }
    int DeviceLength(int, std::uint64_t& length) override {
        if (LengthFails) {
            errno = ENOMEDIUM;
            return -1;
        }
        length = ReportedLength ? ReportedLength : Bytes.size();
        return 0;
    }
    int SectorSize(int, std::uint32_t& size) override {
        size = Sector;
        return 0;
    }

    bool IsBlockDevice(int) override { return BlockDevice; }

    // Another opener reads the whole card: every page is cached as it is now.
    void CacheAll() {
        Cached.clear();
        std::vector<std::uint8_t> scratch(Bytes.size());
        ServeFromCache(scratch.data(), 0, Bytes.size());
    }

    std::size_t BytesRead() const {
        std::size_t total = 0;
        for (const auto& r : Reads)
            total += r.Count;
        return total;
    }
    std::size_t BytesWritten() const {
        std::size_t total = 0;
        for (const auto& w : Writes)
            total += w.Count;
        return total;
    }

    static constexpr int kSharedLockFd = 8;
    static constexpr int kExclusiveLockFd = 9;

  private:
    static constexpr std::uint64_t kPage = 4096;
    std::map<std::uint64_t, std::vector<std::uint8_t>> Cached; // by page address

    // Bytes read from a page cached before stay as they were then; the other pages are cached.
    void ServeFromCache(std::uint8_t* dest, std::uint64_t offset, std::size_t count) {
        for (std::uint64_t page = offset / kPage * kPage; page < offset + count; page += kPage) {
            auto [cached, isNew] = Cached.try_emplace(page);
            if (isNew)
                cached->second.assign(Bytes.begin() + std::ptrdiff_t(page),
                                      Bytes.begin() + std::ptrdiff_t(std::min<std::uint64_t>(
                                                          page + kPage, Bytes.size())));
            const std::uint64_t first = std::max(page, offset);
            const std::uint64_t last =
                std::min<std::uint64_t>(page + cached->second.size(), offset + count);
            if (first < last)
                std::memcpy(dest + (first - offset), cached->second.data() + (first - page),
                            last - first);
        }
    }
    // A write through this device goes through its cache.
    void RefreshCache(std::uint64_t offset, std::size_t count) {
        std::erase_if(Cached, [&](const auto& page) {
            return page.first + kPage > offset && page.first < offset + count;
        });
    }
    bool ShortWritten = false;
    bool Interrupted = false;
    bool Interrupt() {
        if (EintrFirst && !Interrupted) {
            Interrupted = true;
            errno = EINTR;
            return true;
        }
        Interrupted = false;
        return false;
    }
    std::size_t Limit(std::size_t n) const { return MaxTransfer ? std::min(n, MaxTransfer) : n; }
};

// Records the card layer's messages.
class TRecordingReporter : public brelk::TBrelkReporter {
  public:
    std::vector<std::string> Messages;
    void ReportError(const std::string& text) override { Messages.push_back(text); }
};

} // namespace brelktest
