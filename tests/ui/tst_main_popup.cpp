// The popup menu of the tree: which entries it shows, enables and how it captions them, and
// that a right-click keeps the selection.
#include "tst_main_fixture.h"

#include "ui/main/MainWidgets.h"

#include <QAction>
#include <QMenu>
#include <QTreeWidget>

using namespace maintest;
using brelk::kTypeDeleted;
using brelk::kTypeFilingSystem;

class TestMainPopup : public QObject {
    Q_OBJECT
  private slots:
    void popupStates_data();
    void popupStates();
    void popupOnRootAndGroups();
    void popupCaptionsForSeveralNodes();
    void popupLeavesUnknownTypesUnchanged();
    void rightClickKeepsSelection();
};

// One row per kind of selected object: what the popup shows and enables.
void TestMainPopup::popupStates_data() {
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("emulator");
    // Each letter pair: visible (V/h) and enabled (E/d) of Delete, Save, Squash, Expand,
    // Open in Emulator, Remove Deleted objects (popup entry). A hidden entry reads as disabled.
    QTest::addColumn<QString>("expected");
    QTest::newRow("deleted") << "OLD"
                             << ""
                             << "hd VE hd hd hd VE";
    QTest::newRow("filing system") << "DNFS"
                                   << ""
                                   << "VE VE hd hd hd hd";
    QTest::newRow("tool") << "TOOL"
                          << ""
                          << "VE VE hd hd hd hd";
    QTest::newRow("full DFS") << "FULL"
                              << ""
                              << "VE VE VE Vd Vd hd";
    QTest::newRow("squashed DFS") << "SQUASHED"
                                  << "/usr/bin/beebem"
                                  << "VE VE Vd VE VE hd";
    QTest::newRow("tape") << "TAPE"
                          << "/usr/bin/beebem"
                          << "VE VE hd hd VE hd";
}

void TestMainPopup::popupStates() {
    QFETCH(QString, node);
    QFETCH(QString, emulator);
    QFETCH(QString, expected);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {{kTypeDeleted, 2, "OLD", 512},
                              {kTypeFilingSystem, 81, "DNFS", 512},
                              Tool("TOOL"),
                              Disc("FULL", 1, 204800),
                              Disc("SQUASHED", 1, 51200),
                              Disc("TAPE", 3)}));
    rig.SetSetting("EmulatorPath", emulator);
    TfrmMain& main = rig.Open();
    rig.GiveAllActionsWork();
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(FindNode(main, node));
    main.mnuPopupPopup();
    QStringList states;
    for (QAction* a :
         {Find<QAction>(main, "actnDeleteObjects"), Find<QAction>(main, "mnuPopupSaveObject"),
          Find<QAction>(main, "actnSquashDisc"), Find<QAction>(main, "actnExpandDisc"),
          Find<QAction>(main, "mnuPopupOpenInEmulator"),
          Find<QAction>(main, "mnuPopupRemoveDeletedObjects")})
        states << QString(a->isVisible() ? "V" : "h") + (a->isEnabled() ? "E" : "d");
    QCOMPARE(states.join(' '), expected);
    QVERIFY(Find<QAction>(main, "actnAddObjects")->isVisible());
    QVERIFY(!Find<QAction>(main, "mnuPopupFormatMMC")->isVisible());
    QCOMPARE(Find<QAction>(main, "actnDeleteObjects")->text(), QString("&Delete object..."));
    QCOMPARE(Find<QAction>(main, "mnuPopupSaveObject")->text(), QString("&Save object..."));
    QCOMPARE(Find<QAction>(main, "actnSquashDisc")->text(), QString("S&quash disc"));
    // The Tools menu entry of the same action shows its enabled state too.
    QVERIFY(Find<QAction>(main, "actnRemoveDeletedObjects")->isEnabled());
    QVERIFY(Find<QAction>(main, "actnRemoveDeletedObjects")->isVisible());
}

void TestMainPopup::popupOnRootAndGroups() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("TOOL")}));
    TfrmMain& main = rig.Open();
    rig.GiveAllActionsWork();
    main.mnuPopupPopup(); // root selected after the build
    QVERIFY(Find<QAction>(main, "mnuPopupFormatMMC")->isVisible());
    QVERIFY(Find<QAction>(main, "mnuPopupFormatMMC")->isEnabled());
    QVERIFY(Find<QAction>(main, "mnuPopupRemoveDeletedObjects")->isVisible());
    QVERIFY(
        !Find<QAction>(main, "mnuPopupRemoveDeletedObjects")->isEnabled()); // no deleted objects
    for (QAction* a :
         {Find<QAction>(main, "actnDeleteObjects"), Find<QAction>(main, "mnuPopupSaveObject"),
          Find<QAction>(main, "actnSquashDisc"), Find<QAction>(main, "actnExpandDisc"),
          Find<QAction>(main, "mnuPopupOpenInEmulator")})
        QVERIFY2(!a->isVisible(), qPrintable(a->objectName()));
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(main.RootNode()->Child(0));
    main.mnuPopupPopup();
    QVERIFY(!Find<QAction>(main, "mnuPopupFormatMMC")->isVisible());
    QVERIFY(Find<QAction>(main, "mnuPopupRemoveDeletedObjects")->isVisible());
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(main.RootNode()->Child(2));
    main.mnuPopupPopup();
    QVERIFY(!Find<QAction>(main, "mnuPopupRemoveDeletedObjects")->isVisible());
    // The Tools menu keeps its Format entry: only the popup entry was hidden.
    QVERIFY(Find<QAction>(main, "actnFormatMMC")->isVisible());
    QVERIFY(Find<QAction>(main, "actnFormatMMC")->isEnabled());
}

void TestMainPopup::popupCaptionsForSeveralNodes() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Disc("FULL", 1, 204800), Disc("OTHER", 1, 204800)}));
    rig.SetSetting("EmulatorPath", "/usr/bin/beebem");
    TfrmMain& main = rig.Open();
    rig.GiveAllActionsWork();
    QCOMPARE(Find<TObjectTreeWidget>(main, "treevwObjects")->selectionMode(),
             QAbstractItemView::ExtendedSelection);
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(FindNode(main, "FULL"));
    FindNode(main, "OTHER")->setSelected(true);
    QCOMPARE(main.SelectedCount(), 2);
    main.mnuPopupPopup();
    QCOMPARE(Find<QAction>(main, "actnSquashDisc")->text(), QString("S&quash discs"));
    QCOMPARE(Find<QAction>(main, "actnExpandDisc")->text(), QString("E&xpand discs"));
    QCOMPARE(Find<QAction>(main, "actnDeleteObjects")->text(), QString("&Delete objects..."));
    QCOMPARE(Find<QAction>(main, "mnuPopupSaveObject")->text(), QString("&Save objects..."));
    QVERIFY(Find<QAction>(main, "actnSquashDisc")->isEnabled());
    QVERIFY(Find<QAction>(main, "actnExpandDisc")->isEnabled()); // several discs: both offered
    QVERIFY(!Find<QAction>(main, "mnuPopupOpenInEmulator")->isVisible());
}

void TestMainPopup::popupLeavesUnknownTypesUnchanged() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Disc("FULL", 1, 204800)}));
    TfrmMain& main = rig.Open();
    rig.GiveAllActionsWork();
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(FindNode(main, "FULL"));
    main.mnuPopupPopup();
    QVERIFY(Find<QAction>(main, "actnSquashDisc")->isVisible());
    // An object node of an unknown type (a damaged entry) leaves the entries as they were.
    brelk::TBrelkCatEntry odd;
    odd.SetType(9);
    odd.SetName("ODD");
    TMyTreeNode* node = main.AddObjectNode(main.RootNode()->Child(2), &odd);
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(node);
    main.mnuPopupPopup();
    QVERIFY(Find<QAction>(main, "actnSquashDisc")->isVisible());
    QVERIFY(Find<QAction>(main, "actnSquashDisc")->isEnabled());
    QVERIFY(!Find<QAction>(main, "actnExpandDisc")->isEnabled());
    delete node;
}

void TestMainPopup::rightClickKeepsSelection() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE"), Tool("TWO")}));
    TfrmMain& main = rig.Open();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.RootNode()->Child(2)->setExpanded(true);
    QTreeWidgetItem* one = FindNode(main, "ONE");
    QTreeWidgetItem* two = FindNode(main, "TWO");
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(one);
    QWidget* viewport = Find<TObjectTreeWidget>(main, "treevwObjects")->viewport();
    const QPoint atTwo =
        Find<TObjectTreeWidget>(main, "treevwObjects")->visualItemRect(two).center();
    QTest::mouseClick(viewport, Qt::RightButton, {}, atTwo);
    QCOMPARE(Find<TObjectTreeWidget>(main, "treevwObjects")->currentItem(), one);
    QCOMPARE(main.SelectedCount(), 1);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, atTwo);
    QCOMPARE(main.SelectedCount(), 2);
    Find<QMenu>(main, "mnuPopup")->close();
}

QTEST_MAIN(TestMainPopup)
#include "tst_main_popup.moc"
