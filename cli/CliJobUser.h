// brelk's side of a job: notices as "brelk: TEXT" lines on standard error (line breaks become
// spaces), questions answered by each command from its options (Cancel unless it says
// otherwise; an object without a name is left out with an error), and the progress it was
// given.
#pragma once

#include "explorer/JobUser.h"

#include <ostream>
#include <string>

namespace brelk::cli {

// Text with its carriage returns as single spaces: one line.
inline std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text)
        if (c != '\r')
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    return line;
}

class TCliJobUser : public TJobUser {
  public:
    explicit TCliJobUser(std::ostream& err, TJobProgress* progress = nullptr)
        : Err(err), Shown(progress) {}
    void Notify(TNotice kind, const std::string& text) override {
        if (!Quiet || kind == TNotice::Error)
            Err << "brelk: " << OneLine(text) << "\n";
    }
    // With -q only errors are told.
    void SetQuiet(bool quiet) { Quiet = quiet; }
    TAnswer Ask(const TQuery& question) final { return AnswerWith(*this, question); }
    TJobProgress* Progress() override { return Shown; }
    void SetProgress(TJobProgress* progress) { Shown = progress; }

    // One answer per query: what brelk answers unless a command says otherwise.
    virtual TAnswer Answer(const query::TOverwrite&) { return TAnswer::Cancel; }
    virtual TAnswer Answer(const query::TMustFormat&) { return TAnswer::Cancel; }
    virtual TAnswer Answer(const query::TFormatFirst&) { return TAnswer::Cancel; }
    virtual TAnswer Answer(const query::TLoseObjects&) { return TAnswer::Cancel; }
    virtual TAnswer Answer(const query::TNameMissing& missing) {
        Notify(TNotice::Error, "'" + missing.File + "' gives no usable object name.");
        return TAnswer::Yes;
    }
    virtual TAnswer Answer(const query::TDeletedAlready&) { return TAnswer::Cancel; }
    virtual TAnswer Answer(const query::TRepairCatalogue&) { return TAnswer::Cancel; }

  protected:
    std::ostream& Err;

  private:
    TJobProgress* Shown;
    bool Quiet = false;
};

} // namespace brelk::cli
