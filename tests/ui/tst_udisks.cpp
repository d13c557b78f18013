// Opening a device through UDisks2, against a stand-in UDisks2 service (python3-dbusmock with
// udisks/udisks2_template.py) on a private bus that the test starts: a granted descriptor, a
// polkit refusal, an unknown device, no bus, and the card object working through the grant.
#include "card/FakeDevice.h"
#include "card/RefusingCalls.h"
#include "ui/aux/UDisksOpener.h"

#include <QDBusConnectionInterface>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <unistd.h>

namespace {

const QString CardNode = QStringLiteral("/dev/brelk-card");
const QString LockedNode = QStringLiteral("/dev/brelk-locked");
const QString CardImageNode = QStringLiteral("/dev/brelk-image");
const QString UDisksName = QStringLiteral("org.freedesktop.UDisks2");

// A Python that can import dbusmock, or an empty string.
QString PythonWithDbusmock() {
    for (const QString& candidate :
         {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess probe;
        probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
        if (probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            return candidate;
    }
    return QString();
}

void StopProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(5000);
}

} // namespace

class TestUDisks : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void grantsADescriptorOfAKnownDevice();
    void refusals_data();
    void refusals();
    void noBusIsARefusal();
    void defaultBusComesFromTheEnvironment();
    void cardWorksThroughTheGrant();
    void refusedCardReportsTheOpenError();

  private:
    QString Image(const QString& name) const { return Dir.filePath(name); }
    QDBusConnection Bus() const { return QDBusConnection(QStringLiteral("brelk-test-bus")); }

    QTemporaryDir Dir;
    QProcess Daemon;
    QProcess Mock;
    QString Address;
};

void TestUDisks::initTestCase() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("dbus-daemon not found; skipping the UDisks2 tests");
    const QString python = PythonWithDbusmock();
    if (python.isEmpty())
        QSKIP("python3-dbusmock not installed; skipping the UDisks2 tests");
    const QString templateFile = QFINDTESTDATA("udisks/udisks2_template.py");
    QVERIFY(!templateFile.isEmpty());

    QVERIFY(Dir.isValid());
    QFile card(Image(QStringLiteral("card.img")));
    QVERIFY(card.open(QIODevice::WriteOnly));
    card.write("hello");
    card.close();
    QFile image(Image(QStringLiteral("brelk.img")));
    QVERIFY(image.open(QIODevice::WriteOnly));
    QVERIFY(image.resize(1 << 20));
    image.close();

    Daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                          QStringLiteral("--print-address=1")});
    QVERIFY(Daemon.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return Daemon.canReadLine(); }, 10000));
    Address = QString::fromUtf8(Daemon.readLine()).trimmed();
    QVERIFY(!QDBusConnection::connectToBus(Address, QStringLiteral("brelk-test-bus"))
                 .interface()
                 ->isServiceRegistered(UDisksName));

    const QJsonObject devices{
        {CardNode, QJsonObject{{"file", Image(QStringLiteral("card.img"))}}},
        {CardImageNode, QJsonObject{{"file", Image(QStringLiteral("brelk.img"))}}},
        {LockedNode, QJsonObject{{"file", Image(QStringLiteral("card.img"))}, {"refuse", true}}}};
    const QJsonObject parameters{{"devices", devices}};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), Address);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), Address);
    Mock.setProcessEnvironment(environment);
    Mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Mock.start(python,
               {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                templateFile, QStringLiteral("-p"),
                QString::fromUtf8(QJsonDocument(parameters).toJson(QJsonDocument::Compact))});
    QVERIFY(Mock.waitForStarted());
    QVERIFY(QTest::qWaitFor(
        [&] { return Bus().interface()->isServiceRegistered(UDisksName).value(); }, 20000));
}

void TestUDisks::cleanupTestCase() {
    StopProcess(Mock);
    StopProcess(Daemon);
}

void TestUDisks::grantsADescriptorOfAKnownDevice() {
    TUDisksOpener opener(Bus());
    const int fd = opener.OpenDevice(CardNode.toStdString());
    QVERIFY2(fd >= 0, qPrintable(opener.LastError()));
    char bytes[5] = {};
    QCOMPARE(::pread(fd, bytes, 5, 0), ssize_t(5));
    QCOMPARE(QByteArray(bytes, 5), QByteArray("hello"));
    QCOMPARE(::pwrite(fd, "J", 1, 0), ssize_t(1)); // read-write
    ::close(fd);
    QVERIFY(opener.LastError().isEmpty());
}

void TestUDisks::refusals_data() {
    QTest::addColumn<QString>("node");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
    QTest::newRow("polkit refuses")
        << LockedNode << EACCES << "Not authorized to perform operation";
    QTest::newRow("unknown device")
        << "/dev/brelk-none" << ENODEV << "UDisks2 does not know the device /dev/brelk-none";
}

void TestUDisks::refusals() {
    QFETCH(QString, node);
    QFETCH(int, error);
    QFETCH(QString, reason);
    TUDisksOpener opener(Bus());
    errno = 0;
    QCOMPARE(opener.OpenDevice(node.toStdString()), -1);
    QCOMPARE(errno, error);
    QCOMPARE(opener.LastError(), reason);
}

void TestUDisks::noBusIsARefusal() {
    TUDisksOpener opener(QDBusConnection::connectToBus(
        QStringLiteral("unix:path=%1").arg(Image(QStringLiteral("no-bus"))),
        QStringLiteral("brelk-no-bus")));
    QCOMPARE(opener.OpenDevice(CardNode.toStdString()), -1);
    QCOMPARE(errno, ENODEV);
    QCOMPARE(opener.LastError(), QStringLiteral("no connection to the bus of UDisks2"));
}

void TestUDisks::defaultBusComesFromTheEnvironment() {
    qputenv("BRELKEXPLORER_UDISKS_BUS", Address.toUtf8());
    const QDBusConnection bus = TUDisksOpener::DefaultBus();
    // An opener without a bus joins the default one when first asked.
    TUDisksOpener opener;
    const int fd = opener.OpenDevice(CardNode.toStdString());
    qunsetenv("BRELKEXPLORER_UDISKS_BUS");
    QVERIFY(bus.isConnected());
    QVERIFY(bus.interface()->isServiceRegistered(UDisksName).value());
    QVERIFY2(fd >= 0, qPrintable(opener.LastError()));
    ::close(fd);
}

void TestUDisks::cardWorksThroughTheGrant() {
    TUDisksOpener opener(Bus());
    brelktest::TRefusingCalls inner;
    brelk::TSysCallsWithOpener calls(inner, opener);
    brelktest::TRecordingReporter reporter;
    {
        brelk::TBrelk card(reporter, calls);
        QVERIFY(card.Initialize(16384, CardImageNode.toStdString(), 8192));
        QVERIFY(card.FormatMMC());
    }
    brelk::TBrelk card(reporter, calls);
    QVERIFY(card.Initialize(16384, CardImageNode.toStdString(), 8192));
    QVERIFY(card.CatalogueValid);
    QCOMPARE(card.CardSize, 1u << 20);
    QVERIFY(reporter.Messages.empty());
    QVERIFY(calls.HoldsGrant(CardImageNode.toStdString()));
    QVERIFY(inner.Opens >= 2); // each card tried the node directly first
}

void TestUDisks::refusedCardReportsTheOpenError() {
    TUDisksOpener opener(Bus());
    brelktest::TRefusingCalls inner;
    brelk::TSysCallsWithOpener calls(inner, opener);
    brelktest::TRecordingReporter reporter;
    brelk::TBrelk card(reporter, calls);
    QVERIFY(!card.Initialize(16384, LockedNode.toStdString(), 8192) || !card.DeviceOK);
    QVERIFY(!reporter.Messages.empty());
    QCOMPARE(
        QString::fromStdString(reporter.Messages.front()),
        QStringLiteral("Error - Could not open device '/dev/brelk-locked:' (Permission denied)"));
    QVERIFY(!calls.HoldsGrant(LockedNode.toStdString()));
}

QTEST_GUILESS_MAIN(TestUDisks)
#include "tst_udisks.moc"
