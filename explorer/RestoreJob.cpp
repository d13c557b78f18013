// The restore job: reading an index file into Raw pending objects, and the questions asked
// before they are imported.
#include "explorer/Backup.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>

namespace fs = std::filesystem;

namespace brelk {

namespace {

const char CR = '\r';

// The length of the regular file at Path when it can be opened for reading and is below
// 4 GiB (no object can be larger).
bool ImageFileLength(const std::string& path, std::uint32_t& length) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return false;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size > 0xFFFFFFFFu || !std::ifstream(path, std::ios::binary))
        return false;
    length = std::uint32_t(size);
    return true;
}

std::unique_ptr<TBrelk_RawCatalogueEntry>
RestoreObject(const TIndexObject& line, const std::string& path, std::uint32_t length) {
    auto object = std::make_unique<TBrelk_RawCatalogueEntry>();
    object->FileName = path;
    object->DataSize = length;
    object->FileSize = length;
    object->Squashed = length % 204800 != 0;
    object->Raw = true;
    object->Analysed = true;
    object->Entry.SetType(line.Type);
    object->Entry.SetSubtype(line.Subtype);
    object->Entry.SetSize(length);
    object->Entry.SetName(line.Name);
    return object;
}

bool ReadTextFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

TRestoreLoad LoadBackupIndex(const std::string& path, TPendingObjects& list, TBackupUser& user,
                             TBackupProgress* progress) {
    TRestoreLoad load;
    list.clear();
    std::string text;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || !ReadTextFile(path, text)) {
        user.Notify(TNotice::Error, "Could not open file '" + path + "'.");
        load.Refused = load.Stop = true;
        return load;
    }
    const TBackupIndex index = ParseBackupIndex(text);
    if (index.Status == TIndexStatus::NotIndex) {
        user.Notify(TNotice::Error, "File '" + path + "' is not a BrelkExplorer backup indexfile.");
        load.Refused = true;
        return load;
    }
    if (text.empty())
        return load;
    if (progress)
        progress->Begin("Analyzing backupfile '" + path + "'...", false, false);
    if (index.Status == TIndexStatus::Malformed) {
        if (progress)
            progress->End();
        user.Notify(TNotice::Error, "Line " + std::to_string(index.BadLine) + " of '" + path +
                                        "' is not a valid object line: " + index.Problem + "." +
                                        CR + CR + "Nothing has been imported.");
        load.Refused = load.Stop = true;
        return load;
    }
    const std::string folder = BackupFolderOf(path);
    for (const TIndexObject& line : index.Objects) {
        ++load.Lines;
        const std::string image = folder + "/" + line.Image;
        std::uint32_t length = 0;
        if (ImageFileLength(image, length))
            list.push_back(RestoreObject(line, image, length));
        else
            ++load.Missing;
    }
    if (progress)
        progress->End();
    return load;
}

TRestorePlan PlanRestore(std::size_t count, const std::string& path, bool catalogueValid,
                         bool preFormat, TBackupUser& user) {
    TRestorePlan plan;
    const std::string what = std::to_string(count) + " objects from '" + path + "'.";
    if (count == 0) {
        user.Notify(TNotice::Information, "No images to import found in '" + path + "'.");
    } else if (!catalogueValid) {
        const std::string question = "Your Brelk-card must be formatted before importing " + what +
                                     CR + CR + "Press YES to format the Brelk-card or" + CR +
                                     "Press CANCEL to cancel the import.";
        if (user.Ask(question, false) == TBackupAnswer::Yes)
            plan.Format = true;
        else
            plan.Go = false;
    } else if (preFormat) {
        const std::string question = "Your Brelk-card will be formatted before importing " + what +
                                     CR + CR + "Press YES to format the Brelk-card or" + CR +
                                     "press NO to skip formatting or" + CR +
                                     "press CANCEL to cancel the import.";
        const TBackupAnswer answer = user.Ask(question, true);
        plan.Format = answer == TBackupAnswer::Yes;
        plan.Go = answer != TBackupAnswer::Cancel;
    }
    return plan;
}

namespace {

struct TRestoreLists {
    TPendingObjects Replacing, Adding, Kept;
};

TRestoreLists SortRestoreList(const TBrelk& card, TPendingObjects& list, bool replace) {
    TRestoreLists lists;
    std::set<std::pair<std::uint8_t, std::string>> seen;
    for (auto& object : list) {
        const bool first = seen.emplace(object->Entry.Type(), NameKey(object->Entry.Name())).second;
        if (!card.ObjectExists(object->Entry))
            lists.Adding.push_back(std::move(object));
        else if (!replace)
            lists.Kept.push_back(std::move(object));
        else
            (first ? lists.Replacing : lists.Adding).push_back(std::move(object));
    }
    list.clear();
    return lists;
}

} // namespace

TRestoreImport ImportRestoreList(TBrelk& card, TPendingObjects& list, bool replace,
                                 TImportUser& user) {
    TRestoreLists lists = SortRestoreList(card, list, replace);
    TRestoreImport done;
    for (const auto& object : lists.Kept)
        done.Kept.push_back(object.get());
    const TImportOptions replacing{.OverwriteExisting = true, .AskBeforeOverwrite = false};
    const TImportOptions adding{.OverwriteExisting = false, .AskBeforeOverwrite = false};
    done.Result = ImportPendingObjects(card, lists.Replacing, replacing, user, nullptr);
    if (!done.Result.Stopped) {
        const TImportResult added = ImportPendingObjects(card, lists.Adding, adding, user, nullptr);
        done.Result.Written += added.Written;
        done.Result.Skipped += added.Skipped;
        done.Result.Stopped = added.Stopped;
        done.Result.Failed = done.Result.Failed || added.Failed;
    }
    for (TPendingObjects* part : {&lists.Replacing, &lists.Adding, &lists.Kept})
        for (auto& object : *part)
            list.push_back(std::move(object));
    return done;
}

} // namespace brelk
