// Command-line parsing for brelk: positional arguments plus options that each command declares.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace brelk::cli {

// A usage error: exit status 2.
struct TUsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// A failure of the command: exit status 1.
struct TFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct TOptionSpec {
    std::string Name;  // "--type"
    bool TakesValue;   // "--type N" versus "--replace"
    std::string Alias; // "-o" for "--output", may be empty
};

class TArgs {
  public:
    // Parses Args against Specs; throws TUsageError for unknown options or missing values.
    TArgs(const std::vector<std::string>& args, const std::vector<TOptionSpec>& specs);

    const std::vector<std::string>& Positional() const { return Positionals; }
    bool Has(const std::string& name) const { return Values.count(name) != 0; }
    std::optional<std::string> Value(const std::string& name) const;
    // A number option: decimal or 0x-hexadecimal, within [Min, Max].
    std::optional<std::uint64_t> Number(const std::string& name, std::uint64_t min,
                                        std::uint64_t max) const;
    // Exactly Count positional arguments named in Names, else TUsageError.
    void ExpectPositional(std::size_t count, const std::string& names) const;

  private:
    std::vector<std::string> Positionals;
    std::map<std::string, std::string> Values;
};

// The one of Known that Word was most likely meant to be (a slip of a key or two, or the start
// of only one of them); empty when none is close.
std::string ClosestName(const std::string& word, const std::vector<std::string>& known);
// "; did you mean 'NAME'?" for the ClosestName of Word, empty when there is none.
std::string DidYouMean(const std::string& word, const std::vector<std::string>& known);

// Parses a decimal or 0x-hexadecimal number; nullopt when it is not one.
std::optional<std::uint64_t> ParseNumber(const std::string& text);
// Parses a size with an optional K, M or G suffix (powers of 1024).
std::optional<std::uint64_t> ParseSize(const std::string& text);

} // namespace brelk::cli
