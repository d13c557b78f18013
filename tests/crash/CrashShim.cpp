// A stand-in for a power cut, loaded into brelk with LD_PRELOAD by the crash-state tests.
// It counts the writes to the card (the file named by BRELK_CRASH_CARD, matched by device and
// inode) and, at the write numbered BRELK_CRASH_WRITE, lets only the first BRELK_CRASH_BYTES
// bytes of it reach the file, then ends the process at once: nothing after that write
// happens. With BRELK_CRASH_SCATTER set, only every other 512-byte block of that write
// lands instead. With BRELK_CRASH_COUNT set, the number of card writes is written to that file when
// the process ends normally.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

using TPwrite = ssize_t (*)(int, const void*, size_t, off_t);

long Writes = 0;

long EnvNumber(const char* name) {
    const char* text = std::getenv(name);
    return text ? std::strtol(text, nullptr, 10) : 0;
}

bool IsCard(int fd) {
    static struct stat card {};
    static bool known = false;
    if (!known) {
        const char* path = std::getenv("BRELK_CRASH_CARD");
        if (!path || ::stat(path, &card) != 0)
            return false;
        known = true;
    }
    struct stat info {};
    return ::fstat(fd, &info) == 0 && info.st_dev == card.st_dev && info.st_ino == card.st_ino;
}

ssize_t CardWrite(TPwrite real, int fd, const void* buffer, size_t count, off_t offset) {
    if (!IsCard(fd))
        return real(fd, buffer, count, offset);
    ++Writes;
    if (Writes != EnvNumber("BRELK_CRASH_WRITE"))
        return real(fd, buffer, count, offset);
    if (EnvNumber("BRELK_CRASH_SCATTER") != 0) {
        // Only every other 512-byte block of the write lands, as a device may order them.
        const char* bytes = static_cast<const char*>(buffer);
        for (size_t at = 0; at < count; at += 1024)
            real(fd, bytes + at, count - at < 512 ? count - at : 512, offset + off_t(at));
        ::_exit(99);
    }
    const size_t landed = size_t(EnvNumber("BRELK_CRASH_BYTES"));
    if (landed > 0)
        real(fd, buffer, landed < count ? landed : count, offset);
    ::_exit(99);
}

struct TCountOnExit {
    ~TCountOnExit() {
        const char* file = std::getenv("BRELK_CRASH_COUNT");
        if (FILE* out = file ? std::fopen(file, "w") : nullptr) {
            std::fprintf(out, "%ld\n", Writes);
            std::fclose(out);
        }
    }
} CountOnExit;

} // namespace

extern "C" ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    static auto real = reinterpret_cast<TPwrite>(::dlsym(RTLD_NEXT, "pwrite"));
    return CardWrite(real, fd, buffer, count, offset);
}

extern "C" ssize_t pwrite64(int fd, const void* buffer, size_t count, off_t offset) {
    static auto real = reinterpret_cast<TPwrite>(::dlsym(RTLD_NEXT, "pwrite64"));
    return CardWrite(real, fd, buffer, count, offset);
}
