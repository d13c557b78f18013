// Starting a program without waiting for it: how the emulator is opened. The main window
// takes a TProcessStarter; tests give it a TRecordingProcessStarter.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How a start ended, in the terms the emulator's error message distinguishes.
struct TStartResult {
    enum class TReason { Started, FileNotFound, PathNotFound, OutOfMemory, SystemError };
    TReason Reason = TReason::Started;
    int ErrorNumber = 0; // SystemError: the errno value, -1 when it is not known

    bool Started() const { return Reason == TReason::Started; }
    static TStartResult Failed(TReason reason, int errorNumber = 0) {
        return TStartResult{reason, errorNumber};
    }
};

// The folder part of a path: everything up to and including its last "/"; empty without one.
QString FolderPart(const QString& path);

class TProcessStarter {
  public:
    virtual ~TProcessStarter() = default;
    // Starts Program with Arguments (handed over as they are: no shell runs) in WorkingFolder
    // (empty: the current folder).
    virtual TStartResult StartDetached(const QString& program, const QStringList& arguments,
                                       const QString& workingFolder) = 0;
};

// QProcess::startDetached. A program named with a "/" whose folder does not exist gives
// PathNotFound; one that does not exist (or, named without a "/", is not found on PATH)
// gives FileNotFound; a start that fails for want of memory gives OutOfMemory; any other
// failure gives SystemError with the errno value of the failed call.
class TDetachedProcessStarter : public TProcessStarter {
  public:
    TStartResult StartDetached(const QString& program, const QStringList& arguments,
                               const QString& workingFolder) override;
};

// Records each start and answers Result.
class TRecordingProcessStarter : public TProcessStarter {
  public:
    struct TStart {
        QString Program;
        QStringList Arguments;
        QString WorkingFolder;
    };
    TStartResult StartDetached(const QString& program, const QStringList& arguments,
                               const QString& workingFolder) override {
        Starts.append(TStart{program, arguments, workingFolder});
        return Result;
    }
    QList<TStart> Starts;
    TStartResult Result;
};
