// The popup menu of the files list in the details view: extracting, viewing, deleting,
// locking and inserting the files of a disc, each question and message through the scripted
// prompter, and the list shown again from the card after each change.
#include "tst_main_fixture.h"

#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"
#include "ui/main/ObjectFilesMenu.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QUrl>

using namespace maintest;
using TAnswer = TPrompter::TAnswer;

namespace {

using TBytes = std::vector<std::uint8_t>;

// A side with the text file $.TEXT ("HELLO", "WORLD") and the program W.DATA, 0x120 bytes.
TBytes TextSide() {
    TBytes side = dfstest::TDFSBuilder(800, 204800)
                      .Title("FILES")
                      .Add({'$', "TEXT", 12, 2, 0x1900, 0x8023, false})
                      .Add({'W', "DATA", 0x120, 3, 0x3000, 0x3000, false})
                      .Bytes();
    const std::string text = "HELLO\rWORLD\r";
    std::copy(text.begin(), text.end(), side.begin() + 2 * 256);
    for (std::size_t i = 0; i < 0x120; ++i)
        side[3 * 256 + i] = std::uint8_t(i);
    return side;
}

TObjectFilesMenu& Menu(TfrmMain& main) {
    return *main.findChild<TObjectFilesMenu*>(QStringLiteral("ObjectFilesMenu"));
}

QStringList Names(const TfrmMain& main) {
    QStringList names;
    for (int i = 0; i < Find<QTreeWidget>(main, "lvObjectFiles")->topLevelItemCount(); ++i)
        names << Find<QTreeWidget>(main, "lvObjectFiles")->topLevelItem(i)->text(0) +
                     Find<QTreeWidget>(main, "lvObjectFiles")->topLevelItem(i)->text(4);
    return names;
}

// Makes the current file the one named Name, alone in the selection.
void Choose(TfrmMain& main, const QString& name) {
    const auto found = Find<QTreeWidget>(main, "lvObjectFiles")->findItems(name, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    Find<QTreeWidget>(main, "lvObjectFiles")->clearSelection();
    Find<QTreeWidget>(main, "lvObjectFiles")->setCurrentItem(found.first());
    found.first()->setSelected(true);
}

// A window on a card holding the disc FILES and a tape.
TfrmMain& OpenDisc(TMainRig& rig) {
    TBytes tape = brelktest::TapeBlock(brelktest::BlockSpec("PROG", 0, 16, 0x80));
    tape.resize(512, 0);
    const bool made = rig.UseCard(k8M, {}) &&
                      AddWithData(rig.CardPath(), brelk::kTypeImage, 1, "FILES", TextSide()) &&
                      AddWithData(rig.CardPath(), brelk::kTypeImage, 3, "TAPE", tape);
    TfrmMain& main = rig.Open();
    if (made)
        Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(FindNode(main, "FILES"));
    return main;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

// Drags Data onto the list and drops it there; whether the list took the drag.
bool DropOnList(TfrmMain& main, QMimeData& data, Qt::DropAction* action = nullptr) {
    QWidget* viewport = Find<QTreeWidget>(main, "lvObjectFiles")->viewport();
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    if (action)
        *action = drop.dropAction();
    return drop.isAccepted();
}

QString MakePCFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

} // namespace

class TestMainDiscFiles : public QObject {
    Q_OBJECT
  private slots:
    void menuEntriesFollowTheObject();
    void extractWritesTheChosenFiles();
    void viewShowsTheFileInAFixedFont();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void lockAndUnlock();
    void insertFilesWithTheirInf();
    void renameByEditingTheName();
    void dragCarriesTheExtractedFiles();
    void droppedPCFilesAreInsertedAsCopies();
};

void TestMainDiscFiles::menuEntriesFollowTheObject() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    TObjectFilesMenu& menu = Menu(main);
    QCOMPARE(Names(main), (QStringList{"$.TEXT", "W.DATA"}));
    Find<QTreeWidget>(main, "lvObjectFiles")->clearSelection();
    menu.Update();
    QVERIFY(!menu.Extract->isEnabled());
    QVERIFY(!menu.Delete->isEnabled());
    Choose(main, "W.DATA");
    menu.Update();
    QVERIFY(menu.Extract->isEnabled() && menu.View->isEnabled() && menu.Delete->isEnabled());
    QVERIFY(menu.Insert->isVisible() && menu.Lock->isVisible());
    QCOMPARE(menu.Lock->text(), QString("&Lock"));

    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(FindNode(main, "TAPE"));
    Choose(main, "PROG");
    menu.Update();
    QVERIFY(menu.Extract->isEnabled() && menu.View->isEnabled());
    QVERIFY(!menu.Insert->isVisible() && !menu.Delete->isVisible() && !menu.Lock->isVisible());
}

// The files land as extract writes them; Cancel writes nothing; an existing file is refused.
void TestMainDiscFiles::extractWritesTheChosenFiles() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    const QString folder = rig.Dir.path() + "/out";
    Find<QTreeWidget>(main, "lvObjectFiles")->selectAll();
    rig.Prompter.QueueFile(QString());
    Menu(main).ExtractClick();
    QVERIFY(!QFile::exists(folder));

    rig.Prompter.QueueFile(folder);
    Menu(main).ExtractClick();
    QCOMPARE(rig.Prompter.Last().Kind, TScriptedPrompter::TKind::PickFolder);
    QCOMPARE(FileBytes(folder + "/$.TEXT"), QByteArray("HELLO\rWORLD\r"));
    QCOMPARE(FileBytes(folder + "/W.DATA").size(), 0x120);
    QVERIFY(rig.Prompter.Messages().isEmpty());

    Choose(main, "$.TEXT");
    rig.Prompter.QueueFile(folder);
    Menu(main).ExtractClick();
    QCOMPARE(rig.Prompter.Messages().size(), 1);
    QVERIFY2(rig.Prompter.Messages().first().contains("$.TEXT"),
             qPrintable(rig.Prompter.Messages().first()));
    QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    QVERIFY(!rig.Prompter.Unexpected());
}

void TestMainDiscFiles::viewShowsTheFileInAFixedFont() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    Choose(main, "$.TEXT");
    Menu(main).ViewClick();
    auto* viewer = main.findChild<QDialog*>(QStringLiteral("frmFileView"));
    QVERIFY(viewer);
    auto* text = viewer->findChild<QPlainTextEdit*>(QStringLiteral("memoFileView"));
    QCOMPARE(text->toPlainText(), QString("HELLO\nWORLD"));
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->font(), Find<QPlainTextEdit>(main, "memoObjectDetails")->font());
    QVERIFY(viewer->windowTitle().startsWith("$.TEXT"));
    delete viewer;

    Choose(main, "W.DATA");
    Menu(main).ViewClick();
    viewer = main.findChild<QDialog*>(QStringLiteral("frmFileView"));
    QVERIFY(viewer);
    QVERIFY(viewer->findChild<QPlainTextEdit*>()->toPlainText().startsWith("0000  00 01 02 03"));
    QVERIFY(rig.Prompter.Messages().isEmpty());
}

void TestMainDiscFiles::deleteAsksFirst_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps the file") << false;
    QTest::newRow("Yes deletes it") << true;
}

void TestMainDiscFiles::deleteAsksFirst() {
    QFETCH(bool, yes);
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    Choose(main, "$.TEXT");
    rig.Prompter.QueueAnswer(yes ? TAnswer::Yes : TAnswer::No);
    Menu(main).DeleteClick();
    QCOMPARE(rig.Prompter.Messages(), QStringList{"Delete $.TEXT from 'FILES'?"});
    QCOMPARE(rig.Prompter.Last().Default, TAnswer::No);
    QCOMPARE(rig.Prompter.Last().Buttons, TPrompter::TButtons::YesNo);
    QCOMPARE(Names(main), yes ? QStringList{"W.DATA"} : (QStringList{"$.TEXT", "W.DATA"}));

    // The card itself holds the change: a new window reads it back.
    const QStringList shown = Names(main);
    rig.Main.reset();
    TMainRig again;
    again.SetSetting("MMCDrive", rig.CardPath());
    TfrmMain& reopened = again.Open();
    Find<TObjectTreeWidget>(reopened, "treevwObjects")->setCurrentItem(FindNode(reopened, "FILES"));
    QCOMPARE(Names(reopened), shown);
}

// Lock and Unlock change the catalogue; a locked file refuses to be deleted and says so.
void TestMainDiscFiles::lockAndUnlock() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    TObjectFilesMenu& menu = Menu(main);
    Choose(main, "W.DATA");
    menu.LockClick();
    QCOMPARE(Names(main), (QStringList{"$.TEXT", "W.DATAL"}));
    Choose(main, "W.DATA");
    menu.Update();
    QCOMPARE(menu.Lock->text(), QString("&Unlock"));

    rig.Prompter.QueueAnswer(TAnswer::Yes);
    menu.DeleteClick();
    QCOMPARE(rig.Prompter.Messages().size(), 2);
    QVERIFY2(rig.Prompter.Messages().last().startsWith("'FILES' was not changed: "),
             qPrintable(rig.Prompter.Messages().last()));
    QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    QCOMPARE(Names(main), (QStringList{"$.TEXT", "W.DATAL"}));

    Choose(main, "W.DATA");
    menu.LockClick();
    QCOMPARE(Names(main), (QStringList{"$.TEXT", "W.DATA"}));
}

// Inserted files take the name and addresses of a .inf beside them; Cancel inserts nothing,
// and neither does a choice with an unreadable file.
void TestMainDiscFiles::insertFilesWithTheirInf() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    const QString path = rig.Dir.path() + "/new.bin";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("ABCDEFGH");
    file.close();
    QFile inf(path + ".inf");
    QVERIFY(inf.open(QIODevice::WriteOnly));
    inf.write("B.NEW 2000 2004 8 L\n");
    inf.close();

    rig.Prompter.QueueFiles({});
    Menu(main).InsertClick();
    QCOMPARE(Names(main), (QStringList{"$.TEXT", "W.DATA"}));

    rig.Prompter.QueueFiles({path});
    Menu(main).InsertClick();
    QCOMPARE(rig.Prompter.Last().Kind, TScriptedPrompter::TKind::OpenFiles);
    QCOMPARE(Names(main).size(), 3);
    const auto found =
        Find<QTreeWidget>(main, "lvObjectFiles")->findItems("B.NEW", Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first()->text(1), QString("002000"));
    QCOMPARE(found.first()->text(3), QString("000008"));
    QCOMPARE(found.first()->text(4), QString("L"));
    QVERIFY(QFile::exists(path)); // a copy
    QVERIFY(rig.Prompter.Messages().isEmpty());

    // A file that cannot be read stops the insert before the card is touched.
    const QString missing = rig.Dir.path() + "/missing";
    rig.Prompter.QueueFiles({path, missing});
    Menu(main).InsertClick();
    QCOMPARE(rig.Prompter.Messages(), QStringList{missing + ": could not be read"});
    QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    QCOMPARE(Names(main).size(), 3);
}

// An edited name renames the file; a name already there is refused with the reason.
void TestMainDiscFiles::renameByEditingTheName() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    Choose(main, "W.DATA");
    QVERIFY(Find<QTreeWidget>(main, "lvObjectFiles")->currentItem()->flags() & Qt::ItemIsEditable);
    Find<QTreeWidget>(main, "lvObjectFiles")->currentItem()->setText(0, "W.OTHER");
    QTRY_COMPARE(Names(main), (QStringList{"$.TEXT", "W.OTHER"}));
    QVERIFY(rig.Prompter.Messages().isEmpty());

    Choose(main, "W.OTHER");
    Find<QTreeWidget>(main, "lvObjectFiles")->currentItem()->setText(0, "$.TEXT");
    QTRY_COMPARE(rig.Prompter.Messages().size(), 1);
    QVERIFY2(rig.Prompter.Messages().first().startsWith("'FILES' was not changed: "),
             qPrintable(rig.Prompter.Messages().first()));
    QCOMPARE(Names(main), (QStringList{"$.TEXT", "W.OTHER"}));
}

// The drag holds the files as extract writes them, in a folder of its own.
void TestMainDiscFiles::dragCarriesTheExtractedFiles() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    Find<QTreeWidget>(main, "lvObjectFiles")->clearSelection();
    QVERIFY(!Menu(main).DragData());
    Find<QTreeWidget>(main, "lvObjectFiles")->selectAll();
    std::unique_ptr<QMimeData> data(Menu(main).DragData());
    QVERIFY(data);
    QStringList names;
    for (const QUrl& url : data->urls())
        names << QFileInfo(url.toLocalFile()).fileName();
    QCOMPARE(names, (QStringList{"$.TEXT", "W.DATA"}));
    QCOMPARE(FileBytes(data->urls().first().toLocalFile()), QByteArray("HELLO\rWORLD\r"));
    QVERIFY(rig.Prompter.Messages().isEmpty());
}

// PC files dropped on a DFS list are inserted; the dropped files stay where they were.
void TestMainDiscFiles::droppedPCFilesAreInsertedAsCopies() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    const QString path = MakePCFile(rig.Dir.path() + "/NEW", "12345");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    Qt::DropAction action = Qt::IgnoreAction;
    QVERIFY(DropOnList(main, data, &action));
    QCOMPARE(action, Qt::CopyAction);
    QTRY_COMPARE(Names(main), (QStringList{"$.NEW", "$.TEXT", "W.DATA"}));
    QVERIFY(QFile::exists(path));
    QVERIFY(rig.Prompter.Messages().isEmpty());
    QCOMPARE(CardNames(rig.CardPath()).size(), 2); // no object was added to the card

    // A name DFS does not take is refused with the reason.
    data.setUrls({QUrl::fromLocalFile(MakePCFile(rig.Dir.path() + "/FAR TOO LONG", "x"))});
    QVERIFY(DropOnList(main, data));
    QTRY_COMPARE(rig.Prompter.Messages().size(), 1);
    QVERIFY2(rig.Prompter.Messages().first().startsWith("'FILES' was not changed: "),
             qPrintable(rig.Prompter.Messages().first()));
}

QTEST_MAIN(TestMainDiscFiles)
#include "tst_main_discfiles.moc"
