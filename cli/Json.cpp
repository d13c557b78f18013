#include "cli/Json.h"

#include "formats/GlobalStuff.h"

#include <cstdio>

namespace brelk::cli {

// UTF-8 passes as it is; a byte that begins no UTF-8 sequence is taken as Latin-1 and
// escaped, so the output is always valid JSON.
std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const long code = NextCodePoint(text, at);
        if (code == '"' || code == '\\') {
            out += '\\';
            out += char(code);
        } else if (code >= 0x80) {
            out.append(text.substr(start, at - start));
        } else if (code >= 0x20 && code < 0x7F) {
            out += char(code);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x",
                          unsigned(static_cast<unsigned char>(text[start])));
            out += escape;
        }
    }
    return out + "\"";
}

void TJsonWriter::Separate(const char* key) {
    if (!First)
        Out << ", ";
    First = false;
    if (key)
        Out << JsonString(key) << ": ";
}

TJsonWriter& TJsonWriter::BeginObject(const char* key) {
    Separate(key);
    Out << "{";
    First = true;
    return *this;
}

TJsonWriter& TJsonWriter::EndObject() {
    Out << "}";
    First = false;
    return *this;
}

TJsonWriter& TJsonWriter::BeginArray(const char* key) {
    Separate(key);
    Out << "[";
    First = true;
    return *this;
}

TJsonWriter& TJsonWriter::EndArray() {
    Out << "]";
    First = false;
    return *this;
}

TJsonWriter& TJsonWriter::Field(const char* key, std::int64_t value) {
    Separate(key);
    Out << value;
    return *this;
}

TJsonWriter& TJsonWriter::Field(const char* key, bool value) {
    Separate(key);
    Out << (value ? "true" : "false");
    return *this;
}

TJsonWriter& TJsonWriter::Field(const char* key, std::string_view value) {
    Separate(key);
    Out << JsonString(value);
    return *this;
}

} // namespace brelk::cli
