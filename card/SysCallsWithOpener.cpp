#include "card/DeviceOpener.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace brelk {
namespace {

bool LacksPermission(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

} // namespace

TSysCallsWithOpener::~TSysCallsWithOpener() {
    for (const auto& [path, fd] : Granted)
        ::close(fd);
}

int TSysCallsWithOpener::Open(const std::string& path) {
    const int fd = Inner.Open(path);
    if (fd >= 0 || !LacksPermission(errno))
        return fd;
    const int refusal = errno;
    auto grant = Granted.find(path);
    if (grant == Granted.end()) {
        const int opened = Opener.OpenDevice(path);
        if (opened < 0) {
            errno = refusal;
            return -1;
        }
        grant = Granted.emplace(path, opened).first;
    }
    // The card object closes what Open returns; the kept descriptor stays for the next bracket.
    return ::fcntl(grant->second, F_DUPFD_CLOEXEC, 0);
}

void TSysCallsWithOpener::Forget(const std::string& path) {
    const auto grant = Granted.find(path);
    if (grant == Granted.end())
        return;
    ::close(grant->second);
    Granted.erase(grant);
}

} // namespace brelk
