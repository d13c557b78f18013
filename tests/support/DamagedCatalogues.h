// Damaged catalogues made from a sound card's bytes, each as a torn or foreign write leaves
// it, with the plan a repair states for it. The card needs at least four entries, none of the
// first two the lowest object.
#pragma once

#include "card/CatEntry.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace brelktest {

struct TDamagedCatalogue {
    std::string Name;
    std::function<void(std::vector<std::uint8_t>&)> Spoil;
    std::string Plan; // RepairPlanSummary of its repair
};

namespace damage {

inline std::uint8_t* Slot(std::vector<std::uint8_t>& card, std::size_t index) {
    return card.data() + 512 + 64 * index;
}
inline std::uint32_t Count(const std::vector<std::uint8_t>& card) {
    return brelk::GetLE32(&card[16]);
}
inline void Junk(std::uint8_t* at, std::size_t length) {
    std::fill_n(at, length, std::uint8_t(0xAB));
}
// The header's lowest used address as the first Count slots give it.
inline void RightLowest(std::vector<std::uint8_t>& card) {
    std::uint32_t lowest = brelk::GetLE32(&card[20]);
    for (std::size_t i = 0; i < Count(card); ++i)
        lowest = std::min(lowest, brelk::GetLE32(Slot(card, i) + 4) - 512);
    brelk::PutLE32(&card[20], lowest);
}

} // namespace damage

inline std::vector<TDamagedCatalogue> DamagedCatalogues() {
    using namespace damage;
    return {
        {"junk over one entry", [](auto& c) { Junk(Slot(c, 1), 64); },
         "rebuild 1 entry from its object header"},
        {"junk over two entries",
         [](auto& c) {
             Junk(Slot(c, 1), 64);
             Junk(Slot(c, 3), 64);
         },
         "rebuild 2 entries from their object headers"},
        {"junk over the header bytes 0 to 23", [](auto& c) { Junk(c.data(), 24); },
         "write the catalogue header anew"},
        {"the signature overwritten", [](auto& c) { Junk(c.data(), 8); },
         "write the catalogue header anew"},
        {"two entries swapped",
         [](auto& c) { std::swap_ranges(Slot(c, 0), Slot(c, 1), Slot(c, 1)); },
         "write the catalogue again in catalogue order (" + std::string("4 entries)")},
        {"Count too large", [](auto& c) { brelk::PutLE32(&c[16], Count(c) + 2); },
         "drop 2 empty entries"},
        {"Count too small", [](auto& c) { brelk::PutLE32(&c[16], Count(c) - 2); },
         "add back 2 hidden objects from their object headers"},
        {"an entry left behind Count",
         [](auto& c) {
             // Entry 1 moved behind the others and Count lowered: a shrinking write cut short.
             std::vector<std::uint8_t> entry(Slot(c, 1), Slot(c, 2));
             const std::size_t count = Count(c);
             std::copy(Slot(c, 2), Slot(c, count), Slot(c, 1));
             std::copy(entry.begin(), entry.end(), Slot(c, count - 1));
             brelk::PutLE32(&c[16], std::uint32_t(count - 1));
             RightLowest(c);
         },
         "add back 1 hidden object from its object header"},
        {"two entries overlapping",
         [](auto& c) {
             brelk::PutLE32(Slot(c, 2) + 4, brelk::GetLE32(Slot(c, 1) + 4) + 512);
             RightLowest(c);
         },
         "rebuild 1 entry from its object header"},
    };
}

} // namespace brelktest
