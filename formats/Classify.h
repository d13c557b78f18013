// What a PC file is, decided from its contents alone, in one place: the DFS test first, then
// the tape test, else a tool. The add-objects dialog and brelk inspect both use it.
#pragma once

#include "formats/AcornDFS.h"
#include "formats/UEF.h"

#include <cstddef>
#include <cstdint>

namespace brelk {

enum class TContentKind { DFSDisc, Tape, Tool };

// Classifies Size bytes of Data. For a DFS disc, Disc holds the side that was accepted; for a
// tape, Tape holds the tape read. Data is never read past its end (the DFS test sees a file
// shorter than 1024 bytes padded with zero bytes).
TContentKind ClassifyContents(const std::uint8_t* data, std::size_t size, TAcornDFSDiscObject& disc,
                              TUEF& tape);

} // namespace brelk
