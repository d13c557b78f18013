#include "explorer/ContentAnalysis.h"

#include "formats/ADFS.h"
#include "formats/AcornDFS.h"
#include "formats/Classify.h"
#include "formats/DFSSideWalk.h"
#include "formats/Filingsystem.h"
#include "formats/UEF.h"

#include <algorithm>
#include <cstring>

namespace brelk {

namespace {

std::string LowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return ext;
}

bool HasDiscExtension(const std::string& ext) {
    return ext == ".ssd" || ext == ".dsd" || ext == ".sdd" || ext == ".ddd";
}

bool StartsWithUEFText(const std::vector<std::uint8_t>& bytes) {
    static const char magic[] = "uef file!";
    if (bytes.size() < 9)
        return false;
    for (std::size_t i = 0; i < 9; ++i) {
        const char c = char(bytes[i]);
        if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != magic[i])
            return false;
    }
    return true;
}

// Why bytes that look like a disc or tape are a tool; empty when they do not look like one.
std::string ToolNote(const std::vector<std::uint8_t>& bytes, const std::string& path) {
    if (bytes.empty())
        return "the file is empty";
    TTapeBlock block;
    if (ParseTapeBlock(bytes.data(), bytes.size(), block))
        return "raw tape blocks without a UEF container";
    if (StartsWithUEFText(bytes))
        return bytes.size() > 9 && bytes[9] == 0 ? "UEF header cut short"
                                                 : "UEF magic not followed by a zero byte";
    const std::string ext = LowerExtension(path);
    if (HasDiscExtension(ext))
        return DFSRefusalReason(bytes);
    if (ext == ".uef")
        return "no UEF magic at the start";
    return {};
}

// The notes on a disc's form: sides cut short (the card gets them padded with zeros up to
// their last used sector) and bytes behind the last side (not kept).
// Side0Present: the bytes of side 0 that the file holds (an interleaved file's form has side 0
// padded to its sector count already).
void NoteDiscForm(const std::vector<std::uint8_t>& form, std::size_t side0Present,
                  TContentAnalysis& result) {
    std::vector<std::string> notes;
    if (!result.Note.empty())
        notes.push_back(result.Note);
    TAcornDFSDiscObject walked;
    std::vector<std::uint64_t> offsets;
    const int sides = WalkDFSSides(walked, form.data(), form.size(), &offsets);
    const TDFSDiscSide& first = walked.aDiscSides.front();
    const std::size_t side0Used =
        std::size_t(std::min<std::uint32_t>(first.LastUsedSector + 1u, first.SectorCount)) *
        kDFSSectorBytes;
    bool padded = false;
    const std::size_t squashed = SquashedDiscLength(form, &padded);
    if (squashed != 0 && (padded || side0Present < side0Used)) {
        result.DataSize = std::max<std::uint32_t>(result.DataSize, std::uint32_t(squashed));
        notes.push_back("the file ends before the last used sector: padded with zeros");
    }
    const std::uint64_t end =
        offsets.back() +
        std::uint64_t(walked.aDiscSides[std::size_t(sides) - 1].SectorCount) * kDFSSectorBytes;
    if (end < form.size()) {
        const std::span<const std::uint8_t> rest(form.data() + end, form.size() - end);
        notes.push_back(std::to_string(rest.size()) +
                        " bytes after the last side not kept: " + DFSRefusalReason(rest));
    }
    result.Note.clear();
    for (const std::string& note : notes)
        result.Note += (result.Note.empty() ? "" : "; ") + note;
}

// A disc whose side 0 the DFS test accepted: its title, layout and the sides kept.
void DescribeDisc(const std::vector<std::uint8_t>& bytes, const std::string& path,
                  const TDFSDiscSide& side0, TContentAnalysis& result) {
    result.Title = side0.Title;
    result.Layout = GuessDFSLayout(bytes.data(), bytes.size(), HasDsdExtension(path));
    const bool interleaved = result.Layout.Layout == TDFSLayout::Interleaved;
    result.ReadAs = interleaved ? TReadAs::DFSInterleaved : TReadAs::DFS;
    if (interleaved) {
        // The bytes the file holds for its sides; the conversion pads side 0 when it is
        // stored whole, and squashing never keeps more than these.
        std::size_t present = 0;
        std::size_t side0Present = 0;
        const std::vector<std::uint8_t> form =
            DeinterleaveDFSImage(bytes.data(), bytes.size(), &present, &side0Present);
        result.DataSize = std::uint32_t(present);
        result.DiscSides = result.Layout.Side1HasCatalogue ? 2 : 1;
        if (!result.Layout.Side1HasCatalogue)
            result.Note = "second side not kept: " + result.Layout.Side1Refusal;
        NoteDiscForm(form, side0Present, result);
    } else {
        TAcornDFSDiscObject walked;
        result.DataSize = std::uint32_t(bytes.size());
        result.DiscSides = std::uint8_t(WalkDFSSides(walked, bytes.data(), bytes.size()));
        NoteDiscForm(bytes, bytes.size(), result);
    }
}

// A UEF file; one without tape blocks would make an empty object, so it stays a tool.
void DescribeTape(const TUEF& tape, TContentAnalysis& result) {
    if (tape.UseableDataSize() == 0) {
        result.Note = "UEF file without tape blocks";
        return;
    }
    result.ReadAs = TReadAs::Tape;
    result.Title = tape.ShortTitle;
    result.DataSize = tape.UseableDataSize();
}

// An old-map ADFS floppy, known by its free space map and signed root directory: stored
// byte for byte, named after its root title unless that is the default "$".
bool DescribeADFS(const std::vector<std::uint8_t>& bytes, TContentAnalysis& result) {
    TADFSFormat format;
    if (!LooksLikeADFSOldMap(bytes, &format))
        return false;
    result.ReadAs = TReadAs::ADFS;
    result.DataSize = std::uint32_t(bytes.size());
    result.Note = ADFSFormatNote(format);
    TADFSDisc disc;
    std::string why;
    if (ReadADFSDisc(bytes, disc, why))
        result.Title = disc.RootTitle == "$" ? "" : disc.RootTitle;
    else
        result.Note += "; " + why;
    return true;
}

} // namespace

std::span<const std::uint8_t> DFSCardForm(std::span<const std::uint8_t> bytes, TReadAs readAs,
                                          std::vector<std::uint8_t>& sides) {
    if (readAs != TReadAs::DFSInterleaved)
        return bytes;
    sides = DeinterleaveDFSImage(bytes.data(), bytes.size());
    return sides;
}

TContentAnalysis AnalyseContents(const std::vector<std::uint8_t>& bytes, const std::string& path) {
    TContentAnalysis result;
    // No filing-system ROM is known by its contents: the ROM hook's checksum would decide
    // nothing, so it is not computed for every file added.
    if (DescribeADFS(bytes, result))
        return result;
    TAcornDFSDiscObject disc;
    TUEF tape;
    switch (ClassifyContents(bytes.data(), bytes.size(), disc, tape)) {
    case TContentKind::DFSDisc:
        DescribeDisc(bytes, path, disc.aDiscSides.front(), result);
        return result;
    case TContentKind::Tape:
        DescribeTape(tape, result);
        if (result.ReadAs == TReadAs::Tape)
            return result;
        break;
    case TContentKind::Tool:
        break;
    }
    result.ReadAs = TReadAs::Tool;
    result.DataSize = std::uint32_t(bytes.size());
    if (result.Note.empty())
        result.Note = ToolNote(bytes, path);
    return result;
}

TContentAnalysis AnalyseLargeFile(const std::vector<std::uint8_t>& head, std::uint64_t fileLength,
                                  const std::string& path) {
    const TContentAnalysis asHead = AnalyseContents(head, path);
    TContentAnalysis result;
    result.DataSize = std::uint32_t(fileLength);
    result.Note =
        asHead.ReadAs == TReadAs::Tool ? asHead.Note : "too large for a disc or tape image";
    return result;
}

TContentAnalysis AnalysePCFile(const TPCFileContents& contents, const std::string& path) {
    return contents.HeadOnly ? AnalyseLargeFile(contents.Bytes, contents.FileLength, path)
                             : AnalyseContents(contents.Bytes, path);
}

} // namespace brelk
