// The seam between the card object and the operating system: every open, pread, pwrite,
// fdatasync, lock, fstat and ioctl of the device layer goes through this interface, so tests
// can put a fake device behind it.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace brelk {

// How a card is opened: for reading only, or for reading and writing.
enum class TCardAccess { ReadOnly, ReadWrite };

class TSysCalls {
  public:
    virtual ~TSysCalls() = default;
    // Each returns -1 and sets errno on failure, as the system calls do.
    // Opens an existing node or file, never creating it.
    virtual int Open(const std::string& path, TCardAccess access) = 0;
    virtual int Close(int fd) = 0;
    virtual ssize_t PRead(int fd, void* buffer, std::size_t count, std::uint64_t offset) = 0;
    virtual ssize_t PWrite(int fd, const void* buffer, std::size_t count, std::uint64_t offset) = 0;
    // Forces the written data of Fd to the device (fdatasync).
    virtual int DataSync(int fd) = 0;
    // Drops the clean cached pages of the block device Fd over [Offset, Offset + Length)
    // (Length 0: to its end), so that the next reads come from the device itself and not from
    // pages another opener of the device keeps. Needs no privilege.
    virtual int DropCache(int fd, std::uint64_t offset, std::uint64_t length) = 0;
    // Opens Path only to hold a lock on the card and takes it without waiting: shared for a
    // reader, exclusive for a writer (a block device is then also opened exclusively, so
    // that nothing mounts it meanwhile). Fails with EWOULDBLOCK or EBUSY while another holds
    // a conflicting lock. The lock lasts until the descriptor is closed. A card reached
    // through another path as well (an image file and a loop device over it) is locked on
    // every path that can be opened, so it has one writer however it is reached.
    virtual int OpenLocked(const std::string& path, TCardAccess access) = 0;
    // Length in bytes of a block device or regular file.
    virtual int DeviceLength(int fd, std::uint64_t& length) = 0;
    // Sector size: the device's for a block device, 512 for a regular file.
    virtual int SectorSize(int fd, std::uint32_t& size) = 0;
    // Whether the open node is a block device (a card reader) rather than an image file.
    virtual bool IsBlockDevice(int /*fd*/) { return false; }
    // A second descriptor of the open node Fd, so that a reader's lock serves as its device
    // too; -1 (ENOSYS where none is made) makes the caller open the node instead.
    virtual int Duplicate(int /*fd*/) {
        errno = ENOSYS;
        return -1;
    }
    // A random number, never 0: a new card's ID.
    virtual std::uint64_t NewCardId();
};

// The real Linux system calls.
TSysCalls& LinuxSysCalls();

// Loop devices as sysfs (mounted at SysRoot, "/sys" outside tests) describes them.
// The file behind the loop device with the device number Device; empty when Device is no loop
// device, has no backing file or its file was deleted.
std::string LoopBackingFile(const std::string& sysRoot, dev_t device);
// The nodes (/dev/loopN) of the loop devices whose backing file is the file with the device
// and inode numbers Dev and Ino, however its path is written.
std::vector<std::string> LoopDevicesOver(const std::string& sysRoot, dev_t dev, ino_t ino);

} // namespace brelk
