#include "ui/main/MyTreeNode.h"

#include <algorithm>

namespace {

char16_t FoldLetter(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

} // namespace

int CompareNodeTexts(QStringView a, QStringView b) {
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t ca = FoldLetter(a[i].unicode());
        const char16_t cb = FoldLetter(b[i].unicode());
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

TMyTreeNode::TMyTreeNode(const QString& text, int objectType, const brelk::TBrelkCatEntry* entry)
    : QTreeWidgetItem(kNodeType), ObjectType(objectType), Entry(entry) {
    setText(0, text);
}

void TMyTreeNode::SetImage(const QIcon& image) {
    Image = image;
    emitDataChanged();
}

namespace {

bool IsTextRole(int role) {
    return role == Qt::DisplayRole || role == Qt::EditRole;
}

} // namespace

QVariant TMyTreeNode::data(int column, int role) const {
    if (column == 0 && IsTextRole(role) && !Label.isNull())
        return Label;
    if (column == 0 && role == Qt::DecorationRole && !Image.isNull())
        return Image;
    return QTreeWidgetItem::data(column, role);
}

void TMyTreeNode::setData(int column, int role, const QVariant& value) {
    if (column != 0 || !IsTextRole(role)) {
        QTreeWidgetItem::setData(column, role, value);
        return;
    }
    const QString text = value.toString();
    if (text == Label && !Label.isNull())
        return;
    Label = text;
    emitDataChanged();
}

bool TMyTreeNode::operator<(const QTreeWidgetItem& other) const {
    return CompareNodeTexts(text(0), other.text(0)) < 0;
}

void TMyTreeNode::SortSubtree() {
    if (childCount() == 0)
        return;
    sortChildren(0, Qt::AscendingOrder); // stable: equal texts keep their order
    for (int i = 0; i < childCount(); ++i)
        Child(i)->SortSubtree();
}
