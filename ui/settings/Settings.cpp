#include "ui/settings/Settings.h"

#include "ui/settings/SettingsValues.h"

#include "explorer/ObjectTransfer.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace {

using namespace brelksettings;

// The store, its folder created when needed; null when it cannot be opened.
std::unique_ptr<QSettings> OpenStore() {
    const QString path = TBrelkExplorerSettings::StorePath();
    const QFileInfo info(path);
    if (info.exists() ? !(info.isFile() && info.isReadable()) : !QDir().mkpath(info.absolutePath()))
        return nullptr;
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

} // namespace

// Always the user's own file, also for root: a machine-wide file would hand one user's card
// path to every user of the machine.
QString TBrelkExplorerSettings::StorePath() {
    const QString chosen = qEnvironmentVariable("BRELKEXPLORER_SETTINGS");
    if (!chosen.isEmpty())
        return chosen;
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halde"),
                     QStringLiteral("BrelkExplorer"))
        .fileName();
}

void TBrelkExplorerSettings::ReadSettingsFromRegistry(const QString& defaultDrive) {
    if (auto store = OpenStore()) {
        const TValueReader in(*store);
        MMCDrive = in.Text("MMCDrive", defaultDrive);
        MMCSafetyZone = in.Number<std::uint32_t>("MMCSafetyZone", brelk::kDefaultSafetyZone);
        CacheSize = in.Number<std::uint32_t>("CacheSize", brelk::kDefaultCacheSize);
        UseDeletedObjects = in.Flag("UseDeletedObjects", true);
        RewriteObjectHeader = in.Flag("RewriteObjectHeader", false);
        ReuseDeletedSpace = in.Flag("ReuseDeletedSpace", true);
        ViewerMaxNodebreaks = in.Number<std::uint8_t>("ViewerMaxNodebreaks", 1);
        ViewerAutoviewObjectDetails = in.Flag("ViewerAutoviewObjectDetails", true);
        ViewerShowNumbersInHex = in.Flag("ViewerShowNumbersInHex", true);
        HexviewerBytesTotal = in.Number<std::uint16_t>("HexviewerBytesTotal", 256);
        HexviewerBytesPerRow = in.Number<std::uint16_t>("HexviewerBytesPerRow", 8);
        EmulatorPath = in.Text("EmulatorPath", QString());
        EmulatorCLO = in.Text("EmulatorCLO", QStringLiteral("$img$"));
        ImportGuessDistributor = in.Flag("ImportGuessDistributor", false);
        ImportOverwriteExisting = in.Flag("ImportOverwriteExisting", false);
        ImportAskBeforeOverwrite = in.Flag("ImportAskBeforeOverwrite", false);
        RestorePreFormat = in.Flag("RestorePreFormat", false);
        CheckForUpdates = in.Flag("CheckForUpdates", false);
        ExtractWithInfFiles = in.Flag("ExtractWithInfFiles", true);
    }
    WriteSettingsToRegistry();
}

void TBrelkExplorerSettings::WriteSettingsToRegistry() const {
    auto store = OpenStore();
    if (!store)
        return;
    TValueWriter out(*store);
    out.Text("MMCDrive", MMCDrive);
    out.Number("MMCSafetyZone", MMCSafetyZone);
    out.Number("CacheSize", CacheSize);
    out.Flag("RewriteObjectHeader", RewriteObjectHeader);
    out.Flag("UseDeletedObjects", UseDeletedObjects);
    out.Flag("ReuseDeletedSpace", ReuseDeletedSpace);
    out.Number("ViewerMaxNodebreaks", ViewerMaxNodebreaks);
    out.Flag("ViewerAutoviewObjectDetails", ViewerAutoviewObjectDetails);
    out.Flag("ViewerShowNumbersInHex", ViewerShowNumbersInHex);
    out.Number("HexviewerBytesTotal", HexviewerBytesTotal);
    out.Number("HexviewerBytesPerRow", HexviewerBytesPerRow);
    out.Text("EmulatorPath", EmulatorPath);
    out.Text("EmulatorCLO", EmulatorCLO);
    out.Flag("ImportGuessDistributor", ImportGuessDistributor);
    out.Flag("ImportOverwriteExisting", ImportOverwriteExisting);
    out.Flag("ImportAskBeforeOverwrite", ImportAskBeforeOverwrite);
    out.Flag("RestorePreFormat", RestorePreFormat);
    out.Flag("CheckForUpdates", CheckForUpdates);
    out.Flag("ExtractWithInfFiles", ExtractWithInfFiles);
    store->sync();
}

void TBrelkExplorerSettings::RememberExtractWithInfFiles(bool on) {
    ExtractWithInfFiles = on;
    if (auto store = OpenStore()) {
        TValueWriter(*store).Flag("ExtractWithInfFiles", on);
        store->sync();
    }
}

void TBrelkExplorerSettings::SaveWindowPosition(const TWindowPosition& position) {
    auto store = OpenStore();
    if (!store)
        return;
    TValueWriter out(*store);
    out.Number("PosWindowState", position.WindowState);
    out.Number("PosWindowLeft", position.Left);
    out.Number("PosWindowTop", position.Top);
    out.Number("PosWindowWidth", position.Width);
    out.Number("PosWindowHeight", position.Height);
    out.Number("PosSplitterLeft", position.SplitterLeft);
    store->sync();
}

void TBrelkExplorerSettings::LoadWindowPosition(TWindowPosition& position) {
    auto store = OpenStore();
    if (!store)
        return;
    const TValueReader in(*store);
    position.WindowState = in.Number<std::int32_t>("PosWindowState", 0);
    position.Left = in.Number<std::int32_t>("PosWindowLeft", 100);
    position.Top = in.Number<std::int32_t>("PosWindowTop", 100);
    position.Width = in.Number<std::int32_t>("PosWindowWidth", 750);
    position.Height = in.Number<std::int32_t>("PosWindowHeight", 580);
    position.SplitterLeft = in.Number<std::int32_t>("PosSplitterLeft", 260);
}
