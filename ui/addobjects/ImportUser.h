// The add-objects dialog's progress and Cancel through the main window's wait window; its
// messages and questions go through the window's job user (ui/main/MainJobUser.h).
#pragma once

#include "explorer/JobProgress.h"

#include <QString>

class QWidget;
class TfrmMain;

// The main window's wait window with its Cancel button and progress bar. Shown for a modal
// dialog (Owner), it belongs to that dialog while it shows: a modal dialog never blocks its
// own windows, so Cancel stays usable whatever the dialog's modality.
class TWaitWindowProgress : public brelk::TJobProgress {
  public:
    explicit TWaitWindowProgress(TfrmMain& main, QWidget* owner = nullptr)
        : Main(main), Owner(owner) {}
    ~TWaitWindowProgress() override;
    void Begin(const std::string& text, bool cancelable = true, bool counted = true) override;
    bool Report(std::size_t done, std::size_t total, const std::string& item) override;
    void End() override;

  private:
    void ReturnWaitWindow();
    TfrmMain& Main;
    QWidget* Owner;
    QWidget* PreviousParent = nullptr;
    bool Lent = false;
};
