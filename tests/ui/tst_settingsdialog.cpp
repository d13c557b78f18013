// The settings dialog: captions, the drive list and its pre-selection, loading and storing
// every setting, the enabling rules, OK and Cancel, and the two file buttons.
#include "support/FakeDrives.h"
#include "support/UiTestSupport.h"
#include "ui/aux/ScriptedPrompter.h"
#include "ui/settings/Settings.h"
#include "ui/settings/SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

namespace {

const TFakeDrives TwoCardReaders{{"/dev/sde", true}, {"/dev/sdf", true}};

// A settings object as read from an empty store, with drive Drive.
TBrelkExplorerSettings FreshSettings(const QString& drive) {
    TBrelkExplorerSettings settings;
    settings.ReadSettingsFromRegistry(drive);
    return settings;
}

QStringList Entries(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries.append(list->itemText(i));
    return entries;
}

void MakeFile(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(512, 0));
}

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT
  private slots:
    void captionsAndNames();
    void preselectsTheLastDriveThatAnswers_data();
    void preselectsTheLastDriveThatAnswers();
    void showingSelectsTheStoredDrive_data();
    void showingSelectsTheStoredDrive();
    void storedImageFileIsOffered();
    void emptyDriveListKeepsTheStoredDrive();
    void loadsEverySetting();
    void okStoresEveryControl();
    void cacheSizeAndSafetyZone_data();
    void cacheSizeAndSafetyZone();
    void dependentBoxesFollowTheirMasters();
    void upDownsKeepToTheirRanges();
    void cancelStoresNothing();
    void enterPressesOkAndEscCancels();
    void emulatorButton();
    void imageFileButton();
    void sysBlockLister();
};

void TestSettingsDialog::captionsAndNames() {
    TTempSettings store;
    TBrelkExplorerSettings settings = FreshSettings(QString());
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("BrelkExplorer - Settings"));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(dialog.width() >= 400 && dialog.height() >= 242);
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize()); // not resizable

    auto* pages = Named<QTabWidget>(&dialog, "pgctrlSettings");
    QVERIFY(pages);
    const QStringList titles = {"System", "Viewer", "Emulator", "Add/Import", "Other"};
    QCOMPARE(pages->count(), titles.size());
    for (int i = 0; i < titles.size(); ++i)
        QCOMPARE(pages->tabText(i), titles[i]);

    const QList<QPair<const char*, QString>> buttons = {
        {"chkbxReuseDeletedSpace", "Reuse deleted space when adding objects"},
        {"chkbxUseDeletedItems", "Use 'Deleted objects' when deleting objects"},
        {"chkbxRewriteObjectHeader", "Rewrite objectheader when deleting objects"},
        {"chkbxAutoviewObjectDetails", "Auto-view object-details when selecting an object"},
        {"chkbxShowNumbersInHex", "Show Brelk size/address in hex"},
        {"chkbxGuessDistributor", "Try to guess distributor from filepath"},
        {"chkbxImportOverwrite", "Overwrite existing objects"},
        {"chkbxAskBeforeOverwrite", "Ask before overwriting"},
        {"chkbxRestorePreFormat", "Format Brelk before restore"},
        {"chkbxCheckForUpdates", "Check for updates at startup"},
        {"btbtnOK", "OK"},
        {"btbtnCancel", "Cancel"},
        {"spdbtnSelectEmulatorPath", "..."},
        {"spdbtnSelectImageFile", "..."}};
    for (const auto& [name, text] : buttons) {
        auto* button = Named<QAbstractButton>(&dialog, name);
        QVERIFY2(button, name);
        QCOMPARE(button->text(), text);
    }
    const QStringList labelTexts = {"MMC Drive *",
                                    "Brelk Safety-zone *",
                                    "BrelkExplorer Cachesize *",
                                    "Kb",
                                    "Maximum node-breaks *",
                                    "Bytes per row",
                                    "Total bytes",
                                    "Path to emulator",
                                    "Commandline options",
                                    "The temporary discimage will be saved to the user TEMP "
                                    "directory. In the Commandline options, use $img$ for the "
                                    "imagefile."};
    QStringList shown;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        shown.append(label->text());
    for (const QString& text : labelTexts)
        QVERIFY2(shown.contains(text), qPrintable(text));
    const QString note = QStringLiteral("* These changes require a File | Reload MMC");
    QCOMPARE(Named<QLabel>(pages->widget(0), "lblSystemReloadNote")->text(), note);
    QCOMPARE(Named<QLabel>(pages->widget(1), "lblViewerReloadNote")->text(), note);
    QCOMPARE(Named<QGroupBox>(pages->widget(1), "grpbxHexview")->title(),
             QStringLiteral("Hexview"));
    for (const char* name : {"cmboDrives", "cmboMMCSafetyZone", "cmboMMCCacheSize"})
        QVERIFY2(Named<QComboBox>(&dialog, name), name);
    for (const char* name : {"updnNodeDepth", "updnHexBytesperrow", "updnHexBytesTotal"})
        QVERIFY2(Named<QSpinBox>(&dialog, name), name);
    for (const char* name : {"edtEmulatorPath", "edtEmulatorCLO"})
        QVERIFY2(!Named<QLineEdit>(&dialog, name)->isReadOnly(), name);
    for (const char* name : {"edtNodebreaksMax", "edtHexBytesperrow", "edtHexBytestotal"})
        QVERIFY2(Named<QLineEdit>(&dialog, name)->isReadOnly(), name);

    QCOMPARE(Entries(Named<QComboBox>(&dialog, "cmboMMCSafetyZone")),
             QStringList({"$0000", "$2000", "$4000", "$8000"}));
    QCOMPARE(Entries(Named<QComboBox>(&dialog, "cmboMMCCacheSize")),
             QStringList({"16", "32", "64", "128", "256", "512", "1024", "2048", "4096", "8192"}));
}

void TestSettingsDialog::preselectsTheLastDriveThatAnswers_data() {
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("preselected");
    QTest::newRow("both answer: the last") << QList<bool>{true, true} << 1;
    QTest::newRow("only the first answers") << QList<bool>{true, false} << 0;
    QTest::newRow("none answers: the first") << QList<bool>{false, false} << 0;
    QTest::newRow("three, middle answers") << QList<bool>{false, true, false} << 1;
}

void TestSettingsDialog::preselectsTheLastDriveThatAnswers() {
    QFETCH(QList<bool>, answers);
    QFETCH(int, preselected);
    TTempSettings store;
    TFakeDrives drives;
    for (int i = 0; i < answers.size(); ++i)
        drives.Drives.push_back({QStringLiteral("/dev/sd%1").arg(QChar('e' + i)), answers[i]});
    TBrelkExplorerSettings settings; // still empty, as at program start
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &drives);
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    QCOMPARE(list->count(), answers.size());
    QCOMPARE(list->currentIndex(), preselected);
    QCOMPARE(dialog.PreselectedDrive(), drives.Drives[preselected].Path);

    // The store's default drive is the pre-selected one.
    settings.ReadSettingsFromRegistry(dialog.PreselectedDrive());
    QCOMPARE(store.RawValue("MMCDrive"), drives.Drives[preselected].Path);
}

void TestSettingsDialog::showingSelectsTheStoredDrive_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("selected");
    QTest::newRow("stored E") << "/dev/sde"
                              << "/dev/sde";
    QTest::newRow("stored F") << "/dev/sdf"
                              << "/dev/sdf";
    QTest::newRow("upper case matches nothing") << "/DEV/SDE"
                                                << "/dev/sdf";
    QTest::newRow("absent device matches nothing") << "/dev/sdq"
                                                   << "/dev/sdf";
}

void TestSettingsDialog::showingSelectsTheStoredDrive() {
    QFETCH(QString, stored);
    QFETCH(QString, selected);
    TTempSettings store;
    TBrelkExplorerSettings settings;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    settings.ReadSettingsFromRegistry(dialog.PreselectedDrive());
    settings.MMCDrive = stored;
    dialog.show();
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    QCOMPARE(Entries(list), QStringList({"/dev/sde", "/dev/sdf"}));
    QCOMPARE(list->currentText(), selected);
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(settings.MMCDrive, selected);
}

void TestSettingsDialog::storedImageFileIsOffered() {
    TTempSettings store;
    const QString image = store.Folder() + QStringLiteral("/card.img");
    MakeFile(image);
    TBrelkExplorerSettings settings;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    settings.ReadSettingsFromRegistry(dialog.PreselectedDrive());
    settings.MMCDrive = image;
    dialog.show();
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    QCOMPARE(Entries(list), QStringList({"/dev/sde", "/dev/sdf", image}));
    QCOMPARE(list->currentText(), image);
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(settings.MMCDrive, image);
    QCOMPARE(store.RawValue("MMCDrive"), image);

    // Back to a device: the next showing offers the image no more.
    settings.MMCDrive = QStringLiteral("/dev/sde");
    dialog.show();
    QCOMPARE(Entries(list), QStringList({"/dev/sde", "/dev/sdf"}));
    QCOMPARE(list->currentText(), QStringLiteral("/dev/sde"));
}

void TestSettingsDialog::emptyDriveListKeepsTheStoredDrive() {
    TTempSettings store;
    const TFakeDrives none;
    TBrelkExplorerSettings settings;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &none);
    QVERIFY(dialog.PreselectedDrive().isEmpty());
    QCOMPARE(Named<QComboBox>(&dialog, "cmboDrives")->currentIndex(), -1);
    settings.ReadSettingsFromRegistry(dialog.PreselectedDrive());
    QVERIFY(settings.MMCDrive.isEmpty());
    settings.MMCDrive = QStringLiteral("/dev/gone");
    dialog.show();
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(settings.MMCDrive, QStringLiteral("/dev/gone"));
}

void TestSettingsDialog::loadsEverySetting() {
    TTempSettings store;
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    settings.MMCSafetyZone = 0x4000;
    settings.CacheSize = 1024 * 1024;
    settings.ReuseDeletedSpace = false;
    settings.UseDeletedObjects = true;
    settings.RewriteObjectHeader = true;
    settings.ViewerMaxNodebreaks = 3;
    settings.ViewerAutoviewObjectDetails = false;
    settings.ViewerShowNumbersInHex = false;
    settings.HexviewerBytesTotal = 512;
    settings.HexviewerBytesPerRow = 16;
    settings.EmulatorPath = QStringLiteral("/opt/b2/b2");
    settings.EmulatorCLO = QStringLiteral("-0 $img$");
    settings.ImportGuessDistributor = true;
    settings.ImportOverwriteExisting = false;
    settings.ImportAskBeforeOverwrite = true;
    settings.RestorePreFormat = true;
    settings.CheckForUpdates = true;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    auto* pages = Named<QTabWidget>(&dialog, "pgctrlSettings");
    pages->setCurrentIndex(3);
    dialog.show();
    QCOMPARE(pages->currentIndex(), 0);
    QCOMPARE(Named<QComboBox>(&dialog, "cmboDrives")->currentText(), QStringLiteral("/dev/sde"));
    QCOMPARE(Named<QComboBox>(&dialog, "cmboMMCSafetyZone")->currentText(),
             QStringLiteral("$4000"));
    QVERIFY(!Named<QComboBox>(&dialog, "cmboMMCSafetyZone")->isEnabled());
    QCOMPARE(Named<QComboBox>(&dialog, "cmboMMCCacheSize")->currentText(), QStringLiteral("1024"));
    QVERIFY(!Named<QCheckBox>(&dialog, "chkbxReuseDeletedSpace")->isChecked());
    QVERIFY(Named<QCheckBox>(&dialog, "chkbxUseDeletedItems")->isChecked());
    QVERIFY(Named<QCheckBox>(&dialog, "chkbxRewriteObjectHeader")->isChecked());
    QVERIFY(Named<QCheckBox>(&dialog, "chkbxRewriteObjectHeader")->isEnabled());
    QCOMPARE(Named<QSpinBox>(&dialog, "updnNodeDepth")->value(), 3);
    QCOMPARE(Named<QLineEdit>(&dialog, "edtNodebreaksMax")->text(), QStringLiteral("3"));
    QVERIFY(!Named<QCheckBox>(&dialog, "chkbxAutoviewObjectDetails")->isChecked());
    QVERIFY(!Named<QCheckBox>(&dialog, "chkbxShowNumbersInHex")->isChecked());
    QCOMPARE(Named<QSpinBox>(&dialog, "updnHexBytesTotal")->value(), 512);
    QCOMPARE(Named<QSpinBox>(&dialog, "updnHexBytesperrow")->value(), 16);
    QCOMPARE(Named<QLineEdit>(&dialog, "edtEmulatorPath")->text(), QStringLiteral("/opt/b2/b2"));
    QCOMPARE(Named<QLineEdit>(&dialog, "edtEmulatorCLO")->text(), QStringLiteral("-0 $img$"));
    QVERIFY(Named<QCheckBox>(&dialog, "chkbxGuessDistributor")->isChecked());
    QVERIFY(!Named<QCheckBox>(&dialog, "chkbxImportOverwrite")->isChecked());
    QVERIFY(Named<QCheckBox>(&dialog, "chkbxAskBeforeOverwrite")->isChecked());
    QVERIFY(!Named<QCheckBox>(&dialog, "chkbxAskBeforeOverwrite")->isEnabled());
    QVERIFY(Named<QCheckBox>(&dialog, "chkbxRestorePreFormat")->isChecked());
    QVERIFY(Named<QCheckBox>(&dialog, "chkbxCheckForUpdates")->isChecked());
}

void TestSettingsDialog::okStoresEveryControl() {
    TTempSettings store;
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    dialog.show();
    Named<QComboBox>(&dialog, "cmboDrives")->setCurrentIndex(1);
    Named<QComboBox>(&dialog, "cmboMMCCacheSize")->setCurrentText(QStringLiteral("64"));
    for (const char* name :
         {"chkbxReuseDeletedSpace", "chkbxAutoviewObjectDetails", "chkbxShowNumbersInHex",
          "chkbxGuessDistributor", "chkbxImportOverwrite", "chkbxAskBeforeOverwrite",
          "chkbxRestorePreFormat", "chkbxCheckForUpdates", "chkbxRewriteObjectHeader"})
        Named<QCheckBox>(&dialog, name)->click();
    Named<QSpinBox>(&dialog, "updnNodeDepth")->setValue(10);
    Named<QSpinBox>(&dialog, "updnHexBytesTotal")->setValue(2048);
    Named<QSpinBox>(&dialog, "updnHexBytesperrow")->setValue(32);
    Named<QLineEdit>(&dialog, "edtEmulatorPath")->setText(QStringLiteral("/usr/games/beebem"));
    Named<QLineEdit>(&dialog, "edtEmulatorCLO")->setText(QStringLiteral("$img$ -fast"));
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());

    QCOMPARE(settings.MMCDrive, QStringLiteral("/dev/sdf"));
    QCOMPARE(settings.CacheSize, 65536u);
    QVERIFY(!settings.ReuseDeletedSpace);
    QVERIFY(settings.RewriteObjectHeader);
    QVERIFY(!settings.ViewerAutoviewObjectDetails && !settings.ViewerShowNumbersInHex);
    QCOMPARE(settings.ViewerMaxNodebreaks, 10);
    QCOMPARE(settings.HexviewerBytesTotal, 2048);
    QCOMPARE(settings.HexviewerBytesPerRow, 32);
    QCOMPARE(settings.EmulatorPath, QStringLiteral("/usr/games/beebem"));
    QCOMPARE(settings.EmulatorCLO, QStringLiteral("$img$ -fast"));
    QVERIFY(settings.ImportGuessDistributor && settings.ImportOverwriteExisting);
    QVERIFY(settings.ImportAskBeforeOverwrite && settings.RestorePreFormat);
    QVERIFY(settings.CheckForUpdates);

    // OK wrote the store at once.
    TBrelkExplorerSettings reread;
    reread.ReadSettingsFromRegistry(QString());
    QCOMPARE(reread.MMCDrive, QStringLiteral("/dev/sdf"));
    QCOMPARE(reread.CacheSize, 65536u);
    QCOMPARE(reread.EmulatorCLO, QStringLiteral("$img$ -fast"));
    QVERIFY(reread.CheckForUpdates && reread.RewriteObjectHeader);
    QCOMPARE(reread.HexviewerBytesTotal, 2048);
}

void TestSettingsDialog::cacheSizeAndSafetyZone_data() {
    QTest::addColumn<uint>("zone");
    QTest::addColumn<uint>("cache");
    QTest::addColumn<QString>("zoneShown");
    QTest::addColumn<QString>("cacheShown");
    QTest::addColumn<QString>("cacheChosen");
    QTest::addColumn<uint>("zoneStored");
    QTest::addColumn<uint>("cacheStored");
    QTest::newRow("defaults, 8192 KB chosen") << 8192u << 262144u << "$2000"
                                              << "256"
                                              << "8192" << 8192u << 8388608u;
    QTest::newRow("zone 0, 16 KB") << 0u << 16384u << "$0000"
                                   << "16"
                                   << "" << 0u << 16384u;
    QTest::newRow("zone $8000") << 0x8000u << 262144u << "$8000"
                                << "256"
                                << "" << 0x8000u << 262144u;
    QTest::newRow("unlisted values are replaced") << 0x3000u << 300u * 1024 << "$2000"
                                                  << "256"
                                                  << "" << 8192u << 262144u;
}

void TestSettingsDialog::cacheSizeAndSafetyZone() {
    QFETCH(uint, zone);
    QFETCH(uint, cache);
    QFETCH(QString, zoneShown);
    QFETCH(QString, cacheShown);
    QFETCH(QString, cacheChosen);
    QFETCH(uint, zoneStored);
    QFETCH(uint, cacheStored);
    TTempSettings store;
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    settings.MMCSafetyZone = zone;
    settings.CacheSize = cache;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    dialog.show();
    auto* cacheList = Named<QComboBox>(&dialog, "cmboMMCCacheSize");
    QCOMPARE(Named<QComboBox>(&dialog, "cmboMMCSafetyZone")->currentText(), zoneShown);
    QCOMPARE(cacheList->currentText(), cacheShown);
    if (!cacheChosen.isEmpty())
        cacheList->setCurrentText(cacheChosen);
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(settings.MMCSafetyZone, zoneStored);
    QCOMPARE(settings.CacheSize, cacheStored);
    QCOMPARE(store.RawValue("CacheSize"), QString::number(cacheStored));
}

void TestSettingsDialog::dependentBoxesFollowTheirMasters() {
    TTempSettings store;
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    settings.UseDeletedObjects = true;
    settings.RewriteObjectHeader = true;
    settings.ImportOverwriteExisting = true;
    settings.ImportAskBeforeOverwrite = true;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    dialog.show();
    const QList<QPair<const char*, const char*>> pairs = {
        {"chkbxUseDeletedItems", "chkbxRewriteObjectHeader"},
        {"chkbxImportOverwrite", "chkbxAskBeforeOverwrite"}};
    for (const auto& [masterName, dependentName] : pairs) {
        auto* master = Named<QCheckBox>(&dialog, masterName);
        auto* dependent = Named<QCheckBox>(&dialog, dependentName);
        QVERIFY(dependent->isEnabled());
        QTest::mouseClick(master, Qt::LeftButton);
        QVERIFY(!master->isChecked());
        QVERIFY(!dependent->isEnabled());
        QVERIFY(dependent->isChecked()); // disabling keeps the check mark
        QTest::mouseClick(master, Qt::LeftButton);
        QVERIFY(dependent->isEnabled());
        QTest::mouseClick(master, Qt::LeftButton);
    }
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QVERIFY(!settings.UseDeletedObjects);
    QVERIFY(settings.RewriteObjectHeader); // a disabled box still gives its state
    QVERIFY(!settings.ImportOverwriteExisting);
    QVERIFY(settings.ImportAskBeforeOverwrite);
    QCOMPARE(store.RawValue("RewriteObjectHeader"), QStringLiteral("1"));

    // The next showing enables from the stored state.
    dialog.show();
    QVERIFY(!Named<QCheckBox>(&dialog, "chkbxRewriteObjectHeader")->isEnabled());
    QVERIFY(!Named<QCheckBox>(&dialog, "chkbxAskBeforeOverwrite")->isEnabled());
}

void TestSettingsDialog::upDownsKeepToTheirRanges() {
    TTempSettings store;
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    settings.ViewerMaxNodebreaks = 20;
    settings.HexviewerBytesPerRow = 2;
    settings.HexviewerBytesTotal = 4096;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    dialog.show();
    auto* depth = Named<QSpinBox>(&dialog, "updnNodeDepth");
    auto* perRow = Named<QSpinBox>(&dialog, "updnHexBytesperrow");
    auto* total = Named<QSpinBox>(&dialog, "updnHexBytesTotal");
    QCOMPARE(depth->value(), 10);
    QCOMPARE(perRow->value(), 4);
    QCOMPARE(total->value(), 2048);
    total->setValue(256);
    total->stepUp();
    QCOMPARE(total->value(), 512);
    perRow->stepUp();
    QCOMPARE(perRow->value(), 5);
    depth->setValue(0);
    depth->stepDown();
    QCOMPARE(depth->value(), 0);
    // Typing into the read-only edit changes nothing.
    auto* edit = Named<QLineEdit>(&dialog, "edtHexBytesperrow");
    QTest::keyClicks(edit, "9");
    QCOMPARE(perRow->value(), 5);
}

void TestSettingsDialog::cancelStoresNothing() {
    TTempSettings store;
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    const QByteArray before = store.ReadRaw();
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    dialog.show();
    Named<QComboBox>(&dialog, "cmboDrives")->setCurrentIndex(1);
    Named<QComboBox>(&dialog, "cmboMMCCacheSize")->setCurrentText(QStringLiteral("16"));
    Named<QCheckBox>(&dialog, "chkbxCheckForUpdates")->click();
    Named<QLineEdit>(&dialog, "edtEmulatorCLO")->setText(QStringLiteral("changed"));
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnCancel"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(settings.MMCDrive, QStringLiteral("/dev/sde"));
    QCOMPARE(settings.CacheSize, 262144u);
    QVERIFY(!settings.CheckForUpdates);
    QCOMPARE(settings.EmulatorCLO, QStringLiteral("$img$"));
    QCOMPARE(store.ReadRaw(), before);

    dialog.show();
    QCOMPARE(Named<QComboBox>(&dialog, "cmboDrives")->currentText(), QStringLiteral("/dev/sde"));
    QCOMPARE(Named<QComboBox>(&dialog, "cmboMMCCacheSize")->currentText(), QStringLiteral("256"));
    QVERIFY(!Named<QCheckBox>(&dialog, "chkbxCheckForUpdates")->isChecked());
    QCOMPARE(Named<QLineEdit>(&dialog, "edtEmulatorCLO")->text(), QStringLiteral("$img$"));
}

void TestSettingsDialog::enterPressesOkAndEscCancels() {
    TTempSettings store;
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    dialog.show();
    Named<QCheckBox>(&dialog, "chkbxCheckForUpdates")->click();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!settings.CheckForUpdates);

    dialog.show();
    Named<QCheckBox>(&dialog, "chkbxCheckForUpdates")->click();
    auto* clo = Named<QLineEdit>(&dialog, "edtEmulatorCLO");
    QTest::keyClick(clo, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(settings.CheckForUpdates);
    QCOMPARE(store.RawValue("CheckForUpdates"), QStringLiteral("1"));
}

void TestSettingsDialog::emulatorButton() {
    TTempSettings store;
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    settings.EmulatorPath = QStringLiteral("/opt/old/emu");
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    dialog.show();
    auto* path = Named<QLineEdit>(&dialog, "edtEmulatorPath");
    auto* button = Named<QPushButton>(&dialog, "spdbtnSelectEmulatorPath");

    prompter.QueueFile(QString()); // cancelled
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(path->text(), QStringLiteral("/opt/old/emu"));
    QCOMPARE(prompter.Last().Kind, TScriptedPrompter::TKind::OpenFile);
    QCOMPARE(prompter.Last().Text, QStringLiteral("Select emulator..."));
    QCOMPARE(
        prompter.Last().Filter,
        QStringLiteral("Executables (*.exe,*.com,*.bat)|*.exe;*.com;*.bat|All files (*.*)|*.*"));
    QCOMPARE(prompter.Last().Folder, QStringLiteral("/opt/old"));

    prompter.QueueFile(QStringLiteral("/usr/bin/b-em"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(path->text(), QStringLiteral("/usr/bin/b-em"));
    QVERIFY2(!prompter.Unexpected(), qPrintable(prompter.Describe()));
    QVERIFY(prompter.AllAnswersUsed());
    QVERIFY(prompter.Messages().isEmpty());
}

void TestSettingsDialog::imageFileButton() {
    TTempSettings store;
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    dialog.show();
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    auto* button = Named<QPushButton>(&dialog, "spdbtnSelectImageFile");

    prompter.QueueFile(QString());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(Entries(list), QStringList({"/dev/sde", "/dev/sdf"}));
    QCOMPARE(list->currentText(), QStringLiteral("/dev/sde"));
    QCOMPARE(prompter.Last().Text, QStringLiteral("Select card image file..."));

    const QString image = store.Folder() + QStringLiteral("/brelk.img");
    MakeFile(image);
    prompter.QueueFile(image);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(list->currentText(), image);
    // Picking it again does not list it twice.
    prompter.QueueFile(image);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(list->count(), 3);
    QCOMPARE(prompter.Last().Folder, store.Folder());
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(settings.MMCDrive, image);
    QCOMPARE(store.RawValue("MMCDrive"), image);
    QVERIFY2(!prompter.Unexpected(), qPrintable(prompter.Describe()));
}

// A fake /sys/block: removable devices and mmcblk cards are listed, sorted by name; a
// device node that exists answers the size query, a missing one does not.
void TestSettingsDialog::sysBlockLister() {
    QTemporaryDir root;
    const QString sys = root.filePath(QStringLiteral("sys/block"));
    const QString dev = root.filePath(QStringLiteral("dev"));
    QVERIFY(QDir().mkpath(dev));
    const QList<QPair<QString, QByteArray>> devices = {
        {"sda", "0\n"},          {"sdb", "1\n"},          {"sdc", "1\n"}, {"mmcblk0", "0\n"},
        {"mmcblk0boot0", "0\n"}, {"loop0", QByteArray()}, {"sr0", "1\n"}};
    for (const auto& [name, removable] : devices) {
        QVERIFY(QDir().mkpath(sys + QLatin1Char('/') + name));
        if (!removable.isEmpty()) {
            QFile flag(sys + QLatin1Char('/') + name + QStringLiteral("/removable"));
            QVERIFY(flag.open(QIODevice::WriteOnly));
            flag.write(removable);
        }
    }
    for (const char* node : {"sda", "sdb", "mmcblk0"})
        MakeFile(dev + QLatin1Char('/') + QLatin1String(node));

    const TSysBlockDriveLister lister(sys, dev);
    const std::vector<TCandidateDrive> drives = lister.RemovableDrives();
    QStringList paths;
    QList<bool> answers;
    for (const TCandidateDrive& drive : drives) {
        paths.append(drive.Path);
        answers.append(drive.Answers);
    }
    QCOMPARE(paths, QStringList({dev + "/mmcblk0", dev + "/sdb", dev + "/sdc", dev + "/sr0"}));
    QCOMPARE(answers, QList<bool>({true, true, false, false}));

    // In the dialog: the last one that answers is pre-selected.
    TTempSettings store;
    TBrelkExplorerSettings settings;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &lister);
    QCOMPARE(dialog.PreselectedDrive(), dev + QStringLiteral("/sdb"));
    QVERIFY(!TSysBlockDriveLister::SizeQueryAnswers(dev + QStringLiteral("/none")));
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
