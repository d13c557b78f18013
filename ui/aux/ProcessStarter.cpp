#include "ui/aux/ProcessStarter.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

namespace {

// The largest errno value looked for when reading one back from a message.
constexpr int kLastErrorNumber = 255;

// QProcess reports a failed start as "<call>: <strerror text>" (for example
// "execv: Exec format error"); the errno value is found again from its text. -1 when the
// text names none.
int ErrorNumberOf(const QString& message) {
    const qsizetype colon = message.lastIndexOf(QStringLiteral(": "));
    const QString reason = colon < 0 ? message : message.mid(colon + 2);
    for (int number = 1; number <= kLastErrorNumber; ++number)
        if (reason == QString::fromLocal8Bit(std::strerror(number)))
            return number;
    return -1;
}

bool ProgramExists(const QString& program) {
    if (!program.contains(QLatin1Char('/')))
        return !program.isEmpty() && !QStandardPaths::findExecutable(program).isEmpty();
    return QFileInfo::exists(program);
}

} // namespace

QString FolderPart(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

TStartResult TDetachedProcessStarter::StartDetached(const QString& program,
                                                    const QStringList& arguments,
                                                    const QString& workingFolder) {
    using TReason = TStartResult::TReason;
    const QString folder = FolderPart(program);
    if (!folder.isEmpty() && !QFileInfo(folder).isDir())
        return TStartResult::Failed(TReason::PathNotFound);
    if (!ProgramExists(program))
        return TStartResult::Failed(TReason::FileNotFound);
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached())
        return {};
    const int number = ErrorNumberOf(process.errorString());
    if (number == ENOMEM)
        return TStartResult::Failed(TReason::OutOfMemory);
    return TStartResult::Failed(TReason::SystemError, number);
}
