// Backing up the card from the Tools menu: the save dialog, the wait window, the index and
// image files, the messages after a full, a failed and a cancelled backup; and restoring a
// backup set with every question path.
#include "tst_main_fixture.h"

#include "explorer/Backup.h"
#include "support/UiTestSupport.h"
#include "ui/aux/CheckUpdates.h"
#include "ui/aux/UpdateFetcher.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

using namespace maintest;
using TAnswer = TPrompter::TAnswer;
using TIcon = TPrompter::TIcon;
using TButtons = TPrompter::TButtons;
using TKind = TScriptedPrompter::TKind;

namespace {

const QString kFilter = "BrelkExplorer Backupfiles (*.txt)|*.txt|All files (*.*)|*.*";
const QChar CR(13);

struct TFixedClock : brelk::TBackupClock {
    std::string DateTimeText() const override { return "15.03.2007 14:05:09"; }
};

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray CardBytes(brelk::TBrelk& card, const brelk::TBrelkCatEntry& entry) {
    QByteArray bytes(qsizetype(entry.Size()), 0);
    card.ReadMMC(bytes.data(), entry.Address(), entry.Size());
    return bytes;
}

// A card of two tools, a disc, a filing system and a deleted object.
bool UseFilledCard(TMainRig& rig) {
    return rig.UseCard(k8M, {Tool("Tools.One"),
                             Disc("Games.Elite", brelk::kSubtypeDFS, 2048),
                             {brelk::kTypeFilingSystem, 91, "MMFS", 1024},
                             {brelk::kTypeDeleted, 0, "Gone", 512},
                             Tool("Tools.Two")});
}

// Answers every request with Body.
struct TCannedFetcher : TUpdateFetcher {
    QByteArray Body = "<r><currentversion>0.1</currentversion></r>";
    int Calls = 0;
    bool Fetch(const QUrl&, QByteArray& body) override {
        ++Calls;
        body = Body;
        return true;
    }
    void Abort() override {}
};

} // namespace

class TestMainBackup : public QObject {
    Q_OBJECT
  private slots:
    void backupWritesTheSet();
    void backupDialogCancelledDoesNothing();
    void nameWithoutExtensionGetsTxt_data();
    void nameWithoutExtensionGetsTxt();
    void indexThatCannotBeCreated();
    void failedReadIsNotCalledASuccess();
    void cancelInTheWaitWindow();
    void updateWindowFromTheMenu();
    void updateWindowAtStart_data();
    void updateWindowAtStart();
};

void TestMainBackup::backupWritesTheSet() {
    TMainRig rig;
    QVERIFY(UseFilledCard(rig));
    TfrmMain& main = rig.Open();
    TFixedClock clock;
    main.SetBackupClock(&clock);
    QVERIFY(Find<QAction>(main, "actnBackupBrelk")->isEnabled());
    const QString index = rig.Path("set.txt");
    rig.Prompter.QueueFile(index);
    Find<QAction>(main, "actnBackupBrelk")->trigger();

    const auto& first = rig.Prompter.Questions().first();
    QCOMPARE(first.Kind, TKind::SaveFile);
    QCOMPARE(first.Text, QStringLiteral("Backup Brelk as..."));
    QCOMPARE(first.Filter, kFilter);
    QCOMPARE(first.Folder, QDate::currentDate().toString("yyyyMMdd") + ".txt");
    QCOMPARE(rig.Prompter.Messages(), QStringList{"Brelk successfully backed up."});
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Information);
    QVERIFY(!rig.Wait->isVisible());
    QVERIFY(!main.IsBusy());

    const auto live = brelk::LiveEntriesByAddress(main.Card()->Entries());
    QCOMPARE(live.size(), std::size_t(4));
    const QByteArray text = FileBytes(index);
    QVERIFY(text.startsWith("BrelkExplorer Backup (15.03.2007 14:05:09)\r\n"));
    QCOMPARE(text.count("\r\n"), 5);
    QVERIFY(text.contains("\r\n 1 91 00000400 "));
    QVERIFY(!text.contains("Gone"));
    for (std::size_t i = 0; i < live.size(); ++i) {
        const QString image =
            rig.Path("set/") + QString::fromStdString(brelk::ImageFileName(std::uint32_t(i)));
        QCOMPARE(FileBytes(image), CardBytes(*main.Card(), *live[i]));
    }
    QVERIFY(!QFile::exists(rig.Path("set/IMG00004.bin")));
}

void TestMainBackup::backupDialogCancelledDoesNothing() {
    TMainRig rig;
    QVERIFY(UseFilledCard(rig));
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueFile(QString());
    Find<QAction>(main, "actnBackupBrelk")->trigger();
    QVERIFY(rig.Prompter.Messages().isEmpty());
    QCOMPARE(QDir(rig.Dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
             (QStringList{"card.img", "program", "settings.ini"}));
}

void TestMainBackup::nameWithoutExtensionGetsTxt_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("answer"); // to the replace question, when asked
    QTest::addColumn<bool>("written");
    QTest::newRow("new name") << false << -1 << true;
    QTest::newRow("existing, Yes") << true << int(TAnswer::Yes) << true;
    QTest::newRow("existing, No") << true << int(TAnswer::No) << false;
}

void TestMainBackup::nameWithoutExtensionGetsTxt() {
    QFETCH(bool, exists);
    QFETCH(int, answer);
    QFETCH(bool, written);
    TMainRig rig;
    QVERIFY(UseFilledCard(rig));
    TfrmMain& main = rig.Open();
    if (exists)
        QVERIFY(MakeEmptyFile(rig.Path("plain.txt"), 3));
    if (answer >= 0)
        rig.Prompter.QueueAnswer(TAnswer(answer));
    rig.Prompter.QueueFile(rig.Path("plain"));
    Find<QAction>(main, "actnBackupBrelk")->trigger();
    QVERIFY2(!rig.Prompter.Unexpected(), qPrintable(rig.Prompter.Describe()));
    QVERIFY(rig.Prompter.AllAnswersUsed());
    if (exists) {
        QCOMPARE(rig.Prompter.Messages().first(), "The file '" + rig.Path("plain.txt") +
                                                      "' already exists." + CR + CR +
                                                      "Do you want to replace it?");
        QCOMPARE(rig.Prompter.Questions()[1].Buttons, TButtons::YesNo);
    }
    QCOMPARE(QFileInfo(rig.Path("plain.txt")).size() > 3, written);
    QCOMPARE(QFileInfo(rig.Path("plain")).isDir(), written);
    QVERIFY(!QFileInfo::exists(rig.Path("plain")) || QFileInfo(rig.Path("plain")).isDir());
}

void TestMainBackup::indexThatCannotBeCreated() {
    TMainRig rig;
    QVERIFY(UseFilledCard(rig));
    TfrmMain& main = rig.Open();
    const QString index = rig.Path("missing/set.txt");
    rig.Prompter.QueueFile(index);
    Find<QAction>(main, "actnBackupBrelk")->trigger();
    QCOMPARE(rig.Prompter.Messages(), QStringList{"Could not create file '" + index + "'."});
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Error);
    QVERIFY(!rig.Wait->isVisible());
}

void TestMainBackup::failedReadIsNotCalledASuccess() {
    TMainRig rig;
    QVERIFY(UseFilledCard(rig));
    TfrmMain& main = rig.Open();
    // One entry claims to lie in the safety zone: its bytes cannot be read.
    for (const brelk::TBrelkCatEntry* entry : main.Card()->Entries())
        if (entry->Name() == "MMFS") {
            brelk::TBrelkCatEntry moved = *entry;
            moved.SetAddress(main.Card()->UsableLimit());
            main.Card()->UpdateCatEntry(entry, moved);
            break;
        }
    rig.Prompter.QueueFile(rig.Path("set.txt"));
    Find<QAction>(main, "actnBackupBrelk")->trigger();
    QCOMPARE(rig.Prompter.Messages(),
             (QStringList{"Could not read from Brelk.",
                          "The backup is incomplete: 1 of 4 objects could not be saved; their "
                          "lines in the index have no image file."}));
    QCOMPARE(rig.Prompter.Questions()[1].Icon, TIcon::Error);
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Warning);
    QVERIFY(!QFile::exists(rig.Path("set/IMG00003.bin"))); // MMFS is now the highest object
    QVERIFY(QFile::exists(rig.Path("set/IMG00002.bin")));
}

void TestMainBackup::cancelInTheWaitWindow() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("A"), Tool("B"), Tool("C")}));
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueFile(rig.Path("set.txt"));
    QString waitText;
    // Pressed while the first report processes events: the second report sees it.
    QTimer::singleShot(0, rig.Wait.get(), [&] {
        waitText = Named<QLabel>(rig.Wait.get(), "lblWaitTxt")->text();
        QVERIFY(main.IsBusy());
        QVERIFY(!Find<QAction>(main, "actnRestoreBrelk")->isEnabled());
        Named<QPushButton>(rig.Wait.get(), "btbtnCancel")->click();
    });
    Find<QAction>(main, "actnBackupBrelk")->trigger();
    QCOMPARE(waitText, QStringLiteral("Backing up Brelk (3 objects)..."));
    QCOMPARE(rig.Prompter.Messages(),
             QStringList{"Backup cancelled after 2 of 3 objects; the objects not reached have "
                         "no image file."});
    QVERIFY(QFile::exists(rig.Path("set/IMG00001.bin")));
    QVERIFY(!QFile::exists(rig.Path("set/IMG00002.bin")));
}

void TestMainBackup::updateWindowFromTheMenu() {
    TMainRig rig;
    QVERIFY(UseFilledCard(rig));
    TfrmMain& main = rig.Open();
    QVERIFY(
        !Find<QAction>(main, "mnuHelpCheckUpdates")->isEnabled()); // no update window attached yet
    TCannedFetcher fetcher;
    TfrmCheckUpdates window(&fetcher);
    main.AttachUpdateWindow(&window);
    QVERIFY(Find<QAction>(main, "mnuHelpCheckUpdates")->isEnabled());
    window.AutoStarted = true; // left from an earlier showing
    QString report;
    bool autoStarted = true;
    QTimer::singleShot(0, &window, [&] {
        QTRY_VERIFY(Find<QPlainTextEdit>(window, "memoUpdateResults")
                        ->toPlainText()
                        .endsWith("Connection closed."));
        report = Find<QPlainTextEdit>(window, "memoUpdateResults")->toPlainText();
        autoStarted = window.AutoStarted;
        Find<QPushButton>(window, "btbtnCancel")->click();
    });
    Find<QAction>(main, "mnuHelpCheckUpdates")->trigger();
    QVERIFY(!autoStarted);
    QVERIFY(report.contains("You have the most current version."));
    QCOMPARE(fetcher.Calls, 1);
}

void TestMainBackup::updateWindowAtStart_data() {
    QTest::addColumn<bool>("setting");
    QTest::newRow("CheckForUpdates on") << true;
    QTest::newRow("CheckForUpdates off") << false;
}

void TestMainBackup::updateWindowAtStart() {
    QFETCH(bool, setting);
    TMainRig rig;
    QVERIFY(UseFilledCard(rig));
    rig.SetSetting("CheckForUpdates", setting ? 1 : 0);
    TCannedFetcher fetcher;
    TfrmCheckUpdates window(&fetcher);
    rig.Main = std::make_unique<TfrmMain>(rig.Prompter, rig.ProgramFolder);
    rig.Wait = std::make_unique<TfrmWait>();
    rig.Main->AttachWindows(nullptr, rig.Wait.get(), nullptr);
    rig.Main->AttachUpdateWindow(&window);
    rig.Main->FormShow();
    bool autoStarted = false;
    QTimer::singleShot(200, &window, [&] {
        autoStarted = window.AutoStarted;
        if (window.isVisible())
            Find<QPushButton>(window, "btbtnCancel")->click();
    });
    QTest::qWait(400);
    QCOMPARE(fetcher.Calls, setting ? 1 : 0);
    QCOMPARE(autoStarted, setting);
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(TestMainBackup)
#include "tst_main_backup.moc"
