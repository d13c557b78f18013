// The PC names of one extraction run: every name from the media is made safe to be one path
// component, and every path the run writes (files, their .inf sidecars, folders) is taken
// once, so no file of the run replaces another and nothing lands outside its folder.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace brelk {

// A name from the media as one PC path component: "/", "%", control characters and bytes
// above 0x7E as "%XX"; then a component that is empty is "%00", and one that is "." or ".."
// has its full stops as "%2E".
std::string PCFileNameOf(const std::string& name);

// Whether Relative, a path below some folder, stays inside it: it is not absolute and no
// component of it is empty, "." or "..".
bool StaysInside(const std::string& relative);

// The paths one run writes below its folder, each taken once: a path already taken (by a
// file, a sidecar or a folder; letters in any case) gets ".1", ".2", ... after its last
// component.
class TExtractNames {
  public:
    // Takes a path for a file whose safe components are Parts (its folders first, then its
    // name), and the path of its .inf sidecar too when Sidecar. Returns the file's path,
    // components joined by "/". A folder keeps its name unless a file took it.
    std::string TakeFile(const std::vector<std::string>& parts, bool sidecar);
    // Takes a new folder of the safe name Name at the top, never one taken before.
    std::string TakeFolder(const std::string& name);

  private:
    std::set<std::string> Taken;                // by files, sidecars and folders, folded
    std::map<std::string, std::string> Folders; // a folder's path as asked, as taken
    std::string FolderBelow(const std::string& parent, const std::string& name);
    bool Free(const std::string& path, bool sidecar) const;
    std::string FirstFree(const std::string& path, bool sidecar) const;
};

// Folders for objects of the given raw names extracted in one run, in order: each name made
// safe, and a name taken already (in any case) gets ".1", ".2", ...
std::vector<std::string> ExtractFolderNames(const std::vector<std::string>& names);

} // namespace brelk
