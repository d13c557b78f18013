// Collecting PC files and folders into the pending list, and guessing a file's distributor
// from the folders it lies in.
#include "explorer/PendingObjects.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace brelk {

namespace {

namespace fs = std::filesystem;

enum class TPathKind { File, Folder, Other };

// What Path names. A link to a file counts as the file; a link to a folder is followed only
// when FollowFolderLinks (the path the user gave), so a walk always ends.
TPathKind KindOf(const std::string& path, bool followFolderLinks) {
    struct stat own {};
    struct stat target {};
    if (::lstat(path.c_str(), &own) != 0 || ::stat(path.c_str(), &target) != 0)
        return TPathKind::Other;
    if (S_ISREG(target.st_mode))
        return TPathKind::File;
    if (S_ISDIR(target.st_mode) && (followFolderLinks || !S_ISLNK(own.st_mode)))
        return TPathKind::Folder;
    return TPathKind::Other;
}

bool Exists(const std::string& path) {
    struct stat own {};
    return ::lstat(path.c_str(), &own) == 0;
}

// Why the path a user gave, which is no file or folder, is left out.
std::string NotAFileReason(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return "it is no file or folder";
    if (S_ISFIFO(info.st_mode))
        return "it is a pipe (FIFO), not a regular file";
    if (S_ISCHR(info.st_mode))
        return "it is a character device, not a regular file";
    if (S_ISBLK(info.st_mode))
        return "it is a block device, not a regular file";
    if (S_ISSOCK(info.st_mode))
        return "it is a socket, not a regular file";
    return "it is no regular file";
}

// A name in a folder, with its kind when the folder listing tells it (a regular file or a
// folder that is no link): those need no stat of their own.
struct TFolderName {
    std::string Name;
    std::optional<TPathKind> Kind;
    bool operator<(const TFolderName& other) const { return Name < other.Name; }
};

// The entry's own type as the listing gave it (no stat unless the listing did not say).
std::optional<TPathKind> KindOfListed(const fs::directory_entry& entry) {
    std::error_code ec;
    if (entry.is_symlink(ec) || ec)
        return std::nullopt;
    if (entry.is_regular_file(ec))
        return TPathKind::File;
    if (entry.is_directory(ec))
        return TPathKind::Folder;
    return std::nullopt;
}

// The names in Folder, in byte order so that a walk is repeatable; false when it cannot be
// listed.
bool ListFolder(const std::string& folder, std::vector<TFolderName>& names) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        names.push_back({it->path().filename().string(), KindOfListed(*it)});
    std::sort(names.begin(), names.end());
    return !ec;
}

class TCollector {
  public:
    TCollector(TPendingObjects& list, TJobUser& user) : List(list), User(user) {}

    void Collect(const std::string& path, bool topLevel,
                 std::optional<TPathKind> listed = std::nullopt) {
        if (Full)
            return;
        switch (listed ? *listed : KindOf(path, topLevel)) {
        case TPathKind::File:
            AddFile(path);
            break;
        case TPathKind::Folder:
            CollectFolder(path);
            break;
        case TPathKind::Other:
            // Inside a folder such nodes are passed over; one the user named is reported
            // (a path that names nothing at all is the caller's to report).
            if (topLevel && Exists(path))
                User.Notify(TNotice::Error,
                            "'" + path + "' was left out: " + NotAFileReason(path) + ".");
            break;
        }
    }

  private:
    void AddFile(const std::string& path) {
        if (List.size() >= kMaxPendingObjects) {
            Full = true;
            User.Notify(TNotice::Error, "No more than " + std::to_string(kMaxPendingObjects) +
                                            " objects can be added at a time; '" + path +
                                            "' and the files after it were left out.");
            return;
        }
        AddPendingFile(List, path);
    }

    void CollectFolder(const std::string& folder) {
        std::vector<TFolderName> names;
        if (!ListFolder(folder, names)) {
            User.Notify(TNotice::Error, "Could not open folder '" + folder + "'.");
            return;
        }
        const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
        for (const TFolderName& name : names)
            if (!name.Name.starts_with('.'))
                Collect(prefix + name.Name, false, name.Kind);
    }

    TPendingObjects& List;
    TJobUser& User;
    bool Full = false;
};

} // namespace

void AddPendingFile(TPendingObjects& list, const std::string& path) {
    auto object = std::make_unique<TBrelk_RawCatalogueEntry>();
    object->FileName = path;
    list.push_back(std::move(object));
}

void AddPendingPath(TPendingObjects& list, const std::string& path, TJobUser& user) {
    TCollector(list, user).Collect(path, true);
}

TDistributorGuess GuessDistributor(const std::string& path) {
    TDistributorGuess guess;
    const std::size_t slash = path.find_last_of('/');
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = fileName.find_last_of('.');
    guess.BaseName = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    if (slash == std::string::npos)
        return guess;
    // The folders between the root and the file, outermost first; a doubled separator
    // gives an empty folder name, which takes part like any other.
    std::string folders = path.substr(0, slash + 1);
    if (folders.starts_with('/'))
        folders.erase(0, 1);
    std::vector<std::string> names;
    for (std::size_t start = 0, end; (end = folders.find('/', start)) != std::string::npos;
         start = end + 1)
        names.push_back(folders.substr(start, end - start));
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        if (*it != guess.BaseName) {
            guess.Distributor = *it;
            break;
        }
    return guess;
}

} // namespace brelk
