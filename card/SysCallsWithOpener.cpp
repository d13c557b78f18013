#include "card/DeviceOpener.h"

#include <cerrno>

namespace brelk {
namespace {

bool LacksPermission(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

} // namespace

TSysCallsWithOpener::~TSysCallsWithOpener() {
    for (const auto& [path, fd] : Granted)
        Inner.Close(fd);
}

bool TSysCallsWithOpener::IsGranted(int fd) const {
    for (const auto& [path, granted] : Granted)
        if (granted == fd)
            return true;
    return false;
}

int TSysCallsWithOpener::Open(const std::string& path, TCardAccess access) {
    return OpenOrAsk(path, Inner.Open(path, access));
}

int TSysCallsWithOpener::OpenLocked(const std::string& path, TCardAccess access) {
    return OpenOrAsk(path, Inner.OpenLocked(path, access));
}

int TSysCallsWithOpener::OpenOrAsk(const std::string& path, int fd) {
    if (fd >= 0 || !LacksPermission(errno))
        return fd;
    const int refusal = errno;
    const auto grant = Granted.find(path);
    if (grant != Granted.end())
        return grant->second;
    const int opened = Opener.OpenDevice(path);
    if (opened < 0) {
        errno = refusal;
        return -1;
    }
    Granted.emplace(path, opened);
    return opened;
}

int TSysCallsWithOpener::Close(int fd) {
    // A granted descriptor stays open for the next bracket; Forget or the end closes it.
    return IsGranted(fd) ? 0 : Inner.Close(fd);
}

void TSysCallsWithOpener::Forget(const std::string& path) {
    const auto grant = Granted.find(path);
    if (grant == Granted.end())
        return;
    Inner.Close(grant->second);
    Granted.erase(grant);
}

} // namespace brelk
