// The program's command line: --help and --version print and end, --select and FILE... are
// read, a wrong option fails; "Open with" (files on the command line) opens the card and then
// the add-objects dialog with those files.
#include "support/AddDialogDriver.h"
#include "tst_main_fixture.h"

#include "ui/main/StartOptions.h"

#include <QPushButton>
#include <QTableWidget>

using namespace maintest;
using TAction = TStartOptions::TAction;

class TestStartOptions : public QObject {
    Q_OBJECT
  private slots:
    void parsing_data();
    void parsing();
    void helpNamesEveryOption();
    void printOnlyIgnoresQtOptions();
    void openWithOffersTheFilesOnTheOpenCard();
    void openWithWithoutACardSaysSo();
    void selectOpensOnTheObject();
    void cardOpensThatCardAndKeepsTheSettings();
};

void TestStartOptions::parsing_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("select");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("card");
    const QString version = QStringLiteral("brelkexplorer %1\n").arg(BRELK_FILE_VERSION);
    const QString cwd = QDir::currentPath();
    QTest::newRow("nothing") << QStringList{} << int(TAction::Run) << ""
                             << "" << QStringList{} << "";
    QTest::newRow("--version") << QStringList{"--version"} << int(TAction::Print) << version << ""
                               << QStringList{} << "";
    QTest::newRow("-v with files") << QStringList{"a.ssd", "-v"} << int(TAction::Print) << version
                                   << "" << QStringList{} << "";
    QTest::newRow("--select NAME")
        << QStringList{"--select", "GAMES.ELITE"} << int(TAction::Run) << ""
        << "GAMES.ELITE" << QStringList{} << "";
    QTest::newRow("--select=NAME and files")
        << QStringList{"--select=X", "/tmp/a.ssd", "b.uef"} << int(TAction::Run) << ""
        << "X" << QStringList{"/tmp/a.ssd", cwd + "/b.uef"} << "";
    QTest::newRow("a file after --") << QStringList{"--", "-odd.ssd"} << int(TAction::Run) << ""
                                     << "" << QStringList{cwd + "/-odd.ssd"} << "";
    QTest::newRow("unknown option")
        << QStringList{"--frobnicate"} << int(TAction::Fail)
        << "brelkexplorer: Unknown option 'frobnicate'.\nTry 'brelkexplorer --help' for more "
           "information.\n"
        << "" << QStringList{} << "";
    QTest::newRow("--select without NAME")
        << QStringList{"--select"} << int(TAction::Fail)
        << "brelkexplorer: Missing value after '--select'.\nTry 'brelkexplorer --help' for more "
           "information.\n"
        << "" << QStringList{} << "";
}

void TestStartOptions::parsing() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, text);
    QFETCH(QString, select);
    QFETCH(QStringList, files);
    QFETCH(QString, card);
    const TStartOptions options =
        ParseStartOptions(QStringList{QStringLiteral("/usr/bin/brelkexplorer")} + arguments);
    QCOMPARE(int(options.Action), action);
    QCOMPARE(options.Text, text);
    QCOMPARE(options.Select, select);
    QCOMPARE(options.Files, files);
    QCOMPARE(options.Card, card);
}

void TestStartOptions::helpNamesEveryOption() {
    for (const char* help : {"--help", "-h"}) {
        const TStartOptions options = ParseStartOptions({QStringLiteral("./x"), help});
        QCOMPARE(int(options.Action), int(TAction::Print));
        QVERIFY2(
            options.Text.startsWith(QStringLiteral("Usage: brelkexplorer [options] [FILE...]\n")),
            qPrintable(options.Text));
        for (const char* option :
             {"--help", "--version", "--card <IMAGE_OR_DEVICE>", "--select <NAME>", "FILE"})
            QVERIFY2(options.Text.contains(QLatin1String(option)), option);
    }
}

// Before the display opens, Qt's own options are neither errors nor files.
void TestStartOptions::printOnlyIgnoresQtOptions() {
    TStartOptions options;
    QVERIFY(!WantsPrintOnly({"brelkexplorer", "-platform", "offscreen", "-reverse"}, options));
    QVERIFY(WantsPrintOnly({"brelkexplorer", "-platform", "offscreen", "--version"}, options));
    QCOMPARE(int(options.Action), int(TAction::Print));
    QVERIFY(options.Text.startsWith(QStringLiteral("brelkexplorer ")));
}

void TestStartOptions::openWithOffersTheFilesOnTheOpenCard() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("FIRST")}));
    const QString disc = rig.Path(QStringLiteral("game.ssd"));
    const QString tool = rig.Path(QStringLiteral("hello.bin"));
    QVERIFY(MakeEmptyFile(disc, 2560));
    QVERIFY(MakeEmptyFile(tool, 100));
    const TStartOptions options = ParseStartOptions({QStringLiteral("brelkexplorer"), disc, tool});
    TfrmMain& main = rig.Open();
    QStringList listed;
    int rows = -1;
    bool cardOpenFirst = false;
    WhenDialogReady(main.AddObjectsDialog(), [&] {
        TfrmAddFile* dialog = main.AddObjectsDialog();
        cardOpenFirst = bool(FindNode(main, QStringLiteral("FIRST")));
        rows = Find<QTableWidget>(*dialog, "strnggrdFiles")->rowCount();
        for (const auto& object : main.Pending())
            listed << QString::fromStdString(object->FileName);
        Find<QPushButton>(*dialog, "btbtnOK")->click();
    });
    ApplyStartOptions(main, options);
    QVERIFY(listed.isEmpty()); // the dialog waits for the event loop
    QTRY_COMPARE(rows, 2);
    QVERIFY(cardOpenFirst);
    listed.sort();
    QCOMPARE(listed, QStringList({disc, tool}));
    QTRY_VERIFY(!main.AddObjectsDialog()->isVisible());
    QCOMPARE(main.Card()->Entries().size(), 3u);
    QVERIFY(rig.Prompter.Messages().isEmpty());
}

void TestStartOptions::openWithWithoutACardSaysSo() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}, false)); // not formatted
    const QString disc = rig.Path(QStringLiteral("game.ssd"));
    QVERIFY(MakeEmptyFile(disc, 2560));
    TfrmMain& main = rig.Open();
    ApplyStartOptions(main, ParseStartOptions({QStringLiteral("brelkexplorer"), disc}));
    QTRY_COMPARE(rig.Prompter.Messages().size(), 1);
    QCOMPARE(rig.Prompter.Messages().first(),
             QStringLiteral("No Brelk-formatted card - you cannot drop files.\r\rPlease format "
                            "the MMC-card first (Tools|Format MMC)."));
    QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    QVERIFY(!main.AddObjectsDialog()->isVisible());
}

void TestStartOptions::selectOpensOnTheObject() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("FIRST"), Disc("GAMES.ELITE")}));
    TfrmMain& main = rig.Open();
    ApplyStartOptions(main, ParseStartOptions({"brelkexplorer", "--select", "games.elite"}));
    QVERIFY(Find<TObjectTreeWidget>(main, "treevwObjects")->currentItem());
    QCOMPARE(Find<TObjectTreeWidget>(main, "treevwObjects")->currentItem()->text(0),
             QStringLiteral("ELITE"));
}

// The card of --card is open, through a reload too, while the stored drive stays the one
// the settings name.
void TestStartOptions::cardOpensThatCardAndKeepsTheSettings() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("FIRST")}));
    const QString other = rig.Path(QStringLiteral("other.img"));
    QVERIFY(MakeCard(other, k8M, {Tool("OTHER")}));
    rig.Main = std::make_unique<TfrmMain>(rig.Prompter, rig.ProgramFolder);
    ApplyCardOption(*rig.Main, ParseStartOptions({"brelkexplorer", "--card", other}));
    TfrmMain& main = *rig.Main;
    main.FormShow();
    QVERIFY(FindNode(main, QStringLiteral("OTHER")) && !FindNode(main, QStringLiteral("FIRST")));
    QCOMPARE(QString::fromStdString(main.Card()->DevicePath()), other);
    QCOMPARE(rig.StoredValue(QStringLiteral("MMCDrive")).toString(), rig.CardPath());
    main.actnReloadDriveExecute();
    QVERIFY(FindNode(main, QStringLiteral("OTHER")));
    main.UserSettings().WriteSettingsToRegistry(); // as the settings dialog's OK does
    QCOMPARE(rig.StoredValue(QStringLiteral("MMCDrive")).toString(), rig.CardPath());
    QVERIFY(rig.Prompter.Messages().isEmpty());
}

QTEST_MAIN(TestStartOptions)
#include "tst_startoptions.moc"
