#include "ui/aux/QuitSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int WriteEnd = -1; // the handler's end of the socket pair

// Async-signal-safe: one byte written, errno kept for the interrupted code.
void OnQuitSignal(int signalNumber) {
    const int saved = errno;
    const char number = char(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(WriteEnd, &number, 1);
    errno = saved;
}

} // namespace

TQuitSignals::TQuitSignals(QObject* parent) : QObject(parent) {
    if (WriteEnd >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, Pair.data()) != 0)
        return;
    WriteEnd = Pair[0];
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &Previous[i]);
    Notifier = new QSocketNotifier(Pair[1], QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TQuitSignals::ReadPending);
}

TQuitSignals::~TQuitSignals() {
    if (!Installed()) {
        for (int end : Pair)
            if (end >= 0)
                ::close(end);
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &Previous[i], nullptr);
    WriteEnd = -1;
    delete Notifier;
    ::close(Pair[0]);
    ::close(Pair[1]);
}

void TQuitSignals::ReadPending() {
    char number = 0;
    while (::read(Pair[1], &number, 1) == 1)
        emit Received(int(static_cast<unsigned char>(number)));
}
