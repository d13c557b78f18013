// Building the settings dialog's five pages; the behaviour is in SettingsDialog.cpp.
#include "ui/settings/SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int IndentOfDependentBox = 20;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLabel* MakeReloadNote(QWidget* parent, const char* name) {
    QLabel* note =
        MakeLabel(parent, name, QStringLiteral("* These changes require a File | Reload MMC"));
    note->setEnabled(false); // drawn greyed, as a hint
    return note;
}

QComboBox* MakeList(QWidget* parent, const char* name) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setEditable(false);
    return list;
}

QPushButton* MakeDotsButton(QWidget* parent, const char* name, const QString& tip) {
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    button->setAutoDefault(false);
    button->setFixedWidth(28);
    return button;
}

void AddIndented(QVBoxLayout* layout, QWidget* widget) {
    auto* row = new QHBoxLayout;
    row->addSpacing(IndentOfDependentBox);
    row->addWidget(widget);
    layout->addLayout(row);
}

} // namespace

QCheckBox* TfrmSettings::MakeCheckBox(const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QLatin1String(name));
    return box;
}

QSpinBox* TfrmSettings::MakeUpDown(const char* updnName, const char* edtName, int low, int high,
                                   int step) {
    auto* upDown = new QSpinBox(this);
    upDown->setObjectName(QLatin1String(updnName));
    upDown->setRange(low, high);
    upDown->setSingleStep(step);
    upDown->setMinimumWidth(64);
    // The number can be changed with the arrows only, not typed.
    if (auto* edit = upDown->findChild<QLineEdit*>()) {
        edit->setObjectName(QLatin1String(edtName));
        edit->setReadOnly(true);
    }
    return upDown;
}

QWidget* TfrmSettings::MakeSystemPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tbshtSystem"));
    cmboDrives = MakeList(page, "cmboDrives");
    cmboDrives->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmboDrives->setMinimumContentsLength(18);
    spdbtnSelectImageFile =
        MakeDotsButton(page, "spdbtnSelectImageFile", QStringLiteral("Use a card image file"));
    cmboMMCSafetyZone = MakeList(page, "cmboMMCSafetyZone");
    cmboMMCSafetyZone->setEnabled(false);
    cmboMMCCacheSize = MakeList(page, "cmboMMCCacheSize");

    auto* grid = new QGridLayout;
    grid->addWidget(MakeLabel(page, "lblMMCDrive", QStringLiteral("MMC Drive *")), 0, 0);
    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(cmboDrives, 1);
    driveRow->addWidget(spdbtnSelectImageFile);
    grid->addLayout(driveRow, 0, 1, 1, 2);
    grid->addWidget(MakeLabel(page, "lblMMCSafetyZone", QStringLiteral("Brelk Safety-zone *")), 1,
                    0);
    grid->addWidget(cmboMMCSafetyZone, 1, 1);
    grid->addWidget(MakeLabel(page, "lblMMCCacheSize", QStringLiteral("BrelkExplorer Cachesize *")),
                    2, 0);
    grid->addWidget(cmboMMCCacheSize, 2, 1);
    grid->addWidget(MakeLabel(page, "lblCacheSizeUnit", QStringLiteral("Kb")), 2, 2);
    grid->setColumnStretch(2, 1);

    chkbxReuseDeletedSpace = MakeCheckBox(
        "chkbxReuseDeletedSpace", QStringLiteral("Reuse deleted space when adding objects"));
    chkbxUseDeletedItems = MakeCheckBox(
        "chkbxUseDeletedItems", QStringLiteral("Use 'Deleted objects' when deleting objects"));
    chkbxRewriteObjectHeader = MakeCheckBox(
        "chkbxRewriteObjectHeader", QStringLiteral("Rewrite objectheader when deleting objects"));

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addWidget(chkbxReuseDeletedSpace);
    layout->addWidget(chkbxUseDeletedItems);
    AddIndented(layout, chkbxRewriteObjectHeader);
    layout->addStretch(1);
    layout->addWidget(MakeReloadNote(page, "lblSystemReloadNote"));
    return page;
}

QWidget* TfrmSettings::MakeViewerPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tbshtViewer"));
    updnNodeDepth = MakeUpDown("updnNodeDepth", "edtNodebreaksMax", 0, 10, 1);
    chkbxAutoviewObjectDetails =
        MakeCheckBox("chkbxAutoviewObjectDetails",
                     QStringLiteral("Auto-view object-details when selecting an object"));
    chkbxShowNumbersInHex =
        MakeCheckBox("chkbxShowNumbersInHex", QStringLiteral("Show Brelk size/address in hex"));

    auto* depthRow = new QHBoxLayout;
    depthRow->addWidget(
        MakeLabel(page, "lblNodebreaksMax", QStringLiteral("Maximum node-breaks *")));
    depthRow->addWidget(updnNodeDepth);
    depthRow->addStretch(1);

    auto* hexview = new QGroupBox(QStringLiteral("Hexview"), page);
    hexview->setObjectName(QStringLiteral("grpbxHexview"));
    updnHexBytesperrow = MakeUpDown("updnHexBytesperrow", "edtHexBytesperrow", 4, 32, 1);
    updnHexBytesTotal = MakeUpDown("updnHexBytesTotal", "edtHexBytestotal", 256, 2048, 256);
    auto* hexRow = new QHBoxLayout(hexview);
    hexRow->addWidget(MakeLabel(hexview, "lblHexBytesperrow", QStringLiteral("Bytes per row")));
    hexRow->addWidget(updnHexBytesperrow);
    hexRow->addSpacing(16);
    hexRow->addWidget(MakeLabel(hexview, "lblHexBytestotal", QStringLiteral("Total bytes")));
    hexRow->addWidget(updnHexBytesTotal);
    hexRow->addStretch(1);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(depthRow);
    layout->addWidget(chkbxAutoviewObjectDetails);
    layout->addWidget(chkbxShowNumbersInHex);
    layout->addWidget(hexview);
    layout->addStretch(1);
    layout->addWidget(MakeReloadNote(page, "lblViewerReloadNote"));
    return page;
}

QWidget* TfrmSettings::MakeEmulatorPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tbshtEmulator"));
    edtEmulatorPath = new QLineEdit(page);
    edtEmulatorPath->setObjectName(QStringLiteral("edtEmulatorPath"));
    spdbtnSelectEmulatorPath =
        MakeDotsButton(page, "spdbtnSelectEmulatorPath", QStringLiteral("Select emulator..."));
    edtEmulatorCLO = new QLineEdit(page);
    edtEmulatorCLO->setObjectName(QStringLiteral("edtEmulatorCLO"));
    QLabel* note = MakeLabel(page, "lblEmulatorNote",
                             QStringLiteral("The temporary discimage will be saved to the user "
                                            "TEMP directory. In the Commandline options, use "
                                            "$img$ for the imagefile."));
    note->setWordWrap(true);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(edtEmulatorPath, 1);
    pathRow->addWidget(spdbtnSelectEmulatorPath);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(MakeLabel(page, "lblEmulatorPath", QStringLiteral("Path to emulator")));
    layout->addLayout(pathRow);
    layout->addWidget(MakeLabel(page, "lblEmulatorCLO", QStringLiteral("Commandline options")));
    layout->addWidget(edtEmulatorCLO);
    layout->addSpacing(6);
    layout->addWidget(note);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmSettings::MakeImportPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tbshtAddImport"));
    chkbxGuessDistributor = MakeCheckBox("chkbxGuessDistributor",
                                         QStringLiteral("Try to guess distributor from filepath"));
    chkbxImportOverwrite =
        MakeCheckBox("chkbxImportOverwrite", QStringLiteral("Overwrite existing objects"));
    chkbxAskBeforeOverwrite =
        MakeCheckBox("chkbxAskBeforeOverwrite", QStringLiteral("Ask before overwriting"));
    chkbxRestorePreFormat =
        MakeCheckBox("chkbxRestorePreFormat", QStringLiteral("Format Brelk before restore"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(chkbxGuessDistributor);
    layout->addWidget(chkbxImportOverwrite);
    AddIndented(layout, chkbxAskBeforeOverwrite);
    layout->addWidget(chkbxRestorePreFormat);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmSettings::MakeOtherPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tbshtOther"));
    chkbxCheckForUpdates =
        MakeCheckBox("chkbxCheckForUpdates", QStringLiteral("Check for updates at startup"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(chkbxCheckForUpdates);
    layout->addStretch(1);
    return page;
}
