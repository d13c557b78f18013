// The table of the eleven filing-system ROMs and the subtype rule.
#include "formats/Filingsystem.h"

#include <array>

namespace brelk {

// The descriptions of ROMs 7 and 11 say "DFS" although they are ADFS ROMs: that is the text
// the program has always shown, and it is kept.
const std::array<TFilingsystemRom, kFilingsystemRomCount>& FilingsystemRoms() {
    using F = TFilingsystemFamily;
    static const std::array<TFilingsystemRom, kFilingsystemRomCount> roms = {{
        {1, "BBC B", "rdbtnFSAcornDNFS120", "Acorn DNFS 1.20", " (BBC B Acorn DNFS 1.20 Patched)",
         " (BBC B Acorn DNFS 1.20 Original)", F::DNFS},
        {2, "BBC B", "rdbtnFSAcornDFS226", "Acorn DFS 2.26", " (BBC B Acorn DFS 2.26 Patched)",
         " (BBC B Acorn DFS 2.26 Original)", F::DFS},
        {3, "BBC B", "rdbtnFSAcornADFS130", "Acorn ADFS 1.30", " (BBC B Acorn ADFS 1.30 Patched)",
         " (BBC B Acorn ADFS 1.30 Original)", F::ADFS},
        {4, "BBC Master", "rdbtnFSAcornDFS224", "Acorn DFS 2.24",
         " (Master Acorn DFS 2.24 Patched)", " (Master Acorn DFS 2.24 Original)", F::DFS},
        {5, "BBC Master", "rdbtnFSAcornADFS150", "Acorn ADFS 1.50",
         " (Master Acorn ADFS 1.50 Patched)", " (Master Acorn ADFS 1.50 Original)", F::ADFS},
        {6, "BBC Master", "rdbtnFSAcornDFS245", "Acorn DFS 2.45",
         " (Master Acorn DFS 2.45 Patched)", " (Master Acorn DFS 2.45 Original)", F::DFS},
        {7, "BBC Master", "rdbtnFSAcornADFS203", "Acorn ADFS 2.03",
         " (Master Acorn DFS 2.03 Patched)", " (Master Acorn DFS 2.03 Original)", F::ADFS},
        {8, "BBC B", "rdbtnFSWatfordDFS144", "Watford DFS 1.44",
         " (BBC B Watford DFS 1.44 Patched)", " (BBC B Watford DFS 1.44 Original)", F::DFS},
        {9, "BBC B", "rdbtnFSACPDFS100", "ACP DFS 1.00", " (BBC B ACP DFS 1.00 Patched)",
         " (BBC B ACP DFS 1.00 Original)", F::DFS},
        {10, "Electron", "rdbtnFSACPDFS220", "ACP DFS 2.20", " (Electron ACP DFS 2.20 Patched)",
         " (Electron ACP DFS 2.20 Original)", F::DFS},
        {11, "Electron", "rdbtnFSAcornADFS100", "Acorn ADFS 1.00",
         " (Electron Acorn DFS 1.00 Patched)", " (Electron Acorn DFS 1.00 Original)", F::ADFS},
    }};
    return roms;
}

bool IsPatchedSubtype(std::uint8_t subtype) {
    return subtype >= 1 && subtype <= kFilingsystemRomCount;
}

const TFilingsystemRom* FilingsystemRomOfSubtype(std::uint8_t subtype) {
    if (IsPatchedSubtype(subtype))
        return &FilingsystemRoms()[subtype - 1];
    if (subtype > kOriginalSubtypeOffset && IsPatchedSubtype(subtype - kOriginalSubtypeOffset))
        return &FilingsystemRoms()[subtype - kOriginalSubtypeOffset - 1];
    return nullptr;
}

std::uint8_t FilingsystemSubtype(int rom, bool patched) {
    if (rom < 1 || rom > kFilingsystemRomCount)
        return 0;
    return std::uint8_t(patched ? rom : rom + kOriginalSubtypeOffset);
}

std::uint8_t WithPatchedForm(std::uint8_t subtype, bool patched) {
    const TFilingsystemRom* rom = FilingsystemRomOfSubtype(subtype);
    return rom ? FilingsystemSubtype(rom->Number, patched) : subtype;
}

std::string FilingsystemDescription(std::uint8_t subtype) {
    const TFilingsystemRom* rom = FilingsystemRomOfSubtype(subtype);
    if (rom == nullptr)
        return "";
    return IsPatchedSubtype(subtype) ? rom->PatchedDescription : rom->OriginalDescription;
}

std::string FilingsystemIconKey(std::uint8_t subtype) {
    const TFilingsystemRom* rom = FilingsystemRomOfSubtype(subtype);
    if (rom == nullptr)
        return "";
    std::string key;
    switch (rom->Family) {
    case TFilingsystemFamily::DNFS:
        key = "fs_dnfs";
        break;
    case TFilingsystemFamily::DFS:
        key = "fs_dfs";
        break;
    case TFilingsystemFamily::ADFS:
        key = "fs_adfs";
        break;
    }
    return IsPatchedSubtype(subtype) ? key + "_patched" : key;
}

namespace {

// The CRC of each byte value, so that the check runs a byte at a time: the analysis runs it
// over every file added.
constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned value = 0; value < 256; ++value) {
        std::uint16_t crc = std::uint16_t(value);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ 0xA001) : std::uint16_t(crc >> 1);
        table[value] = crc;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

} // namespace

std::uint16_t Crc16Modbus(const std::uint8_t* data, std::size_t size) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i)
        crc = std::uint16_t((crc >> 8) ^ kCrcTable[(crc ^ data[i]) & 0xFF]);
    return crc;
}

bool TFilingsystem::IsFilingSystem(const std::uint8_t* data, std::size_t size) {
    Checksum = data ? Crc16Modbus(data, size) : 0xFFFF;
    return false;
}

} // namespace brelk
