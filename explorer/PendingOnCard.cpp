// Whether a pending object is on the card already, byte for byte: brelk add leaves such
// files out and the add dialog leaves them unticked.
#include "explorer/PendingObjects.h"

#include "card/Brelk.h"
#include "explorer/ObjectTransfer.h"
#include "explorer/PCFile.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace brelk {

namespace {

constexpr std::uint32_t kComparePiece = 1u << 16;

// Hands out the next Count bytes of the object as the import would write them.
using TPieceSource = std::function<bool(std::uint8_t* buffer, std::uint32_t count)>;

// Whether Entry holds Length bytes from Source followed by the zeros that pad them to
// whole blocks, as the card stores an added object.
bool HoldsBytes(TBrelk& card, const TBrelkCatEntry& entry, std::uint32_t length,
                const TPieceSource& source) {
    if (entry.Size() != RoundUpToBlocks(length, card.State().BytesPerSector) ||
        !ObjectWithinUsableLimit(card, entry))
        return false;
    std::vector<std::uint8_t> mine(kComparePiece), theirs(kComparePiece);
    for (std::uint32_t done = 0; done < entry.Size();) {
        const std::uint32_t n = std::min(kComparePiece, entry.Size() - done);
        const std::uint32_t data = done < length ? std::min(n, length - done) : 0;
        if (data > 0 && !source(mine.data(), data))
            return false;
        std::fill(mine.begin() + data, mine.begin() + n, std::uint8_t(0));
        if (!card.ReadMMC(theirs.data(), entry.Address() + done, n) ||
            std::memcmp(mine.data(), theirs.data(), n) != 0)
            return false;
        done += n;
    }
    return true;
}

// A plain tool goes to the card as its file holds it: compared while the file is read.
bool FileOnCard(TBrelk& card, const TBrelkCatEntry& entry, const std::string& path) {
    TPCFileReader file;
    if (file.Open(path) != TPCFileStatus::Ok)
        return false;
    return HoldsBytes(card, entry, file.Size(), [&file](std::uint8_t* buffer, std::uint32_t n) {
        return file.Read(buffer, n);
    });
}

// Discs, tapes and unpacked files: the bytes converted into the card's form first.
bool ConvertedBytes(const TBrelk_RawCatalogueEntry& object, std::vector<std::uint8_t>& bytes) {
    TPCFileContents contents;
    TPCFileStatus status;
    std::string error;
    if (!LoadPCFileContents(object.FileName, contents, status, error) || contents.HeadOnly)
        return false;
    TBrelk_RawCatalogueEntry copy = object;
    ConvertPendingData(copy, contents.Bytes);
    bytes = std::move(contents.Bytes);
    return !bytes.empty() && bytes.size() <= 0xFFFFFFFFu;
}

bool MemoryOnCard(TBrelk& card, const TBrelkCatEntry& entry,
                  const std::vector<std::uint8_t>& bytes) {
    std::size_t at = 0;
    return HoldsBytes(card, entry, std::uint32_t(bytes.size()),
                      [&](std::uint8_t* buffer, std::uint32_t n) {
                          std::memcpy(buffer, bytes.data() + at, n);
                          at += n;
                          return true;
                      });
}

} // namespace

TObjectsOnCard::TObjectsOnCard(TBrelk& card) : Card(card) {
    for (const auto& entry : card.Entries())
        if (entry->Type() != kTypeDeleted)
            ByName[NameKey(entry->Name())].push_back(entry);
}

bool TObjectsOnCard::Holds(const TBrelk_RawCatalogueEntry& object) {
    const auto it = ByName.find(NameKey(object.Entry.Name()));
    if (it == ByName.end())
        return false;
    // As the import writes it: a plain file's bytes as they are, other bytes converted.
    const bool asRead = !object.Gzip && (object.Raw || object.Entry.Type() != kTypeImage);
    std::vector<std::uint8_t> bytes;
    bool converted = false;
    for (const TBrelkCatEntry* entry : it->second) {
        if (entry->Type() != object.Entry.Type() || entry->Subtype() != object.Entry.Subtype())
            continue;
        if (asRead) {
            if (FileOnCard(Card, *entry, object.FileName))
                return true;
            continue;
        }
        if (!converted && !(converted = ConvertedBytes(object, bytes)))
            return false;
        if (MemoryOnCard(Card, *entry, bytes))
            return true;
    }
    return false;
}

} // namespace brelk
