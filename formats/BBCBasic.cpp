#include "formats/BBCBasic.h"

#include <cstdio>

namespace brelk {

namespace {

constexpr std::uint8_t kLineStart = 0x0D;
constexpr std::uint8_t kEndMark = 0xFF;
constexpr std::uint8_t kLineNumberToken = 0x8D;
constexpr std::uint8_t kRemToken = 0xF4;
constexpr std::uint8_t kDataToken = 0xDC;
constexpr std::size_t kLineHeader = 4;

const char* const kKeywords[128] = {
    "AND",    "DIV",     "EOR",      "MOD",    "OR",       "ERROR",  "LINE",    "OFF",
    "STEP",   "SPC",     "TAB(",     "ELSE",   "THEN",     "",       "OPENIN",  "PTR",
    "PAGE",   "TIME",    "LOMEM",    "HIMEM",  "ABS",      "ACS",    "ADVAL",   "ASC",
    "ASN",    "ATN",     "BGET",     "COS",    "COUNT",    "DEG",    "ERL",     "ERR",
    "EVAL",   "EXP",     "EXT",      "FALSE",  "FN",       "GET",    "INKEY",   "INSTR(",
    "INT",    "LEN",     "LN",       "LOG",    "NOT",      "OPENUP", "OPENOUT", "PI",
    "POINT(", "POS",     "RAD",      "RND",    "SGN",      "SIN",    "SQR",     "TAN",
    "TO",     "TRUE",    "USR",      "VAL",    "VPOS",     "CHR$",   "GET$",    "INKEY$",
    "LEFT$(", "MID$(",   "RIGHT$(",  "STR$",   "STRING$(", "EOF",    "AUTO",    "DELETE",
    "LOAD",   "LIST",    "NEW",      "OLD",    "RENUMBER", "SAVE",   "EDIT",    "PTR",
    "PAGE",   "TIME",    "LOMEM",    "HIMEM",  "SOUND",    "BPUT",   "CALL",    "CHAIN",
    "CLEAR",  "CLOSE",   "CLG",      "CLS",    "DATA",     "DEF",    "DIM",     "DRAW",
    "END",    "ENDPROC", "ENVELOPE", "FOR",    "GOSUB",    "GOTO",   "GCOL",    "IF",
    "INPUT",  "LET",     "LOCAL",    "MODE",   "MOVE",     "NEXT",   "ON",      "VDU",
    "PLOT",   "PRINT",   "PROC",     "READ",   "REM",      "REPEAT", "REPORT",  "RESTORE",
    "RETURN", "RUN",     "STOP",     "COLOUR", "TRACE",    "UNTIL",  "WIDTH",   "OSCLI",
};

std::string LineLabel(unsigned number) {
    char text[16];
    std::snprintf(text, sizeof text, "%5u", number);
    return text;
}

// The text of one line's stored bytes. False when a line-number reference is cut short.
bool LineText(std::span<const std::uint8_t> text, std::string& out) {
    bool quoted = false;
    bool literal = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::uint8_t byte = text[i];
        if (quoted || literal || byte < 0x80) {
            quoted = quoted != (byte == '"');
            out += char(byte);
            continue;
        }
        if (byte == kLineNumberToken) {
            if (text.size() - i < 4)
                return false;
            const unsigned b0 = text[i + 1];
            const unsigned low = text[i + 2] ^ ((b0 << 2) & 0xC0);
            const unsigned high = text[i + 3] ^ ((b0 << 4) & 0xC0);
            out += std::to_string(high << 8 | low);
            i += 3;
            continue;
        }
        out += BasicKeyword(byte);
        literal = byte == kRemToken || byte == kDataToken;
    }
    return true;
}

} // namespace

const char* BasicKeyword(std::uint8_t token) {
    return token >= 0x80 ? kKeywords[token - 0x80] : "";
}

bool DetokeniseBasic(std::span<const std::uint8_t> program, std::vector<std::string>& lines,
                     std::string& why) {
    lines.clear();
    std::size_t position = 0;
    std::string previous = "the start";
    while (true) {
        const std::string where = "after " + previous;
        if (position >= program.size() || program[position] != kLineStart) {
            why = "not a BASIC program: no line start (0D) " + where;
            return false;
        }
        if (program.size() - position >= 2 && program[position + 1] == kEndMark)
            return true;
        if (program.size() - position < kLineHeader) {
            why = "not a BASIC program: the line " + where + " is cut short";
            return false;
        }
        const unsigned number = unsigned(program[position + 1]) << 8 | program[position + 2];
        const std::size_t length = program[position + 3];
        const std::string line = "line " + std::to_string(number);
        if (program[position + 1] > 0x7F || length < kLineHeader ||
            length > program.size() - position) {
            why = "not a BASIC program: " + line + " has a bad number or length";
            return false;
        }
        const auto text = program.subspan(position + kLineHeader, length - kLineHeader);
        std::string out = LineLabel(number);
        if (!LineText(text, out)) {
            why = "not a BASIC program: " + line + " ends inside a line-number reference";
            return false;
        }
        lines.push_back(std::move(out));
        position += length;
        previous = line;
    }
}

} // namespace brelk
