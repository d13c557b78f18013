#include "explorer/FindFiles.h"

#include "explorer/AcornWildcard.h"
#include "explorer/NameText.h"
#include "explorer/ObjectTransfer.h"
#include "formats/DFSSideWalk.h"

#include <algorithm>

namespace brelk {

namespace {

// Reads only the card blocks that hold the bytes asked for: a catalogue sector costs one
// block, not a cache window.
TDFSReadFn BlockReader(TBrelk& card, std::uint32_t base) {
    return [&card, base](std::uint64_t offset, std::uint8_t* dest, std::size_t count) {
        return card.ReadMMCBlocks(dest, std::uint32_t(base + offset), std::uint32_t(count));
    };
}

const char* const kUnreadable = "the object could not be read from the card";

// Why the first side of a DFS object is refused, as brelk files says it.
std::string DFSRefusal(TBrelk& card, const TBrelkCatEntry& entry) {
    std::vector<std::uint8_t> head(std::min<std::size_t>(entry.Size(), kDFSCatalogueBytes));
    if (!head.empty() && !BlockReader(card, entry.Address())(0, head.data(), head.size()))
        return kUnreadable;
    return NameText("not a DFS disc: " + DFSRefusalReason(head));
}

bool ListDFSOnCard(TBrelk& card, const TBrelkCatEntry& entry, std::vector<TMediaFile>& files,
                   std::string& why) {
    TAcornDFSDiscObject disc;
    const int sides = WalkDFSSides(disc, 0, entry.Size(), BlockReader(card, entry.Address()));
    if (sides == 0) {
        why = DFSRefusal(card, entry);
        return false;
    }
    for (int k = 0; k < sides; ++k)
        for (const TAcornDFSCatEntry& e : disc.aDiscSides[std::size_t(k)].Entries)
            files.push_back({DFSDriveOfSide(k), DFSFullName(e), e.LoadAddress, e.ExecAddress,
                             e.Length, e.Locked, e.StartSector, files.size(), ""});
    return true;
}

bool ListADFSOnCard(TBrelk& card, const TBrelkCatEntry& entry, std::vector<TMediaFile>& files,
                    std::string& why) {
    TADFSDisc disc;
    if (!ReadADFSDisc(entry.Size(), BlockReader(card, entry.Address()), disc, why)) {
        why = NameText(why);
        return false;
    }
    for (std::size_t i = 0; i < disc.Entries.size(); ++i) {
        const TADFSEntry& e = disc.Entries[i];
        if (!e.IsDirectory)
            files.push_back({0, e.Path, e.Load, e.Exec, e.Length, e.Locked, e.StartSector, i, ""});
    }
    return true;
}

// A tape is read whole: its blocks' headers lie a few hundred bytes apart.
bool ListTapeOnCard(TBrelk& card, const TBrelkCatEntry& entry, std::vector<TMediaFile>& files,
                    std::string& why) {
    std::vector<std::uint8_t> bytes;
    TMediaListing listing;
    if (!ReadWholeObject(card, entry, bytes)) {
        why = kUnreadable;
        return false;
    }
    const bool listed = ListMediaFiles(TMediaKind::Tape, bytes, listing, why);
    files = std::move(listing.Files);
    return listed;
}

bool NameChosen(const std::string& pattern, TMediaKind kind, const std::string& name) {
    if (AcornNameMatches(pattern, name))
        return true;
    // An ADFS path may leave out the root: "GAMES.ELITE" for "$.GAMES.ELITE".
    if (kind == TMediaKind::ADFS && pattern.rfind('$', 0) != 0 &&
        AcornNameMatches("$." + pattern, name))
        return true;
    const std::size_t stop = name.rfind('.');
    return kind != TMediaKind::Tape && pattern.find('.') == std::string::npos &&
           stop != std::string::npos && AcornNameMatches(pattern, name.substr(stop + 1));
}

// Whether Entry is a disc or tape that Request searches.
bool Searched(const TBrelkCatEntry& entry, const TFindRequest& request, TMediaKind& kind) {
    return MediaKindOf(entry, kind) &&
           (request.ObjectPattern.empty() || AcornNameMatches(request.ObjectPattern, entry.Name()));
}

} // namespace

bool FindPatternsMatch(const std::vector<std::string>& patterns, TMediaKind kind,
                       const std::string& name) {
    return patterns.empty() ||
           std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& pattern) { return NameChosen(pattern, kind, name); });
}

bool ListObjectFilesOnCard(TBrelk& card, const TBrelkCatEntry& entry, TMediaKind& kind,
                           std::vector<TMediaFile>& files, std::string& why) {
    files.clear();
    if (!MediaKindOf(entry, kind)) {
        why = "no disc or tape object";
        return false;
    }
    if (!ObjectWithinUsableLimit(card, entry)) {
        why = "the object reaches past the usable card";
        return false;
    }
    switch (kind) {
    case TMediaKind::DFS:
        return ListDFSOnCard(card, entry, files, why);
    case TMediaKind::ADFS:
        return ListADFSOnCard(card, entry, files, why);
    case TMediaKind::Tape:
        return ListTapeOnCard(card, entry, files, why);
    }
    return false;
}

TFindOutcome FindFiles(TBrelk& card, const TFindRequest& request, const TFoundFileFn& found,
                       TJobProgress* progress) {
    std::vector<const TBrelkCatEntry*> objects;
    TMediaKind kind;
    for (const TBrelkCatEntry* entry : card.Entries())
        if (Searched(*entry, request, kind))
            objects.push_back(entry);
    TFindOutcome outcome;
    if (progress)
        progress->Begin("Searching");
    for (const TBrelkCatEntry* entry : objects) {
        std::vector<TMediaFile> files;
        std::string why;
        if (!ListObjectFilesOnCard(card, *entry, kind, files, why))
            outcome.Skipped.push_back({entry, why});
        for (TMediaFile& file : files)
            if (FindPatternsMatch(request.Patterns, kind, file.Name)) {
                ++outcome.Found;
                found({entry, kind, std::move(file)});
            }
        ++outcome.Searched;
        if (progress &&
            progress->Report(outcome.Searched, objects.size(), NameText(entry->Name())) &&
            outcome.Searched < objects.size()) {
            outcome.Cancelled = true;
            break;
        }
    }
    if (progress)
        progress->End();
    return outcome;
}

} // namespace brelk
