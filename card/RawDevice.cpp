#include "card/RawDevice.h"

#include <cerrno>
#include <cstring>

namespace brelk {

void TRawDevice::NoteErrno() {
    Error = std::strerror(errno);
}

bool TRawDevice::Open(const std::string& path, TCardAccess access) {
    Close();
    Error.clear();
    do {
        Fd = Calls.Open(path, access);
    } while (Fd < 0 && errno == EINTR);
    if (Fd < 0) {
        NoteErrno();
        return false;
    }
    DropAllCachedPages();
    return true;
}

bool TRawDevice::Share(int fd) {
    Close();
    Error.clear();
    Fd = fd >= 0 ? Calls.Duplicate(fd) : -1;
    if (Fd < 0)
        return false;
    DropAllCachedPages();
    return true;
}

void TRawDevice::DropCachedPages(std::uint64_t offset, std::uint64_t length) {
    if (length != 0 && Fd >= 0 && Calls.IsBlockDevice(Fd))
        Calls.DropCache(Fd, offset, length);
}

void TRawDevice::DropAllCachedPages() {
    if (Fd >= 0 && Calls.IsBlockDevice(Fd))
        Calls.DropCache(Fd, 0, 0); // 0: to the end
}

void TRawDevice::Close() {
    if (Fd >= 0)
        Calls.Close(Fd);
    Fd = -1;
}

std::size_t TRawDevice::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
    auto* dest = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    Error.clear();
    while (done < count) {
        ssize_t n = Calls.PRead(Fd, dest + done, count - done, offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            NoteErrno();
            break;
        }
        if (n == 0)
            break; // end of the device
        done += std::size_t(n);
    }
    return done;
}

bool TRawDevice::WriteAt(std::uint64_t offset, const void* buffer, std::size_t count) {
    const auto* source = static_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    Error.clear();
    while (done < count) {
        ssize_t n = Calls.PWrite(Fd, source + done, count - done, offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            NoteErrno();
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

bool TRawDevice::Sync() {
    Error.clear();
    int result;
    do {
        result = Calls.DataSync(Fd);
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        NoteErrno();
    return result == 0;
}

bool TRawDevice::Length(std::uint64_t& length) {
    if (Calls.DeviceLength(Fd, length) == 0)
        return true;
    NoteErrno();
    return false;
}

bool TRawDevice::SectorSize(std::uint32_t& size) {
    if (Calls.SectorSize(Fd, size) == 0)
        return true;
    NoteErrno();
    return false;
}

bool TCardLock::Take(const std::string& path, TCardAccess access) {
    Release();
    Error.clear();
    WasBusy = false;
    do {
        Fd = Calls.OpenLocked(path, access);
    } while (Fd < 0 && errno == EINTR);
    if (Fd < 0) {
        WasBusy = errno == EWOULDBLOCK || errno == EBUSY;
        Error = std::strerror(errno);
    }
    return Fd >= 0;
}

void TCardLock::Release() {
    if (Fd >= 0)
        Calls.Close(Fd);
    Fd = -1;
}

} // namespace brelk
