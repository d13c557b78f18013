#include "ui/settings/SettingsDialog.h"

#include "formats/GlobalStuff.h"
#include "ui/aux/CentreOnScreen.h"
#include "ui/aux/Prompter.h"
#include "ui/settings/DriveList.h"
#include "ui/settings/Settings.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace {

const QStringList SafetyZones = {QStringLiteral("$0000"), QStringLiteral("$2000"),
                                 QStringLiteral("$4000"), QStringLiteral("$8000")};
const QStringList CacheSizes = {
    QStringLiteral("16"),   QStringLiteral("32"),  QStringLiteral("64"),   QStringLiteral("128"),
    QStringLiteral("256"),  QStringLiteral("512"), QStringLiteral("1024"), QStringLiteral("2048"),
    QStringLiteral("4096"), QStringLiteral("8192")};

const QString EmulatorFilter =
    QStringLiteral("Executables (*.exe,*.com,*.bat)|*.exe;*.com;*.bat|All files (*.*)|*.*");
const QString ImageFileFilter =
    QStringLiteral("Card images (*.img;*.mmc;*.bin)|*.img;*.mmc;*.bin|All files (*.*)|*.*");

// Item data of the enumerated drives, beside the path the entry shows.
constexpr int DetailsRole = Qt::UserRole + 1;           // "7.4 GiB, Generic STORAGE DEVICE"
constexpr int MountedFileSystemRole = Qt::UserRole + 2; // "/dev/sdb1", empty when none
constexpr int MountPointRole = Qt::UserRole + 3;        // "/media/user/CARD"

// The open drive list shows each device with its size, vendor and model after its path; the
// closed list and the stored drive keep the bare path.
class TDriveItemDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString details = index.data(DetailsRole).toString();
        if (!details.isEmpty())
            option->text += QStringLiteral("  (%1)").arg(details);
        if (!index.data(MountedFileSystemRole).toString().isEmpty())
            option->text += QStringLiteral("  - in use");
    }
};

QString DriveToolTip(const TCandidateDrive& drive) {
    QString tip = drive.Path;
    const QString details = DriveDetails(drive);
    if (!details.isEmpty())
        tip += QStringLiteral("\n") + details;
    if (!drive.MountedFileSystem.isEmpty())
        tip +=
            QStringLiteral("\n%1 is mounted on %2").arg(drive.MountedFileSystem, drive.MountPoint);
    return tip;
}

// An image file or a device node: worth offering although the enumeration did not list it.
bool IsFileOrDevice(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISREG(info.st_mode) || S_ISBLK(info.st_mode);
}

int ExactIndex(const QComboBox* list, const QString& text) {
    return list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

// Selects the entry equal to Text; when there is none the selection stays.
void SelectIfListed(QComboBox* list, const QString& text) {
    const int index = ExactIndex(list, text);
    if (index >= 0)
        list->setCurrentIndex(index);
}

QString FolderOf(const QString& path) {
    return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}

} // namespace

TfrmSettings::TfrmSettings(TBrelkExplorerSettings& settings, TPrompter& prompter, QWidget* parent,
                           const TDriveLister* drives)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Settings(settings), Prompter(prompter),
      SystemDrives(drives ? nullptr : std::make_unique<TSysBlockDriveLister>()),
      Drives(drives ? *drives : *SystemDrives) {
    FormCreate();
}

void TfrmSettings::FormCreate() {
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("BrelkExplorer - Settings"));
    setModal(true);

    pgctrlSettings = new QTabWidget(this);
    pgctrlSettings->setObjectName(QStringLiteral("pgctrlSettings"));
    pgctrlSettings->addTab(MakeSystemPage(), QStringLiteral("System"));
    pgctrlSettings->addTab(MakeViewerPage(), QStringLiteral("Viewer"));
    pgctrlSettings->addTab(MakeEmulatorPage(), QStringLiteral("Emulator"));
    pgctrlSettings->addTab(MakeImportPage(), QStringLiteral("Add/Import"));
    pgctrlSettings->addTab(MakeOtherPage(), QStringLiteral("Other"));

    btbtnOK = new QPushButton(QStringLiteral("OK"), this);
    btbtnOK->setObjectName(QStringLiteral("btbtnOK"));
    btbtnOK->setDefault(true);
    btbtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btbtnCancel->setObjectName(QStringLiteral("btbtnCancel"));
    btbtnCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btbtnOK);
    buttons->addWidget(btbtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(pgctrlSettings);
    layout->addLayout(buttons);

    connect(btbtnOK, &QPushButton::clicked, this, &TfrmSettings::btbtnOKClick);
    connect(btbtnCancel, &QPushButton::clicked, this, &TfrmSettings::btbtnCancelClick);
    connect(chkbxUseDeletedItems, &QCheckBox::clicked, this,
            &TfrmSettings::chkbxUseDeletedItemsClick);
    connect(chkbxImportOverwrite, &QCheckBox::clicked, this,
            &TfrmSettings::chkbxImportOverwriteClick);
    connect(spdbtnSelectEmulatorPath, &QPushButton::clicked, this,
            &TfrmSettings::spdbtnSelectEmulatorPathClick);
    connect(spdbtnSelectImageFile, &QPushButton::clicked, this,
            &TfrmSettings::spdbtnSelectImageFileClick);

    cmboDrives->setItemDelegate(new TDriveItemDelegate(cmboDrives));
    EnumeratePossibleMMCDrives();
    Preselected = cmboDrives->currentText();
    cmboMMCSafetyZone->addItems(SafetyZones);
    SelectIfListed(cmboMMCSafetyZone, QStringLiteral("$2000"));
    cmboMMCCacheSize->addItems(CacheSizes);
    SelectIfListed(cmboMMCCacheSize, QStringLiteral("256"));

    setFixedSize(sizeHint().expandedTo(QSize(400, 242)));
}

void TfrmSettings::EnumeratePossibleMMCDrives() {
    cmboDrives->clear();
    int preselect = 0;
    for (const TCandidateDrive& drive : Drives.RemovableDrives()) {
        // A device in use by a mounted file system is never chosen without the user.
        const bool usable = drive.Answers && drive.MountedFileSystem.isEmpty();
        if (usable && (Settings.MMCDrive.isEmpty() || Settings.MMCDrive == drive.Path))
            preselect = cmboDrives->count();
        cmboDrives->addItem(drive.Path);
        const int index = cmboDrives->count() - 1;
        cmboDrives->setItemData(index, DriveToolTip(drive), Qt::ToolTipRole);
        cmboDrives->setItemData(index, DriveDetails(drive), DetailsRole);
        cmboDrives->setItemData(index, drive.MountedFileSystem, MountedFileSystemRole);
        cmboDrives->setItemData(index, drive.MountPoint, MountPointRole);
    }
    EnumeratedDrives = cmboDrives->count();
    cmboDrives->setCurrentIndex(EnumeratedDrives > 0 ? preselect : -1);
    // The open list shows each entry whole, details included, however narrow the box is.
    QAbstractItemView* view = cmboDrives->view();
    view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth() +
                          view->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

void TfrmSettings::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
        CentreOnScreen(this);
    }
    QDialog::showEvent(event);
}

// Card readers come and go while the program runs: the list shows the drives present now.
void TfrmSettings::FormShow() {
    pgctrlSettings->setCurrentIndex(0);
    EnumeratePossibleMMCDrives();
    SelectIfListed(cmboDrives, Preselected);
    LoadSettingsIntoControls();
}

// Image files picked earlier but not kept are dropped again; the stored drive is offered when
// it is an image file or a device the enumeration did not list.
void TfrmSettings::OfferCurrentDrive() {
    const QString selected = cmboDrives->currentText();
    while (cmboDrives->count() > EnumeratedDrives)
        cmboDrives->removeItem(cmboDrives->count() - 1);
    if (ExactIndex(cmboDrives, selected) >= 0)
        SelectIfListed(cmboDrives, selected);
    else if (cmboDrives->count() > 0)
        cmboDrives->setCurrentIndex(qMax(0, ExactIndex(cmboDrives, Preselected)));
    if (ExactIndex(cmboDrives, Settings.MMCDrive) < 0 && IsFileOrDevice(Settings.MMCDrive))
        cmboDrives->addItem(Settings.MMCDrive, Settings.MMCDrive);
}

void TfrmSettings::SelectDrive(const QString& path) {
    if (ExactIndex(cmboDrives, path) < 0)
        cmboDrives->addItem(path);
    SelectIfListed(cmboDrives, path);
}

void TfrmSettings::LoadSettingsIntoControls() {
    OfferCurrentDrive();
    SelectIfListed(cmboDrives, Settings.MMCDrive);
    SelectIfListed(cmboMMCSafetyZone, QStringLiteral("$") + QString::fromStdString(brelk::FormatHex(
                                                                Settings.MMCSafetyZone, 4)));
    SelectIfListed(cmboMMCCacheSize, QString::number(Settings.CacheSize / 1024));
    chkbxRewriteObjectHeader->setChecked(Settings.RewriteObjectHeader);
    chkbxUseDeletedItems->setChecked(Settings.UseDeletedObjects);
    chkbxRewriteObjectHeader->setEnabled(chkbxUseDeletedItems->isChecked());
    chkbxReuseDeletedSpace->setChecked(Settings.ReuseDeletedSpace);
    updnNodeDepth->setValue(Settings.ViewerMaxNodebreaks);
    chkbxAutoviewObjectDetails->setChecked(Settings.ViewerAutoviewObjectDetails);
    chkbxShowNumbersInHex->setChecked(Settings.ViewerShowNumbersInHex);
    updnHexBytesTotal->setValue(Settings.HexviewerBytesTotal);
    updnHexBytesperrow->setValue(Settings.HexviewerBytesPerRow);
    edtEmulatorPath->setText(Settings.EmulatorPath);
    edtEmulatorCLO->setText(Settings.EmulatorCLO);
    chkbxGuessDistributor->setChecked(Settings.ImportGuessDistributor);
    chkbxImportOverwrite->setChecked(Settings.ImportOverwriteExisting);
    chkbxAskBeforeOverwrite->setChecked(Settings.ImportAskBeforeOverwrite);
    chkbxAskBeforeOverwrite->setEnabled(chkbxImportOverwrite->isChecked());
    chkbxRestorePreFormat->setChecked(Settings.RestorePreFormat);
    chkbxCheckForUpdates->setChecked(Settings.CheckForUpdates);
}

void TfrmSettings::StoreSettingsFromControls() {
    // With no drive listed at all, the stored drive is kept.
    if (cmboDrives->currentIndex() >= 0)
        Settings.MMCDrive = cmboDrives->currentText();
    bool ok = false;
    const uint zone = cmboMMCSafetyZone->currentText().mid(1).toUInt(&ok, 16);
    if (ok)
        Settings.MMCSafetyZone = zone;
    const uint kilobytes = cmboMMCCacheSize->currentText().toUInt(&ok);
    if (ok)
        Settings.CacheSize = kilobytes * 1024;
    Settings.ReuseDeletedSpace = chkbxReuseDeletedSpace->isChecked();
    Settings.UseDeletedObjects = chkbxUseDeletedItems->isChecked();
    Settings.RewriteObjectHeader = chkbxRewriteObjectHeader->isChecked();
    Settings.ViewerMaxNodebreaks = std::uint8_t(updnNodeDepth->value());
    Settings.ViewerAutoviewObjectDetails = chkbxAutoviewObjectDetails->isChecked();
    Settings.ViewerShowNumbersInHex = chkbxShowNumbersInHex->isChecked();
    Settings.HexviewerBytesTotal = std::uint16_t(updnHexBytesTotal->value());
    Settings.HexviewerBytesPerRow = std::uint16_t(updnHexBytesperrow->value());
    Settings.EmulatorPath = edtEmulatorPath->text();
    Settings.EmulatorCLO = edtEmulatorCLO->text();
    Settings.ImportGuessDistributor = chkbxGuessDistributor->isChecked();
    Settings.ImportOverwriteExisting = chkbxImportOverwrite->isChecked();
    Settings.ImportAskBeforeOverwrite = chkbxAskBeforeOverwrite->isChecked();
    Settings.RestorePreFormat = chkbxRestorePreFormat->isChecked();
    Settings.CheckForUpdates = chkbxCheckForUpdates->isChecked();
}

// A device holding a mounted file system is refused, naming the file system: writing a card
// catalogue over it would destroy the files on it.
bool TfrmSettings::ChosenDriveIsFree() {
    const int index = cmboDrives->currentIndex();
    if (index < 0)
        return true;
    const QString mounted = cmboDrives->itemData(index, MountedFileSystemRole).toString();
    if (mounted.isEmpty())
        return true;
    Prompter.Message(MountedDriveRefusal(cmboDrives->currentText(), mounted,
                                         cmboDrives->itemData(index, MountPointRole).toString()),
                     TPrompter::TIcon::Warning, TPrompter::TButtons::OK);
    return false;
}

void TfrmSettings::btbtnOKClick() {
    if (!ChosenDriveIsFree())
        return;
    StoreSettingsFromControls();
    Settings.WriteSettingsToRegistry();
    accept();
}

void TfrmSettings::btbtnCancelClick() {
    reject();
}

void TfrmSettings::chkbxUseDeletedItemsClick() {
    chkbxRewriteObjectHeader->setEnabled(chkbxUseDeletedItems->isChecked());
}

void TfrmSettings::chkbxImportOverwriteClick() {
    chkbxAskBeforeOverwrite->setEnabled(chkbxImportOverwrite->isChecked());
}

void TfrmSettings::spdbtnSelectEmulatorPathClick() {
    const QString file = Prompter.OpenFile(QStringLiteral("Select emulator..."), EmulatorFilter,
                                           FolderOf(edtEmulatorPath->text()));
    if (!file.isEmpty())
        edtEmulatorPath->setText(file);
}

void TfrmSettings::spdbtnSelectImageFileClick() {
    const QString current =
        cmboDrives->currentIndex() >= EnumeratedDrives ? cmboDrives->currentText() : QString();
    const QString file = Prompter.OpenFile(QStringLiteral("Select card image file..."),
                                           ImageFileFilter, FolderOf(current));
    if (!file.isEmpty())
        SelectDrive(file);
}
