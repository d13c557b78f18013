// The rules for an object name that the user gives: the window's rename in the tree and
// brelk mv both apply them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brelk {

// Whether C may be part of a name the user gives: the characters "!" to "~".
bool IsObjectNameChar(char c);

// The refusal of a name longer than the card allows, where Allowed characters were left for
// the part the user chose.
std::string NameTooLongText(std::size_t allowed);

// Why NewName (the name's bytes) cannot become an object's name, empty when it can. Its first
// PrefixLength bytes are the sub-groups the user did not edit (the tree edits only the last
// part of a name): they are not checked for their characters, and the length refusal counts
// only the rest.
std::string RenameRefusal(std::string_view newName, std::size_t prefixLength = 0);

// The same rules for NewName replacing the name OldName: bytes that NewName keeps from OldName
// (their common start and end) may be any, as may its first KeptPrefix bytes (sub-groups the
// user did not type); the length refusal counts the bytes after KeptPrefix.
std::string RenameRefusal(std::string_view newName, std::string_view oldName,
                          std::size_t keptPrefix);

} // namespace brelk
