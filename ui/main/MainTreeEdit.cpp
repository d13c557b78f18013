// The object tree's keys and renaming: Insert, Delete and F5 on key release, and the label
// edit (a slow second click or F2) that renames a live object. Typed and pasted text keeps
// only the characters "!" to "~", so no name on the card holds spaces or bytes above 126.
#include "ui/main/Main.h"

#include "explorer/RenameJob.h"
#include "ui/aux/NameText.h"
#include "ui/aux/Prompter.h"
#include "ui/main/MainJobUser.h"
#include "ui/main/MainWidgets.h"

#include <QAction>
#include <QDropEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTimer>

using brelk::TBrelkCatEntry;

namespace {

TMyTreeNode* AsNode(QTreeWidgetItem* item) {
    return item && item->type() == TMyTreeNode::kNodeType ? static_cast<TMyTreeNode*>(item)
                                                          : nullptr;
}

// The label editor of the tree: it opens only where the window allows an edit, filters the
// keys and pasted text, and hands the entered text to the window before the node takes it.
class TNameEditDelegate : public QStyledItemDelegate {
  public:
    TNameEditDelegate(TfrmMain& main, TObjectTreeWidget* tree)
        : QStyledItemDelegate(tree), Main(main), Tree(tree) {
        connect(this, &QAbstractItemDelegate::closeEditor, this, [this] { Main.LabelEditEnded(); });
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        if (!Main.treevwObjectsEditing(AsNode(Tree->ItemAt(index))))
            return nullptr;
        auto* editor = new QLineEdit(parent);
        editor->setObjectName(QStringLiteral("edtTreeLabel"));
        editor->setFrame(false);
        MakeNameEditor(editor);
        return editor;
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* edit = static_cast<QLineEdit*>(editor);
        QString text = edit->text();
        Main.treevwObjectsEdited(AsNode(Tree->ItemAt(index)), text);
        model->setData(index, text, Qt::EditRole);
    }

  private:
    TfrmMain& Main;
    TObjectTreeWidget* Tree;
};

// Connects the tree control to the window's handlers.
class TMainTreeHandler : public TObjectTreeHandler {
  public:
    TMainTreeHandler(TfrmMain& main, TObjectTreeWidget* tree) : Main(main), Tree(tree) {}
    ~TMainTreeHandler() override { Tree->Handler = nullptr; }

    void TreeKeyUp(int key) override { Main.treevwObjectsKeyUp(key); }
    bool TreeMayEdit(QTreeWidgetItem* item) override {
        const TMyTreeNode* node = AsNode(item);
        return !Main.IsBusy() && node && node->Entry && node->ObjectType != brelk::kTypeDeleted;
    }
    QMimeData* TreeDragData() override { return Main.ObjectDragData(); }
    bool TreeCanDrop(const QDropEvent& event) override {
        if (event.source() != Tree)
            return Main.AcceptsDroppedFiles(event);
        return Main.treevwObjectsDragOver(Main.SelectedNode(), Target(event));
    }
    void TreeDrop(const QDropEvent& event) override {
        if (event.source() != Tree)
            Main.TakeDroppedFiles(event);
        else
            Main.treevwObjectsDragDrop(Target(event));
    }

  private:
    TMyTreeNode* Target(const QDropEvent& event) const {
        return AsNode(Tree->itemAt(event.position().toPoint()));
    }
    TfrmMain& Main;
    TObjectTreeWidget* Tree;
};

} // namespace

void TfrmMain::CreateTreeEditing() {
    TreeHandler = std::make_shared<TMainTreeHandler>(*this, treevwObjects);
    treevwObjects->Handler = TreeHandler.get();
    treevwObjects->setItemDelegate(new TNameEditDelegate(*this, treevwObjects));
    treevwObjects->setEditTriggers(QAbstractItemView::SelectedClicked |
                                   QAbstractItemView::EditKeyPressed);
    treevwObjects->setDragEnabled(true);
    treevwObjects->setAcceptDrops(true);
    treevwObjects->viewport()->setAcceptDrops(true);
    treevwObjects->setDragDropMode(QAbstractItemView::DragDrop);
    treevwObjects->setDropIndicatorShown(true);
    SetActionHandler(actnAddObjects, [this] { actnAddObjectsExecute(); });
}

void TfrmMain::treevwObjectsKeyUp(int key) {
    if (IsEditing) {
        if (key == Qt::Key_Escape)
            IsEditing = false;
        return;
    }
    if (IsBusy() || !Brelk->State().CatalogueValid)
        return;
    if (key == Qt::Key_Insert)
        actnAddObjectsExecute();
    else if (key == Qt::Key_Delete)
        actnDeleteObjectsExecute();
    else if (key == Qt::Key_F5)
        actnRefreshTreeExecute();
}

bool TfrmMain::treevwObjectsEditing(TMyTreeNode* node) {
    IsEditing = !IsBusy() && node && node->Entry && node->ObjectType != brelk::kTypeDeleted;
    return IsEditing;
}

void TfrmMain::treevwObjectsEdited(TMyTreeNode* node, QString& text) {
    const TBrelkCatEntry* entry = node ? node->Entry : nullptr;
    // An emptied label would leave the object without a name (or with a name ending in a
    // full stop): the old text comes back.
    if (!entry || !Brelk->InCatalogue(entry) || text.isEmpty()) {
        if (node)
            text = node->Text();
        IsEditing = false;
        return;
    }
    // The sub-groups above the node keep the bytes they have on the card.
    const std::string prefix =
        entry->Name().substr(0, brelk::GroupPrefixLength(entry->Name(), SubgroupLevels(node)));
    std::string typed;
    const QString refusal =
        CardNameFromText(text, typed)
            ? RenameEntry(*entry, prefix + typed, prefix.size())
            : QStringLiteral("The name holds a character that no object name can.");
    if (refusal.isEmpty()) {
        ShowObjectInfo(entry);
        UpdateTopbarInfo();
        // The editor still writes the text into the node: it moves once the edit has ended.
        QTimer::singleShot(0, this, [this, entry] { PlaceRenamedNode(entry); });
    } else {
        Ask.Message(refusal, TPrompter::TIcon::Error, TPrompter::TButtons::OK);
        text = node->Text();
    }
    IsEditing = false;
}

QString TfrmMain::RenameEntry(const TBrelkCatEntry& entry, const std::string& newName,
                              std::size_t keptPrefix) {
    TPrompterJobUser user(Ask);
    const brelk::TRenameOutcome outcome =
        brelk::RenameObjectJob(*Brelk, entry, newName, user, keptPrefix);
    return QString::fromStdString(outcome.Why);
}

std::size_t TfrmMain::SubgroupLevels(const TMyTreeNode* node) {
    std::size_t levels = 0;
    for (const TMyTreeNode* up = node ? node->Parent() : nullptr;
         up && up->Parent() && up->Parent()->Parent(); up = up->Parent())
        ++levels;
    return levels;
}
