// The main window's life: first start, window position, closing versus File, Exit, pending
// card data at the end, reload, the menus and the guard against commands during long work.
#include "tst_main_fixture.h"

#include "ui/aux/AboutSplash.h"
#include "ui/main/MainWidgets.h"
#include "ui/settings/SettingsDialog.h"

#include "ui/aux/ShellOpener.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>

#include <csignal>

using namespace maintest;

namespace {

// Adds an object through the window's card object: the data stays in the cache.
void AddPendingObject(TfrmMain& main, const std::string& name) {
    QVERIFY(AddObjects(*main.Card(), {{brelk::kTypeTool, 0, name, 1024}}));
    QVERIFY(main.Card()->HasUnsavedData());
}

QStringList MenuCaptions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* a : menu->actions())
        captions << (a->isSeparator() ? QString("-") : a->text());
    return captions;
}

// The window shown on a card holding OLD, with NEW added but not yet written.
bool OpenWithNewPending(TMainRig& rig) {
    if (!rig.UseCard(k8M, {{brelk::kTypeTool, 0, "OLD", 512}}))
        return false;
    rig.Open().show();
    return AddObjects(*rig.Main->Card(), {{brelk::kTypeTool, 0, "NEW", 1024}}) &&
           rig.Main->Card()->HasUnsavedData();
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
  private slots:
    void interruptedChangeIsUndoneWhenOpened();
    void firstStartWithEmptyStore();
    void closingStoresPositionAndRestoresIt();
    void maximisedWindowStoresItsNormalPlace();
    void exitEndsLoopWithoutStoringPosition();
    void pendingDataWrittenAtEnd_data();
    void pendingDataWrittenAtEnd();
    void reloadShowsNewCardAndWritesPending();
    void reloadDisabledWhilePending();
    void menusAndCaptions();
    void actionsWithoutWorkStayDisabled();
    void controlsFoundByMemberName();
    void splashMayCloseAfterShow();
    void positionOffAllScreensFallsBack();
    void commandsRefusedDuringLongOperation();
    void cardLockedFromOpeningUntilExit();
    void cardChangedBehindItsBackIsNotWrittenOver();
    void quitSignalsWriteAndEnd_data();
    void quitSignalsWriteAndEnd();
    void failedCommitAsks_data();
    void failedCommitAsks();
};

void TestMainWindow::firstStartWithEmptyStore() {
    TMainRig rig;
    QVERIFY(!QFile::exists(rig.SettingsPath()));
    TFakeDrives drives(rig.Path("reader.img"));
    TfrmMain main(rig.Prompter, rig.ProgramFolder);
    TfrmSettings settings(main.UserSettings(), rig.Prompter, &main, &drives);
    TfrmWait wait;
    main.AttachWindows(&settings, &wait, nullptr);
    QCOMPARE(main.pos(), QPoint(100, 100));
    QCOMPARE(main.size(), QSize(750, 580));
    QCOMPARE(main.windowTitle(), QString("BrelkExplorer"));
    QVERIFY(main.acceptDrops());
    main.show();
    QVERIFY(main.HasBeenShown());
    QCOMPARE(Find<QSplitter>(main, "spltrMainformLeftRight")->sizes().first(), 260);
    QCOMPARE(Find<TObjectTreeWidget>(main, "treevwObjects")->width(), 260);
    QCOMPARE(main.UserSettings().MMCDrive, drives.Path);
    QCOMPARE(main.UserSettings().CacheSize, 262144u);
    // The settings were written straight back; the window position was not.
    QCOMPARE(rig.StoredValue("MMCDrive").toString(), drives.Path);
    QCOMPARE(rig.StoredValue("MMCSafetyZone").toInt(), 8192);
    QCOMPARE(rig.StoredValue("EmulatorCLO").toString(), QString("$img$"));
    QVERIFY(!rig.StoreHas("PosWindowLeft"));
    // No card behind the preselected drive: the tree says so and the error was shown.
    QCOMPARE(main.RootNode()->Text(), drives.Path + ": (no MMC present)");
    QCOMPARE(rig.Prompter.Messages(), QStringList{"Error - Could not open device '" + drives.Path +
                                                  ":' (No such file or directory)"});
    QVERIFY(Find<QStatusBar>(main, "stsbrMain")->currentMessage().isEmpty());
    QCOMPARE(main.UsageZoomLevel(), 0);
    main.hide();
}

void TestMainWindow::closingStoresPositionAndRestoresIt() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    {
        TfrmMain& main = rig.Open();
        main.show();
        main.move(140, 120);
        main.resize(800, 600);
        Find<QSplitter>(main, "spltrMainformLeftRight")->setSizes({300, 500});
        QSignalSpy closed(&main, &TfrmMain::FormClosed);
        QVERIFY(main.close());
        QCOMPARE(closed.count(), 1);
        QVERIFY(!main.acceptDrops());
        rig.Main.reset();
    }
    QCOMPARE(rig.StoredValue("PosWindowWidth").toInt(), 800);
    QCOMPARE(rig.StoredValue("PosWindowHeight").toInt(), 600);
    QCOMPARE(rig.StoredValue("PosSplitterLeft").toInt(), 300);
    QCOMPARE(rig.StoredValue("PosWindowState").toInt(), 0);
    const QPoint stored(rig.StoredValue("PosWindowLeft").toInt(),
                        rig.StoredValue("PosWindowTop").toInt());
    TfrmMain& again = rig.Open();
    QCOMPARE(again.size(), QSize(800, 600));
    QCOMPARE(again.pos(), stored);
    again.show();
    QCOMPARE(Find<TObjectTreeWidget>(again, "treevwObjects")->width(), 300);
}

void TestMainWindow::maximisedWindowStoresItsNormalPlace() {
    TMainRig rig;
    rig.SetSetting("PosWindowState", 2);
    rig.SetSetting("PosWindowWidth", 700);
    rig.SetSetting("PosWindowHeight", 500);
    TfrmMain& main = rig.Open();
    QVERIFY(main.windowState() & Qt::WindowMaximized);
    main.show();
    QVERIFY(main.close());
    QCOMPARE(rig.StoredValue("PosWindowState").toInt(), 2);
    QCOMPARE(rig.StoredValue("PosWindowWidth").toInt(), 700);
    QCOMPARE(rig.StoredValue("PosWindowHeight").toInt(), 500);
}

void TestMainWindow::exitEndsLoopWithoutStoringPosition() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    TfrmMain& main = rig.Open();
    main.show();
    AddPendingObject(main, "KEPT");
    QVERIFY(Find<QAction>(main, "mnuFileExit")->isEnabled());
    QTimer::singleShot(0, Find<QAction>(main, "mnuFileExit"), &QAction::trigger);
    QTimer::singleShot(5000, [] { QCoreApplication::exit(7); }); // only if Exit failed
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(main.isVisible()); // the close handling did not run
    rig.Main.reset();
    QVERIFY(!rig.StoreHas("PosWindowLeft"));
    QCOMPARE(CardNames(rig.CardPath()), QStringList{"KEPT"});
}

void TestMainWindow::pendingDataWrittenAtEnd_data() {
    QTest::addColumn<bool>("closeFirst");
    QTest::newRow("closed by the user") << true;
    QTest::newRow("destroyed without closing") << false;
}

void TestMainWindow::pendingDataWrittenAtEnd() {
    QFETCH(bool, closeFirst);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {{brelk::kTypeTool, 0, "OLD", 512}}));
    TfrmMain& main = rig.Open();
    AddPendingObject(main, "NEW");
    QCOMPARE(CardNames(rig.CardPath()), QStringList{"OLD"}); // still only in the cache
    if (closeFirst) {
        main.show();
        QVERIFY(main.close());
    }
    rig.Main.reset();
    QCOMPARE(CardNames(rig.CardPath()), (QStringList{"NEW", "OLD"}));
    QCOMPARE(rig.StoreHas("PosWindowLeft"), closeFirst);
}

void TestMainWindow::reloadShowsNewCardAndWritesPending() {
    TMainRig rig;
    rig.SetSetting("MMCDrive", rig.CardPath());
    TfrmMain& main = rig.Open();
    QCOMPARE(main.RootNode()->Text(), rig.CardPath() + ": (no MMC present)");
    QVERIFY(Find<QAction>(main, "actnReloadDrive")->isEnabled());
    // The card is inserted: reload reads it.
    QVERIFY(MakeCard(rig.CardPath(), k8M, {{brelk::kTypeTool, 0, "TOOL", 512}}));
    Find<QAction>(main, "actnReloadDrive")->trigger();
    QCOMPARE(Dump(main.RootNode()),
             rig.CardPath() + ": (Brelk){Deleted objects,Filingsystems,Tools{TOOL},Discs/tapes}");
    // The card that came in has objects: the rule wants the backup, which has its work.
    QVERIFY(main.ActionWanted(Find<QAction>(main, "actnBackupBrelk")));
    QVERIFY(Find<QAction>(main, "actnBackupBrelk")->isEnabled());
    QVERIFY(Find<QStatusBar>(main, "stsbrMain")->currentMessage().isEmpty());
    // The card object that a reload replaces writes what it still held.
    AddPendingObject(main, "WRITTEN");
    main.actnReloadDriveExecute();
    QCOMPARE(CardNames(rig.CardPath()), (QStringList{"TOOL", "WRITTEN"}));
    QVERIFY(!main.Card()->HasUnsavedData());
    QCOMPARE(main.RootNode()->Child(2)->childCount(), 2);
}

void TestMainWindow::reloadDisabledWhilePending() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    TfrmMain& main = rig.Open();
    AddPendingObject(main, "PENDING");
    main.UpdateTopbarInfo();
    QVERIFY(!Find<QAction>(main, "actnReloadDrive")->isEnabled());
    brelk::TBrelk* card = main.Card();
    Find<QAction>(main, "actnReloadDrive")->trigger();
    QCOMPARE(main.Card(), card); // refused
    main.pnlCacheStatusClick();
    QVERIFY(Find<QAction>(main, "actnReloadDrive")->isEnabled());
}

void TestMainWindow::menusAndCaptions() {
    TMainRig rig;
    TfrmMain& main = rig.Open();
    QMenuBar* bar = main.menuBar();
    QCOMPARE(bar->objectName(), QString("mnuMainMenu"));
    QStringList titles;
    for (QAction* a : bar->actions())
        titles << a->text();
    QCOMPARE(titles, (QStringList{"&File", "&Tools", "&Help"}));
    QCOMPARE(MenuCaptions(bar->actions().at(0)->menu()),
             (QStringList{"&Reload MMC", "-", "E&xit"}));
    QCOMPARE(MenuCaptions(bar->actions().at(1)->menu()),
             (QStringList{"&Backup Brelk...", "&Restore Brelk...", "Re&move Deleted objects",
                          "&Format MMC", "&Check card...", "F&ind files...", "-", "&Settings..."}));
    QCOMPARE(MenuCaptions(bar->actions().at(2)->menu()),
             (QStringList{"Check for &Updates...", "-", "&About"}));
    QCOMPARE(MenuCaptions(Find<QMenu>(main, "mnuPopup")),
             (QStringList{"&Add Object(s)...", "&Save object...", "&Delete object(s)...", "-",
                          "Re&move Deleted objects", "&Format MMC", "-", "S&quash Disc",
                          "E&xpand disc", "-", "Open in &Emulator", "-", "Refresh &Tree"}));
    QCOMPARE(Find<QGroupBox>(main, "grpbxMMCInfo")->title(),
             QString(" MMC-Usage")); // no catalogue: unchanged
    QCOMPARE(Find<QGroupBox>(main, "grpbxObjectinfo")->title(), QString("Object - info"));
    QCOMPARE(Find<TClickPanel>(main, "pnlCacheStatus")->text(), QString("CACHE"));
    for (const char* name :
         {"lblObjectType", "lblObjectFullname", "lblObjectSize", "lblObjectMMCPosition",
          "tbctrlObjectDetails", "memoObjectDetails", "treevwObjects", "spltrMainformLeftRight",
          "stsbrMain", "pnlMMCBlockUsage", "imgMMCBlockUsage", "pnlCacheStatus"})
        QVERIFY2(main.findChild<QWidget*>(name), name);
    const QFontMetrics metrics(Find<QPlainTextEdit>(main, "memoObjectDetails")->font());
    QCOMPARE(metrics.horizontalAdvance('i'), metrics.horizontalAdvance('W'));
    QVERIFY(Find<QPlainTextEdit>(main, "memoObjectDetails")->isReadOnly());
    QVERIFY(Find<TObjectTreeWidget>(main, "treevwObjects")->minimumWidth() >= 120);
    QVERIFY(Find<QGroupBox>(main, "grpbxObjectinfo")->minimumWidth() >= 396);
    QCOMPARE(main.minimumHeight(), 350);
}

void TestMainWindow::actionsWithoutWorkStayDisabled() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {{brelk::kTypeDeleted, 1, "GONE", 512}}));
    TfrmMain& main = rig.Open();
    // The rules want these; the actions that have no work yet stay disabled.
    QVERIFY(main.ActionWanted(Find<QAction>(main, "actnFormatMMC")));
    QVERIFY(main.ActionWanted(Find<QAction>(main, "actnBackupBrelk")));
    QVERIFY(main.ActionWanted(Find<QAction>(main, "actnRemoveDeletedObjects")));
    for (QAction* a :
         {Find<QAction>(main, "actnDeleteObjects"), Find<QAction>(main, "actnSquashDisc"),
          Find<QAction>(main, "actnExpandDisc"), Find<QAction>(main, "mnuHelpCheckUpdates"),
          Find<QAction>(main, "mnuPopupSaveObject"), Find<QAction>(main, "mnuPopupOpenInEmulator"),
          Find<QAction>(main, "mnuToolsSettings"), Find<QAction>(main, "mnuMainAbout")})
        QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    for (QAction* a :
         {Find<QAction>(main, "actnAddObjects"), Find<QAction>(main, "actnRefreshTree"),
          Find<QAction>(main, "actnReloadDrive"), Find<QAction>(main, "mnuFileExit"),
          Find<QAction>(main, "actnRemoveDeletedObjects"), Find<QAction>(main, "actnFormatMMC"),
          Find<QAction>(main, "mnuPopupFormatMMC"),
          Find<QAction>(main, "mnuPopupRemoveDeletedObjects"),
          Find<QAction>(main, "actnBackupBrelk")})
        QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    // Taking an action's work away disables it; giving it work enables it where the rules
    // allow.
    main.SetActionHandler(Find<QAction>(main, "actnFormatMMC"), nullptr);
    QVERIFY(!Find<QAction>(main, "actnFormatMMC")->isEnabled());
    QVERIFY(!Find<QAction>(main, "mnuPopupFormatMMC")->isEnabled());
    int formats = 0;
    main.SetActionHandler(Find<QAction>(main, "actnFormatMMC"), [&] { ++formats; });
    QVERIFY(Find<QAction>(main, "actnFormatMMC")->isEnabled());
    QVERIFY(Find<QAction>(main, "mnuPopupFormatMMC")->isEnabled());
    Find<QAction>(main, "mnuPopupFormatMMC")->trigger();
    QCOMPARE(formats, 1);
}

// Every control and action that the tests look up carries the name of its member and the
// lookup reaches the window's own one, not the add-objects dialog's control of that name.
void TestMainWindow::controlsFoundByMemberName() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    TfrmMain& main = rig.Open();
    QVERIFY(main.AddObjectsDialog()); // a child of the window with its own "mnuPopup"
    const std::pair<const char*, const char*> controls[] = {
        {"mnuPopup", "QMenu"},
        {"stsbrMain", "QStatusBar"},
        {"grpbxMMCInfo", "QGroupBox"},
        {"pnlMMCBlockUsage", "QFrame"},
        {"imgMMCBlockUsage", "TUsageImage"},
        {"pnlCacheStatus", "TClickPanel"},
        {"treevwObjects", "TObjectTreeWidget"},
        {"spltrMainformLeftRight", "QSplitter"},
        {"grpbxObjectinfo", "QGroupBox"},
        {"lblObjectType", "QLabel"},
        {"lblObjectFullname", "QLabel"},
        {"lblObjectSize", "QLabel"},
        {"lblObjectMMCPosition", "QLabel"},
        {"tbctrlObjectDetails", "QTabBar"},
        {"memoObjectDetails", "QPlainTextEdit"},
        {"lvObjectFiles", "QTreeWidget"},
        {"chkDetailsText", "QCheckBox"},
    };
    for (const auto& [name, type] : controls) {
        const QObject* found = main.findChild<QObject*>(QLatin1String(name));
        QVERIFY2(found && found->inherits(type), name);
        for (const QObject* up = found->parent(); up != &main; up = up->parent())
            QVERIFY2(!qobject_cast<const QDialog*>(up), name);
    }
    QCOMPARE(main.Actions().size(), 18);
    for (const QAction* action : main.Actions()) {
        const QString name = action->objectName();
        QVERIFY(name.startsWith("actn") || name.startsWith("mnu"));
        QCOMPARE(main.findChild<QAction*>(name), action);
    }
    for (const char* proxy : {"mnuPopupRemoveDeletedObjects", "mnuPopupFormatMMC"})
        QCOMPARE(main.findChild<QAction*>(QLatin1String(proxy))->parent(), &main);
}

// The splash stays up during start-up, makes way for a device error, and may close after it.
void TestMainWindow::splashMayCloseAfterShow() {
    TMainRig rig;
    rig.SetSetting("MMCDrive", rig.Path("missing.img"));
    TRecordingShellOpener shell;
    TfrmSplash splash(&shell);
    splash.show();
    TfrmMain main(rig.Prompter, rig.ProgramFolder);
    TfrmWait wait;
    main.AttachWindows(nullptr, &wait, &splash);
    QVERIFY(!splash.MayClose);
    QVERIFY(Find<QAction>(main, "mnuMainAbout")->isEnabled());
    main.FormShow();
    QVERIFY(splash.MayClose);
    QVERIFY(!splash.isVisible());
    QCOMPARE(rig.Prompter.Messages().size(), 1);
}

void TestMainWindow::positionOffAllScreensFallsBack() {
    TMainRig rig;
    rig.SetSetting("PosWindowLeft", -30000);
    rig.SetSetting("PosWindowTop", 40000);
    rig.SetSetting("PosWindowWidth", 640);
    TfrmMain& main = rig.Open();
    QCOMPARE(main.pos(), QPoint(100, 100));
    QCOMPARE(main.width(), 640);
}

// While the tree is being built (the wait window processes events), the commands that change
// the card refuse to start and the window cannot be closed.
void TestMainWindow::commandsRefusedDuringLongOperation() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {{brelk::kTypeTool, 0, "A", 512}, {brelk::kTypeTool, 0, "B", 512}}));
    TfrmMain& main = rig.Open();
    main.show();
    rig.GiveAllActionsWork();
    main.UpdateTopbarInfo();
    QVERIFY(Find<QAction>(main, "actnReloadDrive")->isEnabled());
    bool ran = false;
    bool reloadEnabled = true, refreshEnabled = true, treeEnabled = true, closed = true;
    brelk::TBrelk* card = main.Card();
    QTimer::singleShot(0, &main, [&] {
        ran = true;
        reloadEnabled = Find<QAction>(main, "actnReloadDrive")->isEnabled();
        refreshEnabled = Find<QAction>(main, "actnRefreshTree")->isEnabled();
        treeEnabled = Find<TObjectTreeWidget>(main, "treevwObjects")->isEnabled();
        Find<QAction>(main, "actnReloadDrive")->trigger();
        Find<QAction>(main, "actnFormatMMC")->trigger();
        main.pnlCacheStatusClick();
        closed = main.close();
    });
    Find<QAction>(main, "actnRefreshTree")->trigger();
    QVERIFY(ran);
    QVERIFY(!reloadEnabled);
    QVERIFY(!refreshEnabled);
    QVERIFY(!treeEnabled);
    QVERIFY(!closed);
    QVERIFY(rig.Triggered.isEmpty());
    QCOMPARE(main.Card(), card);
    QVERIFY(main.isVisible());
    QVERIFY(Find<QAction>(main, "actnReloadDrive")->isEnabled());
    QVERIFY(Find<TObjectTreeWidget>(main, "treevwObjects")->isEnabled());
    QCOMPARE(main.RootNode()->Child(2)->childCount(), 2);
}

void TestMainWindow::cardLockedFromOpeningUntilExit() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {{brelk::kTypeTool, 0, "OLD", 512}}));
    rig.Open();
    // Another writer (brelk, a second window) and even a reader are refused at once.
    for (auto access : {brelk::TCardAccess::ReadWrite, brelk::TCardAccess::ReadOnly}) {
        TRecordingReporter reporter;
        brelk::TBrelk other(reporter);
        QVERIFY(!other.Initialize(65536, rig.CardPath().toStdString(), 8192, access));
        QCOMPARE(reporter.Errors, std::vector<std::string>{
                                      "Error - The Brelk-card '" + rig.CardPath().toStdString() +
                                      ":' is in use by another program (Resource temporarily "
                                      "unavailable); try again when it has finished"});
    }
    // A reload keeps the card for the window: the lock is taken again at once.
    rig.Main->actnReloadDriveExecute();
    TRecordingReporter during;
    brelk::TBrelk other(during);
    QVERIFY(!other.Initialize(65536, rig.CardPath().toStdString(), 8192));
    rig.Main.reset();
    TRecordingReporter after;
    brelk::TBrelk free(after);
    QVERIFY(free.Initialize(65536, rig.CardPath().toStdString(), 8192));
    QVERIFY(after.Errors.empty());
    QVERIFY(rig.Prompter.Messages().isEmpty());
}

void TestMainWindow::cardChangedBehindItsBackIsNotWrittenOver() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {{brelk::kTypeTool, 0, "OLD", 512}}));
    TfrmMain& main = rig.Open();
    AddPendingObject(main, "NEW");
    // A program that ignores the lock empties the catalogue meanwhile (Count 0).
    {
        QFile card(rig.CardPath());
        QVERIFY(card.open(QIODevice::ReadWrite));
        QVERIFY(card.seek(16));
        QCOMPARE(card.write(QByteArray(4, '\0')), qint64(4));
    }
    main.pnlCacheStatusClick();
    const QString card = rig.CardPath();
    QCOMPARE(rig.Prompter.Messages(),
             QStringList{"Error - The catalogue of the Brelk-card '" + card +
                         ":' was changed by another program since it was read; the changes are "
                         "not written. Reload the card to see its present contents."});
    QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    QCOMPARE(CardNames(card), QStringList());
    // The window shows the changes as pending; at the end they are reported, not written.
    QVERIFY(main.Card()->HasUnsavedData());
    rig.Main.reset();
    QCOMPARE(rig.Prompter.Messages().mid(1),
             QStringList{"Error - Changes to the Brelk-card '" + card + ":' were not written"});
    QCOMPARE(CardNames(card), QStringList());
}

void TestMainWindow::quitSignalsWriteAndEnd_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGINT") << int(SIGINT);
}

// A logout, shutdown or Ctrl+C ends the program as File, Exit does: the pending changes are on
// the card before the message loop ends, while the window still exists.
void TestMainWindow::quitSignalsWriteAndEnd() {
    QFETCH(int, signalNumber);
    TMainRig rig;
    QVERIFY(OpenWithNewPending(rig));
    TfrmMain& main = *rig.Main;
    QTimer::singleShot(0, [signalNumber] { std::raise(signalNumber); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(7); }); // only if the signal failed
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(CardNames(rig.CardPath()), (QStringList{"NEW", "OLD"}));
    QVERIFY(!main.Card()->HasUnsavedData());
    QVERIFY2(rig.Prompter.Questions().isEmpty(), qPrintable(rig.Prompter.Describe()));
}

void TestMainWindow::failedCommitAsks_data() {
    QTest::addColumn<QString>("action"); // close, exit or reload
    QTest::addColumn<QList<TPrompter::TAnswer>>("answers");
    QTest::addColumn<int>("cardBackAt"); // the question at which the card is back; 0: never
    QTest::addColumn<bool>("done");      // the window closed, the program ended, the card reloaded
    QTest::addColumn<QStringList>("names"); // on the card afterwards
    using A = TPrompter::TAnswer;
    const QStringList both{"NEW", "OLD"}, old{"OLD"};
    for (const char* action : {"close", "exit", "reload"}) {
        const QString name = QString::fromLatin1(action);
        QTest::addRow("%s, Cancel", action) << name << QList<A>{A::Cancel} << 1 << false << old;
        QTest::addRow("%s, Retry once the card is back", action)
            << name << QList<A>{A::Retry} << 1 << true << both;
        QTest::addRow("%s, Retry still failing, then Discard", action)
            << name << QList<A>{A::Retry, A::Discard} << 2 << true << old;
    }
}

// When the commit before the window closes, the program ends or the card is reloaded fails,
// the user chooses: Retry, Discard (the changes are dropped) or Cancel (nothing goes).
void TestMainWindow::failedCommitAsks() {
    QFETCH(QString, action);
    QFETCH(QList<TPrompter::TAnswer>, answers);
    QFETCH(int, cardBackAt);
    QFETCH(bool, done);
    QFETCH(QStringList, names);
    TMainRig rig;
    QVERIFY(OpenWithNewPending(rig));
    TfrmMain& main = *rig.Main;
    QVERIFY(!main.Card()->IsDeviceOpen());
    // The card is away: the commit cannot open it.
    const QString card = rig.CardPath(), away = rig.Path("away.img");
    QVERIFY(QFile::rename(card, away));
    const QString question = "The changes to the Brelk-card '" + card +
                             "' could not be written.\r\rRetry: try to write them again.\r"
                             "Discard: drop the changes; they are lost.\r"
                             "Cancel: keep the changes pending and go back.";
    int asked = 0;
    rig.Prompter.OnMessage = [&](const TScriptedPrompter::TQuestion& q) {
        if (q.Buttons == TPrompter::TButtons::RetryDiscardCancel && ++asked == cardBackAt)
            QVERIFY(QFile::rename(away, card));
    };
    for (TPrompter::TAnswer answer : answers)
        rig.Prompter.QueueAnswer(answer);
    const QString unreloaded = QStringLiteral("(not reloaded)"); // a reload builds the tree
    main.RootNode()->setText(0, unreloaded);
    bool ended = false;
    if (action == QLatin1String("close")) {
        ended = main.close();
        QCOMPARE(main.isVisible(), !ended);
    } else if (action == QLatin1String("exit")) {
        QTimer::singleShot(0, Find<QAction>(main, "mnuFileExit"), &QAction::trigger);
        QTimer::singleShot(1000, [] { QCoreApplication::exit(7); }); // when Exit stays
        ended = QCoreApplication::exec() == 0;
    } else {
        main.actnReloadDriveExecute();
        ended = main.RootNode()->Text() != unreloaded;
    }
    QCOMPARE(ended, done);
    QCOMPARE(asked, answers.size());
    QVERIFY2(rig.Prompter.AllAnswersUsed() && !rig.Prompter.Unexpected(),
             qPrintable(rig.Prompter.Describe()));
    for (const auto& q : rig.Prompter.Questions())
        if (q.Buttons == TPrompter::TButtons::RetryDiscardCancel) {
            QCOMPARE(q.Text, question);
            QCOMPARE(q.Icon, TPrompter::TIcon::Warning);
            QCOMPARE(q.Default, TPrompter::TAnswer::Retry);
        }
    if (!QFile::exists(card))
        QVERIFY(QFile::rename(away, card));
    QCOMPARE(CardNames(card), names);
    // Only a Cancel leaves the changes pending; nothing is lost without the user's word.
    QCOMPARE(main.Card()->HasUnsavedData(), !done);
    const qsizetype shown = rig.Prompter.Questions().size();
    rig.Main.reset();
    const QStringList atTheEnd = done ? names : QStringList{"NEW", "OLD"};
    QCOMPARE(CardNames(card), atTheEnd);
    QCOMPARE(rig.Prompter.Questions().size(), shown); // nothing reported at the end
}

// A catalogue rewrite cut short (the header with the smaller count landed, the entries did
// not) and its journal in the state folder: the window undoes it as it opens, says so, and
// shows every object.
void TestMainWindow::interruptedChangeIsUndoneWhenOpened() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("A"), Tool("B"), Tool("C")}));
    const std::string card = rig.CardPath().toStdString();
    auto bytes = [&card] {
        QFile file(QString::fromStdString(card));
        file.open(QIODevice::ReadOnly);
        const QByteArray all = file.readAll();
        return std::vector<std::uint8_t>(all.begin(), all.end());
    };
    auto old = bytes();
    {
        TRecordingReporter reporter;
        brelk::TBrelk brelk(reporter);
        brelk.Initialize(65536, card, 8192);
        QVERIFY(brelk.DeleteCatEntry(brelk.Entries().front()));
        QVERIFY(brelk.FlushMMCDevice());
    }
    const auto now = bytes();
    // The marker of the change reaches the header before the catalogue does.
    std::copy_n(now.begin() + brelk::kRecordMarkerOffset, brelk::kRecordMarkerSize,
                old.begin() + brelk::kRecordMarkerOffset);
    const std::size_t length = brelk::kCatalogueHeaderSize + 2 * brelk::kCatEntrySize;
    std::vector<std::uint8_t> torn = old;
    std::copy(now.begin(), now.begin() + brelk::kCatalogueHeaderSize, torn.begin());
    brelk::TStateFolderKeeper keeper;
    std::string error;
    QVERIFY(keeper.BeginChange(brelk::MakeCardJournal(brelk::CardIdentity(card), old.size(),
                                                      {old.begin(), old.begin() + length},
                                                      {now.begin(), now.begin() + length}),
                               error));
    QFile file(rig.CardPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(torn.data()), qint64(torn.size()));
    file.close();
    QCOMPARE(CardNames(rig.CardPath()), (QStringList{"A", "B"})); // C would be lost
    TfrmMain& main = rig.Open();
    QCOMPARE(rig.Prompter.Messages(), QStringList{"An interrupted change to the Brelk-card '" +
                                                  rig.CardPath() + ":' was undone."});
    QCOMPARE(main.Card()->Entries().size(), 3u);
    QCOMPARE(CardNames(rig.CardPath()).size(), 3);
    QVERIFY(
        !QFileInfo::exists(QString::fromStdString(brelk::CardJournalPath(keeper.Folder, card))));
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
