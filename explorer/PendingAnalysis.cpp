// Analysing pending objects: a file's contents become a proposed catalogue entry; and the
// space totals of the pending list against the card's free space.
#include "explorer/ContentAnalysis.h"
#include "explorer/PCFile.h"
#include "explorer/PendingObjects.h"

#include "card/Brelk.h"
#include "formats/AcornDFS.h"
#include "formats/GlobalStuff.h"

namespace brelk {

namespace {

// The part of Path after its last "/".
std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithDistributor(const std::string& distributor, const std::string& title) {
    return distributor.empty() ? title : distributor + "." + title;
}

// The file name of Path without its extension, and without ".gz" before that ("Elite.ssd.gz"
// gives "Elite"); a name whose only stop leads it stays whole.
std::string NameWithoutExtension(const std::string& path) {
    std::string name = FileNameOf(path);
    if (name.size() > 3 && HasExtension(name, ".gz"))
        name.resize(name.size() - 3);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// A disc or tape is named after its title; an untitled one after its file without the
// extension, as the extension's stop would make it a sub-group.
std::string ImageName(const TDistributorGuess& guess, const std::string& title,
                      const std::string& path) {
    return WithDistributor(guess.Distributor, title.empty() ? NameWithoutExtension(path) : title);
}

void Classify(TBrelk_RawCatalogueEntry& object, const TContentAnalysis& found,
              const TDistributorGuess& guess) {
    object.ReadAs = found.ReadAs;
    object.Note = found.Note;
    object.DataSize = found.DataSize;
    std::string name;
    switch (found.ReadAs) {
    case TReadAs::DFS:
    case TReadAs::DFSInterleaved:
        name = ImageName(guess, found.Title, object.FileName);
        object.Entry.SetType(kTypeImage);
        object.Entry.SetSubtype(kSubtypeDFS);
        object.Squashed = found.DataSize % kDFSFullSideBytes != 0;
        object.DiscSides = found.DiscSides;
        break;
    case TReadAs::Tape:
        name = ImageName(guess, found.Title, object.FileName);
        object.Entry.SetType(kTypeImage);
        object.Entry.SetSubtype(kSubtypeTape);
        break;
    case TReadAs::ADFS:
        name = ImageName(guess, found.Title, object.FileName);
        object.Entry.SetType(kTypeImage);
        object.Entry.SetSubtype(kSubtypeADFS);
        break;
    case TReadAs::Tool:
        name = FileNameOf(object.FileName);
        object.Entry.SetType(kTypeTool);
        object.Entry.SetSubtype(0);
        break;
    }
    object.Entry.SetName(SanitizeFilename(name));
}

} // namespace

const char* ReadAsText(TReadAs readAs) {
    switch (readAs) {
    case TReadAs::DFS:
        return "dfs";
    case TReadAs::DFSInterleaved:
        return "dfs-interleaved";
    case TReadAs::Tape:
        return "tape";
    case TReadAs::ADFS:
        return "adfs";
    case TReadAs::Tool:
        break;
    }
    return "tool";
}

std::uint32_t SizeOnCard(const TBrelk_RawCatalogueEntry& object) {
    // A restored object is written unchanged: its size on the card is its data's.
    if (object.Entry.Type() == kTypeImage && object.Entry.Subtype() == kSubtypeDFS &&
        !object.Squashed && !object.Raw) {
        const std::uint64_t sides = object.DiscSides == 0 ? 1 : object.DiscSides;
        return std::uint32_t(sides * kDFSFullSideBytes);
    }
    return object.DataSize;
}

void UpdateSizeOnCard(TBrelk_RawCatalogueEntry& object) {
    object.Entry.SetSize(SizeOnCard(object));
}

bool AnalysePendingObject(TBrelk_RawCatalogueEntry& object, const TImportOptions& options,
                          TJobUser& user) {
    TPCFileReader file;
    TPCFileContents contents;
    return AnalysePendingObject(object, options, user, file, contents);
}

bool AnalysePendingObject(TBrelk_RawCatalogueEntry& object, const TImportOptions& options,
                          TJobUser& user, TPCFileReader& file, TPCFileContents& contents) {
    if (object.Analysed)
        return true;
    object.Analysed = true;
    TPCFileStatus status;
    std::string error;
    if (!LoadPCFileContents(file, object.FileName, contents, status, error)) {
        object.DataSize = object.FileSize = 0;
        if (status != TPCFileStatus::Missing)
            user.Notify(TNotice::Error, error);
        return false;
    }
    if (contents.Bytes.empty()) {
        user.Notify(TNotice::Error, "The file '" + object.FileName +
                                        "' is empty; an object needs at least one byte.");
        return false;
    }
    object.FileSize = std::uint32_t(contents.FileLength);
    object.DataSize = std::uint32_t(contents.Bytes.size());
    object.Squashed = false;
    object.Gzip = contents.Gzip;
    const TDistributorGuess guess =
        options.GuessDistributor ? GuessDistributor(object.FileName) : TDistributorGuess{};
    Classify(object, AnalysePCFile(contents, object.FileName), guess);
    UpdateSizeOnCard(object);
    return true;
}

void AnalysePendingObjects(TPendingObjects& list, const TImportOptions& options, TJobUser& user) {
    if (list.empty())
        return;
    TJobProgress* progress = user.Progress();
    if (progress != nullptr)
        progress->Begin("Analyzing " + std::to_string(list.size()) + " files...");
    bool cancelled = false;
    std::size_t i = 0;
    TPCFileContents contents; // one buffer for every file, so that each needs no fresh memory
    while (i < list.size() && !cancelled) {
        if (progress != nullptr)
            cancelled = progress->Report(i + 1, list.size(), "");
        if (i >= list.size()) // the list must not shrink during the report; if it did, stop
            break;
        TPCFileReader file;
        if (AnalysePendingObject(*list[i], options, user, file, contents))
            ++i;
        else
            list.erase(list.begin() + std::ptrdiff_t(i));
    }
    if (cancelled)
        list.erase(list.begin() + std::ptrdiff_t(i), list.end());
    if (progress != nullptr)
        progress->End();
}

TSpaceTotals ComputeSpaceTotals(const TPendingObjects& list, const TBrelk* card,
                                std::uint32_t safetyZone) {
    const std::uint32_t block = card != nullptr && card->State().BytesPerSector != 0
                                    ? card->State().BytesPerSector
                                    : kObjectHeaderSize;
    TSpaceTotals totals;
    for (const auto& object : list) {
        const std::uint8_t type = object->Entry.Type();
        if (object->DataSize > 0 && type >= kTypeFilingSystem && type <= kTypeImage)
            totals.Needed += std::int64_t(RoundUpToBlocks(SizeOnCard(*object), block));
        totals.Needed += kObjectHeaderSize;
    }
    // Each object adds one catalogue entry; eight of them fill a block of 512 bytes.
    const std::int64_t entries = std::int64_t(list.size());
    totals.Needed += ((entries == 0 ? 0 : entries - 1) / 8 + 1) * kCatEntrySize;
    std::int64_t free = -std::int64_t(safetyZone);
    if (card != nullptr)
        free += std::int64_t(card->State().CardSize) - std::int64_t(card->GetUsedBytes());
    totals.Left = free - totals.Needed;
    return totals;
}

} // namespace brelk
