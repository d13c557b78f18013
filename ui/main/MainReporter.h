// The card object's reporter in the window: hides the splash window when it is visible, so
// that the message is not covered, and shows the text in a modal error box.
#pragma once

#include "card/Reporter.h"

#include <QPointer>

class TPrompter;
class TfrmSplash;

class TMainReporter : public brelk::TBrelkReporter {
  public:
    explicit TMainReporter(TPrompter& prompter) : Prompter(prompter) {}
    void SetSplash(TfrmSplash* splash);
    void ReportError(const std::string& text) override;

  private:
    TPrompter& Prompter;
    QPointer<TfrmSplash> Splash;
};
