#include "card/CardJournal.h"

#include "card/CatEntry.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>

namespace brelk {

namespace {

// Form 3 adds the hashes of each block's pieces; form 2 files, left by the earlier version,
// are still read.
constexpr const char* kJournalMagic = "BrelkJournal 3";
constexpr const char* kJournalMagic2 = "BrelkJournal 2";
constexpr std::size_t kMaxJournalBytes = 512 + 64ull * 65535;

std::size_t BlockCount(std::size_t bytes) {
    return (bytes + kJournalBlock - 1) / kJournalBlock;
}

std::size_t PieceCount(std::size_t bytes) {
    return (bytes + kJournalPiece - 1) / kJournalPiece;
}

// Appends the Count-byte little-endian form of Value to Out.
void AppendLE(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t count) {
    out.resize(out.size() + count);
    PutLE(out.data() + out.size() - count, value, count);
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

// Eight bytes at a time, each word mixed in by a multiply and a rotation, then the length
// and a final avalanche: fast over a catalogue of megabytes, and any change to a block
// changes its hash with overwhelming likelihood.
namespace {

constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;

std::uint64_t MixWord(std::uint64_t hash, std::uint64_t word) {
    return std::rotl((hash ^ word) * kMultiplier, 29);
}

} // namespace

void TJournalHasher::Add(const std::uint8_t* data, std::size_t count) {
    Count += count;
    while (count > 0 && PendingCount > 0) {
        Pending[PendingCount++] = *data++;
        --count;
        if (PendingCount == 8) {
            Hash = MixWord(Hash, GetLE64(Pending));
            PendingCount = 0;
        }
    }
    if (count == 0)
        return; // the input ended inside the pending word
    for (; count >= 8; data += 8, count -= 8)
        Hash = MixWord(Hash, GetLE64(data));
    std::copy_n(data, count, Pending);
    PendingCount = count;
}

std::uint64_t TJournalHasher::Final() const {
    std::uint64_t tail = 0;
    for (std::size_t i = 0; i < PendingCount; ++i)
        tail |= std::uint64_t(Pending[i]) << (8 * i);
    std::uint64_t hash = MixWord(Hash, tail) ^ Count;
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ull;
    return hash ^ (hash >> 33);
}

std::uint64_t JournalHash(const std::uint8_t* data, std::size_t count, std::uint64_t seed) {
    TJournalHasher hasher(seed);
    hasher.Add(data, count);
    return hasher.Final();
}

TJournalView::TJournalView(const TCardJournal& journal)
    : Card(journal.Card), CardSize(journal.CardSize) {
    Runs.reserve(journal.Runs.size());
    for (const TJournalRun& run : journal.Runs)
        Runs.push_back({run.Offset, run.Old, run.NewBlocks, run.NewPieces});
}

TCardJournal OwnedJournal(const TJournalView& view) {
    TCardJournal journal{view.Card, view.CardSize, {}};
    journal.Runs.reserve(view.Runs.size());
    for (const TJournalRunView& run : view.Runs)
        journal.Runs.push_back({run.Offset,
                                {run.Old.begin(), run.Old.end()},
                                {run.NewBlocks.begin(), run.NewBlocks.end()},
                                {run.NewPieces.begin(), run.NewPieces.end()}});
    return journal;
}

std::uint32_t JournalPieceHash(const std::uint8_t* data, std::size_t count) {
    return std::uint32_t(JournalHash(data, count));
}

namespace {

void AddPieceHashes(const std::uint8_t* block, std::size_t count,
                    std::vector<std::uint32_t>& pieces) {
    for (std::size_t at = 0; at < count; at += kJournalPiece)
        pieces.push_back(JournalPieceHash(block + at, std::min(kJournalPiece, count - at)));
}

} // namespace

std::vector<TJournalRunView> ChangedRuns(std::span<const std::uint8_t> card, std::size_t known,
                                         const TNewBytes& now, TNewHashes& hashes) {
    std::vector<TJournalRunView> runs;
    // Where each run's hashes start in Hashes.
    std::vector<std::pair<std::size_t, std::size_t>> first;
    hashes.Blocks.clear();
    hashes.Pieces.clear();
    std::array<std::uint8_t, kJournalBlock> block;
    bool inRun = false;
    for (std::size_t at = 0; at < card.size(); at += kJournalBlock) {
        const std::size_t n = std::min(kJournalBlock, card.size() - at);
        now(at, n, block.data());
        const bool differs =
            at + n > known || !std::equal(block.begin(), block.begin() + std::ptrdiff_t(n),
                                          card.begin() + std::ptrdiff_t(at));
        if (!differs) {
            inRun = false;
            continue;
        }
        if (!inRun) {
            runs.push_back({at, card.subspan(at, 0), {}, {}});
            first.emplace_back(hashes.Blocks.size(), hashes.Pieces.size());
        }
        inRun = true;
        runs.back().Old = card.subspan(runs.back().Offset, at + n - runs.back().Offset);
        hashes.Blocks.push_back(JournalHash(block.data(), n));
        AddPieceHashes(block.data(), n, hashes.Pieces);
    }
    // The hashes stay where they are from here on.
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const bool last = i + 1 == runs.size();
        const std::size_t blocks = (last ? hashes.Blocks.size() : first[i + 1].first);
        const std::size_t pieces = (last ? hashes.Pieces.size() : first[i + 1].second);
        runs[i].NewBlocks =
            std::span(hashes.Blocks).subspan(first[i].first, blocks - first[i].first);
        runs[i].NewPieces =
            std::span(hashes.Pieces).subspan(first[i].second, pieces - first[i].second);
    }
    return runs;
}

void RehashBlock(const std::vector<TJournalRunView>& runs, std::uint64_t offset,
                 const std::uint8_t* block, TNewHashes& hashes) {
    for (const TJournalRunView& run : runs) {
        if (offset < run.Offset || offset >= run.Offset + run.Old.size())
            continue;
        const std::size_t within = std::size_t(offset - run.Offset);
        const std::size_t n = std::min(kJournalBlock, run.Old.size() - within);
        const std::size_t blockAt = std::size_t(run.NewBlocks.data() - hashes.Blocks.data());
        const std::size_t pieceAt = std::size_t(run.NewPieces.data() - hashes.Pieces.data());
        hashes.Blocks[blockAt + within / kJournalBlock] = JournalHash(block, n);
        std::vector<std::uint32_t> pieces;
        AddPieceHashes(block, n, pieces);
        std::copy(pieces.begin(), pieces.end(),
                  hashes.Pieces.begin() + std::ptrdiff_t(pieceAt + within / kJournalPiece));
        return;
    }
}

TCardJournal MakeCardJournal(std::string card, std::uint64_t cardSize,
                             const std::vector<std::uint8_t>& old,
                             const std::vector<std::uint8_t>& now) {
    // Old's bytes past its end are unknown: zeros in the journal, and changed.
    const std::size_t known = std::min(old.size(), now.size());
    std::vector<std::uint8_t> onCard(old.begin(), old.begin() + std::ptrdiff_t(known));
    onCard.resize(now.size(), 0);
    TNewHashes hashes;
    TJournalView view;
    view.Card = std::move(card);
    view.CardSize = cardSize;
    view.Runs = ChangedRuns(
        onCard, known,
        [&now](std::size_t at, std::size_t count, std::uint8_t* dest) {
            std::copy_n(now.begin() + std::ptrdiff_t(at), count, dest);
        },
        hashes);
    return OwnedJournal(view);
}

namespace {

// How the card's bytes stand to the change: what shows new bytes that differ from the old
// ones, and old bytes that differ from the new ones.
struct TEvidence {
    bool New = false;
    bool Old = false;
    bool TornInside = false;
};

// One block's pieces as the journal knows them: the card's bytes, the old ones, and the hashes
// of the new ones.
struct TBlockPieces {
    const std::uint8_t* OnCard;
    const std::uint8_t* Old;
    std::size_t Size;
    std::span<const std::uint32_t> NewHashes;

    std::size_t Count() const { return PieceCount(Size); }
    std::size_t Length(std::size_t p) const {
        return std::min(kJournalPiece, Size - p * kJournalPiece);
    }
    bool IsNew(std::size_t p) const {
        return JournalPieceHash(OnCard + p * kJournalPiece, Length(p)) == NewHashes[p];
    }
    bool IsOld(std::size_t p) const {
        const std::size_t at = p * kJournalPiece;
        return std::equal(OnCard + at, OnCard + at + Length(p), Old + at);
    }
    bool Changes(std::size_t p) const {
        return JournalPieceHash(Old + p * kJournalPiece, Length(p)) != NewHashes[p];
    }
};

// A block whose pieces up to one are new and those after it old (or the reverse): a write
// torn inside the block. The one piece between may hold some of each; the pieces on either
// side count as evidence where the change alters them.
bool TornInsideBlock(const TBlockPieces& block, TEvidence& evidence) {
    const std::size_t count = block.Count();
    if (block.NewHashes.size() != count)
        return false;
    for (const bool newFirst : {true, false}) {
        auto first = [&](std::size_t p) { return newFirst ? block.IsNew(p) : block.IsOld(p); };
        auto second = [&](std::size_t p) { return newFirst ? block.IsOld(p) : block.IsNew(p); };
        std::size_t mixed = 0;
        while (mixed < count && first(mixed))
            ++mixed;
        bool rest = true;
        for (std::size_t q = mixed + 1; q < count && rest; ++q)
            rest = second(q);
        if (!rest)
            continue;
        for (std::size_t q = 0; q < count; ++q) {
            const bool showsNew = (q < mixed) == newFirst;
            if (q != mixed && block.Changes(q))
                (showsNew ? evidence.New : evidence.Old) = true;
        }
        evidence.TornInside = true;
        return true;
    }
    return false;
}

// Adds what Block shows to Evidence; false when it holds neither the old nor the new bytes.
bool CompareBlock(const TBlockPieces& block, std::uint64_t newHash, TEvidence& evidence) {
    const bool isNew = JournalHash(block.OnCard, block.Size) == newHash;
    const bool isOld = std::equal(block.OnCard, block.OnCard + block.Size, block.Old);
    // A block whose old and new bytes agree counts as both.
    evidence.New = evidence.New || (isNew && !isOld);
    evidence.Old = evidence.Old || (isOld && !isNew);
    return isNew || isOld || TornInsideBlock(block, evidence);
}

} // namespace

TJournalState CompareWithJournal(const TCardJournal& journal, const TJournalRead& read) {
    TEvidence evidence;
    std::vector<std::uint8_t> onCard;
    for (const TJournalRun& run : journal.Runs) {
        if (run.NewBlocks.size() != BlockCount(run.Old.size()))
            return TJournalState::Foreign;
        onCard.resize(run.Old.size());
        if (!read(run.Offset, onCard.data(), onCard.size()))
            return TJournalState::Foreign;
        const bool hasPieces = run.NewPieces.size() == PieceCount(run.Old.size());
        for (std::size_t block = 0; block < run.NewBlocks.size(); ++block) {
            const std::size_t at = block * kJournalBlock;
            const std::size_t n = std::min(kJournalBlock, run.Old.size() - at);
            const TBlockPieces pieces{
                onCard.data() + at, run.Old.data() + at, n,
                hasPieces ? std::span(run.NewPieces).subspan(at / kJournalPiece, PieceCount(n))
                          : std::span<const std::uint32_t>()};
            if (!CompareBlock(pieces, run.NewBlocks[block], evidence))
                return TJournalState::Foreign;
        }
    }
    if (evidence.New && evidence.Old)
        return TJournalState::Torn;
    // A block torn inside with no other sign of the change on one side is no tear of it.
    if (evidence.TornInside)
        return TJournalState::Foreign;
    return evidence.Old ? TJournalState::Untouched : TJournalState::Finished;
}

TJournalState CompareWithJournal(const TCardJournal& journal,
                                 const std::vector<std::uint8_t>& onCard) {
    return CompareWithJournal(
        journal, [&onCard](std::uint64_t offset, std::uint8_t* dest, std::size_t count) {
            if (offset > onCard.size() || count > onCard.size() - offset)
                return false;
            std::copy_n(onCard.begin() + std::ptrdiff_t(offset), count, dest);
            return true;
        });
}

namespace {

std::string JournalHead(const TJournalView& journal) {
    return std::string(kJournalMagic) + "\ncard=" + journal.Card +
           "\nsize=" + std::to_string(journal.CardSize) +
           "\nruns=" + std::to_string(journal.Runs.size()) + "\n";
}

} // namespace

std::size_t SerializedJournalSize(const TJournalView& journal) {
    std::size_t size = JournalHead(journal).size() + 8;
    for (const TJournalRunView& run : journal.Runs)
        size += 16 + run.Old.size() + 8 * run.NewBlocks.size() + 4 * run.NewPieces.size();
    return size;
}

bool WriteCardJournal(const TJournalView& journal, const TJournalSink& sink) {
    TJournalHasher hasher;
    auto put = [&](const std::uint8_t* data, std::size_t count) {
        hasher.Add(data, count);
        return sink(data, count);
    };
    const std::string head = JournalHead(journal);
    bool ok = put(reinterpret_cast<const std::uint8_t*>(head.data()), head.size());
    std::vector<std::uint8_t> small;
    for (const TJournalRunView& run : journal.Runs) {
        small.clear();
        AppendLE(small, run.Offset, 8);
        AppendLE(small, run.Old.size(), 8);
        ok = ok && put(small.data(), small.size()) && put(run.Old.data(), run.Old.size());
        small.clear();
        for (std::uint64_t hash : run.NewBlocks)
            AppendLE(small, hash, 8);
        for (std::uint32_t hash : run.NewPieces)
            AppendLE(small, hash, 4);
        ok = ok && put(small.data(), small.size());
    }
    small.clear();
    AppendLE(small, hasher.Final(), 8);
    return ok && sink(small.data(), small.size());
}

std::vector<std::uint8_t> SerializeCardJournal(const TJournalView& journal) {
    std::vector<std::uint8_t> out;
    WriteCardJournal(journal, [&out](const std::uint8_t* data, std::size_t count) {
        out.insert(out.end(), data, data + count);
        return true;
    });
    return out;
}

namespace {

// One run at Pos; false when the bytes cannot hold it.
bool ParseRun(const std::vector<std::uint8_t>& bytes, std::size_t end, bool withPieces,
              std::size_t& pos, std::uint64_t& total, TJournalRun& run) {
    if (end - pos < 16)
        return false;
    run.Offset = GetLE64(&bytes[pos]);
    const std::uint64_t length = GetLE64(&bytes[pos + 8]);
    pos += 16;
    total += length;
    if (length == 0 || total > kMaxJournalBytes || run.Offset > kMaxJournalBytes)
        return false;
    const std::size_t pieces = withPieces ? PieceCount(std::size_t(length)) : 0;
    if (end - pos < length + 8 * BlockCount(std::size_t(length)) + 4 * pieces)
        return false;
    run.Old.assign(bytes.begin() + std::ptrdiff_t(pos),
                   bytes.begin() + std::ptrdiff_t(pos + length));
    pos += std::size_t(length);
    run.NewBlocks.clear();
    for (std::size_t i = 0; i < BlockCount(std::size_t(length)); ++i, pos += 8)
        run.NewBlocks.push_back(GetLE64(&bytes[pos]));
    run.NewPieces.clear();
    for (std::size_t i = 0; i < pieces; ++i, pos += 4)
        run.NewPieces.push_back(GetLE32(&bytes[pos]));
    return true;
}

} // namespace

bool ParseCardJournal(const std::vector<std::uint8_t>& bytes, TCardJournal& journal) {
    if (bytes.size() < 8 ||
        JournalHash(bytes.data(), bytes.size() - 8) != GetLE64(&bytes[bytes.size() - 8]))
        return false;
    const std::size_t end = bytes.size() - 8;
    std::size_t pos = 0;
    std::string magic, card;
    std::uint64_t size = 0, runs = 0, total = 0;
    if (!ReadTextLine(bytes, pos, magic) || (magic != kJournalMagic && magic != kJournalMagic2) ||
        !ReadTextLine(bytes, pos, card) || card.compare(0, 5, "card=") != 0 ||
        !ReadNumberLine(bytes, pos, "size", size) || !ReadNumberLine(bytes, pos, "runs", runs) ||
        runs > kMaxJournalBytes / kJournalBlock || pos > end)
        return false;
    journal.Card = card.substr(5);
    journal.CardSize = size;
    journal.Runs.assign(std::size_t(runs), {});
    for (TJournalRun& run : journal.Runs)
        if (!ParseRun(bytes, end, magic == kJournalMagic, pos, total, run))
            return false;
    return pos == end;
}

} // namespace brelk
