// Object operations on the tree's selection: deleting (to "Deleted objects" or for good),
// removing the deleted objects, formatting the card; and the wiring of these commands, of
// saving and of squashing and expanding to their actions.
//
// Tree nodes point into the catalogue without owning their entries. Every path here clears a
// node's data before the entry it points at is released, so no node is left holding a freed
// entry, and nodes are only cleared during a walk (TidyTree removes them afterwards).
#include "ui/main/Main.h"

#include "ui/aux/Prompter.h"
#include "ui/main/MainWidgets.h"

#include <QAction>
#include <QTreeWidgetItemIterator>

#include <unordered_set>
#include <vector>

using brelk::TBrelkCatEntry;
using TAnswer = TPrompter::TAnswer;
using TButtons = TPrompter::TButtons;
using TIcon = TPrompter::TIcon;

namespace {

const QChar CR(13);

TMyTreeNode* AsNode(QTreeWidgetItem* item) {
    return item && item->type() == TMyTreeNode::kNodeType ? static_cast<TMyTreeNode*>(item)
                                                          : nullptr;
}

QString EntryName(const TBrelkCatEntry& entry) {
    return QString::fromLatin1(entry.Name());
}

// The node no longer stands for an object. A node that holds other nodes (an object whose
// name is also the first part of other names) goes on as their sub-group.
void ClearNodeData(TMyTreeNode* node) {
    node->Entry = nullptr;
    if (node->childCount() == 0)
        node->ObjectType = brelk::kTypeDeleted;
}

// The question of the delete command, or an empty text when it asks nothing and does nothing.
QString DeleteQuestion(const TMyTreeNode* selected, int count, bool move) {
    const QString verb = move ? QStringLiteral("move") : QStringLiteral("delete");
    const QString fate = move ? QStringLiteral("moved to 'Deleted objects'.")
                              : QStringLiteral("deleted permanently.");
    if (count != 1)
        return QStringLiteral("The selected objects will be ") + fate + CR + CR +
               QStringLiteral("Do you want to ") + verb + QStringLiteral(" these objects?");
    if (!selected || selected->ObjectType == brelk::kTypeDeleted)
        return QString();
    if (!selected->Entry)
        return QStringLiteral("All items in the subtree of '") + selected->Text() +
               QStringLiteral("' will be ") + fate + CR + CR + QStringLiteral("Do you want to ") +
               verb + QStringLiteral(" these objects?");
    return QStringLiteral("The object '") + EntryName(*selected->Entry) +
           QStringLiteral("' will be ") + fate + CR + CR + QStringLiteral("Do you want to ") +
           verb + QStringLiteral(" this object?");
}

} // namespace

void TfrmMain::CreateObjectOperations() {
    SetActionHandler(actnDeleteObjects, [this] { actnDeleteObjectsExecute(); });
    SetActionHandler(actnRemoveDeletedObjects, [this] { actnRemoveDeletedObjectsExecute(); });
    SetActionHandler(actnFormatMMC, [this] { actnFormatMMCExecute(); });
    SetActionHandler(mnuPopupSaveObject, [this] { mnuPopupSaveObjectClick(); });
    SetActionHandler(actnSquashDisc, [this] { actnSquashDiscExecute(); });
    SetActionHandler(actnExpandDisc, [this] { actnExpandDiscExecute(); });
}

QList<TMyTreeNode*> TfrmMain::SelectedNodes() const {
    QList<TMyTreeNode*> nodes;
    for (QTreeWidgetItem* item : treevwObjects->selectedItems())
        if (TMyTreeNode* node = AsNode(item))
            nodes.append(node);
    return nodes;
}

void TfrmMain::actnDeleteObjectsExecute() {
    const QList<TMyTreeNode*> selected = SelectedNodes();
    if (IsBusy() || selected.isEmpty())
        return;
    // With one node selected the question names that node (the one the command acts on).
    const QString question =
        DeleteQuestion(selected.first(), int(selected.size()), Settings.UseDeletedObjects);
    if (question.isEmpty() ||
        Ask.Message(question, TIcon::Confirmation, TButtons::YesNo) != TAnswer::Yes)
        return;
    TBusyScope busy(*this);
    // Entries removed for good go in one pass: one by one, each would rebuild the free map.
    std::vector<TBrelkCatEntry*> released;
    ReleaseBatch = &released;
    for (TMyTreeNode* node : selected)
        DeleteObjectNode(node);
    ReleaseBatch = nullptr;
    Brelk->DeleteCatEntries(released);
    ForgetReleasedEntries();
    TidyTree();
    UpdateTopbarInfo();
}

bool TfrmMain::DeleteObjectNode(TMyTreeNode* node) {
    if (!node)
        return false;
    if (TBrelkCatEntry* entry = node->Entry) {
        if (!Brelk->InCatalogue(entry)) {
            ClearNodeData(node); // a node must not keep an entry that is gone
            return false;
        }
        if (!Settings.UseDeletedObjects) {
            ClearNodeData(node); // before the entry is released
            if (!ReleaseBatch)
                return Brelk->DeleteCatEntry(entry);
            ReleaseBatch->push_back(entry);
            return true;
        }
        TBrelkCatEntry deleted = *entry;
        deleted.SetType(brelk::kTypeDeleted);
        const bool moved = Brelk->UpdateCatEntry(entry, deleted);
        if (!moved)
            Ask.Message(QStringLiteral("Error - could not remove '") + EntryName(*entry) +
                            QStringLiteral("'."),
                        TIcon::Error, TButtons::OK);
        ClearNodeData(node);
        // The deleted objects' group gets a new node; it is appended behind the children
        // that a walk of that group counted, so the walk does not visit it.
        if (TMyTreeNode* group = NodeAtAbsoluteIndex(1))
            AddObjectNode(group, entry);
        return moved;
    }
    // A group: every object below it, by position, as many as it had at the start. Nodes are
    // only cleared during the walk, never removed, so the positions stay valid.
    bool any = false;
    const int count = node->childCount();
    for (int i = 0; i < count; ++i)
        any = DeleteObjectNode(node->Child(i)) || any;
    return any;
}

// Clears the data of every node whose entry is no longer in the catalogue.
void TfrmMain::ForgetReleasedEntries() {
    std::unordered_set<const TBrelkCatEntry*> live;
    live.reserve(Brelk->Catalogue.size());
    for (const auto& entry : Brelk->Catalogue)
        live.insert(entry.get());
    for (QTreeWidgetItemIterator it(treevwObjects); *it; ++it)
        if (TMyTreeNode* node = AsNode(*it); node && node->Entry && !live.contains(node->Entry))
            ClearNodeData(node);
}

void TfrmMain::actnRemoveDeletedObjectsExecute() {
    if (IsBusy())
        return;
    TBusyScope busy(*this);
    std::vector<TBrelkCatEntry*> doomed;
    for (const auto& entry : Brelk->Catalogue)
        if (entry->Type() == brelk::kTypeDeleted)
            doomed.push_back(entry.get());
    // The nodes let go of the entries first; then the group's nodes go, then the entries, all
    // in one pass each however many there are.
    const std::unordered_set<const TBrelkCatEntry*> gone(doomed.begin(), doomed.end());
    for (QTreeWidgetItemIterator it(treevwObjects); *it; ++it)
        if (TMyTreeNode* node = AsNode(*it); node && node->Entry && gone.contains(node->Entry))
            ClearNodeData(node);
    if (TreeNodeCount() > 1)
        if (TMyTreeNode* group = NodeAtAbsoluteIndex(1))
            qDeleteAll(group->takeChildren());
    Brelk->DeleteCatEntries(doomed);
    TidyTree();
    UpdateTopbarInfo();
    TMyTreeNode* selected = SelectedNode();
    ShowObjectDetails(selected ? selected->Entry : nullptr, Settings.ViewerAutoviewObjectDetails);
}

void TfrmMain::actnFormatMMCExecute() {
    if (IsBusy())
        return;
    const QString question = QStringLiteral("You are about to format the MMC-card.") + CR +
                             QStringLiteral("This will destroy ALL contents on the card.") + CR +
                             CR + QStringLiteral("Do you really want to format the MMC-card?");
    if (Ask.Message(question, TIcon::Confirmation, TButtons::YesNo) != TAnswer::Yes)
        return;
    TBusyScope busy(*this);
    treevwObjects->clear(); // every object node points into the catalogue that is replaced
    const bool formatted = Brelk->FormatMMC();
    PopulateTreeInfo();
    UpdateTopbarInfo();
    if (formatted)
        Ask.Message(QStringLiteral("The MMC-card is formatted and an empty catalogue is written."),
                    TIcon::Information, TButtons::OK);
    else
        Ask.Message(QStringLiteral("The MMC-card could not be formatted."), TIcon::Error,
                    TButtons::OK);
}
