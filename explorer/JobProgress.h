// The one progress interface of every job: the window shows it in its wait window, brelk as a
// line on its terminal. A null progress shows nothing and never cancels.
#pragma once

#include <cstddef>
#include <string>

namespace brelk {

class TJobProgress {
  public:
    virtual ~TJobProgress() = default;
    // A step begins. Text says what runs; Cancelable, whether the user may stop it; Counted,
    // whether the reports count items toward a known total (a progress bar).
    virtual void Begin(const std::string& text, bool cancelable = true, bool counted = true) = 0;
    // Done of Total items are handled, Item names the last; true when the user asked to stop
    // before the call began.
    virtual bool Report(std::size_t done, std::size_t total, const std::string& item) = 0;
    virtual void End() = 0;
};

// Done of Total in percent; 100 when there is nothing to do.
inline float PercentDone(std::size_t done, std::size_t total) {
    return total == 0 ? 100.0f : float(done) / float(total) * 100.0f;
}

} // namespace brelk
