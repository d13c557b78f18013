// The object tree: shapes by card state, node breaks, the backward sub-group search, tidying,
// the sort order and the icons.
#include "tst_main_fixture.h"

#include "explorer/NameText.h"

#include "ui/main/MainWidgets.h"
#include "ui/main/OpenOnObject.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace maintest;
using brelk::kTypeDeleted;
using brelk::kTypeFilingSystem;
using brelk::kTypeImage;
using brelk::kTypeTool;

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
    void openOnObjectExpandsGroupsAndSelects();
    void namesShowAsBrelkShowsThem();
    void largeGroupsWaitForExpansion();
    void filledGroupsMatchTheBuild_data();
    void filledGroupsMatchTheBuild();
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
    QVERIFY(Find<QAction>(main, "actnAddObjects")->isVisible());
    QVERIFY(!main.ActionWanted(Find<QAction>(main, "actnRemoveDeletedObjects")));
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
    QVERIFY(!Find<QAction>(main, "actnAddObjects")->isVisible());
    QVERIFY(!main.ActionWanted(Find<QAction>(main, "actnRemoveDeletedObjects")));
    QCOMPARE(rig.Prompter.Messages().size(), errorShown ? 1 : 0);
    if (errorShown) {
        QCOMPARE(rig.Prompter.Messages().first(),
                 "Error - Could not open device '" + drive + ":' (No such file or directory)");
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
    Find<QAction>(main, "actnRefreshTree")->trigger();
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
    QCOMPARE(main.Card()->Entries().size(), std::size_t(2));
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
    QVERIFY(main.Card()->InCatalogue(old->Entry));
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
    QVERIFY(main.ImagesLoaded());
    QCOMPARE(main.Images().Count(), 13);
    QCOMPARE(main.Images().ObjectImageKeys.at(4), QString("DISC_TAPE"));
    QCOMPARE(Find<TObjectTreeWidget>(main, "treevwObjects")->iconSize(), QSize(12, 14));
    auto colourOf = [&](const QString& text) {
        return FindNode(main, text)->icon(0).pixmap(12, 14).toImage().pixelColor(5, 5);
    };
    auto colourOfImage = [&](int index) {
        return main.Images().Image(index).toImage().pixelColor(5, 5);
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
    QVERIFY(!main.ImagesLoaded());
    QCOMPARE(main.Images().Count(), 5);
    QVERIFY(FindNode(main, "T")->icon(0).isNull());
    QVERIFY(FindNode(main, "D")->icon(0).isNull());
    QVERIFY(main.RootNode()->icon(0).isNull());
}
// The start view of --select: every group expanded, the object selected with its details.
void TestMainTree::openOnObjectExpandsGroupsAndSelects() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("GAMES.ELITE"), Tool("GAMES.REVS"), Disc("OFFICE.WW")}));
    TfrmMain& main = rig.Open();
    QVERIFY(!OpenOnObject(main, "NOSUCH"));
    QCOMPARE(main.SelectedNode(), main.RootNode());
    QVERIFY(OpenOnObject(main, "games.elite"));
    QVERIFY(main.SelectedNode() && main.SelectedNode()->Entry);
    QCOMPARE(main.SelectedNode()->Entry->Name(), std::string("GAMES.ELITE"));
    QCOMPARE(Find<QLabel>(main, "lblObjectFullname")->text(), QString("GAMES.ELITE"));
    for (QTreeWidgetItemIterator it(Find<TObjectTreeWidget>(main, "treevwObjects")); *it; ++it)
        if ((*it)->childCount() > 0)
            QVERIFY2((*it)->isExpanded(), qPrintable((*it)->text(0)));
}

// The tree and the details show a name as brelk does (code page 1252, \xNN for bytes that show
// nothing), and that text, given to --select, finds the object.
void TestMainTree::namesShowAsBrelkShowsThem() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("CAF\xC9\x80.\x07X")}));
    TfrmMain& main = rig.Open();
    const QString shown = QString::fromStdString(brelk::NameText("CAF\xC9\x80.\x07X"));
    QCOMPARE(shown, QString::fromUtf8("CAF\u00C9\u20AC.\\x07X"));
    QVERIFY(FindNode(main, QString::fromUtf8("CAF\u00C9\u20AC")));
    QVERIFY(FindNode(main, QStringLiteral("\\x07X")));
    QVERIFY(OpenOnObject(main, shown));
    QCOMPARE(Find<QLabel>(main, "lblObjectFullname")->text(), shown);
}

namespace {

// Objects of every shown kind, with node breaks and the backward-search case among the discs
// (their subtypes order them otherwise than a sort does).
std::vector<TObject> MixedObjects() {
    return {{kTypeDeleted, 2, "OLD", 512},
            {kTypeDeleted, 3, "ALSO.OLD", 512},
            Tool("ZED"),
            Tool("A.ONE"),
            Tool("A.TWO"),
            Disc("GAMES.A", 1),
            Disc("ABC", 2),
            Disc("GAMES.B", 3)};
}

// The tree below Node with the number of each node's icon: "Text#icon{child,...}".
QString DumpWithIcons(const TfrmMain& main, const QTreeWidgetItem* node) {
    int icon = 0;
    while (icon < main.Images().Count() &&
           main.Images().Icon(icon).cacheKey() != node->icon(0).cacheKey())
        ++icon;
    QString text = node->text(0) + QLatin1Char('#') + QString::number(icon);
    QStringList children;
    for (int i = 0; i < node->childCount(); ++i)
        children << DumpWithIcons(main, node->child(i));
    return children.isEmpty() ? text : text + QLatin1Char('{') + children.join(',') + '}';
}

enum TTreeStep { ExpandGroups, Tidy, MoveToolToDeleted, MoveDiscGroup, RemoveDeleted, DragDisc };

void Select(TfrmMain& main, QTreeWidgetItem* node) {
    Find<TObjectTreeWidget>(main, "treevwObjects")->clearSelection();
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(node);
}

// Carries out Step as a user would reach it (a group is expanded before its objects are
// picked), then makes every node; the tree as text with icons, the selected node and whether
// deleted objects can be removed.
QString TreeAfter(TMainRig& rig, TfrmMain& main, TTreeStep step) {
    TMyTreeNode* root = main.RootNode();
    main.UserSettings().UseDeletedObjects = true;
    switch (step) {
    case ExpandGroups:
        for (int i = 0; i < root->childCount(); ++i)
            root->Child(i)->setExpanded(true);
        break;
    case Tidy:
        main.TidyTree();
        break;
    case MoveToolToDeleted:
        root->Child(kTypeTool)->setExpanded(true);
        Select(main, FindNode(main, "ZED"));
        rig.Prompter.QueueAnswer(TPrompter::TAnswer::Yes);
        main.actnDeleteObjectsExecute();
        break;
    case MoveDiscGroup:
        Select(main, root->Child(kTypeImage));
        rig.Prompter.QueueAnswer(TPrompter::TAnswer::Yes);
        main.actnDeleteObjectsExecute();
        break;
    case RemoveDeleted:
        main.actnRemoveDeletedObjectsExecute();
        break;
    case DragDisc:
        root->Child(kTypeImage)->setExpanded(true);
        Select(main, root->Child(kTypeImage)->Child(0)->Child(0)); // GAMES.A
        main.treevwObjectsDragDrop(root->Child(kTypeImage));
        break;
    }
    // Whether "Remove Deleted objects" is offered is known before any more nodes are made.
    const QString removable =
        Find<QAction>(main, "actnRemoveDeletedObjects")->isEnabled() ? " removable" : "";
    main.FillAllGroups();
    const TMyTreeNode* selected = main.SelectedNode();
    // The groups only: the root's text names the card's file, another for each window.
    QStringList groups;
    for (int i = 0; i < main.RootNode()->childCount(); ++i)
        groups << DumpWithIcons(main, main.RootNode()->child(i));
    const QString chosen = !selected ? "-" : selected == root ? "root" : selected->Text();
    return groups.join(',') + " selected " + chosen + removable;
}

} // namespace

// A group of many objects is built with no nodes below it, shows that it can be expanded, and
// gets its nodes on the first expansion; the commands that look below it see them all.
void TestMainTree::largeGroupsWaitForExpansion() {
    TMainRig rig;
    QVERIFY(MakeIcons(rig.ProgramFolder));
    QVERIFY(rig.UseCard(k8M, MixedObjects()));
    TfrmMain& main = rig.Open();
    main.SetFillGroupOnExpandFrom(3); // Tools and Discs/tapes wait, "Deleted objects" not
    main.PopulateTreeInfo();
    TMyTreeNode* root = main.RootNode();
    QCOMPARE(Dump(root), rig.CardPath() + ": (Brelk){Deleted objects{OLD,ALSO.OLD},"
                                          "Filingsystems,Tools,Discs/tapes}");
    QCOMPARE(main.TreeNodeCount(), 7);
    const auto policy = [&](int group) { return root->Child(group)->childIndicatorPolicy(); };
    QCOMPARE(policy(kTypeFilingSystem), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    QCOMPARE(policy(kTypeTool), QTreeWidgetItem::ShowIndicator);
    QCOMPARE(policy(kTypeImage), QTreeWidgetItem::ShowIndicator);
    QVERIFY(!FindNode(main, "ZED"));
    root->Child(kTypeTool)->setExpanded(true);
    QCOMPARE(Dump(root->Child(kTypeTool)), QString("Tools{A{ONE,TWO},ZED}"));
    QCOMPARE(policy(kTypeTool), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    QCOMPARE(root->Child(kTypeImage)->childCount(), 0);
    // --select finds an object in a group not yet expanded.
    QVERIFY(OpenOnObject(main, "games.b"));
    QCOMPARE(main.SelectedNode()->Entry->Name(), std::string("GAMES.B"));
    QCOMPARE(Dump(root->Child(kTypeImage)), QString("Discs/tapes{GAMES{A},ABC,GAMES{B}}"));

    // A "Deleted objects" group still to be made offers its removal.
    main.SetFillGroupOnExpandFrom(1);
    main.PopulateTreeInfo();
    QCOMPARE(main.TreeNodeCount(), 5);
    main.mnuPopupPopup();
    QVERIFY(main.ActionWanted(Find<QAction>(main, "actnRemoveDeletedObjects")));
    main.UpdateTopbarInfo();
    QVERIFY(Find<QAction>(main, "actnRemoveDeletedObjects")->isEnabled());
}

void TestMainTree::filledGroupsMatchTheBuild_data() {
    QTest::addColumn<int>("step");
    QTest::newRow("expanded") << int(ExpandGroups);
    QTest::newRow("tidied before expanding") << int(Tidy);
    QTest::newRow("object moved to a waiting Deleted objects") << int(MoveToolToDeleted);
    QTest::newRow("waiting group moved whole") << int(MoveDiscGroup);
    QTest::newRow("waiting Deleted objects removed") << int(RemoveDeleted);
    QTest::newRow("disc dragged to the top of its group") << int(DragDisc);
}

// Whether a group's nodes are made by the build or later, every step leaves the same tree,
// icons and selection.
void TestMainTree::filledGroupsMatchTheBuild() {
    QFETCH(int, step);
    QString trees[2];
    for (int waiting = 0; waiting < 2; ++waiting) {
        TMainRig rig;
        QVERIFY(MakeIcons(rig.ProgramFolder));
        QVERIFY(rig.UseCard(k8M, MixedObjects()));
        TfrmMain& main = rig.Open();
        if (waiting) {
            main.SetFillGroupOnExpandFrom(1);
            main.PopulateTreeInfo();
            QCOMPARE(main.TreeNodeCount(), 5);
        }
        trees[waiting] = TreeAfter(rig, main, TTreeStep(step));
        QVERIFY2(!rig.Prompter.Unexpected(), qPrintable(rig.Prompter.Describe()));
        QVERIFY(rig.Prompter.AllAnswersUsed());
    }
    QCOMPARE(trees[1], trees[0]);
}

QTEST_MAIN(TestMainTree)
#include "tst_main_tree.moc"
