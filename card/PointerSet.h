// A set of pointers held in one array (open addressing with linear probing): no allocation
// per member, so a catalogue of 65,535 records is indexed and freed in a few passes.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace brelk {

template <typename T> class TPointerSet {
  public:
    std::size_t size() const { return Count; }

    void clear() {
        Slots.clear();
        Count = 0;
    }

    // Room for N members without growing.
    void reserve(std::size_t n) {
        if (2 * n > Slots.size())
            Rehash(std::bit_ceil(2 * n));
    }

    bool insert(T* member) {
        reserve(Count + 1);
        std::size_t at = Home(member);
        for (; Slots[at]; at = Next(at))
            if (Slots[at] == member)
                return false;
        Slots[at] = member;
        ++Count;
        return true;
    }

    std::size_t count(T* member) const {
        if (Slots.empty())
            return 0;
        for (std::size_t at = Home(member); Slots[at]; at = Next(at))
            if (Slots[at] == member)
                return 1;
        return 0;
    }

    // Removes Member and moves back the members behind it that probing would no longer find.
    bool erase(T* member) {
        if (Slots.empty())
            return false;
        std::size_t hole = Home(member);
        for (; Slots[hole] != member; hole = Next(hole))
            if (!Slots[hole])
                return false;
        for (std::size_t at = Next(hole); Slots[at]; at = Next(at)) {
            const std::size_t home = Home(Slots[at]);
            // The member at At may fill the hole when its home does not lie in (Hole, At].
            if ((at > hole && (home <= hole || home > at)) ||
                (at < hole && home <= hole && home > at)) {
                Slots[hole] = Slots[at];
                hole = at;
            }
        }
        Slots[hole] = nullptr;
        --Count;
        return true;
    }

  private:
    std::size_t Home(T* member) const {
        const auto bits = std::uint64_t(reinterpret_cast<std::uintptr_t>(member));
        return std::size_t((bits >> 4) * 0x9E3779B97F4A7C15ull >> Shift);
    }
    std::size_t Next(std::size_t at) const { return (at + 1) & (Slots.size() - 1); }

    void Rehash(std::size_t capacity) {
        std::vector<T*> old(capacity, nullptr);
        old.swap(Slots);
        Shift = 64 - std::countr_zero(capacity);
        Count = 0;
        for (T* member : old)
            if (member)
                insert(member);
    }

    std::vector<T*> Slots;
    std::size_t Count = 0;
    int Shift = 64;
};

} // namespace brelk
