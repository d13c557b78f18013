// The add-objects dialog: its controls and their places, showing and closing, and the grid's
// keys and popup menu.
#include "ui/addobjects/AddFile.h"

#include "ui/addobjects/AddFileGrid.h"
#include "ui/aux/NameText.h"
#include "ui/main/Main.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kMinWidth = 547;
constexpr int kMinHeight = 340;

QLabel* SunkenText(QWidget* parent, const char* name, Qt::Alignment alignment) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumHeight(21);
    return label;
}

QLabel* BoldCaption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

const std::array<TfrmAddFile::TRomButton, 11>& TfrmAddFile::RomButtons() {
    static const std::array<TRomButton, 11> buttons{{
        {"rdbtnFSAcornDNFS120", "Acorn DNFS 1.20", 0, 1},
        {"rdbtnFSAcornDFS226", "Acorn DFS 2.26", 0, 2},
        {"rdbtnFSAcornADFS130", "Acorn ADFS 1.30", 0, 3},
        {"rdbtnFSWatfordDFS144", "Watford DFS 1.44", 0, 8},
        {"rdbtnFSACPDFS100", "ACP DFS 1.00", 0, 9},
        {"rdbtnFSAcornDFS224", "Acorn DFS 2.24", 1, 4},
        {"rdbtnFSAcornADFS150", "Acorn ADFS 1.50", 1, 5},
        {"rdbtnFSAcornDFS245", "Acorn DFS 2.45", 1, 6},
        {"rdbtnFSAcornADFS203", "Acorn ADFS 2.03", 1, 7},
        {"rdbtnFSACPDFS220", "ACP DFS 2.20", 2, 10},
        {"rdbtnFSAcornADFS100", "Acorn ADFS 1.00", 2, 11},
    }};
    return buttons;
}

TfrmAddFile::TfrmAddFile(TfrmMain& main, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), Main(main) {
    setObjectName(QStringLiteral("frmAddFile"));
    setWindowTitle(QStringLiteral("BrelkExplorer - Add objects"));
    setModal(true);
    setSizeGripEnabled(true);
    CreateControls();
    ConnectHandlers();
    // Not below 547 x 340, nor so small that the details would be cut.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(layout()->minimumSize().expandedTo(QSize(kMinWidth, kMinHeight)));
    resize(QSize(710, 493).expandedTo(minimumSize()));
}

TfrmAddFile::~TfrmAddFile() = default;

void TfrmAddFile::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(CreateGridArea(), 1);
    layout->addWidget(CreateDetails(), 0);
    layout->addWidget(CreateBottomRow());

    mnuPopup = new QMenu(this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuPopupAddfile = mnuPopup->addAction(QStringLiteral("&Add file to list..."));
    mnuPopupAddfile->setObjectName(QStringLiteral("mnuPopupAddfile"));
    mnuPopupRemovefile = mnuPopup->addAction(QStringLiteral("&Remove file from list"));
    mnuPopupRemovefile->setObjectName(QStringLiteral("mnuPopupRemovefile"));
    mnuPopupRemovefile->setVisible(false);
}

QWidget* TfrmAddFile::CreateGridArea() {
    auto* area = new QWidget(this);
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    strnggrdFiles = new TFileGrid(area);
    strnggrdFiles->setObjectName(QStringLiteral("strnggrdFiles"));
    strnggrdFiles->setItemDelegateForColumn(kColumnType,
                                            new TTypeIconDelegate(Main, strnggrdFiles));
    strnggrdFiles->setColumnCount(4);
    strnggrdFiles->setHorizontalHeaderLabels({QStringLiteral("Nr"), QStringLiteral("Type"),
                                              QStringLiteral("Name"),
                                              QStringLiteral("Size on Brelk")});
    strnggrdFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    strnggrdFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    strnggrdFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    strnggrdFiles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strnggrdFiles->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    strnggrdFiles->verticalHeader()->hide();
    strnggrdFiles->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    strnggrdFiles->verticalHeader()->setDefaultSectionSize(18);
    strnggrdFiles->setWordWrap(false);
    strnggrdFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    strnggrdFiles->setMinimumHeight(4 * 18 + 4); // the header and three rows
    // "Name" takes whatever the three fixed columns leave.
    QHeaderView* header = strnggrdFiles->horizontalHeader();
    header->setSectionsClickable(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionResizeMode(kColumnName, QHeaderView::Stretch);
    header->resizeSection(kColumnNr, 34);
    header->resizeSection(kColumnType, 30);
    header->resizeSection(kColumnSize, 90);
    row->addWidget(strnggrdFiles, 1);

    auto* buttons = new QVBoxLayout;
    btbtnSquashAll = new QPushButton(QStringLiteral("Squash all..."), area);
    btbtnSquashAll->setObjectName(QStringLiteral("btbtnSquashAll"));
    btbtnExpandAll = new QPushButton(QStringLiteral("Expand all..."), area);
    btbtnExpandAll->setObjectName(QStringLiteral("btbtnExpandAll"));
    for (QPushButton* button : {btbtnSquashAll, btbtnExpandAll}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    row->addLayout(buttons);
    return area;
}

QGroupBox* TfrmAddFile::CreateDetails() {
    grpbxFileDetails = new QGroupBox(QStringLiteral("Details"), this);
    grpbxFileDetails->setObjectName(QStringLiteral("grpbxFileDetails"));
    grpbxFileDetails->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto* grid = new QGridLayout(grpbxFileDetails);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->setContentsMargins(8, 4, 8, 6);
    lblFilePath = SunkenText(grpbxFileDetails, "lblFilePath", Qt::AlignLeft);
    lblFilePath->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    lblFilesize = SunkenText(grpbxFileDetails, "lblFilesize", Qt::AlignRight);
    lblFilesize->setMinimumWidth(110);
    lblFileAnalysis = new QLabel(grpbxFileDetails);
    lblFileAnalysis->setObjectName(QStringLiteral("lblFileAnalysis"));
    lblFileAnalysis->setWordWrap(true);
    edtFilename = new QLineEdit(grpbxFileDetails);
    edtFilename->setObjectName(QStringLiteral("edtFilename"));
    edtFilename->setMaxLength(48);
    MakeNameEditor(edtFilename);
    pgctrlObjectType = new QTabWidget(grpbxFileDetails);
    pgctrlObjectType->setObjectName(QStringLiteral("pgctrlObjectType"));
    pgctrlObjectType->setDocumentMode(true);
    tbshtObjectFS = CreateFilingsystemPage();
    tbshtObjectTool = new QWidget;
    tbshtObjectTool->setObjectName(QStringLiteral("tbshtObjectTool"));
    tbshtObjectDisc = CreateDiscPage();
    pgctrlObjectType->addTab(tbshtObjectFS, QStringLiteral("Filingsystem"));
    pgctrlObjectType->addTab(tbshtObjectTool, QStringLiteral("Tool"));
    pgctrlObjectType->addTab(tbshtObjectDisc, QStringLiteral("Disc/tape"));

    grid->addWidget(new QLabel(QStringLiteral("Filename"), grpbxFileDetails), 0, 0);
    grid->addWidget(lblFilePath, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Filesize"), grpbxFileDetails), 1, 0);
    grid->addWidget(lblFilesize, 1, 1);
    grid->addWidget(lblFileAnalysis, 1, 2, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Brelk Name"), grpbxFileDetails), 2, 0);
    grid->addWidget(edtFilename, 2, 1, 1, 3);
    auto* typeCaption = new QLabel(QStringLiteral("Objecttype"), grpbxFileDetails);
    grid->addWidget(typeCaption, 3, 0, Qt::AlignTop);
    grid->addWidget(pgctrlObjectType, 3, 1, 1, 3);
    grid->setColumnStretch(2, 1);
    return grpbxFileDetails;
}

QWidget* TfrmAddFile::CreateFilingsystemPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tbshtObjectFS"));
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(0);
    const char* const headings[] = {"BBC B", "BBC Master", "Electron"};
    for (int column = 0; column < 3; ++column)
        grid->addWidget(BoldCaption(QString::fromLatin1(headings[column]), page), 0, column);
    auto* group = new QButtonGroup(page); // one group: at most one ROM is checked
    int rows[3] = {1, 1, 1};
    for (std::size_t i = 0; i < RomButtons().size(); ++i) {
        const TRomButton& rom = RomButtons()[i];
        auto* button = new QRadioButton(QString::fromLatin1(rom.Caption), page);
        button->setObjectName(QString::fromLatin1(rom.Name));
        group->addButton(button);
        grid->addWidget(button, rows[rom.Column]++, rom.Column);
        rdbtnFS[i] = button;
    }
    // "Patched" goes below the short Electron column.
    chkbxFSPatched = new QCheckBox(QStringLiteral("Patched"), page);
    chkbxFSPatched->setObjectName(QStringLiteral("chkbxFSPatched"));
    grid->addWidget(chkbxFSPatched, 5, 2);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(6, 1);
    return page;
}

QWidget* TfrmAddFile::CreateDiscPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tbshtObjectDisc"));
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(2);
    rdbtnDiscDFS = new QRadioButton(QStringLiteral("DFS"), page);
    rdbtnDiscDFS->setObjectName(QStringLiteral("rdbtnDiscDFS"));
    rdbtnDiscADFS = new QRadioButton(QStringLiteral("ADFS"), page);
    rdbtnDiscADFS->setObjectName(QStringLiteral("rdbtnDiscADFS"));
    rdbtnDiscTape = new QRadioButton(QStringLiteral("TAPE"), page);
    rdbtnDiscTape->setObjectName(QStringLiteral("rdbtnDiscTape"));
    chkbxDiscSquashed = new QCheckBox(QStringLiteral("Squash"), page);
    chkbxDiscSquashed->setObjectName(QStringLiteral("chkbxDiscSquashed"));
    grid->addWidget(rdbtnDiscDFS, 0, 0);
    grid->addWidget(chkbxDiscSquashed, 0, 1);
    grid->addWidget(rdbtnDiscADFS, 1, 0);
    grid->addWidget(rdbtnDiscTape, 2, 0);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(3, 1);
    return page;
}

QWidget* TfrmAddFile::CreateBottomRow() {
    auto* bottom = new QWidget(this);
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto* caption = new QLabel(QStringLiteral("Total unfragmented space needed/free:"), bottom);
    caption->setWordWrap(true); // two lines when the window is narrow
    row->addWidget(caption, 1);
    auto makePanel = [bottom](const char* panelName, const char* labelName, QLabel*& label) {
        auto* panel = new QFrame(bottom);
        panel->setObjectName(QString::fromLatin1(panelName));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setAutoFillBackground(true);
        auto* inner = new QHBoxLayout(panel);
        inner->setContentsMargins(4, 1, 4, 1);
        label = new QLabel(panel);
        label->setObjectName(QString::fromLatin1(labelName));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setMinimumWidth(
            label->fontMetrics().horizontalAdvance(QStringLiteral("0,000,000,000")));
        inner->addWidget(label);
        return panel;
    };
    pnlTotalspaceNeeded =
        makePanel("pnlTotalspaceNeeded", "lblTotalSpaceNeeded", lblTotalSpaceNeeded);
    pnlTotalspaceFree = makePanel("pnlTotalspaceFree", "lblTotalSpaceFree", lblTotalSpaceFree);
    row->addWidget(pnlTotalspaceNeeded);
    row->addWidget(new QLabel(QStringLiteral("/"), bottom));
    row->addWidget(pnlTotalspaceFree);
    row->addSpacing(12);
    btbtnOK = new QPushButton(QStringLiteral("OK"), bottom);
    btbtnOK->setObjectName(QStringLiteral("btbtnOK"));
    btbtnOK->setDefault(true);
    btbtnCancel = new QPushButton(QStringLiteral("Cancel"), bottom);
    btbtnCancel->setObjectName(QStringLiteral("btbtnCancel"));
    btbtnCancel->setAutoDefault(false);
    row->addWidget(btbtnOK);
    row->addWidget(btbtnCancel);
    return bottom;
}

void TfrmAddFile::ConnectHandlers() {
    auto* grid = static_cast<TFileGrid*>(strnggrdFiles);
    grid->CanSelectRow = [this](int row) {
        if (Selecting)
            return true;
        return !Busy && strnggrdFilesSelectCell(row);
    };
    grid->installEventFilter(this);
    connect(strnggrdFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!Busy)
            mnuPopup->popup(strnggrdFiles->viewport()->mapToGlobal(at));
    });
    connect(strnggrdFiles, &QTableWidget::itemChanged, this, &TfrmAddFile::TickChanged);
    connect(mnuPopupAddfile, &QAction::triggered, this, &TfrmAddFile::mnuPopupAddfileClick);
    connect(mnuPopupRemovefile, &QAction::triggered, this, &TfrmAddFile::mnuPopupRemovefileClick);
    connect(btbtnSquashAll, &QPushButton::clicked, this, &TfrmAddFile::btbtnSquashAllClick);
    connect(btbtnExpandAll, &QPushButton::clicked, this, &TfrmAddFile::btbtnExpandAllClick);
    connect(edtFilename, &QLineEdit::textChanged, this, &TfrmAddFile::edtFilenameChange);
    connect(pgctrlObjectType, &QTabWidget::currentChanged, this,
            &TfrmAddFile::pgctrlObjectTypeChange);
    for (std::size_t i = 0; i < rdbtnFS.size(); ++i)
        connect(rdbtnFS[i], &QRadioButton::clicked, this, [this, i] { rdbtnFSClick(int(i)); });
    connect(chkbxFSPatched, &QCheckBox::clicked, this, &TfrmAddFile::chkbxFSPatchedClick);
    connect(rdbtnDiscDFS, &QRadioButton::clicked, this, &TfrmAddFile::rdbtnDiscDFSClick);
    connect(rdbtnDiscADFS, &QRadioButton::clicked, this, &TfrmAddFile::rdbtnDiscADFSClick);
    connect(rdbtnDiscTape, &QRadioButton::clicked, this, &TfrmAddFile::rdbtnDiscTapeClick);
    connect(chkbxDiscSquashed, &QCheckBox::clicked, this, &TfrmAddFile::chkbxDiscSquashedClick);
    connect(btbtnOK, &QPushButton::clicked, this, &TfrmAddFile::btbtnOKClick);
    connect(btbtnCancel, &QPushButton::clicked, this, &TfrmAddFile::reject);
}

// ---------------------------------------------------------------------------------------------
// Showing and closing

void TfrmAddFile::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmAddFile::FormShow() {
    Imported = false;
    Examined.clear();
    OnCard.clear();
    Unticked.clear();
    CurrentIndex = -1;
    SetRowCount(1);
    SelectRowQuietly(0);
    AnalyseAll();
    RefreshFileGrid();
    if (PendingCount() > 0) {
        CurrentIndex = 0;
        ShowPendingObject(0);
    } else {
        ShowPendingObject(-1);
    }
    UpdateSpaceTotals();
    setAcceptDrops(true);
}

void TfrmAddFile::FormClose() {
    setAcceptDrops(false);
}

void TfrmAddFile::closeEvent(QCloseEvent* event) {
    if (Busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

// Esc and Cancel: nothing is written. Refused while the analysis or the import runs.
void TfrmAddFile::reject() {
    if (Busy)
        return;
    FormClose();
    QDialog::reject();
}

// Keys released in the grid: Insert adds a file, Delete removes the current object.
bool TfrmAddFile::eventFilter(QObject* watched, QEvent* event) {
    if (watched == strnggrdFiles && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            strnggrdFilesKeyUp(key->key());
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmAddFile::strnggrdFilesKeyUp(int key) {
    if (Busy)
        return;
    if (key == Qt::Key_Insert) {
        AddFileByDialog();
        UpdateSpaceTotals();
    } else if (key == Qt::Key_Delete) {
        RemovePendingObject(CurrentIndex);
        UpdateSpaceTotals();
    }
}

void TfrmAddFile::mnuPopupAddfileClick() {
    if (!Busy)
        AddFileByDialog();
}

void TfrmAddFile::mnuPopupRemovefileClick() {
    if (Busy)
        return;
    RemovePendingObject(CurrentIndex);
    UpdateSpaceTotals();
}
