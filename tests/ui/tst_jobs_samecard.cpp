// The window and brelk run the same jobs: each operation, done once through the window (with
// scripted answers) and once through brelk's command, leaves the same card image byte for
// byte (and save writes the same file).
#include "tst_main_fixture.h"

#include "cli/Cli.h"
#include "formats/DFSBuilder.h"
#include "ui/main/ObjectFilesMenu.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
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

// GAME.ssd in the rig's folder: a full side titled GAME with $.PROG in sectors 2 to 5; its
// path, or empty when it could not be written.
QString GameDisc(TMainRig& rig) {
    const QString path = rig.Path(QStringLiteral("GAME.ssd"));
    const auto bytes =
        dfstest::TDFSBuilder(800).Title("GAME").AddWithData({'$', "PROG", 1000, 2}, 0x41).Bytes();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()))
        return {};
    return path;
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
    void discEditsGiveTheSameCard_data();
    void discEditsGiveTheSameCard();
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
    // Added by brelk (and squashed first when the test expands it).
    const QString disc = GameDisc(card.Rig);
    QVERIFY(!disc.isEmpty());
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

// A change inside a disc in the window, as brelk's command does it.
enum class TDiscEdit { Title, Boot, Rename, Lock };

void TestJobsSameCard::discEditsGiveTheSameCard_data() {
    QTest::addColumn<int>("edit");
    QTest::addColumn<QStringList>("command");
    QTest::newRow("title") << int(TDiscEdit::Title)
                           << QStringList{"disc", "GAME", "--title", "BEST"};
    QTest::newRow("boot") << int(TDiscEdit::Boot) << QStringList{"disc", "GAME", "--boot", "exec"};
    QTest::newRow("rename") << int(TDiscEdit::Rename)
                            << QStringList{"rename-file", "GAME", "PROG", "B.NEW"};
    QTest::newRow("lock") << int(TDiscEdit::Lock) << QStringList{"lock", "GAME", "PROG"};
}

void TestJobsSameCard::discEditsGiveTheSameCard() {
    QFETCH(int, edit);
    QFETCH(QStringList, command);
    TSameCard card;
    const QString disc = GameDisc(card.Rig);
    QVERIFY(!disc.isEmpty());
    QVERIFY(card.Open({}, {{"add", disc.toStdString()}}));
    TfrmMain& main = *card.Rig.Main;
    Select(main, QStringLiteral("GAME"));
    auto* files = main.findChild<QTreeWidget*>(QStringLiteral("lvObjectFiles"));
    QCOMPARE(files->topLevelItemCount(), 1);
    files->setCurrentItem(files->topLevelItem(0));
    files->topLevelItem(0)->setSelected(true);
    auto* title = main.findChild<QLineEdit*>(QStringLiteral("edtDiscTitle"));
    auto* boot = main.findChild<QComboBox*>(QStringLiteral("cbDiscBoot"));
    switch (TDiscEdit(edit)) {
    case TDiscEdit::Title:
        title->setText(QStringLiteral("BEST"));
        emit title->editingFinished();
        break;
    case TDiscEdit::Boot:
        boot->setCurrentIndex(3);
        emit boot->activated(3);
        break;
    case TDiscEdit::Rename:
        files->topLevelItem(0)->setText(0, QStringLiteral("B.NEW"));
        QCoreApplication::processEvents(); // the rename waits for the edit to end
        QCOMPARE(files->topLevelItem(0)->text(0), QStringLiteral("B.NEW"));
        break;
    case TDiscEdit::Lock:
        main.findChild<TObjectFilesMenu*>(QStringLiteral("ObjectFilesMenu"))->LockClick();
        QCOMPARE(files->topLevelItem(0)->text(4), QStringLiteral("L"));
        break;
    }
    QCOMPARE(card.Rig.Prompter.Messages(), QStringList());
    std::vector<std::string> args;
    for (const QString& word : command)
        args.push_back(word.toStdString());
    card.Compare(args);
}

QTEST_MAIN(TestJobsSameCard)
#include "tst_jobs_samecard.moc"
