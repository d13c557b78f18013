// A job's progress in the main window's wait window: its step as the caption, done of total as
// the bar, the item as the line below, and the window's Cancel button as the cancel.
#pragma once

#include "explorer/JobProgress.h"
#include "ui/main/Main.h"

class TMainWaitProgress final : public brelk::TJobProgress {
  public:
    explicit TMainWaitProgress(TfrmMain& window) : Window(window) {}
    void Begin(const std::string& text, bool cancelable = true, bool counted = true) override {
        Window.ShowWaitWindow(QString::fromStdString(text), cancelable, counted);
    }
    bool Report(std::size_t done, std::size_t total, const std::string& item) override {
        return Window.ReportProgress(QString::fromStdString(item), brelk::PercentDone(done, total));
    }
    void End() override { Window.CloseWaitWindow(); }

  private:
    TfrmMain& Window;
};
