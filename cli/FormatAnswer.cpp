#include "cli/FormatAnswer.h"

#include <istream>
#include <ostream>
#include <utility>

namespace brelk::cli {

TFormatAnswer::TFormatAnswer(const std::string& path, TContext& context, bool force,
                             bool catalogueAgreed, std::string hint)
    : Path(path), Context(context), Force(force), CatalogueAgreed(catalogueAgreed),
      Hint(std::move(hint)) {}

TAnswer TFormatAnswer::Answer(const query::TLoseObjects& lose) {
    if (Force)
        return TAnswer::Yes;
    if (!lose.Foreign.empty())
        return Confirm("Format " + Path + "? It holds " + lose.Foreign +
                           ", which formatting destroys. [y/N] ",
                       "it holds " + lose.Foreign + "; formatting destroys it (" + Hint + ")");
    if (!lose.Catalogue || CatalogueAgreed)
        return TAnswer::Yes;
    const std::string objects =
        std::to_string(lose.Count) + (lose.Count == 1 ? " object" : " objects");
    return Confirm("Format " + Path + " and lose its " + objects + "? [y/N] ",
                   "it holds a Brelk catalogue of " + objects +
                       "; give --force to format it without a question");
}

// Asks Question on the terminal; without one the answer is no, for Refusal.
TAnswer TFormatAnswer::Confirm(const std::string& question, const std::string& refusal) {
    if (!Context.Terminals.In) {
        Why = refusal;
        return TAnswer::No;
    }
    Context.Err << question << std::flush;
    std::string answer;
    std::getline(Context.In, answer);
    if (answer == "y" || answer == "Y" || answer == "yes")
        return TAnswer::Yes;
    Why = "not formatted";
    return TAnswer::No;
}

} // namespace brelk::cli
