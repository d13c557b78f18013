// An open card device or image file: owns the descriptor, loops over short transfers and
// EINTR, and keeps the reason of the last failure.
#pragma once

#include "card/SysCalls.h"

#include <cstdint>
#include <string>

namespace brelk {

class TRawDevice {
  public:
    explicit TRawDevice(TSysCalls& calls) : Calls(calls) {}
    ~TRawDevice() { Close(); }
    TRawDevice(const TRawDevice&) = delete;
    TRawDevice& operator=(const TRawDevice&) = delete;

    // Opening a block device drops its cached pages: what another opener of the device keeps
    // cached could be older than the card (changed through an image file under a loop device).
    bool Open(const std::string& path, TCardAccess access);
    // Uses a second descriptor of the open node Fd instead of opening it again; false (and
    // nothing open) when none could be made.
    bool Share(int fd);
    // Drops the clean cached pages of a block device over [Offset, Offset + Length), so that
    // the next reads of them come from the card; nothing for an image file, whose page cache
    // every opener shares. A failure leaves the pages cached.
    void DropCachedPages(std::uint64_t offset, std::uint64_t length);
    void DropAllCachedPages();
    void Close();
    bool IsOpen() const { return Fd >= 0; }

    // Reads up to Count bytes at Offset; stops early at the end of the device or on an error
    // (then LastError is set). Returns the number of bytes read.
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count);
    // Writes all Count bytes at Offset; false (with LastError) when any byte could not be written.
    bool WriteAt(std::uint64_t offset, const void* buffer, std::size_t count);
    // Forces what was written to the device; false (with LastError) when it failed.
    bool Sync();
    bool Length(std::uint64_t& length);
    bool SectorSize(std::uint32_t& size);
    bool IsBlockDevice() { return Calls.IsBlockDevice(Fd); }
    std::uint64_t NewCardId() { return Calls.NewCardId(); }

    // The operating system's reason for the last failure, empty when none.
    const std::string& LastError() const { return Error; }

  private:
    void NoteErrno();

    TSysCalls& Calls;
    int Fd = -1;
    std::string Error;
};

// The lock on a card held from opening it until release: shared for a reader, exclusive
// for a writer.
class TCardLock {
  public:
    explicit TCardLock(TSysCalls& calls) : Calls(calls) {}
    ~TCardLock() { Release(); }
    TCardLock(const TCardLock&) = delete;
    TCardLock& operator=(const TCardLock&) = delete;

    // Takes the lock without waiting; false with LastError when another holds the card.
    bool Take(const std::string& path, TCardAccess access);
    void Release();
    bool Held() const { return Fd >= 0; }
    // The locked node's descriptor, -1 when no lock is held.
    int Descriptor() const { return Fd; }
    // True when the last failure was a conflicting lock (not a missing file or the like).
    bool Busy() const { return WasBusy; }
    const std::string& LastError() const { return Error; }

  private:
    TSysCalls& Calls;
    int Fd = -1;
    bool WasBusy = false;
    std::string Error;
};

} // namespace brelk
