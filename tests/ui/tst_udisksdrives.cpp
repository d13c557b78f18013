// Drives as UDisks2 tells them, against the stand-in UDisks2 service on a private bus: the
// drive list (removable drives only, size, vendor, model, mounted file systems), the watcher
// following InterfacesAdded, InterfacesRemoved and PropertiesChanged instead of polling, the
// main window's offer of a drive that UDisks2 announces, and the fallbacks without UDisks2.
#include "support/UDisksStandIn.h"
#include "tst_main_fixture.h"

#include "ui/settings/DriveWatcher.h"
#include "ui/settings/UDisksDrives.h"

#include <QJsonArray>
#include <QSignalSpy>

using namespace maintest;

namespace {

QJsonObject Drive(const QString& node, qint64 size, const QString& vendor, const QString& model,
                  bool removable = true) {
    return QJsonObject{{"node", node},
                       {"size", size},
                       {"vendor", vendor},
                       {"model", model},
                       {"removable", removable}};
}

QString Json(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// Counts how often the watcher lists the drives.
class TCountingLister : public TDriveLister {
  public:
    explicit TCountingLister(const TDriveLister& inner) : Inner(inner) {}
    std::vector<TCandidateDrive> RemovableDrives() const override {
        return Inner.RemovableDrives();
    }
    std::vector<TCandidateDrive> PresentDrives() const override {
        ++Listings;
        return Inner.PresentDrives();
    }
    const TDriveLister& Inner;
    mutable int Listings = 0;
};

QStringList Paths(const QSignalSpy& spy) {
    QStringList paths;
    for (const QList<QVariant>& call : spy)
        paths << (call.first().canConvert<TCandidateDrive>()
                      ? call.first().value<TCandidateDrive>().Path
                      : call.first().toString());
    return paths;
}

} // namespace

class TestUDisksDrives : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void listsRemovableDrivesWithDetailsAndMounts();
    void watcherFollowsTheSignals();
    void mainWindowOffersAnAnnouncedDrive();
    void withoutUDisksTheWatcherFallsBack();

  private:
    TUDisksStandIn StandIn;
};

void TestUDisksDrives::initTestCase() {
    qRegisterMetaType<TCandidateDrive>();
    const QString templateFile = QFINDTESTDATA("udisks/udisks2_template.py");
    QVERIFY(!templateFile.isEmpty());
    QJsonObject reader = Drive("/dev/sdx", 7948206080, "Generic ", "STORAGE DEVICE  ");
    reader["partitions"] =
        QJsonArray{QJsonObject{{"node", "/dev/sdx1"}, {"mount", "/media/u/MY CARD"}},
                   QJsonObject{{"node", "/dev/sdx2"}, {"mount", ""}}};
    QJsonObject slot = Drive("/dev/mmcblk9", 2 << 20, "", "SD02G");
    slot["mount"] = "/mnt";
    const QJsonArray drives{reader, slot, Drive("/dev/sdw", 1 << 30, "ATA", "DISK", false),
                            Drive("/dev/sdv", 0, "Generic", "Card Reader")};
    // A block device without a drive (a loop device) is no candidate either.
    const QJsonObject devices{{"/dev/brelk-loop", QJsonObject{{"file", "/dev/null"}}}};
    const QString why =
        StandIn.Start(templateFile, QJsonObject{{"drives", drives}, {"devices", devices}});
    if (why.contains(QLatin1String("skipping")))
        QSKIP(qPrintable(why));
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

void TestUDisksDrives::listsRemovableDrivesWithDetailsAndMounts() {
    const TUDisksDriveLister lister(StandIn.Bus());
    QVERIFY(lister.Available());
    const std::vector<TCandidateDrive> drives = lister.PresentDrives();
    QStringList paths;
    for (const TCandidateDrive& drive : drives)
        paths << drive.Path;
    QCOMPARE(paths, QStringList({"/dev/mmcblk9", "/dev/sdv", "/dev/sdx"}));
    const TCandidateDrive& slot = drives[0];
    QCOMPARE(slot.Size, quint64(2 << 20));
    QCOMPARE(slot.Model, QStringLiteral("SD02G"));
    QCOMPARE(slot.MountedFileSystem, QStringLiteral("/dev/mmcblk9"));
    QCOMPARE(slot.MountPoint, QStringLiteral("/mnt"));
    QCOMPARE(drives[1].Size, quint64(0)); // a reader without a card
    QVERIFY(drives[1].MountedFileSystem.isEmpty());
    const TCandidateDrive& reader = drives[2];
    QCOMPARE(DriveDetails(reader), QStringLiteral("7.4 GiB, Generic STORAGE DEVICE"));
    QCOMPARE(reader.MountedFileSystem, QStringLiteral("/dev/sdx1"));
    QCOMPARE(reader.MountPoint, QStringLiteral("/media/u/MY CARD"));
    QVERIFY(!reader.Answers); // only RemovableDrives opens the devices
    for (const TCandidateDrive& drive : lister.RemovableDrives())
        QVERIFY(!drive.Answers); // no such nodes here

    // The system's list takes UDisks2's when it answers.
    const TSystemDriveLister system(StandIn.Bus());
    QCOMPARE(system.PresentDrives().size(), drives.size());
    QCOMPARE(system.PresentDrives()[0].Path, QStringLiteral("/dev/mmcblk9"));
}

void TestUDisksDrives::watcherFollowsTheSignals() {
    const TUDisksDriveLister udisks(StandIn.Bus());
    const TCountingLister lister(udisks);
    TDriveWatcher watcher(lister);
    QSignalSpy arrived(&watcher, &TDriveWatcher::DriveArrived);
    QSignalSpy left(&watcher, &TDriveWatcher::DriveLeft);
    QCOMPARE(watcher.Start(StandIn.Bus(), 20), TDriveWatcher::TSource::UDisks);
    // No polling: nothing changes, nothing is listed again.
    const int primed = lister.Listings;
    QTest::qWait(300);
    QCOMPARE(lister.Listings, primed);

    // A reader with a card is plugged in: one listing for the burst of signals.
    QVERIFY(StandIn.Call("AddDrive", {Json(Drive("/dev/sdy", 1 << 30, "Acme", "Reader"))}));
    QTRY_COMPARE(Paths(arrived), QStringList{"/dev/sdy"});
    QCOMPARE(arrived.first().first().value<TCandidateDrive>().Model, QStringLiteral("Reader"));
    QCOMPARE(lister.Listings, primed + 1);

    // A property change is looked at too: the desktop mounting a file system arrives as one.
    QVERIFY(StandIn.Call("SetMountPoint", {"/dev/mmcblk9", "/media/u/OTHER"}));
    QTRY_COMPARE(lister.Listings, primed + 2);
    QVERIFY(left.isEmpty());
    QCOMPARE(arrived.size(), 1);

    // The card is taken out of the reader, put back, and the reader pulled out.
    QVERIFY(StandIn.Call("SetMedium", {"/dev/sdy", quint64(0)}));
    QTRY_COMPARE(Paths(left), QStringList{"/dev/sdy"});
    QVERIFY(StandIn.Call("SetMedium", {"/dev/sdy", quint64(1 << 30)}));
    QTRY_COMPARE(Paths(arrived), QStringList({"/dev/sdy", "/dev/sdy"}));
    QVERIFY(StandIn.Call("RemoveDrive", {"/dev/sdy"}));
    QTRY_COMPARE(Paths(left), QStringList({"/dev/sdy", "/dev/sdy"}));
    QVERIFY(StandIn.Call("SetMountPoint", {"/dev/mmcblk9", "/mnt"}));

    // Stopped, it hears nothing more.
    watcher.Stop();
    const int stopped = lister.Listings;
    QVERIFY(StandIn.Call("AddDrive", {Json(Drive("/dev/sdz", 1 << 30, "", "Z"))}));
    QTest::qWait(2 * TDriveWatcher::SettleMs + 100);
    QCOMPARE(lister.Listings, stopped);
    QVERIFY(StandIn.Call("RemoveDrive", {"/dev/sdz"}));
}

void TestUDisksDrives::mainWindowOffersAnAnnouncedDrive() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("FIRST")}));
    const TUDisksDriveLister udisks(StandIn.Bus());
    TDriveWatcher watcher(udisks);
    TfrmMain& main = rig.Open();
    main.WatchDrives(&watcher);
    QCOMPARE(watcher.Start(StandIn.Bus()), TDriveWatcher::TSource::UDisks);
    rig.Prompter.QueueAnswer(TPrompter::TAnswer::No);
    QVERIFY(StandIn.Call("AddDrive",
                         {Json(Drive("/dev/sdu", 7948206080, "Generic", "STORAGE DEVICE"))}));
    QTRY_COMPARE(rig.Prompter.Messages(),
                 QStringList{"A removable drive has appeared: '/dev/sdu' (7.4 GiB, Generic "
                             "STORAGE DEVICE).\rOpen it as the MMC drive?"});
    QCOMPARE(rig.StoredValue("MMCDrive").toString(), rig.CardPath());
    QVERIFY(FindNode(main, QStringLiteral("FIRST")));
    QVERIFY(StandIn.Call("RemoveDrive", {"/dev/sdu"}));
    QTest::qWait(2 * TDriveWatcher::SettleMs + 100);
    QCOMPARE(rig.Prompter.Messages().size(), 1); // not the open card's drive: nothing to say
}

void TestUDisksDrives::withoutUDisksTheWatcherFallsBack() {
    TFakeDrives drives(QStringLiteral("/dev/sdq"));
    // A bus without UDisks2 on it, and no udev daemon: the watcher polls.
    const QDBusConnection empty = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("brelk-no-bus"));
    QVERIFY(!TUDisksDriveLister(empty).Available());
    QVERIFY(!TUDisksDriveLister(empty).TryList());
    QVERIFY(TUDisksDriveLister(empty).PresentDrives().empty());
    const TCountingLister lister(drives);
    TDriveWatcher watcher(lister);
    QCOMPARE(watcher.Start(empty, 20, QStringLiteral("/nonexistent/udev/control")),
             TDriveWatcher::TSource::Polling);
    QTRY_VERIFY(lister.Listings >= 3);
    watcher.Stop();

    // With the udev daemon's socket there, a udev monitor is tried before polling.
    QTemporaryDir dir;
    const QString control = dir.filePath(QStringLiteral("control"));
    QVERIFY(MakeEmptyFile(control, 0));
    const TDriveWatcher::TSource source = watcher.Start(std::nullopt, 20, control);
    QVERIFY(source == TDriveWatcher::TSource::Udev || source == TDriveWatcher::TSource::Polling);
    if (source == TDriveWatcher::TSource::Udev) {
        const int listed = lister.Listings;
        QTest::qWait(200);
        QCOMPARE(lister.Listings, listed); // no polling beside the monitor
    }
}

QTEST_MAIN(TestUDisksDrives)
#include "tst_udisksdrives.moc"
