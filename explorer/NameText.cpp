#include "explorer/NameText.h"

#include "card/CatEntry.h"
#include "formats/GlobalStuff.h"

namespace brelk {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Bytes with the escapes that VisibleName writes read back.
std::string Unescape(std::string_view bytes) {
    std::string raw;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\\' && i + 1 < bytes.size() && bytes[i + 1] == '\\') {
            raw += '\\';
            ++i;
        } else if (bytes[i] == '\\' && i + 3 < bytes.size() && bytes[i + 1] == 'x' &&
                   HexDigit(bytes[i + 2]) >= 0 && HexDigit(bytes[i + 3]) >= 0) {
            raw += char(HexDigit(bytes[i + 2]) * 16 + HexDigit(bytes[i + 3]));
            i += 3;
        } else {
            raw += bytes[i];
        }
    }
    return raw;
}

} // namespace

std::string NameText(std::string_view raw) {
    return CodePage1252ToUtf8(VisibleName(raw));
}

bool NameFromText(std::string_view text, std::string& raw) {
    std::string bytes;
    if (!Utf8ToCodePage1252(text, bytes)) {
        if (IsUtf8(text))
            return false; // a character the code page lacks: no name on a card has it
        bytes.assign(text.begin(), text.end());
    }
    raw = Unescape(bytes);
    return true;
}

} // namespace brelk
