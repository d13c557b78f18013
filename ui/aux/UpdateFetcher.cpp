#include "ui/aux/UpdateFetcher.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

TNetworkFetcher::TNetworkFetcher() : Manager(new QNetworkAccessManager) {}

TNetworkFetcher::~TNetworkFetcher() {
    Abort();
    delete Manager;
}

bool TNetworkFetcher::Fetch(const QUrl& url, QByteArray& body) {
    body.clear();
    QNetworkRequest request(url);
    request.setTransferTimeout(TimeoutMs);
    QNetworkReply* reply = Manager->get(request);
    QEventLoop loop;
    Waiting = &loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timeout.start(TimeoutMs);
    if (!reply->isFinished())
        loop.exec();
    Waiting = nullptr;
    const bool ok = reply->isFinished() && reply->error() == QNetworkReply::NoError;
    if (ok)
        body = reply->readAll();
    else
        reply->abort();
    reply->deleteLater();
    return ok;
}

void TNetworkFetcher::Abort() {
    if (Waiting)
        Waiting->quit();
}
