// The one interface a job talks to its front end through: notices, typed questions with one
// answer type, reports of what it did, and the progress of its steps. Questions and reports
// carry data; the front ends word them. The window answers with its message boxes and wait
// window; brelk with its options, a question on the terminal where it asks one, and a line on
// standard error.
#pragma once

#include "explorer/JobProgress.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

namespace brelk {

struct TBrelkCatEntry;
struct TBrelk_RawCatalogueEntry;

enum class TNotice { Error, Warning, Information };

// What a job asks. Each front end words the question itself.
namespace query {
// A PC file or an object named Name is there already: replace it? An import takes All as a
// yes to every later object of the job it would overwrite.
struct TOverwrite {
    std::string Name;
};
// A restore of Count objects from the index file Index onto a card without a catalogue: format
// it first (Yes) or give up (anything else)?
struct TMustFormat {
    std::size_t Count = 0;
    std::string Index;
};
// A restore of Count objects from Index with formatting first chosen: format (Yes), restore
// onto the card as it is (No) or give up (Cancel)?
struct TFormatFirst {
    std::size_t Count = 0;
    std::string Index;
};
// Formatting the card loses what it holds: a catalogue of Count objects (when Catalogue) and
// whatever Foreign names (a PC file system, a disc or tape image or other data found at its
// start; empty when none). Asked before every format.
struct TLoseObjects {
    std::size_t Count = 0;
    bool Catalogue = false;
    std::string Foreign;
};
// Row of a list, read from File, gives no object name: leave it out (Yes) or stop (anything
// else)?
struct TNameMissing {
    std::size_t Row = 0;
    std::string File;
};
// Name, among the objects to move to "Deleted objects", is deleted already: go on (Yes; it
// stays a deleted object) or change nothing (anything else)? Asked once, for the first.
struct TDeletedAlready {
    std::string Name;
};
// A damaged catalogue is to be repaired as Plan says (one line, RepairPlanSummary): go ahead?
struct TRepairCatalogue {
    std::string Plan;
};
} // namespace query

using TQuery =
    std::variant<query::TOverwrite, query::TMustFormat, query::TFormatFirst, query::TLoseObjects,
                 query::TNameMissing, query::TDeletedAlready, query::TRepairCatalogue>;

// All: yes, and to every later question of the same kind in this job.
enum class TAnswer { Yes, No, Cancel, All };

inline bool Agreed(TAnswer answer) {
    return answer == TAnswer::Yes || answer == TAnswer::All;
}

// What a job did that its front end may show at once; nothing needs an answer.
namespace report {
// The import wrote Object (its Entry as placed on the card).
struct TObjectAdded {
    const TBrelk_RawCatalogueEntry* Object = nullptr;
};
// The disc of Entry was squashed or expanded; SizeBefore is its size until then.
struct TDiscConverted {
    const TBrelkCatEntry* Entry = nullptr;
    std::uint32_t SizeBefore = 0;
};
} // namespace report

using TReport = std::variant<report::TObjectAdded, report::TDiscConverted>;

// The overload set a front end visits a query or a report with: one lambda per alternative,
// so an alternative without one does not compile.
template <class... TLambdas> struct TOverloaded : TLambdas... { using TLambdas::operator()...; };
template <class... TLambdas> TOverloaded(TLambdas...) -> TOverloaded<TLambdas...>;

// Whether TAnswers has an Answer for the query type TAsked, and for every query.
template <class TAnswers, class TAsked>
concept AnswersQuery = requires(TAnswers& answers, const TAsked& asked) {
    { answers.Answer(asked) } -> std::same_as<TAnswer>;
};
template <class TAnswers, class... TAsked>
constexpr bool AnswersAll(const std::variant<TAsked...>*) {
    return (AnswersQuery<TAnswers, TAsked> && ...);
}
template <class TAnswers>
concept AnswersEveryQuery = AnswersAll<TAnswers>(static_cast<const TQuery*>(nullptr));

// Hands Question to the Answer of Answers (a front end's answers, one Answer per query type)
// that takes its type. A query missing here, or an Answers without an Answer for it, does not
// compile: no question goes unanswered by default.
template <AnswersEveryQuery TAnswers>
TAnswer AnswerWith(TAnswers& answers, const TQuery& question) {
    return std::visit(
        TOverloaded{
            [&answers](const query::TOverwrite& asked) { return answers.Answer(asked); },
            [&answers](const query::TMustFormat& asked) { return answers.Answer(asked); },
            [&answers](const query::TFormatFirst& asked) { return answers.Answer(asked); },
            [&answers](const query::TLoseObjects& asked) { return answers.Answer(asked); },
            [&answers](const query::TNameMissing& asked) { return answers.Answer(asked); },
            [&answers](const query::TDeletedAlready& asked) { return answers.Answer(asked); },
            [&answers](const query::TRepairCatalogue& asked) { return answers.Answer(asked); },
        },
        question);
}

class TJobUser {
  public:
    virtual ~TJobUser() = default;
    virtual void Notify(TNotice kind, const std::string& text) = 0;
    virtual TAnswer Ask(const TQuery& question) = 0;
    // Told as the job goes; a front end that shows none of it leaves this as it is.
    virtual void Tell(const TReport& report) { (void)report; }
    // The progress of the job's steps; null shows nothing and never cancels.
    virtual TJobProgress* Progress() { return nullptr; }
};

} // namespace brelk
