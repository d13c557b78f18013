// The add dialog's grid: a table whose selection can refuse a move to another row, and the
// painter of the "Type" column's icons.
#pragma once

#include <QItemSelectionModel>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <functional>

class TfrmMain;

inline constexpr int kColumnNr = 0;
inline constexpr int kColumnType = 1;
inline constexpr int kColumnName = 2;
inline constexpr int kColumnSize = 3;

// A selection model that asks before the current row changes: a click or key that moves to
// another row reaches the grid only when CanSelectRow accepts it.
class TGridSelection : public QItemSelectionModel {
    Q_OBJECT
  public:
    using QItemSelectionModel::QItemSelectionModel;
    std::function<bool(int row)> CanSelectRow;

    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override;
    void select(const QItemSelection& selection, SelectionFlags command) override;
    using QItemSelectionModel::select;

  private:
    int AcceptedRow = -1;
};

class TFileGrid : public QTableWidget {
    Q_OBJECT
  public:
    explicit TFileGrid(QWidget* parent = nullptr);
    std::function<bool(int row)> CanSelectRow;
};

// Draws the icon of the pending object of a row at the cell's left edge, 2 pixels below
// its top; the hint row gets none.
class TTypeIconDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    TTypeIconDelegate(TfrmMain& main, QObject* parent) : QStyledItemDelegate(parent), Main(main) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    TfrmMain& Main;
};
