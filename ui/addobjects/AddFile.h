// TfrmAddFile: the add-objects dialog. It shows the main window's pending objects in a grid,
// lets the user add and remove files and correct each object's name, type, subtype and squash
// state, and on OK runs the import. The analysis, the totals and the import are the core's
// (explorer/PendingObjects.h); the dialog only keeps the grid, the details controls and the
// pending objects in step. Its code is split by concern:
//   AddFile.cpp        creation, the controls and their places, showing, closing, keys
//   AddFileGrid.cpp    the grid, selecting, adding and removing files, the totals
//   AddFileDetails.cpp the details controls and their handlers, squash and expand all
//   AddFileImport.cpp  OK (the import), files dropped on the dialog, the busy guard
//   AddFileOnCard.cpp  the ticks, and the rows of objects on the card already
#pragma once

#include "explorer/PendingObjects.h"
#include "ui/addobjects/AddMode.h"

#include <QDialog>
#include <QSet>

#include <array>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTableWidgetItem;
class QTabWidget;
class QWidget;
class TfrmMain;

class TfrmAddFile : public QDialog {
    Q_OBJECT
  public:
    // Main owns the pending objects, the card, the settings, the icons, the prompter and the
    // wait window that the dialog works with; it must outlive the dialog.
    explicit TfrmAddFile(TfrmMain& main, QWidget* parent = nullptr);
    ~TfrmAddFile() override;

    // One filing-system ROM button: its patched code; the original code is patched + 80.
    struct TRomButton {
        const char* Name;
        const char* Caption;
        int Column; // 0 BBC B, 1 BBC Master, 2 Electron
        std::uint8_t Patched;
    };
    static const std::array<TRomButton, 11>& RomButtons();
    static constexpr std::uint8_t kOriginalOffset = 80;

    // --- Operations ---
    bool ShowPendingObject(int index);
    void StorePendingDetails(int index);
    bool ValidateObjectName(const QString& text);
    void UpdateFileGridRow(int index);
    void RefreshFileGrid();
    void AddFileByDialog();
    void RemovePendingObject(int index);
    void SetSquashForAll(bool squash);
    void UpdateSpaceTotals();
    // Files dropped from a file manager on the dialog (also the work of a drop event).
    void HandleDroppedFiles(const QStringList& paths);
    // The import (OK).
    void btbtnOKClick();
    void SetMode(TAddMode mode) { Mode = mode; }
    // What the last import on OK did.
    const brelk::TImportResult& LastImport() const { return Import; }
    // Esc and Cancel: the dialog closes with Cancel (refused while busy).
    void reject() override;

    // --- Event handlers ---
    void FormShow();
    void FormClose();
    // A click or key that moves the selection to Row; false: the move is refused.
    bool strnggrdFilesSelectCell(int row);
    void strnggrdFilesKeyUp(int key);
    void edtFilenameChange();
    void mnuPopupAddfileClick();
    void mnuPopupRemovefileClick();
    void btbtnSquashAllClick();
    void btbtnExpandAllClick();
    void chkbxDiscSquashedClick();
    void rdbtnDiscDFSClick();
    void rdbtnDiscADFSClick();
    void rdbtnDiscTapeClick();
    void pgctrlObjectTypeChange();
    void rdbtnFSClick(int button); // the click handler of each ROM radio button
    void chkbxFSPatchedClick();

    // The pending object whose details show, -1 when none.
    int ShownIndex() const { return CurrentIndex; }
    // True while the analysis or the import runs: nothing may change the pending objects.
    bool IsBusy() const { return Busy; }
    // The grid row selected (0 the first data row), -1 when none.
    int SelectedRow() const;

    // Texts of the number format in use (hexadecimal or decimal as the settings say).
    QString NumberText(std::int64_t value) const;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class TBusyGuard;
    // --- Controls (each named after its member; the ROM buttons after RomButtons()) ---
    QTableWidget* strnggrdFiles = nullptr;
    QPushButton* btbtnSquashAll = nullptr;
    QPushButton* btbtnExpandAll = nullptr;
    QGroupBox* grpbxFileDetails = nullptr;
    QLabel* lblFilePath = nullptr;
    QLabel* lblFilesize = nullptr;
    QLabel* lblFileAnalysis = nullptr; // how the file was read, and the analysis note
    QLineEdit* edtFilename = nullptr;
    QTabWidget* pgctrlObjectType = nullptr;
    QWidget* tbshtObjectFS = nullptr;
    QWidget* tbshtObjectTool = nullptr;
    QWidget* tbshtObjectDisc = nullptr;
    QCheckBox* chkbxFSPatched = nullptr;
    std::array<QRadioButton*, 11> rdbtnFS{};
    QRadioButton* rdbtnDiscDFS = nullptr;
    QRadioButton* rdbtnDiscADFS = nullptr;
    QRadioButton* rdbtnDiscTape = nullptr;
    QCheckBox* chkbxDiscSquashed = nullptr;
    QFrame* pnlTotalspaceNeeded = nullptr;
    QFrame* pnlTotalspaceFree = nullptr;
    QLabel* lblTotalSpaceNeeded = nullptr;
    QLabel* lblTotalSpaceFree = nullptr;
    QPushButton* btbtnOK = nullptr;
    QPushButton* btbtnCancel = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuPopupAddfile = nullptr;
    QAction* mnuPopupRemovefile = nullptr;
    int CurrentIndex = -1;

    // AddFile.cpp
    void CreateControls();
    QWidget* CreateGridArea();
    QGroupBox* CreateDetails();
    QWidget* CreateFilingsystemPage();
    QWidget* CreateDiscPage();
    QWidget* CreateBottomRow();
    void ConnectHandlers();
    // AddFileGrid.cpp
    void SelectRowQuietly(int row);
    void SetRowCount(int rows);
    void SetSquashControlsEnabled(bool enabled);
    void ShowEmptyState();
    QString AnalysisText(const brelk::TBrelk_RawCatalogueEntry& object) const;
    brelk::TBrelk_RawCatalogueEntry* Pending(int index) const;
    int PendingCount() const;
    // AddFileDetails.cpp
    void ShowObjectType(const brelk::TBrelk_RawCatalogueEntry& object);
    void AfterTypeChange();
    brelk::TBrelk_RawCatalogueEntry* EditedObject() const;
    void SetDiscSubtype(std::uint8_t subtype);
    std::uint8_t RomSubtype(std::size_t button) const;
    // AddFileImport.cpp
    void SetBusy(bool busy);
    void AnalyseAll();
    int FirstUnnamed() const;
    brelk::TImportOptions ImportOptions() const;
    // AddFileOnCard.cpp
    void MarkObjectsOnCard();
    bool Ticked(const brelk::TBrelk_RawCatalogueEntry* object) const;
    void ForgetTicks(const brelk::TBrelk_RawCatalogueEntry* object);
    void ShowTick(int index);
    void HideTick(int row);
    void TickChanged(QTableWidgetItem* item);
    // Removes the unticked objects from the list; true when there were any.
    bool DropUnticked();

    TfrmMain& Main;
    bool Busy = false;
    bool Showing = false;   // controls are being set from code: the click handlers stay out
    bool Selecting = false; // the grid's selection is being set from code
    bool Imported = false;
    brelk::TImportResult Import;
    TAddMode Mode = TAddMode::Add;
    // The objects looked for on the card, those found there, and those not to be added.
    QSet<const brelk::TBrelk_RawCatalogueEntry*> Examined, OnCard, Unticked;
};
