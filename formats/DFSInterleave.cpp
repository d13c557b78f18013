#include "formats/DFSInterleave.h"

#include "formats/AcornDFS.h"
#include "formats/DFSSideWalk.h"
#include "formats/GlobalStuff.h"

#include <algorithm>

namespace brelk {

namespace {

// The catalogue of the side whose bytes are Data, or false when it is refused.
bool ReadSide(std::span<const std::uint8_t> data, TDFSDiscSide& side, std::string* why) {
    TAcornDFSDiscObject disc;
    if (!disc.AddDiscSide(data)) {
        if (why != nullptr)
            *why = DFSRefusalReason(data);
        return false;
    }
    side = disc.aDiscSides.front();
    return true;
}

std::span<const std::uint8_t> BytesFrom(const std::uint8_t* data, std::size_t size,
                                        std::size_t offset) {
    return offset < size ? std::span<const std::uint8_t>(data + offset, size - offset)
                         : std::span<const std::uint8_t>();
}

} // namespace

bool HasDsdExtension(const std::string& path) {
    return HasExtension(path, ".dsd");
}

TDFSLayoutGuess GuessDFSLayout(const std::uint8_t* data, std::size_t size, bool namedDsd) {
    TDFSLayoutGuess guess;
    TAcornDFSDiscObject flat;
    TDFSDiscSide side0;
    if (!ReadSide(BytesFrom(data, size, 0), side0, nullptr) || WalkDFSSides(flat, data, size) > 1)
        return guess;
    TDFSDiscSide side1;
    std::string side1Why;
    const bool side1Passes =
        size > kDFSTrackBytes && ReadSide(BytesFrom(data, size, kDFSTrackBytes), side1, &side1Why);
    if (side1Passes && side1.SectorCount == side0.SectorCount) {
        guess.Layout = TDFSLayout::Interleaved;
        guess.Side1HasCatalogue = true;
        guess.Why = "interleaved: a second DFS catalogue with the same sector count lies at 2560";
    } else if (namedDsd) {
        guess.Layout = TDFSLayout::Interleaved;
        guess.Side1HasCatalogue = side1Passes;
        guess.Why = "interleaved by its .dsd name";
        if (!side1Passes)
            guess.Side1Refusal =
                size <= kDFSTrackBytes ? "the file holds no second side" : side1Why;
    }
    return guess;
}

void SplitInterleavedSides(const std::uint8_t* data, std::size_t size,
                           std::vector<std::uint8_t>& side0, std::vector<std::uint8_t>& side1) {
    side0.clear();
    side1.clear();
    side0.reserve(size / 2 + kDFSTrackBytes);
    side1.reserve(size / 2 + kDFSTrackBytes);
    for (std::size_t at = 0, track = 0; at < size; at += kDFSTrackBytes, ++track) {
        const std::size_t count = std::min(kDFSTrackBytes, size - at);
        std::vector<std::uint8_t>& side = track % 2 == 0 ? side0 : side1;
        side.insert(side.end(), data + at, data + at + count);
    }
}

std::vector<std::uint8_t> InterleaveDFSSides(std::span<const std::uint8_t> side0,
                                             std::span<const std::uint8_t> side1) {
    const std::size_t longer = std::max(side0.size(), side1.size());
    const std::size_t tracks = (longer + kDFSTrackBytes - 1) / kDFSTrackBytes;
    std::vector<std::uint8_t> image(tracks * 2 * kDFSTrackBytes, 0);
    const std::span<const std::uint8_t> sides[2] = {side0, side1};
    for (std::size_t track = 0; track < tracks; ++track)
        for (std::size_t s = 0; s < 2; ++s) {
            const std::size_t from = track * kDFSTrackBytes;
            if (from >= sides[s].size())
                continue;
            const std::size_t count = std::min(kDFSTrackBytes, sides[s].size() - from);
            std::copy_n(sides[s].begin() + std::ptrdiff_t(from), count,
                        image.begin() + std::ptrdiff_t((2 * track + s) * kDFSTrackBytes));
        }
    return image;
}

std::vector<std::uint8_t> InterleaveDFSCardForm(std::span<const std::uint8_t> cardForm) {
    TAcornDFSDiscObject disc;
    std::vector<std::uint64_t> offsets;
    const int sides = WalkDFSSides(disc, cardForm.data(), cardForm.size(), &offsets);
    if (sides < 1 || sides > 2)
        return {};
    std::span<const std::uint8_t> side[2];
    for (int s = 0; s < sides; ++s) {
        const std::size_t length = std::size_t(disc.aDiscSides[s].SectorCount) * kDFSSectorBytes;
        side[s] = BytesFrom(cardForm.data(), cardForm.size(), offsets[s]);
        side[s] = side[s].first(std::min(length, side[s].size()));
    }
    return InterleaveDFSSides(side[0], side[1]);
}

std::vector<std::uint8_t> DeinterleaveDFSImage(const std::uint8_t* data, std::size_t size,
                                               std::size_t* presentBytes,
                                               std::size_t* side0Present) {
    std::vector<std::uint8_t> side0;
    std::vector<std::uint8_t> side1;
    SplitInterleavedSides(data, size, side0, side1);
    TDFSDiscSide first;
    if (!ReadSide(side0, first, nullptr))
        return {};
    const std::size_t side0Bytes = std::size_t(first.SectorCount) * kDFSSectorBytes;
    std::size_t present = std::min(side0.size(), side0Bytes);
    if (side0Present != nullptr)
        *side0Present = present;
    side0.resize(side0Bytes, 0);
    TDFSDiscSide second;
    if (ReadSide(side1, second, nullptr)) {
        side1.resize(
            std::min<std::size_t>(side1.size(), std::size_t(second.SectorCount) * kDFSSectorBytes));
        side0.insert(side0.end(), side1.begin(), side1.end());
        present += side1.size();
    }
    if (presentBytes != nullptr)
        *presentBytes = present;
    return side0;
}

} // namespace brelk
