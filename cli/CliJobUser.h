// brelk's side of a job: notices as "brelk: TEXT" lines on standard error (line breaks become
// spaces), questions answered by each command from its options (Cancel unless it says
// otherwise), and the progress it was given.
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
    TAnswer Ask(const TQuery&) override { return TAnswer::Cancel; }
    TJobProgress* Progress() override { return Shown; }

  protected:
    std::ostream& Err;

  private:
    TJobProgress* Shown;
    bool Quiet = false;
};

} // namespace brelk::cli
