#include "cli/Json.h"

#include <cstdio>

namespace brelk::cli {

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u > 0x7E) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(u));
            out += escape;
        } else {
            out += c;
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
