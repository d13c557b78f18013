// The settings dialog's drive list: the removable devices of /sys/block, the pre-selected
// drive that becomes the store's default, the stored drive and image files.
#include "support/SettingsTestSupport.h"
#include "support/UiTestSupport.h"
#include "ui/aux/ScriptedPrompter.h"
#include "ui/settings/SettingsDialog.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

class TestSettingsDrives : public QObject {
    Q_OBJECT
  private slots:
    void preselectsTheLastDriveThatAnswers_data();
    void preselectsTheLastDriveThatAnswers();
    void showingSelectsTheStoredDrive_data();
    void showingSelectsTheStoredDrive();
    void storedImageFileIsOffered();
    void emptyDriveListKeepsTheStoredDrive();
    void listsTheDrivesPresentWhenOpened();
    void imageFileButton();
    void sysBlockLister();
};

void TestSettingsDrives::preselectsTheLastDriveThatAnswers_data() {
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("preselected");
    QTest::newRow("both answer: the last") << QList<bool>{true, true} << 1;
    QTest::newRow("only the first answers") << QList<bool>{true, false} << 0;
    QTest::newRow("none answers: the first") << QList<bool>{false, false} << 0;
    QTest::newRow("three, middle answers") << QList<bool>{false, true, false} << 1;
}

void TestSettingsDrives::preselectsTheLastDriveThatAnswers() {
    QFETCH(QList<bool>, answers);
    QFETCH(int, preselected);
    TTempSettings store;
    TFakeDrives drives;
    for (int i = 0; i < answers.size(); ++i)
        drives.Drives.push_back({QStringLiteral("/dev/sd%1").arg(QChar('e' + i)), answers[i]});
    TBrelkExplorerSettings settings; // still empty, as at program start
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &drives);
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    QCOMPARE(list->count(), answers.size());
    QCOMPARE(list->currentIndex(), preselected);
    QCOMPARE(dialog.PreselectedDrive(), drives.Drives[preselected].Path);

    // The store's default drive is the pre-selected one.
    settings.ReadSettingsFromRegistry(dialog.PreselectedDrive());
    QCOMPARE(store.RawValue("MMCDrive"), drives.Drives[preselected].Path);
}

void TestSettingsDrives::showingSelectsTheStoredDrive_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("selected");
    QTest::newRow("stored E") << "/dev/sde"
                              << "/dev/sde";
    QTest::newRow("stored F") << "/dev/sdf"
                              << "/dev/sdf";
    QTest::newRow("upper case matches nothing") << "/DEV/SDE"
                                                << "/dev/sdf";
    QTest::newRow("absent device matches nothing") << "/dev/sdq"
                                                   << "/dev/sdf";
}

void TestSettingsDrives::showingSelectsTheStoredDrive() {
    QFETCH(QString, stored);
    QFETCH(QString, selected);
    TTempSettings store;
    TBrelkExplorerSettings settings;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    settings.ReadSettingsFromRegistry(dialog.PreselectedDrive());
    settings.MMCDrive = stored;
    dialog.show();
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    QCOMPARE(Entries(list), QStringList({"/dev/sde", "/dev/sdf"}));
    QCOMPARE(list->currentText(), selected);
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(settings.MMCDrive, selected);
}

void TestSettingsDrives::storedImageFileIsOffered() {
    TTempSettings store;
    const QString image = store.Folder() + QStringLiteral("/card.img");
    MakeFile(image);
    TBrelkExplorerSettings settings;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    settings.ReadSettingsFromRegistry(dialog.PreselectedDrive());
    settings.MMCDrive = image;
    dialog.show();
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    QCOMPARE(Entries(list), QStringList({"/dev/sde", "/dev/sdf", image}));
    QCOMPARE(list->currentText(), image);
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(settings.MMCDrive, image);
    QCOMPARE(store.RawValue("MMCDrive"), image);

    // Back to a device: the next showing offers the image no more.
    settings.MMCDrive = QStringLiteral("/dev/sde");
    dialog.show();
    QCOMPARE(Entries(list), QStringList({"/dev/sde", "/dev/sdf"}));
    QCOMPARE(list->currentText(), QStringLiteral("/dev/sde"));
}

void TestSettingsDrives::emptyDriveListKeepsTheStoredDrive() {
    TTempSettings store;
    const TFakeDrives none;
    TBrelkExplorerSettings settings;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &none);
    QVERIFY(dialog.PreselectedDrive().isEmpty());
    QCOMPARE(Named<QComboBox>(&dialog, "cmboDrives")->currentIndex(), -1);
    settings.ReadSettingsFromRegistry(dialog.PreselectedDrive());
    QVERIFY(settings.MMCDrive.isEmpty());
    settings.MMCDrive = QStringLiteral("/dev/gone");
    dialog.show();
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(settings.MMCDrive, QStringLiteral("/dev/gone"));
}

// Readers plugged in or pulled after the start are listed by the next opening of the dialog.
void TestSettingsDrives::listsTheDrivesPresentWhenOpened() {
    TTempSettings store;
    TFakeDrives drives{{"/dev/sde", true}};
    TBrelkExplorerSettings settings;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &drives);
    settings.ReadSettingsFromRegistry(dialog.PreselectedDrive());
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    dialog.show();
    QCOMPARE(Entries(list), QStringList{"/dev/sde"});
    dialog.reject();

    TCandidateDrive arrived(QStringLiteral("/dev/sdg"), true);
    arrived.Size = 2u << 30;
    drives.Drives.push_back(arrived);
    dialog.show();
    QCOMPARE(Entries(list), QStringList({"/dev/sde", "/dev/sdg"}));
    QCOMPARE(list->currentText(), QStringLiteral("/dev/sde")); // the stored drive
    QCOMPARE(list->itemData(1, Qt::ToolTipRole).toString(),
             QStringLiteral("/dev/sdg\n") + DriveDetails(arrived));
    list->setCurrentIndex(1);
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(settings.MMCDrive, QStringLiteral("/dev/sdg"));

    drives.Drives.erase(drives.Drives.begin());
    dialog.show();
    QCOMPARE(Entries(list), QStringList{"/dev/sdg"});
    QCOMPARE(list->currentText(), QStringLiteral("/dev/sdg"));
    QCOMPARE(dialog.PreselectedDrive(), QStringLiteral("/dev/sde")); // chosen at the start
    dialog.reject();
    QVERIFY(prompter.Questions().isEmpty());
}

void TestSettingsDrives::imageFileButton() {
    TTempSettings store;
    TBrelkExplorerSettings settings = FreshSettings(QStringLiteral("/dev/sde"));
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &TwoCardReaders);
    dialog.show();
    auto* list = Named<QComboBox>(&dialog, "cmboDrives");
    auto* button = Named<QPushButton>(&dialog, "spdbtnSelectImageFile");

    prompter.QueueFile(QString());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(Entries(list), QStringList({"/dev/sde", "/dev/sdf"}));
    QCOMPARE(list->currentText(), QStringLiteral("/dev/sde"));
    QCOMPARE(prompter.Last().Text, QStringLiteral("Select card image file..."));

    const QString image = store.Folder() + QStringLiteral("/brelk.img");
    MakeFile(image);
    prompter.QueueFile(image);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(list->currentText(), image);
    // Picking it again does not list it twice.
    prompter.QueueFile(image);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(list->count(), 3);
    QCOMPARE(prompter.Last().Folder, store.Folder());
    QTest::mouseClick(Named<QPushButton>(&dialog, "btbtnOK"), Qt::LeftButton);
    QCOMPARE(settings.MMCDrive, image);
    QCOMPARE(store.RawValue("MMCDrive"), image);
    QVERIFY2(!prompter.Unexpected(), qPrintable(prompter.Describe()));
}

// A fake /sys/block: removable devices and mmcblk cards are listed, sorted by name; a
// device node that exists answers the size query, a missing one does not.
void TestSettingsDrives::sysBlockLister() {
    QTemporaryDir root;
    const QString sys = root.filePath(QStringLiteral("sys/block"));
    const QString dev = root.filePath(QStringLiteral("dev"));
    QVERIFY(QDir().mkpath(dev));
    const QList<QPair<QString, QByteArray>> devices = {
        {"sda", "0\n"},          {"sdb", "1\n"},          {"sdc", "1\n"}, {"mmcblk0", "0\n"},
        {"mmcblk0boot0", "0\n"}, {"loop0", QByteArray()}, {"sr0", "1\n"}};
    for (const auto& [name, removable] : devices) {
        QVERIFY(QDir().mkpath(sys + QLatin1Char('/') + name));
        if (!removable.isEmpty()) {
            QFile flag(sys + QLatin1Char('/') + name + QStringLiteral("/removable"));
            QVERIFY(flag.open(QIODevice::WriteOnly));
            flag.write(removable);
        }
    }
    for (const char* node : {"sda", "sdb", "mmcblk0"})
        MakeFile(dev + QLatin1Char('/') + QLatin1String(node));

    const TSysBlockDriveLister lister(sys, dev);
    const std::vector<TCandidateDrive> drives = lister.RemovableDrives();
    QStringList paths;
    QList<bool> answers;
    for (const TCandidateDrive& drive : drives) {
        paths.append(drive.Path);
        answers.append(drive.Answers);
    }
    QCOMPARE(paths, QStringList({dev + "/mmcblk0", dev + "/sdb", dev + "/sdc", dev + "/sr0"}));
    QCOMPARE(answers, QList<bool>({true, true, false, false}));

    // In the dialog: the last one that answers is pre-selected.
    TTempSettings store;
    TBrelkExplorerSettings settings;
    TScriptedPrompter prompter;
    TfrmSettings dialog(settings, prompter, nullptr, &lister);
    QCOMPARE(dialog.PreselectedDrive(), dev + QStringLiteral("/sdb"));
    QVERIFY(!TSysBlockDriveLister::SizeQueryAnswers(dev + QStringLiteral("/none")));
}

QTEST_MAIN(TestSettingsDrives)
#include "tst_settingsdrives.moc"
