// The real system calls, except that opening (also to lock) fails with a chosen errno, as it
// does for a device node the user has no permission on.
#pragma once

#include "card/SysCalls.h"

#include <cerrno>

namespace brelktest {

class TRefusingCalls : public brelk::TSysCalls {
  public:
    int Refusal = EACCES; // 0: open directly
    int Opens = 0;
    int Open(const std::string& path, brelk::TCardAccess access) override {
        ++Opens;
        if (Refusal == 0)
            return Real.Open(path, access);
        errno = Refusal;
        return -1;
    }
    int OpenLocked(const std::string& path, brelk::TCardAccess access) override {
        if (Refusal == 0)
            return Real.OpenLocked(path, access);
        errno = Refusal;
        return -1;
    }
    int Duplicate(int fd) override { return Real.Duplicate(fd); }
    int DataSync(int fd) override { return Real.DataSync(fd); }
    int DropCache(int fd, std::uint64_t offset, std::uint64_t length) override {
        return Real.DropCache(fd, offset, length);
    }
    int Close(int fd) override { return Real.Close(fd); }
    ssize_t PRead(int fd, void* buffer, std::size_t count, std::uint64_t offset) override {
        return Real.PRead(fd, buffer, count, offset);
    }
    ssize_t PWrite(int fd, const void* buffer, std::size_t count, std::uint64_t offset) override {
        return Real.PWrite(fd, buffer, count, offset);
    }
    int DeviceLength(int fd, std::uint64_t& length) override {
        return Real.DeviceLength(fd, length);
    }
    int SectorSize(int fd, std::uint32_t& size) override { return Real.SectorSize(fd, size); }

  private:
    brelk::TSysCalls& Real = brelk::LinuxSysCalls();
};

} // namespace brelktest
