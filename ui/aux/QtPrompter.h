// TQtPrompter: the window's prompter, with QMessageBox and QFileDialog.
#pragma once

#include "ui/aux/Prompter.h"

#include <QPointer>

class TQtPrompter : public TPrompter {
  public:
    // Parent: the window the dialogs are centred on (may be null, and may change later).
    explicit TQtPrompter(QWidget* parent = nullptr);
    void SetParent(QWidget* parent);

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

    // "Description|patterns|..." as Qt's "Description (patterns);;..." (exposed for tests).
    static QString QtFilter(const QString& filter);
    // The description of the entry of Filter that Qt's entry QtEntry was made from.
    static QString DescriptionFor(const QString& filter, const QString& qtEntry);
    // A message text as shown: carriage returns (alone or before a line feed) become line feeds.
    static QString ShownText(const QString& text);
    // Qt's entry for the filter entry named Description; empty when there is none.
    static QString QtEntryFor(const QString& filter, const QString& description);

  private:
    QWidget* Owner() const;
    QPointer<QWidget> Parent;
};
