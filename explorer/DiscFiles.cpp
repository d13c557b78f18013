#include "explorer/DiscFiles.h"

#include "explorer/AcornWildcard.h"
#include "explorer/NameText.h"
#include "formats/DFSDetails.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace brelk {

namespace fs = std::filesystem;

namespace {

// The readers quote names in their reasons as the bytes: shown as NameText shows names.
bool Shown(bool done, std::string& why) {
    if (!done)
        why = NameText(why);
    return done;
}

std::string Quoted(const std::string& name) {
    return "'" + NameText(name) + "'";
}

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

// The longest first line of a .inf sidecar that is read.
constexpr std::size_t kMaxInfLine = 4096;

bool IsBinaryByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream words(text);
    std::vector<std::string> tokens;
    for (std::string word; words >> word;)
        tokens.push_back(word);
    return tokens;
}

// A hexadecimal number of at most 32 bits; the reason when Token is none.
bool InfNumber(std::string token, std::uint32_t& value, std::string& why) {
    const std::string shown = Quoted(token);
    if (token.rfind("&", 0) == 0)
        token.erase(0, 1);
    else if (token.rfind("0x", 0) == 0 || token.rfind("0X", 0) == 0)
        token.erase(0, 2);
    if (!token.empty() && token[0] == '-') {
        why = shown + " is negative";
        return false;
    }
    if (token.empty() || token.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos) {
        why = shown + " is no hexadecimal number, lock (L) or KEY=VALUE";
        return false;
    }
    const std::size_t first = token.find_first_not_of('0');
    if (first != std::string::npos && token.size() - first > 8) {
        why = shown + " needs more than 32 bits";
        return false;
    }
    value = std::uint32_t(std::stoull(token, nullptr, 16));
    return true;
}

// One word after the name: a lock, a KEY=VALUE (passed over) or one of at most four numbers.
bool ReadInfWord(const std::string& token, TInfFields& fields, std::vector<std::uint32_t>& numbers,
                 std::string& why) {
    if (token == "L" || token == "l" || token == "Locked") {
        fields.Locked = true;
        return true;
    }
    if (token.find('=') != std::string::npos)
        return true;
    std::uint32_t value = 0;
    if (!InfNumber(token, value, why))
        return false;
    if (numbers.size() == 4) {
        why = "more than four numbers (load, exec, length, access)";
        return false;
    }
    numbers.push_back(value);
    return true;
}

std::string UpperName(std::string name) {
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return name;
}

// Whether DFS takes Text as a name; Full receives it as "D.NAME".
bool ValidDFSName(const std::string& text, std::string& full) {
    char directory = '$';
    std::string name;
    std::string why;
    if (!ParseDFSName(text, directory, name, why))
        return false;
    full = std::string(1, directory) + "." + name;
    return true;
}

// "D.NAME" of the first seven characters of Text that DFS takes ("$.FILE" when none).
std::string DFSNameFrom(const std::string& text) {
    const bool qualified = text.size() >= 2 && text[1] == '.' && IsDFSNameCharacter(text[0]);
    std::string name;
    for (std::size_t i = qualified ? 2 : 0; i < text.size() && name.size() < 7; ++i)
        if (IsDFSNameCharacter(text[i]))
            name += text[i];
    return std::string(1, qualified ? text[0] : '$') + "." + (name.empty() ? "FILE" : name);
}

// Full, or Full with a number in place of its last characters, whichever is not Taken.
std::string UniqueName(const std::string& full, const std::set<std::string>& taken) {
    const std::string prefix = full.substr(0, 2);
    const std::string name = full.substr(2);
    std::string candidate = full;
    for (int n = 1; taken.count(UpperName(candidate)); ++n) {
        const std::string number = std::to_string(n);
        candidate = prefix + name.substr(0, 7 - std::min<std::size_t>(7, number.size())) + number;
    }
    return candidate;
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
        if (!Shown(ReadDFSDiscSides(bytes, listing.DFS, why), why))
            return false;
        ListDFS(listing);
        return true;
    case TMediaKind::ADFS:
        if (!Shown(ReadADFSDisc(bytes, listing.ADFS, why), why))
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
        return Shown(ReadDFSFileBytes(bytes.subspan(span.Offset, span.Count),
                                      listing.DFS.Disc.aDiscSides[std::size_t(k)],
                                      listing.DFSEntries[file.Source], data, why),
                     why);
    }
    case TMediaKind::ADFS:
        return Shown(
            ReadADFSFileBytes(bytes, listing.ADFS, listing.ADFS.Entries[file.Source], data, why),
            why);
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
            why = "no file matches " + Quoted(patterns[p]);
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
    if (!Shown(FileViewLines(data, as, lines, why), why)) {
        why = Quoted(file.Name) + " is " + why;
        return false;
    }
    return true;
}

bool ParseInfLine(const std::string& line, TInfFields& fields, std::string& why) {
    const std::string text = line.substr(0, line.find_last_not_of("\r\n") + 1);
    const std::string shown = "the .inf line " + Quoted(text);
    if (std::any_of(text.begin(), text.end(), IsBinaryByte)) {
        why = shown + " holds a NUL or another byte that is no text";
        return false;
    }
    std::vector<std::string> tokens = Words(text);
    if (tokens.empty()) {
        why = "the .inf line gives no name";
        return false;
    }
    fields = TInfFields{};
    fields.Name = tokens[0];
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 1; i < tokens.size(); ++i)
        if (!ReadInfWord(tokens[i], fields, numbers, why)) {
            why = shown + ": " + why;
            return false;
        }
    if (numbers.size() >= 2) {
        fields.HasAddresses = true;
        fields.Load = numbers[0];
        fields.Exec = numbers[1];
    }
    return true;
}

bool ParseInfLine(const std::string& line, TInfFields& fields) {
    std::string why;
    return ParseInfLine(line, fields, why);
}

bool ReadInfSidecar(const std::string& path, TInfFields& fields, bool& present, std::string& why) {
    const std::string inf = path + ".inf";
    std::error_code error;
    present = fs::exists(fs::symlink_status(inf, error));
    if (!present)
        return true;
    std::ifstream in(inf, std::ios::binary);
    std::string head(kMaxInfLine + 1, '\0');
    in.read(head.data(), std::streamsize(head.size()));
    head.resize(std::size_t(in.gcount()));
    if (!in && !in.eof()) {
        why = inf + ": could not be read";
        return false;
    }
    const std::size_t end = head.find('\n');
    if (end == std::string::npos && head.size() > kMaxInfLine) {
        why = inf + ": no line end in its first " + std::to_string(kMaxInfLine) + " bytes";
        return false;
    }
    if (!ParseInfLine(head.substr(0, end), fields, why)) {
        why = inf + ": " + why;
        return false;
    }
    return true;
}

std::vector<std::string> ProposeDFSNames(const TMediaListing& listing, int drive,
                                         const std::vector<std::string>& names,
                                         std::vector<bool>& changed) {
    std::set<std::string> taken;
    for (const TMediaFile& file : listing.Files)
        if (file.Side == drive)
            taken.insert(UpperName(file.Name));
    changed.assign(names.size(), false);
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string full;
        if (ValidDFSName(names[i], full))
            taken.insert(UpperName(full));
        else
            changed[i] = true;
    }
    std::vector<std::string> proposed = names;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (changed[i]) {
            proposed[i] = UniqueName(DFSNameFrom(names[i]), taken);
            taken.insert(UpperName(proposed[i]));
        }
    return proposed;
}

std::string LockedFilesRefusal(const std::vector<const TMediaFile*>& files) {
    std::string names;
    std::size_t count = 0;
    for (const TMediaFile* file : files)
        if (file->Locked)
            names += (count++ ? ", " : "") + Quoted(file->Name);
    if (count == 0)
        return "";
    return names + (count == 1 ? " is locked; unlock it first" : " are locked; unlock them first");
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
            if (replace && SideHasFile(side, file.Name) &&
                !Shown(DeleteDFSFile(side, file.Name, why), why))
                return false;
            if (!Shown(InsertDFSFile(side, file, why), why))
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
        why = LockedFilesRefusal(chosen);
        if (!why.empty())
            return false;
        for (const TMediaFile* file : chosen) {
            if (!Shown(DeleteDFSFile(side, file->Name, why), why))
                return false;
            if (deleted)
                deleted->push_back(file->Name);
        }
        return true;
    };
}

TDFSSideEdit LockFilesEdit(const std::vector<std::string>& names, bool lock) {
    return [names, lock](std::vector<std::uint8_t>& side, std::string& why) {
        for (const std::string& name : names)
            if (!Shown(LockDFSFile(side, name, lock, why), why))
                return false;
        return true;
    };
}

TDFSSideEdit LockMatchingEdit(const std::vector<std::string>& patterns, bool lock,
                              std::vector<std::string>* changed) {
    return [patterns, lock, changed](std::vector<std::uint8_t>& side, std::string& why) {
        TMediaListing listing;
        std::vector<const TMediaFile*> chosen;
        if (!ListMediaFiles(TMediaKind::DFS, side, listing, why) ||
            !ChooseMediaFiles(listing, patterns, 0, chosen, why))
            return false;
        std::vector<std::string> names;
        for (const TMediaFile* file : chosen)
            names.push_back(file->Name);
        if (!LockFilesEdit(names, lock)(side, why))
            return false;
        if (changed)
            *changed = names;
        return true;
    };
}

TDFSSideEdit SideSettingsEdit(const TDFSSideSettings& settings) {
    return [settings](std::vector<std::uint8_t>& side, std::string& why) {
        return Shown(SetDFSSideSettings(side, settings, why), why);
    };
}

bool ParseBootOption(const std::string& text, std::uint8_t& option, std::string& why) {
    for (std::uint8_t k = 0; k < 4; ++k)
        if (UpperName(text) == UpperName(BootOptionName(k))) {
            option = k;
            return true;
        }
    why = "the boot option " + Quoted(text) + " is none of none, load, run, exec";
    return false;
}

TDFSSideEdit RenameFileEdit(const std::string& from, const std::string& to) {
    return [from, to](std::vector<std::uint8_t>& side, std::string& why) {
        return Shown(RenameDFSFile(side, from, to, why), why);
    };
}

} // namespace brelk
