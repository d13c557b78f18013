// Everything that asks the user something goes through TPrompter: message boxes and file
// and folder dialogs. The window uses TQtPrompter; tests use TScriptedPrompter, which records
// each question and answers from a queue.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

class TPrompter {
  public:
    enum class TIcon { Error, Warning, Information, Confirmation };
    enum class TButtons { OK, YesNo, YesNoCancel, YesCancel, RetryDiscardCancel };
    enum class TAnswer { OK, Yes, No, Cancel, Retry, Discard };

    virtual ~TPrompter() = default;
    // A modal message box. Text may hold carriage returns (character 13) as line breaks.
    // DefaultAnswer is the button that Enter presses: the first one (OK, Yes or Retry) unless a
    // question that destroys data asks for No (or Cancel) and the box has that button.
    virtual TAnswer Message(const QString& text, TIcon icon, TButtons buttons,
                            TAnswer defaultAnswer = TAnswer::Yes) = 0;
    // File dialogs: an empty result (or list) means the user cancelled. A filter lists pairs
    // "Description|patterns" joined by "|", patterns separated by ";" ("*.*" means any file),
    // for example "Disc images (*.ssd)|*.ssd|All files (*.*)|*.*".
    virtual QStringList OpenFiles(const QString& title, const QString& filter,
                                  const QString& folder) = 0;
    // One existing file. SelectedFilter, when given and not empty, names the description of
    // the filter entry that the dialog starts with.
    virtual QString OpenFile(const QString& title, const QString& filter, const QString& folder,
                             QString* selectedFilter = nullptr) = 0;
    // SelectedFilter, when given, receives the description of the filter entry in use when
    // the user confirmed (and, when not empty on entry, names the entry to start with).
    virtual QString SaveFile(const QString& title, const QString& filter, const QString& fileName,
                             QString* selectedFilter = nullptr) = 0;
    // A check box shown with a folder dialog: Checked is its state on entry and, once the
    // user has chosen a folder, the state the user left it in.
    struct TFolderOption {
        QString Text;
        bool Checked = false;
    };
    virtual QString PickFolder(const QString& title, const QString& folder,
                               TFolderOption* option = nullptr) = 0;
};
