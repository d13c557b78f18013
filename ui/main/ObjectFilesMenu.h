// The popup menu of the files list: extracting and viewing the chosen files of any disc or
// tape object, and for a DFS disc deleting, renaming, locking and unlocking them and
// inserting PC files, and drags files out and PC files in. Every change to a disc goes through
// explorer/DiscFiles, replacing the object on the card in one commit, and the details are shown
// again afterwards.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace brelk {
struct TDFSSideSettings;
}

class QAction;
class QMenu;
class QMimeData;
class QTemporaryDir;
class QTreeWidget;
class QTreeWidgetItem;
class TfrmMain;

// Names and lines from the media carry bytes 0x80 to 0xFF as they are, shown as code page
// 1252 characters.
QString MediaText(const std::string& text);

class TObjectFilesMenu : public QObject {
  public:
    // The row of a file keeps its index among the object's files in this role; the list
    // keeps the drive it shows in the property kDriveProperty.
    static constexpr int kFileRole = 0x0100 + 1;
    static constexpr const char* kDriveProperty = "brelkDrive";

    explicit TObjectFilesMenu(TfrmMain& window);
    ~TObjectFilesMenu() override;

    // Shows and enables the entries for the chosen files and the kind of object.
    void Update();
    void ExtractClick();
    void ViewClick();
    void DeleteClick();
    void LockClick();
    void InsertClick();
    // Starts editing the current file's name; the edited name renames the file.
    void RenameClick();
    // The chosen files extracted into a new temporary folder, as the URLs of what lies at
    // its top, for a drag; null, after saying why, when they cannot be extracted.
    QMimeData* DragData();
    // Inserts copies of the PC files at Paths into the shown DFS side.
    void InsertPaths(const QStringList& paths);
    // The shown DFS side takes the title typed in its field, or the boot option chosen.
    void TitleEdited();
    void BootChosen(int option);

    QMenu* Menu = nullptr;
    QAction* Extract = nullptr;
    QAction* View = nullptr;
    QAction* Delete = nullptr;
    QAction* Lock = nullptr;
    QAction* Insert = nullptr;
    QAction* Rename = nullptr;

  protected:
    // Drags files out of the list and takes PC files dropped on a DFS list.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TfrmMain& Window;
    std::unique_ptr<QTemporaryDir> DragFolder;
    QPoint PressAt;
    bool ChangingSide = false; // a side's settings are being written (the field loses focus)
    bool DFSListShown() const;
    void AddKeys(QTreeWidget* list);
    bool StartDrag();
    void PopupAt(const QPoint& at);
    std::vector<std::size_t> ChosenFiles() const;
    void NameEdited(QTreeWidgetItem* item, int column);
    void RenameFile(std::size_t index, const QString& to);
    void ChangeSideSettings(const brelk::TDFSSideSettings& settings);
};
