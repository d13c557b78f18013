// SIGTERM, SIGHUP and SIGINT (a logout or shutdown, a closed terminal, Ctrl+C) as a Qt signal
// in the event loop. The handler only writes the signal's number into a socket pair; a
// QSocketNotifier on the other end reports it, so no Qt code runs inside the handler.
#pragma once

#include <QObject>

#include <array>
#include <csignal>

class QSocketNotifier;

class TQuitSignals : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers; only one object may exist at a time. Installed() tells whether
    // it worked.
    explicit TQuitSignals(QObject* parent = nullptr);
    // Puts the previous handlers back.
    ~TQuitSignals() override;
    TQuitSignals(const TQuitSignals&) = delete;
    TQuitSignals& operator=(const TQuitSignals&) = delete;

    bool Installed() const { return Notifier != nullptr; }
    static constexpr std::array<int, 3> kSignals{SIGTERM, SIGHUP, SIGINT};

  signals:
    void Received(int signalNumber);

  private:
    void ReadPending();

    std::array<int, 2> Pair{-1, -1};
    std::array<struct sigaction, kSignals.size()> Previous{};
    QSocketNotifier* Notifier = nullptr;
};
