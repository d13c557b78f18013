// The window and brelk run the same jobs: each operation, done once through the window (with
// scripted answers) and once through brelk's command, leaves the same card image byte for
// byte (and save writes the same file).
#include "tst_main_fixture.h"

#include "cli/Cli.h"
#include "formats/DFSBuilder.h"

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
    void squashAndExpandGiveTheSameCard_data();
    void squashAndExpandGiveTheSameCard();
};

// One window on a card, and a copy of that card for brelk made before the window opened.
struct TSameCard {
    TMainRig Rig;
    QString Copy;
    QByteArray Before;

    // Makes the card, first running each of Before with brelk and moving Deleted to
    // "Deleted objects"; then the copy.
    bool Open(const std::vector<std::string>& deleted = {},
              const std::vector<std::vector<std::string>>& before = {}) {
        if (!Rig.UseCard(k8M, kObjects))
            return false;
        for (std::vector<std::string> args : before) {
            args.insert(args.begin() + 1, Rig.CardPath().toStdString());
            if (Brelk(args) != 0)
                return false;
        }
        std::vector<std::string> rm{"rm", Rig.CardPath().toStdString()};
        rm.insert(rm.end(), deleted.begin(), deleted.end());
        if (!deleted.empty() && Brelk(rm) != 0)
            return false;
        Copy = Rig.Path(QStringLiteral("brelk.img"));
        if (!QFile::copy(Rig.CardPath(), Copy))
            return false;
        Before = Bytes(Copy);
        Rig.Open();
        return true;
    }
    // Closes the window, runs brelk's command on the copy and checks that both changed the
    // card the same way.
    void Compare(std::vector<std::string> args) {
        Rig.Main.reset();
        args.insert(args.begin() + 1, Copy.toStdString());
        QCOMPARE(Brelk(args), 0);
        QVERIFY(Bytes(Copy) != Before);
        QCOMPARE(Bytes(Rig.CardPath()), Bytes(Copy));
    }
};

void TestJobsSameCard::deleteGivesTheSameCard_data() {
    QTest::addColumn<bool>("permanent");
    QTest::newRow("to Deleted objects") << false;
    QTest::newRow("for good") << true;
}

void TestJobsSameCard::deleteGivesTheSameCard() {
    QFETCH(bool, permanent);
    TSameCard card;
    QVERIFY(card.Open());
    TfrmMain& main = *card.Rig.Main;
    main.UserSettings().UseDeletedObjects = !permanent;
    Select(main, QStringLiteral("TWO"));
    card.Rig.Prompter.QueueAnswer(TAnswer::Yes);
    main.actnDeleteObjectsExecute();
    QVERIFY(card.Rig.Prompter.AllAnswersUsed());
    if (permanent)
        card.Compare({"rm", "TWO", "--permanent"});
    else
        card.Compare({"rm", "TWO"});
}

void TestJobsSameCard::removeDeletedGivesTheSameCard() {
    TSameCard card;
    QVERIFY(card.Open({"ONE", "THREE"}));
    card.Rig.Main->actnRemoveDeletedObjectsExecute();
    card.Compare({"purge"});
}

void TestJobsSameCard::formatGivesTheSameCard() {
    TSameCard card;
    QVERIFY(card.Open());
    card.Rig.Prompter.QueueAnswer(TAnswer::Yes);
    card.Rig.Main->actnFormatMMCExecute();
    QCOMPARE(card.Rig.Prompter.Messages().last(),
             QStringLiteral("The MMC-card is formatted and an empty catalogue is written."));
    card.Compare({"format", "--force"});
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

void TestJobsSameCard::squashAndExpandGiveTheSameCard_data() {
    QTest::addColumn<bool>("squash");
    QTest::newRow("squash") << true;
    QTest::newRow("expand") << false;
}

void TestJobsSameCard::squashAndExpandGiveTheSameCard() {
    QFETCH(bool, squash);
    TSameCard card;
    // A full side with one file in sectors 2 to 5, added by brelk (and squashed first when the
    // test expands it).
    const QString disc = card.Rig.Path(QStringLiteral("GAME.ssd"));
    {
        const auto bytes = dfstest::TDFSBuilder(800)
                               .Title("GAME")
                               .AddWithData({'$', "PROG", 1000, 2}, 0x41)
                               .Bytes();
        QFile file(disc);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    }
    std::vector<std::vector<std::string>> before{{"add", disc.toStdString()}};
    if (!squash)
        before.push_back({"squash", "GAME"});
    QVERIFY(card.Open({}, before));
    TfrmMain& main = *card.Rig.Main;
    Select(main, QStringLiteral("GAME"));
    if (squash)
        main.actnSquashDiscExecute();
    else
        main.actnExpandDiscExecute();
    QCOMPARE(card.Rig.Prompter.Messages(), QStringList());
    card.Compare({squash ? "squash" : "expand", "GAME"});
}

QTEST_MAIN(TestJobsSameCard)
#include "tst_jobs_samecard.moc"
