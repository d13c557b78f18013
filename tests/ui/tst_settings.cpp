// The settings store: defaults, the write-back after reading, flags, unusable stored values,
// the window position and a store that cannot be opened.
#include "support/UiTestSupport.h"
#include "ui/settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList SettingNames = {"MMCDrive",
                                  "MMCSafetyZone",
                                  "CacheSize",
                                  "ReuseDeletedSpace",
                                  "UseDeletedObjects",
                                  "RewriteObjectHeader",
                                  "ViewerMaxNodebreaks",
                                  "ViewerAutoviewObjectDetails",
                                  "ViewerShowNumbersInHex",
                                  "HexviewerBytesTotal",
                                  "HexviewerBytesPerRow",
                                  "EmulatorPath",
                                  "EmulatorCLO",
                                  "ImportGuessDistributor",
                                  "ImportOverwriteExisting",
                                  "ImportAskBeforeOverwrite",
                                  "RestorePreFormat",
                                  "CheckForUpdates",
                                  "ExtractWithInfFiles"};

// Every field differs from its default.
QByteArray NonDefaultStore() {
    return "[General]\n"
           "MMCDrive=/home/me/card.img\nMMCSafetyZone=16384\nCacheSize=1048576\n"
           "ReuseDeletedSpace=0\nUseDeletedObjects=0\nRewriteObjectHeader=1\n"
           "ViewerMaxNodebreaks=7\nViewerAutoviewObjectDetails=0\nViewerShowNumbersInHex=0\n"
           "HexviewerBytesTotal=1024\nHexviewerBytesPerRow=16\nEmulatorPath=/usr/bin/beebem\n"
           "EmulatorCLO=-disc $img$\nImportGuessDistributor=1\nImportOverwriteExisting=1\n"
           "ImportAskBeforeOverwrite=1\nRestorePreFormat=1\nCheckForUpdates=1\n"
           "ExtractWithInfFiles=0\n";
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
  private slots:
    void constructionLeavesEverythingEmpty();
    void firstStartWritesEveryValueWithItsDefault();
    void storedValuesAreReadAndWrittenBackUnchanged();
    void flagOfFiveReadsTrueAndIsWrittenBackAsOne();
    void unusableStoredValueTakesItsDefault_data();
    void unusableStoredValueTakesItsDefault();
    void textWithCommasSurvivesTheStore();
    void windowPositionDefaultsWithoutWritingAnything();
    void windowPositionRoundTrip();
    void unusableWindowValueTakesItsDefault();
    void storeThatCannotBeOpenedChangesNothing();
    void storePathFollowsTheEnvironment();
    void storeIsTheUsersOwnWhereTheMachineFileCouldBeWritten();
};

void TestSettings::constructionLeavesEverythingEmpty() {
    const TBrelkExplorerSettings s;
    QVERIFY(s.MMCDrive.isEmpty());
    QCOMPARE(s.MMCSafetyZone, 0u);
    QCOMPARE(s.CacheSize, 0u);
    QVERIFY(!s.ReuseDeletedSpace && !s.UseDeletedObjects && !s.ViewerShowNumbersInHex);
    QVERIFY(s.EmulatorCLO.isEmpty());
}

void TestSettings::firstStartWritesEveryValueWithItsDefault() {
    TTempSettings store;
    TBrelkExplorerSettings s;
    s.ReadSettingsFromRegistry(QStringLiteral("/dev/sdf"));

    QCOMPARE(s.MMCDrive, QStringLiteral("/dev/sdf"));
    QCOMPARE(s.MMCSafetyZone, 8192u);
    QCOMPARE(s.CacheSize, 262144u);
    QVERIFY(s.ReuseDeletedSpace);
    QVERIFY(s.UseDeletedObjects);
    QVERIFY(!s.RewriteObjectHeader);
    QCOMPARE(s.ViewerMaxNodebreaks, 1);
    QVERIFY(s.ViewerAutoviewObjectDetails);
    QVERIFY(s.ViewerShowNumbersInHex);
    QCOMPARE(s.HexviewerBytesTotal, 256);
    QCOMPARE(s.HexviewerBytesPerRow, 8);
    QVERIFY(s.EmulatorPath.isEmpty());
    QCOMPARE(s.EmulatorCLO, QStringLiteral("$img$"));
    QVERIFY(!s.ImportGuessDistributor && !s.ImportOverwriteExisting);
    QVERIFY(!s.ImportAskBeforeOverwrite && !s.RestorePreFormat && !s.CheckForUpdates);
    QVERIFY(s.ExtractWithInfFiles);

    // All nineteen values exist now, and no window value does.
    QStringList keys = store.Keys();
    keys.sort();
    QStringList expected = SettingNames;
    expected.sort();
    QCOMPARE(keys, expected);
    const QList<QPair<QString, QString>> raw = {
        {"MMCDrive", "/dev/sdf"},         {"MMCSafetyZone", "8192"},
        {"CacheSize", "262144"},          {"ReuseDeletedSpace", "1"},
        {"UseDeletedObjects", "1"},       {"RewriteObjectHeader", "0"},
        {"ViewerMaxNodebreaks", "1"},     {"ViewerAutoviewObjectDetails", "1"},
        {"ViewerShowNumbersInHex", "1"},  {"HexviewerBytesTotal", "256"},
        {"HexviewerBytesPerRow", "8"},    {"EmulatorPath", ""},
        {"EmulatorCLO", "$img$"},         {"ImportGuessDistributor", "0"},
        {"ImportOverwriteExisting", "0"}, {"ImportAskBeforeOverwrite", "0"},
        {"RestorePreFormat", "0"},        {"CheckForUpdates", "0"},
        {"ExtractWithInfFiles", "1"}};
    for (const auto& [key, value] : raw)
        QCOMPARE(store.RawValue(key), value);
}

void TestSettings::storedValuesAreReadAndWrittenBackUnchanged() {
    TTempSettings store;
    store.WriteRaw(NonDefaultStore());
    TBrelkExplorerSettings s;
    s.ReadSettingsFromRegistry(QStringLiteral("/dev/sdf"));

    QCOMPARE(s.MMCDrive, QStringLiteral("/home/me/card.img"));
    QCOMPARE(s.MMCSafetyZone, 16384u);
    QCOMPARE(s.CacheSize, 1048576u);
    QVERIFY(!s.ReuseDeletedSpace && !s.UseDeletedObjects && s.RewriteObjectHeader);
    QCOMPARE(s.ViewerMaxNodebreaks, 7);
    QVERIFY(!s.ViewerAutoviewObjectDetails && !s.ViewerShowNumbersInHex);
    QCOMPARE(s.HexviewerBytesTotal, 1024);
    QCOMPARE(s.HexviewerBytesPerRow, 16);
    QCOMPARE(s.EmulatorPath, QStringLiteral("/usr/bin/beebem"));
    QCOMPARE(s.EmulatorCLO, QStringLiteral("-disc $img$"));
    QVERIFY(s.ImportGuessDistributor && s.ImportOverwriteExisting);
    QVERIFY(s.ImportAskBeforeOverwrite && s.RestorePreFormat && s.CheckForUpdates);
    QVERIFY(!s.ExtractWithInfFiles);

    // A second object reads what the first wrote back.
    TBrelkExplorerSettings again;
    again.ReadSettingsFromRegistry(QString());
    QCOMPARE(again.MMCDrive, s.MMCDrive);
    QCOMPARE(again.CacheSize, s.CacheSize);
    QCOMPARE(again.EmulatorCLO, s.EmulatorCLO);
    QCOMPARE(again.HexviewerBytesPerRow, s.HexviewerBytesPerRow);
}

void TestSettings::flagOfFiveReadsTrueAndIsWrittenBackAsOne() {
    TTempSettings store;
    store.WriteRaw("[General]\nCheckForUpdates=5\nRewriteObjectHeader=-2\nReuseDeletedSpace=0\n");
    TBrelkExplorerSettings s;
    s.ReadSettingsFromRegistry(QString());
    QVERIFY(s.CheckForUpdates);
    QVERIFY(s.RewriteObjectHeader);
    QVERIFY(!s.ReuseDeletedSpace);
    QCOMPARE(store.RawValue("CheckForUpdates"), QStringLiteral("1"));
    QCOMPARE(store.RawValue("RewriteObjectHeader"), QStringLiteral("1"));
    QCOMPARE(store.RawValue("ReuseDeletedSpace"), QStringLiteral("0"));
}

void TestSettings::unusableStoredValueTakesItsDefault_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("writtenBack");
    QTest::newRow("negative safety zone") << "MMCSafetyZone"
                                          << "-1"
                                          << "8192";
    QTest::newRow("safety zone above 32 bits") << "MMCSafetyZone"
                                               << "4294967296"
                                               << "8192";
    QTest::newRow("cache size not a number") << "CacheSize"
                                             << "lots"
                                             << "262144";
    QTest::newRow("cache size empty") << "CacheSize"
                                      << ""
                                      << "262144";
    QTest::newRow("node breaks above 255") << "ViewerMaxNodebreaks"
                                           << "256"
                                           << "1";
    QTest::newRow("hex total above 65535") << "HexviewerBytesTotal"
                                           << "65536"
                                           << "256";
    QTest::newRow("hex per row negative") << "HexviewerBytesPerRow"
                                          << "-3"
                                          << "8";
    QTest::newRow("flag as a word") << "UseDeletedObjects"
                                    << "false"
                                    << "1";
    QTest::newRow("flag as a fraction") << "CheckForUpdates"
                                        << "0.5"
                                        << "0";
}

// A stored value of the wrong type or range is not fatal: that value takes its default,
// reading goes on with the others, and the write-back repairs the store.
void TestSettings::unusableStoredValueTakesItsDefault() {
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, writtenBack);
    TTempSettings store;
    store.WriteRaw("[General]\n" + key.toUtf8() + "=" + stored.toUtf8() +
                   "\nEmulatorCLO=-x $img$\nRestorePreFormat=1\n");
    TBrelkExplorerSettings s;
    s.ReadSettingsFromRegistry(QString());
    QCOMPARE(store.RawValue(key), writtenBack);
    // The values after it were still read.
    QCOMPARE(s.EmulatorCLO, QStringLiteral("-x $img$"));
    QVERIFY(s.RestorePreFormat);
}

void TestSettings::textWithCommasSurvivesTheStore() {
    TTempSettings store;
    {
        TBrelkExplorerSettings s;
        s.ReadSettingsFromRegistry(QString());
        s.EmulatorCLO = QStringLiteral("-disc $img$, -fast \"x\"");
        s.EmulatorPath = QStringLiteral("@odd;name=with=signs");
        s.WriteSettingsToRegistry();
    }
    TBrelkExplorerSettings s;
    s.ReadSettingsFromRegistry(QString());
    QCOMPARE(s.EmulatorCLO, QStringLiteral("-disc $img$, -fast \"x\""));
    QCOMPARE(s.EmulatorPath, QStringLiteral("@odd;name=with=signs"));
}

void TestSettings::windowPositionDefaultsWithoutWritingAnything() {
    TTempSettings store;
    TBrelkExplorerSettings::TWindowPosition position{2, -1, -1, 1, 1, 1};
    TBrelkExplorerSettings::LoadWindowPosition(position);
    QCOMPARE(position.WindowState, 0);
    QCOMPARE(position.Left, 100);
    QCOMPARE(position.Top, 100);
    QCOMPARE(position.Width, 750);
    QCOMPARE(position.Height, 580);
    QCOMPARE(position.SplitterLeft, 260);
    QVERIFY(store.Keys().isEmpty());
}

void TestSettings::windowPositionRoundTrip() {
    TTempSettings store;
    TBrelkExplorerSettings::SaveWindowPosition({2, -8, 30, 1024, 700, 321});
    QCOMPARE(store.RawValue("PosWindowState"), QStringLiteral("2"));
    QCOMPARE(store.RawValue("PosWindowLeft"), QStringLiteral("-8"));
    QCOMPARE(store.RawValue("PosSplitterLeft"), QStringLiteral("321"));
    QCOMPARE(store.Keys().size(), 6);
    TBrelkExplorerSettings::TWindowPosition position;
    TBrelkExplorerSettings::LoadWindowPosition(position);
    QCOMPARE(position.WindowState, 2);
    QCOMPARE(position.Left, -8);
    QCOMPARE(position.Top, 30);
    QCOMPARE(position.Width, 1024);
    QCOMPARE(position.Height, 700);
    QCOMPARE(position.SplitterLeft, 321);
}

void TestSettings::unusableWindowValueTakesItsDefault() {
    TTempSettings store;
    store.WriteRaw("[General]\nPosWindowWidth=wide\nPosWindowHeight=99999999999\nPosWindowTop=7\n");
    TBrelkExplorerSettings::TWindowPosition position;
    TBrelkExplorerSettings::LoadWindowPosition(position);
    QCOMPARE(position.Width, 750);
    QCOMPARE(position.Height, 580);
    QCOMPARE(position.Top, 7);
}

void TestSettings::storeThatCannotBeOpenedChangesNothing() {
    TTempSettings store;
    // The store's folder would have to be a file that already exists.
    const QString blocker = store.Folder() + QStringLiteral("/blocker");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("BRELKEXPLORER_SETTINGS", QFile::encodeName(blocker + QStringLiteral("/s.ini")));

    TBrelkExplorerSettings s;
    s.ReadSettingsFromRegistry(QStringLiteral("/dev/sdf"));
    QVERIFY(s.MMCDrive.isEmpty());
    QCOMPARE(s.CacheSize, 0u);
    QVERIFY(!s.UseDeletedObjects);
    s.WriteSettingsToRegistry();
    TBrelkExplorerSettings::SaveWindowPosition({});
    TBrelkExplorerSettings::TWindowPosition position{1, 2, 3, 4, 5, 6};
    TBrelkExplorerSettings::LoadWindowPosition(position);
    QCOMPARE(position.Left, 2);
    QCOMPARE(position.SplitterLeft, 6);
    QCOMPARE(QFileInfo(blocker).size(), 0);
}

void TestSettings::storePathFollowsTheEnvironment() {
    TTempSettings store;
    QCOMPARE(TBrelkExplorerSettings::StorePath(), store.Path());
    qunsetenv("BRELKEXPLORER_SETTINGS");
    const QString machine =
        QSettings(QSettings::IniFormat, QSettings::SystemScope, "Halde", "BrelkExplorer")
            .fileName();
    const QString user =
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Halde", "BrelkExplorer").fileName();
    const QString path = TBrelkExplorerSettings::StorePath();
    QVERIFY2(path == machine || path == user, qPrintable(path));
    QVERIFY(path.endsWith(QStringLiteral("Halde/BrelkExplorer.ini")));
}

// As root the machine-wide file can be written; it must still not be chosen.
void TestSettings::storeIsTheUsersOwnWhereTheMachineFileCouldBeWritten() {
    QTemporaryDir machine;
    QTemporaryDir user;
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, machine.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, user.path());
    qunsetenv("BRELKEXPLORER_SETTINGS");
    QCOMPARE(TBrelkExplorerSettings::StorePath(), user.filePath("Halde/BrelkExplorer.ini"));
    TBrelkExplorerSettings settings;
    settings.MMCDrive = QStringLiteral("/dev/sdz");
    settings.WriteSettingsToRegistry();
    QVERIFY(QFile::exists(user.filePath("Halde/BrelkExplorer.ini")));
    QVERIFY(QDir(machine.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
