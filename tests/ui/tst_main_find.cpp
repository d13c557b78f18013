// Tools > "Find files...": a pattern typed, the files found listed while the search runs,
// Stop, and a double click that selects the object in the tree and the file in its list.
#include "tst_main_fixture.h"

#include "formats/FindSamples.h"
#include "formats/UEFBuilder.h"
#include "ui/main/FindFilesDialog.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

using namespace maintest;

namespace {

using TBytes = std::vector<std::uint8_t>;

// GAMES: $.ELITE on side 0, B.ELITE on side 2; HARDDISC: ADFS $.GAMES.ELITE; TAPE: ELITE.
bool AddObjects(const QString& card) {
    TBytes tape =
        brelktest::Concat({brelktest::TapeBlock(brelktest::BlockSpec("INTRO", 0, 8, 0x80)),
                           brelktest::TapeBlock(brelktest::BlockSpec("ELITE", 0, 8, 0x80))});
    return AddWithData(card, brelk::kTypeImage, 1, "GAMES", findtest::GamesDisc()) &&
           AddWithData(card, brelk::kTypeImage, 2, "HARDDISC", findtest::GamesAdfs()) &&
           AddWithData(card, brelk::kTypeImage, 3, "TAPE", tape);
}

TfrmFindFiles* OpenDialog(TfrmMain& main) {
    QAction* find = main.findChild<QAction*>(QStringLiteral("actnFindFiles"));
    if (!find || !find->isEnabled())
        return nullptr;
    find->trigger();
    return main.findChild<TfrmFindFiles*>();
}

// A window on a card holding the objects above, with the find dialog open.
struct TFindRig : TMainRig {
    TfrmFindFiles* Open() {
        if (!UseCard(k8M, {}) || !AddObjects(CardPath()))
            return nullptr;
        return OpenDialog(TMainRig::Open());
    }
};

// Each row as "OBJECT SIDE NAME LOAD EXEC LENGTH".
QStringList Rows(const QTreeWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells << list->topLevelItem(i)->text(c);
        rows << cells.join(QLatin1Char(' '));
    }
    return rows;
}

void Search(TfrmFindFiles& dialog, const QString& pattern, const QString& object = QString()) {
    auto* edit = Find<QLineEdit>(dialog, "edtFindPattern");
    edit->clear();
    QTest::keyClicks(edit, pattern);
    Find<QLineEdit>(dialog, "edtFindObject")->setText(object);
    QTest::mouseClick(Find<QPushButton>(dialog, "btnFind"), Qt::LeftButton);
}

void DoubleClickRow(QTreeWidget* list, int row) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    QVERIFY(item);
    const QRect place = list->visualItemRect(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, place.center());
}

} // namespace

class TestMainFind : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(MakeIcons(TMainRig().ProgramFolder)); }

    void ToolsMenuHoldsFindWithCtrlF() {
        TMainRig rig;
        QVERIFY(rig.UseCard(k8M, {}));
        TfrmMain& main = rig.Open();
        QAction* find = main.findChild<QAction*>(QStringLiteral("actnFindFiles"));
        QVERIFY(find);
        QCOMPARE(find->text(), QStringLiteral("F&ind files..."));
        QCOMPARE(find->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
        QVERIFY(main.findChild<QMenu*>(QStringLiteral("mnuTools"))->actions().contains(find));
        QVERIFY(find->isEnabled());
    }

    void PatternsListTheFilesFound_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("object");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("status");
        QTest::newRow("every ELITE")
            << "elite"
            << ""
            << QStringList{"GAMES 0 $.ELITE 001900 008023 00012C",
                           "GAMES 2 B.ELITE 001900 008023 000005",
                           "HARDDISC 0 $.GAMES.ELITE FFFF1900 FFFF8023 000028",
                           "TAPE 0 ELITE 00001900 00008023 000008"}
            << "4 files found in 3 discs and tapes.";
        QTest::newRow("two patterns, one object")
            << "REVS B.*"
            << "G*"
            << QStringList{"GAMES 0 $.REVS 001900 008023 00000A",
                           "GAMES 2 B.ALPHA 001900 008023 000005",
                           "GAMES 2 B.ELITE 001900 008023 000005"}
            << "3 files found in 1 disc or tape.";
        QTest::newRow("none") << "NOPE"
                              << "" << QStringList{} << "0 files found in 3 discs and tapes.";
    }
    void PatternsListTheFilesFound() {
        QFETCH(QString, pattern);
        QFETCH(QString, object);
        QFETCH(QStringList, rows);
        QFETCH(QString, status);
        TFindRig rig;
        TfrmFindFiles* dialog = rig.Open();
        QVERIFY(dialog && dialog->isVisible());
        Search(*dialog, pattern, object);
        QCOMPARE(Rows(Find<QTreeWidget>(*dialog, "lvFoundFiles")), rows);
        QCOMPARE(Find<QLabel>(*dialog, "lblFindStatus")->text(), status);
        QCOMPARE(Find<QProgressBar>(*dialog, "prgbrFind")->value(),
                 Find<QProgressBar>(*dialog, "prgbrFind")->maximum());
        QVERIFY(!dialog->Searching());
        QVERIFY(rig.Prompter.Questions().isEmpty());
    }

    void RowsComeWhileTheSearchRunsAndStopEndsIt() {
        TFindRig rig;
        TfrmFindFiles* dialog = rig.Open();
        QVERIFY(dialog);
        TfrmMain& main = *rig.Main;
        auto* list = Find<QTreeWidget>(*dialog, "lvFoundFiles");
        QList<bool> runningAtRow;
        bool busyAtRow = false;
        connect(list->model(), &QAbstractItemModel::rowsInserted, dialog, [&] {
            runningAtRow << dialog->Searching();
            busyAtRow = main.IsBusy();
            QTest::mouseClick(Find<QPushButton>(*dialog, "btnStop"), Qt::LeftButton);
        });
        Search(*dialog, "ELITE");
        // GAMES, the first object, is finished; then the search stops.
        QCOMPARE(runningAtRow, (QList<bool>{true, true}));
        QVERIFY(busyAtRow);
        QVERIFY(!main.IsBusy());
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(Find<QLabel>(*dialog, "lblFindStatus")->text(),
                 QStringLiteral("2 files found in 1 disc or tape (stopped)."));
    }

    void DoubleClickShowsTheFileInItsObject_data() {
        QTest::addColumn<bool>("autoview");
        QTest::newRow("details shown on selection") << true;
        QTest::newRow("details shown on a click") << false;
    }
    void DoubleClickShowsTheFileInItsObject() {
        QFETCH(bool, autoview);
        TFindRig rig;
        rig.SetSetting(QStringLiteral("ViewerAutoviewObjectDetails"), autoview);
        TfrmFindFiles* dialog = rig.Open();
        QVERIFY(dialog);
        TfrmMain& main = *rig.Main;
        Search(*dialog, "ELITE");
        auto* found = Find<QTreeWidget>(*dialog, "lvFoundFiles");
        auto* tree = Find<TObjectTreeWidget>(main, "treevwObjects");
        auto* files = Find<QTreeWidget>(main, "lvObjectFiles");
        const struct {
            int Row;
            const char* Object;
            int Tab;
            QStringList Path; // the current file and its directories, innermost first
        } cases[] = {
            {1, "GAMES", 1, {"B.ELITE"}},
            {0, "GAMES", 0, {"$.ELITE"}},
            {2, "HARDDISC", 0, {"ELITE", "GAMES", "$"}},
            {3, "TAPE", 0, {"ELITE"}},
        };
        for (const auto& c : cases) {
            DoubleClickRow(found, c.Row);
            QVERIFY(tree->currentItem());
            QCOMPARE(tree->currentItem()->text(0), QString::fromLatin1(c.Object));
            QCOMPARE(Find<QTabBar>(main, "tbctrlObjectDetails")->currentIndex(), c.Tab);
            QVERIFY2(files->isVisibleTo(&main), c.Object);
            QStringList path;
            for (QTreeWidgetItem* item = files->currentItem(); item; item = item->parent())
                path << item->text(0);
            QCOMPARE(path, c.Path);
            QCOMPARE(files->selectedItems().size(), 1);
        }
        QVERIFY(rig.Prompter.Questions().isEmpty());
    }

    void ObjectGoneSinceTheSearchIsSaid() {
        TFindRig rig;
        TfrmFindFiles* dialog = rig.Open();
        QVERIFY(dialog);
        TfrmMain& main = *rig.Main;
        Search(*dialog, "ELITE", "TAPE");
        const brelk::TBrelkCatEntry* tape = FindNode(main, "TAPE")->Entry;
        QVERIFY(main.Card()->DeleteCatEntry(tape));
        DoubleClickRow(Find<QTreeWidget>(*dialog, "lvFoundFiles"), 0);
        QCOMPARE(rig.Prompter.Messages(),
                 QStringList{QStringLiteral(
                     "The object 'TAPE' is no longer on the Brelk-card as it was when "
                     "it was found; search again.")});
    }
};

QTEST_MAIN(TestMainFind)
#include "tst_main_find.moc"
