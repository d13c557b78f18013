#include "ui/main/DFSNamesDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum TColumn { kColFile, kColName };

QTableWidgetItem* FileItem(const QString& file, bool changed) {
    auto* item = new QTableWidgetItem(file);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    if (changed)
        item->setToolTip(QStringLiteral("DFS does not take this name: a name was proposed"));
    return item;
}

QTableWidgetItem* NameItem(const QString& name, bool changed) {
    auto* item = new QTableWidgetItem(name);
    QFont font = item->font();
    font.setBold(changed);
    item->setFont(font);
    return item;
}

QDialogButtonBox* Buttons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btbtnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btbtnCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

TfrmDFSNames::TfrmDFSNames(const QStringList& files, const QStringList& names,
                           const QList<bool>& changed, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmDFSNames"));
    setWindowTitle(QStringLiteral("Insert files"));
    auto* label = new QLabel(QStringLiteral("DFS takes names of 1 to 7 characters (none of space "
                                            ". : \" # *) after the directory. Names in bold were "
                                            "proposed; change any name before the files go in."),
                             this);
    label->setWordWrap(true);
    tblDFSNames = new QTableWidget(int(files.size()), 2, this);
    tblDFSNames->setObjectName(QStringLiteral("tblDFSNames"));
    tblDFSNames->setHorizontalHeaderLabels({QStringLiteral("PC file"), QStringLiteral("DFS name")});
    tblDFSNames->verticalHeader()->hide();
    tblDFSNames->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int row = 0; row < files.size(); ++row) {
        tblDFSNames->setItem(row, kColFile, FileItem(files[row], changed.value(row)));
        tblDFSNames->setItem(row, kColName, NameItem(names.value(row), changed.value(row)));
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(tblDFSNames);
    layout->addWidget(Buttons(this));
    resize(480, 300);
}

QStringList TfrmDFSNames::Names() const {
    QStringList names;
    for (int row = 0; row < tblDFSNames->rowCount(); ++row)
        names << tblDFSNames->item(row, kColName)->text();
    return names;
}
