// Saving objects to PC files: the dialog per kind (title, filter, preselected entry, proposed
// name, extension), the whole allocated size, the stop question, failures that leave no file
// looking like a good object, and a tape written as a UEF file.
#include "tst_main_fixture.h"

#include "explorer/PendingSupport.h"
#include "formats/DFSBuilder.h"
#include "formats/UEF.h"
#include "formats/UEFBuilder.h"

#include <QAction>
#include <QFileInfo>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

using namespace maintest;
using brelk::kTypeDeleted;
using brelk::kTypeFilingSystem;
using brelk::kTypeImage;
using TAnswer = TPrompter::TAnswer;
using TIcon = TPrompter::TIcon;
using TButtons = TPrompter::TButtons;

namespace {

using TBytes = std::vector<std::uint8_t>;

const QString kObjectsFilter = "Objects (*.bin)|*.BIN|All files (*.*)|*.*";
const QString kImagesFilter =
    "Objects (*.bin)|*.BIN|ADFS (*.adfs)|*.ADFS|DFS singlesided (*.ssd)|*.SSD|"
    "DFS doublesided (*.dsd)|*.DSD|Tape (*.uef)|*.UEF|All files (*.*)|*.*";

// Records the filter entry that each save dialog starts with; the user keeps it unless a
// choice is queued in Choices (in order).
class TSavePrompter : public TScriptedPrompter {
  public:
    QString SaveFile(const QString& title, const QString& filter, const QString& fileName,
                     QString* selectedFilter) override {
        Preselected << (selectedFilter ? *selectedFilter : QString());
        QString ignored;
        const QString file = TScriptedPrompter::SaveFile(title, filter, fileName, &ignored);
        if (selectedFilter && !file.isEmpty() && !Choices.isEmpty())
            *selectedFilter = Choices.takeFirst();
        return file;
    }
    QStringList Preselected;
    QStringList Choices;
};

// A window like TMainRig::Open, asking through Prompter (which must outlive the rig).
TfrmMain& OpenWith(TMainRig& rig, TPrompter& prompter) {
    rig.Main = std::make_unique<TfrmMain>(prompter, rig.ProgramFolder);
    rig.Wait = std::make_unique<TfrmWait>();
    rig.Main->AttachWindows(nullptr, rig.Wait.get(), nullptr);
    rig.Main->FormShow();
    return *rig.Main;
}

TBytes FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return TBytes(bytes.begin(), bytes.end());
}

// The files in the rig's folder other than the card and the settings.
QStringList SavedFiles(const TMainRig& rig) {
    QStringList files = QDir(rig.Dir.path()).entryList(QDir::Files | QDir::Hidden);
    files.removeAll("card.img");
    files.removeAll("settings.ini");
    return files;
}

void Select(TfrmMain& main, const QStringList& texts) {
    Find<TObjectTreeWidget>(main, "treevwObjects")
        ->setCurrentItem(texts.first() == "<root>" ? main.RootNode()
                                                   : FindNode(main, texts.first()));
    for (qsizetype i = 1; i < texts.size(); ++i)
        FindNode(main, texts[i])->setSelected(true);
}

// Two tape files of a few blocks, as the card stores them (the block run of a UEF file).
TBytes StoredTape() {
    brelktest::TUEFBuilder uef;
    uef.Block({"GAME", 0x1900, 0x8023, 0, 256, 0})
        .Block({"GAME", 0x1900, 0x8023, 1, 40, 0x80})
        .Block({"DATA", 0x3000, 0x3000, 0, 7, 0x80})
        .End();
    brelk::TUEF reader;
    reader.FetchUEF(uef.Bytes);
    return reader.UseableData;
}

// The two full sides of a double-sided disc, each with one file.
std::pair<TBytes, TBytes> TwoSides() {
    return {dfstest::TDFSBuilder().Title("SIDE0").AddWithData({'$', "A", 700, 2}, 0x11).Bytes(),
            dfstest::TDFSBuilder().Title("SIDE2").AddWithData({'$', "B", 900, 7}, 0x22).Bytes()};
}

} // namespace

class TestMainSave : public QObject {
    Q_OBJECT
  private slots:
    void dialogPerKind_data();
    void dialogPerKind();
    void extensionOfTheChosenName_data();
    void extensionOfTheChosenName();
    void tenByteToolGivesWholeBlock();
    void titleShowsTheNameAsTheTreeDoes();
    void stopQuestion_data();
    void stopQuestion();
    void lastDialogCancelledAsksNothing();
    void nodesWithoutDataAreSkipped();
    void failedCardReadLeavesNoFile();
    void fileThatCannotBeCreated();
    void readOnlyFileIsRefused();
    void extendedNameAsksBeforeReplacing_data();
    void extendedNameAsksBeforeReplacing();
    void tapeSavedAsUEF();
    void tapeSavedAsBinKeepsStoredBlocks();
    void tapeWithoutBlocksIsSavedAsStored();
    void reachedFromPopup();
    void twoSidedDiscDraggedOutIsInterleaved();
};

void TestMainSave::dialogPerKind_data() {
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("preselected");
    QTest::addColumn<QString>("file"); // "out" typed, the preselected entry kept
    QTest::newRow("deleted") << "OLD"
                             << "Save Deleted object OLD as..." << kObjectsFilter
                             << "Objects (*.bin)"
                             << "out.bin";
    QTest::newRow("filing system")
        << "DNFS"
        << "Save Filingsystem DNFS as..." << kObjectsFilter << "Objects (*.bin)"
        << "out.bin";
    QTest::newRow("tool") << "TOOL"
                          << "Save Tool TOOL as..." << kObjectsFilter << "Objects (*.bin)"
                          << "out.bin";
    QTest::newRow("DFS") << "ELITE"
                         << "Save Discimage ELITE as..." << kImagesFilter
                         << "DFS singlesided (*.ssd)"
                         << "out.ssd";
    QTest::newRow("DFS, two sides")
        << "BOTH"
        << "Save Discimage BOTH as..." << kImagesFilter << "DFS doublesided (*.dsd)"
        << "out.dsd";
    QTest::newRow("ADFS") << "HARD"
                          << "Save Discimage HARD as..." << kImagesFilter << "ADFS (*.adfs)"
                          << "out.adfs";
    QTest::newRow("tape") << "TAPE"
                          << "Save Discimage TAPE as..." << kImagesFilter << "Tape (*.uef)"
                          << "out.uef";
}

void TestMainSave::dialogPerKind() {
    QFETCH(QString, node);
    QFETCH(QString, title);
    QFETCH(QString, filter);
    QFETCH(QString, preselected);
    QFETCH(QString, file);
    TSavePrompter prompter;
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {{kTypeDeleted, 2, "OLD", 512},
                              {kTypeFilingSystem, 81, "DNFS", 1024},
                              Tool("TOOL"),
                              Disc("ELITE", 1, 1536),
                              Disc("HARD", 2, 2048)}));
    QVERIFY(AddWithData(rig.CardPath(), kTypeImage, 3, "TAPE", StoredTape()));
    const auto [side0, side1] = TwoSides();
    QVERIFY(AddWithData(rig.CardPath(), kTypeImage, 1, "BOTH", brelktest::Concat({side0, side1})));
    TfrmMain& main = OpenWith(rig, prompter);
    Select(main, {node});
    prompter.QueueFile(rig.Path("out"));
    main.mnuPopupSaveObjectClick();
    QCOMPARE(prompter.Questions().size(), 1);
    const auto& asked = prompter.Questions().first();
    QCOMPARE(asked.Kind, TScriptedPrompter::TKind::SaveFile);
    QCOMPARE(asked.Text, title);
    QCOMPARE(asked.Filter, filter);
    // The proposed file name: the whole object name, then the default extension.
    QCOMPARE(asked.Folder, node + '.' + QFileInfo(file).suffix());
    QCOMPARE(prompter.Preselected, QStringList{preselected});
    QCOMPARE(SavedFiles(rig), QStringList{file});
    // Everything but a tape saved as UEF and a disc of two sides saved interleaved holds the
    // object as the card does.
    const brelk::TBrelkCatEntry* entry = FindNode(main, node)->Entry;
    if (node == "BOTH") {
        QCOMPARE(FileBytes(rig.Path(file)), brelktest::Interleave(side0, side1));
    } else if (node != "TAPE") {
        TBytes expected(entry->Size(), 0xE5);
        QCOMPARE(FileBytes(rig.Path(file)), expected);
    }
}

void TestMainSave::extensionOfTheChosenName_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("choice"); // the filter entry the user picked; empty: kept
    QTest::addColumn<QString>("saved");
    QTest::newRow("typed extension kept") << "game.dsk"
                                          << ""
                                          << "game.dsk";
    QTest::newRow("proposed name with full stop") << "GAMES.ELITE"
                                                  << ""
                                                  << "GAMES.ELITE.ssd";
    QTest::newRow("proposed name kept") << "GAMES.ELITE.ssd"
                                        << ""
                                        << "GAMES.ELITE.ssd";
    QTest::newRow("proposed name with the extension") << "GAMES.ELITE.SSD"
                                                      << ""
                                                      << "GAMES.ELITE.SSD";
    QTest::newRow("other entry picked") << "out"
                                        << "Objects (*.bin)"
                                        << "out.bin";
    QTest::newRow("all files: default extension") << "out"
                                                  << "All files (*.*)"
                                                  << "out.ssd";
}

void TestMainSave::extensionOfTheChosenName() {
    QFETCH(QString, typed);
    QFETCH(QString, choice);
    QFETCH(QString, saved);
    TSavePrompter prompter;
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Disc("GAMES.ELITE", 1, 1024)}));
    TfrmMain& main = OpenWith(rig, prompter);
    Select(main, {"ELITE"});
    prompter.QueueFile(rig.Path(typed));
    if (!choice.isEmpty())
        prompter.Choices << choice;
    main.mnuPopupSaveObjectClick();
    QCOMPARE(prompter.Questions().first().Folder, QString("GAMES.ELITE.ssd"));
    QCOMPARE(SavedFiles(rig), QStringList{saved});
    QCOMPARE(FileBytes(rig.Path(saved)).size(), std::size_t(1024));
}

void TestMainSave::tenByteToolGivesWholeBlock() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    const TBytes data{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QVERIFY(AddWithData(rig.CardPath(), brelk::kTypeTool, 0, "TEN", data));
    TfrmMain& main = rig.Open();
    Select(main, {"TEN"});
    rig.Prompter.QueueFile(rig.Path("ten.bin"));
    main.mnuPopupSaveObjectClick();
    TBytes expected = data;
    expected.resize(512, 0);
    QCOMPARE(FileBytes(rig.Path("ten.bin")), expected);
    QVERIFY(rig.Prompter.Messages().isEmpty());
}

void TestMainSave::stopQuestion_data() {
    QTest::addColumn<bool>("stop");
    QTest::newRow("Yes stops") << true;
    QTest::newRow("No goes on") << false;
}

void TestMainSave::stopQuestion() {
    QFETCH(bool, stop);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE"), Tool("TWO"), Tool("THREE")}));
    TfrmMain& main = rig.Open();
    Select(main, {"ONE", "TWO", "THREE"});
    rig.Prompter.QueueFile(QString()); // the first dialog cancelled
    rig.Prompter.QueueAnswer(stop ? TAnswer::Yes : TAnswer::No);
    if (!stop) {
        rig.Prompter.QueueFile(rig.Path("two.bin"));
        rig.Prompter.QueueFile(rig.Path("three.bin"));
    }
    main.mnuPopupSaveObjectClick();
    const auto& asked = rig.Prompter.Questions();
    QCOMPARE(asked.size(), stop ? 2 : 4);
    QCOMPARE(asked[0].Text, QString("Save Tool ONE as..."));
    QCOMPARE(asked[1].Text,
             QString("Do you want to completely stop saving the selected object(s)?\r\rSelect "
                     "YES to cancel saving for all objects or\rselect NO to cancel just this "
                     "object."));
    QCOMPARE(asked[1].Icon, TIcon::Confirmation);
    QCOMPARE(asked[1].Buttons, TButtons::YesNo);
    if (!stop) {
        QCOMPARE(asked[2].Text, QString("Save Tool TWO as..."));
        QCOMPARE(asked[3].Text, QString("Save Tool THREE as..."));
    }
    QCOMPARE(QFileInfo::exists(rig.Path("two.bin")), !stop);
    QCOMPARE(QFileInfo::exists(rig.Path("three.bin")), !stop);
    QVERIFY(!rig.Prompter.Unexpected());
    QVERIFY(rig.Prompter.AllAnswersUsed());
}

// A byte that shows nothing appears as \xNN and a byte above 0x7F as its code page 1252
// character, the same text as the tree's.
void TestMainSave::titleShowsTheNameAsTheTreeDoes() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("A\001B\xE9")}));
    TfrmMain& main = rig.Open();
    const QString shown = QStringLiteral("A\\x01B") + QChar(0xE9);
    QVERIFY(FindNode(main, shown));
    Select(main, {shown});
    rig.Prompter.QueueFile(QString());
    main.mnuPopupSaveObjectClick();
    QCOMPARE(rig.Prompter.Questions().size(), 1);
    QCOMPARE(rig.Prompter.Questions().first().Text, "Save Tool " + shown + " as...");
}

void TestMainSave::lastDialogCancelledAsksNothing() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE"), Tool("TWO")}));
    TfrmMain& main = rig.Open();
    Select(main, {"ONE", "TWO"});
    rig.Prompter.QueueFile(QString());
    rig.Prompter.QueueAnswer(TAnswer::No);
    rig.Prompter.QueueFile(QString()); // the last one: no question after it
    main.mnuPopupSaveObjectClick();
    QCOMPARE(rig.Prompter.Questions().size(), 3);
    QCOMPARE(rig.Prompter.Last().Text, QString("Save Tool TWO as..."));
    QVERIFY(!rig.Prompter.Unexpected());
}

void TestMainSave::nodesWithoutDataAreSkipped() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE")}));
    TfrmMain& main = rig.Open();
    Select(main, {"<root>", "Tools", "ONE"});
    rig.Prompter.QueueFile(rig.Path("one.bin"));
    main.mnuPopupSaveObjectClick();
    QCOMPARE(rig.Prompter.Questions().size(), 1);
    QVERIFY(QFileInfo::exists(rig.Path("one.bin")));
}

// The card cannot be read: the message is shown for each object, no file is left for it,
// and a file already at the chosen path keeps its contents.
void TestMainSave::failedCardReadLeavesNoFile() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE"), Tool("TWO")}));
    TfrmMain& main = rig.Open();
    QVERIFY(QFile::remove(rig.CardPath()));
    Select(main, {"ONE", "TWO"});
    const TBytes earlier{'k', 'e', 'e', 'p'};
    {
        QFile old(rig.Path("two.bin"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("keep");
    }
    rig.Prompter.QueueFile(rig.Path("one.bin"));
    rig.Prompter.QueueFile(rig.Path("two.bin"));
    main.mnuPopupSaveObjectClick();
    int readErrors = 0;
    for (const auto& q : rig.Prompter.Questions())
        if (q.Text == "Could not read from Brelk.") {
            ++readErrors;
            QCOMPARE(q.Icon, TIcon::Error);
            QCOMPARE(q.Buttons, TButtons::OK);
        }
    QCOMPARE(readErrors, 2);
    QVERIFY(!QFileInfo::exists(rig.Path("one.bin")));
    QCOMPARE(FileBytes(rig.Path("two.bin")), earlier);
    QCOMPARE(SavedFiles(rig), QStringList{"two.bin"}); // no temporary file is left either
}

void TestMainSave::fileThatCannotBeCreated() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE"), Tool("TWO")}));
    TfrmMain& main = rig.Open();
    Select(main, {"ONE", "TWO"});
    const QString bad = rig.Path("missing/one.bin");
    rig.Prompter.QueueFile(bad);
    rig.Prompter.QueueFile(rig.Path("two.bin"));
    main.mnuPopupSaveObjectClick();
    QCOMPARE(rig.Prompter.Messages(), QStringList{"Could not create file '" + bad + "'."});
    QCOMPARE(rig.Prompter.Questions()[1].Icon, TIcon::Error);
    QVERIFY(QFileInfo::exists(rig.Path("two.bin"))); // the loop went on
}

void TestMainSave::readOnlyFileIsRefused() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE")}));
    TfrmMain& main = rig.Open();
    Select(main, {"ONE"});
    const QString target = rig.Path("x.bin");
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    rig.Prompter.QueueFile(target);
    main.mnuPopupSaveObjectClick();
    QCOMPARE(rig.Prompter.Messages(), QStringList{"Could not create file '" + target + "'."});
    QCOMPARE(rig.Prompter.Questions()[1].Icon, TIcon::Error);
    QCOMPARE(FileBytes(target), (TBytes{'o', 'l', 'd'}));
    QCOMPARE(QFile::permissions(target) &
                 (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());
}

void TestMainSave::extendedNameAsksBeforeReplacing_data() {
    QTest::addColumn<bool>("replace");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

// The dialog asked about "out"; the file written is "out.bin", which exists already.
void TestMainSave::extendedNameAsksBeforeReplacing() {
    QFETCH(bool, replace);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE")}));
    TfrmMain& main = rig.Open();
    {
        QFile old(rig.Path("out.bin"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    Select(main, {"ONE"});
    rig.Prompter.QueueFile(rig.Path("out"));
    rig.Prompter.QueueAnswer(replace ? TAnswer::Yes : TAnswer::No);
    main.mnuPopupSaveObjectClick();
    QCOMPARE(rig.Prompter.Messages(),
             QStringList{"The file '" + rig.Path("out.bin") +
                         "' already exists.\r\rDo you want to replace it?"});
    QCOMPARE(FileBytes(rig.Path("out.bin")).size(), replace ? std::size_t(512) : std::size_t(3));
}

void TestMainSave::tapeSavedAsUEF() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    const TBytes stored = StoredTape();
    QVERIFY(AddWithData(rig.CardPath(), kTypeImage, 3, "TAPE", stored));
    TfrmMain& main = rig.Open();
    Select(main, {"TAPE"});
    rig.Prompter.QueueFile(rig.Path("tape"));
    rig.Prompter.QueueSelectedFilter("Tape (*.uef)");
    main.mnuPopupSaveObjectClick();
    const TBytes uef = FileBytes(rig.Path("tape.uef"));
    QVERIFY(uef.size() > 12);
    QCOMPARE(std::string(uef.begin(), uef.begin() + 10), std::string("UEF File!\0", 10));
    brelk::TUEF reader;
    QVERIFY(reader.FetchUEF(uef));
    QCOMPARE(reader.UseableData, stored); // the blocks, without the card's padding
    QCOMPARE(reader.CatEntryCount(), std::uint16_t(2));
    QCOMPARE(reader.GetUEFCatEntry(0)->Name, std::string("GAME"));
    QCOMPARE(reader.GetUEFCatEntry(0)->Length, 296u);
    QCOMPARE(reader.GetUEFCatEntry(1)->Name, std::string("DATA"));
    QCOMPARE(reader.GetUEFCatEntry(1)->Length, 7u);
}

// A tape object that holds a whole UEF file (no raw blocks) is written as it is stored, never
// as an empty 12-byte tape.
void TestMainSave::tapeWithoutBlocksIsSavedAsStored() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    brelktest::TUEFBuilder container;
    container.NewFile().Block({"GAME", 0x1900, 0x8023, 0, 100, 0x80}).End();
    QVERIFY(AddWithData(rig.CardPath(), kTypeImage, 3, "TAPE", container.Bytes));
    TfrmMain& main = rig.Open();
    Select(main, {"TAPE"});
    rig.Prompter.QueueFile(rig.Path("tape"));
    rig.Prompter.QueueSelectedFilter("Tape (*.uef)");
    main.mnuPopupSaveObjectClick();
    TBytes expected = container.Bytes;
    expected.resize(512, 0); // the whole allocated size, as for any object saved as stored
    QCOMPARE(FileBytes(rig.Path("tape.uef")), expected);
    QVERIFY(rig.Prompter.Messages().isEmpty());
}

void TestMainSave::tapeSavedAsBinKeepsStoredBlocks() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    const TBytes stored = StoredTape();
    QVERIFY(AddWithData(rig.CardPath(), kTypeImage, 3, "TAPE", stored));
    TfrmMain& main = rig.Open();
    Select(main, {"TAPE"});
    rig.Prompter.QueueFile(rig.Path("tape.bin"));
    main.mnuPopupSaveObjectClick();
    TBytes expected = stored;
    expected.resize((stored.size() + 511) / 512 * 512, 0);
    QCOMPARE(FileBytes(rig.Path("tape.bin")), expected);
}

void TestMainSave::reachedFromPopup() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("ONE")}));
    TfrmMain& main = rig.Open();
    Select(main, {"ONE"});
    main.mnuPopupPopup();
    QVERIFY(Find<QAction>(main, "mnuPopupSaveObject")->isVisible());
    QVERIFY(Find<QAction>(main, "mnuPopupSaveObject")->isEnabled());
    QCOMPARE(Find<QAction>(main, "mnuPopupSaveObject")->text(), QString("&Save object..."));
    rig.Prompter.QueueFile(rig.Path("one.bin"));
    Find<QAction>(main, "mnuPopupSaveObject")->trigger();
    QCOMPARE(FileBytes(rig.Path("one.bin")).size(), std::size_t(512));
}

// Dragged onto a file manager, a disc of two sides becomes a .dsd file laid out track by
// track, as "Save object..." writes it; a disc of one side stays a .ssd file.
void TestMainSave::twoSidedDiscDraggedOutIsInterleaved() {
    TScriptedPrompter prompter;
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    const auto [side0, side1] = TwoSides();
    QVERIFY(AddWithData(rig.CardPath(), kTypeImage, 1, "BOTH", brelktest::Concat({side0, side1})));
    QVERIFY(AddWithData(rig.CardPath(), kTypeImage, 1, "ONE", side0));
    TfrmMain& main = OpenWith(rig, prompter);
    Select(main, {"BOTH", "ONE"});
    std::unique_ptr<QMimeData> data(main.ObjectDragData());
    QVERIFY(data);
    QMap<QString, TBytes> files;
    for (const QUrl& url : data->urls())
        files[QFileInfo(url.toLocalFile()).fileName()] = FileBytes(url.toLocalFile());
    QCOMPARE(files.keys(), (QStringList{"BOTH.dsd", "ONE.ssd"}));
    QCOMPARE(files["BOTH.dsd"], brelktest::Interleave(side0, side1));
    QCOMPARE(files["ONE.ssd"], side0);
}

QTEST_MAIN(TestMainSave)
#include "tst_main_save.moc"
