// How the numbers of a file inside a disc or tape are written, the same in brelk files and in
// the window's list of files.
#pragma once

#include "explorer/DiscFiles.h"

#include <string>

namespace brelk {

// Upper-case hexadecimal: load and exec with 6 digits on a DFS disc (its addresses are 0x00xxxx
// or 0xFFxxxx), 8 on ADFS discs and tapes; the length with 6; the start sector with 4 on a DFS
// disc and 6 on ADFS, none on a tape. A longer value keeps all its digits.
struct TMediaFileNumbers {
    std::string Load;
    std::string Exec;
    std::string Length;
    std::string Start;
};

TMediaFileNumbers MediaFileNumbers(TMediaKind kind, const TMediaFile& file);

} // namespace brelk
