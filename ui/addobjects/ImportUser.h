// The window's side of the core's import conversation: messages and the overwrite question
// through the prompter, progress and Cancel through the wait window.
#pragma once

#include "explorer/PendingObjects.h"

#include <QString>

class TPrompter;
class QWidget;
class TfrmMain;

class TPrompterImportUser : public brelk::TImportUser {
  public:
    explicit TPrompterImportUser(TPrompter& prompter) : Ask(prompter) {}
    void ShowError(const std::string& text) override;
    brelk::TOverwriteAnswer AskOverwrite(const std::string& name) override;

  private:
    TPrompter& Ask;
};

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
