// Opening a device through UDisks2, against a stand-in UDisks2 service (python3-dbusmock with
// udisks/udisks2_template.py) on a private bus that the test starts: a granted descriptor, a
// polkit refusal, an unknown device, no bus, and the card object working through the grant.
#include "card/FakeDevice.h"
#include "card/RefusingCalls.h"
#include "support/UDisksStandIn.h"
#include "ui/aux/UDisksOpener.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <unistd.h>

namespace {

const QString CardNode = QStringLiteral("/dev/brelk-card");
const QString LockedNode = QStringLiteral("/dev/brelk-locked");
const QString CardImageNode = QStringLiteral("/dev/brelk-image");
const QString UDisksName = QStringLiteral("org.freedesktop.UDisks2");

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
    QDBusConnection Bus() const { return StandIn.Bus(); }

    QTemporaryDir Dir;
    TUDisksStandIn StandIn;
    QString Address;
};

void TestUDisks::initTestCase() {
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

    const QJsonObject devices{
        {CardNode, QJsonObject{{"file", Image(QStringLiteral("card.img"))}}},
        {CardImageNode, QJsonObject{{"file", Image(QStringLiteral("brelk.img"))}}},
        {LockedNode, QJsonObject{{"file", Image(QStringLiteral("card.img"))}, {"refuse", true}}}};
    const QString why = StandIn.Start(templateFile, QJsonObject{{"devices", devices}});
    if (why.contains(QLatin1String("skipping")))
        QSKIP(qPrintable(why));
    QVERIFY2(why.isEmpty(), qPrintable(why));
    Address = StandIn.BusAddress();
}

void TestUDisks::cleanupTestCase() {}

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
    QVERIFY(card.State().CatalogueValid);
    QCOMPARE(card.State().CardSize, 1u << 20);
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
    QVERIFY(!card.Initialize(16384, LockedNode.toStdString(), 8192) || !card.State().DeviceOK);
    QVERIFY(!reporter.Messages.empty());
    QCOMPARE(
        QString::fromStdString(reporter.Messages.front()),
        QStringLiteral("Error - Could not open device '/dev/brelk-locked:' (Permission denied)"));
    QVERIFY(!calls.HoldsGrant(LockedNode.toStdString()));
}

QTEST_GUILESS_MAIN(TestUDisks)
#include "tst_udisks.moc"
