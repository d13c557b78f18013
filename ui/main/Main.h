// TfrmMain: the main window. It owns the settings object, the card object, the object icons
// and the object tree, and carries out start-up, refresh and reload. Its code is split by
// concern:
//   MainWindow.cpp   creation, first showing, closing, destruction
//   MainLayout.cpp   the controls and their places
//   MainActions.cpp  actions, menus, busy guard and the window-level commands
//   MainTree.cpp     building and tidying the object tree, the popup menu's state
//   MainTopbar.cpp   the usage bar, the cache panel and the enabling of actions
//   MainObjectOps.cpp deleting, removing deleted objects, formatting
//   MainSave.cpp     saving objects to PC files
//   MainSquash.cpp   squashing and expanding DFS disc objects
//   MainDetails.cpp  the object details view: the four fields, the tabs and the text
//   MainDiscFiles.cpp the list of the files inside a disc or tape object
//   MainEmulator.cpp opening a disc or tape object in an emulator
//   MainFind.cpp     finding files inside the discs and tapes, and showing one found
//   MainAddObjects.cpp the add-objects dialog and PC files dropped on the window
//   MainTreeEdit.cpp the tree's keys and renaming by label edit
//   MainDragDrop.cpp moving disc and tape nodes between sub-groups, dragging objects out
//   MainBackup.cpp   backing up the card and restoring a backup set; the update window
#pragma once

#include "card/Brelk.h"
#include "explorer/PendingObjects.h"
#include "ui/addobjects/AddMode.h"
#include "ui/main/MyTreeNode.h"
#include "ui/main/ObjectImageList.h"
#include "ui/settings/Settings.h"

#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class QAction;
namespace brelk {
struct TDFSDiscSide;
}

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTreeWidget;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QTabBar;
class TClickPanel;
class TObjectTreeWidget;
class TPrompter;
class TProcessStarter;
class TUsageImage;
class TfrmSettings;
class TfrmAddFile;
class TObjectTreeHandler;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QTemporaryDir;
class QUrl;
class TfrmCheckUpdates;
class TfrmFindFiles;
class TDriveWatcher;
struct TCandidateDrive;
class TfrmSplash;
class TfrmWait;
class TMainReporter;

namespace brelk {
class TBackupClock;
} // namespace brelk

class TfrmMain : public QMainWindow {
    Q_OBJECT
  public:
    // Prompter asks the user everything (and shows the card's device errors); it must outlive
    // the window. ProgramFolder (with a trailing separator) holds "imgs/"; empty: the folder of
    // the executable, or the installed data folder when that one holds the pictures.
    explicit TfrmMain(TPrompter& prompter, const QString& programFolder = QString(),
                      QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The windows created after this one at program start; each may be null (tests).
    void AttachWindows(TfrmSettings* settings, TfrmWait* wait, TfrmSplash* splash);
    TfrmWait* WaitWindow() const { return Wait; }
    TPrompter& Prompter() const { return Ask; }
    // Offers each removable drive that Watcher sees appear, and warns when the open card's
    // drive goes (MainHotplug.cpp). Watcher must outlive the window.
    void WatchDrives(TDriveWatcher* watcher);

    // --- Lifecycle ---
    // Reads the settings, initialises the card and builds the tree. Runs once, at the first
    // showing of the window (or when a test calls it).
    void FormShow();
    bool HasBeenShown() const { return Shown; }
    // Opens the card (an image file or a device) at Path instead of the MMCDrive setting, for
    // as long as this window runs or until a drive is chosen in the settings or on arrival;
    // the settings keep their own drive. Takes effect at the first showing or the next reload.
    void UseCardForThisRun(const QString& path) { CardForThisRun = path; }
    // The drive the card object is bound to at initialisation.
    QString CardDrive() const;

    // --- Object tree ---
    void PopulateTreeInfo();
    // Top groups of at least Count objects get their nodes only when first expanded (see
    // FillGroupOnExpandFrom); takes effect at the next build of the tree.
    void SetFillGroupOnExpandFrom(std::size_t count) { FillGroupOnExpandFrom = count; }
    // Makes the nodes of a top group whose nodes are still to be made, exactly as the build
    // would have made them; FillAllGroups does it for every top group.
    void FillGroup(TMyTreeNode* group);
    void FillAllGroups();
    // Inserts the node of Entry below Group, with sub-groups for the parts of its name.
    TMyTreeNode* AddObjectNode(TMyTreeNode* group, const brelk::TBrelkCatEntry* entry);
    // Moves the node of the renamed Entry to where a build of the tree puts it, under the
    // sub-groups of its new name, and keeps it the current node when it was.
    void PlaceRenamedNode(const brelk::TBrelkCatEntry* entry);
    void RemoveEmptyGroups(TMyTreeNode* node);
    void TidyTree();
    static int treevwObjectsCompare(const TMyTreeNode* a, const TMyTreeNode* b);
    void mnuPopupPopup();
    TMyTreeNode* RootNode() const;
    // The node at absolute Index, counting every node in display order from the root (0).
    TMyTreeNode* NodeAtAbsoluteIndex(int index) const;
    int TreeNodeCount() const;
    // The selected node that the commands act on (the current one), or null.
    TMyTreeNode* SelectedNode() const;
    int SelectedCount() const;

    // --- Usage bar and cache status ---
    void UpdateTopbarInfo();
    void imgMMCBlockUsageClick();
    void pnlCacheStatusClick();

    // --- Window-level commands ---
    // Writes pending card data (asking what to do when that fails) and ends the program; the
    // window's position is not stored.
    void mnuFileExitClick();
    // File, Exit once no long operation runs any more: what SIGTERM, SIGHUP and SIGINT do.
    void ExitWhenIdle();
    void actnRefreshTreeExecute();
    void actnReloadDriveExecute();
    void mnuToolsSettingsClick();
    void mnuMainAboutClick();

    // --- Object operations (MainObjectOps.cpp, MainSave.cpp, MainSquash.cpp) ---
    void actnDeleteObjectsExecute();
    // Deletes or moves to "Deleted objects" the object of Node, or of every node below a node
    // without data; true when an object was deleted or moved. Node stays in the tree with
    // its data cleared until TidyTree removes it.
    bool DeleteObjectNode(TMyTreeNode* node);
    void actnRemoveDeletedObjectsExecute();
    void actnFormatMMCExecute();
    void mnuPopupSaveObjectClick();
    void actnSquashDiscExecute();
    void actnExpandDiscExecute();
    // The selected nodes in the order they were selected.
    QList<TMyTreeNode*> SelectedNodes() const;

    // --- Object details view (MainDetails.cpp) ---
    // The four fields for Entry; none empties them.
    void ShowObjectInfo(const brelk::TBrelkCatEntry* entry);
    // The tabs and the text for Entry: its details when LoadNow, else the click-to-load
    // line; without an entry the card summary for the root node, nothing for a group.
    void ShowObjectDetails(const brelk::TBrelkCatEntry* entry, bool loadNow);
    void treevwObjectsChange(TMyTreeNode* node);
    void tbctrlObjectDetailsChange(int index);
    void memoObjectDetailsClick();
    // Whether a click on the text area loads the details (while the placeholder shows).
    bool DetailsClickActive() const { return MemoClickActive; }

    // --- Files inside a disc or tape (MainDiscFiles.cpp) ---
    // Lists the files of Entry that the tab SelectedTab of Tabs shows (a DFS side, the tape,
    // the ADFS disc, which gets its own tab), or hides the list for any other tab or object.
    void ShowObjectFiles(const brelk::TBrelkCatEntry& entry, std::vector<std::string>& tabs,
                         unsigned& selectedTab);
    // Shows the list or the details text, as the "Text" toggle says.
    void ShowFilesOrText();
    // The lines of the details text that stand above the list (the disc's or tape's head).
    void ShowObjectFilesHead(const std::vector<std::string>& lines);

    // --- Finding files (MainFind.cpp) ---
    void actnFindFilesExecute();
    // Selects the object whose catalogue entry is Entry (to the byte) in the tree, shows its
    // files on the tab of drive Side and makes the file Name the current one. False when the
    // object is there no more (said in a message) or the file is not listed.
    bool SelectObjectFile(const brelk::TBrelkCatEntry& entry, int side, const std::string& name);

    // --- Open in emulator (MainEmulator.cpp) ---
    void mnuPopupOpenInEmulatorClick();
    // The starter of the emulator process; null: the real, detached start. It must outlive
    // the window.
    void SetProcessStarter(TProcessStarter* starter) { Starter = starter; }

    // --- Actions ---
    // Gives Action its work. An action without work stays disabled whatever the enabling rules
    // say, so no menu entry does nothing.
    void SetActionHandler(QAction* action, std::function<void()> handler);
    bool HasHandler(const QAction* action) const { return Handlers.contains(action); }
    // The enabling rules' wish for Action; it takes effect while the action has work and no
    // long operation runs.
    void SetActionEnabled(QAction* action, bool wanted);
    bool ActionWanted(const QAction* action) const { return Wanted.value(action, false); }
    // Every action of the window and its menus (the two popup entries that mirror an action
    // are not among them).
    const QList<QAction*>& Actions() const { return GuardedActions; }

    // --- Long operations ---
    // While one runs (the wait window is up and the interface keeps processing events),
    // nothing that changes the card or the catalogue can start: the actions are disabled,
    // their handlers refuse to run, the tree takes no input and the window cannot be closed.
    class TBusyScope {
      public:
        explicit TBusyScope(TfrmMain& window);
        ~TBusyScope();
        TBusyScope(const TBusyScope&) = delete;
        TBusyScope& operator=(const TBusyScope&) = delete;

      private:
        TfrmMain& Window;
    };
    bool IsBusy() const { return BusyDepth > 0; }
    // The wait window's operations; without a wait window they do nothing (Report: false).
    void ShowWaitWindow(const QString& text, bool cancelEnabled, bool progressVisible);
    bool ReportProgress(const QString& extraText, float percent);
    void CloseWaitWindow();

    // --- Adding objects ---
    // Shows the add-objects dialog modally with whatever PendingObjects holds (it analyses
    // them); on OK rebuilds the tree and the top bar. PendingObjects is emptied afterwards
    // whatever the result. True when the dialog closed with OK. A restore imports by the
    // restore's rule: each object decided on the card as it was, none overwriting another
    // object of the same restore.
    bool ExecuteAddObjectsDialog(TAddMode mode = TAddMode::Add);
    // The add-objects dialog that the program created after this window; without one the
    // window makes its own at the first use.
    void AttachAddObjectsDialog(TfrmAddFile* dialog) { AddFileWindow = dialog; }
    TfrmAddFile* AddObjectsDialog();
    void actnAddObjectsExecute();
    // PC files and folders dropped on the window: collected and offered in the dialog.
    void HandleDroppedFiles(const QStringList& paths);
    // Whether a drag from elsewhere brings files the window takes; TakeDroppedFiles takes them
    // once the drop has been accepted.
    bool AcceptsDroppedFiles(const QDropEvent& event) const;
    void TakeDroppedFiles(const QDropEvent& event);

    // --- Tree editing, keys and dragging (MainTreeEdit.cpp, MainDragDrop.cpp) ---
    void treevwObjectsKeyUp(int key);
    // Whether Node's label may be edited (only live objects); sets IsEditing.
    bool treevwObjectsEditing(TMyTreeNode* node);
    // Renames Node's object to its sub-group prefix + Text; a name that would be too long or
    // that ends in a full stop is refused and Text becomes the old text again. The node moves
    // where its new name belongs once the edit has ended.
    void treevwObjectsEdited(TMyTreeNode* node, QString& text);
    // Whether a label edit is open; the label editor says when it closes.
    bool LabelEditing() const { return IsEditing; }
    void LabelEditEnded() { IsEditing = false; }
    // Whether the focused node Source may be dropped on Target.
    bool treevwObjectsDragOver(const TMyTreeNode* source, const TMyTreeNode* target) const;
    void treevwObjectsDragDrop(TMyTreeNode* target);
    // Renames the objects of Node (and below it): the first Levels sub-group names of each
    // name give way to Prefix (name bytes). Shows them where their new names belong and
    // deletes Node.
    void RefileNode(TMyTreeNode* node, std::size_t levels, const std::string& prefix);
    // The data of a drag that starts from the tree: a marker for moves inside the tree, and
    // the selected objects as files (written when a drop target asks for them).
    QMimeData* ObjectDragData();
    // Writes the objects into a fresh private folder as "Save object..." would (tapes as UEF,
    // discs as .ssd); the files written.
    QList<QUrl> WriteDraggedObjects(const QList<const brelk::TBrelkCatEntry*>& entries);

    // --- Backup and restore (MainBackup.cpp) ---
    void actnBackupBrelkExecute();
    void actnRestoreBrelkExecute();
    // The steps of a restore after the file dialog, for the index file Path.
    void RestoreBackupSet(const QString& path);
    // The clock of the backup header; null: the local time. It must outlive the window.
    void SetBackupClock(const brelk::TBackupClock* clock) { BackupClock = clock; }

    // --- Update check (MainBackup.cpp) ---
    // The update window created at program start (null: none; the menu entry stays off).
    void AttachUpdateWindow(TfrmCheckUpdates* window);
    void mnuHelpCheckUpdatesClick();
    // Shows the update window modally, started automatically or from the menu.
    void ShowUpdateWindow(bool autoStarted);

    // --- The window's state, for the dialogs, the program and tests ---
    // The settings the window runs with; the settings dialog edits them.
    TBrelkExplorerSettings& UserSettings() { return Settings; }
    const TBrelkExplorerSettings& UserSettings() const { return Settings; }
    // The objects waiting in the add-objects dialog.
    brelk::TPendingObjects& Pending() { return PendingObjects; }
    const brelk::TPendingObjects& Pending() const { return PendingObjects; }
    // The card object; null until the first showing.
    brelk::TBrelk* Card() { return Brelk.get(); }
    const brelk::TBrelk* Card() const { return Brelk.get(); }
    const TObjectImageList& Images() const { return ObjectImages; }
    bool ImagesLoaded() const { return ObjectImagesLoaded; }
    // The details tab last chosen (0 to 3) and the usage bar's zoom (0 normal, 1 zoomed).
    std::uint8_t ChosenDetailsTab() const { return DetailsTab; }
    int UsageZoomLevel() const { return UsageZoom; }
    // The font of the details text, for viewers that show object text alike.
    QFont DetailsFont() const;

  signals:
    // The user closed the window (the program ends).
    void FormClosed();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // Runs the rename job on Entry; the refusal's text, empty when renamed (a failed header
    // rewrite is told by the job).
    QString RenameEntry(const brelk::TBrelkCatEntry& entry, const std::string& newName,
                        std::size_t keptPrefix);
    // The number of sub-group nodes between Node and its top group.
    static std::size_t SubgroupLevels(const TMyTreeNode* node);

    // --- Process-wide objects ---
    TBrelkExplorerSettings Settings;
    QString CardForThisRun; // --card, empty when the settings name the drive
    brelk::TPendingObjects PendingObjects;
    std::unique_ptr<brelk::TBrelk> Brelk;
    TObjectImageList ObjectImages;
    bool ObjectImagesLoaded = false;
    std::uint8_t DetailsTab = 0;
    int UsageZoom = 0; // 0 normal view, 1 zoomed view

    // --- Controls (each named after its member, for tests) ---
    QMenu* mnuPopup = nullptr;
    QStatusBar* stsbrMain = nullptr;
    QGroupBox* grpbxMMCInfo = nullptr;
    QFrame* pnlMMCBlockUsage = nullptr;
    TUsageImage* imgMMCBlockUsage = nullptr;
    TClickPanel* pnlCacheStatus = nullptr;
    TObjectTreeWidget* treevwObjects = nullptr;
    QSplitter* spltrMainformLeftRight = nullptr;
    QGroupBox* grpbxObjectinfo = nullptr;
    QLabel* lblObjectType = nullptr;
    QLabel* lblObjectFullname = nullptr;
    QLabel* lblObjectSize = nullptr;
    QLabel* lblObjectMMCPosition = nullptr;
    QTabBar* tbctrlObjectDetails = nullptr;
    QPlainTextEdit* memoObjectDetails = nullptr;
    QTreeWidget* lvObjectFiles = nullptr;
    QCheckBox* chkDetailsText = nullptr;
    QLabel* lblObjectFilesHead = nullptr;
    QWidget* pnlDiscSide = nullptr; // a DFS side's title and boot option, editable
    QLineEdit* edtDiscTitle = nullptr;
    QComboBox* cbDiscBoot = nullptr;

    // --- Actions and menu entries ---
    QAction* actnAddObjects = nullptr;
    QAction* actnDeleteObjects = nullptr;
    QAction* actnRemoveDeletedObjects = nullptr;
    QAction* actnFormatMMC = nullptr;
    QAction* actnBackupBrelk = nullptr;
    QAction* actnRestoreBrelk = nullptr;
    QAction* actnSquashDisc = nullptr;
    QAction* actnExpandDisc = nullptr;
    QAction* actnRefreshTree = nullptr;
    QAction* actnReloadDrive = nullptr;
    QAction* actnCheckCard = nullptr;
    QAction* actnFindFiles = nullptr;
    QAction* mnuFileExit = nullptr;
    QAction* mnuToolsSettings = nullptr;
    QAction* mnuHelpCheckUpdates = nullptr;
    QAction* mnuMainAbout = nullptr;
    QAction* mnuPopupSaveObject = nullptr;
    QAction* mnuPopupRemoveDeletedObjects = nullptr;
    QAction* mnuPopupFormatMMC = nullptr;
    QAction* mnuPopupOpenInEmulator = nullptr;
    // Top groups of at least this many objects get their nodes only when first expanded or
    // when an operation looks below them: opening a card of tens of thousands of objects
    // then makes a handful of nodes. Smaller groups (a few MB and tens of milliseconds at
    // most) are filled by the build itself, so the whole tree is there to search.
    std::size_t FillGroupOnExpandFrom = 10000;
    bool IsEditing = false;
    // Parts of the window kept in their own files: they work on its controls.
    friend bool OpenOnObject(TfrmMain& main, const QString& name);
    friend class TObjectFilesMenu;

    // MainHotplug.cpp
    void DriveArrived(const TCandidateDrive& drive);
    void DriveLeft(const QString& path);
    void OpenArrivedDrive(const QString& path);
    const TDriveWatcher* Watcher = nullptr;
    // MainWindow.cpp
    void FormCreate();
    void FormClose();
    void FormDestroy();
    void RestoreWindowPosition();
    void InitializeBrelk();
    // The commit before the card object goes (reload, exit): pending changes are written and
    // synced; a failure has been shown by the card's reporter. Nothing is written later.
    bool CommitCard();
    // CommitCard, and when it fails the user's choice: Retry, Discard (the changes are
    // dropped) or Cancel. True when nothing is pending any more; false on Cancel.
    bool CommitOrAsk();
    // How long a request that must wait for a long operation waits before it looks again.
    static constexpr int BusyRetryMs = 500;
    void SetStatusText(const QString& text);
    // MainLayout.cpp
    void CreateControls();
    QWidget* CreateTopbar();
    QWidget* CreateObjectInfo();
    QFrame* CreateInfoField(QWidget* parent, const char* panelName, const char* labelName,
                            const QString& caption, QRect labelPlace, QRect fieldPlace,
                            Qt::Alignment alignment, QLabel*& field);
    // MainActions.cpp
    void CreateActions();
    void CreateMenus();
    void CreatePopupMenu();
    QAction* MakeAction(const char* name, const QString& caption);
    QAction* MakePopupProxy(const char* name, QAction* action);
    void ApplyActionState(QAction* action);
    void ApplyBusyState();
    // MainTree.cpp
    void ConfigureTree();
    QString RootText() const;
    // Marks a top group whose nodes are made when it is first expanded or looked into.
    void LeaveGroupPending(TMyTreeNode* group);
    // Deletes the nodes of a top group, those still to be made included.
    void DropGroupNodes(TMyTreeNode* group);
    TMyTreeNode* FindSubgroup(TMyTreeNode* parent, const QString& part) const;
    // The node below Group that Entry's node belongs under, its sub-groups made as needed;
    // Text receives the node's own text (the name after those sub-groups).
    TMyTreeNode* ObjectParent(TMyTreeNode* group, const brelk::TBrelkCatEntry& entry,
                              QString& text);
    // A node showing Entry under Text, with the entry's icon, not yet in the tree.
    TMyTreeNode* NewObjectNode(const QString& text, const brelk::TBrelkCatEntry* entry);
    void SetNodeImage(TMyTreeNode* node, int imageIndex);
    void SetPopupEntriesForEntry(const brelk::TBrelkCatEntry& entry, int selected);
    // MainObjectOps.cpp, MainSave.cpp, MainSquash.cpp
    void CreateObjectOperations();
    void ForgetReleasedEntries();
    // The objects that a delete acts on, gathered from the selection before anything changes.
    struct TObjectNodes {
        std::vector<TMyTreeNode*> Nodes;                   // object nodes, each once
        std::vector<const brelk::TBrelkCatEntry*> Entries; // their entries, each once
        std::unordered_set<const TMyTreeNode*> Visited;
        std::unordered_set<const brelk::TBrelkCatEntry*> Taken;
        std::unordered_set<const brelk::TBrelkCatEntry*> Live; // the catalogue's records
    };
    void CollectObjectNodes(TMyTreeNode* node, TObjectNodes& objects);
    bool RemoveObjectNodes(const TObjectNodes& objects);
    bool MoveObjectNodes(const TObjectNodes& objects);
    bool ReleaseObjectNodes(const TObjectNodes& objects);
    std::vector<QTreeWidgetItem*> NodesNear(QTreeWidgetItem* node) const;
    void SelectNearestRemaining(QTreeWidgetItem* before,
                                const std::vector<QTreeWidgetItem*>& fallback);
    bool SaveObjectToFile(const brelk::TBrelkCatEntry& entry, const QString& path,
                          bool askReplace = false);
    void TransformSelectedDiscs(bool squash);
    // MainDetails.cpp
    void ConnectDetailsView();
    void ShowCardInfo();
    void SetDetailsTabs(const std::vector<std::string>& tabs, unsigned selected);
    void SetDetailsClickable(bool clickable);
    // MainDiscFiles.cpp
    void CreateObjectFilesList(QWidget* page);
    QWidget* CreateDiscSidePanel(QWidget* page);
    void ShowDiscSide(const brelk::TDFSDiscSide& side);
    void HideObjectFiles();
    // MainEmulator.cpp
    void CreateEmulatorCommand();
    // MainFind.cpp
    void CreateFindCommand();
    // The node of the catalogue record Record, its top group filled first; none when absent.
    TMyTreeNode* ObjectNode(const brelk::TBrelkCatEntry* record);
    // Makes the file of the full name Name the current one of the files list.
    bool SelectListedFile(const QString& name);
    TfrmFindFiles* FindWindow = nullptr;
    // MainBackup.cpp
    void CreateBackupCommands();
    // MainCheck.cpp
    void CreateCheckCommand();
    void actnCheckCardExecute();
    // Said once per opening when the quick check finds the catalogue damaged.
    void SayDamageAtOpening();
    void RepairCard();
    QString ChooseBackupIndex();
    const brelk::TBackupClock* BackupClock = nullptr;
    TfrmCheckUpdates* UpdateWindow = nullptr;
    // MainTopbar.cpp
    void UpdateCacheState();
    void UpdateActionEnabling();
    void DrawUsageBar();

    TPrompter& Ask;
    QString ProgramFolder;
    std::unique_ptr<TMainReporter> Reporter;
    // Keeps the card's previous catalogue in the user's state folder before each rewrite.
    brelk::TStateFolderKeeper CatalogueKeeper;
    TfrmSettings* SettingsWindow = nullptr;
    TfrmWait* Wait = nullptr;
    TfrmSplash* Splash = nullptr;
    bool Shown = false;
    int BusyDepth = 0;
    QHash<const QAction*, std::function<void()>> Handlers;
    QHash<const QAction*, bool> Wanted;
    QList<QAction*> GuardedActions;
    bool MemoClickActive = true;
    bool FilesListed = false;    // the list has the files of the shown tab
    bool DiscSideListed = false; // the list shows a DFS side, with its settings above it
    TProcessStarter* Starter = nullptr;
    // MainAddObjects.cpp, MainTreeEdit.cpp, MainDragDrop.cpp
    void CreateTreeEditing();
    TfrmAddFile* AddFileWindow = nullptr;
    // Shared pointers, so that this header needs neither type complete.
    std::shared_ptr<TObjectTreeHandler> TreeHandler;
    std::shared_ptr<QTemporaryDir> DragFolder; // the files of the last drag out
};
