// Dragging in and out of the object tree. Disc and tape nodes are moved between sub-groups
// by renaming their objects to the target group's prefix. Objects dragged onto a file manager
// are written as "Save object..." writes them, into a private temporary folder, when the
// drop target asks for the files.
#include "ui/main/Main.h"

#include "explorer/ObjectTransfer.h"
#include "explorer/RenameJob.h"
#include "ui/aux/NameText.h"
#include "ui/aux/PrivateTempFile.h"
#include "ui/aux/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <optional>

using brelk::TBrelkCatEntry;

namespace {

const QString kNodesFormat = QStringLiteral("application/x-brelkexplorer-nodes");
const QString kUriListFormat = QStringLiteral("text/uri-list");

// Whether Node lies below Ancestor (or is it).
bool IsWithin(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor) {
    for (; node; node = node->parent())
        if (node == ancestor)
            return true;
    return false;
}

// The longest name in bytes that refiling Node gives an object at or below it, when its
// names lose their first Levels sub-group names to a prefix of PrefixLength bytes; 0 when
// there is no object.
std::size_t LongestRefiledName(const TMyTreeNode* node, std::size_t levels,
                               std::size_t prefixLength) {
    std::size_t longest = 0;
    if (node->Entry) {
        const std::string name = node->Entry->Name();
        longest = prefixLength + name.size() - brelk::GroupPrefixLength(name, levels);
    }
    for (int i = 0; i < node->childCount(); ++i)
        longest = std::max(longest, LongestRefiledName(node->Child(i), levels, prefixLength));
    return longest;
}

// The names of the sub-groups from the top group down to Group as name bytes, each with its
// full stop. A node's text shows the bytes of its part of the name, so it reads back exactly
// (nothing when it does not).
std::optional<std::string> GroupPrefix(const TMyTreeNode* group) {
    QString prefix;
    for (const TMyTreeNode* node = group; node && node->Parent() && node->Parent()->Parent();
         node = node->Parent())
        prefix.prepend(node->Text() + QLatin1Char('.'));
    std::string raw;
    if (!CardNameFromText(prefix, raw))
        return std::nullopt;
    return raw;
}

// The file name of an object dragged out: its name, with the extension that "Save object..."
// gives its kind.
QString DraggedFileName(const TBrelkCatEntry& entry, int discSides) {
    return QString::fromLatin1(brelk::ObjectFileName(entry, discSides));
}

// Drag data whose file list is made only when a drop target asks for it: a move inside the
// tree never writes files.
class TObjectDragData : public QMimeData {
  public:
    using TWriter = std::function<QList<QUrl>()>;
    explicit TObjectDragData(TWriter writer) : Writer(std::move(writer)) {
        setData(kNodesFormat, QByteArray());
    }

    QStringList formats() const override {
        QStringList list = QMimeData::formats();
        if (Writer)
            list << kUriListFormat;
        return list;
    }
    bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

  protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        if (mimeType != kUriListFormat || !Writer)
            return QMimeData::retrieveData(mimeType, type);
        if (!Written) {
            Written = true;
            Files = Writer();
        }
        QList<QVariant> urls;
        for (const QUrl& url : Files)
            urls << QVariant(url);
        return urls;
    }

  private:
    TWriter Writer;
    mutable bool Written = false;
    mutable QList<QUrl> Files;
};

} // namespace

bool TfrmMain::treevwObjectsDragOver(const TMyTreeNode* source, const TMyTreeNode* target) const {
    if (IsBusy() || IsEditing || !source || !target)
        return false;
    return target->ObjectType == brelk::kTypeImage &&
           !(source->parent() == target->parent() && target->Entry) && target != source->parent() &&
           target->parent() != nullptr && source->ObjectType == target->ObjectType &&
           !IsWithin(target, source);
}

void TfrmMain::treevwObjectsDragDrop(TMyTreeNode* target) {
    if (!target || IsBusy())
        return;
    // Refiled objects are put into the disc group as its nodes stand before any rename.
    // They are found among its sub-groups in sorted order.
    if (TMyTreeNode* root = RootNode(); root && root->childCount() > brelk::kTypeImage) {
        FillGroup(root->Child(brelk::kTypeImage));
        root->Child(brelk::kTypeImage)->SortSubtree();
    }
    const QList<TMyTreeNode*> snapshot = SelectedNodes();
    if (target->Entry)
        target = target->Parent();
    const std::optional<std::string> groupPrefix = GroupPrefix(target);
    if (!groupPrefix)
        return;
    const std::string& prefix = *groupPrefix;
    // Only disc and tape nodes move, each once: a node inside another selected node moves
    // with it, and a node that holds the target (or is it) cannot move into itself.
    QSet<const QTreeWidgetItem*> selected(snapshot.begin(), snapshot.end());
    QList<TMyTreeNode*> moving;
    for (TMyTreeNode* node : snapshot) {
        const bool topOrRoot = !node->parent() || !node->parent()->parent();
        bool insideSelected = false;
        for (const QTreeWidgetItem* up = node->parent(); up && !insideSelected; up = up->parent())
            insideSelected = selected.contains(up);
        if (node->ObjectType == brelk::kTypeImage && !topOrRoot && !insideSelected &&
            !IsWithin(target, node))
            moving.append(node);
    }
    // A move that would give any object a name longer than the card allows is refused whole.
    for (const TMyTreeNode* node : moving)
        if (LongestRefiledName(node, SubgroupLevels(node), prefix.size()) > brelk::kNameLength) {
            Ask.Message(
                NameTooLongMessage(qsizetype(brelk::kNameLength) - qsizetype(prefix.size())),
                TPrompter::TIcon::Error, TPrompter::TButtons::OK);
            return;
        }
    for (TMyTreeNode* node : moving)
        RefileNode(node, SubgroupLevels(node), prefix);
    UpdateTopbarInfo();
    TidyTree();
}

void TfrmMain::RefileNode(TMyTreeNode* node, std::size_t levels, const std::string& prefix) {
    // Taken out of the tree first: the objects shown again can never land inside it.
    if (QTreeWidgetItem* parent = node->parent())
        parent->removeChild(node);
    while (node->childCount() > 0)
        RefileNode(node->Child(0), levels, prefix);
    const TBrelkCatEntry* entry = node->Entry;
    TMyTreeNode* root = RootNode();
    if (entry && Brelk->InCatalogue(entry) && root && root->childCount() > brelk::kTypeImage) {
        const std::string newName = brelk::SwapGroupPrefix(entry->Name(), levels, prefix);
        const QString refusal = RenameEntry(*entry, newName, prefix.size());
        if (!refusal.isEmpty())
            Ask.Message(refusal, TPrompter::TIcon::Error, TPrompter::TButtons::OK);
        AddObjectNode(root->Child(brelk::kTypeImage), entry);
    }
    delete node;
}

// ---------------------------------------------------------------------------------------------
// Dragging objects out

QMimeData* TfrmMain::ObjectDragData() {
    if (IsBusy() || IsEditing || SelectedNodes().isEmpty())
        return nullptr;
    QList<const TBrelkCatEntry*> entries;
    for (const TMyTreeNode* node : SelectedNodes())
        if (node->Entry && Brelk->InCatalogue(node->Entry))
            entries.append(node->Entry);
    if (entries.isEmpty())
        return new TObjectDragData(nullptr);
    return new TObjectDragData([this, entries] { return WriteDraggedObjects(entries); });
}

QList<QUrl> TfrmMain::WriteDraggedObjects(const QList<const TBrelkCatEntry*>& entries) {
    QList<QUrl> files;
    // The files of the drag before are no longer needed: that drop has long finished.
    DragFolder.reset();
    if (!TPrivateTempFile::EnsureFolder())
        return files;
    DragFolder = std::make_shared<QTemporaryDir>(TPrivateTempFile::FolderPath() +
                                                 QStringLiteral("drag-XXXXXX"));
    if (!DragFolder->isValid())
        return files;
    QSet<QString> used;
    for (const TBrelkCatEntry* entry : entries) {
        if (!Brelk->InCatalogue(entry))
            continue;
        QString name = DraggedFileName(*entry, brelk::DFSSidesOnCard(*Brelk, *entry));
        const QFileInfo plain(name);
        for (int n = 2; used.contains(name.toLower()); ++n)
            name =
                QStringLiteral("%1-%2.%3").arg(plain.completeBaseName()).arg(n).arg(plain.suffix());
        used.insert(name.toLower());
        const QString path = DragFolder->filePath(name);
        if (SaveObjectToFile(*entry, path))
            files.append(QUrl::fromLocalFile(path));
    }
    return files;
}
