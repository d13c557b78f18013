#include "formats/FileView.h"

#include "formats/BBCBasic.h"
#include "formats/DFSDetails.h"

#include <algorithm>

namespace brelk {

namespace {

constexpr unsigned kHexBytesPerRow = 16;

bool IsLineEnd(std::uint8_t c) {
    return c == '\r' || c == '\n';
}

// CR, LF, CR LF and LF CR each end one line.
std::vector<std::string> TextLines(std::span<const std::uint8_t> data) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint8_t c = data[i];
        if (!IsLineEnd(c)) {
            line += char(c);
            continue;
        }
        if (i + 1 < data.size() && IsLineEnd(data[i + 1]) && data[i + 1] != c)
            ++i;
        lines.push_back(std::move(line));
        line.clear();
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

std::vector<std::string> HexLines(std::span<const std::uint8_t> data) {
    return HexViewLines(data.data(), data.size(), std::uint32_t(data.size()), kHexBytesPerRow);
}

} // namespace

bool ParseFileViewAs(const std::string& word, TFileViewAs& as) {
    static const std::pair<const char*, TFileViewAs> words[] = {{"auto", TFileViewAs::Auto},
                                                                {"basic", TFileViewAs::Basic},
                                                                {"text", TFileViewAs::Text},
                                                                {"hex", TFileViewAs::Hex}};
    for (const auto& [text, value] : words)
        if (word == text) {
            as = value;
            return true;
        }
    return false;
}

bool LooksLikeText(std::span<const std::uint8_t> data) {
    return !data.empty() && std::all_of(data.begin(), data.end(), [](std::uint8_t b) {
        return (b >= 0x20 && b < 0x7F) || b == '\r' || b == '\n' || b == '\t';
    });
}

bool FileViewLines(std::span<const std::uint8_t> data, TFileViewAs as,
                   std::vector<std::string>& lines, std::string& why) {
    switch (as) {
    case TFileViewAs::Basic:
        return DetokeniseBasic(data, lines, why);
    case TFileViewAs::Text:
        lines = TextLines(data);
        return true;
    case TFileViewAs::Hex:
        lines = HexLines(data);
        return true;
    case TFileViewAs::Auto:
        break;
    }
    std::string ignored;
    if (DetokeniseBasic(data, lines, ignored) && !lines.empty())
        return true;
    lines = LooksLikeText(data) ? TextLines(data) : HexLines(data);
    return true;
}

} // namespace brelk
