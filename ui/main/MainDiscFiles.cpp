// The list of the files inside a disc or tape object: one row per file of the DFS side, the
// tape or the ADFS disc (as a directory tree) that the details tab shows. The "Text" toggle
// brings the details text back in its place.
#include "ui/main/Main.h"

#include "ui/main/ObjectFilesMenu.h"

#include "explorer/DiscFiles.h"
#include "explorer/ObjectTransfer.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

using brelk::TMediaFile;
using brelk::TMediaKind;
using brelk::TMediaListing;

namespace {

enum TFileColumn { kColName, kColLoad, kColExec, kColLength, kColLocked, kColStart, kColCount };

QString Hex(std::uint32_t value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// The drive whose files tab SelectedTab shows, or -1 when it shows none (the hex view).
int ListedDrive(TMediaKind kind, const std::vector<std::string>& tabs, unsigned selectedTab) {
    if (kind == TMediaKind::DFS)
        return selectedTab >= 1 && selectedTab < tabs.size()
                   ? brelk::DFSDriveOfSide(int(selectedTab) - 1)
                   : -1;
    return selectedTab == 1 ? 0 : -1;
}

// The item of directory Path ("$.GAMES") below the list's top, made when missing.
QTreeWidgetItem* DirectoryItem(QTreeWidget* list, QHash<QString, QTreeWidgetItem*>& folders,
                               const QString& path) {
    if (QTreeWidgetItem* known = folders.value(path))
        return known;
    const qsizetype stop = path.lastIndexOf(QLatin1Char('.'));
    const QString name = stop < 0 ? path : path.mid(stop + 1);
    QTreeWidgetItem* item =
        stop < 0 ? new QTreeWidgetItem(list)
                 : new QTreeWidgetItem(DirectoryItem(list, folders, path.left(stop)));
    item->setText(kColName, name);
    item->setExpanded(true);
    folders.insert(path, item);
    return item;
}

void FillRow(QTreeWidgetItem* item, const QString& name, const TMediaListing& listing,
             std::size_t index) {
    const TMediaFile& file = listing.Files[index];
    const bool disc = listing.Kind != TMediaKind::Tape;
    item->setText(kColName, name);
    item->setText(kColLoad, Hex(file.Load, 8));
    item->setText(kColExec, Hex(file.Exec, 8));
    item->setText(kColLength, Hex(file.Length, 6));
    item->setText(kColLocked, file.Locked ? QStringLiteral("L") : QString());
    item->setText(kColStart, disc ? Hex(file.StartSector, 3) : QString());
    item->setData(kColName, TObjectFilesMenu::kFileRole, qulonglong(index));
    item->setToolTip(kColName, QString::fromStdString(file.Note));
    if (listing.Kind == TMediaKind::DFS)
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    for (int column = kColLoad; column < kColCount; ++column)
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
}

// The ADFS disc's directories, empty ones too, with their files below them.
void FillTree(QTreeWidget* list, const TMediaListing& listing) {
    QHash<QString, QTreeWidgetItem*> folders;
    DirectoryItem(list, folders, QStringLiteral("$"));
    std::size_t next = 0;
    for (std::size_t i = 0; i < listing.ADFS.Entries.size(); ++i) {
        const QString path = MediaText(listing.ADFS.Entries[i].Path);
        const qsizetype stop = path.lastIndexOf(QLatin1Char('.'));
        if (listing.ADFS.Entries[i].IsDirectory) {
            DirectoryItem(list, folders, path);
            continue;
        }
        while (next < listing.Files.size() && listing.Files[next].Source < i)
            ++next;
        if (next < listing.Files.size() && listing.Files[next].Source == i && stop > 0)
            FillRow(new QTreeWidgetItem(DirectoryItem(list, folders, path.left(stop))),
                    path.mid(stop + 1), listing, next);
    }
}

// The files of Drive as a flat list.
void FillList(QTreeWidget* list, const TMediaListing& listing, int drive) {
    for (std::size_t i = 0; i < listing.Files.size(); ++i)
        if (listing.Files[i].Side == drive)
            FillRow(new QTreeWidgetItem(list), MediaText(listing.Files[i].Name), listing, i);
}

} // namespace

void TfrmMain::CreateObjectFilesList(QWidget* page) {
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    chkDetailsText = new QCheckBox(QStringLiteral("Text"), page);
    chkDetailsText->setObjectName(QStringLiteral("chkDetailsText"));
    layout->insertWidget(0, chkDetailsText);
    lvObjectFiles = new QTreeWidget(page);
    lvObjectFiles->setObjectName(QStringLiteral("lvObjectFiles"));
    lvObjectFiles->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Load"),
                                    QStringLiteral("Exec"), QStringLiteral("Length"),
                                    QStringLiteral("Locked"), QStringLiteral("Start")});
    lvObjectFiles->setRootIsDecorated(false);
    lvObjectFiles->setUniformRowHeights(true);
    lvObjectFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvObjectFiles->setEditTriggers(QAbstractItemView::EditKeyPressed);
    lvObjectFiles->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(lvObjectFiles);
    new TObjectFilesMenu(*this);
    connect(chkDetailsText, &QCheckBox::toggled, this, &TfrmMain::ShowFilesOrText);
    HideObjectFiles();
}

void TfrmMain::HideObjectFiles() {
    FilesListed = false;
    lvObjectFiles->clear();
    ShowFilesOrText();
}

void TfrmMain::ShowFilesOrText() {
    const bool list = FilesListed && !chkDetailsText->isChecked();
    chkDetailsText->setVisible(FilesListed);
    lvObjectFiles->setVisible(list);
    memoObjectDetails->setVisible(!list);
}

void TfrmMain::ShowObjectFiles(const brelk::TBrelkCatEntry& entry, std::vector<std::string>& tabs,
                               unsigned& selectedTab) {
    HideObjectFiles();
    TMediaKind kind;
    std::vector<std::uint8_t> bytes;
    TMediaListing listing;
    std::string why;
    if (!brelk::MediaKindOf(entry, kind) || !brelk::ReadWholeObject(*Brelk, entry, bytes) ||
        !brelk::ListMediaFiles(kind, bytes, listing, why))
        return;
    const int drive = ListedDrive(kind, tabs, selectedTab);
    if (drive < 0)
        return;
    const QSignalBlocker quiet(lvObjectFiles);
    lvObjectFiles->setRootIsDecorated(kind == TMediaKind::ADFS);
    lvObjectFiles->setProperty(TObjectFilesMenu::kDriveProperty, drive);
    if (kind == TMediaKind::ADFS)
        FillTree(lvObjectFiles, listing);
    else
        FillList(lvObjectFiles, listing, drive);
    FilesListed = true;
    ShowFilesOrText();
}
