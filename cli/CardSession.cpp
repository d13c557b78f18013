#include "cli/CardSession.h"

#include "card/CatalogueCheck.h"
#include "cli/Commands.h"
#include "explorer/AcornWildcard.h"
#include "explorer/NameText.h"
#include "explorer/ObjectSelection.h"
#include "explorer/ObjectTransfer.h"
#include "formats/GlobalStuff.h"

#include <algorithm>
#include <optional>

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
                           TCardAccess access, bool quickCheck)
    : Path(path), Reporter(err), Brelk(std::make_unique<TBrelk>(Reporter)) {
    auto cache = args.Number("--cache-size", 1, kMaxCacheSize).value_or(kDefaultCacheSize);
    auto zone = args.Number("--safety-zone", 0, 0xFFFFFFFFu).value_or(kDefaultSafetyZone);
    if (args.Has("--reuse-deleted-space") && args.Has("--no-reuse-deleted-space"))
        throw TUsageError("--reuse-deleted-space and --no-reuse-deleted-space exclude each other");
    Brelk->SetReuseDeletedSpace(!args.Has("--no-reuse-deleted-space"));
    Brelk->SetRewriteObjectHeader(args.Has("--rewrite-header"));
    Brelk->SetWriteWithoutRecord(args.Has("--force"));
    Brelk->SetDriveColonInMessages(false); // brelk names the card by its path alone
    // Readers too: an opening looks for the journal of a change cut short.
    Brelk->SetCatalogueKeeper(&Keeper);
    if (!Brelk->Initialize(std::uint32_t(cache), path, std::uint32_t(zone), access))
        Fail(path + ": the card cannot be used");
    if (quickCheck && !args.Has(kQuietOption.Name))
        WarnOfDamage(err);
}

void TCardSession::WarnOfDamage(std::ostream& err) {
    if (!Brelk->CatalogueError().empty())
        return; // the card layer has said why the catalogue cannot be read
    const auto damage = QuickCheckCard(*Brelk);
    if (damage)
        err << "brelk: warning: " << Path << ": the catalogue is damaged: " << damage->Text
            << "; run 'brelk check " << Path << "' for the whole check\n";
}

void TCardSession::Fail(const std::string& message) {
    throw TFailure(Reporter.Count > 0 ? std::string() : message);
}

void TCardSession::RequireCatalogue() {
    if (!Brelk->State().DeviceOK || Brelk->Window().Size == 0)
        Fail(Path + ": the size of the card could not be read");
    RequireReadableCatalogue();
    if (!Brelk->State().CatalogueValid)
        Fail(Path + ": the card is not formatted (no Brelk catalogue); run 'brelk format CARD' "
                    "first");
}

void TCardSession::RequireReadableCatalogue() {
    if (!Brelk->State().CatalogueValid && !Brelk->CatalogueError().empty())
        Fail(Path + ": the catalogue cannot be read: " + Brelk->CatalogueError());
}

void TCardSession::Finish() {
    if (!Commit())
        throw TFailure("");
}

bool TCardSession::Commit() {
    if (Brelk->FlushMMCDevice())
        return true;
    if (Brelk->ChangeRefused())
        Reporter.ReportError("give --force to write it all the same");
    else if (Reporter.Count == 0)
        Reporter.ReportError(Path + ": the card could not be written");
    return false;
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

std::string SelectionFailure(const TObjectSelection& selection, const TObjectChoice& choice) {
    const std::string name = "'" + NameText(selection.Pattern) + "'";
    if (selection.Fault == TSelectionFault::Ambiguous)
        return std::to_string(selection.Count) + " objects are named " + name +
               "; choose one with --type or --address (see 'brelk ls')";
    return (HasAcornWildcard(selection.Pattern) ? "no object matches " : "no object named ") +
           name + (choice.Type ? " of type " + std::to_string(*choice.Type) : std::string()) +
           (choice.Address ? " at address " + FormatHex8(*choice.Address) : std::string());
}

} // namespace

std::string RawName(const std::string& text) {
    std::string raw;
    return NameFromText(text, raw) ? raw : text;
}

std::vector<const TBrelkCatEntry*> TCardSession::FindObjects(const std::vector<std::string>& names,
                                                             const TArgs& args) {
    TObjectChoice choice;
    if (const auto type = args.Number("--type", 0, 255))
        choice.Type = std::uint8_t(*type);
    choice.Address = AddressOption(args);
    std::vector<std::string> raw;
    for (const std::string& text : names)
        raw.push_back(RawName(text));
    TObjectSelection selection = SelectObjects(*Brelk, raw, choice);
    if (selection.Fault != TSelectionFault::None)
        throw TFailure(Path + ": " + SelectionFailure(selection, choice));
    return std::move(selection.Entries);
}

const TBrelkCatEntry* TCardSession::FindObject(const std::string& name, const TArgs& args) {
    const std::vector<const TBrelkCatEntry*> found = FindObjects({name}, args);
    if (found.size() > 1)
        throw TFailure(Path + ": '" + NameText(RawName(name)) + "' matches " +
                       std::to_string(found.size()) + " objects; this command takes one");
    return found.front();
}

} // namespace brelk::cli
