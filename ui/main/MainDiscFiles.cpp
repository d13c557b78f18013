// The list of the files inside a disc or tape object: one row per file of the DFS side, the
// tape or the ADFS disc (as a directory tree) that the details tab shows. The "Text" toggle
// brings the details text back in its place.
#include "ui/main/Main.h"

#include "ui/main/ObjectFilesMenu.h"

#include "explorer/DiscFiles.h"
#include "explorer/MediaFileNumbers.h"
#include "explorer/ObjectTransfer.h"
#include "formats/DFSDetails.h"
#include "ui/aux/NameText.h"
#include "ui/main/MainWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

using brelk::TMediaFile;
using brelk::TMediaKind;
using brelk::TMediaListing;

namespace {

enum TFileColumn { kColName, kColLoad, kColExec, kColLength, kColLocked, kColStart, kColCount };
constexpr int kSortRole = Qt::UserRole + 2;

// A row that sorts by its column's key: names without regard to case, numbers by value.
class TFileRow : public QTreeWidgetItem {
  public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : kColName;
        const QVariant mine = data(column, kSortRole);
        const QVariant theirs = other.data(column, kSortRole);
        if (mine.isValid() != theirs.isValid())
            return !mine.isValid();
        if (mine.typeId() == QMetaType::QString)
            return mine.toString().compare(theirs.toString(), Qt::CaseInsensitive) < 0;
        return mine.toULongLong() < theirs.toULongLong();
    }
};

void SetName(QTreeWidgetItem* item, const QString& name) {
    item->setText(kColName, name);
    item->setData(kColName, kSortRole, name);
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
        stop < 0 ? new TFileRow(list) : new TFileRow(DirectoryItem(list, folders, path.left(stop)));
    SetName(item, name);
    item->setExpanded(true);
    folders.insert(path, item);
    return item;
}

void FillRow(QTreeWidgetItem* item, const QString& name, const TMediaListing& listing,
             std::size_t index) {
    const TMediaFile& file = listing.Files[index];
    const brelk::TMediaFileNumbers numbers = brelk::MediaFileNumbers(listing.Kind, file);
    SetName(item, name);
    item->setText(kColLoad, QString::fromStdString(numbers.Load));
    item->setText(kColExec, QString::fromStdString(numbers.Exec));
    item->setText(kColLength, QString::fromStdString(numbers.Length));
    item->setText(kColLocked, file.Locked ? QStringLiteral("L") : QString());
    item->setText(kColStart, QString::fromStdString(numbers.Start));
    for (const auto& [column, value] :
         {std::pair{kColLoad, file.Load}, std::pair{kColExec, file.Exec},
          std::pair{kColLength, file.Length}, std::pair{kColLocked, std::uint32_t(file.Locked)},
          std::pair{kColStart, file.StartSector}})
        item->setData(column, kSortRole, qulonglong(value));
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
            FillRow(new TFileRow(DirectoryItem(list, folders, path.left(stop))), path.mid(stop + 1),
                    listing, next);
    }
}

// The files of Drive as a flat list.
void FillList(QTreeWidget* list, const TMediaListing& listing, int drive) {
    for (std::size_t i = 0; i < listing.Files.size(); ++i)
        if (listing.Files[i].Side == drive)
            FillRow(new TFileRow(list), MediaText(listing.Files[i].Name), listing, i);
}

} // namespace

void TfrmMain::CreateObjectFilesList(QWidget* page) {
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    chkDetailsText = new QCheckBox(QStringLiteral("Text"), page);
    chkDetailsText->setObjectName(QStringLiteral("chkDetailsText"));
    layout->insertWidget(0, chkDetailsText);
    lblObjectFilesHead = new QLabel(page);
    lblObjectFilesHead->setObjectName(QStringLiteral("lblObjectFilesHead"));
    lblObjectFilesHead->setFont(memoObjectDetails->font());
    lblObjectFilesHead->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblObjectFilesHead->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->insertWidget(1, lblObjectFilesHead);
    layout->insertWidget(2, CreateDiscSidePanel(page));
    lvObjectFiles = new QTreeWidget(page);
    lvObjectFiles->setObjectName(QStringLiteral("lvObjectFiles"));
    lvObjectFiles->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Load"),
                                    QStringLiteral("Exec"), QStringLiteral("Length"),
                                    QStringLiteral("Locked"), QStringLiteral("Start")});
    lvObjectFiles->setRootIsDecorated(false);
    lvObjectFiles->setUniformRowHeights(true);
    lvObjectFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvObjectFiles->setEditTriggers(QAbstractItemView::EditKeyPressed);
    // Each column as wide as its widest text; the room to the right stays empty.
    lvObjectFiles->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lvObjectFiles->header()->setStretchLastSection(false);
    lvObjectFiles->header()->setSortIndicator(-1, Qt::AscendingOrder); // listing order first
    lvObjectFiles->setSortingEnabled(true);
    layout->addWidget(lvObjectFiles, 1);
    OpenPopupByKeys(lvObjectFiles);
    new TObjectFilesMenu(*this);
    connect(chkDetailsText, &QCheckBox::toggled, this, &TfrmMain::ShowFilesOrText);
    HideObjectFiles();
}

// The title field and boot option box above a DFS side's files.
QWidget* TfrmMain::CreateDiscSidePanel(QWidget* page) {
    pnlDiscSide = new QWidget(page);
    pnlDiscSide->setObjectName(QStringLiteral("pnlDiscSide"));
    auto* row = new QHBoxLayout(pnlDiscSide);
    row->setContentsMargins(0, 0, 0, 0);
    edtDiscTitle = new QLineEdit(pnlDiscSide);
    edtDiscTitle->setObjectName(QStringLiteral("edtDiscTitle"));
    edtDiscTitle->setMaxLength(int(brelk::kMaxDFSTitle));
    edtDiscTitle->setFont(memoObjectDetails->font());
    edtDiscTitle->setMinimumWidth(edtDiscTitle->fontMetrics().horizontalAdvance(QString(14, 'W')));
    cbDiscBoot = new QComboBox(pnlDiscSide);
    cbDiscBoot->setObjectName(QStringLiteral("cbDiscBoot"));
    for (std::uint8_t option = 0; option < 4; ++option)
        cbDiscBoot->addItem(QString::fromLatin1(brelk::BootOptionName(option)));
    auto* title = new QLabel(QStringLiteral("&Title:"), pnlDiscSide);
    title->setBuddy(edtDiscTitle);
    auto* boot = new QLabel(QStringLiteral("&Boot:"), pnlDiscSide);
    boot->setBuddy(cbDiscBoot);
    row->addWidget(title);
    row->addWidget(edtDiscTitle);
    row->addWidget(boot);
    row->addWidget(cbDiscBoot);
    row->addStretch(1);
    return pnlDiscSide;
}

void TfrmMain::ShowDiscSide(const brelk::TDFSDiscSide& side) {
    const QSignalBlocker quietTitle(edtDiscTitle);
    const QSignalBlocker quietBoot(cbDiscBoot);
    edtDiscTitle->setText(CardNameText(side.Title));
    cbDiscBoot->setCurrentIndex(side.BootOption & 3);
    DiscSideListed = true;
}

void TfrmMain::HideObjectFiles() {
    FilesListed = false;
    DiscSideListed = false;
    lvObjectFiles->clear();
    lblObjectFilesHead->clear();
    ShowFilesOrText();
}

// A side or tape without files shows its head lines alone, with no empty list below them.
void TfrmMain::ShowFilesOrText() {
    const bool list = FilesListed && !chkDetailsText->isChecked();
    chkDetailsText->setVisible(FilesListed);
    lblObjectFilesHead->setVisible(list && !lblObjectFilesHead->text().isEmpty());
    pnlDiscSide->setVisible(list && DiscSideListed);
    lvObjectFiles->setVisible(list && lvObjectFiles->topLevelItemCount() > 0);
    memoObjectDetails->setVisible(!list);
}

void TfrmMain::ShowObjectFilesHead(const std::vector<std::string>& lines) {
    QStringList shown;
    for (const std::string& line : lines)
        shown << MediaText(line);
    lblObjectFilesHead->setText(shown.join(QLatin1Char('\n')));
    ShowFilesOrText();
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
    // Filled unsorted, then sorted once by the column the user chose, if any.
    lvObjectFiles->setSortingEnabled(false);
    if (kind == TMediaKind::ADFS)
        FillTree(lvObjectFiles, listing);
    else
        FillList(lvObjectFiles, listing, drive);
    lvObjectFiles->setSortingEnabled(true);
    if (const auto k = std::size_t(brelk::DFSSideOfDrive(drive));
        kind == TMediaKind::DFS && k < listing.DFS.Spans.size())
        ShowDiscSide(listing.DFS.Disc.aDiscSides[k]);
    FilesListed = true;
    ShowFilesOrText();
}
