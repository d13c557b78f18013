// Object operations on the tree's selection: deleting (to "Deleted objects" or for good),
// removing the deleted objects, formatting the card; and the wiring of these commands, of
// saving and of squashing and expanding to their actions.
//
// Tree nodes point into the catalogue without owning their entries. Every path here clears a
// node's data before the entry it points at is released, so no node is left holding a freed
// entry, and nodes are only cleared during a walk (TidyTree removes them afterwards). The
// catalogue work of a whole selection is one call of the core (explorer/ObjectOps), however
// many objects it holds. Afterwards the nearest remaining node is selected.
#include "ui/main/Main.h"

#include "ui/aux/NameText.h"

#include "explorer/CardJobs.h"
#include "explorer/ObjectOps.h"
#include "formats/LineEnd.h"
#include "ui/aux/Prompter.h"
#include "ui/main/MainJobUser.h"
#include "ui/main/MainWidgets.h"
#include "ui/main/WaitProgress.h"

#include <QAction>
#include <QSignalBlocker>
#include <QTreeWidgetItemIterator>

#include <unordered_set>
#include <vector>

using brelk::TBrelkCatEntry;
using TAnswer = TPrompter::TAnswer;
using TButtons = TPrompter::TButtons;
using TIcon = TPrompter::TIcon;

namespace {

using brelk::CR;
// From this many objects a delete shows the wait window (fewer take no noticeable time).
constexpr std::size_t kWaitWindowFrom = 2000;

TMyTreeNode* AsNode(QTreeWidgetItem* item) {
    return item && item->type() == TMyTreeNode::kNodeType ? static_cast<TMyTreeNode*>(item)
                                                          : nullptr;
}

QString EntryName(const TBrelkCatEntry& entry) {
    return CardNameText(entry.Name());
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

// The format question, asked whatever the card holds; a Yes lets go of the tree first, as
// every object node points into the catalogue that the format replaces.
class TFormatUser final : public TPrompterJobUser {
  public:
    TFormatUser(TPrompter& prompter, QTreeWidget& tree) : TPrompterJobUser(prompter), Tree(tree) {}

  protected:
    brelk::TAnswer Answer(const brelk::query::TLoseObjects& lose) override {
        const brelk::TAnswer answer = TPrompterJobUser::Answer(lose);
        if (brelk::Agreed(answer))
            Tree.clear();
        return answer;
    }

  private:
    QTreeWidget& Tree;
};

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
    // Removing for good cannot be undone: Enter answers No.
    const TAnswer enter = Settings.UseDeletedObjects ? TAnswer::Yes : TAnswer::No;
    if (question.isEmpty() ||
        Ask.Message(question, TIcon::Confirmation, TButtons::YesNo, enter) != TAnswer::Yes)
        return;
    TBusyScope busy(*this);
    TMyTreeNode* current = SelectedNode();
    const std::vector<QTreeWidgetItem*> fallback = NodesNear(current);
    {
        const QSignalBlocker quiet(treevwObjects); // no details are loaded half-way
        TObjectNodes objects;
        for (TMyTreeNode* node : selected)
            CollectObjectNodes(node, objects);
        RemoveObjectNodes(objects);
        TidyTree();
    }
    UpdateTopbarInfo();
    SelectNearestRemaining(current, fallback);
}

bool TfrmMain::DeleteObjectNode(TMyTreeNode* node) {
    TObjectNodes objects;
    CollectObjectNodes(node, objects);
    return RemoveObjectNodes(objects);
}

// The object nodes at and below Node, each node and each entry once; a node whose entry is no
// longer in the catalogue is cleared on the way (it must not keep an entry that is gone).
void TfrmMain::CollectObjectNodes(TMyTreeNode* node, TObjectNodes& objects) {
    if (!node || !objects.Visited.insert(node).second)
        return;
    FillGroup(node);
    if (objects.Live.empty() && !Brelk->Entries().empty()) {
        objects.Live.reserve(Brelk->Entries().size());
        for (const auto& entry : Brelk->Entries())
            objects.Live.insert(entry);
    }
    if (const TBrelkCatEntry* entry = node->Entry) {
        if (!objects.Live.contains(entry)) {
            ClearNodeData(node);
            return;
        }
        objects.Nodes.push_back(node);
        if (objects.Taken.insert(entry).second)
            objects.Entries.push_back(entry);
        return;
    }
    for (int i = 0; i < node->childCount(); ++i)
        CollectObjectNodes(node->Child(i), objects);
}

// Moves the objects to "Deleted objects" or removes them for good, by the setting; true when
// any was moved or removed. Their nodes are cleared (TidyTree removes them); moved objects get
// new nodes in "Deleted objects". Many objects show the wait window, with Cancel when moving.
bool TfrmMain::RemoveObjectNodes(const TObjectNodes& objects) {
    if (objects.Entries.empty())
        return false;
    const bool wait = objects.Entries.size() >= kWaitWindowFrom;
    const bool move = Settings.UseDeletedObjects;
    if (wait)
        ShowWaitWindow(move ? QStringLiteral("Moving objects to 'Deleted objects'...")
                            : QStringLiteral("Deleting objects..."),
                       move, true);
    const bool any = move ? MoveObjectNodes(objects) : ReleaseObjectNodes(objects);
    if (wait)
        CloseWaitWindow();
    return any;
}

bool TfrmMain::MoveObjectNodes(const TObjectNodes& objects) {
    // "Deleted objects" gets its nodes from the catalogue as it stands before the move.
    FillGroup(NodeAtAbsoluteIndex(1));
    TMainWaitProgress wait(*this);
    TPrompterJobUser user(Ask, &wait);
    const brelk::TDeleteResult result =
        brelk::DeleteObjectsJob(*Brelk, objects.Entries, false, user);
    for (const TBrelkCatEntry* entry : result.HeaderFailures)
        Ask.Message(QStringLiteral("Error - could not remove '") + EntryName(*entry) +
                        QStringLiteral("'."),
                    TIcon::Error, TButtons::OK);
    // A stop leaves the objects not yet moved where they were, nodes and all.
    const std::unordered_set<const TBrelkCatEntry*> moved(result.Moved.begin(), result.Moved.end());
    for (TMyTreeNode* node : objects.Nodes)
        if (moved.contains(node->Entry))
            ClearNodeData(node);
    if (TMyTreeNode* group = NodeAtAbsoluteIndex(1)) {
        QList<QTreeWidgetItem*> nodes;
        nodes.reserve(qsizetype(result.Moved.size()));
        for (const TBrelkCatEntry* entry : result.Moved)
            nodes.append(NewObjectNode(EntryName(*entry), entry));
        group->addChildren(nodes); // in one go: far quicker than one by one
    }
    return !result.Moved.empty();
}

bool TfrmMain::ReleaseObjectNodes(const TObjectNodes& objects) {
    for (TMyTreeNode* node : objects.Nodes)
        ClearNodeData(node); // before the entries are released
    TPrompterJobUser user(Ask);
    const bool any = brelk::DeleteObjectsJob(*Brelk, objects.Entries, true, user).Removed > 0;
    ReportProgress(QString(), 100);
    ForgetReleasedEntries();
    return any;
}

// Clears the data of every node whose entry is no longer in the catalogue.
void TfrmMain::ForgetReleasedEntries() {
    std::unordered_set<const TBrelkCatEntry*> live;
    live.reserve(Brelk->Entries().size());
    for (const auto& entry : Brelk->Entries())
        live.insert(entry);
    for (QTreeWidgetItemIterator it(treevwObjects); *it; ++it)
        if (TMyTreeNode* node = AsNode(*it); node && node->Entry && !live.contains(node->Entry))
            ClearNodeData(node);
}

void TfrmMain::actnRemoveDeletedObjectsExecute() {
    if (IsBusy())
        return;
    TBusyScope busy(*this);
    TMyTreeNode* current = SelectedNode();
    const std::vector<QTreeWidgetItem*> fallback = NodesNear(current);
    {
        const QSignalBlocker quiet(treevwObjects);
        // The nodes let go of the entries first; then the group's nodes go, then the entries,
        // all in one pass each however many there are.
        const std::vector<const TBrelkCatEntry*> doomed = brelk::DeletedObjects(*Brelk);
        const std::unordered_set<const TBrelkCatEntry*> gone(doomed.begin(), doomed.end());
        for (QTreeWidgetItemIterator it(treevwObjects); *it; ++it)
            if (TMyTreeNode* node = AsNode(*it); node && node->Entry && gone.contains(node->Entry))
                ClearNodeData(node);
        if (TreeNodeCount() > 1)
            if (TMyTreeNode* group = NodeAtAbsoluteIndex(1))
                DropGroupNodes(group);
        brelk::RemoveDeletedJob(*Brelk);
        TidyTree();
    }
    UpdateTopbarInfo();
    SelectNearestRemaining(current, fallback);
}

// The nodes to select when Node goes, nearest first: its later siblings, its earlier ones
// (closest first), its parent, then the same around each ancestor.
std::vector<QTreeWidgetItem*> TfrmMain::NodesNear(QTreeWidgetItem* node) const {
    std::vector<QTreeWidgetItem*> nodes;
    for (QTreeWidgetItem* at = node; at && at->parent(); at = at->parent()) {
        QTreeWidgetItem* parent = at->parent();
        const int index = parent->indexOfChild(at);
        for (int i = index + 1; i < parent->childCount(); ++i)
            nodes.push_back(parent->child(i));
        for (int i = index - 1; i >= 0; --i)
            nodes.push_back(parent->child(i));
        nodes.push_back(parent);
    }
    return nodes;
}

// Selects Before when it is still in the tree, else the first of Fallback that is (the root
// when none is), and shows its details, as a file manager does after a removal. The nodes are
// only compared, never used, until found among the living ones.
void TfrmMain::SelectNearestRemaining(QTreeWidgetItem* before,
                                      const std::vector<QTreeWidgetItem*>& fallback) {
    std::unordered_set<const QTreeWidgetItem*> living;
    for (QTreeWidgetItemIterator it(treevwObjects); *it; ++it)
        living.insert(*it);
    QTreeWidgetItem* target = living.contains(before) ? before : nullptr;
    for (auto it = fallback.begin(); !target && it != fallback.end(); ++it)
        if (living.contains(*it))
            target = *it;
    if (!target)
        target = RootNode();
    {
        const QSignalBlocker quiet(treevwObjects);
        treevwObjects->clearSelection();
        treevwObjects->setCurrentItem(target);
    }
    if (target)
        treevwObjects->scrollToItem(target);
    treevwObjectsChange(AsNode(target));
}

void TfrmMain::actnFormatMMCExecute() {
    if (IsBusy())
        return;
    TBusyScope busy(*this);
    TFormatUser user(Ask, *treevwObjects);
    const brelk::TFormatResult result = brelk::FormatCardJob(*Brelk, user);
    if (result == brelk::TFormatResult::Declined)
        return;
    treevwObjects->clear(); // a failure before the question leaves the old catalogue shown too
    PopulateTreeInfo();
    UpdateTopbarInfo();
    if (result == brelk::TFormatResult::Formatted)
        Ask.Message(QStringLiteral("The MMC-card is formatted and an empty catalogue is written."),
                    TIcon::Information, TButtons::OK);
    else
        Ask.Message(QStringLiteral("The MMC-card could not be formatted."), TIcon::Error,
                    TButtons::OK);
}
