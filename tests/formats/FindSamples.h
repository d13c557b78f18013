// The disc objects the find tests search: a DFS disc of two sides and an ADFS disc with a
// subdirectory, each holding a file ELITE among others.
#pragma once

#include "formats/ADFSBuilder.h"
#include "formats/DFSBuilder.h"

namespace findtest {

// Side 0 (10 sectors): $.ELITE (locked, 300 bytes), $.REVS (10 bytes); side 2 (12 sectors):
// B.ALPHA and B.ELITE (5 bytes each). Load &1900, exec &8023.
inline dfstest::TBytes GamesDisc() {
    using dfstest::FileAt;
    const dfstest::TBytes side0 = dfstest::TDFSBuilder(10, 2560)
                                      .Add(FileAt("ELITE", 300, 2, '$', true))
                                      .Add(FileAt("REVS", 10, 4))
                                      .Bytes();
    const dfstest::TBytes side2 = dfstest::TDFSBuilder(12, 3072)
                                      .Add(FileAt("ALPHA", 5, 2, 'B'))
                                      .Add(FileAt("ELITE", 5, 3, 'B'))
                                      .Bytes();
    return dfstest::Concat({side0, side2});
}

// An S disc: $.GAMES.ELITE (40 bytes) and $.README (30 bytes).
inline adfstest::TBytes GamesAdfs() {
    const adfstest::TObject games{"GAMES", 9, 0, true};
    const adfstest::TObject readme{"README", 20, 30};
    const adfstest::TObject elite{"ELITE", 14, 40};
    return adfstest::TADFSBuilder(640)
        .Directory(2, 2, "$", "", {games, readme})
        .Directory(9, 2, "GAMES", "", {elite})
        .Bytes();
}

} // namespace findtest
