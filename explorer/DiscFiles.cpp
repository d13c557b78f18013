#include "explorer/DiscFiles.h"

#include "explorer/AcornWildcard.h"

#include <sstream>

namespace brelk {

namespace {

// Whether Pattern chooses Name; a pattern without a directory stands for one in "$" too.
bool NameMatches(TMediaKind kind, const std::string& pattern, const std::string& name) {
    if (AcornNameMatches(pattern, name))
        return true;
    const bool qualified = kind == TMediaKind::DFS ? pattern.size() >= 2 && pattern[1] == '.'
                                                   : !pattern.empty() && pattern[0] == '$';
    return kind != TMediaKind::Tape && !qualified && AcornNameMatches("$." + pattern, name);
}

void ListDFS(TMediaListing& listing) {
    for (std::size_t k = 0; k < listing.DFS.Spans.size(); ++k)
        for (const TAcornDFSCatEntry& entry : listing.DFS.Disc.aDiscSides[k].Entries) {
            listing.Files.push_back({DFSDriveOfSide(int(k)), DFSFullName(entry), entry.LoadAddress,
                                     entry.ExecAddress, entry.Length, entry.Locked,
                                     entry.StartSector, listing.DFSEntries.size(), ""});
            listing.DFSEntries.push_back(entry);
            listing.DFSEntrySides.push_back(int(k));
        }
}

void ListADFS(TMediaListing& listing) {
    for (std::size_t i = 0; i < listing.ADFS.Entries.size(); ++i) {
        const TADFSEntry& entry = listing.ADFS.Entries[i];
        if (!entry.IsDirectory)
            listing.Files.push_back({0, entry.Path, entry.Load, entry.Exec, entry.Length,
                                     entry.Locked, entry.StartSector, i, ""});
    }
}

void ListTape(TMediaListing& listing) {
    for (std::size_t i = 0; i < listing.Tape.size(); ++i) {
        const TTapeFile& file = listing.Tape[i];
        listing.Files.push_back({0, file.Name, file.Load, file.Exec,
                                 std::uint32_t(file.Data.size()), file.Locked, 0, i,
                                 file.OutOfSequence ? kBlocksOutOfSequence : ""});
    }
}

bool SideHasFile(const std::vector<std::uint8_t>& side, const std::string& name) {
    TDFSDiscSides sides;
    std::string why;
    char directory = '$';
    std::string bare;
    if (!ReadDFSDiscSides(side, sides, why) || !ParseDFSName(name, directory, bare, why))
        return false;
    const std::string full = std::string(1, directory) + "." + bare;
    for (const TAcornDFSCatEntry& entry : sides.Disc.aDiscSides[0].Entries)
        if (AcornNameMatches(full, DFSFullName(entry)))
            return true;
    return false;
}

std::string CardRefusal(TDiscTransformResult result) {
    switch (result) {
    case TDiscTransformResult::ReadFailed:
        return "the object could not be read from the card";
    case TDiscTransformResult::RewriteFailed:
        return "no free span on the card for the changed disc; the card is unchanged";
    case TDiscTransformResult::WritesStopped:
        return "the card takes no more writes after the failure above";
    default:
        return "";
    }
}

} // namespace

bool MediaKindOf(const TBrelkCatEntry& entry, TMediaKind& kind) {
    if (entry.Type() != kTypeImage)
        return false;
    switch (entry.Subtype()) {
    case kSubtypeDFS:
        kind = TMediaKind::DFS;
        return true;
    case kSubtypeADFS:
        kind = TMediaKind::ADFS;
        return true;
    case kSubtypeTape:
        kind = TMediaKind::Tape;
        return true;
    default:
        return false;
    }
}

bool ListMediaFiles(TMediaKind kind, std::span<const std::uint8_t> bytes, TMediaListing& listing,
                    std::string& why) {
    listing = TMediaListing{};
    listing.Kind = kind;
    switch (kind) {
    case TMediaKind::DFS:
        if (!ReadDFSDiscSides(bytes, listing.DFS, why))
            return false;
        ListDFS(listing);
        return true;
    case TMediaKind::ADFS:
        if (!ReadADFSDisc(bytes, listing.ADFS, why))
            return false;
        ListADFS(listing);
        return true;
    case TMediaKind::Tape:
        listing.Tape = ReadTapeFiles(bytes);
        ListTape(listing);
        return true;
    }
    return false;
}

bool ReadMediaFile(const TMediaListing& listing, std::span<const std::uint8_t> bytes,
                   const TMediaFile& file, std::vector<std::uint8_t>& data, std::string& why) {
    switch (listing.Kind) {
    case TMediaKind::DFS: {
        const int k = listing.DFSEntrySides[file.Source];
        const TDFSSideSpan span = listing.DFS.Spans[std::size_t(k)];
        return ReadDFSFileBytes(bytes.subspan(span.Offset, span.Count),
                                listing.DFS.Disc.aDiscSides[std::size_t(k)],
                                listing.DFSEntries[file.Source], data, why);
    }
    case TMediaKind::ADFS:
        return ReadADFSFileBytes(bytes, listing.ADFS, listing.ADFS.Entries[file.Source], data, why);
    case TMediaKind::Tape:
        data = listing.Tape[file.Source].Data;
        return true;
    }
    return false;
}

bool ChooseMediaFiles(const TMediaListing& listing, const std::vector<std::string>& patterns,
                      int side, std::vector<const TMediaFile*>& chosen, std::string& why) {
    chosen.clear();
    std::vector<bool> used(patterns.size(), false);
    for (const TMediaFile& file : listing.Files) {
        if (side >= 0 && file.Side != side)
            continue;
        bool take = patterns.empty();
        for (std::size_t p = 0; p < patterns.size(); ++p)
            if (NameMatches(listing.Kind, patterns[p], file.Name))
                take = used[p] = true;
        if (take)
            chosen.push_back(&file);
    }
    for (std::size_t p = 0; p < patterns.size(); ++p)
        if (!used[p]) {
            why = "no file matches '" + patterns[p] + "'";
            return false;
        }
    return true;
}

bool ViewMediaFile(const TMediaListing& listing, std::span<const std::uint8_t> bytes,
                   const TMediaFile& file, TFileViewAs as, std::vector<std::string>& lines,
                   std::string& why) {
    std::vector<std::uint8_t> data;
    if (!ReadMediaFile(listing, bytes, file, data, why))
        return false;
    if (!FileViewLines(data, as, lines, why)) {
        why = "'" + file.Name + "' is " + why;
        return false;
    }
    return true;
}

bool ParseInfLine(const std::string& line, TInfFields& fields) {
    std::istringstream words(line);
    std::vector<std::string> tokens;
    for (std::string word; words >> word;)
        tokens.push_back(word);
    if (tokens.empty())
        return false;
    fields = TInfFields{};
    fields.Name = tokens[0];
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const std::string& token = tokens[i];
        if (token == "L" || token == "l" || token == "Locked") {
            fields.Locked = true;
            continue;
        }
        char* end = nullptr;
        const unsigned long value = std::strtoul(token.c_str(), &end, 16);
        if (end != token.c_str() && *end == 0 && numbers.size() < 3)
            numbers.push_back(std::uint32_t(value));
    }
    if (numbers.size() >= 2) {
        fields.HasAddresses = true;
        fields.Load = numbers[0];
        fields.Exec = numbers[1];
    }
    return true;
}

bool EditDFSObject(TBrelk& card, const TBrelkCatEntry* entry, int side, const TDFSSideEdit& edit,
                   std::string& why) {
    if (!entry || entry->Type() != kTypeImage || entry->Subtype() != kSubtypeDFS) {
        why = "not a DFS disc object";
        return false;
    }
    std::vector<std::uint8_t> data;
    why = CardRefusal(ReadDiscObject(card, *entry, data));
    if (!why.empty() || !EditDFSDiscSide(data, side, edit, why))
        return false;
    why = CardRefusal(ReplaceDiscObject(card, entry, data));
    return why.empty();
}

TDFSSideEdit InsertFilesEdit(const std::vector<TDFSNewFile>& files, bool replace) {
    return [files, replace](std::vector<std::uint8_t>& side, std::string& why) {
        for (const TDFSNewFile& file : files) {
            if (replace && SideHasFile(side, file.Name) && !DeleteDFSFile(side, file.Name, why))
                return false;
            if (!InsertDFSFile(side, file, why))
                return false;
        }
        return true;
    };
}

TDFSSideEdit DeleteFilesEdit(const std::vector<std::string>& patterns,
                             std::vector<std::string>* deleted) {
    return [patterns, deleted](std::vector<std::uint8_t>& side, std::string& why) {
        TMediaListing listing;
        if (!ListMediaFiles(TMediaKind::DFS, side, listing, why))
            return false;
        std::vector<const TMediaFile*> chosen;
        if (!ChooseMediaFiles(listing, patterns, 0, chosen, why))
            return false;
        for (const TMediaFile* file : chosen) {
            if (!DeleteDFSFile(side, file->Name, why))
                return false;
            if (deleted)
                deleted->push_back(file->Name);
        }
        return true;
    };
}

} // namespace brelk
