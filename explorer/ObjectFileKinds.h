// The kinds of PC file that objects are saved as and added from, in the order the file
// dialogs offer them: the window's save and add dialogs build their filters from this one list.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace brelk {

struct TObjectFileKind {
    std::string_view Extension; // without its full stop, in lower case
    std::string_view Description;
};

// Objects (bin), ADFS (adfs), DFS single- and double-sided (ssd, dsd), Tape (uef).
std::span<const TObjectFileKind> ObjectFileKinds();

// Kind's entry in a file dialog's filter: "DFS singlesided (*.ssd)".
std::string FilterEntry(const TObjectFileKind& kind);
// The entry of the kind that Extension names; the objects' entry for any other.
std::string FilterEntryOf(std::string_view extension);
// Kind's entry with its pattern: "DFS singlesided (*.ssd)|*.SSD".
std::string FilterWithPattern(const TObjectFileKind& kind);
// Every kind with its pattern, joined by "|".
std::string ObjectFilesFilter();

} // namespace brelk
