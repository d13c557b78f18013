// Opens arbitrary bytes as a Brelk-card served from memory behind the system-call seam:
// initialisation, the catalogue, the free-space map, the used bytes, the card summary, the
// type text and icon of every entry, and the tape catalogue of tape objects.
//
// Input: 4 parameter bytes (sector size, safety zone, claimed card length, cache size), then
// the first bytes of the card; the rest of the claimed length reads as zeros.
#include "formats/CardInfo.h"
#include "formats/ObjectImages.h"
#include "formats/TapeDetails.h"
#include "formats/UEF.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace brelk;

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

// A card of Length bytes whose first bytes are Bytes; writes land in Bytes or are dropped.
class TMemoryCard : public TSysCalls {
  public:
    std::vector<std::uint8_t> Bytes;
    std::uint64_t Length = 0;
    std::uint32_t Sector = 512;

    int Open(const std::string&) override { return 5; }
    int Close(int) override { return 0; }
    ssize_t PRead(int, void* buffer, std::size_t count, std::uint64_t offset) override {
        if (offset >= Length)
            return 0;
        count = std::size_t(std::min<std::uint64_t>(count, Length - offset));
        auto* dest = static_cast<std::uint8_t*>(buffer);
        std::memset(dest, 0, count);
        if (offset < Bytes.size())
            std::memcpy(dest, Bytes.data() + offset,
                        std::min<std::size_t>(count, Bytes.size() - offset));
        return ssize_t(count);
    }
    ssize_t PWrite(int, const void* buffer, std::size_t count, std::uint64_t offset) override {
        if (offset + count > Length) {
            errno = ENOSPC;
            return -1;
        }
        if (offset < Bytes.size())
            std::memcpy(Bytes.data() + offset, buffer,
                        std::min<std::size_t>(count, Bytes.size() - offset));
        return ssize_t(count);
    }
    int DeviceLength(int, std::uint64_t& length) override {
        length = Length;
        return 0;
    }
    int SectorSize(int, std::uint32_t& size) override {
        size = Sector;
        return 0;
    }
};

class TQuietReporter : public TBrelkReporter {
  public:
    void ReportError(const std::string&) override {}
};

void CheckCardInfo(const TBrelk& card, std::uint32_t zone) {
    for (bool hex : {true, false}) {
        TNumberFormat numbers{hex, "."};
        const std::vector<std::string> lines = CardInfoLines(card, numbers, zone);
        if (!card.DeviceOK) {
            Check(lines.empty(), "no text without a device");
            continue;
        }
        if (!card.CatalogueValid) {
            Check(lines.size() == 1, "physical size alone without a catalogue");
            continue;
        }
        Check(lines.size() == 14 + card.FreeSpaceMap.size(), "summary line count");
        for (std::size_t i = 14; i < lines.size(); ++i)
            Check(lines[i].size() == 30, "free map line width");
    }
}

// What the details view does with an object: its type text, icon and, for a tape, the tape
// catalogue of its first bytes.
void CheckEntries(TBrelk& card) {
    std::vector<std::uint8_t> object;
    for (const auto& entry : card.Catalogue) {
        ObjectTypeText(*entry);
        const int icon = ObjectImageIndex(*entry);
        Check(icon >= 0 && icon < int(ObjectImageTable().size()), "icon index");
        if (entry->Type() != kTypeImage || entry->Subtype() != kSubtypeTape)
            continue;
        object.assign(std::min<std::uint32_t>(entry->Size(), 1 << 16), 0);
        if (card.ReadMMC(object.data(), entry->Address(), std::uint32_t(object.size()))) {
            TUEF tape;
            tape.FetchUEF(object);
            TapeCatalogueLines(tape);
        }
    }
}

const std::uint32_t kSectors[] = {512, 512, 1024, 2048, 4096, 256, 0, 65536};
const std::uint32_t kZones[] = {0, 512, 8192, 65536, 1u << 20, 0xFFFFFFFFu, 100, 8192};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    TMemoryCard device;
    device.Sector = kSectors[data[0] % 8];
    const std::uint32_t zone = kZones[data[1] % 8];
    device.Bytes.assign(data + 4, data + size);
    // Claimed length: the bytes themselves, or the bytes in front of a card of up to 4 GiB.
    const std::uint64_t sizes[] = {device.Bytes.size(), 1u << 20, 64u << 20, 0xFFFFFE00u,
                                   std::uint64_t(1) << 32};
    device.Length = std::max<std::uint64_t>(sizes[data[2] % 5], device.Bytes.size());
    const std::uint32_t cache = 512u << (data[3] % 8);

    TQuietReporter reporter;
    {
        TBrelk card(reporter, device);
        card.Initialize(cache, "memory", zone);
        const std::uint64_t used = card.GetUsedBytes();
        if (card.CatalogueValid)
            Check(used >= card.Catalogue.size() * 512, "used bytes count the object headers");
        std::uint64_t free = 0;
        for (const TBrelkFreeBlock& record : card.FreeSpaceMap) {
            Check(record.Length > 0, "free records hold space");
            Check(std::uint64_t(record.Start) + record.Length <= card.UsableLimit(),
                  "free records below the usable limit");
            free += record.Length;
        }
        Check(free <= card.CardSize, "free space within the card");
        CheckCardInfo(card, zone);
        CheckEntries(card);
    }
    return 0;
}
