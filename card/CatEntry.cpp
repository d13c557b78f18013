#include "card/CatEntry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace brelk {

std::uint32_t GetLE32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void PutLE32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(value >> (8 * i));
}

std::string TBrelkCatEntry::Name() const {
    const char* name = reinterpret_cast<const char*>(&Bytes[16]);
    return std::string(name, strnlen(name, kNameLength));
}

void TBrelkCatEntry::SetName(std::string_view name) {
    std::fill(Bytes.begin() + 16, Bytes.end(), 0);
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), kNameLength), Bytes.begin() + 16);
}

namespace {

char FoldUpper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// Writes the sort key (type and subtype right-aligned in two characters, then the name)
// into Key and returns its length.
std::size_t SortKey(const TBrelkCatEntry& entry, char (&key)[64]) {
    int len =
        std::snprintf(key, sizeof key, "%2u%2u", unsigned(entry.Type()), unsigned(entry.Subtype()));
    const char* name = reinterpret_cast<const char*>(&entry.Bytes[16]);
    std::size_t nameLength = strnlen(name, kNameLength);
    std::memcpy(key + len, name, nameLength);
    return std::size_t(len) + nameLength;
}

} // namespace

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldUpper(x) == FoldUpper(y);
           });
}

int CompareCatEntries(const TBrelkCatEntry& a, const TBrelkCatEntry& b) {
    char keyA[64], keyB[64];
    std::size_t lenA = SortKey(a, keyA), lenB = SortKey(b, keyB);
    for (std::size_t i = 0; i < std::min(lenA, lenB); ++i) {
        unsigned char x = FoldUpper(keyA[i]), y = FoldUpper(keyB[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return lenA == lenB ? 0 : (lenA < lenB ? -1 : 1);
}

std::string SanitizeFilename(std::string_view text) {
    std::string result;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x21 && u <= 0x7E)
            result += c;
    }
    if (result.size() > kNameLength)
        result.resize(kNameLength);
    return result;
}

} // namespace brelk
