// The backup job: the index file, then one image file per live object in address order.
#include "explorer/Backup.h"

#include "card/DurableFile.h"
#include "explorer/ObjectTransfer.h"
#include "formats/LineEnd.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <iomanip>
#include <locale>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace brelk {

namespace {

// A file written under a temporary name beside Path that takes Path's place only when every
// byte was written and synced; otherwise the temporary file is removed.
class TPartFile {
  public:
    explicit TPartFile(const std::string& path)
        : Path(path), Partial(path + ".part"),
          Fd(::open(Partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)) {}
    ~TPartFile() {
        if (Fd >= 0)
            ::close(Fd);
        if (!Committed)
            ::unlink(Partial.c_str());
    }
    TPartFile(const TPartFile&) = delete;
    TPartFile& operator=(const TPartFile&) = delete;

    bool IsOpen() const { return Fd >= 0; }
    bool Write(const void* data, std::size_t count) {
        Failed = Failed || !WriteAllTo(Fd, data, count);
        return !Failed;
    }
    bool Commit(const TBackupSync& sync) {
        const bool ok = !Failed && sync.File(Fd) && ::close(Fd) == 0;
        Fd = -1;
        Committed = ok && ::rename(Partial.c_str(), Path.c_str()) == 0;
        return Committed;
    }

  private:
    const std::string Path, Partial;
    int Fd;
    bool Failed = false;
    bool Committed = false;
};

// Writes Text to Path through a temporary file beside it; false when it could not be created
// or written in full (no file is left then).
bool WriteIndexFile(const std::string& path, const std::string& text, const TBackupSync& sync) {
    TPartFile file(path);
    return file.IsOpen() && file.Write(text.data(), text.size()) && file.Commit(sync);
}

// The folder that holds Path: what the last "/" ends, "." without one.
std::string FolderOf(const std::string& path) {
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// Removes an image file left by an earlier backup into the same folder, so that a restore of
// this index does not take it for the object it lists.
void RemoveStaleImage(const std::string& path) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec))
        fs::remove(path, ec);
}

// Saves one object as Path, through a temporary file that takes Path's place only when every
// byte was read from the card and written. False when it could not be saved (the user has
// been told, and no file of Path's name is left).
bool SaveImage(TBrelk& card, const TBrelkCatEntry& entry, const std::string& path, TJobUser& user,
               const TBackupSync& sync) {
    std::string failure;
    std::vector<std::uint8_t> data;
    {
        TPartFile file(path);
        if (!file.IsOpen())
            failure = "Could not create file '" + path + "'.";
        else if (!ReadWholeObject(card, entry, data))
            failure = "Could not read from Brelk.";
        else if (file.Write(data.data(), data.size()) && file.Commit(sync))
            return true;
        else
            failure = "Could not write file '" + path + "'.";
    }
    RemoveStaleImage(path);
    user.Notify(TNotice::Error, failure);
    return false;
}

std::string ProgressText(std::size_t i, const TBrelkCatEntry& entry) {
    return "Object " + std::to_string(i) + " (" + entry.Name() + ") ";
}

} // namespace

bool TBackupSync::File(int fd) const {
    return ::fsync(fd) == 0;
}

bool TBackupSync::Folder(const std::string& path) const {
    return SyncFolder(path);
}

std::string TLocalClock::DateTimeText() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::ostringstream text;
    try {
        text.imbue(std::locale(""));
    } catch (const std::runtime_error&) {
        // An unknown locale in the environment: the classic one.
    }
    text << std::put_time(&local, "%x %X");
    return text.str();
}

TBackupResult BackupBrelk(TBrelk& card, const std::string& indexPath, const TBackupClock& clock,
                          TJobUser& user, const TBackupSync& sync) {
    TBackupResult result;
    TJobProgress* progress = user.Progress();
    const std::size_t total = card.Entries().size();
    if (progress)
        progress->Begin("Backing up Brelk (" + std::to_string(total) + " objects)...", true, true);
    const auto live = LiveEntriesByAddress(card.Entries());
    const std::string index = FormatBackupIndex(live, clock.DateTimeText());
    const std::string folder = BackupFolderOf(indexPath);
    std::error_code ec;
    const bool indexSaved = WriteIndexFile(indexPath, index, sync);
    if (indexSaved)
        fs::create_directory(folder, ec); // a failure shows as each image failing
    // The index and the image folder are named in the index's folder: one sync for both.
    if (!indexSaved || !sync.Folder(FolderOf(indexPath))) {
        if (progress)
            progress->End();
        user.Notify(TNotice::Error, "Could not create file '" + indexPath + "'.");
        return result;
    }
    result.IndexWritten = true;
    result.Objects = live.size();

    // The whole catalogue in address order, deleted entries included, for the progress.
    std::vector<const TBrelkCatEntry*> all;
    for (const auto& entry : card.Entries())
        all.push_back(entry);
    std::stable_sort(all.begin(), all.end(),
                     [](const auto* a, const auto* b) { return a->Address() < b->Address(); });

    const bool bulk = card.StartBulktransfer();
    bool stop = false;
    for (std::size_t i = 0; i < all.size() && !stop; ++i) {
        const TBrelkCatEntry& entry = *all[i];
        if (progress)
            stop = progress->Report(i + 1, total, ProgressText(i + 1, entry));
        if (entry.Type() == kTypeDeleted)
            continue;
        const std::string path = folder + "/" + ImageFileName(std::uint32_t(result.Handled));
        result.Saved += SaveImage(card, entry, path, user, sync) ? 1 : 0;
        ++result.Handled;
    }
    if (bulk)
        card.StopBulktransfer();
    result.Cancelled = result.Handled < result.Objects;
    for (std::size_t k = result.Handled; k < result.Objects; ++k)
        RemoveStaleImage(folder + "/" + ImageFileName(std::uint32_t(k)));
    if (progress)
        progress->End();
    // The images' names reach the disc with their folder; until then nothing counts as saved.
    if (fs::is_directory(folder, ec) && !sync.Folder(folder)) {
        user.Notify(TNotice::Error, "Could not write the folder '" + folder + "' to the disc.");
        result.IndexWritten = false;
    }
    return result;
}

std::string BackupOutcomeText(const TBackupResult& result) {
    const std::size_t failed = result.Handled - result.Saved;
    const std::string failures =
        std::to_string(failed) + " of " + std::to_string(result.Objects) +
        " objects could not be saved; their lines in the index have no image file.";
    if (result.Cancelled) {
        std::string text = "Backup cancelled after " + std::to_string(result.Handled) + " of " +
                           std::to_string(result.Objects) +
                           " objects; the objects not reached have no image file.";
        return failed > 0 ? text + CR + failures : text;
    }
    if (failed > 0)
        return "The backup is incomplete: " + failures;
    return "Brelk successfully backed up.";
}

TNotice BackupOutcomeKind(const TBackupResult& result) {
    if (result.Handled > result.Saved)
        return TNotice::Warning;
    return TNotice::Information;
}

} // namespace brelk
