// Properties that the readers of the files inside discs and tapes keep for any input bytes:
// the DFS file reader and its changes, the ADFS tree and file reader, the tape files and the
// BASIC detokeniser. The fuzzers abort when one fails; the tests replay them over the real
// images and the inputs the fuzzers once found.
#pragma once

#include "formats/ADFS.h"
#include "formats/ADFSDetails.h"
#include "formats/BBCBasic.h"
#include "formats/DFSFiles.h"
#include "formats/FileView.h"
#include "formats/TapeFiles.h"

#include <string>
#include <vector>

namespace discfilesproperties {

using namespace brelk;
using TBytes = std::vector<std::uint8_t>;

// Every file of every side reads inside the side or is refused with its name; inserting
// and deleting a file keeps a disc that lists the file, then no longer does.
inline std::string DFSFailure(const std::uint8_t* data, std::size_t size) {
    const TBytes object(data, data + size);
    TDFSDiscSides sides;
    std::string why;
    if (!ReadDFSDiscSides(object, sides, why))
        return why.empty() ? "refusal without a reason" : "";
    for (std::size_t k = 0; k < sides.Spans.size(); ++k) {
        const TDFSSideSpan span = sides.Spans[k];
        if (span.Offset > object.size() || span.Count > object.size() - span.Offset)
            return "side span outside the object";
        const std::span<const std::uint8_t> bytes(object.data() + span.Offset, span.Count);
        for (const TAcornDFSCatEntry& entry : sides.Disc.aDiscSides[k].Entries) {
            TBytes file;
            const bool read = ReadDFSFileBytes(bytes, sides.Disc.aDiscSides[k], entry, file, why);
            if (read ? file.size() != entry.Length
                     : why.find(DFSFullName(entry)) == std::string::npos)
                return "file read of the wrong length or refused without its name";
        }
    }
    TBytes changed = object;
    const TBytes payload(300, 0x5A);
    auto insert = [&](TBytes& side, std::string& reason) {
        return InsertDFSFile(side, {"Z.FUZZED", 0x1900, 0x8023, false, payload}, reason);
    };
    if (!EditDFSDiscSide(changed, 0, insert, why))
        return changed == object ? "" : "a refused insert changed the disc";
    TDFSDiscSides after;
    if (!ReadDFSDiscSides(changed, after, why))
        return "an insert left a disc whose first side is refused";
    auto remove = [](TBytes& side, std::string& reason) {
        return DeleteDFSFile(side, "Z.FUZZED", reason);
    };
    if (!EditDFSDiscSide(changed, 0, remove, why))
        return "the inserted file could not be deleted: " + why;
    return "";
}

// The tree reads or is refused with a reason; every file reads at its length or is refused
// naming its path; the text form has a line for each entry.
inline std::string ADFSFailure(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> image(data, size);
    TADFSDisc disc;
    std::string why;
    if (!ReadADFSDisc(image, disc, why))
        return why.empty() ? "refusal without a reason" : "";
    for (const TADFSEntry& entry : disc.Entries) {
        TBytes file;
        if (entry.IsDirectory)
            continue;
        if (ReadADFSFileBytes(image, disc, entry, file, why)
                ? file.size() != entry.Length
                : why.find(entry.Path) == std::string::npos)
            return "file read of the wrong length or refused without its path";
    }
    // The text form: six lines of header and heading, then one line per entry.
    const std::size_t lines = ADFSDiscLines(image).size();
    if (lines != (disc.Entries.empty() ? 5 : 6 + disc.Entries.size()))
        return "text form without one line per entry";
    return "";
}

// The detokeniser lists or refuses with a reason; every view of the bytes succeeds but
// BASIC, and the tape reader gives files whose bytes it collected.
inline std::string BasicFailure(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    std::vector<std::string> lines;
    std::string why;
    if (!DetokeniseBasic(bytes, lines, why) && why.find("not a BASIC program") != 0)
        return "refusal without a reason";
    for (const TFileViewAs as : {TFileViewAs::Auto, TFileViewAs::Text, TFileViewAs::Hex})
        if (!FileViewLines(bytes, as, lines, why))
            return "a view other than BASIC refused";
    for (const TTapeFile& file : ReadTapeFiles(bytes))
        if (file.Data.size() > size)
            return "a tape file longer than its tape";
    return "";
}

} // namespace discfilesproperties
