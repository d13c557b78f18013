// The one interface a job talks to its front end through: notices, typed questions with typed
// answers, and the progress of its steps. The window answers with its message boxes and wait
// window; brelk with its options, a question on the terminal where it asks one, and a line on
// standard error.
#pragma once

#include "explorer/JobProgress.h"

#include <cstddef>
#include <string>
#include <variant>

namespace brelk {

enum class TNotice { Error, Warning, Information };

// What a job asks. Each front end words the question itself.
namespace query {
// A PC file or an object named Name is there already: replace it?
struct TOverwrite {
    std::string Name;
};
// The card holds no catalogue: format it before the job goes on?
struct TMustFormat {};
// The job writes a new catalogue: format the card first?
struct TFormatFirst {};
// Formatting the card loses what it holds: a catalogue of Count objects (when Catalogue) and
// whatever Foreign names (a PC file system, a disc or tape image or other data found at its
// start; empty when none). Asked before every format.
struct TLoseObjects {
    std::size_t Count = 0;
    bool Catalogue = false;
    std::string Foreign;
};
// Row of a list gives no object name: leave it out?
struct TNameMissing {
    std::size_t Row = 0;
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

class TJobUser {
  public:
    virtual ~TJobUser() = default;
    virtual void Notify(TNotice kind, const std::string& text) = 0;
    virtual TAnswer Ask(const TQuery& question) = 0;
    // The progress of the job's steps; null shows nothing and never cancels.
    virtual TJobProgress* Progress() { return nullptr; }
};

} // namespace brelk
