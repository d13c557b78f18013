// Fetching the update server's reply over HTTP. The update window takes a TUpdateFetcher; the
// program gives it a TNetworkFetcher, tests may give it a stand-in.
#pragma once

#include <QByteArray>
#include <QPointer>
#include <QUrl>

class QEventLoop;
class QNetworkAccessManager;

class TUpdateFetcher {
  public:
    virtual ~TUpdateFetcher() = default;
    // Fetches Url into Body; false when the server cannot be reached, answers with an error
    // or takes too long. The user interface keeps working while it waits.
    virtual bool Fetch(const QUrl& url, QByteArray& body) = 0;
    // Ends a running Fetch at once (it returns false).
    virtual void Abort() = 0;
};

// HTTP GET with QNetworkAccessManager, waiting in a local event loop with a time-out.
class TNetworkFetcher : public TUpdateFetcher {
  public:
    TNetworkFetcher();
    ~TNetworkFetcher() override;
    bool Fetch(const QUrl& url, QByteArray& body) override;
    void Abort() override;

    int TimeoutMs = 10000;

  private:
    QNetworkAccessManager* Manager;
    QPointer<QEventLoop> Waiting;
};
