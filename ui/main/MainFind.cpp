// Tools > "Find files..." (Ctrl+F): the find job that brelk find runs, in a dialog that lists
// the files as they are found; a double click shows the file in the object's list of files.
#include "ui/main/Main.h"

#include "explorer/FindFiles.h"
#include "ui/aux/NameText.h"
#include "ui/aux/Prompter.h"
#include "ui/main/FindFilesDialog.h"
#include "ui/main/MainWidgets.h"
#include "ui/main/ObjectFilesMenu.h"

#include <QAction>
#include <QCheckBox>
#include <QStringList>
#include <QTabBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

// The record of the catalogue that is Entry to the byte, or none.
const brelk::TBrelkCatEntry* RecordLike(const brelk::TBrelk& card,
                                        const brelk::TBrelkCatEntry& entry) {
    for (const brelk::TBrelkCatEntry* record : card.Entries())
        if (record->Bytes == entry.Bytes)
            return record;
    return nullptr;
}

// The file's full name as the list shows it: the names of its directories and its own,
// joined by full stops ("$.GAMES.ELITE" in an ADFS tree, "B.ELITE" in a flat list).
QString ListedName(const QTreeWidgetItem* item) {
    QStringList parts;
    for (; item; item = item->parent())
        parts.prepend(item->text(0));
    return parts.join(QLatin1Char('.'));
}

} // namespace

void TfrmMain::CreateFindCommand() {
    actnFindFiles = MakeAction("actnFindFiles", QStringLiteral("F&ind files..."));
    actnFindFiles->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    SetActionHandler(actnFindFiles, [this] { actnFindFilesExecute(); });
}

void TfrmMain::actnFindFilesExecute() {
    if (!FindWindow)
        FindWindow = new TfrmFindFiles(
            this,
            [this](const brelk::TFindRequest& request, const brelk::TFoundFileFn& found,
                   brelk::TJobProgress* progress) {
                // Another operation in the middle of its work: the catalogue may change.
                if (IsBusy())
                    return brelk::TFindOutcome{0, 0, {}, true};
                TBusyScope busy(*this);
                return brelk::FindFiles(*Brelk, request, found, progress);
            },
            [this](const brelk::TBrelkCatEntry& entry, const brelk::TMediaFile& file) {
                SelectObjectFile(entry, file.Side, file.Name);
            });
    FindWindow->show();
    FindWindow->raise();
    FindWindow->activateWindow();
}

bool TfrmMain::SelectObjectFile(const brelk::TBrelkCatEntry& entry, int side,
                                const std::string& name) {
    const brelk::TBrelkCatEntry* record = Brelk && !IsBusy() ? RecordLike(*Brelk, entry) : nullptr;
    TMyTreeNode* node = record ? ObjectNode(record) : nullptr;
    if (!node) {
        Ask.Message(QStringLiteral("The object '%1' is no longer on the Brelk-card as it was "
                                   "when it was found; search again.")
                        .arg(CardNameText(entry.Name())),
                    TPrompter::TIcon::Information, TPrompter::TButtons::OK);
        return false;
    }
    treevwObjects->setCurrentItem(node);
    treevwObjects->scrollToItem(node);
    if (MemoClickActive)
        memoObjectDetailsClick();
    const int tab = entry.Subtype() == brelk::kSubtypeDFS ? brelk::DFSSideOfDrive(side) : 0;
    if (tab >= 0 && tab != tbctrlObjectDetails->currentIndex())
        tbctrlObjectDetails->setCurrentIndex(tab);
    chkDetailsText->setChecked(false);
    return SelectListedFile(MediaText(name));
}

TMyTreeNode* TfrmMain::ObjectNode(const brelk::TBrelkCatEntry* record) {
    TMyTreeNode* root = RootNode();
    for (int i = 0; root && i < root->childCount(); ++i)
        if (root->Child(i)->ObjectType == record->Type())
            FillGroup(root->Child(i));
    for (QTreeWidgetItemIterator it(treevwObjects); *it; ++it)
        if ((*it)->type() == TMyTreeNode::kNodeType &&
            static_cast<TMyTreeNode*>(*it)->Entry == record)
            return static_cast<TMyTreeNode*>(*it);
    return nullptr;
}

bool TfrmMain::SelectListedFile(const QString& name) {
    for (QTreeWidgetItemIterator it(lvObjectFiles); *it; ++it)
        if ((*it)->childCount() == 0 && ListedName(*it) == name) {
            lvObjectFiles->clearSelection();
            lvObjectFiles->setCurrentItem(*it);
            (*it)->setSelected(true);
            lvObjectFiles->scrollToItem(*it);
            return true;
        }
    return false;
}
