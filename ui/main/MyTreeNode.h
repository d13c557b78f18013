// TMyTreeNode: a node of the object tree. It carries the catalogue type code of the group or
// object it stands for and, for object nodes, the catalogue entry it shows (not owned).
#pragma once

#include <QIcon>
#include <QStringView>
#include <QTreeWidgetItem>

#include <cstdint>

namespace brelk {
struct TBrelkCatEntry;
}

// The tree's sort order: the texts byte by byte with a to z taken as A to Z; when one text is
// the start of the other, the shorter comes first. Negative, zero or positive.
int CompareNodeTexts(QStringView a, QStringView b);

class TMyTreeNode : public QTreeWidgetItem {
  public:
    static constexpr int kNodeType = QTreeWidgetItem::UserType + 1;

    TMyTreeNode(const QString& text, int objectType, const brelk::TBrelkCatEntry* entry = nullptr);

    // The catalogue type code: 0 root and "Deleted objects", 1 to 3 the other top groups,
    // otherwise the type of the entry whose name made the node.
    int ObjectType = 0;
    // Whether the nodes below a top group are made: a large group gets them only when it is
    // first expanded or an operation needs them (Pending), and remembers whether the tree
    // has been sorted since (PendingSorted: they are sorted as they are made).
    enum class TChildren : std::uint8_t { Made, Pending, PendingSorted };
    TChildren Children = TChildren::Made;
    // The catalogue entry of an object node; null for the root, the groups and sub-groups,
    // and for an object node whose entry has been removed.
    const brelk::TBrelkCatEntry* Entry = nullptr;

    QString Text() const { return text(0); }
    TMyTreeNode* Child(int index) const { return static_cast<TMyTreeNode*>(child(index)); }
    TMyTreeNode* Parent() const { return static_cast<TMyTreeNode*>(parent()); }
    // Whether the node holds other nodes, made or still to be made.
    bool HasChildren() const { return childCount() > 0 || Children != TChildren::Made; }

    // Orders by CompareNodeTexts (used by every sort of the tree).
    bool operator<(const QTreeWidgetItem& other) const override;
    // The node's image, shown in column 0 (a null image shows none).
    void SetImage(const QIcon& image);
    // Column 0's text and image are kept in the node rather than as item data, which would
    // cost each of thousands of nodes three lists of its own; the view asks for them here
    // and edits set the text here.
    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant& value) override;
    // Sorts the children of this node and of every node below it; selection and expansion
    // stay with their nodes.
    void SortSubtree();

  private:
    QString Label;
    QIcon Image;
};
