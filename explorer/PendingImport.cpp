// Converting a pending object's bytes into the card's form, and the import loop that writes
// the pending list to the card.
#include "explorer/ContentAnalysis.h"
#include "explorer/Gzip.h"
#include "explorer/PCFile.h"
#include "explorer/PendingObjects.h"

#include "card/Brelk.h"
#include "formats/DFSSideWalk.h"
#include "formats/UEF.h"

namespace brelk {

namespace {

void ConvertDisc(TBrelk_RawCatalogueEntry& object, std::vector<std::uint8_t>& data) {
    if (object.ReadAs == TReadAs::DFSInterleaved) {
        std::vector<std::uint8_t> form = DFSCardForm(data, object.ReadAs);
        if (!form.empty())
            data = std::move(form);
    }
    // Every side squashed or expanded; a refused first side leaves the bytes as they are.
    std::vector<std::uint8_t> converted;
    if (object.Squashed ? SquashDiscImage(data, converted) : ExpandDiscImage(data, converted))
        data = std::move(converted);
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

// The bytes that the import writes for Object, read again from its file (and unpacked when
// the analysis unpacked it). False, with a message shown, when they cannot be had as they
// were analysed.
bool ReadObjectData(const TBrelk_RawCatalogueEntry& object, std::vector<std::uint8_t>& data,
                    TImportUser& user) {
    const TPCFileStatus status = ReadWholePCFile(object.FileName, data);
    if (status != TPCFileStatus::Ok || data.size() != object.FileSize) {
        user.ShowError(
            "Could not read file '" + object.FileName +
            (status == TPCFileStatus::Ok ? "': it has changed since it was analysed." : "'.") +
            " It was skipped.");
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

// The entry's Size (and DataSize) for Data: what the conversion left, and never more than
// Data holds.
void SettleSize(TBrelk_RawCatalogueEntry& object, const std::vector<std::uint8_t>& data) {
    std::uint32_t size = std::uint32_t(data.size());
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

// Imports one object; Result counts it.
void ImportOne(TBrelk& card, TBrelk_RawCatalogueEntry& object, const TImportOptions& options,
               TImportUser& user, TImportResult& result) {
    std::vector<std::uint8_t> data;
    if (!ReadObjectData(object, data, user)) {
        ++result.Skipped;
        result.Failed = true;
        return;
    }
    object.Entry.SetSize(object.DataSize);
    if (!object.Raw && object.Entry.Type() == kTypeImage)
        ConvertPendingData(object, data);
    SettleSize(object, data);
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
    if (!card.AddObjectToBrelk(object.Entry, data.data(), options.OverwriteExisting)) {
        user.ShowError("Could not add '" + object.Entry.Name() + "' to Brelk - Brelk full?");
        result.Stopped = true;
        result.Failed = true;
        return;
    }
    ++result.Written;
    user.ObjectAdded(object);
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
                                   TImportProgress* progress) {
    TImportResult result;
    if (progress != nullptr)
        progress->Begin("Adding files to Brelk...");
    {
        TBulkTransfer bulk(card);
        for (std::size_t i = 0; i < list.size() && !result.Stopped; ++i) {
            const std::string name = list[i]->Entry.Name();
            if (progress != nullptr &&
                progress->Report(float(i + 1) / float(list.size()) * 100.0f, "Adding " + name))
                result.Stopped = true;
            // The report lets the window run; should the list have shrunk meanwhile (it must
            // not), nothing that is gone is used.
            if (i >= list.size())
                break;
            ImportOne(card, *list[i], options, user, result);
        }
    }
    if (progress != nullptr)
        progress->End();
    return result;
}

} // namespace brelk
