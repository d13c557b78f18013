// The main window's life: creation, first showing, closing by the user, destruction.
#include "ui/main/Main.h"

#include "ui/aux/AboutSplash.h"
#include "ui/aux/DataFolder.h"
#include "ui/aux/PleaseWait.h"
#include "ui/aux/Prompter.h"
#include "ui/aux/QuitSignals.h"
#include "ui/aux/UDisksOpener.h"
#include "ui/main/MainReporter.h"
#include "ui/main/MainWidgets.h"
#include "ui/settings/SettingsDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>

namespace {

// Whether a title bar's worth of Place lies on one of the screens.
bool OnSomeScreen(const QRect& place) {
    const QRect titleBar(place.left(), place.top(), std::max(place.width(), 1), 24);
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(titleBar))
            return true;
    return QGuiApplication::screens().isEmpty();
}

} // namespace

TfrmMain::TfrmMain(TPrompter& prompter, const QString& programFolder, QWidget* parent)
    : QMainWindow(parent), Ask(prompter), ProgramFolder(programFolder) {
    if (ProgramFolder.isEmpty())
        ProgramFolder = ProgramDataFolder();
    FormCreate();
}

TfrmMain::~TfrmMain() {
    FormDestroy();
}

void TfrmMain::AttachWindows(TfrmSettings* settings, TfrmWait* wait, TfrmSplash* splash) {
    SettingsWindow = settings;
    Wait = wait;
    Splash = splash;
    Reporter->SetSplash(splash);
    SetActionHandler(mnuToolsSettings,
                     settings ? std::function<void()>([this] { mnuToolsSettingsClick(); })
                              : nullptr);
    SetActionEnabled(mnuToolsSettings, true);
    SetActionHandler(mnuMainAbout,
                     splash ? std::function<void()>([this] { mnuMainAboutClick(); }) : nullptr);
    SetActionEnabled(mnuMainAbout, true);
}

void TfrmMain::FormCreate() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("BrelkExplorer"));
    DetailsTab = 0;
    CreateActions();
    CreateControls();
    CreateMenus();
    CreatePopupMenu();
    ConfigureTree();
    CreateTreeEditing();
    ConnectDetailsView();
    ObjectImagesLoaded = ObjectImages.LoadObjectImages(ProgramFolder);
    Reporter = std::make_unique<TMainReporter>(Ask);
    Brelk = std::make_unique<brelk::TBrelk>(*Reporter, DesktopSysCalls());
    RestoreWindowPosition();
    setAcceptDrops(true);
    // A logout, shutdown or Ctrl+C ends the program as File, Exit does instead of killing it
    // with its changes pending.
    auto* quitSignals = new TQuitSignals(this);
    connect(quitSignals, &TQuitSignals::Received, this, [this] { ExitWhenIdle(); });
}

void TfrmMain::RestoreWindowPosition() {
    TBrelkExplorerSettings::TWindowPosition position;
    TBrelkExplorerSettings::LoadWindowPosition(position);
    if (!OnSomeScreen(QRect(position.Left, position.Top, position.Width, position.Height))) {
        // Stored for a screen that is gone: the window opens where a first start puts it.
        const TBrelkExplorerSettings::TWindowPosition fresh;
        position.Left = fresh.Left;
        position.Top = fresh.Top;
    }
    move(position.Left, position.Top);
    resize(position.Width, position.Height);
    spltrMainformLeftRight->setSizes(
        {position.SplitterLeft, position.Width - position.SplitterLeft});
    if (position.WindowState == 2)
        setWindowState(Qt::WindowMaximized);
    else if (position.WindowState == 1)
        setWindowState(Qt::WindowMinimized);
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!Shown && !event->spontaneous())
        FormShow();
}

void TfrmMain::FormShow() {
    if (Shown)
        return;
    Shown = true;
    SetStatusText(QStringLiteral("Initializing Brelk..."));
    Settings.ReadSettingsFromRegistry(SettingsWindow ? SettingsWindow->PreselectedDrive()
                                                     : QString());
    InitializeBrelk();
    SetStatusText(QStringLiteral("Initializing Filingsystems..."));
    SetStatusText(QStringLiteral("Building catalogue..."));
    PopulateTreeInfo();
    UpdateTopbarInfo();
    SetStatusText(QString());
    if (Splash)
        Splash->MayClose = true;
    UsageZoom = 0;
    // The check runs once the window is on the screen.
    if (Settings.CheckForUpdates && UpdateWindow)
        QTimer::singleShot(0, this, [this] { ShowUpdateWindow(true); });
}

// Binds the card object to the configured drive with the configured cache and safety zone.
void TfrmMain::InitializeBrelk() {
    Brelk->SetReuseDeletedSpace(Settings.ReuseDeletedSpace);
    Brelk->SetRewriteObjectHeader(Settings.RewriteObjectHeader);
    Brelk->SetCatalogueKeeper(&CatalogueKeeper);
    // The card stays locked for this window from here until reload or exit.
    Brelk->Initialize(Settings.CacheSize, CardDrive().toStdString(), Settings.MMCSafetyZone);
    SayDamageAtOpening();
}

QString TfrmMain::CardDrive() const {
    return CardForThisRun.isEmpty() ? Settings.MMCDrive : CardForThisRun;
}

bool TfrmMain::CommitCard() {
    if (!Brelk || !Brelk->HasUnsavedData())
        return true;
    // After a failure the card object's end reports what was not written.
    return !Brelk->WritesStopped() && Brelk->FlushMMCDevice();
}

bool TfrmMain::CommitOrAsk() {
    while (!CommitCard()) {
        const TPrompter::TAnswer answer = Ask.Message(
            QStringLiteral("The changes to the Brelk-card '%1' could not be written.\r\r"
                           "Retry: try to write them again.\r"
                           "Discard: drop the changes; they are lost.\r"
                           "Cancel: keep the changes pending and go back.")
                .arg(QString::fromStdString(Brelk->DevicePath())),
            TPrompter::TIcon::Warning, TPrompter::TButtons::RetryDiscardCancel);
        if (answer == TPrompter::TAnswer::Discard) {
            Brelk->DiscardUnsavedData();
            UpdateTopbarInfo();
            return true;
        }
        if (answer != TPrompter::TAnswer::Retry)
            return false;
    }
    return true;
}

void TfrmMain::SetStatusText(const QString& text) {
    stsbrMain->showMessage(text);
    if (isVisible())
        stsbrMain->repaint();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (IsBusy() || !CommitOrAsk()) {
        event->ignore(); // a long operation must finish first; or the user kept the changes
        return;
    }
    FormClose();
    event->accept();
    emit FormClosed();
}

void TfrmMain::FormClose() {
    TBrelkExplorerSettings::TWindowPosition position;
    const bool normal = !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized));
    position.WindowState = windowState() & Qt::WindowMaximized   ? 2
                           : windowState() & Qt::WindowMinimized ? 1
                                                                 : 0;
    // A maximised or minimised window stores the place it returns to.
    const QRect place = normal ? QRect(pos(), size()) : normalGeometry();
    position.Left = place.left();
    position.Top = place.top();
    position.Width = place.width();
    position.Height = place.height();
    position.SplitterLeft = treevwObjects->width();
    TBrelkExplorerSettings::SaveWindowPosition(position);
    setAcceptDrops(false);
}

void TfrmMain::FormDestroy() {
    // Object nodes point into the catalogue: the tree goes before the card object.
    treevwObjects->clear();
    ObjectImages.ObjectImageKeys.clear();
    // Closing and File, Exit have committed already; a window destroyed without either still
    // writes what it holds.
    CommitCard();
    Brelk.reset(); // reports what could not be written; writes nothing
    ObjectImages.ObjectImages.clear();
}
