// The popup menu of the files list in the details view: extracting, viewing, deleting,
// locking and inserting the files of a disc, each question and message through the scripted
// prompter, and the list shown again from the card after each change.
#include "tst_main_fixture.h"

#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"
#include "ui/main/ObjectFilesMenu.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
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

// A window on a card holding the disc NAMES, whose locked files have names with bytes that
// show nothing, and the free file FREE.
TfrmMain& OpenNamesDisc(TMainRig& rig) {
    const TBytes side = dfstest::TDFSBuilder(800)
                            .Add(dfstest::FileAt(std::string("\x1B]0;X\x07", 6), 10, 2, '$', true))
                            .Add(dfstest::FileAt(std::string("A\001B", 3), 10, 3, '$', true))
                            .Add(dfstest::FileAt(std::string("HI\x7F", 3), 10, 4, '$', true))
                            .Add(dfstest::FileAt("FREE", 10, 5))
                            .Bytes();
    const bool made =
        rig.UseCard(k8M, {}) && AddWithData(rig.CardPath(), brelk::kTypeImage, 1, "NAMES", side);
    TfrmMain& main = rig.Open();
    if (made)
        Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(FindNode(main, "NAMES"));
    return main;
}

// Answers the DFS names dialog once it is up: keeps its rows, puts Edits into the name
// column and presses OK (or Cancel).
class TNamesAnswer : public QObject {
  public:
    TNamesAnswer(QMap<int, QString> edits, bool ok) : Edits(std::move(edits)), Ok(ok) {
        Poll.setInterval(10);
        connect(&Poll, &QTimer::timeout, this, &TNamesAnswer::Answer);
        Poll.start();
    }
    QStringList Files, Names;
    QList<bool> Bold;

  private:
    QMap<int, QString> Edits;
    bool Ok;
    QTimer Poll;
    void Answer() {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != "frmDFSNames" || !dialog->isVisible())
            return;
        Poll.stop();
        auto* table = dialog->findChild<QTableWidget*>("tblDFSNames");
        for (int row = 0; row < table->rowCount(); ++row) {
            Files << table->item(row, 0)->text();
            Names << table->item(row, 1)->text();
            Bold << table->item(row, 1)->font().bold();
            if (Edits.contains(row))
                table->item(row, 1)->setText(Edits[row]);
        }
        dialog->findChild<QPushButton*>(Ok ? "btbtnOK" : "btbtnCancel")->click();
    }
};

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
    void extractOffersInfFilesAndRemembersTheChoice();
    void extractAsksOnceBeforeReplacing_data();
    void extractAsksOnceBeforeReplacing();
    void viewShowsTheFileInAFixedFont();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void lockAndUnlock();
    void deleteOfLockedFilesIsRefusedAtOnce_data();
    void deleteOfLockedFilesIsRefusedAtOnce();
    void insertFilesWithTheirInf();
    void insertRefusesAnInfThatIsNoText();
    void insertProposesNamesTheUserCanChange();
    void cancelledNamesInsertNothing();
    void renameByEditingTheName();
    void dragCarriesTheExtractedFiles();
    void droppedPCFilesAreInsertedAsCopies();
    void sideTitleAndBootOptionAreEditable();
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

// The files land as extract writes them; Cancel writes nothing; an existing file is replaced
// only after Yes, and a target that is no regular file is refused.
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
    MakePCFile(folder + "/$.TEXT", "mine");
    rig.Prompter.QueueFile(folder);
    rig.Prompter.QueueAnswer(TAnswer::No);
    Menu(main).ExtractClick();
    QCOMPARE(FileBytes(folder + "/$.TEXT"), QByteArray("mine"));
    rig.Prompter.QueueFile(folder);
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    Menu(main).ExtractClick();
    QCOMPARE(FileBytes(folder + "/$.TEXT"), QByteArray("HELLO\rWORLD\r"));

    QFile::remove(folder + "/$.TEXT");
    QVERIFY(QDir().mkpath(folder + "/$.TEXT"));
    rig.Prompter.QueueFile(folder);
    rig.Prompter.QueueAnswer(TAnswer::Yes);
    Menu(main).ExtractClick();
    QVERIFY2(rig.Prompter.Messages().last().contains("$.TEXT: is a directory"),
             qPrintable(rig.Prompter.Describe()));
    QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    QVERIFY2(!rig.Prompter.Unexpected() && rig.Prompter.AllAnswersUsed(),
             qPrintable(rig.Prompter.Describe()));
}

// The folder dialog offers "with .inf files", checked at first; the choice is kept in the
// settings and offered again, and the .inf keeps the catalogue's addresses.
void TestMainDiscFiles::extractOffersInfFilesAndRemembersTheChoice() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    Find<QTreeWidget>(main, "lvObjectFiles")->selectAll();
    const QString with = rig.Dir.path() + "/with";
    rig.Prompter.QueueFile(with);
    Menu(main).ExtractClick();
    QCOMPARE(rig.Prompter.Last().Option, QString("with .inf files"));
    QVERIFY(rig.Prompter.Last().OptionChecked);
    QCOMPARE(FileBytes(with + "/$.TEXT.inf"), QByteArray("$.TEXT 001900 008023 00000C\n"));
    QCOMPARE(FileBytes(with + "/W.DATA.inf"), QByteArray("W.DATA 003000 003000 000120\n"));

    const QString without = rig.Dir.path() + "/without";
    rig.Prompter.QueueFile(without);
    rig.Prompter.QueueOption(false);
    Menu(main).ExtractClick();
    QVERIFY(QFile::exists(without + "/$.TEXT"));
    QVERIFY(!QFile::exists(without + "/$.TEXT.inf"));
    QCOMPARE(rig.StoredValue("ExtractWithInfFiles").toInt(), 0);

    // Cancel keeps the setting as it was, whatever the box showed.
    rig.Prompter.QueueFile(QString());
    Menu(main).ExtractClick();
    QVERIFY(!rig.Prompter.Last().OptionChecked);
    QCOMPARE(rig.StoredValue("ExtractWithInfFiles").toInt(), 0);
    QVERIFY2(!rig.Prompter.Unexpected() && rig.Prompter.AllAnswersUsed(),
             qPrintable(rig.Prompter.Describe()));
}

// Existing targets, sidecars too, are named in one question before anything is written.
void TestMainDiscFiles::extractAsksOnceBeforeReplacing_data() {
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("question");
    const QString cr(QChar(13));
    QTest::newRow("one file") << QStringList{"$.TEXT"}
                              << "The file '%1/$.TEXT' already exists." + cr + cr +
                                     "Do you want to replace it?";
    QTest::newRow("a file and a sidecar")
        << QStringList{"$.TEXT.inf", "W.DATA"}
        << "These 2 files already exist in '%1':" + cr + "$.TEXT.inf" + cr + "W.DATA" + cr + cr +
               "Do you want to replace them?";
}

void TestMainDiscFiles::extractAsksOnceBeforeReplacing() {
    QFETCH(QStringList, existing);
    QFETCH(QString, question);
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    const QString folder = rig.Dir.path() + "/out";
    QVERIFY(QDir().mkpath(folder));
    for (const QString& name : existing)
        MakePCFile(folder + "/" + name, "mine");
    Find<QTreeWidget>(main, "lvObjectFiles")->selectAll();
    rig.Prompter.QueueFile(folder);
    rig.Prompter.QueueAnswer(TAnswer::No);
    Menu(main).ExtractClick();
    QCOMPARE(rig.Prompter.Messages(), QStringList{question.arg(folder)});
    QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Warning);
    QCOMPARE(rig.Prompter.Last().Buttons, TPrompter::TButtons::YesNo);
    QCOMPARE(rig.Prompter.Last().Default, TAnswer::No);
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), existing.size());
    for (const QString& name : existing)
        QCOMPARE(FileBytes(folder + "/" + name), QByteArray("mine"));
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

    menu.DeleteClick();
    QCOMPARE(rig.Prompter.Messages(),
             QStringList{"'FILES' was not changed: 'W.DATA' is locked; unlock it first"});
    QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    QCOMPARE(Names(main), (QStringList{"$.TEXT", "W.DATAL"}));

    Choose(main, "W.DATA");
    menu.LockClick();
    QCOMPARE(Names(main), (QStringList{"$.TEXT", "W.DATA"}));
}

// A delete that chooses a locked file says so at once, naming every locked file with the bytes
// that show nothing as \xNN, and asks nothing.
void TestMainDiscFiles::deleteOfLockedFilesIsRefusedAtOnce_data() {
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QString>("message");
    QTest::newRow("ESC ]0;X BEL") << QStringList{"$.\x1B]0;X\x07"}
                                  << "'NAMES' was not changed: '$.\\x1B]0;X\\x07' is locked; "
                                     "unlock it first";
    QTest::newRow("0x01") << QStringList{"$.A\001B", "$.FREE"}
                          << "'NAMES' was not changed: '$.A\\x01B' is locked; unlock it first";
    QTest::newRow("all") << QStringList{"$.\x1B]0;X\x07", "$.A\001B", "$.HI\x7F", "$.FREE"}
                         << "'NAMES' was not changed: '$.\\x1B]0;X\\x07', '$.A\\x01B', "
                            "'$.HI\\x7F' are locked; unlock them first";
}

void TestMainDiscFiles::deleteOfLockedFilesIsRefusedAtOnce() {
    QFETCH(QStringList, chosen);
    QFETCH(QString, message);
    TMainRig rig;
    TfrmMain& main = OpenNamesDisc(rig);
    const QStringList before = Names(main);
    QCOMPARE(before.size(), 4);
    auto* list = Find<QTreeWidget>(main, "lvObjectFiles");
    list->clearSelection();
    for (const QString& name : chosen) {
        const auto found = list->findItems(name, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        found.first()->setSelected(true);
    }
    Menu(main).DeleteClick();
    QCOMPARE(rig.Prompter.Messages(), QStringList{message});
    QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    QCOMPARE(rig.Prompter.Last().Buttons, TPrompter::TButtons::OK);
    QCOMPARE(Names(main), before);
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

// A .inf that holds bytes that are no text stops the insert, its line shown safely.
void TestMainDiscFiles::insertRefusesAnInfThatIsNoText() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    const QString path = MakePCFile(rig.Dir.path() + "/new.bin", "ABC");
    MakePCFile(path + ".inf", QByteArray("B.NEW\x00\x1B 2000 2004\n", 18));
    rig.Prompter.QueueFiles({path});
    Menu(main).InsertClick();
    QCOMPARE(rig.Prompter.Messages(),
             QStringList{path + ".inf: the .inf line 'B.NEW\\x00\\x1B 2000 2004' holds a NUL or "
                                "another byte that is no text"});
    QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    MakePCFile(path + ".inf", "B.NEW 100001900 2004\n");
    rig.Prompter.QueueFiles({path});
    Menu(main).InsertClick();
    QCOMPARE(rig.Prompter.Messages().last(),
             path + ".inf: the .inf line 'B.NEW 100001900 2004': '100001900' needs more than 32 "
                    "bits");
    QCOMPARE(Names(main), (QStringList{"$.TEXT", "W.DATA"}));
}

// PC names that DFS does not take get proposed names, unique on the side and among the files,
// which the user may change before the files go in.
void TestMainDiscFiles::insertProposesNamesTheUserCanChange() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    const QString folder = rig.Dir.path();
    const QStringList paths = {
        MakePCFile(folder + "/te xt", "1"), MakePCFile(folder + "/program.bas", "22"),
        MakePCFile(folder + "/program.txt", "333"), MakePCFile(folder + "/NEW", "4444")};
    TNamesAnswer answer({{2, "B.PROGTXT"}}, true);
    rig.Prompter.QueueFiles(paths);
    Menu(main).InsertClick();
    QCOMPARE(answer.Files, (QStringList{"te xt", "program.bas", "program.txt", "NEW"}));
    QCOMPARE(answer.Names, (QStringList{"$.text1", "$.program", "$.progra1", "NEW"}));
    QCOMPARE(answer.Bold, (QList<bool>{true, true, true, false}));
    QVERIFY(rig.Prompter.Messages().isEmpty());
    QStringList names = Names(main);
    names.sort();
    QCOMPARE(names,
             (QStringList{"$.NEW", "$.TEXT", "$.program", "$.text1", "B.PROGTXT", "W.DATA"}));
    auto* list = Find<QTreeWidget>(main, "lvObjectFiles");
    QCOMPARE(list->findItems("B.PROGTXT", Qt::MatchExactly).first()->text(3), QString("000003"));
}

// Cancel in the names dialog inserts nothing; a name typed there that DFS does not take is
// refused with the reason.
void TestMainDiscFiles::cancelledNamesInsertNothing() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    const QString path = MakePCFile(rig.Dir.path() + "/longname.txt", "1");
    {
        TNamesAnswer cancel({}, false);
        rig.Prompter.QueueFiles({path});
        Menu(main).InsertClick();
        QCOMPARE(cancel.Names, QStringList{"$.longnam"});
    }
    QVERIFY(rig.Prompter.Messages().isEmpty());
    QCOMPARE(Names(main), (QStringList{"$.TEXT", "W.DATA"}));
    TNamesAnswer bad({{0, "LONGNAME"}}, true);
    rig.Prompter.QueueFiles({path});
    Menu(main).InsertClick();
    QCOMPARE(rig.Prompter.Messages(),
             QStringList{"'FILES' was not changed: 'LONGNAME' needs a name of 1 to 7 characters"});
    QCOMPARE(Names(main), (QStringList{"$.TEXT", "W.DATA"}));
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

    // A name DFS does not take gets a proposed one; a name typed there that DFS does not take
    // either is refused with the reason.
    TNamesAnswer answer({{0, "FAR TOO"}}, true);
    data.setUrls({QUrl::fromLocalFile(MakePCFile(rig.Dir.path() + "/FAR TOO LONG", "x"))});
    QVERIFY(DropOnList(main, data));
    QTRY_COMPARE(rig.Prompter.Messages().size(), 1);
    QCOMPARE(answer.Names, QStringList{"$.FARTOOL"});
    QVERIFY2(rig.Prompter.Messages().first().startsWith("'FILES' was not changed: "),
             qPrintable(rig.Prompter.Messages().first()));
}

// The title field and boot option box above a DFS side change the card, the head lines read
// back from it show the change with the cycle counted on; a refused title says why.
void TestMainDiscFiles::sideTitleAndBootOptionAreEditable() {
    TMainRig rig;
    TfrmMain& main = OpenDisc(rig);
    auto* title = Find<QLineEdit>(main, "edtDiscTitle");
    auto* boot = Find<QComboBox>(main, "cbDiscBoot");
    auto* head = Find<QLabel>(main, "lblObjectFilesHead");
    QVERIFY(Find<QWidget>(main, "pnlDiscSide")->isVisibleTo(&main));
    QCOMPARE(title->text(), QString("FILES"));
    QCOMPARE(boot->currentText(), QString("none"));
    QCOMPARE(title->maxLength(), 12);

    emit title->editingFinished(); // unchanged: nothing is written
    QVERIFY(head->text().startsWith("Discname: FILES (cycle=00, boot=none)"));
    title->setText("NEW TITLE");
    emit title->editingFinished();
    QVERIFY2(head->text().startsWith("Discname: NEW TITLE (cycle=01, boot=none)"),
             qPrintable(head->text()));
    boot->setCurrentIndex(2);
    emit boot->activated(2);
    QVERIFY2(head->text().startsWith("Discname: NEW TITLE (cycle=02, boot=run)"),
             qPrintable(head->text()));
    QCOMPARE(boot->currentText(), QString("run"));
    QVERIFY(rig.Prompter.Messages().isEmpty());

    title->setText(QString("BELL") + QChar(7));
    emit title->editingFinished();
    QCOMPARE(rig.Prompter.Messages().size(), 1);
    QVERIFY2(rig.Prompter.Messages().first().startsWith("'FILES' was not changed: the title '"),
             qPrintable(rig.Prompter.Messages().first()));
    QVERIFY(rig.Prompter.Messages().first().endsWith("' holds a character that is not printable"));
    QCOMPARE(rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    QCOMPARE(title->text(), QString("NEW TITLE"));
    QVERIFY(head->text().startsWith("Discname: NEW TITLE (cycle=02, boot=run)"));

    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(FindNode(main, "TAPE"));
    QVERIFY(!Find<QWidget>(main, "pnlDiscSide")->isVisibleTo(&main));
}

QTEST_MAIN(TestMainDiscFiles)
#include "tst_main_discfiles.moc"
