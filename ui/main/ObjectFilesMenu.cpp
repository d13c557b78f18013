#include "ui/main/ObjectFilesMenu.h"

#include "ui/aux/NameText.h"
#include "ui/aux/Prompter.h"
#include "ui/main/DFSNamesDialog.h"
#include "ui/main/Main.h"

#include "explorer/DiscFiles.h"
#include "explorer/ObjectTransfer.h"
#include "formats/GlobalStuff.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDrag>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

using brelk::TBrelkCatEntry;
using brelk::TMediaFile;
using brelk::TMediaKind;
using brelk::TMediaListing;

namespace {

// The existing files that the replace question names; the rest are counted.
constexpr std::size_t kReplaceNamesShown = 10;

// The object the window shows, its bytes and its files, read again from the card.
struct TOpenObject {
    const TBrelkCatEntry* Entry = nullptr;
    QString Name;
    std::vector<std::uint8_t> Bytes;
    TMediaListing Listing;
};

bool OpenShownObject(TfrmMain& window, TOpenObject& object) {
    TMyTreeNode* node = window.SelectedNode();
    TMediaKind kind;
    if (window.IsBusy() || !node || !node->Entry || !brelk::MediaKindOf(*node->Entry, kind))
        return false;
    object.Entry = node->Entry;
    object.Name = CardNameText(object.Entry->Name());
    std::string why;
    if (brelk::ReadWholeObject(*window.Card(), *object.Entry, object.Bytes) &&
        brelk::ListMediaFiles(kind, object.Bytes, object.Listing, why))
        return true;
    window.Prompter().Message(QStringLiteral("'%1' could not be read").arg(object.Name),
                              TPrompter::TIcon::Error, TPrompter::TButtons::OK);
    return false;
}

// The files of Object at the indexes Chosen (those inside its list).
std::vector<const TMediaFile*> FilesAt(const TOpenObject& object,
                                       const std::vector<std::size_t>& chosen) {
    std::vector<const TMediaFile*> files;
    for (std::size_t index : chosen)
        if (index < object.Listing.Files.size())
            files.push_back(&object.Listing.Files[index]);
    return files;
}

void ShowError(TfrmMain& window, const std::string& why) {
    window.Prompter().Message(QString::fromStdString(why), TPrompter::TIcon::Error,
                              TPrompter::TButtons::OK);
}

// The question before extracting onto the files Existing below Folder.
QString ReplaceQuestion(const QString& folder, const std::vector<std::string>& existing) {
    const QChar cr(13);
    if (existing.size() == 1)
        return QStringLiteral("The file '") + QFile::decodeName(existing.front().c_str()) +
               QStringLiteral("' already exists.") + cr + cr +
               QStringLiteral("Do you want to replace it?");
    QString text = QStringLiteral("These %1 files already exist in '%2':")
                       .arg(QString::number(existing.size()), folder);
    const QDir below(folder);
    const std::size_t shown = std::min(existing.size(), kReplaceNamesShown);
    for (std::size_t i = 0; i < shown; ++i)
        text += cr + below.relativeFilePath(QFile::decodeName(existing[i].c_str()));
    if (shown < existing.size())
        text += cr + QStringLiteral("and %1 more").arg(existing.size() - shown);
    return text + cr + cr + QStringLiteral("Do you want to replace them?");
}

// Whether the user lets the extract replace the files Existing below Folder.
bool MayReplace(TfrmMain& window, const QString& folder, const std::vector<std::string>& existing) {
    return window.Prompter().Message(ReplaceQuestion(folder, existing), TPrompter::TIcon::Warning,
                                     TPrompter::TButtons::YesNo,
                                     TPrompter::TAnswer::No) == TPrompter::TAnswer::Yes;
}

// A read-only window with the lines of a file in the details' fixed-width font.
void ShowViewer(TfrmMain& window, const QString& title, const std::vector<std::string>& lines) {
    auto* dialog = new QDialog(&window);
    dialog->setObjectName(QStringLiteral("frmFileView"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    auto* text = new QPlainTextEdit(dialog);
    text->setObjectName(QStringLiteral("memoFileView"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(window.DetailsFont());
    QStringList shown;
    for (const std::string& line : lines)
        shown << MediaText(line);
    text->setPlainText(shown.join(QLatin1Char('\n')));
    (new QVBoxLayout(dialog))->addWidget(text);
    dialog->resize(640, 480);
    dialog->show();
}

// Changes the DFS side of the shown list with Edit; says why when it is refused.
bool EditShownSide(TfrmMain& window, TOpenObject& object, int drive,
                   const brelk::TDFSSideEdit& edit) {
    std::string why;
    const bool done =
        brelk::EditDFSObject(*window.Card(), object.Entry, brelk::DFSSideOfDrive(drive), edit, why);
    if (!done)
        window.Prompter().Message(QStringLiteral("'%1' was not changed: %2")
                                      .arg(object.Name, QString::fromStdString(why)),
                                  TPrompter::TIcon::Error, TPrompter::TButtons::OK);
    window.ShowObjectInfo(object.Entry);
    window.ShowObjectDetails(object.Entry, true);
    window.UpdateTopbarInfo();
    return done;
}

// A PC file to insert: its name and addresses from a .inf beside it when there is one.
// False, with the reason, when the file cannot be read or its .inf is refused.
bool ReadNewFile(const QString& path, brelk::TDFSNewFile& file, std::vector<std::uint8_t>& data,
                 std::string& why) {
    QFile pcFile(path);
    if (!pcFile.open(QIODevice::ReadOnly)) {
        why = path.toStdString() + ": could not be read";
        return false;
    }
    const QByteArray bytes = pcFile.readAll();
    data.assign(bytes.begin(), bytes.end());
    file.Name = QFileInfo(path).fileName().toStdString();
    brelk::TInfFields fields;
    bool present = false;
    if (!brelk::ReadInfSidecar(path.toStdString(), fields, present, why))
        return false;
    if (present) {
        file.Name = fields.Name;
        file.Load = fields.Load;
        file.Exec = fields.Exec;
        file.Locked = fields.Locked;
    }
    return true;
}

// Proposes DFS names where the PC names are none and lets the user change them; false when
// the user cancelled or typed a name no card can hold.
bool ConfirmNames(TfrmMain& window, const TMediaListing& listing, int drive,
                  const QStringList& paths, std::vector<brelk::TDFSNewFile>& files) {
    std::vector<std::string> names;
    for (const brelk::TDFSNewFile& file : files)
        names.push_back(file.Name);
    std::vector<bool> changed;
    const std::vector<std::string> proposed =
        brelk::ProposeDFSNames(listing, drive, names, changed);
    if (std::find(changed.begin(), changed.end(), true) == changed.end())
        return true;
    QStringList pcNames;
    QStringList shown;
    for (std::size_t i = 0; i < files.size(); ++i) {
        pcNames << QFileInfo(paths[qsizetype(i)]).fileName();
        shown << CardNameText(proposed[i]);
    }
    TfrmDFSNames dialog(pcNames, shown, QList<bool>(changed.begin(), changed.end()), &window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.Names();
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!CardNameFromText(chosen[qsizetype(i)], files[i].Name))
            files[i].Name = chosen[qsizetype(i)].toStdString(); // refused with the reason
    return true;
}

} // namespace

QString MediaText(const std::string& text) {
    QString shown;
    for (char c : text)
        shown += QChar(char16_t(brelk::CodePage1252Char(static_cast<std::uint8_t>(c))));
    return shown;
}

TObjectFilesMenu::TObjectFilesMenu(TfrmMain& window) : QObject(&window), Window(window) {
    setObjectName(QStringLiteral("ObjectFilesMenu"));
    Menu = new QMenu(&window);
    Menu->setObjectName(QStringLiteral("mnuFilesPopup"));
    Extract = Menu->addAction(QStringLiteral("&Extract..."), this, &TObjectFilesMenu::ExtractClick);
    View = Menu->addAction(QStringLiteral("&View"), this, &TObjectFilesMenu::ViewClick);
    Menu->addSeparator();
    Insert =
        Menu->addAction(QStringLiteral("&Insert files..."), this, &TObjectFilesMenu::InsertClick);
    Delete = Menu->addAction(QStringLiteral("&Delete"), this, &TObjectFilesMenu::DeleteClick);
    Rename = Menu->addAction(QStringLiteral("&Rename"), this, &TObjectFilesMenu::RenameClick);
    Lock = Menu->addAction(QStringLiteral("&Lock"), this, &TObjectFilesMenu::LockClick);
    QTreeWidget* list = Window.lvObjectFiles;
    AddKeys(list);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, &TObjectFilesMenu::PopupAt);
    connect(list, &QTreeWidget::itemDoubleClicked, this, &TObjectFilesMenu::ViewClick);
    connect(list, &QTreeWidget::itemChanged, this, &TObjectFilesMenu::NameEdited);
    list->setAcceptDrops(true);
    list->viewport()->installEventFilter(this);
    connect(Window.edtDiscTitle, &QLineEdit::editingFinished, this, &TObjectFilesMenu::TitleEdited);
    connect(Window.cbDiscBoot, &QComboBox::activated, this, &TObjectFilesMenu::BootChosen);
}

TObjectFilesMenu::~TObjectFilesMenu() = default;

// Enter views the current file, Delete, F2 and Insert act on a DFS side, while the list has
// the focus; the entries stay current with the selection so that a key finds them so.
void TObjectFilesMenu::AddKeys(QTreeWidget* list) {
    View->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    Delete->setShortcut(QKeySequence(Qt::Key_Delete));
    Rename->setShortcut(QKeySequence(Qt::Key_F2));
    Insert->setShortcut(QKeySequence(Qt::Key_Insert));
    for (QAction* action : {View, Delete, Rename, Insert}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        list->addAction(action);
    }
    connect(list, &QTreeWidget::itemSelectionChanged, this, &TObjectFilesMenu::Update);
    connect(list, &QTreeWidget::currentItemChanged, this, &TObjectFilesMenu::Update);
}

void TObjectFilesMenu::PopupAt(const QPoint& at) {
    Update();
    Menu->popup(Window.lvObjectFiles->viewport()->mapToGlobal(at));
}

std::vector<std::size_t> TObjectFilesMenu::ChosenFiles() const {
    std::vector<std::size_t> chosen;
    for (const QTreeWidgetItem* item : Window.lvObjectFiles->selectedItems())
        if (const QVariant index = item->data(0, kFileRole); index.isValid())
            chosen.push_back(std::size_t(index.toULongLong()));
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

void TObjectFilesMenu::Update() {
    const bool dfs = Window.SelectedNode() && Window.SelectedNode()->Entry &&
                     Window.SelectedNode()->Entry->Subtype() == brelk::kSubtypeDFS;
    const bool any = !ChosenFiles().empty();
    const QTreeWidgetItem* current = Window.lvObjectFiles->currentItem();
    const bool locked = current && !current->text(4).isEmpty();
    Extract->setEnabled(any);
    View->setEnabled(current && current->data(0, kFileRole).isValid());
    for (QAction* action : {Insert, Delete, Rename, Lock})
        action->setVisible(dfs);
    Rename->setEnabled(current && current->data(0, kFileRole).isValid());
    Delete->setEnabled(any);
    Lock->setEnabled(any);
    Lock->setText(locked ? QStringLiteral("&Unlock") : QStringLiteral("&Lock"));
}

void TObjectFilesMenu::ExtractClick() {
    TOpenObject object;
    const std::vector<std::size_t> chosen = ChosenFiles();
    if (chosen.empty() || !OpenShownObject(Window, object))
        return;
    TBrelkExplorerSettings& settings = Window.UserSettings();
    TPrompter::TFolderOption inf{QStringLiteral("with .inf files"), settings.ExtractWithInfFiles};
    const QString folder =
        Window.Prompter().PickFolder(QStringLiteral("Extract files to"), {}, &inf);
    if (folder.isEmpty())
        return;
    if (inf.Checked != settings.ExtractWithInfFiles)
        settings.RememberExtractWithInfFiles(inf.Checked);
    const std::vector<const TMediaFile*> files = FilesAt(object, chosen);
    brelk::TExtractOptions options(inf.Checked);
    const std::vector<std::string> existing =
        brelk::ExistingExtractTargets(object.Listing, files, folder.toStdString(), options);
    if (!existing.empty() && !MayReplace(Window, folder, existing))
        return;
    options.Force = !existing.empty();
    std::vector<std::string> written;
    std::string why;
    if (!brelk::ExtractMediaFiles(object.Listing, object.Bytes, files, folder.toStdString(),
                                  options, written, why))
        ShowError(Window, why);
}

void TObjectFilesMenu::ViewClick() {
    const QTreeWidgetItem* current = Window.lvObjectFiles->currentItem();
    TOpenObject object;
    if (!current || !current->data(0, kFileRole).isValid() || !OpenShownObject(Window, object))
        return;
    const std::size_t index = std::size_t(current->data(0, kFileRole).toULongLong());
    if (index >= object.Listing.Files.size())
        return;
    const TMediaFile& file = object.Listing.Files[index];
    std::vector<std::string> lines;
    std::string why;
    if (!brelk::ViewMediaFile(object.Listing, object.Bytes, file, brelk::TFileViewAs::Auto, lines,
                              why))
        return ShowError(Window, why);
    ShowViewer(Window, MediaText(file.Name) + QStringLiteral(" - ") + object.Name, lines);
}

void TObjectFilesMenu::DeleteClick() {
    TOpenObject object;
    const std::vector<std::size_t> chosen = ChosenFiles();
    if (chosen.empty() || !OpenShownObject(Window, object))
        return;
    std::vector<std::string> names;
    QStringList shown;
    const std::vector<const TMediaFile*> files = FilesAt(object, chosen);
    if (const std::string locked = brelk::LockedFilesRefusal(files); !locked.empty())
        return ShowError(Window, "'" + object.Name.toStdString() + "' was not changed: " + locked);
    for (const TMediaFile* file : files) {
        names.push_back(file->Name);
        shown << CardNameText(file->Name);
    }
    const QString question =
        QStringLiteral("Delete %1 from '%2'?").arg(shown.join(QStringLiteral(", ")), object.Name);
    if (Window.Prompter().Message(question, TPrompter::TIcon::Confirmation,
                                  TPrompter::TButtons::YesNo,
                                  TPrompter::TAnswer::No) != TPrompter::TAnswer::Yes)
        return;
    EditShownSide(Window, object, Window.lvObjectFiles->property(kDriveProperty).toInt(),
                  brelk::DeleteFilesEdit(names, nullptr));
}

void TObjectFilesMenu::LockClick() {
    TOpenObject object;
    const std::vector<std::size_t> chosen = ChosenFiles();
    const QTreeWidgetItem* current = Window.lvObjectFiles->currentItem();
    if (chosen.empty() || !current || !OpenShownObject(Window, object))
        return;
    const bool lock = current->text(4).isEmpty();
    std::vector<std::string> names;
    for (const TMediaFile* file : FilesAt(object, chosen))
        names.push_back(file->Name);
    EditShownSide(Window, object, Window.lvObjectFiles->property(kDriveProperty).toInt(),
                  brelk::LockFilesEdit(names, lock));
}

void TObjectFilesMenu::InsertClick() {
    if (!DFSListShown())
        return;
    const QStringList paths = Window.Prompter().OpenFiles(
        QStringLiteral("Insert files"), QStringLiteral("All files (*.*)|*.*"), {});
    InsertPaths(paths);
}

void TObjectFilesMenu::InsertPaths(const QStringList& paths) {
    TOpenObject object;
    if (paths.isEmpty() || !OpenShownObject(Window, object))
        return;
    std::vector<std::vector<std::uint8_t>> data(std::size_t(paths.size()));
    std::vector<brelk::TDFSNewFile> files(std::size_t(paths.size()));
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string why;
        if (!ReadNewFile(paths[qsizetype(i)], files[i], data[i], why))
            return ShowError(Window, why);
        files[i].Data = data[i];
    }
    const int drive = Window.lvObjectFiles->property(kDriveProperty).toInt();
    if (ConfirmNames(Window, object.Listing, drive, paths, files))
        EditShownSide(Window, object, drive, brelk::InsertFilesEdit(files, false));
}

void TObjectFilesMenu::RenameClick() {
    QTreeWidgetItem* current = Window.lvObjectFiles->currentItem();
    if (current && (current->flags() & Qt::ItemIsEditable))
        Window.lvObjectFiles->editItem(current, 0);
}

// The list is filled again after the rename, so the change is made once the edit is over.
void TObjectFilesMenu::NameEdited(QTreeWidgetItem* item, int column) {
    if (column != 0 || !item->data(0, kFileRole).isValid())
        return;
    const std::size_t index = std::size_t(item->data(0, kFileRole).toULongLong());
    const QString to = item->text(0);
    QMetaObject::invokeMethod(
        this, [this, index, to] { RenameFile(index, to); }, Qt::QueuedConnection);
}

void TObjectFilesMenu::RenameFile(std::size_t index, const QString& to) {
    TOpenObject object;
    if (!OpenShownObject(Window, object) || index >= object.Listing.Files.size())
        return;
    const std::string from = object.Listing.Files[index].Name;
    if (to.toStdString() == from)
        return;
    EditShownSide(Window, object, Window.lvObjectFiles->property(kDriveProperty).toInt(),
                  brelk::RenameFileEdit(from, to.toLatin1().toStdString()));
}

void TObjectFilesMenu::TitleEdited() {
    brelk::TDFSSideSettings settings;
    std::string title;
    const QString text = Window.edtDiscTitle->text();
    // A character no card name holds is passed on as UTF-8, for the job to refuse with its reason.
    settings.Title = CardNameFromText(text, title) ? title : text.toStdString();
    ChangeSideSettings(settings);
}

void TObjectFilesMenu::BootChosen(int option) {
    brelk::TDFSSideSettings settings;
    settings.BootOption = std::uint8_t(option);
    ChangeSideSettings(settings);
}

// Writes Settings to the shown side unless it holds them already.
void TObjectFilesMenu::ChangeSideSettings(const brelk::TDFSSideSettings& settings) {
    TOpenObject object;
    if (ChangingSide || !Window.pnlDiscSide->isVisibleTo(Window.grpbxObjectinfo) ||
        !OpenShownObject(Window, object))
        return;
    const int drive = Window.lvObjectFiles->property(kDriveProperty).toInt();
    const auto k = std::size_t(brelk::DFSSideOfDrive(drive));
    if (k >= object.Listing.DFS.Spans.size())
        return;
    const brelk::TDFSDiscSide& side = object.Listing.DFS.Disc.aDiscSides[k];
    if ((!settings.Title || *settings.Title == side.Title) &&
        (!settings.BootOption || *settings.BootOption == side.BootOption))
        return;
    ChangingSide = true;
    EditShownSide(Window, object, drive, brelk::SideSettingsEdit(settings));
    ChangingSide = false;
}

bool TObjectFilesMenu::DFSListShown() const {
    const TMyTreeNode* node = Window.SelectedNode();
    return node && node->Entry && node->Entry->Type() == brelk::kTypeImage &&
           node->Entry->Subtype() == brelk::kSubtypeDFS &&
           Window.lvObjectFiles->isVisibleTo(Window.grpbxObjectinfo);
}

QMimeData* TObjectFilesMenu::DragData() {
    TOpenObject object;
    const std::vector<std::size_t> chosen = ChosenFiles();
    if (chosen.empty() || !OpenShownObject(Window, object))
        return nullptr;
    const std::vector<const TMediaFile*> files = FilesAt(object, chosen);
    DragFolder = std::make_unique<QTemporaryDir>();
    std::vector<std::string> written;
    std::string why;
    if (!brelk::ExtractMediaFiles(object.Listing, object.Bytes, files,
                                  DragFolder->path().toStdString(), {}, written, why)) {
        ShowError(Window, why);
        return nullptr;
    }
    QList<QUrl> urls;
    const QDir folder(DragFolder->path());
    for (const QString& name : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        urls << QUrl::fromLocalFile(folder.filePath(name));
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

bool TObjectFilesMenu::StartDrag() {
    QMimeData* data = DragData();
    if (!data)
        return false;
    auto* drag = new QDrag(Window.lvObjectFiles->viewport());
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
    return true;
}

// The local files among the URLs of a drop.
static QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    for (const QUrl& url : data ? data->urls() : QList<QUrl>())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            paths << url.toLocalFile();
    return paths;
}

bool TObjectFilesMenu::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        PressAt = static_cast<QMouseEvent*>(event)->position().toPoint();
        break;
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        if ((move->buttons() & Qt::LeftButton) &&
            (move->position().toPoint() - PressAt).manhattanLength() >=
                QApplication::startDragDistance())
            return StartDrag();
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!DFSListShown() || LocalFiles(drag->mimeData()).isEmpty())
            return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList paths = LocalFiles(drop->mimeData());
        if (!DFSListShown() || paths.isEmpty())
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        QMetaObject::invokeMethod(
            this, [this, paths] { InsertPaths(paths); }, Qt::QueuedConnection);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
