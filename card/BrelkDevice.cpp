// TBrelk: the device bracket, geometry, initialisation and bulk transfer.
#include "card/Brelk.h"

#include <cstdint>
#include <cstdlib>

namespace brelk {

namespace {
constexpr std::size_t kPageSize = 4096;
}

void TPageAlignedFree::operator()(std::uint8_t* buffer) const {
    std::free(buffer);
}

TCacheBuffer AllocatePageAligned(std::size_t size) {
    const std::size_t rounded = (size + kPageSize - 1) / kPageSize * kPageSize;
    return TCacheBuffer(static_cast<std::uint8_t*>(std::aligned_alloc(kPageSize, rounded)));
}

TBrelk::TBrelk(TBrelkReporter& reporter, TSysCalls& calls)
    : Reporter(reporter), Device(calls), Lock(calls) {}

TCardState TBrelk::State() const {
    TCardState state;
    state.BytesPerSector = BytesPerSector;
    state.CardSize = CardSize;
    state.SafetyZone = SafetyZone;
    state.DeviceOK = DeviceOK;
    state.CatalogueValid = CatalogueValid;
    state.CatalogueModified = CatalogueModified;
    return state;
}

TCacheWindow TBrelk::Window() const {
    return {CacheStart, CacheSize, CacheFill, DirtyLow, DirtyHigh};
}

// Pending changes are written only by an explicit commit (FlushMMCDevice), whose result the
// caller checks; here they are only reported.
TBrelk::~TBrelk() {
    if (HasUnsavedData() && !ReadOnly())
        Reporter.ReportError("Error - Changes to the Brelk-card " + QuotedCard() +
                             " were not written");
    CacheBuffer.reset();
    CloseDevice();
    Lock.Release();
}

void TBrelk::ReportDeviceError(const std::string& what) {
    Reporter.ReportError("Error - " + what + " device " + QuotedCard() + " (" + Device.LastError() +
                         ")");
}

bool TBrelk::OpenDevice(bool& wasOpen) {
    wasOpen = false;
    if (DriveLetter.empty())
        return false;
    if (Device.IsOpen()) {
        wasOpen = true;
        return true;
    }
    // A reader's lock holds the card open for reading already: the device shares it.
    DeviceOK = (ReadOnly() && Device.Share(Lock.Descriptor())) || Device.Open(DriveLetter, Access);
    if (!DeviceOK)
        Reporter.ReportError("Error - Could not open device " + QuotedCard() + " (" +
                             Device.LastError() + ")");
    return DeviceOK;
}

bool TBrelk::CloseDevice() {
    Device.Close();
    return true;
}

bool TBrelk::ReadDeviceGeometry(bool& refused) {
    refused = false;
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false;
    std::uint64_t length = 0;
    DeviceOK = Device.Length(length);
    CardSize = 0;
    BytesPerSector = 0;
    std::uint32_t sector = 0;
    bool ok = DeviceOK && Device.SectorSize(sector) && sector != 0;
    if (ok && (length >= (std::uint64_t(1) << 32) || sector > 65535)) {
        Reporter.ReportError("Error - The device " + QuotedCard() + " holds 4 GiB or more or has " +
                             "a sector size above 65535 bytes; it cannot be used as a Brelk-card");
        DeviceOK = false;
        refused = true;
        ok = false;
    }
    if (ok) {
        BlockDevice = Device.IsBlockDevice();
        BytesPerSector = std::uint16_t(sector);
        CardSize = std::uint32_t(length / sector * sector);
    }
    if (!wasOpen)
        CloseDevice();
    return ok;
}

bool TBrelk::AllocateCache(std::uint32_t cacheBytes) {
    const std::uint64_t size = RoundUpToBlocks(cacheBytes == 0 ? 1 : cacheBytes, BytesPerSector);
    if (size <= UINT32_MAX)
        CacheBuffer = AllocatePageAligned(size);
    if (CacheBuffer) {
        CacheSize = std::uint32_t(size);
        return true;
    }
    // Without a buffer the object reads and writes nothing.
    CacheSize = 0;
    Reporter.ReportError("Could not initialize buffer, out of memory (tried to allocate " +
                         std::to_string(size) + " bytes)");
    return false;
}

bool TBrelk::Initialize(std::uint32_t cacheBytes, const std::string& drive,
                        std::uint32_t safetyZone, TCardAccess access) {
    DriveLetter = drive;
    SafetyZone = safetyZone;
    Access = access;
    if (!DriveLetter.empty() && !Lock.Take(DriveLetter, access)) {
        DeviceOK = false;
        if (Lock.Busy())
            Reporter.ReportError("Error - The Brelk-card " + QuotedCard() +
                                 " is in use by another program (" + Lock.LastError() +
                                 "); try again when it has finished");
        else
            Reporter.ReportError("Error - Could not open device " + QuotedCard() + " (" +
                                 Lock.LastError() + ")");
        return false;
    }
    bool wasOpen;
    if (!OpenDevice(wasOpen))
        return false;
    CacheBuffer.reset();
    CacheSize = 0;
    bool refused = false;
    if (ReadDeviceGeometry(refused))
        AllocateCache(cacheBytes);
    DirtyLow = CacheSize;
    DirtyHigh = 0;
    CacheFill = 0;
    Held.clear();
    if (DeviceOK && CacheSize != 0)
        SettleInterruptedChange();
    CatalogueValid = ReadCatalogueHeader();
    if (const auto marker = ReadRecordMarker(CatalogueHeader.data()))
        CardId = marker->CardId;
    ReadCatalogue();
    // A reader keeps the device open for the objects it reads next (the lock keeps writers
    // away all the while): reading them opens the card no more.
    if (!wasOpen && !ReadOnly())
        CloseDevice();
    return !refused;
}

bool TBrelk::StartBulktransfer() {
    bool wasOpen;
    return OpenDevice(wasOpen);
}

void TBrelk::StopBulktransfer() {
    CloseDevice();
}

std::uint32_t TBrelk::UsableLimit() const {
    return CardSize > SafetyZone ? CardSize - SafetyZone : 0;
}

} // namespace brelk
