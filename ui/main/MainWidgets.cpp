#include "ui/main/MainWidgets.h"

#include "ui/aux/DroppedFiles.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

void OpenPopupByKeys(QAbstractItemView* view) {
    for (const QKeySequence& key :
         {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)})
        QObject::connect(new QShortcut(key, view, nullptr, nullptr, Qt::WidgetShortcut),
                         &QShortcut::activated, view, [view] {
                             const QRect current = view->visualRect(view->currentIndex());
                             emit view->customContextMenuRequested(
                                 current.isValid() ? current.center() : QPoint(0, 0));
                         });
}

// A widget shortcut of an action that sits in menus only never matches a focused widget.
void ShowKeyInMenus(QAction* action, const QKeySequence& key) {
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setShortcut(key);
}

TUsageImage::TUsageImage(QWidget* parent) : QWidget(parent) {}

void TUsageImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!Image.isNull())
        painter.drawImage(0, 0, Image);
}

void TUsageImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void TUsageImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

TClickPanel::TClickPanel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QFont small = font();
    small.setPixelSize(10);
    setFont(small);
}

void TClickPanel::SetColour(const QColor& colour) {
    FillColour = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, QPalette().color(QPalette::Base));
    setPalette(p);
}

void TClickPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

TObjectTreeWidget::TObjectTreeWidget(QWidget* parent) : QTreeWidget(parent) {}

void TObjectTreeWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        setFocus(Qt::MouseFocusReason);
        return; // the context menu follows; the selection stays as it is
    }
    QTreeWidget::mousePressEvent(event);
}

void TObjectTreeWidget::keyReleaseEvent(QKeyEvent* event) {
    QTreeWidget::keyReleaseEvent(event);
    if (Handler && !event->isAutoRepeat())
        Handler->TreeKeyUp(event->key());
}

bool TObjectTreeWidget::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool wanted = trigger == AllEditTriggers || (editTriggers() & trigger);
    QTreeWidgetItem* item = itemFromIndex(index);
    if (wanted && item) {
        if (!Handler || !Handler->TreeMayEdit(item))
            return false;
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    return QTreeWidget::edit(index, trigger, event);
}

// The drag is the handler's: the tree removes nothing itself when a move ends.
void TObjectTreeWidget::startDrag(Qt::DropActions) {
    QMimeData* data = Handler ? Handler->TreeDragData() : nullptr;
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

// A node moved inside the tree is a move; files from elsewhere are copied in. True when the
// drop is accepted.
bool TObjectTreeWidget::AcceptIfHandled(QDropEvent* event) {
    if (!Handler || !Handler->TreeCanDrop(*event)) {
        event->ignore();
        return false;
    }
    if (event->source() != this)
        return AcceptAsCopy(*event);
    event->setDropAction(Qt::MoveAction);
    event->accept();
    return true;
}

void TObjectTreeWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == this)
        event->accept(); // a node dragged from the tree: moves over other nodes decide
    else
        AcceptIfHandled(event);
}

void TObjectTreeWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() == this)
        QTreeWidget::dragMoveEvent(event); // scrolls near the edges, opens hovered groups
    AcceptIfHandled(event);
}

void TObjectTreeWidget::dropEvent(QDropEvent* event) {
    if (AcceptIfHandled(event))
        Handler->TreeDrop(*event);
}
