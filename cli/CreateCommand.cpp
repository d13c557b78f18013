// brelk create: a new zero-filled (sparse) image file that stands in for a card.
#include "cli/Commands.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ostream>
#include <unistd.h>

namespace brelk::cli {

namespace {

int RunCreate(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "IMAGE SIZE");
    const std::string& path = args.Positional()[0];
    auto size = ParseSize(args.Positional()[1]);
    if (!size || *size == 0)
        throw TUsageError(
            "SIZE must be a number of bytes with an optional K, M or G suffix, not '" +
            args.Positional()[1] + "'");
    if (*size >= (std::uint64_t(1) << 32))
        throw TFailure(path + ": cards of 4 GiB or more cannot be used");
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        throw TFailure(path + ": " + std::strerror(errno));
    bool ok = ::ftruncate(fd, off_t(*size)) == 0;
    int savedErrno = errno;
    ::close(fd);
    if (!ok) {
        ::unlink(path.c_str());
        throw TFailure(path + ": " + std::strerror(savedErrno));
    }
    context.Out << "Created " << path << " (" << *size << " bytes)\n";
    return 0;
}

} // namespace

TCommand CreateCommand() {
    return {"create",
            "IMAGE SIZE",
            "Make a zero-filled image file that stands in for a card",
            "SIZE is a number of bytes with an optional K, M or G suffix (powers of 1024).\n"
            "An existing file is never overwritten.\n",
            {},
            false,
            RunCreate};
}

} // namespace brelk::cli
