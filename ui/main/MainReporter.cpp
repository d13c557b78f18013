#include "ui/main/MainReporter.h"

#include "ui/aux/AboutSplash.h"
#include "ui/aux/Prompter.h"

void TMainReporter::SetSplash(TfrmSplash* splash) {
    Splash = splash;
}

void TMainReporter::ReportError(const std::string& text) {
    if (Splash)
        Splash->HideIfVisible();
    Prompter.Message(QString::fromStdString(text), TPrompter::TIcon::Error,
                     TPrompter::TButtons::OK);
}
