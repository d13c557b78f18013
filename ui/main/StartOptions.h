// The program's command line: --help and --version print and end the program; --card opens
// another card for this run; --select NAME opens the window on an object; each FILE (as a file
// manager's "Open with" passes them) is offered in the add-objects dialog once the card is open.
#pragma once

#include <QString>
#include <QStringList>

class TfrmMain;

struct TStartOptions {
    enum class TAction { Run, Print, Fail };
    TAction Action = TAction::Run;
    QString Text;      // Print: the help or version text; Fail: the error and a pointer to --help
    QString Select;    // --select NAME, empty when not given
    QString Card;      // --card IMAGE_OR_DEVICE as an absolute path, empty when not given
    QStringList Files; // FILE..., as absolute paths
};

// Reads Arguments (the program's name first). Unknown options are a failure.
TStartOptions ParseStartOptions(const QStringList& arguments);

// Only --help or --version, read before the display is opened, so both work without one;
// options that belong to Qt (-platform, -style, ...) are not judged here.
bool WantsPrintOnly(const QStringList& arguments, TStartOptions& options);

// The card of --card, given to the window before its first showing.
void ApplyCardOption(TfrmMain& main, const TStartOptions& options);

// Opens the window on the selected object, then offers the files in the add-objects dialog
// as soon as the event loop runs.
void ApplyStartOptions(TfrmMain& main, const TStartOptions& options);
