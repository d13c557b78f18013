#include "explorer/ExtractNames.h"

#include "formats/GlobalStuff.h"

namespace brelk {

namespace {

std::string Escaped(unsigned char byte) {
    return "%" + FormatHex(byte, 2);
}

std::string Joined(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "/" + name;
}

// Paths compared without the case of ASCII letters, as Acorn names are and as a FAT stick
// would take them: "Game" and "GAME" of one tape must not land on one file there.
std::string Folded(std::string path) {
    for (char& c : path)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return path;
}

bool UnsafeComponent(const std::string& part) {
    return part.empty() || part == "." || part == "..";
}

} // namespace

std::string PCFileNameOf(const std::string& name) {
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '%' || byte < 0x20 || byte > 0x7E)
            out += Escaped(byte);
        else
            out += c;
    }
    if (out.empty())
        return "%00";
    if (out == "." || out == "..")
        return out == "." ? "%2E" : "%2E%2E";
    return out;
}

bool StaysInside(const std::string& relative) {
    if (relative.empty() || relative.front() == '/')
        return false;
    std::size_t start = 0;
    for (std::size_t slash; (slash = relative.find('/', start)) != std::string::npos;
         start = slash + 1)
        if (UnsafeComponent(relative.substr(start, slash - start)))
            return false;
    return !UnsafeComponent(relative.substr(start));
}

bool TExtractNames::Free(const std::string& path, bool sidecar) const {
    return !Taken.count(Folded(path)) && !(sidecar && Taken.count(Folded(path + ".inf")));
}

std::string TExtractNames::FirstFree(const std::string& path, bool sidecar) const {
    std::string candidate = path;
    for (unsigned repeat = 1; !Free(candidate, sidecar); ++repeat)
        candidate = path + "." + std::to_string(repeat);
    return candidate;
}

std::string TExtractNames::FolderBelow(const std::string& parent, const std::string& name) {
    const std::string asked = Joined(parent, name);
    if (const auto known = Folders.find(asked); known != Folders.end())
        return known->second;
    const std::string taken = FirstFree(asked, false);
    Taken.insert(Folded(taken));
    Folders[asked] = taken;
    return taken;
}

std::string TExtractNames::TakeFile(const std::vector<std::string>& parts, bool sidecar) {
    if (parts.empty())
        return "";
    std::string parent;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i)
        parent = FolderBelow(parent, parts[i]);
    const std::string path = FirstFree(Joined(parent, parts.back()), sidecar);
    Taken.insert(Folded(path));
    if (sidecar)
        Taken.insert(Folded(path + ".inf"));
    return path;
}

std::string TExtractNames::TakeFolder(const std::string& name) {
    const std::string taken = FirstFree(name, false);
    Taken.insert(Folded(taken));
    return taken;
}

std::vector<std::string> ExtractFolderNames(const std::vector<std::string>& names) {
    TExtractNames taken;
    std::vector<std::string> folders;
    for (const std::string& name : names)
        folders.push_back(taken.TakeFolder(PCFileNameOf(name)));
    return folders;
}

} // namespace brelk
