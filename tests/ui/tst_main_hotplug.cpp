// A card reader or card that comes and goes while the window is open: the offer to open a new
// drive (Yes, No, and a drive that turns out mounted) and the card pulled with and without
// unsaved changes.
#include "tst_main_fixture.h"

#include "ui/settings/DriveWatcher.h"

#include <QTreeWidget>

using namespace maintest;
using TAnswer = TPrompter::TAnswer;
using TIcon = TPrompter::TIcon;
using TButtons = TPrompter::TButtons;

namespace {

// Removable drives that the test plugs in and pulls out.
class TPlugDrives : public TDriveLister {
  public:
    std::vector<TCandidateDrive> RemovableDrives() const override { return Drives; }
    void Plug(const QString& path, quint64 size, const QString& model = QString()) {
        TCandidateDrive drive(path, true);
        drive.Size = size;
        drive.Model = model;
        Drives.push_back(drive);
    }
    void Pull(const QString& path) {
        std::erase_if(Drives, [&](const TCandidateDrive& d) { return d.Path == path; });
    }
    std::vector<TCandidateDrive> Drives;
};

QString RootText(TfrmMain& main) {
    return Find<TObjectTreeWidget>(main, "treevwObjects")->topLevelItem(0)->text(0);
}

} // namespace

class TestMainHotplug : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void arrivalIsOfferedAndYesOpensIt();
    void arrivalNoKeepsTheCard();
    void arrivalMountedMeanwhileIsRefused();
    void pulledCardIsClosed();
    void pulledCardWithUnsavedChangesWarnsAndWritesNothing();
    void otherDriveLeavingChangesNothing();
    void cardIntoAnEmptyReaderIsAnArrival();
    void changeDuringAQuestionIsLookedAtAfterIt();

  private:
    TfrmMain& OpenWatched();

    std::unique_ptr<TMainRig> Rig;
    TPlugDrives Drives;
    std::unique_ptr<TDriveWatcher> Watcher;
    QString Reader;
};

void TestMainHotplug::init() {
    Rig = std::make_unique<TMainRig>();
    Drives.Drives.clear();
    QVERIFY(Rig->UseCard(k8M, {Tool("FIRST")}));
    Reader = Rig->Path(QStringLiteral("reader.img"));
    QVERIFY(MakeCard(Reader, k8M, {Tool("SECOND")}));
    Watcher = std::make_unique<TDriveWatcher>(Drives);
}

void TestMainHotplug::cleanup() {
    Rig.reset();
    Watcher.reset();
}

TfrmMain& TestMainHotplug::OpenWatched() {
    Drives.Plug(Rig->CardPath(), k8M);
    TfrmMain& main = Rig->Open();
    main.WatchDrives(Watcher.get());
    Watcher->Poll(); // learns what is there at the start; offers nothing
    return main;
}

void TestMainHotplug::arrivalIsOfferedAndYesOpensIt() {
    TfrmMain& main = OpenWatched();
    QVERIFY(Rig->Prompter.Messages().isEmpty());
    Drives.Plug(Reader, 7948206080, QStringLiteral("STORAGE DEVICE"));
    Rig->Prompter.QueueAnswer(TAnswer::Yes);
    Watcher->Poll();
    QCOMPARE(Rig->Prompter.Messages(),
             QStringList({QStringLiteral("A removable drive has appeared: '%1' (7.4 GiB, STORAGE "
                                         "DEVICE).\rOpen it as the MMC drive?")
                              .arg(Reader)}));
    QCOMPARE(Rig->Prompter.Last().Icon, TIcon::Confirmation);
    QCOMPARE(Rig->Prompter.Last().Buttons, TButtons::YesNo);
    QCOMPARE(Rig->StoredValue("MMCDrive").toString(), Reader);
    QCOMPARE(RootText(main), Reader + QStringLiteral(": (Brelk)"));
    QVERIFY(FindNode(main, QStringLiteral("SECOND")));
    // Polling again offers nothing new.
    Watcher->Poll();
    QCOMPARE(Rig->Prompter.Messages().size(), 1);
}

void TestMainHotplug::arrivalNoKeepsTheCard() {
    TfrmMain& main = OpenWatched();
    Drives.Plug(Reader, 1 << 20);
    Rig->Prompter.QueueAnswer(TAnswer::No);
    Watcher->Poll();
    QCOMPARE(Rig->Prompter.Messages(),
             QStringList({QStringLiteral("A removable drive has appeared: '%1' (1.0 MiB).\rOpen "
                                         "it as the MMC drive?")
                              .arg(Reader)}));
    QCOMPARE(Rig->StoredValue("MMCDrive").toString(), Rig->CardPath());
    QVERIFY(FindNode(main, QStringLiteral("FIRST")));
    QVERIFY(Rig->Prompter.AllAnswersUsed());
}

void TestMainHotplug::arrivalMountedMeanwhileIsRefused() {
    // A drive the desktop has mounted already is not offered.
    OpenWatched();
    Drives.Plug(Reader, 1 << 20);
    Drives.Drives.back().MountedFileSystem = Reader + QStringLiteral("1");
    Drives.Drives.back().MountPoint = QStringLiteral("/media/user/CARD");
    Watcher->Poll();
    QVERIFY(Rig->Prompter.Messages().isEmpty());

    // One that the desktop mounts while the question is open is refused after Yes.
    class TMountingPrompter : public TScriptedPrompter {
      public:
        TPlugDrives* Drives = nullptr;
        TAnswer Message(const QString& text, TIcon icon, TButtons buttons,
                        TAnswer defaultAnswer) override {
            TCandidateDrive& drive = Drives->Drives.back();
            drive.MountedFileSystem = drive.Path + QStringLiteral("1");
            drive.MountPoint = QStringLiteral("/media/user/CARD");
            return TScriptedPrompter::Message(text, icon, buttons, defaultAnswer);
        }
    } prompter;
    prompter.Drives = &Drives;
    Rig->Main = std::make_unique<TfrmMain>(prompter, Rig->ProgramFolder);
    Rig->Main->AttachWindows(nullptr, Rig->Wait.get(), nullptr);
    Rig->Main->FormShow();
    Rig->Main->WatchDrives(Watcher.get());
    const QString second = Rig->Path(QStringLiteral("second.img"));
    Drives.Plug(second, 1 << 20);
    prompter.QueueAnswer(TAnswer::Yes);
    Watcher->Poll();
    QCOMPARE(prompter.Messages().size(), 2);
    QCOMPARE(prompter.Messages().last(),
             QStringLiteral("The device '%1' holds the mounted file system '%2' (on "
                            "'/media/user/CARD').\rUnmount it first, or choose another drive.")
                 .arg(second, second + QStringLiteral("1")));
    QCOMPARE(prompter.Last().Icon, TIcon::Warning);
    QCOMPARE(Rig->StoredValue("MMCDrive").toString(), Rig->CardPath());
    QCOMPARE(RootText(*Rig->Main), Rig->CardPath() + QStringLiteral(": (Brelk)"));
    Rig->Main.reset(); // before the prompter goes
}

void TestMainHotplug::pulledCardIsClosed() {
    TfrmMain& main = OpenWatched();
    Drives.Pull(Rig->CardPath());
    Watcher->Poll();
    QCOMPARE(Rig->Prompter.Messages(),
             QStringList({QStringLiteral("The card in '%1' was removed.").arg(Rig->CardPath())}));
    QCOMPARE(Rig->Prompter.Last().Icon, TIcon::Information);
    QCOMPARE(RootText(main), Rig->CardPath() + QStringLiteral(": (no MMC present)"));
    QCOMPARE(Find<TObjectTreeWidget>(main, "treevwObjects")->topLevelItem(0)->childCount(), 0);
    QVERIFY(!main.Card()->HasUnsavedData());
}

void TestMainHotplug::pulledCardWithUnsavedChangesWarnsAndWritesNothing() {
    TfrmMain& main = OpenWatched();
    const QByteArray before = [&] {
        QFile file(Rig->CardPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const std::uint8_t bytes[4] = {1, 2, 3, 4};
    QVERIFY(main.Card()->WriteRawBytes(bytes, 4u << 20, sizeof bytes));
    QVERIFY(main.Card()->HasUnsavedData());
    Drives.Pull(Rig->CardPath());
    Watcher->Poll();
    QCOMPARE(Rig->Prompter.Messages(),
             QStringList({QStringLiteral("The card in '%1' was removed before all changes were "
                                         "written to it.\rThose changes are lost: put the card "
                                         "back and check its contents before you go on.")
                              .arg(Rig->CardPath())}));
    QCOMPARE(Rig->Prompter.Last().Icon, TIcon::Warning);
    QCOMPARE(Rig->Prompter.Last().Buttons, TButtons::OK);
    QCOMPARE(RootText(main), Rig->CardPath() + QStringLiteral(": (no MMC present)"));
    // Closing the window writes nothing and reports nothing.
    Rig->Main.reset();
    QCOMPARE(Rig->Prompter.Messages().size(), 1);
    QFile file(Rig->CardPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestMainHotplug::otherDriveLeavingChangesNothing() {
    Drives.Plug(Reader, 1 << 20);
    TfrmMain& main = OpenWatched();
    Drives.Pull(Reader);
    Watcher->Poll();
    QVERIFY(Rig->Prompter.Messages().isEmpty());
    QCOMPARE(RootText(main), Rig->CardPath() + QStringLiteral(": (Brelk)"));
}

void TestMainHotplug::cardIntoAnEmptyReaderIsAnArrival() {
    OpenWatched();
    Drives.Plug(Reader, 0); // a reader without a card reports no size
    Watcher->Poll();
    QVERIFY(Rig->Prompter.Messages().isEmpty());
    Drives.Drives.back().Size = 1 << 20;
    Rig->Prompter.QueueAnswer(TAnswer::No);
    Watcher->Poll();
    QCOMPARE(Rig->Prompter.Messages().size(), 1);
    QVERIFY(Rig->Prompter.Messages().first().contains(Reader));
}

// A second drive noticed while the question about the first is open is offered once the
// first question is answered, not inside it.
void TestMainHotplug::changeDuringAQuestionIsLookedAtAfterIt() {
    OpenWatched();
    const QString second = Rig->Path(QStringLiteral("second.img"));
    QStringList openWhenAsked;
    bool asking = false;
    connect(Watcher.get(), &TDriveWatcher::DriveArrived, this, [&](const TCandidateDrive& d) {
        QVERIFY(!asking);
        asking = true;
        openWhenAsked << d.Path;
        if (d.Path == Reader) {
            Drives.Plug(second, 1 << 20);
            Watcher->Poll(); // as an event arriving inside the dialog would
        }
        asking = false;
    });
    Rig->Prompter.QueueAnswer(TAnswer::No);
    Rig->Prompter.QueueAnswer(TAnswer::No);
    Drives.Plug(Reader, 1 << 20);
    Watcher->Poll();
    QCOMPARE(openWhenAsked, QStringList{Reader});
    QTRY_COMPARE(openWhenAsked, QStringList({Reader, second}));
    QCOMPARE(Rig->Prompter.Messages().size(), 2);
    QVERIFY(Rig->Prompter.Messages().last().contains(second));
}

QTEST_MAIN(TestMainHotplug)
#include "tst_main_hotplug.moc"
