// The add dialog's long operations: the analysis of the list and the import on OK, during
// which nothing may change the pending objects, and files dropped from a file manager.
#include "ui/addobjects/AddFile.h"

#include "explorer/Backup.h"
#include "ui/addobjects/ImportUser.h"
#include "ui/aux/DroppedFiles.h"
#include "ui/main/Main.h"
#include "ui/main/MainJobUser.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

brelk::TImportOptions TfrmAddFile::ImportOptions() const {
    brelk::TImportOptions options;
    options.GuessDistributor = Main.UserSettings().ImportGuessDistributor;
    options.OverwriteExisting = Main.UserSettings().ImportOverwriteExisting;
    options.AskBeforeOverwrite = Main.UserSettings().ImportAskBeforeOverwrite;
    return options;
}

// While busy the grid, the details, the buttons, keys, the popup menu and drops are all
// refused, so the wait window's event processing cannot change the list being worked on.
void TfrmAddFile::SetBusy(bool busy) {
    static const char* const kControls[] = {"strnggrdFiles",  "grpbxFileDetails", "btbtnSquashAll",
                                            "btbtnExpandAll", "btbtnOK",          "btbtnCancel"};
    if (busy == Busy)
        return;
    Busy = busy;
    for (const char* name : kControls) {
        auto* control = findChild<QWidget*>(QString::fromLatin1(name));
        if (busy) {
            control->setProperty("enabledBeforeBusy", control->isEnabled());
            control->setEnabled(false);
        } else {
            control->setEnabled(control->property("enabledBeforeBusy").toBool());
        }
    }
}

void TfrmAddFile::AnalyseAll() {
    TWaitWindowProgress progress(Main, this);
    TPrompterJobUser user(Main.Prompter(), &progress);
    SetBusy(true);
    brelk::AnalysePendingObjects(Main.Pending(), ImportOptions(), user);
    MarkObjectsOnCard();
    SetBusy(false);
}

// The first ticked object without a name, -1 when every one has a name.
int TfrmAddFile::FirstUnnamed() const {
    for (int i = 0; i < PendingCount(); ++i)
        if (Pending(i)->Entry.Name().empty() && Ticked(Pending(i)))
            return i;
    return -1;
}

void TfrmAddFile::btbtnOKClick() {
    if (Busy || PendingCount() == 0 || !ValidateObjectName(edtFilename->text()))
        return;
    StorePendingDetails(CurrentIndex);
    UpdateFileGridRow(CurrentIndex);
    // An object never shown may still have no name (an untitled tape): it is shown and asked
    // for, as for the object in the details, rather than written nameless.
    if (const int unnamed = FirstUnnamed(); unnamed >= 0) {
        ShowPendingObject(unnamed);
        ValidateObjectName(QString());
        return;
    }
    DropUnticked();
    TWaitWindowProgress progress(Main, this);
    TPrompterJobUser user(Main.Prompter(), &progress);
    {
        TfrmMain::TBusyScope mainBusy(Main);
        SetBusy(true);
        if (Mode == TAddMode::Restore)
            Import = brelk::ImportRestoreList(*Main.Card(), Main.Pending(),
                                              brelk::RestoreRuleFor(ImportOptions()), user)
                         .Result;
        else
            Import =
                brelk::ImportPendingObjects(*Main.Card(), Main.Pending(), ImportOptions(), user);
        SetBusy(false);
    }
    Imported = true;
    FormClose();
    accept();
}

// ---------------------------------------------------------------------------------------------
// Files dropped from a file manager

void TfrmAddFile::dragEnterEvent(QDragEnterEvent* event) {
    if (!Busy && event->source() == nullptr && !DroppedLocalPaths(event->mimeData()).isEmpty())
        AcceptAsCopy(*event);
    else
        event->ignore();
}

void TfrmAddFile::dragMoveEvent(QDragMoveEvent* event) {
    if (!Busy && event->source() == nullptr)
        AcceptAsCopy(*event);
    else
        event->ignore();
}

// The drop is accepted at once and the files are taken afterwards, so the file manager is
// not kept waiting while they are analysed.
void TfrmAddFile::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedLocalPaths(event->mimeData());
    if (Busy || event->source() != nullptr || paths.isEmpty()) {
        event->ignore();
        return;
    }
    if (AcceptAsCopy(*event))
        QTimer::singleShot(0, this, [this, paths] { HandleDroppedFiles(paths); });
}

void TfrmAddFile::HandleDroppedFiles(const QStringList& paths) {
    if (Busy || !isVisible())
        return;
    StorePendingDetails(CurrentIndex);
    TPrompterJobUser user(Main.Prompter());
    for (const QString& path : paths)
        brelk::AddPendingPath(Main.Pending(), QFile::encodeName(path).toStdString(), user);
    AnalyseAll();
    RefreshFileGrid();
    ShowPendingObject(PendingCount() - 1);
    UpdateSpaceTotals();
}
