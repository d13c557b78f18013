#include "cli/Args.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace brelk::cli {

namespace {

std::vector<std::string> OptionNames(const std::vector<TOptionSpec>& specs) {
    std::vector<std::string> names;
    for (const auto& spec : specs) {
        names.push_back(spec.Name);
        if (!spec.Alias.empty())
            names.push_back(spec.Alias);
    }
    return names;
}

// The number of single-character changes (insert, delete, replace, swap of neighbours) that
// turn A into B.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

std::size_t LeadingDashes(const std::string& word) {
    return std::min(word.find_first_not_of('-'), word.size());
}

} // namespace

std::string ClosestName(const std::string& word, const std::vector<std::string>& known) {
    // Up to one slip in a short word, two in a longer one.
    const std::size_t letters = word.size() - LeadingDashes(word);
    const std::size_t allowed = letters <= 4 ? 1 : 2;
    std::string best;
    std::size_t bestDistance = allowed + 1;
    for (const std::string& name : known)
        if (const std::size_t distance = EditDistance(word, name); distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    if (!best.empty() || letters < 3)
        return best;
    std::vector<std::string> started;
    for (const std::string& name : known)
        if (name.size() > word.size() && name.compare(0, word.size(), word) == 0)
            started.push_back(name);
    return started.size() == 1 ? started.front() : std::string();
}

std::string DidYouMean(const std::string& word, const std::vector<std::string>& known) {
    const std::string closest = ClosestName(word, known);
    return closest.empty() ? std::string() : "; did you mean '" + closest + "'?";
}

TArgs::TArgs(const std::vector<std::string>& args, const std::vector<TOptionSpec>& specs) {
    auto find = [&](const std::string& arg) -> const TOptionSpec* {
        for (const auto& spec : specs)
            if (arg == spec.Name || (!spec.Alias.empty() && arg == spec.Alias))
                return &spec;
        return nullptr;
    };
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyPositional || arg.size() < 2 || arg[0] != '-') {
            Positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = arg, inlineValue;
        bool hasInline = false;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
            hasInline = true;
        }
        const TOptionSpec* spec = find(name);
        if (!spec)
            throw TUsageError("unknown option '" + name + "'" +
                              DidYouMean(name, OptionNames(specs)));
        if (!spec->TakesValue) {
            if (hasInline)
                throw TUsageError("option '" + spec->Name + "' takes no value");
            Values[spec->Name] = "";
        } else if (hasInline) {
            Values[spec->Name] = inlineValue;
        } else if (i + 1 < args.size()) {
            Values[spec->Name] = args[++i];
        } else {
            throw TUsageError("option '" + spec->Name + "' needs a value");
        }
    }
}

std::optional<std::string> TArgs::Value(const std::string& name) const {
    auto it = Values.find(name);
    if (it == Values.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::uint64_t> TArgs::Number(const std::string& name, std::uint64_t min,
                                           std::uint64_t max) const {
    auto text = Value(name);
    if (!text)
        return std::nullopt;
    auto value = ParseNumber(*text);
    if (!value || *value < min || *value > max)
        throw TUsageError("option '" + name + "' needs a number from " + std::to_string(min) +
                          " to " + std::to_string(max) + ", not '" + *text + "'");
    return value;
}

void TArgs::ExpectPositional(std::size_t count, const std::string& names) const {
    if (Positionals.size() < count)
        throw TUsageError("missing argument: expected " + names);
    if (Positionals.size() > count)
        throw TUsageError("unexpected argument '" + Positionals[count] + "'");
}

std::optional<std::uint64_t> ParseNumber(const std::string& text) {
    int base = 10;
    std::size_t start = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        start = 2;
    }
    if (start >= text.size())
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        char c = char(std::tolower(static_cast<unsigned char>(text[i])));
        int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                    : (base == 16 && c >= 'a' && c <= 'f')      ? c - 'a' + 10
                                                                : -1;
        if (digit < 0 || value > (std::numeric_limits<std::uint64_t>::max() - digit) / base)
            return std::nullopt;
        value = value * base + std::uint64_t(digit);
    }
    return value;
}

std::optional<std::uint64_t> ParseSize(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    std::uint64_t factor = 1;
    std::string digits = text;
    switch (std::toupper(static_cast<unsigned char>(text.back()))) {
    case 'K':
        factor = 1024;
        break;
    case 'M':
        factor = 1024 * 1024;
        break;
    case 'G':
        factor = 1024 * 1024 * 1024;
        break;
    default:
        break;
    }
    if (factor != 1)
        digits.pop_back();
    auto value = ParseNumber(digits);
    if (!value || *value > std::numeric_limits<std::uint64_t>::max() / factor)
        return std::nullopt;
    return *value * factor;
}

} // namespace brelk::cli
