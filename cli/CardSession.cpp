#include "cli/CardSession.h"

#include "explorer/ObjectTransfer.h"

#include <algorithm>

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

TCardSession::TCardSession(const std::string& path, const TArgs& args, std::ostream& err)
    : Path(path), Reporter(err), Brelk(std::make_unique<TBrelk>(Reporter)) {
    auto cache = args.Number("--cache-size", 1, kMaxCacheSize).value_or(kDefaultCacheSize);
    auto zone = args.Number("--safety-zone", 0, 0xFFFFFFFFu).value_or(kDefaultSafetyZone);
    if (args.Has("--reuse-deleted-space") && args.Has("--no-reuse-deleted-space"))
        throw TUsageError("--reuse-deleted-space and --no-reuse-deleted-space exclude each other");
    Brelk->ReuseDeletedSpace = !args.Has("--no-reuse-deleted-space");
    Brelk->RewriteObjectHeader = args.Has("--rewrite-header");
    if (!Brelk->Initialize(std::uint32_t(cache), path, std::uint32_t(zone)))
        Fail(path + ": the card cannot be used");
}

void TCardSession::Fail(const std::string& message) {
    throw TFailure(Reporter.Count > 0 ? std::string() : message);
}

void TCardSession::RequireCatalogue() {
    if (!Brelk->DeviceOK || Brelk->CacheSize == 0)
        Fail(Path + ": the size of the card could not be read");
    if (!Brelk->CatalogueValid)
        Fail(Path + ": the card is not formatted (no Brelk catalogue)");
}

void TCardSession::Finish() {
    if (!Brelk->FlushMMCDevice())
        Fail(Path + ": the card could not be written");
}

TBrelkCatEntry* TCardSession::FindObject(const std::string& name, const TArgs& args) {
    auto type = args.Number("--type", 0, 255);
    std::vector<TBrelkCatEntry*> matches;
    for (const auto& entry : Brelk->Catalogue)
        if (SameName(entry->Name(), name) && (!type || entry->Type() == *type))
            matches.push_back(entry.get());
    if (matches.empty())
        throw TFailure(Path + ": no object named '" + name + "'" +
                       (type ? " of type " + std::to_string(*type) : std::string()));
    if (matches.size() > 1)
        throw TFailure(Path + ": " + std::to_string(matches.size()) + " objects are named '" +
                       name + "'; choose one with --type");
    return matches.front();
}

} // namespace brelk::cli
