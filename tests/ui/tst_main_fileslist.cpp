// The list of the files inside a disc or tape: the disc's head lines above it, "no files"
// in its place for an empty side or tape, numbers written as brelk files writes them, columns
// as wide as their texts, sorting by a click on a column header, and its keys (Enter views,
// Delete deletes, F2 renames, Shift+F10 opens the popup).
#include "tst_main_fixture.h"

#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"
#include "ui/main/ObjectFilesMenu.h"

#include <QDialog>
#include <QHeaderView>
#include <QMenuBar>
#include <QSet>
#include <QTreeWidget>

using namespace maintest;
using TAnswer = TPrompter::TAnswer;

namespace {

using TBytes = std::vector<std::uint8_t>;

// FILES: three files, cycle &12, boot option exec; EMPTY: a side without files.
TBytes FilesSide() {
    return dfstest::TDFSBuilder(800, 204800)
        .Title("FILES")
        .Cycle(0x12)
        .Boot(3)
        .Add({'$', "BIG", 0x2000, 2, 0x31900, 0x38023, false})
        .Add({'$', "alpha", 0x120, 0x30, 0xE00, 0xE00, true})
        .Add({'W', "ZED", 0x10, 0x40, 0x1900, 0x1900, false})
        .Bytes();
}

TBytes EmptySide() {
    return dfstest::TDFSBuilder(400, 102400).Title("EMPTY").Bytes();
}

TBytes Tape(bool withFile) {
    TBytes tape =
        withFile ? brelktest::TapeBlock(brelktest::BlockSpec("PROG", 0, 16, 0x80)) : TBytes{};
    tape.resize(512, 0);
    return tape;
}

QTreeWidget* List(const TfrmMain& main) {
    return Find<QTreeWidget>(main, "lvObjectFiles");
}

QString Head(const TfrmMain& main) {
    return Find<QLabel>(main, "lblObjectFilesHead")->text();
}

QStringList Column(const TfrmMain& main, int column) {
    QStringList texts;
    for (int i = 0; i < List(main)->topLevelItemCount(); ++i)
        texts << List(main)->topLevelItem(i)->text(column);
    return texts;
}

// A window on a card holding the discs FILES and EMPTY and the tapes TAPE and NOTAPE, the
// window shown and active so that keys reach its widgets.
TfrmMain& OpenCard(TMainRig& rig) {
    const bool made = rig.UseCard(k8M, {}) &&
                      AddWithData(rig.CardPath(), brelk::kTypeImage, 1, "FILES", FilesSide()) &&
                      AddWithData(rig.CardPath(), brelk::kTypeImage, 1, "EMPTY", EmptySide()) &&
                      AddWithData(rig.CardPath(), brelk::kTypeImage, 3, "TAPE", Tape(true)) &&
                      AddWithData(rig.CardPath(), brelk::kTypeImage, 3, "NOTAPE", Tape(false));
    TfrmMain& main = rig.Open();
    if (!made)
        qWarning("the card could not be made");
    main.show();
    main.activateWindow();
    if (!QTest::qWaitForWindowActive(&main))
        qWarning("the window is not active");
    return main;
}

void Select(TfrmMain& main, const char* object) {
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(FindNode(main, object));
}

// Makes the file Name current and alone in the selection, the list focused.
void Choose(TfrmMain& main, const QString& name) {
    const auto found = List(main)->findItems(name, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    List(main)->clearSelection();
    List(main)->setCurrentItem(found.first());
    found.first()->setSelected(true);
    List(main)->setFocus();
}

} // namespace

class TestMainFilesList : public QObject {
    Q_OBJECT
  private slots:
    void headLinesStandAboveTheList_data();
    void headLinesStandAboveTheList();
    void textToggleShowsTheWholeTextInstead();
    void numbersAsBrelkFilesWritesThem_data();
    void numbersAsBrelkFilesWritesThem();
    void columnsFitTheirTextsAndLeaveTheRestEmpty();
    void headerClickSortsByThatColumn_data();
    void headerClickSortsByThatColumn();
    void enterViewsTheCurrentFile();
    void deleteKeyDeletesTheSelection();
    void shiftF10OpensThePopup_data();
    void shiftF10OpensThePopup();
    void everyMenuEntryHasAMnemonicOfItsOwn();
    void menusShowTheKeys();
};

void TestMainFilesList::headLinesStandAboveTheList_data() {
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("head");
    QTest::addColumn<int>("rows");
    QTest::newRow("DFS side") << "FILES"
                              << "Discname: FILES (cycle=12, boot=exec)\nSectors: 025/320\n"
                                 "Catalogue entries: 3/31"
                              << 3;
    QTest::newRow("empty DFS side")
        << "EMPTY"
        << "Discname: EMPTY (cycle=00, boot=none)\nSectors: 002/190\nCatalogue entries: 0/31\n\n"
           "This disc contains no files."
        << 0;
    QTest::newRow("tape") << "TAPE"
                          << "Catalogue entries: 1" << 1;
    QTest::newRow("empty tape") << "NOTAPE"
                                << "This tape contains no files." << 0;
}

// The head is the details text's own first lines; with no files the list gives way to them.
void TestMainFilesList::headLinesStandAboveTheList() {
    QFETCH(QString, object);
    QFETCH(QString, head);
    QFETCH(int, rows);
    TMainRig rig;
    TfrmMain& main = OpenCard(rig);
    Select(main, qPrintable(object));
    QCOMPARE(Head(main), head);
    QVERIFY(Find<QLabel>(main, "lblObjectFilesHead")->isVisible());
    QVERIFY(Find<QPlainTextEdit>(main, "memoObjectDetails")
                ->toPlainText()
                .startsWith(head)); // the same words as the text
    QCOMPARE(List(main)->topLevelItemCount(), rows);
    QCOMPARE(List(main)->isVisible(), rows > 0);
    QVERIFY(!Find<QPlainTextEdit>(main, "memoObjectDetails")->isVisible());
    QCOMPARE(Find<QLabel>(main, "lblObjectFilesHead")->font(),
             Find<QPlainTextEdit>(main, "memoObjectDetails")->font());

    // The hex view tab has no list and no head.
    Find<QTabBar>(main, "tbctrlObjectDetails")->setCurrentIndex(1);
    QVERIFY(!Find<QLabel>(main, "lblObjectFilesHead")->isVisible());
    QVERIFY(Find<QPlainTextEdit>(main, "memoObjectDetails")->isVisible());
}

void TestMainFilesList::textToggleShowsTheWholeTextInstead() {
    TMainRig rig;
    TfrmMain& main = OpenCard(rig);
    Select(main, "EMPTY");
    Find<QCheckBox>(main, "chkDetailsText")->setChecked(true);
    QVERIFY(!Find<QLabel>(main, "lblObjectFilesHead")->isVisible());
    QVERIFY(!List(main)->isVisible());
    QVERIFY(Find<QPlainTextEdit>(main, "memoObjectDetails")->isVisible());
    Find<QCheckBox>(main, "chkDetailsText")->setChecked(false);
    QVERIFY(Find<QLabel>(main, "lblObjectFilesHead")->isVisible());
}

void TestMainFilesList::numbersAsBrelkFilesWritesThem_data() {
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("numbers"); // load, exec, length, locked, start
    QTest::newRow("DFS, high address bits")
        << "FILES"
        << "$.BIG" << QStringList{"FF1900", "FF8023", "002000", "", "0002"};
    QTest::newRow("DFS, locked") << "FILES"
                                 << "$.alpha"
                                 << QStringList{"000E00", "000E00", "000120", "L", "0030"};
    QTest::newRow("tape") << "TAPE"
                          << "PROG" << QStringList{"00001900", "00008023", "000010", "", ""};
}

void TestMainFilesList::numbersAsBrelkFilesWritesThem() {
    QFETCH(QString, object);
    QFETCH(QString, name);
    QFETCH(QStringList, numbers);
    TMainRig rig;
    TfrmMain& main = OpenCard(rig);
    Select(main, qPrintable(object));
    const auto found = List(main)->findItems(name, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    QStringList shown;
    for (int column = 1; column <= 5; ++column)
        shown << found.first()->text(column);
    QCOMPARE(shown, numbers);
}

// Every column is as wide as its widest text; Start sits right after Locked, not at the far
// edge of a wide window.
void TestMainFilesList::columnsFitTheirTextsAndLeaveTheRestEmpty() {
    TMainRig rig;
    TfrmMain& main = OpenCard(rig);
    main.resize(1400, 700);
    Select(main, "FILES");
    QHeaderView* header = List(main)->header();
    QVERIFY(!header->stretchLastSection());
    const QFontMetrics metrics(List(main)->font());
    for (int column = 0; column < header->count(); ++column) {
        QCOMPARE(header->sectionResizeMode(column), QHeaderView::ResizeToContents);
        for (int row = 0; row < List(main)->topLevelItemCount(); ++row)
            QVERIFY(header->sectionSize(column) >=
                    metrics.horizontalAdvance(List(main)->topLevelItem(row)->text(column)));
    }
    const int start = header->sectionViewportPosition(5) + header->sectionSize(5);
    QVERIFY2(
        start < List(main)->viewport()->width() / 2,
        qPrintable(QStringLiteral("%1 of %2").arg(start).arg(List(main)->viewport()->width())));
}

void TestMainFilesList::headerClickSortsByThatColumn_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("ascending");
    QTest::newRow("Name, letter case ignored") << 0 << QStringList{"$.alpha", "$.BIG", "W.ZED"};
    QTest::newRow("Load") << 1 << QStringList{"$.alpha", "W.ZED", "$.BIG"};
    QTest::newRow("Length") << 3 << QStringList{"W.ZED", "$.alpha", "$.BIG"};
    QTest::newRow("Locked") << 4 << QStringList{"$.BIG", "W.ZED", "$.alpha"};
    QTest::newRow("Start") << 5 << QStringList{"$.BIG", "$.alpha", "W.ZED"};
}

// The catalogue's order first; a click sorts by the column, a second click turns it round,
// and the next disc comes sorted the same way.
void TestMainFilesList::headerClickSortsByThatColumn() {
    QFETCH(int, column);
    QFETCH(QStringList, ascending);
    TMainRig rig;
    TfrmMain& main = OpenCard(rig);
    Select(main, "FILES");
    QCOMPARE(Column(main, 0), (QStringList{"$.alpha", "$.BIG", "W.ZED"}));
    QHeaderView* header = List(main)->header();
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    QCOMPARE(Column(main, 0), ascending);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    QStringList descending(ascending.rbegin(), ascending.rend());
    if (column == 4) // two unlocked files keep their order
        descending = QStringList{"$.alpha", "$.BIG", "W.ZED"};
    QCOMPARE(Column(main, 0), descending);
    Select(main, "TAPE");
    Select(main, "FILES");
    QCOMPARE(Column(main, 0), descending);
}

void TestMainFilesList::enterViewsTheCurrentFile() {
    TMainRig rig;
    TfrmMain& main = OpenCard(rig);
    Select(main, "FILES");
    Choose(main, "W.ZED");
    QTest::keyClick(List(main), Qt::Key_Return);
    auto* viewer = main.findChild<QDialog*>(QStringLiteral("frmFileView"));
    QVERIFY(viewer);
    QVERIFY(viewer->windowTitle().startsWith("W.ZED"));
    QVERIFY(rig.Prompter.Messages().isEmpty());
}

// Delete asks about the selected files, as the popup's Delete does; the tree's objects stay.
void TestMainFilesList::deleteKeyDeletesTheSelection() {
    TMainRig rig;
    TfrmMain& main = OpenCard(rig);
    Select(main, "FILES");
    Choose(main, "W.ZED");
    List(main)->findItems("$.BIG", Qt::MatchExactly).first()->setSelected(true);
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    QTest::keyClick(List(main), Qt::Key_Delete);
    QCOMPARE(rig.Prompter.Messages(), QStringList{"Delete $.BIG, W.ZED from 'FILES'?"});
    QCOMPARE(Column(main, 0), QStringList{"$.alpha"});
    QVERIFY(FindNode(main, "FILES"));
}

void TestMainFilesList::shiftF10OpensThePopup_data() {
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("menu");
    QTest::newRow("files list") << "lvObjectFiles"
                                << "mnuFilesPopup";
    QTest::newRow("object tree") << "treevwObjects"
                                 << "mnuPopup";
}

void TestMainFilesList::shiftF10OpensThePopup() {
    QFETCH(QString, widget);
    QFETCH(QString, menu);
    TMainRig rig;
    TfrmMain& main = OpenCard(rig);
    Select(main, "FILES");
    Choose(main, "W.ZED");
    auto* view = main.findChild<QWidget*>(widget);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
    auto* popup = main.findChild<QMenu*>(menu);
    QTRY_VERIFY(popup->isVisible());
    popup->close();
}

// In every menu and popup each entry has one access key, and no two entries share it.
void TestMainFilesList::everyMenuEntryHasAMnemonicOfItsOwn() {
    TMainRig rig;
    TfrmMain& main = OpenCard(rig);
    Select(main, "FILES");
    QList<QMenu*> menus{main.findChild<QMenu*>("mnuPopup"),
                        main.findChild<QMenu*>("mnuFilesPopup")};
    for (QAction* top : main.menuBar()->actions())
        menus << top->menu();
    for (QMenu* menu : menus) {
        QVERIFY(menu);
        QSet<QChar> keys;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            const QString text = action->text();
            const qsizetype mark = text.indexOf(QLatin1Char('&'));
            QVERIFY2(mark >= 0 && mark + 1 < text.size() && text.count(QLatin1Char('&')) == 1,
                     qPrintable(text));
            const QChar key = text.at(mark + 1).toLower();
            QVERIFY2(!keys.contains(key), qPrintable(menu->objectName() + ": " + text));
            keys.insert(key);
        }
    }
}

// The keys stand beside their entries.
void TestMainFilesList::menusShowTheKeys() {
    TMainRig rig;
    TfrmMain& main = OpenCard(rig);
    const auto* files = main.findChild<TObjectFilesMenu*>(QStringLiteral("ObjectFilesMenu"));
    const QList<QPair<QAction*, QKeySequence>> shown{
        {Find<QAction>(main, "actnAddObjects"), QKeySequence(Qt::Key_Insert)},
        {Find<QAction>(main, "actnDeleteObjects"), QKeySequence(Qt::Key_Delete)},
        {Find<QAction>(main, "actnRefreshTree"), QKeySequence(Qt::Key_F5)},
        {files->View, QKeySequence(Qt::Key_Return)},
        {files->Delete, QKeySequence(Qt::Key_Delete)},
        {files->Rename, QKeySequence(Qt::Key_F2)},
        {files->Insert, QKeySequence(Qt::Key_Insert)}};
    for (const auto& [action, key] : shown)
        QVERIFY2(action->shortcut() == key, qPrintable(action->text()));

    // The tree still handles its keys itself: Delete asks once, and only on the tree.
    Select(main, "FILES");
    rig.Prompter.QueueAnswer(TAnswer::No);
    rig.Prompter.QueueAnswer(TAnswer::No);
    auto* tree = Find<TObjectTreeWidget>(main, "treevwObjects");
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Delete);
    QCOMPARE(rig.Prompter.Messages().size(), 1);
    List(main)->setFocus();
    QTest::keyClick(List(main), Qt::Key_Delete); // no file chosen: nothing to ask about
    QCOMPARE(rig.Prompter.Messages().size(), 1);
    QVERIFY(FindNode(main, "FILES"));
}

QTEST_MAIN(TestMainFilesList)
#include "tst_main_fileslist.moc"
