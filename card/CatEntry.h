// The on-card structures of the Brelk filing system: catalogue entry, free-space record,
// object type codes and the name rules. Every offset here is read by the card interface too.
#pragma once

#include "base/Bytes.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace brelk {

inline constexpr std::uint32_t kCatalogueHeaderSize = 512;
inline constexpr std::uint32_t kCatEntrySize = 64;
inline constexpr std::uint32_t kObjectHeaderSize = 512;
inline constexpr std::uint32_t kNameLength = 48;
inline constexpr std::uint32_t kMaxCatalogueCount = 65535;
inline constexpr std::string_view kCatalogueMagic = "BrelkCat";
inline constexpr std::string_view kObjectMagic = "BrelkEnt";

// Catalogue header field offsets.
inline constexpr std::size_t kHeaderCountOffset = 16;
inline constexpr std::size_t kHeaderLowestOffset = 20;

// Object type codes.
enum : std::uint8_t {
    kTypeDeleted = 0,
    kTypeFilingSystem = 1,
    kTypeTool = 2,
    kTypeImage = 3,
};
// Subtype codes of type 3.
enum : std::uint8_t {
    kSubtypeDFS = 1,
    kSubtypeADFS = 2,
    kSubtypeTape = 3,
};

// One 64-byte catalogue entry, kept as the bytes that are on the card.
struct TBrelkCatEntry {
    std::array<std::uint8_t, kCatEntrySize> Bytes{};

    // Records made one by one (a catalogue holds up to 65,535 of them) come from a pool of
    // large blocks: no allocator call and no heap bookkeeping per record.
    static void* operator new(std::size_t size);
    static void operator delete(void* record, std::size_t size) noexcept;

    std::uint8_t Type() const { return Bytes[0]; }
    std::uint8_t Subtype() const { return Bytes[1]; }
    std::uint32_t Address() const { return GetLE32(&Bytes[4]); }
    std::uint32_t Size() const { return GetLE32(&Bytes[8]); }
    // The name: the text of the 48-byte field up to the first zero byte.
    std::string Name() const;

    void SetType(std::uint8_t type) { Bytes[0] = type; }
    void SetSubtype(std::uint8_t subtype) { Bytes[1] = subtype; }
    void SetAddress(std::uint32_t address) { PutLE32(&Bytes[4], address); }
    void SetSize(std::uint32_t size) { PutLE32(&Bytes[8], size); }
    // Stores the first 48 characters of Name followed by zero bytes.
    void SetName(std::string_view name);

    // Object header address (Address - 512) and end (Address + Size) in 64 bits, so that
    // damaged entries near 0 or 4 GiB never wrap around.
    std::int64_t FootprintStart() const { return std::int64_t(Address()) - kObjectHeaderSize; }
    std::int64_t FootprintEnd() const { return std::int64_t(Address()) + Size(); }
};

// A span of free card space.
struct TBrelkFreeBlock {
    std::uint32_t Start = 0;
    std::uint32_t Length = 0;
    bool operator==(const TBrelkFreeBlock&) const = default;
};

// Names are the same when they are equal with ASCII letters compared without regard to case.
bool SameName(std::string_view a, std::string_view b);
// The name with ASCII letters folded to upper case: two names are the same exactly when their
// keys are equal, so the key can index names.
std::string NameKey(std::string_view name);

// The catalogue order: type, subtype (each right-aligned in two characters) and name,
// compared with ASCII letters folded to upper case. Negative, zero or positive.
int CompareCatEntries(const TBrelkCatEntry& a, const TBrelkCatEntry& b);

// A name from the card with every byte that shows nothing written as \xNN: the control codes
// (0x00 to 0x1F, 0x7F), the five codes that code page 1252 leaves empty, the no-break space and
// the soft hyphen; a backslash becomes two. The rest stays as code page 1252 bytes: the text
// the user sees is this in UTF-8 (NameText in explorer/), and reading the escapes back gives
// the name again.
std::string VisibleName(std::string_view text);

// The object name made from a PC file name: characters outside "!" to "~" removed,
// cut to 48 characters.
std::string SanitizeFilename(std::string_view text);

} // namespace brelk
