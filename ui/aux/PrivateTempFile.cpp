#include "ui/aux/PrivateTempFile.h"

#include "card/DurableFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;

// Closes a descriptor when the scope ends.
class TDescriptor {
  public:
    explicit TDescriptor(int handle) : Handle(handle) {}
    ~TDescriptor() {
        if (Handle >= 0)
            ::close(Handle);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return Handle; }

  private:
    int Handle;
};

// The private folder without its trailing "/": a path that ends in "/" would follow a symbolic
// link in the folder's place.
QString FolderWithoutSlash() {
    // The temporary folder as the platform reports it; empty when TMPDIR names no folder.
    QString temp = QDir::tempPath();
    if (temp.isEmpty())
        temp = QStringLiteral("/tmp");
    if (!temp.endsWith(QLatin1Char('/')))
        temp += QLatin1Char('/');
    return temp + QStringLiteral("brelkexplorer-%1").arg(::geteuid());
}

} // namespace

QString TPrivateTempFile::FolderPath() {
    return FolderWithoutSlash() + QLatin1Char('/');
}

bool TPrivateTempFile::EnsureFolder() {
    const TDescriptor folder(OpenPrivateFolder());
    return folder.Get() >= 0;
}

// The private folder, opened without following a symbolic link: made when missing, checked
// to be a folder of this user, and narrowed to 0700. -1 when it cannot be used.
int TPrivateTempFile::OpenPrivateFolder() {
    const QByteArray folder = QFile::encodeName(FolderWithoutSlash());
    if (::mkdir(folder.constData(), kFolderMode) != 0 && errno != EEXIST)
        return -1;
    const int handle = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (handle < 0)
        return -1;
    struct stat status {};
    const bool ours =
        ::fstat(handle, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid();
    const bool private_ =
        ours && ((status.st_mode & 07777) == kFolderMode || ::fchmod(handle, kFolderMode) == 0);
    if (!private_) {
        ::close(handle);
        return -1;
    }
    return handle;
}

TPrivateTempFile::TPrivateTempFile(const QString& name) : FilePath(FolderPath() + name) {
    const TDescriptor folder(OpenPrivateFolder());
    if (folder.Get() < 0)
        return;
    const int handle = ::openat(folder.Get(), QFile::encodeName(name).constData(),
                                O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, kFileMode);
    if (handle < 0)
        return;
    struct stat status {};
    if (::fstat(handle, &status) != 0 || !S_ISREG(status.st_mode) ||
        ((status.st_mode & 07777) != kFileMode && ::fchmod(handle, kFileMode) != 0)) {
        ::close(handle);
        return;
    }
    Handle = handle;
}

TPrivateTempFile::~TPrivateTempFile() {
    if (Handle >= 0)
        ::close(Handle);
}

bool TPrivateTempFile::Write(const void* data, std::size_t size) {
    return Handle >= 0 && brelk::WriteAllTo(Handle, data, size);
}

bool TPrivateTempFile::Close() {
    if (Handle < 0)
        return false;
    const int handle = Handle;
    Handle = -1;
    return ::close(handle) == 0;
}
