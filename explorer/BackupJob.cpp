// The backup job: the index file, then one image file per live object in address order.
#include "explorer/Backup.h"
#include "explorer/ObjectTransfer.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <locale>
#include <sstream>

namespace fs = std::filesystem;

namespace brelk {

namespace {

const char CR = '\r';

// Closes Out, written as Partial, and gives it Path's place; false (and Partial removed) when
// any write failed.
bool CommitFile(std::ofstream& out, const std::string& partial, const std::string& path) {
    out.close();
    std::error_code ec;
    if (!out.fail())
        fs::rename(partial, path, ec);
    if (out.fail() || ec) {
        fs::remove(partial, ec);
        return false;
    }
    return true;
}

// Writes Text to Path through a temporary file beside it; false when it could not be created
// or written in full (no file is left then).
bool WriteIndexFile(const std::string& path, const std::string& text) {
    const std::string partial = path + ".part";
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(text.data(), std::streamsize(text.size()));
    return CommitFile(out, partial, path);
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
bool SaveImage(TBrelk& card, const TBrelkCatEntry& entry, const std::string& path,
               TBackupUser& user) {
    const std::string partial = path + ".part";
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    std::string failure;
    std::vector<std::uint8_t> data;
    if (!out) {
        failure = "Could not create file '" + path + "'.";
    } else if (!ReadWholeObject(card, entry, data)) {
        out.close();
        std::error_code ec;
        fs::remove(partial, ec);
        failure = "Could not read from Brelk.";
    } else {
        out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
        if (CommitFile(out, partial, path))
            return true;
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
                          TBackupUser& user, TBackupProgress* progress) {
    TBackupResult result;
    const std::size_t total = card.Catalogue.size();
    if (progress)
        progress->Begin("Backing up Brelk (" + std::to_string(total) + " objects)...", true, true);
    const auto live = LiveEntriesByAddress(card.Catalogue);
    const std::string index = FormatBackupIndex(live, clock.DateTimeText());
    if (!WriteIndexFile(indexPath, index)) {
        if (progress)
            progress->End();
        user.Notify(TNotice::Error, "Could not create file '" + indexPath + "'.");
        return result;
    }
    result.IndexWritten = true;
    result.Objects = live.size();
    const std::string folder = BackupFolderOf(indexPath);
    std::error_code ec;
    fs::create_directory(folder, ec); // a failure shows as each image failing

    // The whole catalogue in address order, deleted entries included, for the progress.
    std::vector<const TBrelkCatEntry*> all;
    for (const auto& entry : card.Catalogue)
        all.push_back(entry.get());
    std::stable_sort(all.begin(), all.end(),
                     [](const auto* a, const auto* b) { return a->Address() < b->Address(); });

    const bool bulk = card.StartBulktransfer();
    bool stop = false;
    for (std::size_t i = 0; i < all.size() && !stop; ++i) {
        const TBrelkCatEntry& entry = *all[i];
        if (progress)
            stop =
                progress->Report(float(i + 1) / float(total) * 100.0f, ProgressText(i + 1, entry));
        if (entry.Type() == kTypeDeleted)
            continue;
        const std::string path = folder + "/" + ImageFileName(std::uint32_t(result.Handled));
        result.Saved += SaveImage(card, entry, path, user) ? 1 : 0;
        ++result.Handled;
    }
    if (bulk)
        card.StopBulktransfer();
    result.Cancelled = result.Handled < result.Objects;
    for (std::size_t k = result.Handled; k < result.Objects; ++k)
        RemoveStaleImage(folder + "/" + ImageFileName(std::uint32_t(k)));
    if (progress)
        progress->End();
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
