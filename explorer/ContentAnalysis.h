// What the bytes of a PC file are, with the reasons a user needs: an old-map ADFS floppy
// known by its contents, the DFS test (with the layout of a double-sided image), then the
// tape test, else a tool. The analysis of pending
// objects, brelk inspect and the image commands share it.
#pragma once

#include "explorer/PCFile.h"
#include "explorer/PendingObjects.h"
#include "formats/DFSInterleave.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brelk {

struct TContentAnalysis {
    TReadAs ReadAs = TReadAs::Tool;
    std::string Title; // the DFS title of side 0, the tape's short title, the ADFS root title
    std::uint32_t DataSize = 0; // disc: the bytes of its sides in the file; tape: its blocks
    std::uint8_t DiscSides = 0; // disc: the sides that the card's form keeps
    TDFSLayoutGuess Layout;     // disc: how its sides lie in the file
    std::string Note; // why a disc-like file is a tool, a side not kept, or the ADFS format
};

// Classifies Bytes, the contents of the file Path (whose name decides only the layout of a
// disc and whether a tool gets a note).
TContentAnalysis AnalyseContents(const std::vector<std::uint8_t>& bytes, const std::string& path);

// A plain file of FileLength bytes, too large to be a disc or tape image, of which Head holds
// the first bytes: a tool, with a note when its head looks like a disc or a tape.
TContentAnalysis AnalyseLargeFile(const std::vector<std::uint8_t>& head, std::uint64_t fileLength,
                                  const std::string& path);

// What the contents of a PC file are: AnalyseContents, or AnalyseLargeFile when only the
// head of a large plain file was read.
TContentAnalysis AnalysePCFile(const TPCFileContents& contents, const std::string& path);

// The card's form of the DFS image Bytes read as ReadAs: the sides back to back. A flat image
// is its own form (Bytes themselves, nothing copied); an interleaved one is taken apart into
// Sides, which the result views (empty when its side 0 is refused).
std::span<const std::uint8_t> DFSCardForm(std::span<const std::uint8_t> bytes, TReadAs readAs,
                                          std::vector<std::uint8_t>& sides);

} // namespace brelk
