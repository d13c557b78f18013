// Editing in the object tree: renaming by label edit and its limits, the key filter, the keys
// Insert, Delete and F5, dragging disc and tape nodes between sub-groups, files dropped on the
// window, and objects dragged out as files.
#include "tst_main_fixture.h"

#include "support/AddDialogDriver.h"
#include "ui/addobjects/AddFile.h"
#include "ui/aux/PrivateTempFile.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <QUrl>

using namespace maintest;
using brelk::kTypeDeleted;
using brelk::kTypeFilingSystem;
using TAnswer = TPrompter::TAnswer;
using TIcon = TPrompter::TIcon;
using TButtons = TPrompter::TButtons;

namespace {

const QString kLong38 = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789AB");

std::vector<TObject> SampleObjects() {
    return {Disc("GAMES.ELITE"),
            Disc("GAMES.ZARCH"),
            Disc("OLD.REPTON"),
            Disc("SINGLE"),
            Disc(kLong38.toStdString()),
            Tool("TOOL"),
            Tool("UTIL.X"),
            {kTypeFilingSystem, 1, "DNFS", 512},
            {kTypeDeleted, 2, "GONE", 512}};
}

struct TTreeRig : TMainRig {
    explicit TTreeRig(const std::vector<TObject>& objects = SampleObjects()) {
        SetSetting("ViewerMaxNodebreaks", 1);
        Ok = UseCard(k8M, objects);
        Open();
        for (QTreeWidgetItemIterator it(Find<TObjectTreeWidget>(*Main, "treevwObjects")); *it; ++it)
            (*it)->setExpanded(true);
    }
    TMyTreeNode* Node(const QString& text) const {
        if (text == QLatin1String("root"))
            return Main->RootNode();
        return FindNode(*Main, text);
    }
    // Opens the label editor on Node; null when the edit is refused.
    QLineEdit* StartEdit(TMyTreeNode* node) const {
        Find<TObjectTreeWidget>(*Main, "treevwObjects")->setCurrentItem(node);
        Find<TObjectTreeWidget>(*Main, "treevwObjects")->editItem(node);
        return Find<TObjectTreeWidget>(*Main, "treevwObjects")
            ->findChild<QLineEdit*>(QStringLiteral("edtTreeLabel"));
    }
    // Selects the nodes (in order) and gives Focus the focus without changing the selection.
    void Select(const QStringList& texts, const QString& focus) const {
        Find<TObjectTreeWidget>(*Main, "treevwObjects")->clearSelection();
        for (const QString& text : texts)
            Node(text)->setSelected(true);
        Find<TObjectTreeWidget>(*Main, "treevwObjects")
            ->setCurrentItem(Node(focus), 0, QItemSelectionModel::NoUpdate);
    }
    // The names of the disc and tape entries, sorted.
    QStringList DiscNames() const {
        QStringList names;
        for (const auto& entry : Main->Card()->Entries())
            if (entry->Type() == brelk::kTypeImage)
                names << QString::fromStdString(entry->Name());
        names.sort();
        return names;
    }
    // Every entry of the catalogue is shown by exactly one node, and no node keeps an entry
    // that is gone.
    bool EachEntryShownOnce() const {
        QHash<const brelk::TBrelkCatEntry*, int> shown;
        for (QTreeWidgetItemIterator it(Find<TObjectTreeWidget>(*Main, "treevwObjects")); *it; ++it)
            if (const auto* entry = static_cast<TMyTreeNode*>(*it)->Entry) {
                if (!Main->Card()->InCatalogue(entry))
                    return false;
                ++shown[entry];
            }
        for (const auto& entry : Main->Card()->Entries())
            if (shown.value(entry) != 1)
                return false;
        return true;
    }
    bool Ok = false;
};

bool WriteFile(const QString& path, qint64 size, char fill) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, fill)) == size;
}

// Exactly Message was asked, as an error box with OK; nothing at all when Message is empty.
bool AskedOnly(const TScriptedPrompter& prompter, const QString& message) {
    if (message.isEmpty())
        return prompter.Questions().isEmpty();
    return prompter.Messages() == QStringList{message} && prompter.Last().Icon == TIcon::Error &&
           prompter.Last().Buttons == TButtons::OK;
}

// Objects whose names hold a backslash, a byte that shows nothing, lower case and 48 bytes.
const std::string kName48 = "GAMES." + std::string(42, 'L');
std::vector<TObject> RawNameObjects() {
    return {Disc("GAMES.back\\slash"),
            Disc("GAMES.hi\x7F"),
            Disc("GAMES.plain"),
            Disc("games.lower"),
            Disc(kName48),
            Disc("OTHER.X"),
            Disc("G\\1.Y")};
}

// The disc entry whose name is exactly the bytes Raw, or null.
const brelk::TBrelkCatEntry* EntryNamed(TfrmMain& main, const std::string& raw) {
    for (const auto& entry : main.Card()->Entries())
        if (entry->Type() == brelk::kTypeImage && entry->Name() == raw)
            return entry;
    return nullptr;
}

// How many nodes of the tree show Text.
int NodesShowing(TfrmMain& main, const QString& text) {
    return int(Find<TObjectTreeWidget>(main, "treevwObjects")
                   ->findItems(text, Qt::MatchExactly | Qt::MatchRecursive)
                   .size());
}

} // namespace

class TestMainTreeEdit : public QObject {
    Q_OBJECT
  private slots:
    void renameLimits_data();
    void renameLimits();
    void renameOnlyLiveObjects_data();
    void renameOnlyLiveObjects();
    void renameStartsWithF2AndFiltersText();
    void keys();
    void keysNeedACatalogue();
    void dragOver_data();
    void dragOver();
    void dropRefiles_data();
    void dropRefiles();
    void dropKeepsNamesWithinTheLimit_data();
    void dropKeepsNamesWithinTheLimit();
    void dropChangesOnlyTheGroupPrefix_data();
    void dropChangesOnlyTheGroupPrefix();
    void dropShowsTheTargetGroupOnce();
    void renameKeepsTheNameBytes_data();
    void renameKeepsTheNameBytes();
    void renameMovesTheNodeWhereItsNameBelongs_data();
    void renameMovesTheNodeWhereItsNameBelongs();
    void droppedFilesRefused_data();
    void droppedFilesRefused();
    void droppedFilesOpenTheDialog_data();
    void droppedFilesOpenTheDialog();
    void dropEventsFromFileManagers();
    void droppedFilesAreCopied_data();
    void droppedFilesAreCopied();
    void addActionFollowsTheCatalogue();
    void dragOutWritesObjectsAsFiles();
};

void TestMainTreeEdit::renameLimits_data() {
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("name"); // the entry's name afterwards
    QTest::addColumn<QString>("shown");
    const QString c42(42, 'A'), c43(43, 'A'), c48(48, 'B'), c49(49, 'B');
    QTest::newRow("42 in a sub-group") << "ELITE" << c42 << ""
                                       << "GAMES." + c42 << c42;
    QTest::newRow("43 in a sub-group")
        << "ELITE" << c43 << "The name you entered is too long (only 42 characters allowed)"
        << "GAMES.ELITE"
        << "ELITE";
    QTest::newRow("48 at the top") << "SINGLE" << c48 << "" << c48 << c48;
    QTest::newRow("49 at the top")
        << "SINGLE" << c49 << "The name you entered is too long (only 48 characters allowed)"
        << "SINGLE"
        << "SINGLE";
    QTest::newRow("full stops stay in the node") << "ELITE"
                                                 << "NEW.NAME"
                                                 << ""
                                                 << "GAMES.NEW.NAME"
                                                 << "NEW.NAME";
    QTest::newRow("a tool") << "TOOL"
                            << "TOOL2"
                            << ""
                            << "TOOL2"
                            << "TOOL2";
    QTest::newRow("emptied: the old text comes back") << "ELITE"
                                                      << ""
                                                      << ""
                                                      << "GAMES.ELITE"
                                                      << "ELITE";
}

void TestMainTreeEdit::renameLimits() {
    QFETCH(QString, node);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QString, name);
    QFETCH(QString, shown);
    TTreeRig rig;
    QVERIFY(rig.Ok);
    TMyTreeNode* target = rig.Node(node);
    TMyTreeNode* parent = target->Parent();
    const brelk::TBrelkCatEntry* entry = target->Entry;
    QLineEdit* editor = rig.StartEdit(target);
    QVERIFY(editor);
    QVERIFY(rig.Main->LabelEditing());
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return); // the view commits the edit from its event loop
    QTRY_VERIFY(!rig.Main->LabelEditing());
    QVERIFY2(AskedOnly(rig.Prompter, message), qPrintable(rig.Prompter.Describe()));
    QCOMPARE(QString::fromStdString(entry->Name()), name);
    QCOMPARE(target->Text(), shown);
    QCOMPARE(target->Parent(), parent); // these names keep their sub-group
    if (message.isEmpty() && !text.isEmpty())
        QVERIFY(Find<QLabel>(*rig.Main, "lblObjectFullname")->text().contains(name));
    QVERIFY(rig.Main->Card()->HasUnsavedData() == (message.isEmpty() && !text.isEmpty()));
}

void TestMainTreeEdit::renameOnlyLiveObjects_data() {
    QTest::addColumn<QString>("node");
    QTest::newRow("root") << "root";
    QTest::newRow("top group") << "Discs/tapes";
    QTest::newRow("sub-group") << "GAMES";
    QTest::newRow("deleted object") << "GONE";
}

void TestMainTreeEdit::renameOnlyLiveObjects() {
    QFETCH(QString, node);
    TTreeRig rig;
    QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
    QVERIFY(!rig.StartEdit(rig.Node(node)));
    QVERIFY(!rig.Main->LabelEditing());
}

void TestMainTreeEdit::renameStartsWithF2AndFiltersText() {
    TTreeRig rig;
    TMyTreeNode* node = rig.Node("SINGLE");
    Find<TObjectTreeWidget>(*rig.Main, "treevwObjects")->setFocus();
    Find<TObjectTreeWidget>(*rig.Main, "treevwObjects")->setCurrentItem(node);
    QTest::keyClick(Find<TObjectTreeWidget>(*rig.Main, "treevwObjects"), Qt::Key_F2);
    auto* editor = Find<TObjectTreeWidget>(*rig.Main, "treevwObjects")
                       ->findChild<QLineEdit*>(QStringLiteral("edtTreeLabel"));
    QVERIFY(editor);
    editor->clear();
    QTest::keyClicks(editor, QStringLiteral("A B"));
    QCOMPARE(editor->text(), QStringLiteral("AB"));
    editor->insert(QStringLiteral("C D\u00e9\x7f!")); // as pasted
    QCOMPARE(editor->text(), QStringLiteral("ABCD!"));
    // Keys released while editing do nothing; Escape ends the edit without a change.
    rig.Main->treevwObjectsKeyUp(Qt::Key_Delete);
    QVERIFY(rig.Prompter.Questions().isEmpty());
    QTest::keyClick(editor, Qt::Key_Escape);
    QVERIFY(!rig.Main->LabelEditing());
    QCOMPARE(node->Entry->Name(), std::string("SINGLE"));
}

void TestMainTreeEdit::keys() {
    TTreeRig rig;
    TObjectTreeWidget* tree = Find<TObjectTreeWidget>(*rig.Main, "treevwObjects");
    tree->setCurrentItem(rig.Node("SINGLE"));
    // Insert opens the add dialog.
    bool opened = false;
    WhenDialogReady(rig.Main->AddObjectsDialog(), [&] {
        opened = rig.Main->AddObjectsDialog()->isVisible();
        rig.Main->AddObjectsDialog()->reject();
    });
    QTest::keyClick(tree, Qt::Key_Insert);
    QVERIFY(opened);
    // Delete asks about the selected object.
    rig.Prompter.QueueAnswer(TAnswer::No);
    QTest::keyClick(tree, Qt::Key_Delete);
    QCOMPARE(rig.Prompter.Messages().size(), 1);
    QVERIFY(rig.Prompter.Last().Text.contains(QStringLiteral("SINGLE")));
    // F5 rebuilds the tree.
    rig.Node("SINGLE")->setText(0, QStringLiteral("CHANGED"));
    QTest::keyClick(tree, Qt::Key_F5);
    QVERIFY(rig.Node("SINGLE"));
    QVERIFY(!rig.Node("CHANGED"));
}

void TestMainTreeEdit::keysNeedACatalogue() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}, false));
    TfrmMain& main = rig.Open();
    for (int key : {Qt::Key_Insert, Qt::Key_Delete, Qt::Key_F5})
        main.treevwObjectsKeyUp(key);
    QVERIFY(!main.AddObjectsDialog()->isVisible());
    QVERIFY(rig.Prompter.Questions().isEmpty());
}

void TestMainTreeEdit::dragOver_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("onto a sibling disc") << "ELITE"
                                         << "ZARCH" << false;
    QTest::newRow("onto its own parent") << "ELITE"
                                         << "GAMES" << false;
    QTest::newRow("onto a disc in another sub-group") << "ELITE"
                                                      << "REPTON" << true;
    QTest::newRow("onto another sub-group") << "ELITE"
                                            << "OLD" << true;
    QTest::newRow("onto Discs/tapes") << "ELITE"
                                      << "Discs/tapes" << true;
    QTest::newRow("top disc onto its group") << "SINGLE"
                                             << "Discs/tapes" << false;
    QTest::newRow("top disc onto a sub-group") << "SINGLE"
                                               << "GAMES" << true;
    QTest::newRow("sub-group onto sub-group") << "GAMES"
                                              << "OLD" << true;
    QTest::newRow("sub-group into itself") << "GAMES"
                                           << "ELITE" << false;
    QTest::newRow("sub-group onto itself") << "GAMES"
                                           << "GAMES" << false;
    QTest::newRow("Discs/tapes into itself") << "Discs/tapes"
                                             << "OLD" << false;
    QTest::newRow("tool onto a disc sub-group") << "TOOL"
                                                << "GAMES" << false;
    QTest::newRow("tool in a sub-group onto Tools") << "X"
                                                    << "Tools" << false;
    QTest::newRow("filing system onto discs") << "DNFS"
                                              << "Discs/tapes" << false;
    QTest::newRow("onto Tools") << "ELITE"
                                << "Tools" << false;
    QTest::newRow("onto Filingsystems") << "ELITE"
                                        << "Filingsystems" << false;
    QTest::newRow("onto Deleted objects") << "ELITE"
                                          << "Deleted objects" << false;
    QTest::newRow("onto the root") << "ELITE"
                                   << "root" << false;
    QTest::newRow("onto a tool") << "ELITE"
                                 << "TOOL" << false;
}

void TestMainTreeEdit::dragOver() {
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(bool, accepted);
    TTreeRig rig;
    QVERIFY(rig.Node(source) && rig.Node(target));
    QCOMPARE(rig.Main->treevwObjectsDragOver(rig.Node(source), rig.Node(target)), accepted);
}

void TestMainTreeEdit::dropRefiles_data() {
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("names"); // disc names afterwards, sorted
    QTest::addColumn<QString>("group");     // the target's group afterwards
    const QString l = kLong38;
    QTest::newRow("sub-group onto sub-group")
        << QStringList{"GAMES"} << "GAMES"
        << "OLD" << QStringList{l, "OLD.GAMES.ELITE", "OLD.GAMES.ZARCH", "OLD.REPTON", "SINGLE"}
        << "OLD{GAMES.ELITE,GAMES.ZARCH,REPTON}";
    QTest::newRow("onto a disc in another sub-group")
        << QStringList{"ELITE"} << "ELITE"
        << "REPTON" << QStringList{l, "GAMES.ZARCH", "OLD.ELITE", "OLD.REPTON", "SINGLE"}
        << "OLD{ELITE,REPTON}";
    QTest::newRow("onto Discs/tapes")
        << QStringList{"ZARCH"} << "ZARCH"
        << "Discs/tapes" << QStringList{l, "GAMES.ELITE", "OLD.REPTON", "SINGLE", "ZARCH"}
        << "Discs/tapes{" + l + ",GAMES{ELITE},OLD{REPTON},SINGLE,ZARCH}";
    QTest::newRow("longer than 40 is kept whole")
        << QStringList{l} << l << "OLD"
        << QStringList{"GAMES.ELITE", "GAMES.ZARCH", "OLD." + l, "OLD.REPTON", "SINGLE"}
        << "OLD{" + l + ",REPTON}";
    QTest::newRow("sub-group with its own objects selected")
        << QStringList{"GAMES", "ELITE"} << "GAMES"
        << "OLD" << QStringList{l, "OLD.GAMES.ELITE", "OLD.GAMES.ZARCH", "OLD.REPTON", "SINGLE"}
        << "OLD{GAMES.ELITE,GAMES.ZARCH,REPTON}";
    QTest::newRow("selected sub-group that holds the target stays")
        << QStringList{"OLD", "ELITE"} << "ELITE"
        << "REPTON" << QStringList{l, "GAMES.ZARCH", "OLD.ELITE", "OLD.REPTON", "SINGLE"}
        << "OLD{ELITE,REPTON}";
    QTest::newRow("a tool selected with a disc stays a tool")
        << QStringList{"TOOL", "SINGLE"} << "SINGLE"
        << "GAMES" << QStringList{l, "GAMES.ELITE", "GAMES.SINGLE", "GAMES.ZARCH", "OLD.REPTON"}
        << "GAMES{ELITE,SINGLE,ZARCH}";
}

void TestMainTreeEdit::dropRefiles() {
    QFETCH(QStringList, selected);
    QFETCH(QString, focus);
    QFETCH(QString, target);
    QFETCH(QStringList, names);
    QFETCH(QString, group);
    TTreeRig rig;
    rig.Select(selected, focus);
    TMyTreeNode* onto = rig.Node(target);
    QVERIFY(rig.Main->treevwObjectsDragOver(rig.Node(focus), onto));
    const QString groupText = onto->Entry ? onto->Parent()->Text() : onto->Text();
    rig.Main->treevwObjectsDragDrop(onto);
    QCOMPARE(rig.DiscNames(), names);
    QCOMPARE(Dump(rig.Node(groupText)), group);
    QVERIFY(rig.EachEntryShownOnce());
    QVERIFY(rig.Node("TOOL") && rig.Node("TOOL")->Entry->Type() == brelk::kTypeTool);
    QVERIFY(rig.Main->Card()->HasUnsavedData());
}

void TestMainTreeEdit::dropKeepsNamesWithinTheLimit_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("names"); // disc names afterwards, sorted
    QTest::addColumn<QString>("message");
    const QString a42(42, 'A'), b43(43, 'B'), c37(37, 'C'), d38(38, 'D');
    const QString refused = "The name you entered is too long (only 42 characters allowed)";
    const QStringList before{a42, b43, "LONG." + c37, "TAPES.X", "WIDE." + d38, "WIDE.Y"};
    QTest::newRow("48 in all") << a42 << QStringList{b43,       "LONG." + c37, "TAPES." + a42,
                                                     "TAPES.X", "WIDE." + d38, "WIDE.Y"}
                               << "";
    QTest::newRow("49 is refused") << b43 << before << refused;
    QTest::newRow("sub-group, 48 in all")
        << "LONG" << QStringList{a42, b43, "TAPES.LONG." + c37, "TAPES.X", "WIDE." + d38, "WIDE.Y"}
        << "";
    QTest::newRow("sub-group with one name of 49 stays whole") << "WIDE" << before << refused;
}

// A move keeps every name whole; one that would give any object more than 48 characters is
// refused with the rename's message and changes nothing.
void TestMainTreeEdit::dropKeepsNamesWithinTheLimit() {
    QFETCH(QString, source);
    QFETCH(QStringList, names);
    QFETCH(QString, message);
    const std::string a42(42, 'A'), b43(43, 'B'), c37(37, 'C'), d38(38, 'D');
    TTreeRig rig({Disc(a42), Disc(b43), Disc("LONG." + c37), Disc("TAPES.X"), Disc("WIDE." + d38),
                  Disc("WIDE.Y")});
    rig.Select({source}, source);
    TMyTreeNode* tapes = rig.Node("TAPES");
    QVERIFY(rig.Main->treevwObjectsDragOver(rig.Node(source), tapes));
    rig.Main->treevwObjectsDragDrop(tapes);
    QCOMPARE(rig.DiscNames(), names);
    QVERIFY2(AskedOnly(rig.Prompter, message), qPrintable(rig.Prompter.Describe()));
    QVERIFY(rig.EachEntryShownOnce());
    QCOMPARE(rig.Main->Card()->HasUnsavedData(), message.isEmpty());
}

void TestMainTreeEdit::renameMovesTheNodeWhereItsNameBelongs_data() {
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");  // the entry's name afterwards
    QTest::addColumn<QString>("group"); // a dump of the group that shows it afterwards
    QTest::addColumn<QString>("message");
    const QString l = kLong38;
    QTest::newRow("into a sub-group") << "SINGLE"
                                      << "GAMES.LOGO"
                                      << "GAMES.LOGO"
                                      << "GAMES{ELITE,LOGO,ZARCH}"
                                      << "";
    QTest::newRow("into a new sub-group") << "SINGLE"
                                          << "NEW.LOGO"
                                          << "NEW.LOGO"
                                          << "NEW{LOGO}"
                                          << "";
    QTest::newRow("a tool into a sub-group") << "TOOL"
                                             << "UTIL.T"
                                             << "UTIL.T"
                                             << "UTIL{T,X}"
                                             << "";
    QTest::newRow("the group empties") << "REPTON"
                                       << "A"
                                       << "OLD.A"
                                       << "OLD{A}"
                                       << "";
    QTest::newRow("ending in a full stop") << "SINGLE"
                                           << "GAMES."
                                           << "SINGLE"
                                           << "Discs/tapes{" + l +
                                                  ",GAMES{ELITE,ZARCH},OLD{"
                                                  "REPTON},SINGLE}"
                                           << "A name cannot end with a full stop (\".\").";
    QTest::newRow("ending in a full stop in a sub-group")
        << "ELITE"
        << "X."
        << "GAMES.ELITE"
        << "GAMES{ELITE,ZARCH}"
        << "A name cannot end with a full stop (\".\").";
}

// After an F2 rename the node stands where a build of the tree puts it, still current; the
// next build shows the same tree.
void TestMainTreeEdit::renameMovesTheNodeWhereItsNameBelongs() {
    QFETCH(QString, node);
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, group);
    QFETCH(QString, message);
    TTreeRig rig;
    TMyTreeNode* target = rig.Node(node);
    const brelk::TBrelkCatEntry* entry = target->Entry;
    Find<TObjectTreeWidget>(*rig.Main, "treevwObjects")->setFocus();
    Find<TObjectTreeWidget>(*rig.Main, "treevwObjects")->setCurrentItem(target);
    QTest::keyClick(Find<TObjectTreeWidget>(*rig.Main, "treevwObjects"), Qt::Key_F2);
    auto* editor = Find<TObjectTreeWidget>(*rig.Main, "treevwObjects")
                       ->findChild<QLineEdit*>(QStringLiteral("edtTreeLabel"));
    QVERIFY(editor);
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!rig.Main->LabelEditing());
    const QString groupText = group.left(group.indexOf(QLatin1Char('{')));
    QTRY_COMPARE(Dump(rig.Node(groupText)), group);
    QCOMPARE(QString::fromStdString(entry->Name()), name);
    QVERIFY2(AskedOnly(rig.Prompter, message), qPrintable(rig.Prompter.Describe()));
    QCOMPARE(rig.Main->SelectedNode(), target);
    QCOMPARE(target->Entry, entry);
    QVERIFY(rig.EachEntryShownOnce());
    const QString shown = Dump(rig.Main->RootNode());
    rig.Main->actnRefreshTreeExecute();
    QCOMPARE(Dump(rig.Main->RootNode()), shown);
}

void TestMainTreeEdit::dropChangesOnlyTheGroupPrefix_data() {
    QTest::addColumn<QString>("node");    // the dragged node's text
    QTest::addColumn<QString>("target");  // the group dropped on
    QTest::addColumn<QByteArray>("name"); // the object's name bytes afterwards
    QTest::newRow("backslash") << "back\\\\slash"
                               << "OTHER" << QByteArray("OTHER.back\\slash");
    QTest::newRow("byte 0x7F") << "hi\\x7F"
                               << "OTHER" << QByteArray("OTHER.hi\x7F");
    QTest::newRow("plain") << "plain"
                           << "OTHER" << QByteArray("OTHER.plain");
    QTest::newRow("lower case") << "lower"
                                << "OTHER" << QByteArray("OTHER.lower");
    QTest::newRow("48 bytes") << QString(42, 'L') << "OTHER"
                              << QByteArray::fromStdString("OTHER." + std::string(42, 'L'));
    QTest::newRow("onto a group with a backslash") << "plain"
                                                   << "G\\\\1" << QByteArray("G\\1.plain");
    QTest::newRow("onto Discs/tapes") << "hi\\x7F"
                                      << "Discs/tapes" << QByteArray("hi\x7F");
}

// A drag renames the object's bytes after its old group to the target group's name.
void TestMainTreeEdit::dropChangesOnlyTheGroupPrefix() {
    QFETCH(QString, node);
    QFETCH(QString, target);
    QFETCH(QByteArray, name);
    TTreeRig rig(RawNameObjects());
    QVERIFY(rig.Node(node) && rig.Node(target));
    const brelk::TBrelkCatEntry* entry = rig.Node(node)->Entry;
    rig.Select({node}, node);
    QVERIFY(rig.Main->treevwObjectsDragOver(rig.Node(node), rig.Node(target)));
    rig.Main->treevwObjectsDragDrop(rig.Node(target));
    QVERIFY2(rig.Prompter.Questions().isEmpty(), qPrintable(rig.Prompter.Describe()));
    QCOMPARE(EntryNamed(*rig.Main, name.toStdString()), entry);
    QCOMPARE(rig.DiscNames().size(), qsizetype(RawNameObjects().size()));
    QCOMPARE(NodesShowing(*rig.Main, target), 1);
    QVERIFY(rig.EachEntryShownOnce());
}

// A tape sorts after the discs in the catalogue, so the build leaves it below the group
// dropped on: the group is found all the same, and shown once.
void TestMainTreeEdit::dropShowsTheTargetGroupOnce() {
    TTreeRig rig({Disc("GAMES.A"), Disc("OTHER.X"), Disc("ANY", brelk::kSubtypeTape)});
    QCOMPARE(Dump(rig.Node("Discs/tapes")), QStringLiteral("Discs/tapes{GAMES{A},OTHER{X},ANY}"));
    rig.Select({"A"}, "A");
    rig.Main->treevwObjectsDragDrop(rig.Node("OTHER"));
    QCOMPARE(rig.DiscNames(), QStringList({"ANY", "OTHER.A", "OTHER.X"}));
    QCOMPARE(Dump(rig.Node("Discs/tapes")), QStringLiteral("Discs/tapes{ANY,OTHER{A,X}}"));
    QVERIFY(rig.EachEntryShownOnce());
}

void TestMainTreeEdit::renameKeepsTheNameBytes_data() {
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("name"); // the object's name bytes afterwards
    QTest::addColumn<QString>("message");
    QTest::newRow("backslash") << "back\\\\slash"
                               << "new\\\\name" << QByteArray("GAMES.new\\name") << "";
    QTest::newRow("byte 0x7F kept") << "hi\\x7F"
                                    << "ho\\x7F" << QByteArray("GAMES.ho\x7F") << "";
    QTest::newRow("byte 0x7F typed") << "plain"
                                     << "pl\\x7F" << QByteArray("GAMES.plain")
                                     << "A name holds only the characters \"!\" to \"~\" (no "
                                        "spaces).";
    QTest::newRow("lower case group") << "lower"
                                      << "LOUDER" << QByteArray("games.LOUDER") << "";
    QTest::newRow("48 bytes") << "plain" << QString(42, 'P')
                              << QByteArray::fromStdString("GAMES." + std::string(42, 'P')) << "";
    QTest::newRow("49 bytes") << "plain" << QString(43, 'P') << QByteArray("GAMES.plain")
                              << "The name you entered is too long (only 42 characters allowed)";
    QTest::newRow("in a group with a backslash") << "Y"
                                                 << "Z" << QByteArray("G\\1.Z") << "";
}

// The label edit changes the bytes after the node's sub-groups and keeps theirs.
void TestMainTreeEdit::renameKeepsTheNameBytes() {
    QFETCH(QString, node);
    QFETCH(QString, text);
    QFETCH(QByteArray, name);
    QFETCH(QString, message);
    TTreeRig rig(RawNameObjects());
    TMyTreeNode* target = rig.Node(node);
    QVERIFY(target);
    const brelk::TBrelkCatEntry* entry = target->Entry;
    QLineEdit* editor = rig.StartEdit(target);
    QVERIFY(editor);
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!rig.Main->LabelEditing());
    QVERIFY2(AskedOnly(rig.Prompter, message), qPrintable(rig.Prompter.Describe()));
    QCOMPARE(QByteArray::fromStdString(entry->Name()), name);
    QTRY_VERIFY(rig.EachEntryShownOnce());
}

void TestMainTreeEdit::droppedFilesRefused_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("message");
    const QChar cr(13);
    QTest::newRow("no device") << 0
                               << "No valid device - you cannot drop files." + QString(cr) + cr +
                                      "Please insert a MMC-card or select the correct drive "
                                      "(Tools|Settings).";
    QTest::newRow("not formatted")
        << 1
        << "No Brelk-formatted card - you cannot drop files." + QString(cr) + cr +
               "Please format the MMC-card first (Tools|Format MMC).";
}

void TestMainTreeEdit::droppedFilesRefused() {
    QFETCH(int, state);
    QFETCH(QString, message);
    TMainRig rig;
    if (state == 0)
        rig.SetSetting("MMCDrive", rig.Path("missing.img"));
    else
        QVERIFY(rig.UseCard(k8M, {}, false));
    TfrmMain& main = rig.Open();
    rig.Prompter.Clear();
    const QString file = rig.Path("file.bin");
    QVERIFY(WriteFile(file, 100, 'x'));
    main.HandleDroppedFiles({file});
    QCOMPARE(rig.Prompter.Messages(), QStringList{message});
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Error);
    QCOMPARE(rig.Prompter.Last().Buttons, TButtons::OK);
    QVERIFY(main.Pending().empty());
    QVERIFY(!main.AddObjectsDialog()->isVisible());
}

void TestMainTreeEdit::droppedFilesOpenTheDialog_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void TestMainTreeEdit::droppedFilesOpenTheDialog() {
    QFETCH(bool, ok);
    TTreeRig rig(std::vector<TObject>{});
    const QString folder = rig.Path("drop");
    QVERIFY(QDir().mkpath(folder + "/inner"));
    QVERIFY(WriteFile(folder + "/ONEFILE", 100, 'a'));
    QVERIFY(WriteFile(folder + "/inner/TWOFILE", 200, 'b'));
    QVERIFY(WriteFile(folder + "/.skip", 300, 'c'));
    int rows = -1;
    WhenDialogReady(rig.Main->AddObjectsDialog(), [&] {
        TfrmAddFile* dialog = rig.Main->AddObjectsDialog();
        rows = Find<QTableWidget>(*dialog, "strnggrdFiles")->rowCount();
        if (ok)
            Find<QPushButton>(*dialog, "btbtnOK")->click();
        else
            Find<QPushButton>(*dialog, "btbtnCancel")->click();
    });
    rig.Main->HandleDroppedFiles({folder});
    QCOMPARE(rows, 2);
    QVERIFY(rig.Main->Pending().empty());
    QCOMPARE(rig.Main->Card()->Entries().size(), ok ? 2u : 0u);
    QCOMPARE(bool(rig.Node("ONEFILE")), ok);
    QCOMPARE(bool(rig.Node("TWOFILE")), ok);
}

void TestMainTreeEdit::dropEventsFromFileManagers() {
    TTreeRig rig(std::vector<TObject>{});
    const QString file = rig.Path("a file.bin");
    QVERIFY(WriteFile(file, 100, 'a'));
    // Web addresses only: refused at once.
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/a.ssd"))});
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rig.Main.get(), &refused);
    QVERIFY(!refused.isAccepted());
    // A local file (percent-encoded in the list) dropped on the tree opens the dialog with it.
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), QUrl::fromLocalFile(file).toEncoded() + "\r\n");
    QString seen;
    WhenDialogReady(rig.Main->AddObjectsDialog(), [&] {
        seen = Find<QLabel>(*rig.Main->AddObjectsDialog(), "lblFilePath")->text();
        rig.Main->AddObjectsDialog()->reject();
    });
    QWidget* viewport = Find<TObjectTreeWidget>(*rig.Main, "treevwObjects")->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QVERIFY(drop.isAccepted());
    QTRY_COMPARE(seen, file);
    QVERIFY(rig.Main->Pending().empty());
}

void TestMainTreeEdit::addActionFollowsTheCatalogue() {
    TTreeRig rig(std::vector<TObject>{});
    QVERIFY(rig.Main->ActionWanted(Find<QAction>(*rig.Main, "actnAddObjects")));
    QVERIFY(Find<QAction>(*rig.Main, "actnAddObjects")->isEnabled());
    TMainRig blank;
    QVERIFY(blank.UseCard(k8M, {}, false));
    TfrmMain& main = blank.Open();
    QVERIFY(!main.ActionWanted(Find<QAction>(main, "actnAddObjects")));
}

void TestMainTreeEdit::dragOutWritesObjectsAsFiles() {
    TTreeRig rig({Disc("GAMES.ELITE"), Disc("TAPE", brelk::kSubtypeTape), Tool("DUP"), Tool("DUP"),
                  Disc("A/B")});
    rig.Select({"ELITE", "TAPE", "A/B"}, "ELITE");
    auto* gamesNode = rig.Node("GAMES");
    QVERIFY(gamesNode);
    for (int i = 0; i < rig.Node("Tools")->childCount(); ++i)
        rig.Node("Tools")->Child(i)->setSelected(true);
    std::unique_ptr<QMimeData> data(rig.Main->ObjectDragData());
    QVERIFY(data);
    QVERIFY(data->hasFormat(QStringLiteral("text/uri-list")));
    const QList<QUrl> urls = data->urls();
    QStringList names;
    for (const QUrl& url : urls) {
        QVERIFY(url.isLocalFile());
        QVERIFY(url.toLocalFile().startsWith(TPrivateTempFile::FolderPath()));
        names << QFileInfo(url.toLocalFile()).fileName();
    }
    names.sort();
    QCOMPARE(names,
             (QStringList{"A_B.ssd", "DUP-2.bin", "DUP.bin", "GAMES.ELITE.ssd", "TAPE.uef"}));
    QFile elite(QFileInfo(urls.first().toLocalFile()).absolutePath() + "/GAMES.ELITE.ssd");
    QVERIFY(elite.open(QIODevice::ReadOnly));
    QCOMPARE(elite.readAll(), QByteArray(512, char(0xE5)));
    QCOMPARE(data->urls(), urls); // asked again: the same files, not written twice
    const QString firstFolder = QFileInfo(urls.first().toLocalFile()).absolutePath();
    // A sub-group alone can still be moved in the tree but brings no files.
    rig.Select({"GAMES"}, "GAMES");
    std::unique_ptr<QMimeData> groupOnly(rig.Main->ObjectDragData());
    QVERIFY(groupOnly);
    QVERIFY(!groupOnly->hasUrls());
    // The next drag's files replace the last drag's.
    rig.Select({"TAPE"}, "TAPE");
    std::unique_ptr<QMimeData> next(rig.Main->ObjectDragData());
    QCOMPARE(next->urls().size(), 1);
    QVERIFY(!QFileInfo::exists(firstFolder));
    QVERIFY2(rig.Prompter.Questions().isEmpty(), qPrintable(rig.Prompter.Describe()));
}

void TestMainTreeEdit::droppedFilesAreCopied_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("offered");
    QTest::addColumn<int>("modifiers"); // Shift proposes a move, Control a copy
    QTest::addColumn<int>("proposed");
    QTest::addColumn<bool>("accepted");
    const int copyOrMove = Qt::CopyAction | Qt::MoveAction;
    for (const char* target : {"details pane", "tree", "add dialog"}) {
        const QString name = QString::fromLatin1(target);
        QTest::addRow("%s, move only", target)
            << name << int(Qt::MoveAction) << int(Qt::NoModifier) << int(Qt::MoveAction) << false;
        QTest::addRow("%s, move by default", target)
            << name << copyOrMove << int(Qt::ShiftModifier) << int(Qt::MoveAction) << true;
        QTest::addRow("%s, copy by default", target)
            << name << copyOrMove << int(Qt::ControlModifier) << int(Qt::CopyAction) << true;
    }
}

// A drop of PC files is answered as a copy wherever it lands; an offer that allows only a
// move is refused, since answering it would let the file manager delete the originals.
void TestMainTreeEdit::droppedFilesAreCopied() {
    QFETCH(QString, target);
    QFETCH(int, offered);
    QFETCH(int, modifiers);
    QFETCH(int, proposed);
    QFETCH(bool, accepted);
    TTreeRig rig(std::vector<TObject>{});
    const QString file = rig.Path("a.bin");
    QVERIFY(WriteFile(file, 100, 'a'));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    const auto actions = Qt::DropActions(offered);
    const auto keys = Qt::KeyboardModifiers(modifiers);
    QList<std::pair<bool, Qt::DropAction>> answers; // enter, move and drop
    const auto drag = [&](QWidget* receiver) {
        QDragEnterEvent enter(QPoint(5, 5), actions, &data, Qt::LeftButton, keys);
        QDragMoveEvent move(QPoint(6, 6), actions, &data, Qt::LeftButton, keys);
        QDropEvent drop(QPointF(6, 6), actions, &data, Qt::LeftButton, keys);
        for (QDropEvent* event :
             {static_cast<QDropEvent*>(&enter), static_cast<QDropEvent*>(&move), &drop}) {
            QApplication::sendEvent(receiver, event);
            answers.append({event->isAccepted(), event->dropAction()});
        }
        QCOMPARE(int(enter.proposedAction()), proposed);
    };
    bool dialogOpened = false;
    WhenDialogReady(rig.Main->AddObjectsDialog(), [&] {
        dialogOpened = true;
        if (target == QLatin1String("add dialog"))
            drag(rig.Main->AddObjectsDialog());
        rig.Main->AddObjectsDialog()->reject();
    });
    if (target == QLatin1String("add dialog"))
        rig.Main->ExecuteAddObjectsDialog();
    else
        drag(target == QLatin1String("tree")
                 ? Find<TObjectTreeWidget>(*rig.Main, "treevwObjects")->viewport()
                 : Find<QPlainTextEdit>(*rig.Main, "memoObjectDetails")->viewport());
    QCOMPARE(answers.size(), 3);
    for (const auto& [taken, action] : answers) {
        QCOMPARE(taken, accepted);
        if (taken)
            QCOMPARE(action, Qt::CopyAction);
    }
    if (target != QLatin1String("add dialog"))
        QTRY_COMPARE(dialogOpened, accepted); // the files were taken
    QVERIFY(rig.Prompter.Questions().isEmpty());
}

QTEST_MAIN(TestMainTreeEdit)
#include "tst_main_treeedit.moc"
