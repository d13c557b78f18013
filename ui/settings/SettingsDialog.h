// TfrmSettings: edits the settings object; OK stores the controls into it and writes the
// store, Cancel leaves it untouched. Created once at program start, before the settings are
// first read: its drive list supplies the default card drive (PreselectedDrive).
#pragma once

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TBrelkExplorerSettings;
class TDriveLister;
class TPrompter;

class TfrmSettings : public QDialog {
    Q_OBJECT
  public:
    // Drives: where removable devices come from (null: /sys/block); they are listed afresh
    // each time the dialog opens. The dialog keeps references to Settings, Prompter and
    // Drives, which must outlive it.
    TfrmSettings(TBrelkExplorerSettings& settings, TPrompter& prompter, QWidget* parent = nullptr,
                 const TDriveLister* drives = nullptr);

    // The drive that the drive list pre-selected when the dialog was created (empty when the
    // list is empty): the default for MMCDrive when none is stored.
    QString PreselectedDrive() const { return Preselected; }

    // Shown modally with exec() by the main window; every showing reloads the controls.
    void LoadSettingsIntoControls();
    void StoreSettingsFromControls();

  public slots:
    void btbtnOKClick();
    void btbtnCancelClick();
    void chkbxUseDeletedItemsClick();
    void chkbxImportOverwriteClick();
    void spdbtnSelectEmulatorPathClick();
    void spdbtnSelectImageFileClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormCreate();
    void FormShow();
    void EnumeratePossibleMMCDrives();
    void OfferCurrentDrive();
    void SelectDrive(const QString& path);
    bool ChosenDriveIsFree();
    QWidget* MakeSystemPage();
    QWidget* MakeViewerPage();
    QWidget* MakeEmulatorPage();
    QWidget* MakeImportPage();
    QWidget* MakeOtherPage();
    QCheckBox* MakeCheckBox(const char* name, const QString& caption);
    QSpinBox* MakeUpDown(const char* updnName, const char* edtName, int low, int high, int step);

    TBrelkExplorerSettings& Settings;
    TPrompter& Prompter;
    std::unique_ptr<TDriveLister> SystemDrives; // when no lister was given
    const TDriveLister& Drives;
    QString Preselected;
    int EnumeratedDrives = 0;

    QTabWidget* pgctrlSettings = nullptr;
    QComboBox* cmboDrives = nullptr;
    QPushButton* spdbtnSelectImageFile = nullptr;
    QComboBox* cmboMMCSafetyZone = nullptr;
    QComboBox* cmboMMCCacheSize = nullptr;
    QCheckBox* chkbxReuseDeletedSpace = nullptr;
    QCheckBox* chkbxUseDeletedItems = nullptr;
    QCheckBox* chkbxRewriteObjectHeader = nullptr;
    QSpinBox* updnNodeDepth = nullptr;
    QCheckBox* chkbxAutoviewObjectDetails = nullptr;
    QCheckBox* chkbxShowNumbersInHex = nullptr;
    QSpinBox* updnHexBytesperrow = nullptr;
    QSpinBox* updnHexBytesTotal = nullptr;
    QLineEdit* edtEmulatorPath = nullptr;
    QPushButton* spdbtnSelectEmulatorPath = nullptr;
    QLineEdit* edtEmulatorCLO = nullptr;
    QCheckBox* chkbxGuessDistributor = nullptr;
    QCheckBox* chkbxImportOverwrite = nullptr;
    QCheckBox* chkbxAskBeforeOverwrite = nullptr;
    QCheckBox* chkbxRestorePreFormat = nullptr;
    QCheckBox* chkbxCheckForUpdates = nullptr;
    QPushButton* btbtnOK = nullptr;
    QPushButton* btbtnCancel = nullptr;
};
