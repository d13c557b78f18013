// The settings dialog: captions, loading and storing every setting, the enabling rules, OK,
// Cancel and the keys, and the emulator button. The drive list: tst_settingsdrives.cpp.
#include "support/SettingsTestSupport.h"
#include "support/UiTestSupport.h"
#include "ui/aux/ScriptedPrompter.h"
#include "ui/settings/SettingsDialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

class TestSettingsDialog : public QObject {
    Q_OBJECT
  private slots:
    void captionsAndNames();
    void loadsEverySetting();
    void okStoresEveryControl();
    void cacheSizeAndSafetyZone_data();
    void cacheSizeAndSafetyZone();
    void dependentBoxesFollowTheirMasters();
    void upDownsKeepToTheirRanges();
    void cancelStoresNothing();
    void enterPressesOkAndEscCancels();
    void emulatorButton();
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

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
