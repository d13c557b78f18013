// The object tree: shapes by card state, node breaks, the backward sub-group search, tidying,
// the sort order, icons and the popup menu's state.
#include "tst_main_fixture.h"

#include "ui/main/MainWidgets.h"

#include <QAction>
#include <QMenu>
#include <QTreeWidget>

using namespace maintest;
using brelk::kTypeDeleted;
using brelk::kTypeFilingSystem;
using brelk::kTypeImage;
using brelk::kTypeTool;

namespace {

constexpr std::uint32_t k8M = 8u << 20;

TObject Disc(const std::string& name, std::uint8_t subtype = 1, std::uint32_t size = 512) {
    return {kTypeImage, subtype, name, size};
}
TObject Tool(const std::string& name) {
    return {kTypeTool, 0, name, 512};
}

TMyTreeNode* FindNode(TfrmMain& main, const QString& text) {
    const auto found = main.treevwObjects->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : static_cast<TMyTreeNode*>(found.first());
}

} // namespace

class TestMainTree : public QObject {
    Q_OBJECT
  private slots:
    void emptyCardShowsRootAndFourGroups();
    void rootAloneByCardState_data();
    void rootAloneByCardState();
    void nodeBreaks_data();
    void nodeBreaks();
    void backwardSearchMakesSecondGroupAndTidyKeepsBoth();
    void tidyRemovesClearedObjectsAndEmptySubgroups();
    void unknownTypeIsNotShown();
    void objectNodesCarryTypeAndEntry();
    void compareFoldsLettersOnly_data();
    void compareFoldsLettersOnly();
    void iconsFollowTheEntries();
    void missingIconFileLeavesTreeWithoutIcons();
    void popupStates_data();
    void popupStates();
    void popupOnRootAndGroups();
    void popupCaptionsForSeveralNodes();
    void popupLeavesUnknownTypesUnchanged();
    void rightClickKeepsSelection();
};

void TestMainTree::emptyCardShowsRootAndFourGroups() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    TfrmMain& main = rig.Open();
    QCOMPARE(Dump(main.RootNode()),
             rig.CardPath() + ": (Brelk){Deleted objects,Filingsystems,Tools,Discs/tapes}");
    QCOMPARE(main.TreeNodeCount(), 5);
    for (int type = 0; type < 4; ++type)
        QCOMPARE(main.RootNode()->Child(type)->ObjectType, type);
    QVERIFY(main.RootNode()->isExpanded());
    QCOMPARE(main.SelectedNode(), main.RootNode());
    main.mnuPopupPopup();
    QVERIFY(main.actnAddObjects->isVisible());
    QVERIFY(!main.ActionWanted(main.actnRemoveDeletedObjects));
    QVERIFY(rig.Prompter.Questions().isEmpty());
}

void TestMainTree::rootAloneByCardState_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("errorShown");
    QTest::newRow("no drive") << 0 << "(no device defined)" << false;
    QTest::newRow("no card") << 1 << ": (no MMC present)" << true;
    QTest::newRow("not formatted") << 2 << ": (no Brelk filingsystem)" << false;
}

void TestMainTree::rootAloneByCardState() {
    QFETCH(int, state);
    QFETCH(QString, suffix);
    QFETCH(bool, errorShown);
    TMainRig rig;
    if (state == 0)
        rig.SetSetting("MMCDrive", QString());
    else if (state == 1)
        rig.SetSetting("MMCDrive", rig.Path("missing.img"));
    else
        QVERIFY(rig.UseCard(k8M, {}, false));
    TfrmMain& main = rig.Open();
    const QString drive = state == 0 ? QString() : rig.StoredValue("MMCDrive").toString();
    QCOMPARE(main.RootNode()->Text(), drive + suffix);
    QCOMPARE(main.TreeNodeCount(), 1);
    main.mnuPopupPopup();
    QVERIFY(!main.actnAddObjects->isVisible());
    QVERIFY(!main.ActionWanted(main.actnRemoveDeletedObjects));
    QCOMPARE(rig.Prompter.Messages().size(), errorShown ? 1 : 0);
    if (errorShown) {
        QCOMPARE(rig.Prompter.Messages().first(), "Error - Could not open device '" + drive + ":'");
        QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    }
}

void TestMainTree::nodeBreaks_data() {
    QTest::addColumn<int>("breaks");
    QTest::addColumn<QString>("tools");
    QTest::addColumn<QString>("discs");
    QTest::addColumn<QString>("filingsystems");
    QTest::newRow("0") << 0 << "Tools{GAMES.ARCADE.ZAXXON}"
                       << "Discs/tapes{GAMES.ELITE,GAMES.ZARCH}"
                       << "Filingsystems{DFS.2}";
    QTest::newRow("1") << 1 << "Tools{GAMES{ARCADE.ZAXXON}}"
                       << "Discs/tapes{GAMES{ELITE,ZARCH}}"
                       << "Filingsystems{DFS.2}";
    QTest::newRow("2") << 2 << "Tools{GAMES{ARCADE{ZAXXON}}}"
                       << "Discs/tapes{GAMES{ELITE,ZARCH}}"
                       << "Filingsystems{DFS.2}";
}

void TestMainTree::nodeBreaks() {
    QFETCH(int, breaks);
    QFETCH(QString, tools);
    QFETCH(QString, discs);
    QFETCH(QString, filingsystems);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("GAMES.ARCADE.ZAXXON"),
                              Disc("GAMES.ELITE"),
                              Disc("GAMES.ZARCH"),
                              {kTypeFilingSystem, 2, "DFS.2", 512}}));
    rig.SetSetting("ViewerMaxNodebreaks", breaks);
    TfrmMain& main = rig.Open();
    TMyTreeNode* root = main.RootNode();
    QCOMPARE(Dump(root->Child(1)), filingsystems);
    QCOMPARE(Dump(root->Child(2)), tools);
    QCOMPARE(Dump(root->Child(3)), discs);
    if (breaks > 0) {
        TMyTreeNode* group = root->Child(3)->Child(0);
        QCOMPARE(group->ObjectType, int(kTypeImage));
        QVERIFY(group->Entry == nullptr);
        QCOMPARE(group->Child(0)->Entry->Name(), std::string("GAMES.ELITE"));
    }
}

void TestMainTree::backwardSearchMakesSecondGroupAndTidyKeepsBoth() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Disc("GAMES.A", 1), Disc("ABC", 2), Disc("GAMES.B", 3)}));
    TfrmMain& main = rig.Open();
    QTreeWidgetItem* discs = main.RootNode()->Child(3);
    QCOMPARE(Dump(discs), QString("Discs/tapes{GAMES{A},ABC,GAMES{B}}"));
    main.TidyTree();
    QCOMPARE(Dump(discs), QString("Discs/tapes{ABC,GAMES{A},GAMES{B}}"));
    main.actnRefreshTree->trigger();
    QCOMPARE(Dump(main.RootNode()->Child(3)), QString("Discs/tapes{GAMES{A},ABC,GAMES{B}}"));
}

void TestMainTree::tidyRemovesClearedObjectsAndEmptySubgroups() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ZED"), Tool("X.ONLY"), Tool("A.ONE"), Tool("A.TWO")}));
    rig.SetSetting("ViewerMaxNodebreaks", 2);
    TfrmMain& main = rig.Open();
    TMyTreeNode* tools = main.RootNode()->Child(2);
    QCOMPARE(Dump(tools), QString("Tools{A{ONE,TWO},X{ONLY},ZED}"));
    // As a deletion leaves them: the object nodes lose their entries.
    FindNode(main, "ONLY")->Entry = nullptr;
    FindNode(main, "ONE")->Entry = nullptr;
    main.TidyTree();
    QCOMPARE(Dump(tools), QString("Tools{A{TWO},ZED}"));
    // Top groups stay even when empty.
    FindNode(main, "TWO")->Entry = nullptr;
    FindNode(main, "ZED")->Entry = nullptr;
    main.TidyTree();
    QCOMPARE(Dump(main.RootNode()),
             rig.CardPath() + ": (Brelk){Deleted objects,Filingsystems,Tools,Discs/tapes}");
}

void TestMainTree::unknownTypeIsNotShown() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("SHOWN"), {5, 0, "HIDDEN", 512}}));
    TfrmMain& main = rig.Open();
    QCOMPARE(main.Brelk->Catalogue.size(), std::size_t(2));
    QCOMPARE(main.TreeNodeCount(), 6);
    QVERIFY(FindNode(main, "HIDDEN") == nullptr);
    QVERIFY(FindNode(main, "SHOWN") != nullptr);
}

void TestMainTree::objectNodesCarryTypeAndEntry() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {{kTypeDeleted, 2, "OLD", 512}, Tool("T")}));
    TfrmMain& main = rig.Open();
    TMyTreeNode* old = main.RootNode()->Child(0)->Child(0);
    QCOMPARE(old->Text(), QString("OLD"));
    QCOMPARE(old->ObjectType, 0);
    QVERIFY(main.Brelk->InCatalogue(old->Entry));
    QCOMPARE(main.NodeAtAbsoluteIndex(1), main.RootNode()->Child(0));
    QCOMPARE(main.NodeAtAbsoluteIndex(2), old);
}

void TestMainTree::compareFoldsLettersOnly_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order");
    QTest::newRow("case blind") << "elite"
                                << "ELITE" << 0;
    QTest::newRow("letters folded") << "abc"
                                    << "ABD" << -1;
    QTest::newRow("prefix first") << "GAMES"
                                  << "GAMES.A" << -1;
    QTest::newRow("underscore after letters") << "_X"
                                              << "aX" << 1;
    QTest::newRow("bracket after upper") << "["
                                         << "z" << 1;
    QTest::newRow("digits before letters") << "9"
                                           << "a" << -1;
    QTest::newRow("empty first") << ""
                                 << "!" << -1;
}

void TestMainTree::compareFoldsLettersOnly() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    TMyTreeNode na(a, 2), nb(b, 2);
    const int result = TfrmMain::treevwObjectsCompare(&na, &nb);
    QCOMPARE((result > 0) - (result < 0), order);
    const int reverse = TfrmMain::treevwObjectsCompare(&nb, &na);
    QCOMPARE((reverse > 0) - (reverse < 0), -order);
    QCOMPARE(na < nb, order < 0);
}

void TestMainTree::iconsFollowTheEntries() {
    TMainRig rig;
    QVERIFY(MakeIcons(rig.ProgramFolder));
    QVERIFY(rig.UseCard(k8M, {Disc("FULL", 1, 204800),
                              Disc("SQUASHED", 1, 51200),
                              Tool("GROUP.TOOL"),
                              {kTypeFilingSystem, 81, "DNFS", 512}}));
    TfrmMain& main = rig.Open();
    QVERIFY(main.ObjectImagesLoaded);
    QCOMPARE(main.ObjectImages.Count(), 13);
    QCOMPARE(main.ObjectImages.ObjectImageKeys.at(4), QString("DISC_TAPE"));
    QCOMPARE(main.treevwObjects->iconSize(), QSize(12, 14));
    auto colourOf = [&](const QString& text) {
        return FindNode(main, text)->icon(0).pixmap(12, 14).toImage().pixelColor(5, 5);
    };
    auto colourOfImage = [&](int index) {
        return main.ObjectImages.Image(index).toImage().pixelColor(5, 5);
    };
    QCOMPARE(colourOf("FULL"), colourOfImage(2));
    QCOMPARE(colourOf("SQUASHED"), colourOfImage(3));
    QCOMPARE(colourOf("TOOL"), colourOfImage(5));
    QCOMPARE(colourOf("DNFS"), colourOfImage(8));
    QCOMPARE(colourOf("GROUP"), colourOfImage(0));
    QCOMPARE(colourOf("Tools"), colourOfImage(0));
}

void TestMainTree::missingIconFileLeavesTreeWithoutIcons() {
    TMainRig rig;
    QVERIFY(MakeIcons(rig.ProgramFolder, "object_tool.bmp"));
    QVERIFY(rig.UseCard(k8M, {Tool("T"), Disc("D")}));
    TfrmMain& main = rig.Open();
    QVERIFY(!main.ObjectImagesLoaded);
    QCOMPARE(main.ObjectImages.Count(), 5);
    QVERIFY(FindNode(main, "T")->icon(0).isNull());
    QVERIFY(FindNode(main, "D")->icon(0).isNull());
    QVERIFY(main.RootNode()->icon(0).isNull());
}

// One row per kind of selected object: what the popup shows and enables.
void TestMainTree::popupStates_data() {
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

void TestMainTree::popupStates() {
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
    main.treevwObjects->setCurrentItem(FindNode(main, node));
    main.mnuPopupPopup();
    QStringList states;
    for (QAction* a :
         {main.actnDeleteObjects, main.mnuPopupSaveObject, main.actnSquashDisc, main.actnExpandDisc,
          main.mnuPopupOpenInEmulator, main.mnuPopupRemoveDeletedObjects})
        states << QString(a->isVisible() ? "V" : "h") + (a->isEnabled() ? "E" : "d");
    QCOMPARE(states.join(' '), expected);
    QVERIFY(main.actnAddObjects->isVisible());
    QVERIFY(!main.mnuPopupFormatMMC->isVisible());
    QCOMPARE(main.actnDeleteObjects->text(), QString("Delete object..."));
    QCOMPARE(main.mnuPopupSaveObject->text(), QString("Save object..."));
    QCOMPARE(main.actnSquashDisc->text(), QString("Squash disc"));
    // The Tools menu entry of the same action shows its enabled state too.
    QVERIFY(main.actnRemoveDeletedObjects->isEnabled());
    QVERIFY(main.actnRemoveDeletedObjects->isVisible());
}

void TestMainTree::popupOnRootAndGroups() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("TOOL")}));
    TfrmMain& main = rig.Open();
    rig.GiveAllActionsWork();
    main.mnuPopupPopup(); // root selected after the build
    QVERIFY(main.mnuPopupFormatMMC->isVisible());
    QVERIFY(main.mnuPopupFormatMMC->isEnabled());
    QVERIFY(main.mnuPopupRemoveDeletedObjects->isVisible());
    QVERIFY(!main.mnuPopupRemoveDeletedObjects->isEnabled()); // no deleted objects
    for (QAction* a : {main.actnDeleteObjects, main.mnuPopupSaveObject, main.actnSquashDisc,
                       main.actnExpandDisc, main.mnuPopupOpenInEmulator})
        QVERIFY2(!a->isVisible(), qPrintable(a->objectName()));
    main.treevwObjects->setCurrentItem(main.RootNode()->Child(0));
    main.mnuPopupPopup();
    QVERIFY(!main.mnuPopupFormatMMC->isVisible());
    QVERIFY(main.mnuPopupRemoveDeletedObjects->isVisible());
    main.treevwObjects->setCurrentItem(main.RootNode()->Child(2));
    main.mnuPopupPopup();
    QVERIFY(!main.mnuPopupRemoveDeletedObjects->isVisible());
    // The Tools menu keeps its Format entry: only the popup entry was hidden.
    QVERIFY(main.actnFormatMMC->isVisible());
    QVERIFY(main.actnFormatMMC->isEnabled());
}

void TestMainTree::popupCaptionsForSeveralNodes() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Disc("FULL", 1, 204800), Disc("OTHER", 1, 204800)}));
    rig.SetSetting("EmulatorPath", "/usr/bin/beebem");
    TfrmMain& main = rig.Open();
    rig.GiveAllActionsWork();
    QCOMPARE(main.treevwObjects->selectionMode(), QAbstractItemView::ExtendedSelection);
    main.treevwObjects->setCurrentItem(FindNode(main, "FULL"));
    FindNode(main, "OTHER")->setSelected(true);
    QCOMPARE(main.SelectedCount(), 2);
    main.mnuPopupPopup();
    QCOMPARE(main.actnSquashDisc->text(), QString("Squash discs"));
    QCOMPARE(main.actnExpandDisc->text(), QString("Expand discs"));
    QCOMPARE(main.actnDeleteObjects->text(), QString("Delete objects..."));
    QCOMPARE(main.mnuPopupSaveObject->text(), QString("Save objects..."));
    QVERIFY(main.actnSquashDisc->isEnabled());
    QVERIFY(main.actnExpandDisc->isEnabled()); // several discs: both offered
    QVERIFY(!main.mnuPopupOpenInEmulator->isVisible());
}

void TestMainTree::popupLeavesUnknownTypesUnchanged() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Disc("FULL", 1, 204800)}));
    TfrmMain& main = rig.Open();
    rig.GiveAllActionsWork();
    main.treevwObjects->setCurrentItem(FindNode(main, "FULL"));
    main.mnuPopupPopup();
    QVERIFY(main.actnSquashDisc->isVisible());
    // An object node of an unknown type (a damaged entry) leaves the entries as they were.
    brelk::TBrelkCatEntry odd;
    odd.SetType(9);
    odd.SetName("ODD");
    TMyTreeNode* node = main.AddObjectNode(main.RootNode()->Child(2), &odd);
    main.treevwObjects->setCurrentItem(node);
    main.mnuPopupPopup();
    QVERIFY(main.actnSquashDisc->isVisible());
    QVERIFY(main.actnSquashDisc->isEnabled());
    QVERIFY(!main.actnExpandDisc->isEnabled());
    delete node;
}

void TestMainTree::rightClickKeepsSelection() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE"), Tool("TWO")}));
    TfrmMain& main = rig.Open();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.RootNode()->Child(2)->setExpanded(true);
    QTreeWidgetItem* one = FindNode(main, "ONE");
    QTreeWidgetItem* two = FindNode(main, "TWO");
    main.treevwObjects->setCurrentItem(one);
    QWidget* viewport = main.treevwObjects->viewport();
    const QPoint atTwo = main.treevwObjects->visualItemRect(two).center();
    QTest::mouseClick(viewport, Qt::RightButton, {}, atTwo);
    QCOMPARE(main.treevwObjects->currentItem(), one);
    QCOMPARE(main.SelectedCount(), 1);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, atTwo);
    QCOMPARE(main.SelectedCount(), 2);
    main.mnuPopup->close();
}

QTEST_MAIN(TestMainTree)
#include "tst_main_tree.moc"
