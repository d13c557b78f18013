#include "card/CardJournal.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace brelk {

namespace {

constexpr const char* kJournalMagic = "BrelkJournal 1";
constexpr std::size_t kMaxJournalBytes = 512 + 64ull * 65535;

std::size_t BlockCount(std::size_t bytes) {
    return (bytes + kJournalBlock - 1) / kJournalBlock;
}

void PutLE64(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        out.push_back(std::uint8_t(value >> (8 * i)));
}

std::uint64_t GetLE64(const std::uint8_t* at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

// Reads "Key=Number\n" at Pos; false when the line is not that.
bool ReadNumberLine(const std::vector<std::uint8_t>& bytes, std::size_t& pos, const char* key,
                    std::uint64_t& value) {
    const std::size_t keyLength = std::strlen(key);
    const auto end = std::find(bytes.begin() + std::ptrdiff_t(pos), bytes.end(), '\n');
    const std::string line(bytes.begin() + std::ptrdiff_t(pos), end);
    if (end == bytes.end() || line.compare(0, keyLength, key) != 0 || line[keyLength] != '=')
        return false;
    const char* first = line.data() + keyLength + 1;
    const char* last = line.data() + line.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    pos = std::size_t(end - bytes.begin()) + 1;
    return ec == std::errc() && ptr == last && first != last;
}

bool ReadTextLine(const std::vector<std::uint8_t>& bytes, std::size_t& pos, std::string& line) {
    const auto end = std::find(bytes.begin() + std::ptrdiff_t(pos), bytes.end(), '\n');
    if (end == bytes.end())
        return false;
    line.assign(bytes.begin() + std::ptrdiff_t(pos), end);
    pos = std::size_t(end - bytes.begin()) + 1;
    return true;
}

} // namespace

std::uint64_t JournalHash(const std::uint8_t* data, std::size_t count, std::uint64_t seed) {
    std::uint64_t hash = seed;
    for (std::size_t i = 0; i < count; ++i)
        hash = (hash ^ data[i]) * 0x100000001B3ull;
    return hash;
}

TCardJournal MakeCardJournal(std::string card, std::uint64_t cardSize,
                             std::vector<std::uint8_t> old, const std::vector<std::uint8_t>& now) {
    TCardJournal journal{std::move(card), cardSize, std::move(old), {}};
    journal.NewBlocks.reserve(BlockCount(now.size()));
    for (std::size_t at = 0; at < now.size(); at += kJournalBlock)
        journal.NewBlocks.push_back(
            JournalHash(now.data() + at, std::min(kJournalBlock, now.size() - at)));
    return journal;
}

TJournalState CompareWithJournal(const TCardJournal& journal,
                                 const std::vector<std::uint8_t>& onCard) {
    const std::size_t length = journal.Old.size();
    if (onCard.size() < length || journal.NewBlocks.size() != BlockCount(length))
        return TJournalState::Foreign;
    bool anyOld = false, anyNew = false;
    for (std::size_t block = 0; block * kJournalBlock < length; ++block) {
        const std::size_t at = block * kJournalBlock;
        const std::size_t n = std::min(kJournalBlock, length - at);
        const bool isNew = JournalHash(onCard.data() + at, n) == journal.NewBlocks[block];
        const bool isOld =
            std::equal(onCard.begin() + std::ptrdiff_t(at), onCard.begin() + std::ptrdiff_t(at + n),
                       journal.Old.begin() + std::ptrdiff_t(at));
        if (!isNew && !isOld)
            return TJournalState::Foreign;
        // A block the change leaves as it was counts as both.
        anyNew = anyNew || (isNew && !isOld);
        anyOld = anyOld || (isOld && !isNew);
    }
    if (anyNew && anyOld)
        return TJournalState::Torn;
    return anyOld ? TJournalState::Untouched : TJournalState::Finished;
}

std::vector<std::uint8_t> SerializeCardJournal(const TCardJournal& journal) {
    const std::string head = std::string(kJournalMagic) + "\ncard=" + journal.Card +
                             "\nsize=" + std::to_string(journal.CardSize) +
                             "\nbytes=" + std::to_string(journal.Old.size()) + "\n";
    std::vector<std::uint8_t> out(head.begin(), head.end());
    out.insert(out.end(), journal.Old.begin(), journal.Old.end());
    for (std::uint64_t hash : journal.NewBlocks)
        PutLE64(out, hash);
    PutLE64(out, JournalHash(out.data(), out.size()));
    return out;
}

bool ParseCardJournal(const std::vector<std::uint8_t>& bytes, TCardJournal& journal) {
    if (bytes.size() < 8 ||
        JournalHash(bytes.data(), bytes.size() - 8) != GetLE64(&bytes[bytes.size() - 8]))
        return false;
    std::size_t pos = 0;
    std::string magic, card;
    std::uint64_t size = 0, length = 0;
    if (!ReadTextLine(bytes, pos, magic) || magic != kJournalMagic ||
        !ReadTextLine(bytes, pos, card) || card.compare(0, 5, "card=") != 0 ||
        !ReadNumberLine(bytes, pos, "size", size) || !ReadNumberLine(bytes, pos, "bytes", length) ||
        length > kMaxJournalBytes ||
        bytes.size() - pos != length + 8 * BlockCount(std::size_t(length)) + 8)
        return false;
    journal.Card = card.substr(5);
    journal.CardSize = size;
    journal.Old.assign(bytes.begin() + std::ptrdiff_t(pos),
                       bytes.begin() + std::ptrdiff_t(pos + length));
    pos += std::size_t(length);
    journal.NewBlocks.clear();
    for (std::size_t i = 0; i < BlockCount(std::size_t(length)); ++i, pos += 8)
        journal.NewBlocks.push_back(GetLE64(&bytes[pos]));
    return true;
}

} // namespace brelk
