#include "card/CatEntry.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace brelk {

namespace {

// Blocks of records that are never given back (at most the largest catalogue held at once),
// and the records free in them, linked through their own storage.
class TRecordPool {
  public:
    void* Take() {
        std::lock_guard lock(Mutex);
        if (!Free) {
            // Not zeroed: the loop below writes every slot, and a record is built in place.
            Blocks.push_back(std::make_unique_for_overwrite<TSlot[]>(kBlockRecords));
            for (std::size_t i = 0; i < kBlockRecords; ++i)
                Give(&Blocks.back()[i]);
        }
        TSlot* slot = Free;
        Free = slot->Next;
        return slot;
    }
    void Return(void* record) {
        std::lock_guard lock(Mutex);
        Give(static_cast<TSlot*>(record));
    }

  private:
    union TSlot {
        TSlot* Next;
        alignas(TBrelkCatEntry) unsigned char Record[sizeof(TBrelkCatEntry)];
    };
    static constexpr std::size_t kBlockRecords = 4096;
    void Give(TSlot* slot) {
        slot->Next = Free;
        Free = slot;
    }
    std::mutex Mutex;
    std::vector<std::unique_ptr<TSlot[]>> Blocks;
    TSlot* Free = nullptr;
};

TRecordPool& RecordPool() {
    static TRecordPool* pool = new TRecordPool; // outlives every static record
    return *pool;
}

} // namespace

// Sanitizer builds allocate each record on its own, so that a record used after its removal
// is still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooledRecords = false;
#else
constexpr bool kPooledRecords = true;
#endif

void* TBrelkCatEntry::operator new(std::size_t size) {
    return kPooledRecords && size == sizeof(TBrelkCatEntry) ? RecordPool().Take()
                                                            : ::operator new(size);
}

void TBrelkCatEntry::operator delete(void* record, std::size_t size) noexcept {
    if (kPooledRecords && size == sizeof(TBrelkCatEntry))
        RecordPool().Return(record);
    else
        ::operator delete(record);
}

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
        if (u < 0x20 || u == 0x7F || u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 ||
            u == 0x9D || u == 0xA0 || u == 0xAD) {
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
    if (ta < 100 && sa < 100 && tb < 100 && sb < 100) {
        // Numbers below 100 right-aligned in two characters compare as numbers.
        if (ta != tb)
            return ta < tb ? -1 : 1;
        if (sa != sb)
            return sa < sb ? -1 : 1;
        // A name ends at its first NUL, the smallest byte there is: comparing up to it puts a
        // name before every longer name that begins with it.
        for (std::size_t i = 16; i < 16 + kNameLength; ++i) {
            const unsigned char x = FoldUpper(char(a.Bytes[i])), y = FoldUpper(char(b.Bytes[i]));
            if (x != y)
                return x < y ? -1 : 1;
            if (x == 0)
                return 0;
        }
        return 0;
    }
    char keyA[64], keyB[64];
    const std::size_t lenA = SortKey(a, keyA), lenB = SortKey(b, keyB);
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
