#include "explorer/ForeignMedia.h"

#include "card/CatEntry.h"
#include "card/ForeignContents.h"
#include "formats/ADFS.h"
#include "formats/Classify.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace brelk {

namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view text) {
    return bytes.size() >= text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}

bool HoldsBrelkCatalogue(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kCatalogueMagic.size())
        return false;
    const std::string_view start(reinterpret_cast<const char*>(bytes.data()),
                                 kCatalogueMagic.size());
    return SameName(start, kCatalogueMagic);
}

// The Acorn media, by the same tests that the add dialog uses.
std::string AcornMedia(std::span<const std::uint8_t> bytes) {
    if (LooksLikeADFSOldMap(bytes))
        return "an ADFS disc image";
    TAcornDFSDiscObject disc;
    TUEF tape;
    switch (ClassifyContents(bytes.data(), bytes.size(), disc, tape)) {
    case TContentKind::DFSDisc:
        return "a DFS disc image";
    case TContentKind::Tape:
        return "a UEF tape image";
    case TContentKind::Tool:
        break;
    }
    // A tape that the reader refuses (the bytes after it are the card's, not the file's).
    return StartsWith(bytes, std::string_view("UEF File!", 10)) ? "a UEF tape image" : "";
}

} // namespace

std::string ForeignMedia(std::span<const std::uint8_t> start) {
    if (std::all_of(start.begin(), start.end(), [](std::uint8_t b) { return b == 0; }) ||
        HoldsBrelkCatalogue(start))
        return {};
    if (std::string found = ForeignContents(start.data(), start.size()); !found.empty())
        return found;
    if (std::string found = AcornMedia(start); !found.empty())
        return found;
    if (StartsWith(start, "\x1F\x8B"))
        return "gzip-compressed data";
    return "data";
}

} // namespace brelk
