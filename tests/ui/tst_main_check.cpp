// Tools > "Check card...": a sound card is reported, a damaged one is offered the repair that
// brelk check --repair makes (Yes repairs and lists the changes, No leaves the card alone).
#include "tst_main_fixture.h"

#include <QAction>
#include <QTreeWidget>

using namespace maintest;
using TAnswer = TPrompter::TAnswer;
using TIcon = TPrompter::TIcon;
using TButtons = TPrompter::TButtons;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestMainCheck : public QObject {
    Q_OBJECT
  private slots:
    void soundCardIsReported();
    void damagedCardIsRepairedOnYes_data();
    void damagedCardIsRepairedOnYes();
};

void TestMainCheck::soundCardIsReported() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE"), Tool("TWO")}));
    TfrmMain& main = rig.Open();
    QVERIFY(Find<QAction>(main, "actnCheckCard")->isEnabled());
    const QByteArray before = ReadAll(rig.CardPath());
    Find<QAction>(main, "actnCheckCard")->trigger();
    QCOMPARE(rig.Prompter.Messages(), QStringList{"The catalogue of the Brelk-card '" +
                                                  rig.CardPath() + "' is sound (2 entries)."});
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Information);
    QCOMPARE(ReadAll(rig.CardPath()), before);
}

void TestMainCheck::damagedCardIsRepairedOnYes_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void TestMainCheck::damagedCardIsRepairedOnYes() {
    QFETCH(bool, yes);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE"), Tool("TWO")}));
    // A torn write: Count says 3, the third entry is empty.
    QByteArray bytes = ReadAll(rig.CardPath());
    bytes[16] = 3;
    QVERIFY(WriteAll(rig.CardPath(), bytes));
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueAnswer(yes ? TAnswer::Yes : TAnswer::No);
    Find<QAction>(main, "actnCheckCard")->trigger();
    const QString card = rig.CardPath();
    QStringList expected{"The catalogue of the Brelk-card '" + card +
                         "' is damaged (3 entries):\r\rproblem: entry 2 is empty but lies within "
                         "Count 3\r\rRepair the catalogue? Every change it makes is listed "
                         "afterwards."};
    if (yes)
        expected << "The catalogue of the Brelk-card '" + card +
                        "' was repaired (2 entries):\r\rproblem: entry 2 is empty but lies within "
                        "Count 3\rrepair: dropped entry 2: empty";
    QCOMPARE(rig.Prompter.Messages(), expected);
    QCOMPARE(rig.Prompter.Questions().first().Buttons, TButtons::YesNo);
    QCOMPARE(rig.Prompter.Questions().first().Default, TAnswer::No);
    QVERIFY(!rig.Prompter.Unexpected());
    if (!yes) {
        QCOMPARE(ReadAll(rig.CardPath()), bytes);
        return;
    }
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Information);
    QCOMPARE(CardNames(rig.CardPath()), (QStringList{"ONE", "TWO"})); // on the card at once
    QVERIFY(FindNode(main, QStringLiteral("ONE")));
    QVERIFY(FindNode(main, QStringLiteral("TWO")));
}

QTEST_MAIN(TestMainCheck)
#include "tst_main_check.moc"
