// The drive list's details: each removable device with its size, vendor and model, and the
// refusal of a device that holds a mounted file system.
#include "support/SettingsTestSupport.h"
#include "support/UiTestSupport.h"
#include "ui/aux/ScriptedPrompter.h"
#include "ui/settings/SettingsDialog.h"

#include <QAbstractItemView>
#include <QDir>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>

namespace {

void WriteText(const QString& path, const QByteArray& text) {
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

TCandidateDrive Drive(const QString& path, quint64 size, const QString& vendor,
                      const QString& model, const QString& mounted = QString(),
                      const QString& mountPoint = QString()) {
    TCandidateDrive drive(path, true);
    drive.Size = size;
    drive.Vendor = vendor;
    drive.Model = model;
    drive.MountedFileSystem = mounted;
    drive.MountPoint = mountPoint;
    return drive;
}

} // namespace

class TestSettingsDriveDetails : public QObject {
    Q_OBJECT
  private slots:
    void details_data();
    void details();
    void sysBlockListerReadsDetailsAndMounts();
    void listShowsDetailsInToolTips();
    void openListShowsEntriesWhole();
    void mountedDeviceIsRefusedNamingItsFileSystem();
    void mountedDeviceIsNotPreselected();
};

void TestSettingsDriveDetails::details_data() {
    QTest::addColumn<quint64>("size");
    QTest::addColumn<QString>("vendor");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("text");
    QTest::newRow("all known") << quint64(7948206080) << "Generic"
                               << "STORAGE DEVICE"
                               << "7.4 GiB, Generic STORAGE DEVICE";
    QTest::newRow("card without vendor") << quint64(2 * 1024 * 1024) << ""
                                         << "SD02G"
                                         << "2.0 MiB, SD02G";
    QTest::newRow("no medium") << quint64(0) << "Generic"
                               << "Card Reader"
                               << "Generic Card Reader";
    QTest::newRow("nothing known") << quint64(0) << ""
                                   << ""
                                   << "";
}

void TestSettingsDriveDetails::details() {
    QFETCH(quint64, size);
    QFETCH(QString, vendor);
    QFETCH(QString, model);
    QFETCH(QString, text);
    QCOMPARE(DriveDetails(Drive("/dev/sdb", size, vendor, model)), text);
}

void TestSettingsDriveDetails::sysBlockListerReadsDetailsAndMounts() {
    QTemporaryDir root;
    const QString sys = root.filePath(QStringLiteral("sys/block"));
    const QString dev = root.filePath(QStringLiteral("dev"));
    const QString mountInfo = root.filePath(QStringLiteral("mountinfo"));
    // A USB reader whose first partition is mounted, and an SD card in a built-in slot.
    WriteText(sys + "/sdb/removable", "1\n");
    WriteText(sys + "/sdb/size", "15523840\n");
    WriteText(sys + "/sdb/dev", "8:16\n");
    WriteText(sys + "/sdb/device/vendor", "Generic \n");
    WriteText(sys + "/sdb/device/model", "STORAGE DEVICE  \n");
    WriteText(sys + "/sdb/sdb1/dev", "8:17\n");
    WriteText(sys + "/mmcblk0/removable", "0\n");
    WriteText(sys + "/mmcblk0/size", "4096\n");
    WriteText(sys + "/mmcblk0/dev", "179:0\n");
    WriteText(sys + "/mmcblk0/device/name", "SD02G\n");
    WriteText(mountInfo, "22 1 8:2 / / rw,relatime - ext4 /dev/sda2 rw\n"
                         "36 22 8:17 / /media/user/MY\\040CARD rw,nosuid - vfat /dev/sdb1 rw\n");

    const std::vector<TCandidateDrive> drives =
        TSysBlockDriveLister(sys, dev, mountInfo).RemovableDrives();
    QCOMPARE(int(drives.size()), 2);
    const TCandidateDrive& card = drives[0];
    QCOMPARE(card.Path, dev + "/mmcblk0");
    QCOMPARE(card.Size, quint64(4096 * 512));
    QCOMPARE(card.Model, QStringLiteral("SD02G"));
    QVERIFY(card.Vendor.isEmpty());
    QVERIFY(card.MountedFileSystem.isEmpty());
    const TCandidateDrive& reader = drives[1];
    QCOMPARE(reader.Path, dev + "/sdb");
    QCOMPARE(reader.Size, quint64(7948206080));
    QCOMPARE(reader.Vendor, QStringLiteral("Generic"));
    QCOMPARE(reader.Model, QStringLiteral("STORAGE DEVICE"));
    QCOMPARE(reader.MountedFileSystem, dev + "/sdb1");
    QCOMPARE(reader.MountPoint, QStringLiteral("/media/user/MY CARD"));

    // The whole device mounted (no partition table) counts too; a missing mountinfo means none.
    WriteText(mountInfo, "36 22 179:0 / /mnt rw - vfat /dev/mmcblk0 rw\n");
    QCOMPARE(TSysBlockDriveLister(sys, dev, mountInfo).RemovableDrives()[0].MountPoint,
             QStringLiteral("/mnt"));
    QVERIFY(TSysBlockDriveLister(sys, dev, root.filePath("none"))
                .RemovableDrives()[1]
                .MountedFileSystem.isEmpty());
}

void TestSettingsDriveDetails::listShowsDetailsInToolTips() {
    TTempSettings store;
    const TFakeDrives drives{Drive("/dev/sde", 7948206080, "Generic", "STORAGE DEVICE"),
                             Drive("/dev/sdf", 0, "", "")};
    TBrelkExplorerSettings settings;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &drives);
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    QCOMPARE(Entries(list), QStringList({"/dev/sde", "/dev/sdf"}));
    QCOMPARE(list->itemData(0, Qt::ToolTipRole).toString(),
             QStringLiteral("/dev/sde\n7.4 GiB, Generic STORAGE DEVICE"));
    QCOMPARE(list->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("/dev/sdf"));
}

// The open drive list is wide enough for each entry with its details and the in-use note.
void TestSettingsDriveDetails::openListShowsEntriesWhole() {
    TTempSettings store;
    const TFakeDrives drives{Drive("/dev/sde", 7948206080, "Generic", "STORAGE DEVICE"),
                             Drive("/dev/sdf", 1 << 30, "Acme Corporation",
                                   "Multi-Card Reader Deluxe", "/dev/sdf1", "/media/user/CARD")};
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &drives);
    dialog.show();
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    list->showPopup();
    QAbstractItemView* view = list->view();
    QTRY_VERIFY(view->isVisible());
    const QFontMetrics metrics(view->font());
    for (int row = 0; row < list->count(); ++row) {
        QStyleOptionViewItem option;
        option.initFrom(view);
        const QModelIndex index = view->model()->index(row, 0);
        const QSize needed = view->itemDelegate()->sizeHint(option, index);
        QVERIFY2(needed.width() <= view->viewport()->width(),
                 qPrintable(QStringLiteral("row %1: %2 > %3")
                                .arg(row)
                                .arg(needed.width())
                                .arg(view->viewport()->width())));
    }
    list->hidePopup();
}

void TestSettingsDriveDetails::mountedDeviceIsRefusedNamingItsFileSystem() {
    TTempSettings store;
    const TFakeDrives drives{
        Drive("/dev/sde", 7948206080, "Generic", "STORAGE DEVICE"),
        Drive("/dev/sdf", 1 << 30, "Acme", "Reader", "/dev/sdf1", "/media/user/CARD")};
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &drives);
    dialog.show();
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    QCOMPARE(list->itemData(1, Qt::ToolTipRole).toString(),
             QStringLiteral("/dev/sdf\n1.0 GiB, Acme Reader\n/dev/sdf1 is mounted on "
                            "/media/user/CARD"));
    list->setCurrentIndex(1);
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(prompter.Messages(),
             QStringList({"The device '/dev/sdf' holds the mounted file system '/dev/sdf1' (on "
                          "'/media/user/CARD').\rUnmount it first, or choose another drive."}));
    QCOMPARE(prompter.Last().Icon, TPrompter::TIcon::Warning);
    QCOMPARE(prompter.Last().Buttons, TPrompter::TButtons::OK);
    QVERIFY(dialog.isVisible());
    QCOMPARE(settings.MMCDrive, QStringLiteral("/dev/sde"));
    QCOMPARE(store.RawValue("MMCDrive"), QStringLiteral("/dev/sde"));

    // The free device is taken without a question.
    list->setCurrentIndex(0);
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(prompter.Messages().size(), 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(settings.MMCDrive, QStringLiteral("/dev/sde"));
}

void TestSettingsDriveDetails::mountedDeviceIsNotPreselected() {
    TTempSettings store;
    const TFakeDrives drives{Drive("/dev/sde", 1 << 30, "", "Reader"),
                             Drive("/dev/sdf", 1 << 30, "", "Reader", "/dev/sdf", "/mnt")};
    TBrelkExplorerSettings settings;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &drives);
    QCOMPARE(dialog.PreselectedDrive(), QStringLiteral("/dev/sde"));
}

QTEST_MAIN(TestSettingsDriveDetails)
#include "tst_settingsdrivedetails.moc"
