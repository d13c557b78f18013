// One card opened for one brelk command: the card object, its reporter on standard error,
// and the final flush.
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
    // Opens CARD with the card options of Args; throws TFailure when it cannot be opened.
    TCardSession(const std::string& path, const TArgs& args, std::ostream& err);
    TBrelk& Card() { return *Brelk; }
    // Throws TFailure unless the card's size is known and it carries a catalogue.
    void RequireCatalogue();
    // Writes the catalogue and the cache to the card; throws TFailure when that failed.
    void Finish();
    // A failure of this command: the message, unless the card layer has said it already.
    [[noreturn]] void Fail(const std::string& message);
    // The entry named Name (letter case ignored), narrowed by --type when given.
    TBrelkCatEntry* FindObject(const std::string& name, const TArgs& args);
    // The entry of each of Names, in order, found in one walk of the catalogue.
    std::vector<TBrelkCatEntry*> FindObjects(const std::vector<std::string>& names,
                                             const TArgs& args);

    const std::string Path;

  private:
    TStreamReporter Reporter;
    std::unique_ptr<TBrelk> Brelk;
};

} // namespace brelk::cli
