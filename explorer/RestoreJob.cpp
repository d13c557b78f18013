// The restore job: reading an index file into Raw pending objects, and the questions asked
// before they are imported.
#include "explorer/Backup.h"
#include "explorer/PCFile.h"
#include "formats/LineEnd.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <utility>

namespace fs = std::filesystem;

namespace brelk {

namespace {

enum class TImageFile { Found, Missing, NotAFile };

// Whether the image file at Path is there: a regular file (never a link, which could lead out
// of the backup folder) that can be opened for reading and is below 4 GiB (no object can be
// larger). Length receives its length.
TImageFile FindImageFile(const std::string& path, std::uint32_t& length) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec || status.type() == fs::file_type::not_found)
        return TImageFile::Missing;
    if (status.type() != fs::file_type::regular)
        return TImageFile::NotAFile;
    TPCFileReader file;
    if (file.Open(path, false) != TPCFileStatus::Ok)
        return TImageFile::Missing;
    length = file.Size();
    return TImageFile::Found;
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

void RefuseLine(TJobUser& user, const std::string& path, std::size_t line,
                const std::string& problem) {
    user.Notify(TNotice::Error, "Line " + std::to_string(line) + " of '" + path +
                                    "' is not a valid object line: " + problem + "." + CR + CR +
                                    "Nothing has been imported.");
}

bool ReadTextFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

TRestoreLoad LoadBackupIndex(const std::string& path, TPendingObjects& list, TJobUser& user) {
    TRestoreLoad load;
    TJobProgress* progress = user.Progress();
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
        RefuseLine(user, path, index.BadLine, index.Problem);
        load.Refused = load.Stop = true;
        return load;
    }
    const std::string folder = BackupFolderOf(path);
    for (const TIndexObject& line : index.Objects) {
        ++load.Lines;
        const std::string image = folder + "/" + line.Image;
        std::uint32_t length = 0;
        switch (FindImageFile(image, length)) {
        case TImageFile::Found:
            list.push_back(RestoreObject(line, image, length));
            break;
        case TImageFile::Missing:
            ++load.Missing;
            break;
        case TImageFile::NotAFile:
            if (progress)
                progress->End();
            list.clear();
            RefuseLine(user, path, line.LineNumber,
                       "the image file '" + line.Image + "' is a link or no regular file");
            load.Refused = load.Stop = true;
            return load;
        }
    }
    if (progress)
        progress->End();
    return load;
}

TRestorePlan PlanRestore(std::size_t count, const std::string& path, bool catalogueValid,
                         bool preFormat, TJobUser& user) {
    TRestorePlan plan;
    if (count == 0) {
        user.Notify(TNotice::Information, "No images to import found in '" + path + "'.");
    } else if (!catalogueValid) {
        plan.Format = Agreed(user.Ask(query::TMustFormat{count, path}));
        plan.Go = plan.Format;
    } else if (preFormat) {
        const TAnswer answer = user.Ask(query::TFormatFirst{count, path});
        plan.Format = Agreed(answer);
        plan.Go = answer != TAnswer::Cancel;
    }
    return plan;
}

TRestoreExisting RestoreRuleFor(const TImportOptions& settings) {
    if (!settings.OverwriteExisting)
        return TRestoreExisting::AddBeside;
    return settings.AskBeforeOverwrite ? TRestoreExisting::AskThenReplace
                                       : TRestoreExisting::Replace;
}

namespace {

enum class TRestoreFate { Add, Replace, Keep };

// Each object's fate, decided before anything is written.
std::map<const TBrelk_RawCatalogueEntry*, TRestoreFate>
DecideFates(const TBrelk& card, const TPendingObjects& list, TRestoreExisting existing) {
    std::map<const TBrelk_RawCatalogueEntry*, TRestoreFate> fates;
    std::set<std::pair<std::uint8_t, std::string>> seen;
    for (const auto& object : list) {
        const bool first = seen.emplace(object->Entry.Type(), NameKey(object->Entry.Name())).second;
        TRestoreFate fate = TRestoreFate::Add;
        if (card.ObjectExists(object->Entry)) {
            if (existing == TRestoreExisting::Keep)
                fate = TRestoreFate::Keep;
            else if (existing != TRestoreExisting::AddBeside && first)
                fate = TRestoreFate::Replace;
        }
        fates[object.get()] = fate;
    }
    return fates;
}

} // namespace

TRestoreImport ImportRestoreList(TBrelk& card, TPendingObjects& list, TRestoreExisting existing,
                                 TJobUser& user) {
    const auto fates = DecideFates(card, list, existing);
    TPendingObjects writing;
    TPendingObjects kept;
    for (auto& object : list)
        (fates.at(object.get()) == TRestoreFate::Keep ? kept : writing)
            .push_back(std::move(object));
    list.clear();
    const bool ask = existing == TRestoreExisting::AskThenReplace;
    TRestoreImport done;
    done.Result = ImportPendingObjectsEach(
        card, writing,
        [&fates, ask](const TBrelk_RawCatalogueEntry& object) {
            const bool replace = fates.at(&object) == TRestoreFate::Replace;
            return TImportOptions{.OverwriteExisting = replace,
                                  .AskBeforeOverwrite = replace && ask};
        },
        user);
    for (auto& object : writing)
        list.push_back(std::move(object));
    for (auto& object : kept) {
        done.Kept.push_back(object.get());
        list.push_back(std::move(object));
    }
    return done;
}

std::string MissingImagesText(std::size_t missing) {
    if (missing == 0)
        return {};
    return missing == 1 ? "1 object of the backup set has no image file; it was not restored."
                        : std::to_string(missing) +
                              " objects of the backup set have no image file; they were not "
                              "restored.";
}

std::string RestoreOutcomeText(const TImportResult& result, std::size_t objects,
                               std::size_t missing) {
    std::string text = "Restore done.";
    if (result.Stopped)
        text = std::string(result.Failed ? "Restore stopped: " : "Restore cancelled: ") +
               std::to_string(result.Written) + " of " + std::to_string(objects) +
               " objects were restored; the others were not.";
    const std::string missingText = MissingImagesText(missing);
    return missingText.empty() ? text : text + CR + CR + missingText;
}

TNotice RestoreOutcomeKind(const TImportResult& result, std::size_t missing) {
    return result.Stopped || missing > 0 ? TNotice::Warning : TNotice::Information;
}

} // namespace brelk
