#include "formats/Classify.h"

namespace brelk {

TContentKind ClassifyContents(const std::uint8_t* data, std::size_t size, TAcornDFSDiscObject& disc,
                              TUEF& tape) {
    if (disc.AddDiscSide(data, size))
        return TContentKind::DFSDisc;
    if (tape.FetchUEF(data, size))
        return TContentKind::Tape;
    return TContentKind::Tool;
}

} // namespace brelk
