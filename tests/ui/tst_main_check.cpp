// Tools > "Check card...": a sound card is reported, a damaged one is offered the repair that
// brelk check --repair makes (Yes repairs and lists the changes, No leaves the card alone).
#include "tst_main_fixture.h"

#include "support/DamagedCatalogues.h"

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

QString DamageSaid(const QString& card, const QString& finding) {
    return "The catalogue of the Brelk-card '" + card + "' is damaged: " + finding +
           ".\r\rTools > \"Check card...\" lists the damage and offers a repair.";
}

void PutLE32(QByteArray& bytes, int at, std::uint32_t value) {
    brelk::PutLE32(reinterpret_cast<std::uint8_t*>(bytes.data()) + at, value);
}

brelk::TBrelkCatEntry EntryIn(const QByteArray& bytes, int index) {
    brelk::TBrelkCatEntry entry;
    std::copy_n(bytes.constData() + 512 + 64 * index, 64, entry.Bytes.begin());
    return entry;
}

// A card of four tools (the lowest object is neither of the first two entries), spoilt as
// Spoil says; its bytes.
QByteArray SpoiltCard(TMainRig& rig, const std::function<void(std::vector<std::uint8_t>&)>& spoil) {
    if (!rig.UseCard(k8M, {Tool("FOUR"), Tool("ONE"), Tool("TWO"), Tool("THREE")}))
        return QByteArray();
    const QByteArray sound = ReadAll(rig.CardPath());
    std::vector<std::uint8_t> bytes(sound.begin(), sound.end());
    spoil(bytes);
    const QByteArray spoilt(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    return WriteAll(rig.CardPath(), spoilt) ? spoilt : QByteArray();
}

const QStringList kFourTools{"FOUR", "ONE", "THREE", "TWO"};

} // namespace

class TestMainCheck : public QObject {
    Q_OBJECT
  private slots:
    void soundCardIsReported();
    void damagedCardIsRepairedOnYes_data();
    void damagedCardIsRepairedOnYes();
    void damageIsSaidOnceAtEachOpening_data();
    void damageIsSaidOnceAtEachOpening();
    void eachDamagedCatalogueIsSaidAtOpening();
    void repairQuestionListsThePlan();
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
    QStringList expected{
        DamageSaid(card, "entry 2 is empty but lies within Count 3"),
        "The catalogue of the Brelk-card '" + card +
            "' is damaged (3 entries):\r\rproblem: entry 2 is empty but lies within "
            "Count 3\r\rRepair the catalogue? Every change it makes is listed "
            "afterwards.\rThe repair will drop 1 empty entry."};
    if (yes)
        expected << "The catalogue of the Brelk-card '" + card +
                        "' was repaired (2 entries):\r\rproblem: entry 2 is empty but lies within "
                        "Count 3\rrepair: dropped entry 2: empty";
    QCOMPARE(rig.Prompter.Messages(), expected);
    QCOMPARE(rig.Prompter.Questions().at(1).Buttons, TButtons::YesNo);
    QCOMPARE(rig.Prompter.Questions().at(1).Default, TAnswer::No);
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

// Each damaged catalogue is said once when the window opens it, and again after Reload MMC
// opens it anew; nothing but the message box is shown.
void TestMainCheck::damageIsSaidOnceAtEachOpening_data() {
    QTest::addColumn<QString>("damage");
    QTest::newRow("junk over an entry") << "junk";
    QTest::newRow("Count too large") << "count";
    QTest::newRow("swapped entries") << "swapped";
    QTest::newRow("an address past the card") << "far";
    QTest::newRow("Count above 65535") << "huge";
}

void TestMainCheck::damageIsSaidOnceAtEachOpening() {
    QFETCH(QString, damage);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE"), Tool("TWO")}));
    const QString card = rig.CardPath();
    QByteArray bytes = ReadAll(card);
    const brelk::TBrelkCatEntry one = EntryIn(bytes, 0), two = EntryIn(bytes, 1);
    QString finding;
    QStringList said; // at each opening, before the damage
    if (damage == "junk") {
        bytes.replace(512 + 64, 64, QByteArray(64, char(0xAB)));
        finding = QString::fromStdString("entry 1 ('" + std::string(48, '\xAB') +
                                         "' at 0xABABABAB, 2880154539 bytes) lies past the "
                                         "end of the card");
    } else if (damage == "count") {
        PutLE32(bytes, 16, 3);
        finding = "entry 2 is empty but lies within Count 3";
    } else if (damage == "swapped") {
        bytes.replace(512, 64, QByteArray(reinterpret_cast<const char*>(two.Bytes.data()), 64));
        bytes.replace(576, 64, QByteArray(reinterpret_cast<const char*>(one.Bytes.data()), 64));
        finding = QStringLiteral("entry 1 ('ONE' at 0x%1, %2 bytes) is out of catalogue order")
                      .arg(QString::asprintf("%08X", one.Address()))
                      .arg(one.Size());
    } else if (damage == "huge") {
        PutLE32(bytes, 16, 70000);
        said << "Error - The catalogue of the Brelk-card cannot be read: it claims 70000 "
                "entries, more than 65535";
        finding = "the catalogue cannot be read: it claims 70000 entries, more than 65535";
    } else {
        PutLE32(bytes, 512 + 64 + 4, 0xABD1B1AB); // entry 1's Address
        finding = QStringLiteral("entry 1 ('TWO' at 0xABD1B1AB, %1 bytes) lies past the end of "
                                 "the card")
                      .arg(two.Size());
    }
    QVERIFY(WriteAll(card, bytes));
    TfrmMain& main = rig.Open();
    said << DamageSaid(card, finding);
    QCOMPARE(rig.Prompter.Messages(), said);
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Warning);
    QCOMPARE(rig.Prompter.Last().Buttons, TButtons::OK);
    QVERIFY(!rig.Prompter.Unexpected());
    QCOMPARE(ReadAll(card), bytes); // opening changes nothing
    Find<QAction>(main, "actnReloadDrive")->trigger();
    QCOMPARE(rig.Prompter.Messages(), said + said);
}

// Every catalogue of the damage table is said damaged when the window opens the card, once,
// with the pointer to the check.
void TestMainCheck::eachDamagedCatalogueIsSaidAtOpening() {
    for (const auto& damaged : brelktest::DamagedCatalogues()) {
        TMainRig rig;
        const QByteArray bytes = SpoiltCard(rig, damaged.Spoil);
        QVERIFY2(!bytes.isEmpty(), damaged.Name.c_str());
        rig.Open();
        const QString prefix =
            "The catalogue of the Brelk-card '" + rig.CardPath() + "' is damaged: ";
        QVERIFY2(rig.Prompter.Messages().size() == 1 &&
                     rig.Prompter.Messages()[0].startsWith(prefix) &&
                     rig.Prompter.Messages()[0].endsWith(
                         "Tools > \"Check card...\" lists the damage and offers a repair."),
                 (damaged.Name + ": " + rig.Prompter.Messages().join("|").toStdString()).c_str());
        QCOMPARE(ReadAll(rig.CardPath()), bytes); // opening changes nothing
    }
}

// The repair's question says what it will do; Yes does it and every object is back.
void TestMainCheck::repairQuestionListsThePlan() {
    TMainRig rig;
    const QByteArray bytes = SpoiltCard(rig, [](auto& card) {
        brelktest::damage::Junk(brelktest::damage::Slot(card, 1), 64);
        brelktest::damage::Junk(brelktest::damage::Slot(card, 3), 64);
    });
    QVERIFY(!bytes.isEmpty());
    TfrmMain& main = rig.Open();
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    Find<QAction>(main, "actnCheckCard")->trigger();
    const QStringList said = rig.Prompter.Messages();
    QCOMPARE(said.size(), 3); // at opening, the question, the outcome
    QVERIFY2(said[1].endsWith("\r\rRepair the catalogue? Every change it makes is listed "
                              "afterwards.\rThe repair will rebuild 2 entries from their object "
                              "headers."),
             qPrintable(said[1]));
    QCOMPARE(rig.Prompter.Questions().at(1).Buttons, TButtons::YesNo);
    QVERIFY2(said[2].startsWith("The catalogue of the Brelk-card '" + rig.CardPath() +
                                "' was repaired (4 entries)"),
             qPrintable(said[2]));
    QCOMPARE(CardNames(rig.CardPath()), kFourTools);
    for (const QString& name : kFourTools)
        QVERIFY(FindNode(main, name));
}

QTEST_MAIN(TestMainCheck)
#include "tst_main_check.moc"
