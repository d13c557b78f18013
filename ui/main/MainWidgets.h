// Small widgets of the main window: the usage bar's picture, the clickable cache panel and
// the object tree control.
#pragma once

#include <QImage>
#include <QLabel>
#include <QTreeWidget>
#include <QWidget>

class QAbstractItemView;
class QAction;
class QKeySequence;
class QMimeData;

// Shift+F10 and the Menu key on View ask for its context menu at the current item, as a
// right-click there does (customContextMenuRequested with a point in the viewport).
void OpenPopupByKeys(QAbstractItemView* view);

// Shows Key beside Action in its menus without making it a shortcut: the key stays with the
// widget that handles it itself.
void ShowKeyInMenus(QAction* action, const QKeySequence& key);

// Shows one picture and reports a click on it.
class TUsageImage : public QWidget {
    Q_OBJECT
  public:
    explicit TUsageImage(QWidget* parent = nullptr);
    QImage Image;

  signals:
    void clicked();
    void resized();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

// A sunken panel with a caption that reports a click on it.
class TClickPanel : public QLabel {
    Q_OBJECT
  public:
    explicit TClickPanel(const QString& caption, QWidget* parent = nullptr);
    // Fills the panel with Colour; the caption keeps the system window colour.
    void SetColour(const QColor& colour);
    QColor Colour() const { return FillColour; }

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QColor FillColour;
};

// What the object tree asks its window about keys, label editing and drag and drop.
class TObjectTreeHandler {
  public:
    virtual ~TObjectTreeHandler() = default;
    virtual void TreeKeyUp(int key) = 0;
    // Whether a label edit may open on Item (the editor itself decides again).
    virtual bool TreeMayEdit(QTreeWidgetItem* item) = 0;
    // The data of a drag that starts from the tree's selection; null: no drag.
    virtual QMimeData* TreeDragData() = 0;
    // Whether the drag may be dropped at the event's position; Drop carries it out.
    virtual bool TreeCanDrop(const QDropEvent& event) = 0;
    virtual void TreeDrop(const QDropEvent& event) = 0;
};

// The object tree control. A right-click opens the context menu without changing the
// selection, so that the menu's commands act on the nodes already selected. Keys, label
// edits and drags are decided by the handler.
class TObjectTreeWidget : public QTreeWidget {
    Q_OBJECT
  public:
    explicit TObjectTreeWidget(QWidget* parent = nullptr);
    TObjectTreeHandler* Handler = nullptr;
    QTreeWidgetItem* ItemAt(const QModelIndex& index) const { return itemFromIndex(index); }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool AcceptIfHandled(QDropEvent* event);
};
