// Deleting objects (every question, Yes and No, to "Deleted objects" or for good), removing
// the deleted objects, formatting, and that no tree node keeps a released catalogue entry.
#include "tst_main_fixture.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace maintest;
using brelk::kTypeDeleted;
using TAnswer = TPrompter::TAnswer;
using TIcon = TPrompter::TIcon;
using TButtons = TPrompter::TButtons;

namespace {

// Deleted OLD; tools TOOL, GAMES.ELITE and GAMES.ZARCH (sub-group GAMES); disc DISC.
std::vector<TObject> SampleObjects() {
    return {{kTypeDeleted, 2, "OLD", 512},
            Tool("TOOL"),
            Tool("GAMES.ELITE"),
            Tool("GAMES.ZARCH"),
            Disc("DISC")};
}

// The catalogue as "type:name", sorted.
QString CatalogueText(const TfrmMain& main) {
    QStringList items;
    for (const auto& entry : main.Card()->Entries())
        items << QString::number(entry->Type()) + ':' + QString::fromStdString(entry->Name());
    items.sort();
    return items.join(',');
}

// The four groups and everything below them.
QString GroupsText(const TfrmMain& main) {
    QStringList groups;
    for (int i = 0; i < main.RootNode()->childCount(); ++i)
        groups << Dump(main.RootNode()->Child(i));
    return groups.join(',');
}

// Whether every node's entry is a live record of the catalogue.
bool AllNodesLive(const TfrmMain& main, QString* bad = nullptr) {
    for (QTreeWidgetItemIterator it(Find<TObjectTreeWidget>(main, "treevwObjects")); *it; ++it) {
        auto* node = static_cast<TMyTreeNode*>(*it);
        if (node->Entry && !main.Card()->InCatalogue(node->Entry)) {
            if (bad)
                *bad = node->Text();
            return false;
        }
    }
    return true;
}

TMyTreeNode* NodeNamed(TfrmMain& main, const QString& text) {
    return text == "<root>" ? main.RootNode() : FindNode(main, text);
}

// Makes the first node current and selected, then adds the others to the selection.
void Select(TfrmMain& main, const QStringList& texts) {
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(NodeNamed(main, texts.first()));
    for (qsizetype i = 1; i < texts.size(); ++i)
        NodeNamed(main, texts[i])->setSelected(true);
}

const QString kAll = "0:OLD,2:GAMES.ELITE,2:GAMES.ZARCH,2:TOOL,3:DISC";
const QString kAllTree =
    "Deleted objects{OLD},Filingsystems,Tools{GAMES{ELITE,ZARCH},TOOL},Discs/tapes{DISC}";

} // namespace

class TestMainObjectOps : public QObject {
    Q_OBJECT
  private slots:
    void deleteAsksAndActs_data();
    void deleteAsksAndActs();
    void deleteReachedFromPopup();
    void deleteClearsEveryNodeOfAReleasedEntry();
    void deleteNodeWithEntryNoLongerInCatalogue();
    void deleteLargeGroupForGood();
    void deleteReportsFailedCatalogueUpdate();
    void removeDeletedObjects();
    void removeDeletedWithNoneChangesNothing();
    void removeDeletedWithoutCatalogueLeavesTreeAlone();
    void formatAsksAndFormats_data();
    void formatAsksAndFormats();
    void manyObjectsMoveUnderTheWaitWindowWithCancel();
    void nearestRemainingNodeIsSelected_data();
    void nearestRemainingNodeIsSelected();
};

void TestMainObjectOps::deleteAsksAndActs_data() {
    QTest::addColumn<QStringList>("select");
    QTest::addColumn<bool>("useDeleted");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question"); // empty: nothing is asked
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("tree");

    const QString moveOne = "The object 'TOOL' will be moved to 'Deleted objects'.\r\rDo you "
                            "want to move this object?";
    const QString deleteOne =
        "The object 'TOOL' will be deleted permanently.\r\rDo you want to delete this object?";
    const QString moveMany = "The selected objects will be moved to 'Deleted objects'.\r\rDo "
                             "you want to move these objects?";
    const QString deleteMany = "The selected objects will be deleted permanently.\r\rDo you "
                               "want to delete these objects?";
    const QString moveGames = "All items in the subtree of 'GAMES' will be moved to 'Deleted "
                              "objects'.\r\rDo you want to move these objects?";
    const QString deleteGames = "All items in the subtree of 'GAMES' will be deleted "
                                "permanently.\r\rDo you want to delete these objects?";
    const QString moveTools = "All items in the subtree of 'Tools' will be moved to 'Deleted "
                              "objects'.\r\rDo you want to move these objects?";

    QTest::newRow("object moved") << QStringList{"TOOL"} << true << true << moveOne
                                  << "0:OLD,0:TOOL,2:GAMES.ELITE,2:GAMES.ZARCH,3:DISC"
                                  << "Deleted objects{OLD,TOOL},Filingsystems,"
                                     "Tools{GAMES{ELITE,ZARCH}},Discs/tapes{DISC}";
    QTest::newRow("object deleted") << QStringList{"TOOL"} << false << true << deleteOne
                                    << "0:OLD,2:GAMES.ELITE,2:GAMES.ZARCH,3:DISC"
                                    << "Deleted objects{OLD},Filingsystems,"
                                       "Tools{GAMES{ELITE,ZARCH}},Discs/tapes{DISC}";
    QTest::newRow("object, No") << QStringList{"TOOL"} << true << false << moveOne << kAll
                                << kAllTree;
    QTest::newRow("object, No, permanent")
        << QStringList{"TOOL"} << false << false << deleteOne << kAll << kAllTree;
    QTest::newRow("sub-group moved flat")
        << QStringList{"GAMES"} << true << true << moveGames
        << "0:GAMES.ELITE,0:GAMES.ZARCH,0:OLD,2:TOOL,3:DISC"
        << "Deleted objects{GAMES.ELITE,GAMES.ZARCH,OLD},Filingsystems,Tools{TOOL},"
           "Discs/tapes{DISC}";
    QTest::newRow("sub-group deleted")
        << QStringList{"GAMES"} << false << true << deleteGames << "0:OLD,2:TOOL,3:DISC"
        << "Deleted objects{OLD},Filingsystems,Tools{TOOL},Discs/tapes{DISC}";
    QTest::newRow("sub-group, No")
        << QStringList{"GAMES"} << false << false << deleteGames << kAll << kAllTree;
    QTest::newRow("top group moved")
        << QStringList{"Tools"} << true << true << moveTools
        << "0:GAMES.ELITE,0:GAMES.ZARCH,0:OLD,0:TOOL,3:DISC"
        << "Deleted objects{GAMES.ELITE,GAMES.ZARCH,OLD,TOOL},Filingsystems,Tools,"
           "Discs/tapes{DISC}";
    QTest::newRow("two objects moved")
        << QStringList{"TOOL", "DISC"} << true << true << moveMany
        << "0:DISC,0:OLD,0:TOOL,2:GAMES.ELITE,2:GAMES.ZARCH"
        << "Deleted objects{DISC,OLD,TOOL},Filingsystems,Tools{GAMES{ELITE,ZARCH}},Discs/tapes";
    QTest::newRow("two objects, No")
        << QStringList{"TOOL", "DISC"} << false << false << deleteMany << kAll << kAllTree;
    QTest::newRow("deleted and object, permanent")
        << QStringList{"OLD", "TOOL"} << false << true << deleteMany
        << "2:GAMES.ELITE,2:GAMES.ZARCH,3:DISC"
        << "Deleted objects,Filingsystems,Tools{GAMES{ELITE,ZARCH}},Discs/tapes{DISC}";
    QTest::newRow("deleted and object, moved")
        << QStringList{"OLD", "TOOL"} << true << true << moveMany
        << "0:OLD,0:TOOL,2:GAMES.ELITE,2:GAMES.ZARCH,3:DISC"
        << "Deleted objects{OLD,TOOL},Filingsystems,Tools{GAMES{ELITE,ZARCH}},"
           "Discs/tapes{DISC}";
    QTest::newRow("root and object, permanent")
        << QStringList{"<root>", "TOOL"} << false << true << deleteMany << ""
        << "Deleted objects,Filingsystems,Tools,Discs/tapes";
    QTest::newRow("root and object, moved")
        << QStringList{"<root>", "TOOL"} << true << true << moveMany
        << "0:DISC,0:GAMES.ELITE,0:GAMES.ZARCH,0:OLD,0:TOOL"
        << "Deleted objects{DISC,GAMES.ELITE,GAMES.ZARCH,OLD,TOOL},Filingsystems,Tools,"
           "Discs/tapes";
    QTest::newRow("sub-group and an object in it")
        << QStringList{"GAMES", "ELITE"} << false << true << deleteMany << "0:OLD,2:TOOL,3:DISC"
        << "Deleted objects{OLD},Filingsystems,Tools{TOOL},Discs/tapes{DISC}";
    QTest::newRow("root alone") << QStringList{"<root>"} << true << true << "" << kAll << kAllTree;
    QTest::newRow("deleted group alone")
        << QStringList{"Deleted objects"} << false << true << "" << kAll << kAllTree;
    QTest::newRow("deleted object alone")
        << QStringList{"OLD"} << false << true << "" << kAll << kAllTree;
}

void TestMainObjectOps::deleteAsksAndActs() {
    QFETCH(QStringList, select);
    QFETCH(bool, useDeleted);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    QFETCH(QString, catalogue);
    QFETCH(QString, tree);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, SampleObjects()));
    TfrmMain& main = rig.Open();
    main.UserSettings().UseDeletedObjects = useDeleted;
    QCOMPARE(GroupsText(main), kAllTree);
    Select(main, select);
    QCOMPARE(main.SelectedCount(), int(select.size()));
    if (!question.isEmpty())
        rig.Prompter.QueueAnswer(yes ? TAnswer::Yes : TAnswer::No);
    main.actnDeleteObjectsExecute();

    if (question.isEmpty()) {
        QVERIFY2(rig.Prompter.Questions().isEmpty(), qPrintable(rig.Prompter.Describe()));
    } else {
        QCOMPARE(rig.Prompter.Messages(), QStringList{question});
        QCOMPARE(rig.Prompter.Last().Icon, TIcon::Confirmation);
        QCOMPARE(rig.Prompter.Last().Buttons, TButtons::YesNo);
        // Enter must not destroy data: deleting for good offers No first.
        QCOMPARE(rig.Prompter.Last().Default, useDeleted ? TAnswer::Yes : TAnswer::No);
    }
    QVERIFY(!rig.Prompter.Unexpected());
    QCOMPARE(CatalogueText(main), catalogue);
    QCOMPARE(GroupsText(main), tree);
    QString bad;
    QVERIFY2(AllNodesLive(main, &bad), qPrintable(bad));
    // Moved objects show the deleted-object icon; nothing was written when nothing changed.
    for (int i = 0; i < main.RootNode()->Child(0)->childCount(); ++i) {
        TMyTreeNode* node = main.RootNode()->Child(0)->Child(i);
        QVERIFY(node->Entry);
        QCOMPARE(node->ObjectType, int(kTypeDeleted));
        QCOMPARE(node->icon(0).cacheKey(),
                 main.Images().Icon(brelk::ObjectImageIndex(*node->Entry)).cacheKey());
    }
    QCOMPARE(main.Card()->HasUnsavedData(), catalogue != kAll);
}

void TestMainObjectOps::deleteReachedFromPopup() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, SampleObjects()));
    TfrmMain& main = rig.Open();
    main.UserSettings().UseDeletedObjects = true;
    Select(main, {"DISC"});
    main.mnuPopupPopup();
    QVERIFY(Find<QAction>(main, "actnDeleteObjects")->isVisible());
    QVERIFY(Find<QAction>(main, "actnDeleteObjects")->isEnabled());
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    Find<QAction>(main, "actnDeleteObjects")->trigger();
    QCOMPARE(rig.Prompter.Messages().size(), 1);
    QCOMPARE(CatalogueText(main), "0:DISC,0:OLD,2:GAMES.ELITE,2:GAMES.ZARCH,2:TOOL");
    // The usage strip follows: pending data, and "Remove Deleted objects" offered.
    QVERIFY(main.Card()->HasUnsavedData());
    QVERIFY(!Find<QAction>(main, "actnReloadDrive")->isEnabled());
    QVERIFY(Find<QAction>(main, "actnRemoveDeletedObjects")->isEnabled());
}

// Two nodes for one entry (as a refile or rename can leave them): deleting the object through
// one must not leave the other pointing at the released entry.
void TestMainObjectOps::deleteClearsEveryNodeOfAReleasedEntry() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, SampleObjects()));
    TfrmMain& main = rig.Open();
    main.UserSettings().UseDeletedObjects = false;
    TMyTreeNode* tool = FindNode(main, "TOOL");
    TMyTreeNode* twin = main.AddObjectNode(main.RootNode()->Child(3), tool->Entry);
    Select(main, {"TOOL"});
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    main.actnDeleteObjectsExecute();
    QCOMPARE(CatalogueText(main), "0:OLD,2:GAMES.ELITE,2:GAMES.ZARCH,3:DISC");
    QString bad;
    QVERIFY2(AllNodesLive(main, &bad), qPrintable(bad));
    Q_UNUSED(twin); // removed by the tidy, being empty now
    QCOMPARE(GroupsText(main),
             "Deleted objects{OLD},Filingsystems,Tools{GAMES{ELITE,ZARCH}},Discs/tapes{DISC}");
}

// A sub-group of 3000 tools removed for good: every entry goes (in one pass), every other
// object stays, and no node keeps a released entry.
void TestMainObjectOps::deleteLargeGroupForGood() {
    std::vector<TObject> objects = SampleObjects();
    for (int i = 0; i < 3000; ++i)
        objects.push_back(Tool("BULK.T" + std::to_string(i)));
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, objects));
    TfrmMain& main = rig.Open();
    main.UserSettings().UseDeletedObjects = false;
    QCOMPARE(int(main.Card()->Entries().size()), 3005);
    Select(main, {"BULK"});
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    main.actnDeleteObjectsExecute();
    QCOMPARE(CatalogueText(main), kAll);
    QCOMPARE(GroupsText(main), kAllTree);
    QString bad;
    QVERIFY2(AllNodesLive(main, &bad), qPrintable(bad));
    QCOMPARE(main.Card()->HeaderCount(), 5u);
}

void TestMainObjectOps::deleteNodeWithEntryNoLongerInCatalogue() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, SampleObjects()));
    TfrmMain& main = rig.Open();
    brelk::TBrelkCatEntry stray;
    stray.SetType(brelk::kTypeTool);
    stray.SetName("STRAY");
    TMyTreeNode* node = main.AddObjectNode(main.RootNode()->Child(2), &stray);
    QVERIFY(!main.DeleteObjectNode(node));
    QVERIFY(!node->Entry); // the node lets go of it
    QCOMPARE(CatalogueText(main), kAll);
    QVERIFY(!main.Card()->HasUnsavedData());
    main.TidyTree();
    QCOMPARE(GroupsText(main), kAllTree);
}

// The object header cannot be rewritten (the card went away): the failure is reported per
// object, the entry is a deleted object all the same and listed under "Deleted objects".
void TestMainObjectOps::deleteReportsFailedCatalogueUpdate() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, SampleObjects()));
    TfrmMain& main = rig.Open();
    main.UserSettings().UseDeletedObjects = true;
    main.Card()->SetRewriteObjectHeader(true);
    QVERIFY(QFile::remove(rig.CardPath()));
    Select(main, {"TOOL", "DISC"});
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    main.actnDeleteObjectsExecute();
    const QStringList messages = rig.Prompter.Messages();
    QVERIFY2(messages.contains("Error - could not remove 'TOOL'."), qPrintable(messages.join('|')));
    QVERIFY2(messages.contains("Error - could not remove 'DISC'."), qPrintable(messages.join('|')));
    QCOMPARE(CatalogueText(main), "0:DISC,0:OLD,0:TOOL,2:GAMES.ELITE,2:GAMES.ZARCH");
    QCOMPARE(GroupsText(main), "Deleted objects{DISC,OLD,TOOL},Filingsystems,"
                               "Tools{GAMES{ELITE,ZARCH}},Discs/tapes");
    QVERIFY(AllNodesLive(main));
}

void TestMainObjectOps::removeDeletedObjects() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {{kTypeDeleted, 2, "OLD", 512},
                              {kTypeDeleted, 3, "OLDER", 1024},
                              Tool("TOOL"),
                              Disc("DISC")}));
    TfrmMain& main = rig.Open();
    const std::uint64_t usedBefore = main.Card()->GetUsedBytes();
    Select(main, {"OLD"});
    main.mnuPopupPopup();
    QVERIFY(Find<QAction>(main, "mnuPopupRemoveDeletedObjects")->isVisible());
    QVERIFY(Find<QAction>(main, "mnuPopupRemoveDeletedObjects")->isEnabled());
    Find<QAction>(main, "mnuPopupRemoveDeletedObjects")
        ->trigger(); // the popup entry carries out the action
    QVERIFY(rig.Prompter.Questions().isEmpty());
    QCOMPARE(CatalogueText(main), "2:TOOL,3:DISC");
    QCOMPARE(GroupsText(main), "Deleted objects,Filingsystems,Tools{TOOL},Discs/tapes{DISC}");
    QVERIFY(AllNodesLive(main));
    QCOMPARE(main.Card()->GetUsedBytes(), usedBefore - (512 + 512) - (1024 + 512));
    QCOMPARE(main.Card()->HeaderCount(), 2u);
    QVERIFY(main.Card()->HasUnsavedData());
    QVERIFY(
        !Find<QAction>(main, "actnRemoveDeletedObjects")->isEnabled()); // nothing left to remove
    // Written to the card, the catalogue holds the two objects.
    main.pnlCacheStatusClick();
    QCOMPARE(CardNames(rig.CardPath()), (QStringList{"TOOL", "DISC"}));
}

void TestMainObjectOps::removeDeletedWithNoneChangesNothing() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("TOOL"), Tool("GAMES.ELITE")}));
    TfrmMain& main = rig.Open();
    // A cleared object node, as a deletion leaves it: only the tidy removes it.
    FindNode(main, "ELITE")->Entry = nullptr;
    main.actnRemoveDeletedObjectsExecute();
    QVERIFY(rig.Prompter.Questions().isEmpty());
    QCOMPARE(CatalogueText(main), "2:GAMES.ELITE,2:TOOL");
    QVERIFY(!main.Card()->HasUnsavedData());
    QCOMPARE(GroupsText(main), "Deleted objects,Filingsystems,Tools{TOOL},Discs/tapes");
}

void TestMainObjectOps::removeDeletedWithoutCatalogueLeavesTreeAlone() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}, false)); // not formatted: the root alone
    TfrmMain& main = rig.Open();
    QCOMPARE(main.TreeNodeCount(), 1);
    const QString root = main.RootNode()->Text();
    main.actnRemoveDeletedObjectsExecute();
    QCOMPARE(main.TreeNodeCount(), 1);
    QCOMPARE(main.RootNode()->Text(), root);
    QVERIFY(!main.Card()->HasUnsavedData());
}

void TestMainObjectOps::formatAsksAndFormats_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void TestMainObjectOps::formatAsksAndFormats() {
    QFETCH(bool, yes);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, SampleObjects()));
    TfrmMain& main = rig.Open();
    // Offered in the Tools menu and, with the root selected, in the popup.
    QVERIFY(Find<QAction>(main, "actnFormatMMC")->isEnabled());
    main.mnuPopupPopup();
    QVERIFY(Find<QAction>(main, "mnuPopupFormatMMC")->isVisible());
    QVERIFY(Find<QAction>(main, "mnuPopupFormatMMC")->isEnabled());
    rig.Prompter.QueueAnswer(yes ? TAnswer::Yes : TAnswer::No);
    Find<QAction>(main, "actnFormatMMC")->trigger();
    QStringList expected{"You are about to format the MMC-card.\rThis will destroy ALL contents on "
                         "the card.\r\rDo you really want to format the MMC-card?"};
    if (yes)
        expected << "The MMC-card is formatted and an empty catalogue is written.";
    QCOMPARE(rig.Prompter.Messages(), expected);
    QCOMPARE(rig.Prompter.Questions().first().Icon, TIcon::Confirmation);
    QCOMPARE(rig.Prompter.Questions().first().Buttons, TButtons::YesNo);
    QCOMPARE(rig.Prompter.Questions().first().Default, TAnswer::No); // Enter keeps the card
    QVERIFY(!rig.Prompter.Unexpected());
    if (yes) {
        QCOMPARE(rig.Prompter.Last().Icon, TIcon::Information);
        QCOMPARE(rig.Prompter.Last().Buttons, TButtons::OK);
        QCOMPARE(CatalogueText(main), QString());
        QCOMPARE(GroupsText(main), "Deleted objects,Filingsystems,Tools,Discs/tapes");
        QCOMPARE(CardNames(rig.CardPath()), QStringList());            // on the card at once
        QVERIFY(!Find<QAction>(main, "actnBackupBrelk")->isEnabled()); // the topbar followed
    } else {
        QCOMPARE(CatalogueText(main), kAll);
        QCOMPARE(GroupsText(main), kAllTree);
    }
}

// 9000 objects go in steps with the wait window's progress; Cancel pressed during the first
// report is seen by the second: the objects of two steps are moved, the rest stay as they were.
void TestMainObjectOps::manyObjectsMoveUnderTheWaitWindowWithCancel() {
    std::vector<TObject> objects = SampleObjects();
    for (int i = 0; i < 9000; ++i)
        objects.push_back(Tool("BULK.T" + std::to_string(i)));
    TMainRig rig;
    QVERIFY(rig.UseCard(16u << 20, objects));
    TfrmMain& main = rig.Open();
    main.UserSettings().UseDeletedObjects = true;
    auto* bar = rig.Wait->findChild<QProgressBar*>("prgrsWait");
    auto* cancel = rig.Wait->findChild<QPushButton*>("btbtnCancel");
    QList<int> shown;
    bool visible = false, cancelOffered = false;
    connect(bar, &QProgressBar::valueChanged, this, [&](int value) {
        if (value <= 0)
            return;
        shown << value;
        visible = visible || rig.Wait->isVisible();
        cancelOffered = cancelOffered || cancel->isEnabled();
        if (shown.size() == 1)
            cancel->click();
    });
    Select(main, {"BULK"});
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    main.actnDeleteObjectsExecute();
    QCOMPARE(shown, (QList<int>{46, 91}));
    QVERIFY(visible);
    QVERIFY(cancelOffered);
    QVERIFY(!rig.Wait->isVisible());
    QVERIFY(!main.IsBusy());
    int deleted = 0;
    for (const auto& entry : main.Card()->Entries())
        deleted += entry->Type() == kTypeDeleted;
    QCOMPARE(deleted, 1 + 8192);
    QCOMPARE(main.RootNode()->Child(0)->childCount(), 1 + 8192);
    QCOMPARE(FindNode(main, "BULK")->childCount(), 9000 - 8192);
    QString bad;
    QVERIFY2(AllNodesLive(main, &bad), qPrintable(bad));
}

// After a delete or the removal of the deleted objects the nearest remaining node is
// selected and its details shown: the next sibling, else the one before, else the parent.
void TestMainObjectOps::nearestRemainingNodeIsSelected_data() {
    QTest::addColumn<QStringList>("select");
    QTest::addColumn<bool>("useDeleted");
    QTest::addColumn<bool>("removeDeleted"); // the command: remove the deleted objects
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("name"); // the name field then; empty for a group
    QTest::newRow("next sibling") << QStringList{"ELITE"} << false << false << "ZARCH"
                                  << "GAMES.ZARCH";
    QTest::newRow("the one before") << QStringList{"ZARCH"} << true << false << "ELITE"
                                    << "GAMES.ELITE";
    QTest::newRow("parent's sibling when the group goes")
        << QStringList{"ELITE", "ZARCH"} << false << false << "TOOL"
        << "TOOL";
    QTest::newRow("group left empty") << QStringList{"DISC"} << true << false << "Discs/tapes"
                                      << "";
    QTest::newRow("deleted objects removed")
        << QStringList{"OLD"} << false << true << "Deleted objects"
        << "";
    QTest::newRow("untouched node stays") << QStringList{"TOOL"} << false << true << "TOOL"
                                          << "TOOL";
}

void TestMainObjectOps::nearestRemainingNodeIsSelected() {
    QFETCH(QStringList, select);
    QFETCH(bool, useDeleted);
    QFETCH(bool, removeDeleted);
    QFETCH(QString, expected);
    QFETCH(QString, name);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, SampleObjects()));
    TfrmMain& main = rig.Open();
    main.UserSettings().UseDeletedObjects = useDeleted;
    Select(main, select);
    if (removeDeleted) {
        main.actnRemoveDeletedObjectsExecute();
    } else {
        rig.Prompter.QueueAnswer(TAnswer::Yes);
        main.actnDeleteObjectsExecute();
    }
    QVERIFY(main.SelectedNode());
    QCOMPARE(main.SelectedNode()->Text(), expected);
    QCOMPARE(main.SelectedCount(), 1);
    QVERIFY(main.SelectedNode()->isSelected());
    QCOMPARE(Find<QLabel>(main, "lblObjectFullname")->text(), name);
}

QTEST_MAIN(TestMainObjectOps)
#include "tst_main_objectops.moc"
