// BrelkExplorer: --help and --version print and end before any window; otherwise the splash
// window first, then the windows in their fixed order, then the message loop. Closing the main
// window, File, Exit, SIGTERM, SIGHUP or SIGINT write pending card data and end the loop.
#include "ui/addobjects/AddFile.h"
#include "ui/aux/AboutSplash.h"
#include "ui/aux/CheckUpdates.h"
#include "ui/aux/PleaseWait.h"
#include "ui/aux/ProgramInfo.h"
#include "ui/aux/QtPrompter.h"
#include "ui/aux/UDisksOpener.h"
#include "ui/main/Main.h"
#include "ui/main/StartOptions.h"
#include "ui/settings/DriveWatcher.h"
#include "ui/settings/SettingsDialog.h"
#include "ui/settings/UDisksDrives.h"

#include <QApplication>

#include <cstdio>
#include <memory>

namespace {

QStringList RawArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

int Print(const TStartOptions& options) {
    const QByteArray text = options.Text.toLocal8Bit();
    const bool failed = options.Action == TStartOptions::TAction::Fail;
    std::fputs(text.constData(), failed ? stderr : stdout);
    return failed ? 2 : 0;
}

} // namespace

int main(int argc, char* argv[]) {
    TStartOptions printOnly;
    if (WantsPrintOnly(RawArguments(argc, argv), printOnly))
        return Print(printOnly);
    QApplication app(argc, argv);
    // Qt has taken its own options (-platform, -style, ...) out of the arguments by now.
    const TStartOptions options = ParseStartOptions(QApplication::arguments());
    if (options.Action != TStartOptions::TAction::Run)
        return Print(options);

    auto splash = std::make_unique<TfrmSplash>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    SetProgramIdentity();

    TQtPrompter prompter;
    int result = 0;
    {
        // Card readers and cards that come and go while the window is open.
        // From UDisks2 when it runs, else from /sys/block.
        const QDBusConnection udisksBus = TUDisksOpener::DefaultBus();
        const TSystemDriveLister removableDrives(udisksBus);
        TDriveWatcher driveWatcher(removableDrives);
        TfrmMain frmMain(prompter);
        frmMain.WatchDrives(&driveWatcher);
        prompter.SetParent(&frmMain);
        TfrmAddFile frmAddFile(frmMain, &frmMain);
        frmMain.AttachAddObjectsDialog(&frmAddFile);
        TfrmSettings frmSettings(frmMain.UserSettings(), prompter, &frmMain, &removableDrives);
        TfrmWait frmWait(&frmMain);
        TfrmCheckUpdates frmCheckUpdates(nullptr, nullptr, &frmMain);
        frmMain.AttachWindows(&frmSettings, &frmWait, splash.get());
        frmMain.AttachUpdateWindow(&frmCheckUpdates);
        QObject::connect(&frmMain, &TfrmMain::FormClosed, &app, &QCoreApplication::quit);

        ApplyCardOption(frmMain, options);
        frmMain.show();
        ApplyStartOptions(frmMain, options);
        driveWatcher.Start(udisksBus);
        result = QApplication::exec();
        splash.reset();
        // The windows go now; pending card data was written before the loop ended.
    }
    return result;
}
