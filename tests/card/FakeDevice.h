// A card device in memory behind the system-call seam: counts opens, reads and writes and
// injects failures, short transfers and EINTR.
#pragma once

#include "card/Brelk.h"

#include <cerrno>
#include <cstring>
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
    std::size_t MaxTransfer = 0;      // short reads and writes of at most this many bytes
    bool EintrFirst = false;          // every transfer is first interrupted once

    int Opens = 0;
    int OpenHandles = 0;
    std::vector<TTransfer> Reads;
    std::vector<TTransfer> Writes;
    int WriteCalls = 0;
    int ReadCalls = 0;

    int Open(const std::string&) override {
        if (Missing) {
            errno = ENOENT;
            return -1;
        }
        ++Opens;
        ++OpenHandles;
        return 7;
    }
    int Close(int) override {
        --OpenHandles;
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
        Reads.push_back({offset, n});
        return ssize_t(n);
    }
    ssize_t PWrite(int, const void* buffer, std::size_t count, std::uint64_t offset) override {
        if (Interrupt())
            return -1;
        if (++WriteCalls == FailWriteNumber) {
            errno = EIO;
            return -1;
        }
        if (offset + count > Bytes.size())
            Bytes.resize(offset + count);
        std::size_t n = Limit(count);
        std::memcpy(Bytes.data() + offset, buffer, n);
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

  private:
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
