// TScriptedPrompter: the tests' prompter. It records every question (message text, icon and
// buttons; dialog titles, filters and start folders) and answers from queues that the test
// fills beforehand. A question that finds its queue empty is recorded as unexpected and gets
// the most careful answer (Cancel, else No, else OK; an empty file name) and a warning in the
// test log, so that a test can check Unexpected() and fail loudly.
#pragma once

#include "ui/aux/Prompter.h"

#include <QList>

#include <functional>

class TScriptedPrompter : public TPrompter {
  public:
    enum class TKind { Message, OpenFiles, OpenFile, SaveFile, PickFolder };
    struct TQuestion {
        TKind Kind = TKind::Message;
        QString Text; // message text, or the dialog's title
        TIcon Icon = TIcon::Information;
        TButtons Buttons = TButtons::OK;
        TAnswer Default = TAnswer::OK; // the button Enter presses
        QString Filter;                // file dialogs
        QString Folder;                // start folder, or the proposed file name of SaveFile
        QString SelectedFilter; // OpenFile: the filter entry the dialog was asked to start with
        QString Option;         // PickFolder: the check box offered, and its state on entry
        bool OptionChecked = false;
        bool Unexpected = false;
    };

    // Answers to message boxes with more buttons than OK, used in order. A box with
    // only OK is answered OK without using this queue.
    void QueueAnswer(TAnswer answer) { Answers.append(answer); }
    // Results of file and folder dialogs (all kinds share one queue, in order); an empty
    // string or list stands for the user cancelling.
    void QueueFiles(const QStringList& files) { Files.append(files); }
    void QueueFile(const QString& file) {
        Files.append(file.isEmpty() ? QStringList{} : QStringList{file});
    }
    // The filter entry reported by the next SaveFile calls (in order); none: the first entry.
    void QueueSelectedFilter(const QString& filter) { SelectedFilters.append(filter); }
    // The states the user leaves the check boxes of the next folder dialogs in (in order);
    // none: as offered.
    void QueueOption(bool checked) { Options.append(checked); }

    // Called with each message question once it is recorded, before it is answered: a test
    // may change the world there (put a card back before a Retry).
    std::function<void(const TQuestion&)> OnMessage;

    const QList<TQuestion>& Questions() const { return Asked; }
    // Message texts in order (only message boxes).
    QStringList Messages() const;
    const TQuestion& Last() const { return Asked.last(); }
    // True when any question found its queue empty or a queued answer its box cannot give.
    bool Unexpected() const;
    // Queued answers and files nobody asked for.
    bool AllAnswersUsed() const {
        return Answers.isEmpty() && Files.isEmpty() && Options.isEmpty();
    }
    // A readable list of every question, for failure messages.
    QString Describe() const;
    void Clear();

    TAnswer Message(const QString& text, TIcon icon, TButtons buttons,
                    TAnswer defaultAnswer = TAnswer::Yes) override;
    QStringList OpenFiles(const QString& title, const QString& filter,
                          const QString& folder) override;
    QString OpenFile(const QString& title, const QString& filter, const QString& folder,
                     QString* selectedFilter = nullptr) override;
    QString SaveFile(const QString& title, const QString& filter, const QString& fileName,
                     QString* selectedFilter = nullptr) override;
    QString PickFolder(const QString& title, const QString& folder,
                       TFolderOption* option = nullptr) override;

  private:
    void WarnIfUnexpected() const;
    QStringList NextFiles(TKind kind, const QString& title, const QString& filter,
                          const QString& folder);

    QList<TQuestion> Asked;
    QList<TAnswer> Answers;
    QList<QStringList> Files;
    QStringList SelectedFilters;
    QList<bool> Options;
};
