// The window's side of a job: notices as message boxes, progress in the wait window (when
// given); each command answers the questions of its job (Cancel unless it says otherwise).
#pragma once

#include "explorer/JobUser.h"
#include "ui/aux/Prompter.h"

#include <QFile>

class TPrompterJobUser : public brelk::TJobUser {
  public:
    explicit TPrompterJobUser(TPrompter& prompter, brelk::TJobProgress* progress = nullptr)
        : Prompter(prompter), Wait(progress) {}
    void Notify(brelk::TNotice kind, const std::string& text) override {
        const auto icon = kind == brelk::TNotice::Error     ? TPrompter::TIcon::Error
                          : kind == brelk::TNotice::Warning ? TPrompter::TIcon::Warning
                                                            : TPrompter::TIcon::Information;
        Prompter.Message(QFile::decodeName(QByteArray::fromStdString(text)), icon,
                         TPrompter::TButtons::OK);
    }
    brelk::TAnswer Ask(const brelk::TQuery&) override { return brelk::TAnswer::Cancel; }
    brelk::TJobProgress* Progress() override { return Wait; }

  protected:
    TPrompter& Prompter;

  private:
    brelk::TJobProgress* Wait;
};
