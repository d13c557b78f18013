// Adding objects from the main window: the add-objects dialog, and PC files and folders
// dropped on the window from a file manager.
#include "ui/main/Main.h"

#include "ui/addobjects/AddFile.h"
#include "ui/aux/DroppedFiles.h"
#include "ui/aux/Prompter.h"
#include "ui/main/MainJobUser.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

TfrmAddFile* TfrmMain::AddObjectsDialog() {
    if (!AddFileWindow)
        AddFileWindow = new TfrmAddFile(*this, this); // a child: it goes with the window
    return AddFileWindow;
}

bool TfrmMain::ExecuteAddObjectsDialog(TAddMode mode) {
    TfrmAddFile* dialog = AddObjectsDialog();
    // Modal to this window only, so the wait window (Cancel) stays usable while it works.
    dialog->setWindowModality(Qt::WindowModal);
    dialog->SetMode(mode);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    dialog->SetMode(TAddMode::Add);
    if (accepted) {
        PopulateTreeInfo();
        UpdateTopbarInfo();
    }
    while (!PendingObjects.empty())
        PendingObjects.pop_back();
    return accepted;
}

void TfrmMain::actnAddObjectsExecute() {
    if (!IsBusy())
        ExecuteAddObjectsDialog();
}

void TfrmMain::HandleDroppedFiles(const QStringList& paths) {
    if (IsBusy())
        return;
    const QChar cr(13);
    if (!Brelk->State().CatalogueValid) {
        Ask.Message(Brelk->State().DeviceOK
                        ? QStringLiteral("No Brelk-formatted card - you cannot drop files.") + cr +
                              cr +
                              QStringLiteral("Please format the MMC-card first (Tools|Format MMC).")
                        : QStringLiteral("No valid device - you cannot drop files.") + cr + cr +
                              QStringLiteral("Please insert a MMC-card or select the correct drive "
                                             "(Tools|Settings)."),
                    TPrompter::TIcon::Error, TPrompter::TButtons::OK);
        return;
    }
    TPrompterJobUser user(Ask);
    for (const QString& path : paths)
        brelk::AddPendingPath(PendingObjects, QFile::encodeName(path).toStdString(), user);
    ExecuteAddObjectsDialog();
}

// Files from a file manager only: a drag from the program's own tree brings nothing new.
bool TfrmMain::AcceptsDroppedFiles(const QDropEvent& event) const {
    return !IsBusy() && event.source() == nullptr && !DroppedLocalPaths(event.mimeData()).isEmpty();
}

// The drop is finished first and the files are taken afterwards, so the file manager is not
// kept waiting while the dialog is open.
void TfrmMain::TakeDroppedFiles(const QDropEvent& event) {
    const QStringList paths = DroppedLocalPaths(event.mimeData());
    QTimer::singleShot(0, this, [this, paths] { HandleDroppedFiles(paths); });
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!AcceptsDroppedFiles(*event))
        event->ignore();
    else
        AcceptAsCopy(*event);
}

void TfrmMain::dragMoveEvent(QDragMoveEvent* event) {
    if (!AcceptsDroppedFiles(*event))
        event->ignore();
    else
        AcceptAsCopy(*event);
}

void TfrmMain::dropEvent(QDropEvent* event) {
    if (!AcceptsDroppedFiles(*event))
        event->ignore();
    else if (AcceptAsCopy(*event))
        TakeDroppedFiles(*event);
}
