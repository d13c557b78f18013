#include "explorer/MediaFileNumbers.h"

#include "formats/GlobalStuff.h"

namespace brelk {

TMediaFileNumbers MediaFileNumbers(TMediaKind kind, const TMediaFile& file) {
    const int addressDigits = kind == TMediaKind::DFS ? 6 : 8;
    TMediaFileNumbers numbers{FormatHex(file.Load, addressDigits),
                              FormatHex(file.Exec, addressDigits),
                              FormatHex(file.Length, 6),
                              {}};
    if (kind != TMediaKind::Tape)
        numbers.Start = FormatHex(file.StartSector, kind == TMediaKind::DFS ? 4 : 6);
    return numbers;
}

} // namespace brelk
