// BrelkExplorer: the splash window first, then the windows in their fixed order, then the
// message loop. Closing the main window, File, Exit, SIGTERM, SIGHUP or SIGINT write pending
// card data and end the loop.
#include "ui/addobjects/AddFile.h"
#include "ui/aux/AboutSplash.h"
#include "ui/aux/CheckUpdates.h"
#include "ui/aux/PleaseWait.h"
#include "ui/aux/ProgramInfo.h"
#include "ui/aux/QtPrompter.h"
#include "ui/main/Main.h"
#include "ui/main/OpenOnObject.h"
#include "ui/settings/DriveWatcher.h"
#include "ui/settings/SettingsDialog.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    auto splash = std::make_unique<TfrmSplash>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    SetProgramIdentity();

    TQtPrompter prompter;
    int result = 0;
    {
        // Card readers and cards that come and go while the window is open.
        const TSysBlockDriveLister removableDrives;
        TDriveWatcher driveWatcher(removableDrives);
        TfrmMain frmMain(prompter);
        frmMain.WatchDrives(&driveWatcher);
        prompter.SetParent(&frmMain);
        TfrmAddFile frmAddFile(frmMain, &frmMain);
        frmMain.AttachAddObjectsDialog(&frmAddFile);
        TfrmSettings frmSettings(frmMain.Settings, prompter, &frmMain);
        TfrmWait frmWait(&frmMain);
        TfrmCheckUpdates frmCheckUpdates(nullptr, nullptr, &frmMain);
        frmMain.AttachWindows(&frmSettings, &frmWait, splash.get());
        frmMain.AttachUpdateWindow(&frmCheckUpdates);
        QObject::connect(&frmMain, &TfrmMain::FormClosed, &app, &QCoreApplication::quit);

        frmMain.show();
        // --select NAME: open on that object, every group expanded.
        const QStringList arguments = QApplication::arguments();
        const qsizetype select = arguments.indexOf(QStringLiteral("--select"));
        if (select > 0 && select + 1 < arguments.size())
            OpenOnObject(frmMain, arguments[select + 1]);
        driveWatcher.Start();
        result = QApplication::exec();
        splash.reset();
        // The windows go now; pending card data was written before the loop ended.
    }
    return result;
}
