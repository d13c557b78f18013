#include "ui/main/StartOptions.h"

#include "ui/aux/ProgramInfo.h"
#include "ui/main/Main.h"
#include "ui/main/OpenOnObject.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>

namespace {

const QString ProgramName = QStringLiteral("brelkexplorer");

struct TParser {
    TParser() {
        Parser.setApplicationDescription(
            QStringLiteral("Manages the Brelk MMC card of Acorn computers. Each FILE (a disc or "
                           "tape image, a tool or a folder) is offered in the add-objects dialog "
                           "once the card is open."));
        Parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        Parser.addOption(Help);
        Parser.addOption(Version);
        Parser.addOption(Card);
        Parser.addOption(Select);
        Parser.addPositionalArgument(QStringLiteral("FILE"),
                                     QStringLiteral("Files and folders to add to the card."),
                                     QStringLiteral("[FILE...]"));
    }
    // The usage line names the program as it is installed, however it was started.
    QString HelpText() const {
        QString text = Parser.helpText();
        const qsizetype end = text.indexOf(QLatin1Char('\n'));
        return QStringLiteral("Usage: %1 [options] [FILE...]").arg(ProgramName) + text.mid(end);
    }

    QCommandLineParser Parser;
    QCommandLineOption Help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Shows this help and ends.")};
    QCommandLineOption Version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Shows the program's version and ends.")};
    QCommandLineOption Card{QStringLiteral("card"),
                            QStringLiteral("Opens the card in the image file or device "
                                           "IMAGE_OR_DEVICE for this run; the settings keep "
                                           "their own drive."),
                            QStringLiteral("IMAGE_OR_DEVICE")};
    QCommandLineOption Select{QStringLiteral("select"),
                              QStringLiteral("Opens on the object NAME, every group expanded."),
                              QStringLiteral("NAME")};
};

QString VersionText() {
    return QStringLiteral("%1 %2\n").arg(ProgramName, ProgramVersionText());
}

} // namespace

bool WantsPrintOnly(const QStringList& arguments, TStartOptions& options) {
    TParser parser;
    parser.Parser.parse(arguments);
    if (!parser.Parser.isSet(parser.Help) && !parser.Parser.isSet(parser.Version))
        return false;
    options = TStartOptions{};
    options.Action = TStartOptions::TAction::Print;
    options.Text = parser.Parser.isSet(parser.Help) ? parser.HelpText() : VersionText();
    return true;
}

TStartOptions ParseStartOptions(const QStringList& arguments) {
    TStartOptions options;
    if (WantsPrintOnly(arguments, options))
        return options;
    TParser parser;
    if (!parser.Parser.parse(arguments)) {
        options.Action = TStartOptions::TAction::Fail;
        options.Text = QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                           .arg(ProgramName, parser.Parser.errorText());
        return options;
    }
    options.Select = parser.Parser.value(parser.Select);
    if (parser.Parser.isSet(parser.Card))
        options.Card = QFileInfo(parser.Parser.value(parser.Card)).absoluteFilePath();
    for (const QString& file : parser.Parser.positionalArguments())
        options.Files.append(QFileInfo(file).absoluteFilePath());
    return options;
}

void ApplyCardOption(TfrmMain& main, const TStartOptions& options) {
    if (!options.Card.isEmpty())
        main.UseCardForThisRun(options.Card);
}

void ApplyStartOptions(TfrmMain& main, const TStartOptions& options) {
    if (!options.Select.isEmpty())
        OpenOnObject(main, options.Select);
    if (options.Files.isEmpty())
        return;
    const QStringList files = options.Files;
    QTimer::singleShot(0, &main, [&main, files] { main.HandleDroppedFiles(files); });
}
