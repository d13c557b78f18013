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

void ShowReadError(const TBrelk_RawCatalogueEntry& object, TJobUser& user, bool changed) {
    user.Notify(TNotice::Error, "Could not read file '" + object.FileName +
                                    (changed ? "': it has changed since it was analysed." : "'.") +
                                    " It was skipped.");
}

// Opens Object's file again; false, with a message shown, when it cannot be read as it was
// analysed. Its length is checked before anything is read.
bool OpenObjectFile(const TBrelk_RawCatalogueEntry& object, TPCFileReader& file, TJobUser& user) {
    // A restore reads the image files of its own folder: a link there is never followed.
    const TPCFileStatus status = file.Open(object.FileName, !object.Raw);
    if (status != TPCFileStatus::Ok || file.Size() != object.FileSize) {
        ShowReadError(object, user, status == TPCFileStatus::Ok);
        return false;
    }
    if (file.Size() == 0) {
        user.Notify(TNotice::Error, "The file '" + object.FileName + "' is empty. It was skipped.");
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
                    std::vector<std::uint8_t>& data, TJobUser& user) {
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
            user.Notify(TNotice::Error,
                        "Could not unpack file '" + object.FileName + "'. It was skipped.");
            return false;
        }
        data = std::move(unpacked);
    }
    if (data.empty()) {
        user.Notify(TNotice::Error, "The file '" + object.FileName + "' is empty. It was skipped.");
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

// The overwrite question, asked unless an earlier All answered it for the rest of the import.
TWriteDecision DecideWrite(const TBrelk& card, const TBrelk_RawCatalogueEntry& object,
                           const TImportOptions& options, TJobUser& user, bool& overwriteAll) {
    if (!options.OverwriteExisting || !options.AskBeforeOverwrite || overwriteAll ||
        !card.ObjectExists(object.Entry))
        return TWriteDecision::Write;
    switch (user.Ask(query::TOverwrite{object.Entry.Name()})) {
    case TAnswer::All:
        overwriteAll = true;
        return TWriteDecision::Write;
    case TAnswer::Yes:
        return TWriteDecision::Write;
    case TAnswer::No:
        return TWriteDecision::Skip;
    case TAnswer::Cancel:
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

// An object that came unanalysed, Row of the list: analysed from the bytes read for it. False
// when it is dropped (counted in Result); one without a name is asked about, and a no to
// leaving it out stops the import.
bool AnalyseForImport(TBrelk_RawCatalogueEntry& object, std::size_t row,
                      const TImportOptions& options, TJobUser& user, TObjectBytes& bytes,
                      TImportResult& result) {
    const bool analysed = AnalysePendingObject(object, options, user, bytes.File, bytes.Contents);
    if (analysed && object.Entry.Name().empty() &&
        !Agreed(user.Ask(query::TNameMissing{row, object.FileName})))
        result.Stopped = true;
    if (!analysed || object.Entry.Name().empty() ||
        (options.AcceptAnalysed && !options.AcceptAnalysed(object))) {
        ++result.Dropped;
        return false;
    }
    bytes.Streamed = bytes.Contents.HeadOnly;
    return true;
}

// An object analysed before: its file opened and read again, and checked against what the
// analysis found.
bool ReadAnalysedObject(const TBrelk_RawCatalogueEntry& object, TJobUser& user, TObjectBytes& bytes,
                        TImportResult& result) {
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

// What the import loop keeps from object to object.
struct TImportLoop {
    TBrelk& Card;
    TJobUser& User;
    TImportResult Result;
    TPCFileContents Contents; // one buffer for every object
    bool OverwriteAll = false;
};

// Imports the object at Row; the loop's Result counts it.
void ImportOne(TImportLoop& loop, TBrelk_RawCatalogueEntry& object, std::size_t row,
               const TImportOptions& options) {
    TBrelk& card = loop.Card;
    TJobUser& user = loop.User;
    TImportResult& result = loop.Result;
    TPCFileContents& contents = loop.Contents;
    TObjectBytes bytes{{}, contents};
    if (object.Analysed ? !ReadAnalysedObject(object, user, bytes, result)
                        : !AnalyseForImport(object, row, options, user, bytes, result))
        return;
    object.Entry.SetSize(object.DataSize);
    std::vector<std::uint8_t>& data = contents.Bytes;
    if (!bytes.Streamed && !object.Raw && object.Entry.Type() == kTypeImage)
        ConvertPendingData(object, data);
    SettleSize(object, bytes.Streamed ? bytes.File.Size() : std::uint32_t(data.size()));
    switch (DecideWrite(card, object, options, user, loop.OverwriteAll)) {
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
        user.Tell(report::TObjectAdded{&object});
    } else if (bytes.File.Failed()) {
        ShowReadError(object, user, false);
        ++result.Skipped;
        result.Failed = true;
    } else if (card.WritesStopped()) {
        // The card's own error was reported where it happened; the card is not full.
        result.Stopped = true;
        result.Failed = true;
    } else {
        user.Notify(TNotice::Error,
                    "Could not add '" + object.Entry.Name() + "' to Brelk - Brelk full?");
        result.Stopped = true;
        result.Failed = true;
    }
}

} // namespace

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
                                   const TImportOptions& options, TJobUser& user) {
    return ImportPendingObjectsEach(
        card, list, [&options](const TBrelk_RawCatalogueEntry&) { return options; }, user);
}

TImportResult ImportPendingObjectsEach(TBrelk& card, TPendingObjects& list,
                                       const TImportOptionsFor& optionsFor, TJobUser& user) {
    TImportLoop loop{card, user, {}, {}};
    TJobProgress* progress = user.Progress();
    if (progress != nullptr)
        progress->Begin("Adding files to Brelk...");
    {
        TBulkTransfer bulk(card);
        for (std::size_t i = 0; i < list.size() && !loop.Result.Stopped; ++i) {
            // An object not analysed yet has no name: its file's stands for it.
            const std::string name =
                list[i]->Analysed ? NameText(list[i]->Entry.Name())
                                  : std::filesystem::path(list[i]->FileName).filename().string();
            if (progress != nullptr && progress->Report(i + 1, list.size(), "Adding " + name))
                loop.Result.Stopped = true;
            // The report lets the window run; should the list have shrunk meanwhile (it must
            // not), nothing that is gone is used.
            if (i >= list.size())
                break;
            ImportOne(loop, *list[i], i, optionsFor(*list[i]));
        }
    }
    if (progress != nullptr)
        progress->End();
    return loop.Result;
}

} // namespace brelk
