#include "card/CatEntry.h"

#include <algorithm>
#include <cstring>

namespace brelk {

std::string TBrelkCatEntry::Name() const {
    const char* name = reinterpret_cast<const char*>(&Bytes[16]);
    return std::string(name, strnlen(name, kNameLength));
}

void TBrelkCatEntry::SetName(std::string_view name) {
    std::fill(Bytes.begin() + 16, Bytes.end(), 0);
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), kNameLength), Bytes.begin() + 16);
}

std::string VisibleName(std::string_view text) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0)) {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

char FoldUpper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// Appends Value in decimal, right-aligned in two characters (wider when it needs more).
std::size_t PutNumber(char* key, unsigned value) {
    char digits[4];
    std::size_t n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    std::size_t len = 0;
    if (n < 2)
        key[len++] = ' ';
    while (n > 0)
        key[len++] = digits[--n];
    return len;
}

// Writes the sort key (type and subtype right-aligned in two characters, then the name)
// into Key and returns its length.
std::size_t SortKey(const TBrelkCatEntry& entry, char (&key)[64]) {
    std::size_t len = PutNumber(key, entry.Type());
    len += PutNumber(key + len, entry.Subtype());
    const char* name = reinterpret_cast<const char*>(&entry.Bytes[16]);
    std::size_t nameLength = strnlen(name, kNameLength);
    std::memcpy(key + len, name, nameLength);
    return len + nameLength;
}

} // namespace

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldUpper(x) == FoldUpper(y);
           });
}

std::string NameKey(std::string_view name) {
    std::string key(name);
    for (char& c : key)
        c = FoldUpper(c);
    return key;
}

int CompareCatEntries(const TBrelkCatEntry& a, const TBrelkCatEntry& b) {
    const unsigned ta = a.Type(), sa = a.Subtype(), tb = b.Type(), sb = b.Subtype();
    char keyA[64], keyB[64];
    std::size_t lenA, lenB;
    const char *pa, *pb;
    if (ta < 100 && sa < 100 && tb < 100 && sb < 100) {
        // Numbers below 100 right-aligned in two characters compare as numbers.
        if (ta != tb)
            return ta < tb ? -1 : 1;
        if (sa != sb)
            return sa < sb ? -1 : 1;
        pa = reinterpret_cast<const char*>(&a.Bytes[16]);
        pb = reinterpret_cast<const char*>(&b.Bytes[16]);
        lenA = strnlen(pa, kNameLength);
        lenB = strnlen(pb, kNameLength);
    } else {
        lenA = SortKey(a, keyA);
        lenB = SortKey(b, keyB);
        pa = keyA;
        pb = keyB;
    }
    for (std::size_t i = 0; i < std::min(lenA, lenB); ++i) {
        unsigned char x = FoldUpper(pa[i]), y = FoldUpper(pb[i]);
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
