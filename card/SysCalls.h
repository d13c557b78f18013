// The seam between the card object and the operating system: every open, pread, pwrite,
// fstat and ioctl of the device layer goes through this interface, so tests can put a
// fake device behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace brelk {

class TSysCalls {
  public:
    virtual ~TSysCalls() = default;
    // Each returns -1 and sets errno on failure, as the system calls do.
    virtual int Open(const std::string& path) = 0; // read-write, existing node or file only
    virtual int Close(int fd) = 0;
    virtual ssize_t PRead(int fd, void* buffer, std::size_t count, std::uint64_t offset) = 0;
    virtual ssize_t PWrite(int fd, const void* buffer, std::size_t count, std::uint64_t offset) = 0;
    // Length in bytes of a block device or regular file.
    virtual int DeviceLength(int fd, std::uint64_t& length) = 0;
    // Sector size: the device's for a block device, 512 for a regular file.
    virtual int SectorSize(int fd, std::uint32_t& size) = 0;
    // Whether the open node is a block device (a card reader) rather than an image file.
    virtual bool IsBlockDevice(int /*fd*/) { return false; }
};

// The real Linux system calls.
TSysCalls& LinuxSysCalls();

} // namespace brelk
