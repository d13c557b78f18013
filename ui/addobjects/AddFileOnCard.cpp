// The add dialog's ticks: a file whose object is on the card already (same type, subtype,
// name and bytes) gets a note in its row and starts unticked; OK adds the ticked objects only.
#include "ui/addobjects/AddFile.h"
#include "ui/addobjects/AddFileGrid.h"
#include "ui/main/Main.h"

#include <QSignalBlocker>
#include <QTableWidget>

namespace {

const QString kOnCardNote = QStringLiteral("already on the card");

} // namespace

void TfrmAddFile::MarkObjectsOnCard() {
    if (Mode != TAddMode::Add || !Main.Card() || !Main.Card()->State().CatalogueValid)
        return;
    brelk::TObjectsOnCard onCard(*Main.Card());
    for (const auto& object : Main.Pending()) {
        if (Examined.contains(object.get()))
            continue;
        Examined.insert(object.get());
        if (onCard.Holds(*object)) {
            OnCard.insert(object.get());
            Unticked.insert(object.get());
        }
    }
}

bool TfrmAddFile::Ticked(const brelk::TBrelk_RawCatalogueEntry* object) const {
    return !Unticked.contains(object);
}

void TfrmAddFile::ForgetTicks(const brelk::TBrelk_RawCatalogueEntry* object) {
    Examined.remove(object);
    OnCard.remove(object);
    Unticked.remove(object);
}

// The tick and the note of Index's row, set without telling TickChanged.
void TfrmAddFile::ShowTick(int index) {
    const brelk::TBrelk_RawCatalogueEntry* object = Pending(index);
    QTableWidgetItem* number = strnggrdFiles->item(index, kColumnNr);
    QTableWidgetItem* name = strnggrdFiles->item(index, kColumnName);
    if (!object || !number || !name)
        return;
    if (Mode != TAddMode::Add) {
        HideTick(index);
        return;
    }
    const QSignalBlocker quiet(strnggrdFiles);
    number->setFlags(number->flags() | Qt::ItemIsUserCheckable);
    number->setCheckState(Ticked(object) ? Qt::Checked : Qt::Unchecked);
    if (OnCard.contains(object)) {
        name->setText(name->text() + QStringLiteral("  (") + kOnCardNote + QLatin1Char(')'));
        name->setToolTip(QStringLiteral("This object is ") + kOnCardNote +
                         QStringLiteral("; tick it to add it once more."));
    } else {
        name->setToolTip(QString());
    }
}

// The hint row of an empty list has no tick.
void TfrmAddFile::HideTick(int row) {
    if (QTableWidgetItem* number = strnggrdFiles->item(row, kColumnNr)) {
        const QSignalBlocker quiet(strnggrdFiles);
        number->setData(Qt::CheckStateRole, QVariant());
        number->setFlags(number->flags() & ~Qt::ItemIsUserCheckable);
    }
    if (QTableWidgetItem* name = strnggrdFiles->item(row, kColumnName))
        name->setToolTip(QString());
}

void TfrmAddFile::TickChanged(QTableWidgetItem* item) {
    const brelk::TBrelk_RawCatalogueEntry* object = item ? Pending(item->row()) : nullptr;
    // Text set in the row tells too; only a shown tick counts.
    if (!object || item->column() != kColumnNr || Busy || !item->data(Qt::CheckStateRole).isValid())
        return;
    if (item->checkState() == Qt::Checked)
        Unticked.remove(object);
    else
        Unticked.insert(object);
}

bool TfrmAddFile::DropUnticked() {
    const std::size_t before = Main.Pending().size();
    std::erase_if(Main.Pending(), [this](const auto& object) {
        if (Ticked(object.get()))
            return false;
        ForgetTicks(object.get());
        return true;
    });
    return Main.Pending().size() != before;
}
