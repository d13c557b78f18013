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

    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return Fd >= 0; }

    // Reads up to Count bytes at Offset; stops early at the end of the device or on an error
    // (then LastError is set). Returns the number of bytes read.
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count);
    // Writes all Count bytes at Offset; false (with LastError) when any byte could not be written.
    bool WriteAt(std::uint64_t offset, const void* buffer, std::size_t count);
    bool Length(std::uint64_t& length);
    bool SectorSize(std::uint32_t& size);
    bool IsBlockDevice() { return Calls.IsBlockDevice(Fd); }

    // The operating system's reason for the last failure, empty when none.
    const std::string& LastError() const { return Error; }

  private:
    void NoteErrno();

    TSysCalls& Calls;
    int Fd = -1;
    std::string Error;
};

} // namespace brelk
