// Extracting the files of a disc or tape object into PC files: their safe and distinct
// paths, their .inf sidecars, and the checks made before anything is written.
#include "explorer/DiscFiles.h"

#include "explorer/SafeWrite.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace brelk {

namespace fs = std::filesystem;

namespace {

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, unsigned(value));
    return text;
}

// The PC folders that an ADFS entry lies in, from "$" down, then its name. The entries come
// in walk order, each directory followed by what it holds, so an entry's parent is the
// nearest directory before it one level up (names may hold full stops: paths are not split).
std::vector<std::string> ADFSPathParts(const std::vector<TADFSEntry>& entries, std::size_t index) {
    std::vector<std::string> parts{PCFileNameOf(entries[index].Name)};
    int depth = entries[index].Depth - 1;
    for (std::size_t i = index; i-- > 0 && depth > 0;)
        if (entries[i].IsDirectory && entries[i].Depth == depth) {
            parts.insert(parts.begin(), PCFileNameOf(entries[i].Name));
            --depth;
        }
    return parts;
}

// A file's path below the extraction folder as safe components: its side's folder on a
// disc of several sides, its directories on an ADFS disc, then its name.
std::vector<std::string> PathParts(const TMediaListing& listing, const TMediaFile& file) {
    if (listing.Kind == TMediaKind::ADFS)
        return ADFSPathParts(listing.ADFS.Entries, file.Source);
    if (listing.Kind == TMediaKind::DFS && listing.DFS.Spans.size() > 1)
        return {std::to_string(file.Side), PCFileNameOf(file.Name)};
    return {PCFileNameOf(file.Name)};
}

fs::path RootOf(const std::string& folder) {
    return folder.empty() ? fs::path(".") : fs::path(folder);
}

// The file at Target and, with Inf, its sidecar.
std::vector<std::string> TargetsOf(const fs::path& target, bool inf) {
    if (!inf)
        return {target.string()};
    return {target.string(), target.string() + ".inf"};
}

std::string InfText(const TMediaFile& file, std::uint32_t load, std::uint32_t exec, int digits) {
    return file.Name + " " + Hex(load, digits) + " " + Hex(exec, digits) + " " +
           Hex(file.Length, 6) + (file.Locked ? " L" : "");
}

// The folders of Path below Folder that exist must be real folders, not links.
std::string FolderRefusal(const fs::path& folder, const fs::path& relative) {
    fs::path at = folder;
    for (auto part = relative.begin(); std::next(part) != relative.end(); ++part) {
        at /= *part;
        std::error_code error;
        const fs::file_status status = fs::symlink_status(at, error);
        if (!fs::exists(status))
            return "";
        if (!fs::is_directory(status))
            return at.string() + ": is no folder (a link or a file); nothing was written";
    }
    return "";
}

std::string TargetRefusal(const std::string& target, bool force) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 && errno == ENOENT)
        return "";
    const std::string refusal = ReplaceRefusal(target);
    if (!refusal.empty() || force)
        return refusal;
    return target + ": exists already; nothing was written";
}

// A path below the folder that would leave it: the names are made safe before they become
// paths, so this stops only a fault of that rule.
std::string OutsideRefusal(const fs::path& folder, const std::string& path) {
    if (StaysInside(path))
        return "";
    return (folder / path).string() + ": lies outside " + folder.string() + "; nothing was written";
}

// Checks one file before anything is written: its bytes and its targets.
bool CheckOne(const TMediaListing& listing, std::span<const std::uint8_t> bytes,
              const TMediaFile& file, const fs::path& folder, const std::string& path,
              const TExtractOptions& options, std::string& why) {
    std::vector<std::uint8_t> data;
    if (!ReadMediaFile(listing, bytes, file, data, why))
        return false;
    why = OutsideRefusal(folder, path);
    if (why.empty())
        why = FolderRefusal(folder, path);
    for (const std::string& target : TargetsOf(folder / path, options.Inf))
        if (why.empty())
            why = TargetRefusal(target, options.Force);
    return why.empty();
}

bool WriteOne(const TMediaListing& listing, std::span<const std::uint8_t> bytes,
              const TMediaFile& file, const fs::path& target, const TExtractOptions& options,
              TSafeWriteBatch& batch, fs::path& made, std::vector<std::string>& written,
              std::string& why) {
    std::vector<std::uint8_t> data;
    std::error_code error;
    if (target.parent_path() != made)
        fs::create_directories(target.parent_path(), error);
    made = target.parent_path();
    if (error) {
        why = target.parent_path().string() + ": cannot be made (" + error.message() + ")";
        return false;
    }
    if (!ReadMediaFile(listing, bytes, file, data, why) || !batch.Add(target.string(), data, why))
        return false;
    written.push_back(target.string());
    if (!options.Inf)
        return true;
    const std::string line = InfLine(listing, file) + "\n";
    const std::string inf = target.string() + ".inf";
    if (!batch.Add(inf, {reinterpret_cast<const std::uint8_t*>(line.data()), line.size()}, why))
        return false;
    written.push_back(inf);
    return true;
}

} // namespace

std::vector<std::string> ExtractPaths(const TMediaListing& listing,
                                      const std::vector<const TMediaFile*>& chosen,
                                      const TExtractOptions& options) {
    TExtractNames names;
    std::vector<std::string> paths;
    for (const TMediaFile* file : chosen) {
        std::vector<std::string> parts = PathParts(listing, *file);
        if (!options.Into.empty())
            parts.insert(parts.begin(), options.Into);
        paths.push_back(names.TakeFile(parts, options.Inf));
    }
    return paths;
}

std::vector<std::string> ExistingExtractTargets(const TMediaListing& listing,
                                                const std::vector<const TMediaFile*>& chosen,
                                                const std::string& folder,
                                                const TExtractOptions& options) {
    std::vector<std::string> existing;
    for (const std::string& path : ExtractPaths(listing, chosen, options))
        for (const std::string& target : TargetsOf(RootOf(folder) / path, options.Inf)) {
            std::error_code error;
            if (fs::exists(fs::symlink_status(target, error)))
                existing.push_back(target);
        }
    return existing;
}

std::string InfLine(const TMediaListing& listing, const TMediaFile& file) {
    if (listing.Kind != TMediaKind::DFS)
        return InfText(file, file.Load, file.Exec, 8);
    const TAcornDFSCatEntry& entry = listing.DFSEntries[file.Source];
    return InfText(file, DFSStoredAddress(file.Load, entry.LoadHighBits),
                   DFSStoredAddress(file.Exec, entry.ExecHighBits), 6);
}

bool ExtractMediaFiles(const TMediaListing& listing, std::span<const std::uint8_t> bytes,
                       const std::vector<const TMediaFile*>& chosen, const std::string& folder,
                       const TExtractOptions& options, std::vector<std::string>& written,
                       std::string& why, TJobProgress* progress, TSafeWriteBatch* batch) {
    const std::vector<std::string> paths = ExtractPaths(listing, chosen, options);
    const fs::path root = RootOf(folder);
    for (std::size_t i = 0; i < chosen.size(); ++i)
        if (!CheckOne(listing, bytes, *chosen[i], root, paths[i], options, why))
            return false;
    TSafeWriteBatch own;
    TSafeWriteBatch& into = batch ? *batch : own;
    fs::path made; // the folder last made, so each is made once
    if (progress)
        progress->Begin("Extracting");
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        if (progress)
            progress->Report(i + 1, chosen.size(), paths[i]);
        if (!WriteOne(listing, bytes, *chosen[i], root / paths[i], options, into, made, written,
                      why)) {
            into.Abandon();
            return false;
        }
    }
    if (progress)
        progress->End();
    return batch || own.Commit(why);
}

} // namespace brelk
