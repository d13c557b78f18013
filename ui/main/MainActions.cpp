// The main window's actions and menus, the guard that keeps commands from starting while a
// long operation runs, and the window-level commands: exit, refresh, reload, settings, about.
#include "ui/main/Main.h"

#include "ui/aux/AboutSplash.h"
#include "ui/aux/PleaseWait.h"
#include "ui/aux/UDisksOpener.h"
#include "ui/main/MainReporter.h"
#include "ui/main/MainWidgets.h"
#include "ui/settings/SettingsDialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

QAction* TfrmMain::MakeAction(const char* name, const QString& caption) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(false);
    GuardedActions.append(action);
    connect(action, &QAction::triggered, this, [this, action] {
        if (IsBusy() || !action->isEnabled())
            return;
        if (auto handler = Handlers.value(action))
            handler();
    });
    return action;
}

// A popup entry that shows Action's caption and enabled state and carries it out, but has a
// visibility of its own.
QAction* TfrmMain::MakePopupProxy(const char* name, QAction* action) {
    auto* proxy = new QAction(action->text(), this);
    proxy->setObjectName(QString::fromLatin1(name));
    proxy->setEnabled(action->isEnabled());
    connect(action, &QAction::changed, proxy, [proxy, action] {
        proxy->setText(action->text());
        proxy->setEnabled(action->isEnabled());
    });
    connect(proxy, &QAction::triggered, action, &QAction::trigger);
    return proxy;
}

void TfrmMain::CreateActions() {
    actnAddObjects = MakeAction("actnAddObjects", QStringLiteral("&Add Object(s)..."));
    actnDeleteObjects = MakeAction("actnDeleteObjects", QStringLiteral("&Delete object(s)..."));
    actnRemoveDeletedObjects =
        MakeAction("actnRemoveDeletedObjects", QStringLiteral("Re&move Deleted objects"));
    actnFormatMMC = MakeAction("actnFormatMMC", QStringLiteral("&Format MMC"));
    actnBackupBrelk = MakeAction("actnBackupBrelk", QStringLiteral("&Backup Brelk..."));
    actnRestoreBrelk = MakeAction("actnRestoreBrelk", QStringLiteral("&Restore Brelk..."));
    actnSquashDisc = MakeAction("actnSquashDisc", QStringLiteral("S&quash Disc"));
    actnExpandDisc = MakeAction("actnExpandDisc", QStringLiteral("E&xpand disc"));
    actnRefreshTree = MakeAction("actnRefreshTree", QStringLiteral("Refresh &Tree"));
    actnReloadDrive = MakeAction("actnReloadDrive", QStringLiteral("&Reload MMC"));
    mnuFileExit = MakeAction("mnuFileExit", QStringLiteral("E&xit"));
    mnuToolsSettings = MakeAction("mnuToolsSettings", QStringLiteral("&Settings..."));
    mnuHelpCheckUpdates =
        MakeAction("mnuHelpCheckUpdates", QStringLiteral("Check for &Updates..."));
    mnuMainAbout = MakeAction("mnuMainAbout", QStringLiteral("&About"));
    mnuPopupSaveObject = MakeAction("mnuPopupSaveObject", QStringLiteral("&Save object..."));
    mnuPopupOpenInEmulator =
        MakeAction("mnuPopupOpenInEmulator", QStringLiteral("Open in &Emulator"));

    // The tree handles these keys itself (on release); the menus show them.
    ShowKeyInMenus(actnAddObjects, QKeySequence(Qt::Key_Insert));
    ShowKeyInMenus(actnDeleteObjects, QKeySequence(Qt::Key_Delete));
    ShowKeyInMenus(actnRefreshTree, QKeySequence(Qt::Key_F5));

    CreateObjectOperations();
    CreateEmulatorCommand();
    CreateBackupCommands();
    CreateCheckCommand();
    CreateFindCommand();
    SetActionHandler(actnRefreshTree, [this] { actnRefreshTreeExecute(); });
    SetActionHandler(actnReloadDrive, [this] { actnReloadDriveExecute(); });
    SetActionHandler(mnuFileExit, [this] { mnuFileExitClick(); });
    SetActionEnabled(actnRefreshTree, true);
    SetActionEnabled(mnuFileExit, true);
}

void TfrmMain::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("mnuMainMenu"));
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    file->addAction(actnReloadDrive);
    file->addSeparator();
    file->addAction(mnuFileExit);
    QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("mnuTools"));
    tools->addAction(actnBackupBrelk);
    tools->addAction(actnRestoreBrelk);
    tools->addAction(actnRemoveDeletedObjects);
    tools->addAction(actnFormatMMC);
    tools->addAction(actnCheckCard);
    tools->addAction(actnFindFiles);
    tools->addSeparator();
    tools->addAction(mnuToolsSettings);
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    help->addAction(mnuHelpCheckUpdates);
    help->addSeparator();
    help->addAction(mnuMainAbout);
}

void TfrmMain::CreatePopupMenu() {
    mnuPopup = new QMenu(this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuPopupRemoveDeletedObjects =
        MakePopupProxy("mnuPopupRemoveDeletedObjects", actnRemoveDeletedObjects);
    mnuPopupFormatMMC = MakePopupProxy("mnuPopupFormatMMC", actnFormatMMC);
    mnuPopup->addAction(actnAddObjects);
    mnuPopup->addAction(mnuPopupSaveObject);
    mnuPopup->addAction(actnDeleteObjects);
    mnuPopup->addSeparator();
    mnuPopup->addAction(mnuPopupRemoveDeletedObjects);
    mnuPopup->addAction(mnuPopupFormatMMC);
    mnuPopup->addSeparator();
    mnuPopup->addAction(actnSquashDisc);
    mnuPopup->addAction(actnExpandDisc);
    mnuPopup->addSeparator();
    mnuPopup->addAction(mnuPopupOpenInEmulator);
    mnuPopup->addSeparator();
    mnuPopup->addAction(actnRefreshTree);
    connect(mnuPopup, &QMenu::aboutToShow, this, &TfrmMain::mnuPopupPopup);
}

void TfrmMain::SetActionHandler(QAction* action, std::function<void()> handler) {
    if (handler)
        Handlers.insert(action, std::move(handler));
    else
        Handlers.remove(action);
    ApplyActionState(action);
}

void TfrmMain::SetActionEnabled(QAction* action, bool wanted) {
    Wanted.insert(action, wanted);
    ApplyActionState(action);
}

void TfrmMain::ApplyActionState(QAction* action) {
    action->setEnabled(Wanted.value(action, false) && Handlers.contains(action) && !IsBusy());
}

// ---------------------------------------------------------------------------------------------
// Long operations

TfrmMain::TBusyScope::TBusyScope(TfrmMain& window) : Window(window) {
    if (Window.BusyDepth++ == 0)
        Window.ApplyBusyState();
}

TfrmMain::TBusyScope::~TBusyScope() {
    if (--Window.BusyDepth == 0)
        Window.ApplyBusyState();
}

void TfrmMain::ApplyBusyState() {
    for (QAction* action : GuardedActions)
        ApplyActionState(action);
    treevwObjects->setEnabled(!IsBusy());
}

void TfrmMain::ShowWaitWindow(const QString& text, bool cancelEnabled, bool progressVisible) {
    if (Wait)
        Wait->ShowWaitWindow(text, cancelEnabled, progressVisible);
}

bool TfrmMain::ReportProgress(const QString& extraText, float percent) {
    return Wait && Wait->ReportProgress(extraText, percent);
}

void TfrmMain::CloseWaitWindow() {
    if (Wait)
        Wait->CloseWaitWindow();
}

// ---------------------------------------------------------------------------------------------
// Window-level commands

void TfrmMain::mnuFileExitClick() {
    // Pending card data is written while the window can still ask about a failure. Then the
    // message loop ends at once, without the close handling (quit() would close the windows
    // first), so the position is not stored.
    if (CommitOrAsk())
        QCoreApplication::exit(0);
}

void TfrmMain::ExitWhenIdle() {
    if (IsBusy()) {
        QTimer::singleShot(BusyRetryMs, this, [this] { ExitWhenIdle(); });
        return;
    }
    mnuFileExitClick();
}

void TfrmMain::actnRefreshTreeExecute() {
    if (IsBusy())
        return;
    PopulateTreeInfo();
    UpdateTopbarInfo();
}

void TfrmMain::actnReloadDriveExecute() {
    if (IsBusy())
        return;
    TBusyScope busy(*this);
    SetStatusText(QStringLiteral("Closing down MMC..."));
    if (!CommitOrAsk()) {
        SetStatusText(QString());
        return;
    }
    treevwObjects->clear(); // object nodes point into the catalogue that goes now
    Brelk.reset();          // releases the card's lock
    SetStatusText(QStringLiteral("Refreshing, please wait..."));
    Brelk = std::make_unique<brelk::TBrelk>(*Reporter, DesktopSysCalls());
    InitializeBrelk();
    PopulateTreeInfo();
    UpdateTopbarInfo();
    SetStatusText(QString());
}

void TfrmMain::mnuToolsSettingsClick() {
    if (IsBusy() || !SettingsWindow)
        return;
    const QString drive = Settings.MMCDrive;
    SettingsWindow->exec();
    if (Settings.MMCDrive != drive)
        CardForThisRun.clear(); // a drive chosen now replaces the one of the command line
    // Allocation reads these two at once; drive, cache and safety zone wait for a reload.
    Brelk->SetReuseDeletedSpace(Settings.ReuseDeletedSpace);
    Brelk->SetRewriteObjectHeader(Settings.RewriteObjectHeader);
}

void TfrmMain::mnuMainAboutClick() {
    if (Splash)
        Splash->exec();
}
