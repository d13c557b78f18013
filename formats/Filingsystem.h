// The eleven filing-system ROMs that a Brelk-card can hold, their names and icon families,
// and the subtype rule: ROM n is subtype n in its "Patched" form and n + 80 in its
// "Original" form.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace brelk {

enum class TFilingsystemFamily { DNFS, DFS, ADFS };

struct TFilingsystemRom {
    int Number;                      // 1 to 11
    const char* Machine;             // machine group of the add-objects dialog
    const char* RadioButton;         // its radio button
    const char* Caption;             // the button's caption
    const char* PatchedDescription;  // appended to "Filingsystem" for subtype n
    const char* OriginalDescription; // appended to "Filingsystem" for subtype n + 80
    TFilingsystemFamily Family;
};

inline constexpr int kFilingsystemRomCount = 11;
inline constexpr std::uint8_t kOriginalSubtypeOffset = 80;

// The eleven ROMs in number order.
const std::array<TFilingsystemRom, kFilingsystemRomCount>& FilingsystemRoms();

// The ROM a type-1 subtype stands for, or null for subtypes 0, 12 to 80 and 92 to 255.
const TFilingsystemRom* FilingsystemRomOfSubtype(std::uint8_t subtype);
// Whether Subtype is the "Patched" form (1 to 11).
bool IsPatchedSubtype(std::uint8_t subtype);
// The subtype of ROM n (1 to 11) in the given form; 0 for other numbers.
std::uint8_t FilingsystemSubtype(int rom, bool patched);
// The subtype after the "Patched" check box changed: the other form of the same ROM, or
// Subtype unchanged when it belongs to no ROM.
std::uint8_t WithPatchedForm(std::uint8_t subtype, bool patched);
// The description appended to "Filingsystem" (beginning with a space), empty for no ROM.
std::string FilingsystemDescription(std::uint8_t subtype);
// The icon key ("fs_dfs_patched", "fs_adfs", ...), empty for no ROM.
std::string FilingsystemIconKey(std::uint8_t subtype);

// The ROM handling of the add-objects dialog. IsFilingSystem runs CRC-16/MODBUS over the
// bytes (kept in Checksum) as a hook for recognising ROMs by check value; no check values
// are known, so no file is taken for a ROM by its contents and the answer is false.
class TFilingsystem {
  public:
    bool IsFilingSystem(const std::uint8_t* data, std::size_t size);
    std::uint16_t Checksum = 0;
};

// CRC-16/MODBUS: initial value 0xFFFF, reflected polynomial 0xA001, no final inversion.
std::uint16_t Crc16Modbus(const std::uint8_t* data, std::size_t size);

} // namespace brelk
