// The add dialog's grid of pending objects: filling it, selecting a row (which shows that
// object's details), adding a file through the file dialog, removing one, and the totals.
#include "ui/addobjects/AddFileGrid.h"

#include "explorer/ObjectFileKinds.h"
#include "explorer/ObjectImages.h"
#include "formats/GlobalStuff.h"
#include "ui/addobjects/AddFile.h"
#include "ui/addobjects/ImportUser.h"
#include "ui/aux/NameText.h"
#include "ui/aux/Prompter.h"
#include "ui/main/Main.h"
#include "ui/main/MainJobUser.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>

#include <cinttypes>
#include <cstdio>
#include <limits>

using brelk::TBrelk_RawCatalogueEntry;

namespace {

const QString kHintText = QStringLiteral("-rightclick or drop files on this form-");
const QString kAddFileFilter =
    QString::fromStdString(brelk::ObjectFilesFilter()) + QStringLiteral("|All files (*.*)|*.*");

std::string Separator() {
    return QLocale().groupSeparator().toStdString();
}

QTableWidgetItem* Cell(QTableWidget* grid, int row, int column) {
    QTableWidgetItem* item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        if (column == kColumnNr || column == kColumnSize)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->setItem(row, column, item);
    }
    return item;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Grid widgets

void TGridSelection::setCurrentIndex(const QModelIndex& index, SelectionFlags command) {
    if (index.isValid() && index.row() != currentIndex().row() && CanSelectRow &&
        !CanSelectRow(index.row()))
        return;
    AcceptedRow = index.row();
    // One whole row is selected, always the current one (a mouse moved with the button held
    // moves the current row without a selection command).
    if (index.isValid())
        command = ClearAndSelect | Rows;
    QItemSelectionModel::setCurrentIndex(index, command);
    AcceptedRow = -1;
}

// A selection of another row than the current one follows only a move that was accepted.
void TGridSelection::select(const QItemSelection& selection, SelectionFlags command) {
    if (command & (Select | Toggle)) {
        const int current = currentIndex().isValid() ? currentIndex().row() : -1;
        for (const QItemSelectionRange& range : selection)
            for (int row = range.top(); row <= range.bottom(); ++row)
                if (row != current && row != AcceptedRow && current >= 0)
                    return;
    }
    QItemSelectionModel::select(selection, command);
}

TFileGrid::TFileGrid(QWidget* parent) : QTableWidget(parent) {
    auto* selection = new TGridSelection(model(), this);
    selection->CanSelectRow = [this](int row) { return !CanSelectRow || CanSelectRow(row); };
    setSelectionModel(selection);
}

void TTypeIconDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    const auto row = std::size_t(index.row());
    if (index.row() < 0 || row >= Main.Pending().size() || !Main.ImagesLoaded())
        return;
    const QPixmap image = Main.Images().Image(brelk::ObjectImageIndex(Main.Pending()[row]->Entry));
    painter->drawPixmap(option.rect.left(), option.rect.top() + 2, image);
}

// ---------------------------------------------------------------------------------------------
// Grid contents

TBrelk_RawCatalogueEntry* TfrmAddFile::Pending(int index) const {
    if (index < 0 || std::size_t(index) >= Main.Pending().size())
        return nullptr;
    return Main.Pending()[std::size_t(index)].get();
}

int TfrmAddFile::PendingCount() const {
    return int(Main.Pending().size());
}

int TfrmAddFile::SelectedRow() const {
    return strnggrdFiles->currentRow();
}

// The grid moves its selection itself when rows go; that is no move by the user.
void TfrmAddFile::SetRowCount(int rows) {
    Selecting = true;
    strnggrdFiles->setRowCount(rows);
    Selecting = false;
}

void TfrmAddFile::SelectRowQuietly(int row) {
    if (SelectedRow() == row)
        return;
    Selecting = true;
    strnggrdFiles->setCurrentCell(row, kColumnName);
    Selecting = false;
}

QString TfrmAddFile::NumberText(std::int64_t value) const {
    const bool hex = Main.UserSettings().ViewerShowNumbersInHex;
    if (value >= 0 && value <= std::numeric_limits<std::uint32_t>::max())
        return QString::fromStdString(brelk::FormatNumber(std::uint32_t(value), hex, Separator()));
    if (hex) {
        // A negative number in 32 bits shows its two's complement; anything wider in full.
        if (value < 0 && value >= std::numeric_limits<std::int32_t>::min())
            return QString::fromStdString(brelk::FormatHex8(std::uint32_t(value)));
        char text[24];
        std::snprintf(text, sizeof text, "%s%8.8" PRIX64, value < 0 ? "-" : "",
                      std::uint64_t(value < 0 ? -value : value));
        return QString::fromLatin1(text);
    }
    const std::uint64_t magnitude = value < 0 ? std::uint64_t(-value) : std::uint64_t(value);
    QString text = QString::fromStdString(brelk::FormatDecimal(magnitude, Separator()));
    if (value < 0)
        text.prepend(QLatin1Char('-'));
    return text.rightJustified(13);
}

void TfrmAddFile::UpdateFileGridRow(int index) {
    const TBrelk_RawCatalogueEntry* object = Pending(index);
    if (!object || index >= strnggrdFiles->rowCount())
        return;
    Cell(strnggrdFiles, index, kColumnNr)->setText(QString::number(index + 1));
    Cell(strnggrdFiles, index, kColumnType)->setText(QString());
    Cell(strnggrdFiles, index, kColumnName)->setText(CardNameText(object->Entry.Name()));
    Cell(strnggrdFiles, index, kColumnSize)->setText(NumberText(brelk::SizeOnCard(*object)));
    ShowTick(index);
}

void TfrmAddFile::RefreshFileGrid() {
    if (PendingCount() == 0) {
        SetRowCount(1);
        for (int column : {kColumnNr, kColumnType, kColumnSize})
            Cell(strnggrdFiles, 0, column)->setText(QString());
        Cell(strnggrdFiles, 0, kColumnName)->setText(kHintText);
        HideTick(0);
        SelectRowQuietly(0);
        CurrentIndex = -1;
        for (QPushButton* button : {btbtnSquashAll, btbtnExpandAll, btbtnOK})
            button->setEnabled(false);
        return;
    }
    const int remembered = std::max(SelectedRow(), 0);
    SetRowCount(PendingCount());
    for (int i = 0; i < PendingCount(); ++i)
        UpdateFileGridRow(i);
    const int row = std::min(remembered, PendingCount() - 1);
    SelectRowQuietly(row);
    // The hint row stood for no object: the details showed none, so nothing is current yet
    // (no empty name box is checked or stored when the next object is shown).
    if (CurrentIndex >= 0)
        CurrentIndex = row;
    for (QPushButton* button : {btbtnSquashAll, btbtnExpandAll, btbtnOK})
        button->setEnabled(true);
}

bool TfrmAddFile::strnggrdFilesSelectCell(int row) {
    if (PendingCount() == 0)
        return true; // the hint row
    return ShowPendingObject(row);
}

// ---------------------------------------------------------------------------------------------
// Showing one object

void TfrmAddFile::ShowEmptyState() {
    Showing = true;
    lblFilePath->clear();
    lblFilesize->clear();
    lblFileAnalysis->clear();
    edtFilename->clear();
    Showing = false;
    edtFilename->setEnabled(false);
    pgctrlObjectType->setEnabled(false);
    mnuPopupRemovefile->setVisible(false);
}

QString TfrmAddFile::AnalysisText(const TBrelk_RawCatalogueEntry& object) const {
    if (object.Raw)
        return QString();
    QString text;
    switch (object.ReadAs) {
    case brelk::TReadAs::Tool:
        text = QStringLiteral("Read as a tool");
        break;
    case brelk::TReadAs::DFS:
        text = QStringLiteral("Read as a DFS disc");
        break;
    case brelk::TReadAs::DFSInterleaved:
        text = QStringLiteral("Read as an interleaved double-sided DFS disc");
        break;
    case brelk::TReadAs::Tape:
        text = QStringLiteral("Read as a UEF tape");
        break;
    case brelk::TReadAs::ADFS:
        text = QStringLiteral("Read as an ADFS disc");
        break;
    }
    if (object.Gzip)
        text += QStringLiteral(", unpacked from gzip");
    text += QLatin1Char('.');
    if (!object.Note.empty())
        text += QLatin1Char(' ') + QString::fromStdString(object.Note);
    return text;
}

bool TfrmAddFile::ShowPendingObject(int index) {
    if (PendingCount() == 0) {
        ShowEmptyState();
        return true;
    }
    TBrelk_RawCatalogueEntry* object = Pending(index);
    if (!object)
        return false;
    if (index != CurrentIndex && CurrentIndex >= 0) {
        if (!ValidateObjectName(edtFilename->text()))
            return false;
        StorePendingDetails(CurrentIndex);
        UpdateFileGridRow(CurrentIndex);
    }
    CurrentIndex = index;
    SelectRowQuietly(index);
    mnuPopupRemovefile->setVisible(true);
    edtFilename->setEnabled(true);
    pgctrlObjectType->setEnabled(true);
    btbtnOK->setEnabled(true);

    Showing = true;
    lblFilePath->setText(QString::fromStdString(object->FileName));
    lblFilePath->setToolTip(lblFilePath->text());
    edtFilename->setText(QString::fromLatin1(object->Entry.Name()).trimmed());
    lblFilesize->setText(NumberText(object->FileSize).trimmed());
    lblFileAnalysis->setText(AnalysisText(*object));
    chkbxDiscSquashed->setChecked(object->Squashed);
    ShowObjectType(*object);
    Showing = false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Adding and removing

void TfrmAddFile::AddFileByDialog() {
    QString filter = QString::fromStdString(brelk::FilterEntryOf("ssd"));
    QString path = Main.Prompter().OpenFile(QStringLiteral("Select object to add to Brelk..."),
                                            kAddFileFilter, QString(), &filter);
    if (path.isEmpty())
        return;
    // The default extension: a name typed without one means the .ssd file of that name.
    if (QFileInfo(path).suffix().isEmpty() && !QFileInfo::exists(path) &&
        QFileInfo::exists(path + QStringLiteral(".ssd")))
        path += QStringLiteral(".ssd");
    TPrompterJobUser user(Main.Prompter());
    const std::size_t before = Main.Pending().size();
    brelk::AddPendingPath(Main.Pending(), QFile::encodeName(path).toStdString(), user);
    if (Main.Pending().size() != before + 1)
        return; // refused (the list is full) or not a file
    if (!brelk::AnalysePendingObject(*Main.Pending().back(), ImportOptions(), user)) {
        Main.Pending().pop_back();
        return;
    }
    MarkObjectsOnCard();
    RefreshFileGrid();
    ShowPendingObject(PendingCount() - 1);
    UpdateSpaceTotals();
}

void TfrmAddFile::RemovePendingObject(int index) {
    if (!Pending(index))
        return;
    if (index != CurrentIndex)
        StorePendingDetails(CurrentIndex);
    const int current = CurrentIndex;
    // The removed object's details are discarded; another current object moves with its row.
    CurrentIndex = -1;
    ForgetTicks(Pending(index));
    Main.Pending().erase(Main.Pending().begin() + index);
    if (PendingCount() == 0) {
        RefreshFileGrid();
        ShowPendingObject(-1);
        return;
    }
    SetRowCount(PendingCount());
    for (int i = index; i < PendingCount(); ++i)
        UpdateFileGridRow(i);
    int show = std::min(index, PendingCount() - 1);
    if (current != index && current >= 0)
        show = current > index ? current - 1 : current;
    ShowPendingObject(show);
}

// ---------------------------------------------------------------------------------------------
// Totals

void TfrmAddFile::UpdateSpaceTotals() {
    const brelk::TSpaceTotals totals =
        brelk::ComputeSpaceTotals(Main.Pending(), Main.Card(), Main.UserSettings().MMCSafetyZone);
    lblTotalSpaceNeeded->setText(NumberText(totals.Needed));
    lblTotalSpaceFree->setText(NumberText(totals.Left));
    QPalette palette = pnlTotalspaceFree->palette();
    palette.setColor(QPalette::Window,
                     totals.Left < 0 ? QColor(255, 0, 0) : QPalette().color(QPalette::Button));
    pnlTotalspaceFree->setPalette(palette);
}
