// The update window against a real HTTP server on 127.0.0.1 started by the test: the report
// lines for a newer, the same and no version, a server that cannot be reached, answers too
// slowly or sends no readable version; the query; the automatic close; the homepage link; the
// version comparison.
#include "support/UiTestSupport.h"
#include "ui/aux/CheckUpdates.h"
#include "ui/aux/ProgramInfo.h"
#include "ui/aux/ShellOpener.h"
#include "ui/aux/UpdateFetcher.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QVersionNumber>

namespace {

// A tiny HTTP server: it records each request line and answers with Body (HTTP status
// Status), or never answers when Silent.
class TUpdateServer : public QObject {
  public:
    TUpdateServer() {
        Server.listen(QHostAddress::LocalHost);
        connect(&Server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = Server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
        });
    }
    QByteArray Url() const { return "http://127.0.0.1:" + QByteArray::number(Server.serverPort()); }

    QByteArray Body;
    int Status = 200;
    bool Silent = false;
    QList<QByteArray> Requests;

  private:
    void Serve(QTcpSocket* socket) {
        Received[socket] += socket->readAll();
        const QByteArray request = Received[socket];
        if (!request.contains("\r\n\r\n"))
            return;
        Requests << request.left(request.indexOf("\r\n"));
        if (Silent)
            return;
        socket->write("HTTP/1.1 " + QByteArray::number(Status) +
                      " Whatever\r\nContent-Type: text/xml\r\nContent-Length: " +
                      QByteArray::number(Body.size()) + "\r\nConnection: close\r\n\r\n" + Body);
        socket->disconnectFromHost();
    }
    QTcpServer Server;
    QHash<QTcpSocket*, QByteArray> Received;
};

QByteArray Reply(const QByteArray& version, const QByteArray& date) {
    return "<?xml version=\"1.0\"?>\n<brelkexplorer><product>x</product><currentversion>" +
           version + "</currentversion><releasedate>" + date + "</releasedate></brelkexplorer>";
}

// Points BRELKEXPLORER_UPDATE_URL at Url while it lives.
class TUpdateUrl {
  public:
    explicit TUpdateUrl(const QByteArray& url) { qputenv("BRELKEXPLORER_UPDATE_URL", url); }
    ~TUpdateUrl() { qunsetenv("BRELKEXPLORER_UPDATE_URL"); }
};

QStringList Lines(const TfrmCheckUpdates& window) {
    return Find<QPlainTextEdit>(window, "memoUpdateResults")
        ->toPlainText()
        .split(QLatin1Char('\n'));
}

// Shows the window (not modally) and waits until its report is complete.
bool RunCheck(TfrmCheckUpdates& window) {
    window.show();
    return QTest::qWaitFor(
        [&] {
            return !window.Checking() && Find<QPlainTextEdit>(window, "memoUpdateResults")
                                             ->toPlainText()
                                             .endsWith(QLatin1String("Connection closed."));
        },
        15000);
}

} // namespace

class TestCheckUpdates : public QObject {
    Q_OBJECT
  private slots:
    void isNewer_data();
    void isNewer();
    void reportLines_data();
    void reportLines();
    void queryIsPercentEncoded();
    void slowServerTimesOutAndTheWindowStaysResponsive();
    void automaticCheckClosesAfterThreeSeconds();
    void homepageLink();
    void windowLayout();
    void homepageLineFits_data();
    void homepageLineFits();
};

void TestCheckUpdates::isNewer_data() {
    QTest::addColumn<QString>("latest");
    QTest::addColumn<QString>("own");
    QTest::addColumn<bool>("newer");
    QTest::newRow("older") << "0.11"
                           << "1.0.0.3" << false;
    QTest::newRow("equal") << "1.0.0.3"
                           << "1.0.0.3" << false;
    QTest::newRow("newer in the last part") << "1.0.0.4"
                                            << "1.0.0.3" << true;
    QTest::newRow("newer in the first part") << "2"
                                             << "1.9.9.9" << true;
    QTest::newRow("shorter equals longer") << "1.0"
                                           << "1.0.0.0" << false;
    QTest::newRow("longer equals shorter") << "1.0.0.0"
                                           << "1.0" << false;
    QTest::newRow("longer and newer") << "1.0.0.1"
                                      << "1.0" << true;
    QTest::newRow("shorter and older") << "1.0"
                                       << "1.0.0.1" << false;
    QTest::newRow("10 is above 9") << "1.0.0.10"
                                   << "1.0.0.9" << true;
    QTest::newRow("1.10 is above 1.9") << "1.10"
                                       << "1.9" << true;
    QTest::newRow("1.10 is below 2.0") << "1.10"
                                       << "2.0" << false;
    QTest::newRow("1.0.1.0 is above 1.0.0.10") << "1.0.1.0"
                                               << "1.0.0.10" << true;
    QTest::newRow("five parts") << "1.2.3.4.5"
                                << "1.2.3.4" << true;
    QTest::newRow("own with a suffix") << "1.0"
                                       << "1.0 beta" << false;
    QTest::newRow("empty own") << "0.0.0.1"
                               << "" << true;
    QTest::newRow("zero against empty own") << "0"
                                            << "" << false;
}

void TestCheckUpdates::isNewer() {
    QFETCH(QString, latest);
    QFETCH(QString, own);
    QFETCH(bool, newer);
    QCOMPARE(TfrmCheckUpdates::IsNewer(QVersionNumber::fromString(latest), own), newer);
}

void TestCheckUpdates::reportLines_data() {
    QTest::addColumn<QString>("own");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<QString>("verdict"); // the line between "Website found..." and the end
    const QString same = "You have the most current version.";
    const QString error = "ERROR: Website not found!";
    const QString unread = "ERROR: The update information could not be read.";
    QTest::newRow("same version") << "1.0.0.3" << 200 << Reply("1.0.0.3", "2007-01-02") << true
                                  << same;
    QTest::newRow("newer version") << "1.0.0.3" << 200 << Reply("1.0.1.0", "2007-05-01") << true
                                   << "A new version (1.0.1.0, released 2007-05-01) is available!";
    QTest::newRow("older version") << "1.0.0.3" << 200 << Reply("0.11", "x") << true << same;
    QTest::newRow("shorter, equal version")
        << "1.0.0.0" << 200 << Reply("1.0", "x") << true << same;
    QTest::newRow("1.0.0.10 is above 1.0.0.9")
        << "1.0.0.9" << 200 << Reply("1.0.0.10", "x") << true
        << "A new version (1.0.0.10, released x) is available!";
    QTest::newRow("1.0.1.0 is above 1.0.0.10")
        << "1.0.0.10" << 200 << Reply("1.0.1.0", "x") << true
        << "A new version (1.0.1.0, released x) is available!";
    QTest::newRow("empty own version") << "" << 200 << Reply("0.0.0.1", "z") << true
                                       << "A new version (0.0.0.1, released z) is available!";
    QTest::newRow("XML without currentversion")
        << "1.0.0.3" << 200 << QByteArray("<r><releasedate>y</releasedate></r>") << true << unread;
    QTest::newRow("version that is no number")
        << "1.0.0.3" << 200 << Reply("soon", "x") << true << unread;
    QTest::newRow("version with trailing text")
        << "1.0.0.3" << 200 << Reply("2.0 beta", "x") << true << unread;
    QTest::newRow("HTML page") << "1.0.0.3" << 200
                               << QByteArray("<html><head><title>Welcome</title></head>"
                                             "<body><p>Hello</p></body></html>")
                               << true << unread;
    QTest::newRow("not well-formed")
        << "1.0.0.3" << 200 << QByteArray("<html><body>Oops</html>") << true << unread;
    QByteArray random(512, 0);
    for (int i = 0; i < random.size(); ++i)
        random[i] = char((i * 151 + 7) % 256);
    QTest::newRow("random bytes") << "1.0.0.3" << 200 << random << true << unread;
    QTest::newRow("empty reply") << "1.0.0.3" << 200 << QByteArray() << true << unread;
    QTest::newRow("HTTP 404") << "1.0.0.3" << 404 << Reply("9.0", "x") << true << error;
    QTest::newRow("unreachable") << "1.0.0.3" << 200 << QByteArray() << false << error;
}

void TestCheckUpdates::reportLines() {
    QFETCH(QString, own);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, reachable);
    QFETCH(QString, verdict);
    TUpdateServer server;
    server.Status = status;
    server.Body = body;
    QByteArray url = server.Url();
    if (!reachable) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        url = "http://127.0.0.1:" + QByteArray::number(closed.serverPort());
    } // the port is closed again now
    TUpdateUrl environment(url);
    TfrmCheckUpdates window;
    window.ProgramName = "brelkexplorer";
    window.VersionText = own;
    window.AutoStarted = false;
    QVERIFY(RunCheck(window));
    QStringList expected{"You are using brelkexplorer version " + own + ".",
                         "Contacting website..."};
    if (verdict == QLatin1String("ERROR: Website not found!"))
        expected << verdict;
    else
        expected << "Website found..." << verdict;
    expected << "Connection closed.";
    QCOMPARE(Lines(window), expected);
    QCOMPARE(server.Requests.size(), reachable ? 1 : 0);
    QVERIFY(!Find<QTimer>(window, "tmrCloseWindow")->isActive()); // started from the menu
    Find<QPushButton>(window, "btbtnCancel")->click();
    QVERIFY(!window.isVisible());
}

void TestCheckUpdates::queryIsPercentEncoded() {
    TUpdateServer server;
    server.Body = Reply("1.0", "x");
    TUpdateUrl environment(server.Url() + "/");
    TfrmCheckUpdates window;
    window.ProgramName = "Brelk Explorer&x=1.exe";
    window.VersionText = "1.0 beta#2";
    QVERIFY(RunCheck(window));
    QCOMPARE(server.Requests,
             QList<QByteArray>{"GET /updateBrelkExplorer.xml?appname=Brelk%20Explorer%26x%3D1.exe"
                               "&version=1.0%20beta%232 HTTP/1.1"});
    window.accept();
}

void TestCheckUpdates::slowServerTimesOutAndTheWindowStaysResponsive() {
    TUpdateServer server;
    server.Silent = true;
    TUpdateUrl environment(server.Url());
    TNetworkFetcher fetcher;
    fetcher.TimeoutMs = 1500;
    TfrmCheckUpdates window(&fetcher);
    window.VersionText = "1.0.0.0";
    // While the server keeps silent the window still handles events: a timer fires.
    bool ticked = false;
    QTimer::singleShot(300, &window, [&] { ticked = window.Checking(); });
    QVERIFY(RunCheck(window));
    QVERIFY(ticked);
    QCOMPARE(Lines(window).mid(2),
             (QStringList{"ERROR: Website not found!", "Connection closed."}));
    QCOMPARE(server.Requests.size(), 1);
    window.accept();

    // Closing the window while it waits ends the wait at once (the time-out is far off).
    fetcher.TimeoutMs = 600000;
    TfrmCheckUpdates again(&fetcher);
    again.AutoStarted = true;
    bool closedWhileChecking = false;
    QTimer::singleShot(300, &again, [&] {
        closedWhileChecking = again.Checking();
        Find<QPushButton>(again, "btbtnCancel")->click();
    });
    QVERIFY(RunCheck(again));
    QVERIFY(closedWhileChecking);
    QVERIFY(!again.isVisible());
    QVERIFY(!Find<QTimer>(again, "tmrCloseWindow")->isActive());
}

void TestCheckUpdates::automaticCheckClosesAfterThreeSeconds() {
    TUpdateServer server;
    TUpdateUrl environment(server.Url());
    for (const bool newer : {true, false}) {
        server.Body = Reply(newer ? "2.0" : "1.0", "x");
        TfrmCheckUpdates window;
        window.VersionText = "1.0.0.0";
        window.AutoStarted = true;
        QVERIFY(RunCheck(window));
        QCOMPARE(Find<QTimer>(window, "tmrCloseWindow")->isActive(), !newer);
        QCOMPARE(Find<QTimer>(window, "tmrCloseWindow")->interval(), 3000);
        if (!newer) {
            // It closes by itself, and not before its time.
            QTest::qWait(2000);
            QVERIFY(window.isVisible());
            QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 3000);
        } else {
            window.accept();
        }
    }
}

void TestCheckUpdates::homepageLink() {
    TUpdateServer server;
    server.Body = Reply("1.0", "x");
    TUpdateUrl environment(server.Url());
    TRecordingShellOpener shell;
    TfrmCheckUpdates window(nullptr, &shell);
    QVERIFY(RunCheck(window));
    QCOMPARE(Find<QLabel>(window, "lblHomepage")->text(), "Visit homepage: " + HomepageAddress());
    QVERIFY(HomepageAddress().startsWith("http://"));
    QTest::mouseClick(Find<QLabel>(window, "lblHomepage"), Qt::LeftButton);
    QCOMPARE(shell.Opened, QStringList{HomepageAddress()});
    QVERIFY(window.isVisible());
    window.accept();
}

void TestCheckUpdates::windowLayout() {
    TfrmCheckUpdates window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Check for Updates"));
    QCOMPARE(window.size(), QSize(415, 142));
    QVERIFY(window.isModal());
    QVERIFY(Find<QPlainTextEdit>(window, "memoUpdateResults")->isReadOnly());
    QCOMPARE(Find<QPushButton>(window, "btbtnCancel")->text(), QStringLiteral("Close"));
    QVERIFY(Find<QPushButton>(window, "btbtnCancel")->isDefault());
    QCOMPARE(Find<QLabel>(window, "lblHomepage")->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(!Find<QTimer>(window, "tmrCloseWindow")->isActive());
    QVERIFY(Named<QPlainTextEdit>(&window, "memoUpdateResults"));
    QVERIFY(Named<QTimer>(&window, "tmrCloseWindow"));
}

void TestCheckUpdates::homepageLineFits_data() {
    QTest::addColumn<qreal>("scale"); // of the application font
    QTest::newRow("default font") << 1.0;
    QTest::newRow("125 %") << 1.25;
}

// The homepage line is shown whole, on a row of its own between the report and the button.
void TestCheckUpdates::homepageLineFits() {
    QFETCH(qreal, scale);
    const TScaledAppFont text(scale);
    TfrmCheckUpdates window;
    TUpdateServer server;
    server.Body = Reply("1.0", "x");
    TUpdateUrl environment(server.Url());
    QVERIFY(RunCheck(window));
    const QLabel* line = Find<QLabel>(window, "lblHomepage");
    QVERIFY(line->text().endsWith(HomepageAddress()));
    QVERIFY(line->sizeHint().width() <= line->width());
    QVERIFY(line->sizeHint().height() <= line->height());
    QVERIFY(window.rect().contains(line->geometry()));
    QVERIFY(!line->geometry().intersects(
        Find<QPlainTextEdit>(window, "memoUpdateResults")->geometry()));
    QVERIFY(!line->geometry().intersects(Find<QPushButton>(window, "btbtnCancel")->geometry()));
    QVERIFY(window.rect().contains(Find<QPushButton>(window, "btbtnCancel")->geometry()));
    QCOMPARE(window.height(), 142);
    window.accept();
}

QTEST_MAIN(TestCheckUpdates)
#include "tst_checkupdates.moc"
