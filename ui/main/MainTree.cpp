// The object tree: building it from the catalogue, inserting one object with its sub-groups,
// tidying, the sort order and the state of the popup menu.
#include "ui/main/Main.h"

#include "ui/aux/NameText.h"

#include "explorer/ObjectImages.h"
#include "ui/main/MainWidgets.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <cmath>

using brelk::TBrelkCatEntry;

namespace {

constexpr int kTreeIndent = 19;
const char* const kTopGroups[] = {"Deleted objects", "Filingsystems", "Tools", "Discs/tapes"};

TMyTreeNode* AsNode(QTreeWidgetItem* item) {
    return item && item->type() == TMyTreeNode::kNodeType ? static_cast<TMyTreeNode*>(item)
                                                          : nullptr;
}

// The root is the one node without a parent.
bool IsRoot(const QTreeWidgetItem* node) {
    return node && !node->parent();
}

} // namespace

void TfrmMain::ConfigureTree() {
    treevwObjects->setColumnCount(1);
    treevwObjects->setHeaderHidden(true);
    // Long names widen the column and bring a horizontal scroll bar instead of being cut.
    treevwObjects->header()->setStretchLastSection(false);
    treevwObjects->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    treevwObjects->setIndentation(kTreeIndent);
    treevwObjects->setSelectionMode(QAbstractItemView::ExtendedSelection);
    treevwObjects->setSelectionBehavior(QAbstractItemView::SelectRows);
    treevwObjects->setSortingEnabled(false);
    treevwObjects->setUniformRowHeights(true);
    treevwObjects->setIconSize(QSize(TObjectImageList::kWidth, TObjectImageList::kHeight));
    treevwObjects->setContextMenuPolicy(Qt::CustomContextMenu);
    OpenPopupByKeys(treevwObjects);
    connect(treevwObjects, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { FillGroup(AsNode(item)); });
    connect(treevwObjects, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!IsBusy())
            mnuPopup->popup(treevwObjects->viewport()->mapToGlobal(at));
    });
}

int TfrmMain::treevwObjectsCompare(const TMyTreeNode* a, const TMyTreeNode* b) {
    return CompareNodeTexts(a->Text(), b->Text());
}

QString TfrmMain::RootText() const {
    // The drive that the card object was bound to (the MMCDrive setting of the last
    // initialisation).
    const QString drive = QString::fromStdString(Brelk->DevicePath());
    if (Brelk->State().CatalogueValid)
        return drive + QStringLiteral(": (Brelk)");
    if (Brelk->State().DeviceOK)
        return drive + QStringLiteral(": (no Brelk filingsystem)");
    if (!drive.isEmpty())
        return drive + QStringLiteral(": (no MMC present)");
    return QStringLiteral("(no device defined)");
}

void TfrmMain::SetNodeImage(TMyTreeNode* node, int imageIndex) {
    if (ObjectImagesLoaded)
        node->SetImage(ObjectImages.Icon(imageIndex));
}

void TfrmMain::PopulateTreeInfo() {
    TBusyScope busy(*this);
    treevwObjects->clear();
    const brelk::TEntriesView catalogue = Brelk->Entries();
    const std::size_t count = catalogue.size();
    ShowWaitWindow(QStringLiteral("Building tree (%1 objects)...").arg(count), false, true);
    // The nodes are built apart from the control and handed to it whole: far quicker for
    // large catalogues, and the same tree.
    auto* root = new TMyTreeNode(RootText(), brelk::kTypeDeleted);
    SetNodeImage(root, 0);
    if (Brelk->State().CatalogueValid) {
        TMyTreeNode* groups[4];
        std::size_t sizes[4] = {};
        for (const auto& entry : catalogue)
            if (entry->Type() <= brelk::kTypeImage)
                ++sizes[entry->Type()];
        for (int type = 0; type < 4; ++type) {
            groups[type] = new TMyTreeNode(QString::fromLatin1(kTopGroups[type]), type);
            SetNodeImage(groups[type], 0);
            if (sizes[type] >= std::max<std::size_t>(FillGroupOnExpandFrom, 1))
                LeaveGroupPending(groups[type]);
            root->addChild(groups[type]);
        }
        // The bar shows whole percents: it is told (and the window's events are let through)
        // each time the whole percent changes, not for every entry.
        int shown = -1;
        for (std::size_t i = 0; i < count; ++i) {
            const float percent = float(double(i + 1) / double(count) * 100.0);
            if (int(std::nearbyint(percent)) != shown) {
                shown = int(std::nearbyint(percent));
                ReportProgress(QString(), percent);
            }
            const TBrelkCatEntry* entry = catalogue[i];
            if (entry->Type() <= brelk::kTypeImage &&
                groups[entry->Type()]->Children == TMyTreeNode::TChildren::Made)
                AddObjectNode(groups[entry->Type()], entry);
        }
    }
    treevwObjects->addTopLevelItem(root);
    root->setExpanded(true);
    treevwObjects->setCurrentItem(root);
    CloseWaitWindow();
}

void TfrmMain::LeaveGroupPending(TMyTreeNode* group) {
    group->Children = TMyTreeNode::TChildren::Pending;
    group->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
}

// The catalogue's entries of a group's type have not changed since the build: every operation
// that changes them fills the group first, or rebuilds the tree.
void TfrmMain::FillGroup(TMyTreeNode* group) {
    if (!group || group->Children == TMyTreeNode::TChildren::Made)
        return;
    const bool sorted = group->Children == TMyTreeNode::TChildren::PendingSorted;
    group->Children = TMyTreeNode::TChildren::Made;
    group->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    // Made apart from the control and handed to it in one go, as the build does.
    TMyTreeNode holder(group->Text(), group->ObjectType);
    for (const TBrelkCatEntry* entry : Brelk->Entries())
        if (entry->Type() == group->ObjectType)
            AddObjectNode(&holder, entry);
    group->addChildren(holder.takeChildren());
    if (sorted)
        group->SortSubtree(); // only nodes in a tree can be sorted
}

void TfrmMain::DropGroupNodes(TMyTreeNode* group) {
    qDeleteAll(group->takeChildren());
    group->Children = TMyTreeNode::TChildren::Made;
    group->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TfrmMain::FillAllGroups() {
    if (TMyTreeNode* root = RootNode())
        for (int i = 0; i < root->childCount(); ++i)
            FillGroup(root->Child(i));
}

// The child of Parent whose text equals Part, searched from the last child backwards; the
// search ends at the first child whose text sorts below Part.
TMyTreeNode* TfrmMain::FindSubgroup(TMyTreeNode* parent, const QString& part) const {
    for (int i = parent->childCount() - 1; i >= 0; --i) {
        TMyTreeNode* child = parent->Child(i);
        const int order = CompareNodeTexts(part, child->Text());
        if (order == 0)
            return child;
        if (order > 0)
            return nullptr;
    }
    return nullptr;
}

TMyTreeNode* TfrmMain::AddObjectNode(TMyTreeNode* group, const TBrelkCatEntry* entry) {
    QString text;
    TMyTreeNode* parent = ObjectParent(group, *entry, text);
    TMyTreeNode* node = NewObjectNode(text, entry);
    parent->addChild(node);
    return node;
}

TMyTreeNode* TfrmMain::ObjectParent(TMyTreeNode* group, const TBrelkCatEntry& entry,
                                    QString& text) {
    text = CardNameText(entry.Name());
    TMyTreeNode* parent = group;
    const int type = entry.Type();
    if (type == brelk::kTypeTool || type == brelk::kTypeImage) {
        for (int level = 0; level < Settings.ViewerMaxNodebreaks; ++level) {
            const qsizetype stop = text.indexOf(QLatin1Char('.'));
            if (stop < 0)
                break;
            const QString part = text.left(stop);
            text = text.mid(stop + 1);
            TMyTreeNode* found = FindSubgroup(parent, part);
            if (!found) {
                found = new TMyTreeNode(part, type);
                SetNodeImage(found, 0);
                parent->addChild(found);
            }
            parent = found;
        }
    }
    return parent;
}

void TfrmMain::PlaceRenamedNode(const TBrelkCatEntry* entry) {
    TMyTreeNode* root = RootNode();
    if (IsBusy() || !root || !Brelk->InCatalogue(entry) || entry->Type() >= root->childCount())
        return;
    FillGroup(root->Child(entry->Type()));
    root->Child(entry->Type())->SortSubtree(); // sub-groups are found in sorted order
    TMyTreeNode* node = nullptr;
    for (QTreeWidgetItemIterator it(treevwObjects); *it && !node; ++it)
        if (AsNode(*it) && AsNode(*it)->Entry == entry)
            node = AsNode(*it);
    if (!node || !node->parent())
        return;
    const bool current = treevwObjects->currentItem() == node;
    node->parent()->removeChild(node);
    QString text;
    TMyTreeNode* parent = ObjectParent(root->Child(entry->Type()), *entry, text);
    node->setText(0, text);
    parent->addChild(node);
    TidyTree();
    for (QTreeWidgetItem* up = node->parent(); up; up = up->parent())
        up->setExpanded(true);
    if (current)
        treevwObjects->setCurrentItem(node);
    treevwObjects->scrollToItem(node);
}

TMyTreeNode* TfrmMain::NewObjectNode(const QString& text, const TBrelkCatEntry* entry) {
    auto* node = new TMyTreeNode(text, entry->Type(), entry);
    SetNodeImage(node, brelk::ObjectImageIndex(*entry));
    return node;
}

void TfrmMain::RemoveEmptyGroups(TMyTreeNode* node) {
    int i = 0;
    while (i < node->childCount()) {
        TMyTreeNode* child = node->Child(i);
        if (child->childCount() > 0)
            RemoveEmptyGroups(child);
        const bool topGroup = IsRoot(child->parent());
        if (!child->Entry && child->childCount() == 0 && !topGroup)
            delete child; // the next child moves up to position i
        else
            ++i;
    }
}

void TfrmMain::TidyTree() {
    TMyTreeNode* root = RootNode();
    if (!root)
        return;
    RemoveEmptyGroups(root);
    for (int i = 0; i < root->childCount(); ++i) {
        TMyTreeNode* group = root->Child(i);
        if (group->Children == TMyTreeNode::TChildren::Pending)
            group->Children = TMyTreeNode::TChildren::PendingSorted;
        group->SortSubtree();
    }
}

TMyTreeNode* TfrmMain::RootNode() const {
    return AsNode(treevwObjects->topLevelItem(0));
}

TMyTreeNode* TfrmMain::NodeAtAbsoluteIndex(int index) const {
    for (QTreeWidgetItemIterator it(treevwObjects); *it; ++it)
        if (index-- == 0)
            return AsNode(*it);
    return nullptr;
}

int TfrmMain::TreeNodeCount() const {
    int count = 0;
    for (QTreeWidgetItemIterator it(treevwObjects); *it; ++it)
        ++count;
    return count;
}

TMyTreeNode* TfrmMain::SelectedNode() const {
    return AsNode(treevwObjects->currentItem());
}

int TfrmMain::SelectedCount() const {
    return int(treevwObjects->selectedItems().size());
}

void TfrmMain::mnuPopupPopup() {
    TMyTreeNode* selected = SelectedNode();
    const TBrelkCatEntry* entry = selected ? selected->Entry : nullptr;
    TMyTreeNode* second = NodeAtAbsoluteIndex(1);
    mnuPopupFormatMMC->setVisible(IsRoot(selected));
    if (entry)
        mnuPopupRemoveDeletedObjects->setVisible(entry->Type() == brelk::kTypeDeleted);
    else
        mnuPopupRemoveDeletedObjects->setVisible(selected &&
                                                 (IsRoot(selected) || selected == second));
    if (!second) {
        SetActionEnabled(actnRemoveDeletedObjects, false);
        actnAddObjects->setVisible(false);
    } else {
        actnAddObjects->setVisible(true);
        SetActionEnabled(actnRemoveDeletedObjects, second->HasChildren());
    }
    if (!entry) {
        for (QAction* a : {actnDeleteObjects, mnuPopupSaveObject, actnSquashDisc, actnExpandDisc,
                           mnuPopupOpenInEmulator})
            a->setVisible(false);
        return;
    }
    actnAddObjects->setVisible(true);
    SetPopupEntriesForEntry(*entry, SelectedCount());
}

// Captions follow the number of selected nodes; visibility and enabling follow the entry.
void TfrmMain::SetPopupEntriesForEntry(const TBrelkCatEntry& entry, int selected) {
    const bool many = selected >= 2;
    actnSquashDisc->setText(many ? QStringLiteral("S&quash discs")
                                 : QStringLiteral("S&quash disc"));
    actnExpandDisc->setText(many ? QStringLiteral("E&xpand discs")
                                 : QStringLiteral("E&xpand disc"));
    actnDeleteObjects->setText(many ? QStringLiteral("&Delete objects...")
                                    : QStringLiteral("&Delete object..."));
    mnuPopupSaveObject->setText(many ? QStringLiteral("&Save objects...")
                                     : QStringLiteral("&Save object..."));
    const int type = entry.Type();
    if (type > brelk::kTypeImage)
        return; // unknown kinds leave the entries as they were
    const bool image = type == brelk::kTypeImage;
    const bool dfs = image && entry.Subtype() == brelk::kSubtypeDFS;
    actnDeleteObjects->setVisible(type != brelk::kTypeDeleted);
    SetActionEnabled(actnDeleteObjects, true);
    mnuPopupSaveObject->setVisible(true);
    SetActionEnabled(mnuPopupSaveObject, true);
    actnSquashDisc->setVisible(dfs);
    actnExpandDisc->setVisible(dfs);
    if (dfs) {
        const bool full = entry.Size() % brelk::kDFSSideBytes == 0;
        SetActionEnabled(actnSquashDisc, full || many);
        SetActionEnabled(actnExpandDisc, !full || many);
    }
    mnuPopupOpenInEmulator->setVisible(image && !many);
    if (image)
        SetActionEnabled(mnuPopupOpenInEmulator, !Settings.EmulatorPath.isEmpty());
}
