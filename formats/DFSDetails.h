// The texts of the details view for DFS discs and for any object's first bytes, as lines
// without line ends, shared by the window and brelk.
#pragma once

#include "formats/AcornDFS.h"
#include "formats/DFSSideWalk.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brelk {

inline constexpr const char* kHexviewTabLabel = "[Hexview]";

// The rows of the hex view for the Count bytes read from the start of an object of
// ObjectSize bytes, BytesPerRow bytes a row (0 is taken as the default row width 8), then
// "-EOF-" when the whole object was read. Widths above 256 are taken as 256. Bytes 0x80 to 0xFF
// stand as themselves in the character part; front ends show them as code page 1252
// (CodePage1252Char), so each is a visible character.
std::vector<std::string> HexViewLines(const std::uint8_t* data, std::size_t count,
                                      std::uint32_t objectSize, unsigned bytesPerRow);

// The name of a boot option (*OPT 4): "none", "load", "run" or "exec", of its low two bits.
const char* BootOptionName(std::uint8_t option);

// The catalogue of one side: its head lines, then the heading and one line per file.
std::vector<std::string> DFSSideLines(const TDFSDiscSide& side);

// The lines of a side's catalogue that stand above its files: disc name with cycle and boot
// option, sectors, entry count; for a side without files also an empty line and "This disc
// contains no files.".
std::vector<std::string> DFSSideHeadLines(const TDFSDiscSide& side);

// The tab text of a side: ":" + drive + "." + title, drives 0, 2, 1, 3, "4?" for the sides
// 0 to 4 ("?" for any other index).
std::string DFSSideTabLabel(int sideIndex, const TDFSDiscSide& side);

// The tab texts of a walked disc: one per side, then "[Hexview]".
std::vector<std::string> DFSDiscTabLabels(const TAcornDFSDiscObject& disc);

// The 1-based tab to show: DetailsTab made at least 1 and at most TabCount (TabCount >= 1).
unsigned ChooseDetailsTab(unsigned detailsTab, unsigned tabCount);

} // namespace brelk
