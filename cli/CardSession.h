// One card opened for one brelk command: the card object, its reporter on standard error,
// the card's lock for the command's whole run, and the explicit, checked commit.
#pragma once

#include "card/Brelk.h"
#include "cli/Args.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace brelk::cli {

// Writes the card layer's messages to standard error, one line each.
class TStreamReporter final : public TBrelkReporter {
  public:
    explicit TStreamReporter(std::ostream& err) : Err(err) {}
    void ReportError(const std::string& text) override;
    int Count = 0;

  private:
    std::ostream& Err;
};

class TCardSession {
  public:
    // Opens CARD with the card options of Args, for reading only (a shared lock) or for
    // writing (an exclusive lock; the previous catalogue is kept before each rewrite);
    // throws TFailure when it cannot be opened or another program holds it. Unless -q or
    // QuickCheck is false, a catalogue that the quick check finds damaged is a warning.
    TCardSession(const std::string& path, const TArgs& args, std::ostream& err, TCardAccess access,
                 bool quickCheck = true);
    TBrelk& Card() { return *Brelk; }
    // Throws TFailure unless the card's size is known and it carries a catalogue.
    void RequireCatalogue();
    // Throws TFailure when the card carries a catalogue that could not be read (a read
    // error, a damaged Count); a card without any catalogue passes.
    void RequireReadableCatalogue();
    // The commit: object data, then the catalogue, each synced; throws TFailure when any
    // step failed.
    void Finish();
    // The same commit without the throw: false, with the failure said on standard error,
    // when any step failed (for a command that tells what reached the card before it fails).
    bool Commit();
    // A failure of this command: the message, unless the card layer has said it already.
    [[noreturn]] void Fail(const std::string& message);
    // The one entry that Name (a name or a wildcard pattern) selects, narrowed by --type and
    // --address when given; TFailure when it selects none or several.
    const TBrelkCatEntry* FindObject(const std::string& name, const TArgs& args);
    // The entries that Names select (see SelectObjects), each once; TFailure naming the first
    // name that selects nothing, or a plain name that several objects share.
    std::vector<const TBrelkCatEntry*> FindObjects(const std::vector<std::string>& names,
                                                   const TArgs& args);

    const std::string Path;

  private:
    // A warning (never a failure) when the quick check at opening finds the catalogue damaged.
    void WarnOfDamage(std::ostream& err);

    TStreamReporter Reporter;
    TStateFolderKeeper Keeper;
    std::unique_ptr<TBrelk> Brelk;
};

// The name's bytes that Text, as brelk shows names, stands for; a character no name shows
// leaves the text as it is, so only the same bytes can match.
std::string RawName(const std::string& text);

} // namespace brelk::cli
