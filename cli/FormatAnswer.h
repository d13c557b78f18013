// How brelk answers the format job's question (query::TLoseObjects), for format and for
// restore --format: what the card holds is asked about on a terminal and refused without one.
#pragma once

#include "cli/Commands.h"
#include "explorer/JobUser.h"

#include <string>

namespace brelk::cli {

class TFormatAnswer {
  public:
    // Force agrees to everything. CatalogueAgreed: losing a Brelk catalogue needs no question
    // (restore --format). Hint tells how to format over foreign contents anyway.
    TFormatAnswer(const std::string& path, TContext& context, bool force, bool catalogueAgreed,
                  std::string hint);
    TAnswer Answer(const query::TLoseObjects& lose);
    // Why the answer was no.
    const std::string& Refusal() const { return Why; }

  private:
    TAnswer Confirm(const std::string& question, const std::string& refusal);
    const std::string Path;
    TContext& Context;
    const bool Force;
    const bool CatalogueAgreed;
    const std::string Hint;
    std::string Why;
};

} // namespace brelk::cli
