// Double-sided DFS images that hold their two sides track by track (the .dsd layout): track t
// of side s lies at (2t + s) x 2560. How such a file is recognised, and its sides taken apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brelk {

inline constexpr std::size_t kDFSTrackBytes = 2560;

// How a DFS image file lays out its sides.
enum class TDFSLayout {
    Flat,        // one side, or sides back to back
    Interleaved, // two sides, track by track
};

struct TDFSLayoutGuess {
    TDFSLayout Layout = TDFSLayout::Flat;
    bool Side1HasCatalogue = false; // interleaved: the second side passes the DFS test
    std::string Why;                // interleaved: what decided it
    std::string Side1Refusal;       // interleaved: why the second side is not kept
};

// The layout of Size bytes whose first side passes the DFS test. Interleaved when the flat
// side walk finds no second side and either the 1024 bytes at offset 2560 pass the DFS test
// with the same sector count as side 0, or NamedDsd (the file name ends in ".dsd").
TDFSLayoutGuess GuessDFSLayout(const std::uint8_t* data, std::size_t size, bool namedDsd);

// Whether Path ends in ".dsd", in any letter case.
bool HasDsdExtension(const std::string& path);

// Takes the two sides of an interleaved image apart. A last track cut short stays short.
void SplitInterleavedSides(const std::uint8_t* data, std::size_t size,
                           std::vector<std::uint8_t>& side0, std::vector<std::uint8_t>& side1);

// The reverse of SplitInterleavedSides: the two sides laid track by track. Both sides are
// first made as long as the longer one, in whole tracks (zero-padded), so that every track
// of either side lies at (2t + s) x 2560 and the file ends on a whole track pair.
std::vector<std::uint8_t> InterleaveDFSSides(std::span<const std::uint8_t> side0,
                                             std::span<const std::uint8_t> side1);

// The card's form of a DFS disc (its sides back to back) as an interleaved image: side 0 and
// side 1 as the side walk finds them, each as long as its catalogue's sector count says (cut
// where the bytes end), a lone side with an empty second side. Empty when side 0 is refused
// or the walk finds more sides than an interleaved image holds.
std::vector<std::uint8_t> InterleaveDFSCardForm(std::span<const std::uint8_t> cardForm);

// The card's form of an interleaved image: side 0 made exactly as long as its catalogue's
// sector count says (zero-padded or cut), followed by side 1 when it passes the DFS test (cut
// to its own sector count). Empty when side 0 is refused. PresentBytes (when given) receives
// how many of the result's bytes came from the file rather than from padding, Side0Present
// how many of side 0's.
std::vector<std::uint8_t> DeinterleaveDFSImage(const std::uint8_t* data, std::size_t size,
                                               std::size_t* presentBytes = nullptr,
                                               std::size_t* side0Present = nullptr);

} // namespace brelk
