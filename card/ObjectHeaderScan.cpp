#include "card/ObjectHeaderScan.h"

#include <algorithm>
#include <cstring>

namespace brelk {

namespace {

constexpr std::int64_t kScanPiece = 1 << 20;

bool KnownType(const TBrelkCatEntry& entry) {
    return entry.Type() <= 3;
}

// Visible characters up to the first zero byte, at least one.
bool VisibleNameField(const TBrelkCatEntry& entry) {
    const std::uint8_t* name = entry.Bytes.data() + 16;
    std::size_t length = 0;
    while (length < 48 && name[length] != 0) {
        if (name[length] < 0x20 || name[length] == 0x7F)
            return false;
        ++length;
    }
    return length > 0;
}

std::uint64_t LengthOf(const TSpan& span) {
    return std::uint64_t(std::max<std::int64_t>(span.second - span.first, 0));
}

std::uint64_t TotalLength(const std::vector<TSearchSpan>& spans) {
    std::uint64_t total = 0;
    for (const auto& span : spans)
        total += LengthOf(span.Headers);
    return total;
}

// Reads one span piece by piece and appends the objects found to Scan.
bool ScanSpan(TBrelk& card, const TSearchSpan& span, std::uint32_t block, THeaderScan& scan,
              const std::function<bool(std::uint64_t)>& searched) {
    const auto [first, end] = span.Headers;
    std::vector<std::uint8_t> piece;
    std::int64_t pieceStart = 0, pieceEnd = 0;
    std::int64_t at =
        std::int64_t(RoundUpToBlocks(std::uint64_t(std::max<std::int64_t>(first, 0)), block));
    while (at + std::int64_t(kObjectHeaderSize) <= end) {
        if (at + std::int64_t(kObjectHeaderSize) > pieceEnd) {
            if (searched(std::uint64_t(at - first)))
                return false;
            pieceStart = at;
            pieceEnd = std::min(end, at + kScanPiece);
            piece.resize(std::size_t(pieceEnd - pieceStart));
            if (!card.ReadMMC(piece.data(), std::uint32_t(pieceStart),
                              std::uint32_t(piece.size()))) {
                scan.Unreadable = true;
                return false;
            }
        }
        const std::uint8_t* header = piece.data() + (at - pieceStart);
        const auto object = PlausibleObjectHeader(header, at, span.Reach, block);
        if (object) {
            scan.Found.push_back(*object);
            at = object->FootprintEnd();
        } else {
            at += block;
        }
    }
    return true;
}

} // namespace

std::optional<TBrelkCatEntry> ObjectHeaderCopy(const std::uint8_t* header, std::int64_t at) {
    if (std::memcmp(header, kObjectMagic.data(), kObjectMagic.size()) != 0)
        return std::nullopt;
    TBrelkCatEntry copy;
    std::copy_n(header + 16, kCatEntrySize, copy.Bytes.begin());
    if (copy.FootprintStart() != at)
        return std::nullopt;
    return copy;
}

std::optional<TBrelkCatEntry> PlausibleObjectHeader(const std::uint8_t* header, std::int64_t at,
                                                    std::int64_t end, std::uint32_t block) {
    auto copy = ObjectHeaderCopy(header, at);
    if (!copy || copy->Size() == 0 || copy->Size() % block != 0 || copy->FootprintEnd() > end ||
        !KnownType(*copy) || !VisibleNameField(*copy))
        return std::nullopt;
    return copy;
}

THeaderScan ScanForObjectHeaders(TBrelk& card, const std::vector<TSearchSpan>& spans,
                                 std::uint32_t block, const TScanProgress& progress) {
    THeaderScan scan;
    const std::uint64_t total = TotalLength(spans);
    for (const auto& span : spans) {
        const auto searched = [&](std::uint64_t inSpan) {
            return progress && progress(scan.Searched + inSpan, total);
        };
        if (!ScanSpan(card, span, block, scan, searched)) {
            scan.Stopped = !scan.Unreadable;
            return scan;
        }
        scan.Searched += LengthOf(span.Headers);
    }
    if (progress)
        progress(total, total);
    return scan;
}

THeaderScan ScanForObjectHeaders(TBrelk& card, const std::vector<TSpan>& spans, std::uint32_t block,
                                 const TScanProgress& progress) {
    std::vector<TSearchSpan> search;
    search.reserve(spans.size());
    for (const auto& span : spans)
        search.push_back({span, span.second});
    return ScanForObjectHeaders(card, search, block, progress);
}

bool HeaderConfirms(TBrelk& card, const TBrelkCatEntry& entry, std::int64_t limit) {
    if (entry.Size() == 0 || entry.FootprintStart() < std::int64_t(kCatalogueHeaderSize) ||
        entry.FootprintEnd() > limit)
        return false;
    std::vector<std::uint8_t> header(kObjectHeaderSize);
    if (!card.ReadMMCBlocks(header.data(), std::uint32_t(entry.FootprintStart()),
                            kObjectHeaderSize) ||
        std::memcmp(header.data(), kObjectMagic.data(), kObjectMagic.size()) != 0)
        return false;
    TBrelkCatEntry copy;
    std::copy_n(header.begin() + 16, kCatEntrySize, copy.Bytes.begin());
    return copy.Address() == entry.Address() && copy.Size() == entry.Size();
}

std::vector<TBrelkCatEntry> ProbeConfirmedEntries(TBrelk& card, std::int64_t limit,
                                                  std::uint32_t block) {
    std::vector<TBrelkCatEntry> entries;
    std::int64_t lowest = limit;
    while (entries.size() < kMaxCatalogueCount) {
        TBrelkCatEntry entry;
        const std::uint64_t at = kCatalogueHeaderSize + entries.size() * kCatEntrySize;
        const auto catalogueEnd = std::int64_t(RoundUpToBlocks(at + kCatEntrySize, block));
        if (!card.ReadMMCBlocks(entry.Bytes.data(), std::uint32_t(at), kCatEntrySize) ||
            !HeaderConfirms(card, entry, limit) ||
            catalogueEnd > std::min(lowest, entry.FootprintStart()))
            break;
        lowest = std::min(lowest, entry.FootprintStart());
        entries.push_back(entry);
    }
    return entries;
}

} // namespace brelk
