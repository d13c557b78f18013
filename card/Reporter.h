// Where the card object sends its device error messages. The window shows them in a modal
// error box; brelk writes them to standard error; tests record them.
#pragma once

#include <string>

namespace brelk {

class TBrelkReporter {
  public:
    virtual ~TBrelkReporter() = default;
    virtual void ReportError(const std::string& text) = 0;
};

} // namespace brelk
