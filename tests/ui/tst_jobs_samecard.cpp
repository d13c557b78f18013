// The window and brelk run the same jobs: each operation, done once through the window (with
// scripted answers) and once through brelk's command, leaves the same card image byte for
// byte (and save writes the same file).
#include "tst_main_fixture.h"

#include "cli/Cli.h"

#include <QFile>
#include <QTest>

#include <sstream>

using namespace maintest;
using TAnswer = TPrompter::TAnswer;

namespace {

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// brelk run in this process; its status, with its standard error when it failed.
int Brelk(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = brelk::cli::RunBrelk(args, out, err);
    if (status != 0)
        qWarning("brelk: %s", err.str().c_str());
    return status;
}

QTreeWidget* Tree(TfrmMain& main) {
    return main.findChild<QTreeWidget*>(QStringLiteral("treevwObjects"));
}

void Select(TfrmMain& main, const QString& text) {
    Tree(main)->setCurrentItem(FindNode(main, text));
}

const std::vector<TObject> kObjects = {Tool("ONE"), Tool("TWO"), Tool("THREE")};

} // namespace

class TestJobsSameCard : public QObject {
    Q_OBJECT

  private slots:
    void deleteGivesTheSameCard_data();
    void deleteGivesTheSameCard();
    void removeDeletedGivesTheSameCard();
    void formatGivesTheSameCard();
    void saveGivesTheSameFile();

  private:
    // The card of Rig and a copy of it for brelk, made before the window opens.
    static QString CopyForBrelk(TMainRig& rig) {
        const QString copy = rig.Path(QStringLiteral("brelk.img"));
        QFile::remove(copy);
        return QFile::copy(rig.CardPath(), copy) ? copy : QString();
    }
};

void TestJobsSameCard::deleteGivesTheSameCard_data() {
    QTest::addColumn<bool>("permanent");
    QTest::newRow("to Deleted objects") << false;
    QTest::newRow("for good") << true;
}

void TestJobsSameCard::deleteGivesTheSameCard() {
    QFETCH(bool, permanent);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, kObjects));
    const QString copy = CopyForBrelk(rig);
    QVERIFY(!copy.isEmpty());
    const QByteArray before = Bytes(copy);
    TfrmMain& main = rig.Open();
    main.Settings.UseDeletedObjects = !permanent;
    Select(main, QStringLiteral("TWO"));
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    main.actnDeleteObjectsExecute();
    QVERIFY(rig.Prompter.AllAnswersUsed());
    rig.Main.reset();
    std::vector<std::string> args{"rm", copy.toStdString(), "TWO"};
    if (permanent)
        args.push_back("--permanent");
    QCOMPARE(Brelk(args), 0);
    QVERIFY(Bytes(copy) != before);
    QCOMPARE(Bytes(rig.CardPath()), Bytes(copy));
}

void TestJobsSameCard::removeDeletedGivesTheSameCard() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, kObjects));
    QCOMPARE(Brelk({"rm", rig.CardPath().toStdString(), "ONE", "THREE"}), 0);
    const QString copy = CopyForBrelk(rig);
    QVERIFY(!copy.isEmpty());
    const QByteArray before = Bytes(copy);
    TfrmMain& main = rig.Open();
    main.actnRemoveDeletedObjectsExecute();
    rig.Main.reset();
    QCOMPARE(Brelk({"purge", copy.toStdString()}), 0);
    QVERIFY(Bytes(copy) != before);
    QCOMPARE(Bytes(rig.CardPath()), Bytes(copy));
}

void TestJobsSameCard::formatGivesTheSameCard() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, kObjects));
    const QString copy = CopyForBrelk(rig);
    QVERIFY(!copy.isEmpty());
    const QByteArray before = Bytes(copy);
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    main.actnFormatMMCExecute();
    QCOMPARE(rig.Prompter.Messages().last(),
             QStringLiteral("The MMC-card is formatted and an empty catalogue is written."));
    rig.Main.reset();
    QCOMPARE(Brelk({"format", copy.toStdString(), "--force"}), 0);
    QVERIFY(Bytes(copy) != before);
    QCOMPARE(Bytes(rig.CardPath()), Bytes(copy));
}

void TestJobsSameCard::saveGivesTheSameFile() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE"), Disc("GAME", brelk::kSubtypeDFS, 2 * 204800)}));
    const QStringList names{QStringLiteral("ONE"), QStringLiteral("GAME")};
    TfrmMain& main = rig.Open();
    for (const QString& name : names) {
        Select(main, name);
        rig.Prompter.QueueFile(rig.Path(name + ".window.dsd"));
        main.mnuPopupSaveObjectClick();
    }
    rig.Main.reset(); // brelk takes the card only when the window has let go of it
    for (const QString& name : names) {
        const QString brelkFile = rig.Path(name + ".brelk.dsd");
        QCOMPARE(Brelk({"get", rig.CardPath().toStdString(), name.toStdString(), "-o",
                        brelkFile.toStdString()}),
                 0);
        QVERIFY(!Bytes(brelkFile).isEmpty());
        QCOMPARE(Bytes(rig.Path(name + ".window.dsd")), Bytes(brelkFile));
    }
}

QTEST_MAIN(TestJobsSameCard)
#include "tst_jobs_samecard.moc"
