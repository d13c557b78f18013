// Shared pieces of the main window tests: card image files made with the card object, a
// settings file in a temporary folder, generated icon bitmaps and a main window to inspect.
#pragma once

#include "card/Brelk.h"
#include "explorer/ObjectImages.h"
#include "support/UiTestSupport.h"
#include "ui/aux/PleaseWait.h"
#include "ui/aux/ScriptedPrompter.h"
#include "ui/main/Main.h"
#include "ui/main/MainWidgets.h"
#include "ui/main/MyTreeNode.h"
#include "ui/settings/DriveList.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

namespace maintest {

class TRecordingReporter : public brelk::TBrelkReporter {
  public:
    void ReportError(const std::string& text) override { Errors.push_back(text); }
    std::vector<std::string> Errors;
};

struct TObject {
    std::uint8_t Type = brelk::kTypeTool;
    std::uint8_t Subtype = 0;
    std::string Name;
    std::uint32_t Size = 512;
};

inline bool MakeEmptyFile(const QString& path, qint64 size) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.resize(size);
}

// Adds the objects to an open card object; their data bytes are 0xE5.
inline bool AddObjects(brelk::TBrelk& card, const std::vector<TObject>& objects) {
    for (const TObject& object : objects) {
        brelk::TBrelkCatEntry entry;
        entry.SetType(object.Type);
        entry.SetSubtype(object.Subtype);
        entry.SetName(object.Name);
        entry.SetSize(object.Size);
        std::vector<std::uint8_t> data(object.Size, 0xE5);
        if (!card.AddObjectToBrelk(entry, data.data(), false))
            return false;
    }
    return true;
}

// A card image file of Size bytes, formatted (when asked) and holding the objects.
inline bool MakeCard(const QString& path, std::uint32_t size, const std::vector<TObject>& objects,
                     bool format = true) {
    if (!MakeEmptyFile(path, size))
        return false;
    if (!format)
        return true;
    TRecordingReporter reporter;
    brelk::TBrelk card(reporter);
    card.Initialize(65536, path.toStdString(), 8192);
    return card.FormatMMC() && AddObjects(card, objects) && card.FlushMMCDevice() &&
           reporter.Errors.empty();
}

// The names of the catalogue entries on the card file, read from the file's bytes (a card
// object would be refused while the window holds the card's lock).
inline QStringList CardNames(const QString& path) {
    QFile file(path);
    QStringList names;
    if (!file.open(QIODevice::ReadOnly))
        return names;
    const QByteArray header = file.read(brelk::kCatalogueHeaderSize);
    if (header.size() != int(brelk::kCatalogueHeaderSize) || !header.startsWith("BrelkCat"))
        return names;
    const std::uint32_t count =
        brelk::GetLE32(reinterpret_cast<const std::uint8_t*>(header.constData()) + 16);
    for (std::uint32_t i = 0; i < count; ++i) {
        const QByteArray bytes = file.read(brelk::kCatEntrySize);
        if (bytes.size() != int(brelk::kCatEntrySize))
            break;
        brelk::TBrelkCatEntry entry;
        std::copy(bytes.begin(), bytes.end(), entry.Bytes.begin());
        names << QString::fromStdString(entry.Name());
    }
    return names;
}

// Thirteen 12 x 14 bitmaps of distinct colours in Folder + "imgs/".
inline bool MakeIcons(const QString& programFolder, const QString& leaveOut = QString()) {
    QDir().mkpath(programFolder + QStringLiteral("imgs"));
    int i = 0;
    for (const auto& row : brelk::ObjectImageTable()) {
        const QString file = QString::fromLatin1(row.File);
        ++i;
        if (file == leaveOut)
            continue;
        QImage picture(12, 14, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(i * 25, 255, 200));
        if (!picture.save(programFolder + QStringLiteral("imgs/") + file, "BMP"))
            return false;
    }
    return true;
}

// Offers one removable drive to the settings dialog.
class TFakeDrives : public TDriveLister {
  public:
    explicit TFakeDrives(QString path) : Path(std::move(path)) {}
    std::vector<TCandidateDrive> RemovableDrives() const override {
        return {TCandidateDrive{Path, true}};
    }
    QString Path;
};

// A main window on a temporary folder: settings file, card image, icons.
class TMainRig {
  public:
    TMainRig() {
        ProgramFolder = Dir.filePath(QStringLiteral("program")) + QLatin1Char('/');
        QDir().mkpath(ProgramFolder);
        qputenv("BRELKEXPLORER_SETTINGS", SettingsPath().toLocal8Bit());
    }
    ~TMainRig() {
        Main.reset();
        qunsetenv("BRELKEXPLORER_SETTINGS");
    }

    QString Path(const QString& name) const { return Dir.filePath(name); }
    QString SettingsPath() const { return Path(QStringLiteral("settings.ini")); }
    QString CardPath() const { return Path(QStringLiteral("card.img")); }

    void SetSetting(const QString& key, const QVariant& value) {
        QSettings store(SettingsPath(), QSettings::IniFormat);
        store.setValue(key, value);
    }
    QVariant StoredValue(const QString& key) const {
        return QSettings(SettingsPath(), QSettings::IniFormat).value(key);
    }
    bool StoreHas(const QString& key) const {
        return QSettings(SettingsPath(), QSettings::IniFormat).contains(key);
    }

    // Makes the card file and points the settings at it.
    bool UseCard(std::uint32_t size, const std::vector<TObject>& objects, bool format = true) {
        SetSetting(QStringLiteral("MMCDrive"), CardPath());
        return MakeCard(CardPath(), size, objects, format);
    }

    // Creates the window with a wait window and runs its first showing.
    TfrmMain& Open() {
        Main = std::make_unique<TfrmMain>(Prompter, ProgramFolder);
        Wait = std::make_unique<TfrmWait>();
        Main->AttachWindows(nullptr, Wait.get(), nullptr);
        Main->FormShow();
        return *Main;
    }

    // Gives every action without work a handler that counts its calls.
    void GiveAllActionsWork() {
        for (QAction* a : Main->Actions())
            if (!Main->HasHandler(a))
                Main->SetActionHandler(a, [this, a] { Triggered << a->objectName(); });
    }

    QTemporaryDir Dir;
    QString ProgramFolder;
    TScriptedPrompter Prompter;
    std::unique_ptr<TfrmWait> Wait;
    std::unique_ptr<TfrmMain> Main;
    QStringList Triggered;
};

inline constexpr std::uint32_t k8M = 8u << 20;

inline TObject Disc(const std::string& name, std::uint8_t subtype = 1, std::uint32_t size = 512) {
    return {brelk::kTypeImage, subtype, name, size};
}
inline TObject Tool(const std::string& name) {
    return {brelk::kTypeTool, 0, name, 512};
}

// The first node of the tree with exactly Text, at any depth.
inline TMyTreeNode* FindNode(TfrmMain& main, const QString& text) {
    const auto found = Find<TObjectTreeWidget>(main, "treevwObjects")
                           ->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : static_cast<TMyTreeNode*>(found.first());
}

// The tree below Node as text: "Text{child,child{grandchild}}".
inline QString Dump(const QTreeWidgetItem* node) {
    QString text = node->text(0);
    if (node->childCount() == 0)
        return text;
    QStringList children;
    for (int i = 0; i < node->childCount(); ++i)
        children << Dump(node->child(i));
    return text + QLatin1Char('{') + children.join(QLatin1Char(',')) + QLatin1Char('}');
}

// Adds an object holding exactly Data to the card file, written and committed at once.
inline bool AddWithData(const QString& card, std::uint8_t type, std::uint8_t subtype,
                        const std::string& name, const std::vector<std::uint8_t>& data) {
    TRecordingReporter reporter;
    brelk::TBrelk brelk(reporter);
    brelk.Initialize(65536, card.toStdString(), 8192);
    brelk::TBrelkCatEntry entry;
    entry.SetType(type);
    entry.SetSubtype(subtype);
    entry.SetName(name);
    entry.SetSize(std::uint32_t(data.size()));
    return brelk.AddObjectToBrelk(entry, data.data(), false) && brelk.FlushMMCDevice() &&
           reporter.Errors.empty();
}

} // namespace maintest
