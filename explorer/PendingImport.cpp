// Converting a pending object's bytes into the card's form, and the import loop that writes
// the pending list to the card.
#include "explorer/ContentAnalysis.h"
#include "explorer/Gzip.h"
#include "explorer/PCFile.h"
#include "explorer/PendingObjects.h"

#include "explorer/NameText.h"

#include "card/Brelk.h"
#include "formats/DFSSideWalk.h"
#include "formats/UEF.h"

#include <algorithm>
#include <filesystem>
#include <new>

namespace brelk {

namespace {

void ConvertDisc(TBrelk_RawCatalogueEntry& object, std::vector<std::uint8_t>& data) {
    if (object.ReadAs == TReadAs::DFSInterleaved) {
        std::vector<std::uint8_t> sides;
        DFSCardForm(data, object.ReadAs, sides);
        if (!sides.empty())
            data = std::move(sides);
    }
    // Every side squashed or expanded in the bytes themselves; a refused first side leaves
    // them as they are.
    if (object.Squashed)
        SquashDiscImageInPlace(data);
    else
        ExpandDiscImageInPlace(data);
}

void ConvertTape(std::vector<std::uint8_t>& data) {
    TUEF tape;
    if (!tape.FetchUEF(data) || tape.UseableDataSize() == 0)
        return;
    std::vector<std::uint8_t> blocks(tape.UseableDataSize());
    tape.FetchUseabledata(blocks.data());
    data = std::move(blocks);
}

// Keeps the card device open from construction to destruction.
class TBulkTransfer {
  public:
    explicit TBulkTransfer(TBrelk& card) : Card(card), Started(card.StartBulktransfer()) {}
    ~TBulkTransfer() {
        if (Started)
            Card.StopBulktransfer();
    }
    TBulkTransfer(const TBulkTransfer&) = delete;
    TBulkTransfer& operator=(const TBulkTransfer&) = delete;

  private:
    TBrelk& Card;
    const bool Started;
};

void ShowReadError(const TBrelk_RawCatalogueEntry& object, TImportUser& user, bool changed) {
    user.ShowError("Could not read file '" + object.FileName +
                   (changed ? "': it has changed since it was analysed." : "'.") +
                   " It was skipped.");
}

// Opens Object's file again; false, with a message shown, when it cannot be read as it was
// analysed. Its length is checked before anything is read.
bool OpenObjectFile(const TBrelk_RawCatalogueEntry& object, TPCFileReader& file,
                    TImportUser& user) {
    // A restore reads the image files of its own folder: a link there is never followed.
    const TPCFileStatus status = file.Open(object.FileName, !object.Raw);
    if (status != TPCFileStatus::Ok || file.Size() != object.FileSize) {
        ShowReadError(object, user, status == TPCFileStatus::Ok);
        return false;
    }
    if (file.Size() == 0) {
        user.ShowError("The file '" + object.FileName + "' is empty. It was skipped.");
        return false;
    }
    return true;
}

// Objects whose bytes go to the card as the file holds them are written while the file is
// read, in pieces; gzip-compressed files, discs and tapes are converted whole.
bool WrittenAsRead(const TBrelk_RawCatalogueEntry& object) {
    return !object.Gzip && (object.Raw || object.Entry.Type() != kTypeImage);
}

// The bytes that the import writes for Object, read whole from its open file (and unpacked
// when the analysis unpacked it). False, with a message shown, when they cannot be had as
// they were analysed.
bool ReadObjectData(const TBrelk_RawCatalogueEntry& object, TPCFileReader& file,
                    std::vector<std::uint8_t>& data, TImportUser& user) {
    try {
        data.resize(file.Size());
    } catch (const std::bad_alloc&) {
        ShowReadError(object, user, false);
        return false;
    }
    if (!file.Read(data.data(), data.size())) {
        ShowReadError(object, user, false);
        return false;
    }
    if (object.Gzip) {
        std::vector<std::uint8_t> unpacked;
        if (GunzipAll(data.data(), data.size(), unpacked) != TGunzipResult::Ok) {
            user.ShowError("Could not unpack file '" + object.FileName + "'. It was skipped.");
            return false;
        }
        data = std::move(unpacked);
    }
    if (data.empty()) {
        user.ShowError("The file '" + object.FileName + "' is empty. It was skipped.");
        return false;
    }
    return true;
}

// The entry's Size (and DataSize) for Length bytes of data: what the conversion left, and
// never more than the data holds.
void SettleSize(TBrelk_RawCatalogueEntry& object, std::uint32_t length) {
    std::uint32_t size = length;
    if (object.Raw && object.DataSize != 0 && object.DataSize < size)
        size = object.DataSize;
    object.DataSize = size;
    object.Entry.SetSize(size);
}

enum class TWriteDecision { Write, Skip, Stop };

TWriteDecision DecideWrite(const TBrelk& card, const TBrelk_RawCatalogueEntry& object,
                           const TImportOptions& options, TImportUser& user) {
    if (!options.OverwriteExisting || !options.AskBeforeOverwrite ||
        !card.ObjectExists(object.Entry))
        return TWriteDecision::Write;
    switch (user.AskOverwrite(object.Entry.Name())) {
    case TOverwriteAnswer::Yes:
        return TWriteDecision::Write;
    case TOverwriteAnswer::No:
        return TWriteDecision::Skip;
    case TOverwriteAnswer::Cancel:
        break;
    }
    return TWriteDecision::Stop;
}

// The object's bytes from a file read once: those the analysis read (the head of a large
// plain file, which is then written as the rest is read).
struct TObjectBytes {
    TPCFileReader File;
    TPCFileContents& Contents; // kept from object to object: no fresh memory for each file
    bool Streamed = false;     // written while File is read, after the bytes in Contents
};

// An object that came unanalysed: analysed from the bytes read for it. False when it is
// dropped (counted in Result).
bool AnalyseForImport(TBrelk_RawCatalogueEntry& object, const TImportOptions& options,
                      TImportUser& user, TObjectBytes& bytes, TImportResult& result) {
    if (!AnalysePendingObject(object, options, user, bytes.File, bytes.Contents) ||
        !user.AcceptAnalysed(object)) {
        ++result.Dropped;
        return false;
    }
    bytes.Streamed = bytes.Contents.HeadOnly;
    return true;
}

// An object analysed before: its file opened and read again, and checked against what the
// analysis found.
bool ReadAnalysedObject(const TBrelk_RawCatalogueEntry& object, TImportUser& user,
                        TObjectBytes& bytes, TImportResult& result) {
    bytes.Streamed = WrittenAsRead(object);
    bytes.Contents.Bytes.clear();
    if (!OpenObjectFile(object, bytes.File, user) ||
        (!bytes.Streamed && !ReadObjectData(object, bytes.File, bytes.Contents.Bytes, user))) {
        ++result.Skipped;
        result.Failed = true;
        return false;
    }
    return true;
}

// Writes the object: from the bytes in memory, or those followed by the rest of its file.
bool WriteObject(TBrelk& card, TBrelk_RawCatalogueEntry& object, const TImportOptions& options,
                 TObjectBytes& bytes) {
    const std::vector<std::uint8_t>& held = bytes.Contents.Bytes;
    if (!bytes.Streamed)
        return card.AddObjectToBrelk(object.Entry, held.data(), options.OverwriteExisting);
    std::size_t given = 0;
    auto source = [&](std::uint8_t* buffer, std::uint32_t count) {
        const std::size_t fromHeld = std::min<std::size_t>(count, held.size() - given);
        std::copy_n(held.data() + given, fromHeld, buffer);
        given += fromHeld;
        return bytes.File.Read(buffer + fromHeld, count - fromHeld);
    };
    return card.AddObjectFromSource(object.Entry, source, options.OverwriteExisting);
}

// Imports one object; Result counts it.
void ImportOne(TBrelk& card, TBrelk_RawCatalogueEntry& object, const TImportOptions& options,
               TImportUser& user, TImportResult& result, TPCFileContents& contents) {
    TObjectBytes bytes{{}, contents};
    if (object.Analysed ? !ReadAnalysedObject(object, user, bytes, result)
                        : !AnalyseForImport(object, options, user, bytes, result))
        return;
    object.Entry.SetSize(object.DataSize);
    std::vector<std::uint8_t>& data = contents.Bytes;
    if (!bytes.Streamed && !object.Raw && object.Entry.Type() == kTypeImage)
        ConvertPendingData(object, data);
    SettleSize(object, bytes.Streamed ? bytes.File.Size() : std::uint32_t(data.size()));
    switch (DecideWrite(card, object, options, user)) {
    case TWriteDecision::Write:
        break;
    case TWriteDecision::Skip:
        ++result.Skipped;
        return;
    case TWriteDecision::Stop:
        ++result.Skipped;
        result.Stopped = true;
        return;
    }
    if (WriteObject(card, object, options, bytes)) {
        ++result.Written;
        user.ObjectAdded(object);
    } else if (bytes.File.Failed()) {
        ShowReadError(object, user, false);
        ++result.Skipped;
        result.Failed = true;
    } else if (card.WritesStopped()) {
        // The card's own error was reported where it happened; the card is not full.
        result.Stopped = true;
        result.Failed = true;
    } else {
        user.ShowError("Could not add '" + object.Entry.Name() + "' to Brelk - Brelk full?");
        result.Stopped = true;
        result.Failed = true;
    }
}

} // namespace

std::string OverwriteQuestionText(const std::string& name) {
    return "The object '" + name + "' will be overwritten.\r\rPress YES to overwrite this object " +
           "or\rpress NO to skip this object or\rpress CANCEL to stop importing completely.";
}

void ConvertPendingData(TBrelk_RawCatalogueEntry& object, std::vector<std::uint8_t>& data) {
    if (object.Raw || object.Entry.Type() != kTypeImage)
        return;
    if (object.Entry.Subtype() == kSubtypeDFS)
        ConvertDisc(object, data);
    else if (object.Entry.Subtype() == kSubtypeTape)
        ConvertTape(data);
    else
        return;
    object.DataSize = std::uint32_t(data.size());
    object.Entry.SetSize(object.DataSize);
}

TImportResult ImportPendingObjects(TBrelk& card, TPendingObjects& list,
                                   const TImportOptions& options, TImportUser& user,
                                   TJobProgress* progress) {
    return ImportPendingObjectsEach(
        card, list, [&options](const TBrelk_RawCatalogueEntry&) { return options; }, user,
        progress);
}

TImportResult ImportPendingObjectsEach(TBrelk& card, TPendingObjects& list,
                                       const TImportOptionsFor& optionsFor, TImportUser& user,
                                       TJobProgress* progress) {
    TImportResult result;
    if (progress != nullptr)
        progress->Begin("Adding files to Brelk...");
    {
        TBulkTransfer bulk(card);
        TPCFileContents contents; // one buffer for every object
        for (std::size_t i = 0; i < list.size() && !result.Stopped; ++i) {
            // An object not analysed yet has no name: its file's stands for it.
            const std::string name =
                list[i]->Analysed ? NameText(list[i]->Entry.Name())
                                  : std::filesystem::path(list[i]->FileName).filename().string();
            if (progress != nullptr && progress->Report(i + 1, list.size(), "Adding " + name))
                result.Stopped = true;
            // The report lets the window run; should the list have shrunk meanwhile (it must
            // not), nothing that is gone is used.
            if (i >= list.size())
                break;
            ImportOne(card, *list[i], optionsFor(*list[i]), user, result, contents);
        }
    }
    if (progress != nullptr)
        progress->End();
    return result;
}

} // namespace brelk
