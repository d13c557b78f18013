// A device node that the user may not open directly can still be opened on the user's behalf:
// the desktop program asks UDisks2 for a descriptor (polkit asks for a password when the
// system requires one). TSysCallsWithOpener puts such an opener behind the system-call seam,
// so the card object uses the descriptor exactly as one it opened itself.
#pragma once

#include "card/SysCalls.h"

#include <map>
#include <string>

namespace brelk {

class TDeviceOpener {
  public:
    virtual ~TDeviceOpener() = default;
    // A read-write descriptor for Path that the caller owns, or -1 with errno set.
    virtual int OpenDevice(const std::string& path) = 0;
};

// Forwards every call to Inner. An Open that Inner refuses for lack of permission (EACCES,
// EPERM, EROFS) asks Opener once per path; the descriptor it grants is kept and handed out
// again by every later Open of that path (Close leaves it open), so the card object's
// open-use-close brackets do not ask (and prompt the user) again. When Opener fails too, Open
// fails with Inner's errno. Granted descriptors are closed through Inner by Forget and at the end.
class TSysCallsWithOpener final : public TSysCalls {
  public:
    TSysCallsWithOpener(TSysCalls& inner, TDeviceOpener& opener) : Inner(inner), Opener(opener) {}
    ~TSysCallsWithOpener() override;
    TSysCallsWithOpener(const TSysCallsWithOpener&) = delete;
    TSysCallsWithOpener& operator=(const TSysCallsWithOpener&) = delete;

    int Open(const std::string& path, TCardAccess access) override;
    // A device opened through the opener cannot be locked by path (the user may not open it):
    // the lock then stands for the granted descriptor itself, which is held for the whole run.
    int OpenLocked(const std::string& path, TCardAccess access) override;
    int Close(int fd) override;
    int DataSync(int fd) override { return Inner.DataSync(fd); }
    int DropCache(int fd, std::uint64_t offset, std::uint64_t length) override {
        return Inner.DropCache(fd, offset, length);
    }
    bool IsBlockDevice(int fd) override { return Inner.IsBlockDevice(fd); }
    ssize_t PRead(int fd, void* buffer, std::size_t count, std::uint64_t offset) override {
        return Inner.PRead(fd, buffer, count, offset);
    }
    ssize_t PWrite(int fd, const void* buffer, std::size_t count, std::uint64_t offset) override {
        return Inner.PWrite(fd, buffer, count, offset);
    }
    int DeviceLength(int fd, std::uint64_t& length) override {
        return Inner.DeviceLength(fd, length);
    }
    int SectorSize(int fd, std::uint32_t& size) override { return Inner.SectorSize(fd, size); }

    // Drops the kept descriptor of Path (its device went away); the next Open asks again.
    void Forget(const std::string& path);
    bool HoldsGrant(const std::string& path) const { return Granted.count(path) != 0; }

  private:
    bool IsGranted(int fd) const;
    // Inner's descriptor, or the opener's when Inner refuses for lack of permission.
    int OpenOrAsk(const std::string& path, int fd);

    TSysCalls& Inner;
    TDeviceOpener& Opener;
    std::map<std::string, int> Granted;
};

} // namespace brelk
