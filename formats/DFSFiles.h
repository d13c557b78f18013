// The files inside a DFS disc: the files of every side of a disc object, each file's bytes,
// and the changes DFS itself makes to a side (save into the first gap that fits, delete,
// rename, lock and unlock), on the bytes of one side or of a whole disc object.
#pragma once

#include "formats/AcornDFS.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brelk {

// The bytes of one side inside a disc object.
struct TDFSSideSpan {
    std::size_t Offset = 0;
    std::size_t Count = 0;
};

// The sides of a disc object in the card's form (sides back to back, possibly squashed).
struct TDFSDiscSides {
    TAcornDFSDiscObject Disc;
    std::vector<TDFSSideSpan> Spans; // one per side of Disc
};

// Walks the sides of Object. False, with the reason in Why, when the first side is refused.
bool ReadDFSDiscSides(std::span<const std::uint8_t> object, TDFSDiscSides& sides, std::string& why);

// The drive number of side Index (0, 2, 1, 3, 4) and back (-1 for a drive with no side).
int DFSDriveOfSide(int sideIndex);
int DFSSideOfDrive(int drive);

// "D.NAME", the name without the trailing spaces a catalogue keeps.
std::string DFSFullName(const TAcornDFSCatEntry& entry);

// The bytes of Entry, a file of the side Side whose bytes are SideBytes. False, with a
// reason naming the file, when the file runs past the side's sector count or past the bytes
// the side holds.
bool ReadDFSFileBytes(std::span<const std::uint8_t> sideBytes, const TDFSDiscSide& side,
                      const TAcornDFSCatEntry& entry, std::vector<std::uint8_t>& data,
                      std::string& why);

// A name as DFS takes it: "D.NAME" or "NAME" (directory "$"); one directory character and
// one to seven name characters, printable, none of space . : " # *. False with the reason.
bool ParseDFSName(const std::string& text, char& directory, std::string& name, std::string& why);
// Whether DFS takes C in a name: printable, none of space . : " # *.
bool IsDFSNameCharacter(char c);

// A file to save into a side.
struct TDFSNewFile {
    std::string Name; // "D.NAME" or "NAME"
    std::uint32_t Load = 0;
    std::uint32_t Exec = 0;
    bool Locked = false;
    std::span<const std::uint8_t> Data;
};

// The changes to one side's bytes (Side grows when a file is placed past its end). Each
// refuses, with the reason and Side unchanged, a refused catalogue, a name not found, a
// locked file (delete, rename), a bad name, a name already there, a full catalogue (31
// files, or 62 with the second catalogue) and a full disc. Each catalogue change counts the
// cycle number on, as DFS does.
bool InsertDFSFile(std::vector<std::uint8_t>& side, const TDFSNewFile& file, std::string& why);
bool DeleteDFSFile(std::vector<std::uint8_t>& side, const std::string& name, std::string& why);
bool RenameDFSFile(std::vector<std::uint8_t>& side, const std::string& from, const std::string& to,
                   std::string& why);
bool LockDFSFile(std::vector<std::uint8_t>& side, const std::string& name, bool locked,
                 std::string& why);

// The side's settings that *TITLE and *OPT 4 change; an absent one stays as it is.
struct TDFSSideSettings {
    std::optional<std::string> Title;       // up to 12 printable characters
    std::optional<std::uint8_t> BootOption; // 0 none, 1 load, 2 run, 3 exec
};

inline constexpr std::size_t kMaxDFSTitle = 12;

// Writes the title (sector 0 bytes 0-7 and sector 1 bytes 0-3, zero-padded as DFS's *TITLE
// leaves it) and the boot option (sector 1 byte 6 bits 4-5), and counts the cycle number on.
// Refuses, Side unchanged, a refused catalogue, a title longer than 12 characters or holding
// a character that is not printable, and a boot option above 3.
bool SetDFSSideSettings(std::vector<std::uint8_t>& side, const TDFSSideSettings& settings,
                        std::string& why);

// A change to the bytes of one side, with its reason when it is refused.
using TDFSSideEdit = std::function<bool(std::vector<std::uint8_t>& side, std::string& why)>;

// Applies Edit to side SideIndex of the disc object Object (the card's form). A disc kept
// squashed is expanded for the change and squashed again after it, so it grows or shrinks
// with the change; a full disc keeps its sides' lengths. False, Object unchanged, when the
// first side is refused, the side does not exist or the edit is refused.
bool EditDFSDiscSide(std::vector<std::uint8_t>& object, int sideIndex, const TDFSSideEdit& edit,
                     std::string& why);

} // namespace brelk
