#include "cli/CardSession.h"
#include "explorer/NameText.h"

#include "explorer/ObjectTransfer.h"
#include "formats/GlobalStuff.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace brelk::cli {

namespace {
constexpr std::uint64_t kMaxCacheSize = 64u * 1024 * 1024;
} // namespace

void TStreamReporter::ReportError(const std::string& text) {
    std::string line = text;
    std::replace(line.begin(), line.end(), '\r', ' ');
    Err << "brelk: " << line << "\n";
    ++Count;
}

TCardSession::TCardSession(const std::string& path, const TArgs& args, std::ostream& err,
                           TCardAccess access)
    : Path(path), Reporter(err), Brelk(std::make_unique<TBrelk>(Reporter)) {
    auto cache = args.Number("--cache-size", 1, kMaxCacheSize).value_or(kDefaultCacheSize);
    auto zone = args.Number("--safety-zone", 0, 0xFFFFFFFFu).value_or(kDefaultSafetyZone);
    if (args.Has("--reuse-deleted-space") && args.Has("--no-reuse-deleted-space"))
        throw TUsageError("--reuse-deleted-space and --no-reuse-deleted-space exclude each other");
    Brelk->ReuseDeletedSpace = !args.Has("--no-reuse-deleted-space");
    Brelk->RewriteObjectHeader = args.Has("--rewrite-header");
    // Readers too: an opening looks for the journal of a change cut short.
    Brelk->SetCatalogueKeeper(&Keeper);
    if (!Brelk->Initialize(std::uint32_t(cache), path, std::uint32_t(zone), access))
        Fail(path + ": the card cannot be used");
}

void TCardSession::Fail(const std::string& message) {
    throw TFailure(Reporter.Count > 0 ? std::string() : message);
}

void TCardSession::RequireCatalogue() {
    if (!Brelk->DeviceOK || Brelk->CacheSize == 0)
        Fail(Path + ": the size of the card could not be read");
    RequireReadableCatalogue();
    if (!Brelk->CatalogueValid)
        Fail(Path + ": the card is not formatted (no Brelk catalogue)");
}

void TCardSession::RequireReadableCatalogue() {
    if (!Brelk->CatalogueValid && !Brelk->CatalogueError().empty())
        Fail(Path + ": the catalogue cannot be read: " + Brelk->CatalogueError());
}

void TCardSession::Finish() {
    if (!Commit())
        throw TFailure("");
}

bool TCardSession::Commit() {
    if (Brelk->FlushMMCDevice())
        return true;
    if (Reporter.Count == 0)
        Reporter.ReportError(Path + ": the card could not be written");
    return false;
}

TBrelkCatEntry* TCardSession::FindObject(const std::string& name, const TArgs& args) {
    return FindObjects({name}, args).front();
}

namespace {

// --address: hexadecimal, with or without 0x, as brelk ls shows addresses.
std::optional<std::uint32_t> AddressOption(const TArgs& args) {
    const auto text = args.Value("--address");
    if (!text)
        return std::nullopt;
    const bool prefixed = text->size() > 2 && (*text)[0] == '0' && ((*text)[1] | 0x20) == 'x';
    const auto value = ParseNumber(prefixed ? *text : "0x" + *text);
    if (!value || *value > 0xFFFFFFFFu)
        throw TUsageError("option '--address' needs a hexadecimal card address, not '" + *text +
                          "'");
    return std::uint32_t(*value);
}

} // namespace

std::vector<TBrelkCatEntry*> TCardSession::FindObjects(const std::vector<std::string>& names,
                                                       const TArgs& args) {
    const auto type = args.Number("--type", 0, 255);
    const auto address = AddressOption(args);
    // The catalogue's entries by their name keys: one walk however many names.
    std::unordered_map<std::string, std::vector<TBrelkCatEntry*>> byName;
    for (const auto& entry : Brelk->Catalogue)
        if ((!type || entry->Type() == *type) && (!address || entry->Address() == *address))
            byName[NameKey(entry->Name())].push_back(entry.get());
    std::vector<TBrelkCatEntry*> found;
    for (const std::string& text : names) {
        std::string name;
        if (!NameFromText(text, name))
            name = text; // a character no name shows: only the same bytes can match
        const auto it = byName.find(NameKey(name));
        if (it == byName.end())
            throw TFailure(Path + ": no object named '" + NameText(name) + "'" +
                           (type ? " of type " + std::to_string(*type) : std::string()) +
                           (address ? " at address " + FormatHex8(*address) : std::string()));
        if (it->second.size() > 1)
            throw TFailure(Path + ": " + std::to_string(it->second.size()) +
                           " objects are named '" + NameText(name) +
                           "'; choose one with --type or --address (see 'brelk ls')");
        found.push_back(it->second.front());
    }
    return found;
}

} // namespace brelk::cli
