#include "card/CardRecord.h"

#include "card/CardJournal.h"
#include "card/SysCalls.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

namespace brelk {

namespace {

constexpr std::array<char, 8> kMarkerMagic = {'B', 'r', 'e', 'l', 'k', 'R', 'c', 'v'};
// Magic, ID, address and length, then 4 reserved bytes: the hash covers these 32 bytes.
constexpr std::size_t kMarkerHashed = 32;

} // namespace

std::optional<TRecordMarker> ReadRecordMarker(const std::uint8_t* header) {
    const std::uint8_t* at = header + kRecordMarkerOffset;
    if (!std::equal(kMarkerMagic.begin(), kMarkerMagic.end(), at) ||
        JournalHash(at, kMarkerHashed) != GetLE64(at + kMarkerHashed))
        return std::nullopt;
    TRecordMarker marker{GetLE64(at + 8), GetLE64(at + 16), GetLE32(at + 24)};
    if (marker.CardId == 0)
        return std::nullopt;
    return marker;
}

void PutRecordMarker(std::uint8_t* header, const TRecordMarker& marker) {
    std::uint8_t* at = header + kRecordMarkerOffset;
    std::fill_n(at, kRecordMarkerSize, 0);
    std::copy(kMarkerMagic.begin(), kMarkerMagic.end(), at);
    PutLE64(at + 8, marker.CardId);
    PutLE64(at + 16, marker.Address);
    PutLE32(at + 24, marker.Length);
    PutLE64(at + kMarkerHashed, JournalHash(at, kMarkerHashed));
}

std::uint64_t TSysCalls::NewCardId() {
    std::random_device random;
    std::uint64_t id = 0;
    while (id == 0)
        id = std::uint64_t(random()) << 32 ^ random();
    return id;
}

std::string CardIdKey(std::uint64_t cardId, std::uint64_t cardSize) {
    char text[48];
    std::snprintf(text, sizeof text, "id-%016llx-%llu", static_cast<unsigned long long>(cardId),
                  static_cast<unsigned long long>(cardSize));
    return text;
}

std::optional<std::uint64_t> PlaceForRecord(const std::vector<TFreeSpan>& newFree,
                                            const std::vector<TFreeSpan>& oldFree,
                                            std::uint64_t length, std::uint32_t block) {
    const std::uint64_t size = block == 0 ? length : (length + block - 1) / block * block;
    auto a = newFree.begin();
    auto b = oldFree.begin();
    while (a != newFree.end() && b != oldFree.end()) {
        const std::uint64_t first = std::max(a->first, b->first);
        const std::uint64_t end = std::min(a->second, b->second);
        if (first < end && end - first >= size)
            return first;
        if (a->second < b->second)
            ++a;
        else
            ++b;
    }
    return std::nullopt;
}

std::vector<TFreeSpan> GapsBetween(const std::vector<std::pair<std::int64_t, std::int64_t>>& taken,
                                   std::uint64_t first, std::uint64_t end) {
    std::vector<TFreeSpan> gaps;
    std::int64_t at = std::int64_t(first);
    for (const auto& [start, stop] : taken) {
        if (start > at)
            gaps.emplace_back(std::uint64_t(at),
                              std::uint64_t(std::min<std::int64_t>(start, std::int64_t(end))));
        at = std::max(at, stop);
        if (at >= std::int64_t(end))
            break;
    }
    if (at < std::int64_t(end))
        gaps.emplace_back(std::uint64_t(at), end);
    std::erase_if(gaps, [](const TFreeSpan& gap) { return gap.first >= gap.second; });
    return gaps;
}

} // namespace brelk
