#include "explorer/CardJobs.h"

#include "card/ForeignContents.h"
#include "explorer/ForeignMedia.h"
#include "explorer/NameText.h"
#include "explorer/ObjectOps.h"
#include "explorer/ObjectTransfer.h"
#include "explorer/SafeWrite.h"

#include "card/DurableFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace brelk {

namespace {

const TBrelkCatEntry* FirstDeleted(const std::vector<const TBrelkCatEntry*>& entries) {
    for (const TBrelkCatEntry* entry : entries)
        if (entry->Type() == kTypeDeleted)
            return entry;
    return nullptr;
}

TOperationProgress StopAsked(TJobProgress* progress) {
    if (!progress)
        return {};
    return [progress](std::size_t done, std::size_t total) {
        return progress->Report(done, total, std::string());
    };
}

} // namespace

TDeleteResult DeleteObjectsJob(TBrelk& card, const std::vector<const TBrelkCatEntry*>& entries,
                               bool permanent, TJobUser& user) {
    TDeleteResult result;
    if (permanent) {
        result.Removed = card.DeleteCatEntries(entries);
        return result;
    }
    if (const TBrelkCatEntry* deleted = FirstDeleted(entries);
        deleted && !Agreed(user.Ask(query::TDeletedAlready{NameText(deleted->Name())}))) {
        result.Refused = true;
        return result;
    }
    TMoveToDeletedResult moved = MoveToDeletedObjects(card, entries, StopAsked(user.Progress()));
    result.Moved = std::move(moved.Moved);
    result.HeaderFailures = std::move(moved.HeaderFailures);
    result.Cancelled = moved.Cancelled;
    return result;
}

std::size_t RemoveDeletedJob(TBrelk& card) {
    return RemoveDeletedObjects(card);
}

TPutResult PutObjectJob(TBrelk& card, TBrelkCatEntry& entry, const TDataSource& source,
                        bool replace) {
    if (!replace && card.ObjectExists(entry))
        return TPutResult::Exists;
    return card.AddObjectFromSource(entry, source, replace) ? TPutResult::Added
                                                            : TPutResult::NotAdded;
}

TPutResult PutObjectJob(TBrelk& card, TBrelkCatEntry& entry, const std::vector<std::uint8_t>& data,
                        bool replace) {
    if (!replace && card.ObjectExists(entry))
        return TPutResult::Exists;
    return card.AddObjectToBrelk(entry, data.data(), replace) ? TPutResult::Added
                                                              : TPutResult::NotAdded;
}

TFormatResult FormatCardJob(TBrelk& card, TJobUser& user) {
    if (!card.State().DeviceOK || card.Window().Size == 0)
        return TFormatResult::SizeUnknown;
    std::vector<std::uint8_t> start(kForeignContentsBytes);
    if (!card.ReadMMC(start.data(), 0, std::uint32_t(start.size())))
        return TFormatResult::ReadFailed;
    query::TLoseObjects lose;
    lose.Catalogue = card.State().CatalogueValid;
    lose.Count = lose.Catalogue ? card.Entries().size() : 0;
    lose.Foreign = ForeignMedia(start);
    if (!Agreed(user.Ask(lose)))
        return TFormatResult::Declined;
    return card.FormatMMC() ? TFormatResult::Formatted : TFormatResult::FormatFailed;
}

namespace {

TCopyResult CopyStored(TBrelk& card, const TBrelkCatEntry& entry, const TByteSink& write) {
    const TCacheBuffer buffer = AllocatePageAligned(kTransferPiece);
    if (!buffer)
        return TCopyResult::NoMemory;
    // The card stays open for all pieces (when it cannot be held, each read opens it).
    const bool held = card.StartBulktransfer();
    TCopyResult result = TCopyResult::Done;
    for (std::uint64_t done = 0; done < entry.Size() && result == TCopyResult::Done;) {
        const auto n = std::uint32_t(std::min<std::uint64_t>(kTransferPiece, entry.Size() - done));
        if (!card.ReadMMC(buffer.get(), std::uint32_t(entry.Address() + done), n))
            result = TCopyResult::ReadFailed;
        else if (!write(buffer.get(), n))
            result = TCopyResult::WriteFailed;
        done += n;
    }
    if (held)
        card.StopBulktransfer();
    return result;
}

} // namespace

TCopyResult CopyObjectInForm(TBrelk& card, const TBrelkCatEntry& entry, TFileForm form,
                             const TByteSink& write) {
    if (!ObjectWithinUsableLimit(card, entry))
        return TCopyResult::PastCard;
    if (form == TFileForm::Stored)
        return CopyStored(card, entry, write);
    std::vector<std::uint8_t> stored;
    if (!ReadWholeObject(card, entry, stored))
        return TCopyResult::ReadFailed;
    const std::vector<std::uint8_t> file = ObjectInFileForm(std::move(stored), form);
    return write(file.data(), file.size()) ? TCopyResult::Done : TCopyResult::WriteFailed;
}

namespace {

std::string CannotWrite(const std::string& path) {
    return path + ": cannot be written (" + std::strerror(errno) + ")";
}

// Gives the file Fd the permissions of the file Path that it replaces, if there is one.
bool KeepPermissionsOf(const std::string& path, int fd) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return true;
    return ::fchmod(fd, info.st_mode & 07777) == 0;
}

std::string CannotCreate(const std::string& path) {
    return "Could not create file '" + path + "'.";
}

void WriteThroughTemporary(TBrelk& card, const TBrelkCatEntry& entry, const std::string& path,
                           TFileForm form, TSaveOutcome& outcome) {
    std::string temp;
    const int fd = CreateSafeTemporary(path, temp);
    if (fd < 0) {
        outcome = {TSaveResult::CreateFailed, TCopyResult::Done, CannotWrite(path)};
        return;
    }
    outcome.Copy =
        CopyObjectInForm(card, entry, form, [fd](const std::uint8_t* bytes, std::size_t count) {
            return WriteAllTo(fd, bytes, count);
        });
    if (outcome.Copy == TCopyResult::WriteFailed || !KeepPermissionsOf(path, fd) ||
        ::fsync(fd) != 0)
        outcome.Why = CannotWrite(path);
    else if (outcome.Copy == TCopyResult::Done)
        outcome.Why = ReplaceRefusal(path);
    if (outcome.Copy == TCopyResult::Done && outcome.Why.empty() &&
        ::rename(temp.c_str(), path.c_str()) != 0)
        outcome.Why = CannotWrite(path);
    ::close(fd);
    if (outcome.Copy != TCopyResult::Done && outcome.Copy != TCopyResult::WriteFailed)
        outcome.Result = TSaveResult::ReadFailed;
    else if (!outcome.Why.empty())
        outcome.Result = TSaveResult::WriteFailed;
    if (outcome.Result != TSaveResult::Saved)
        ::unlink(temp.c_str());
}

} // namespace

TSaveOutcome SaveObjectJob(TBrelk& card, const TBrelkCatEntry& entry, const std::string& path,
                           TFileForm form, TJobUser& user, TReadOnlyTarget readOnly) {
    TSaveOutcome outcome;
    outcome.Why = ReplaceRefusal(path);
    outcome.ReadOnly =
        outcome.Why.empty() && readOnly == TReadOnlyTarget::Refuse && IsReadOnlyFile(path);
    if (outcome.ReadOnly)
        outcome.Why = CannotCreate(path);
    if (!outcome.Why.empty()) {
        outcome.Result = TSaveResult::CreateFailed;
        return outcome;
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && !Agreed(user.Ask(query::TOverwrite{path}))) {
        outcome.Result = TSaveResult::Declined;
        return outcome;
    }
    WriteThroughTemporary(card, entry, path, form, outcome);
    return outcome;
}

TSaveOutcome SaveObjectJob(TBrelk& card, const TBrelkCatEntry& entry, const std::string& path,
                           TJobUser& user) {
    return SaveObjectJob(card, entry, path, FileFormFor(entry, path), user);
}

} // namespace brelk
