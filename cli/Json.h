// A small JSON writer for brelk's --json output: objects, arrays, strings and integers.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace brelk::cli {

// The text as a JSON string literal; bytes above 0x7E are written as \u00XX (Latin-1).
std::string JsonString(std::string_view text);

class TJsonWriter {
  public:
    explicit TJsonWriter(std::ostream& out) : Out(out) {}
    TJsonWriter& BeginObject(const char* key = nullptr);
    TJsonWriter& EndObject();
    TJsonWriter& BeginArray(const char* key = nullptr);
    TJsonWriter& EndArray();
    TJsonWriter& Field(const char* key, std::int64_t value);
    TJsonWriter& Field(const char* key, std::uint64_t value) {
        return Field(key, std::int64_t(value));
    }
    TJsonWriter& Field(const char* key, std::uint32_t value) {
        return Field(key, std::int64_t(value));
    }
    TJsonWriter& Field(const char* key, int value) { return Field(key, std::int64_t(value)); }
    TJsonWriter& Field(const char* key, bool value);
    TJsonWriter& Field(const char* key, std::string_view value);
    TJsonWriter& Field(const char* key, const char* value) {
        return Field(key, std::string_view(value));
    }

  private:
    void Separate(const char* key);
    std::ostream& Out;
    bool First = true;
};

} // namespace brelk::cli
