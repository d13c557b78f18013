// The object details view of the main window: the four fields, the tabs, the text for each
// kind of object and for the card, the tab kept from one object to the next, and loading on
// a click when details are not loaded at once.
#include "tst_main_fixture.h"

#include "formats/ADFSBuilder.h"
#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTabBar>
#include <QTreeWidget>

using namespace maintest;

namespace {

using TBytes = std::vector<std::uint8_t>;

struct TDataObject {
    TObject Object;
    TBytes Data; // Object.Size bytes
};

// A formatted card image holding the objects with their own data; the settings point at it.
bool UseCardWithData(TMainRig& rig, const std::vector<TDataObject>& objects) {
    rig.SetSetting("MMCDrive", rig.CardPath());
    if (!MakeCard(rig.CardPath(), k8M, {}))
        return false;
    TRecordingReporter reporter;
    brelk::TBrelk card(reporter);
    card.Initialize(65536, rig.CardPath().toStdString(), 8192);
    for (const TDataObject& object : objects) {
        brelk::TBrelkCatEntry entry;
        entry.SetType(object.Object.Type);
        entry.SetSubtype(object.Object.Subtype);
        entry.SetName(object.Object.Name);
        entry.SetSize(std::uint32_t(object.Data.size()));
        if (!card.AddObjectToBrelk(entry, object.Data.data(), false))
            return false;
    }
    return card.FlushMMCDevice() && reporter.Errors.empty();
}

// Bytes 0, 1, 2, ... 255, 0, 1, ...
TBytes CountingBytes(std::size_t size) {
    TBytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = std::uint8_t(i);
    return bytes;
}

TBytes DFSSide(const std::string& title, std::uint16_t sectors = 800, std::size_t bytes = 204800) {
    return dfstest::TDFSBuilder(sectors, bytes)
        .Title(title)
        .Add({'$', "PROG", 0x100, 2, 0x1900, 0x8023, false})
        .Bytes();
}

QStringList Tabs(const TfrmMain& main) {
    QStringList tabs;
    for (int i = 0; i < Find<QTabBar>(main, "tbctrlObjectDetails")->count(); ++i)
        tabs << Find<QTabBar>(main, "tbctrlObjectDetails")->tabText(i);
    return tabs;
}

QStringList Lines(const TfrmMain& main) {
    const QString text = Find<QPlainTextEdit>(main, "memoObjectDetails")->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void Select(TfrmMain& main, const QString& name) {
    TMyTreeNode* node = FindNode(main, name);
    QVERIFY2(node, qPrintable(name));
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(node);
}

// The user picks tab Index (the tab bar reports the change as a click would).
void ChooseTab(TfrmMain& main, int index) {
    Find<QTabBar>(main, "tbctrlObjectDetails")->setCurrentIndex(index);
}

QStringList Fields(const TfrmMain& main) {
    return {Find<QLabel>(main, "lblObjectType")->text(),
            Find<QLabel>(main, "lblObjectMMCPosition")->text(),
            Find<QLabel>(main, "lblObjectSize")->text(),
            Find<QLabel>(main, "lblObjectFullname")->text()};
}

const brelk::TBrelkCatEntry* EntryNamed(const TfrmMain& main, const std::string& name) {
    for (const auto& entry : main.Card()->Entries())
        if (entry->Name() == name)
            return entry;
    return nullptr;
}

class TLocaleScope {
  public:
    explicit TLocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~TLocaleScope() { QLocale::setDefault(QLocale::c()); }
};

QString Decimal13(std::uint32_t value, const QLocale& locale) {
    return locale.toString(qulonglong(value)).rightJustified(13, QLatin1Char(' '));
}

// The rows of the files list, each "name|load|exec|length|locked|start", children indented.
QStringList FileRows(const TfrmMain& main) {
    QStringList rows;
    std::function<void(const QTreeWidgetItem*, const QString&)> add =
        [&](const QTreeWidgetItem* item, const QString& indent) {
            QStringList cells;
            for (int column = 0; column < Find<QTreeWidget>(main, "lvObjectFiles")->columnCount();
                 ++column)
                cells << item->text(column);
            rows << indent + cells.join(QLatin1Char('|'));
            for (int i = 0; i < item->childCount(); ++i)
                add(item->child(i), indent + QStringLiteral("  "));
        };
    for (int i = 0; i < Find<QTreeWidget>(main, "lvObjectFiles")->topLevelItemCount(); ++i)
        add(Find<QTreeWidget>(main, "lvObjectFiles")->topLevelItem(i), QString());
    return rows;
}

bool ListShown(const TfrmMain& main) {
    return Find<QTreeWidget>(main, "lvObjectFiles")
               ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo")) &&
           !Find<QPlainTextEdit>(main, "memoObjectDetails")
                ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo"));
}

} // namespace

class TestMainDetails : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void hexViewRows_data();
    void hexViewRows();
    void hexViewRowText_data();
    void hexViewRowText();
    void twoSidedDiscTabsAndDetailsTab();
    void tapeCatalogueTab();
    void adfsShowsFieldsAndWhyItCannotBeRead();
    void dfsSidesListTheirFiles();
    void textToggleShowsTheDetailsText();
    void tapeListsItsFiles();
    void tapeFileOutOfSequenceIsListedWithItsNote();
    void adfsListsItsDirectoryTree();
    void fieldsFollowNumberSetting_data();
    void fieldsFollowNumberSetting();
    void groupNodeShowsNothing();
    void rootSummary_data();
    void rootSummary();
    void rootWithoutCardOrCatalogue();
    void clickToLoadPlaceholder();
    void hourglassWhileLoading_data();
    void hourglassWhileLoading();
    void selectionUpdatesTopbar();
    void objectInfoLayout();
    void objectInfoFieldsGrowWithTheWindow();
};

// Rows of the hex view and the closing "-EOF-" by object size and the two settings.
void TestMainDetails::hexViewRows_data() {
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("perRow");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("eof");
    QTest::newRow("whole object, 16 per row") << 1024 << 16 << 512 << 32 << true;
    QTest::newRow("first 256 bytes, 16 per row") << 256 << 16 << 512 << 16 << false;
    QTest::newRow("256 bytes, 12 per row") << 256 << 12 << 512 << 22 << false;
    QTest::newRow("whole object, 8 per row") << 512 << 8 << 512 << 64 << true;
    QTest::newRow("two blocks, 32 per row") << 2048 << 32 << 1024 << 32 << true;
}

void TestMainDetails::hexViewRows() {
    QFETCH(int, total);
    QFETCH(int, perRow);
    QFETCH(int, size);
    QFETCH(int, rows);
    QFETCH(bool, eof);
    TMainRig rig;
    QVERIFY(UseCardWithData(rig, {{Tool("DATA"), CountingBytes(std::size_t(size))}}));
    rig.SetSetting("HexviewerBytesTotal", total);
    rig.SetSetting("HexviewerBytesPerRow", perRow);
    TfrmMain& main = rig.Open();
    Select(main, "DATA");
    QCOMPARE(Tabs(main), QStringList{"[Hexview]"});
    const QStringList lines = Lines(main);
    QCOMPARE(lines.size(), rows + (eof ? 1 : 0));
    QCOMPARE(lines.last() == "-EOF-", eof);
    QVERIFY(lines.first().startsWith("0000  00 01 02 03 "));
}

// Whole rows: the gap after every eighth column inside a row, the padding of a short last
// row, and the characters shown for control bytes, 0x7F and bytes above it.
void TestMainDetails::hexViewRowText_data() {
    QTest::addColumn<int>("perRow");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::newRow("8 per row at 0010") << 8 << 2 << "0010  10 11 12 13 14 15 16 17  ........";
    QTest::newRow("8 per row: space, 0x7F") << 8 << 15 << "0078  78 79 7A 7B 7C 7D 7E 7F  xyz{|}~.";
    QTest::newRow("16 per row: gap after the eighth")
        << 16 << 2 << "0020  20 21 22 23 24 25 26 27  28 29 2A 2B 2C 2D 2E 2F   !\"#$%&' ()*+,-./";
    QTest::newRow("16 per row: Latin-1 bytes")
        << 16 << 14
        << QString("00E0  E0 E1 E2 E3 E4 E5 E6 E7  E8 E9 EA EB EC ED EE EF  ") +
               QString::fromLatin1(
                   "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7 \xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF");
    // 0x80 to 0x9F as code page 1252 shows them, "." for the five codes it leaves empty.
    QTest::newRow("16 per row: 0x80 to 0x8F")
        << 16 << 8
        << QString("0080  80 81 82 83 84 85 86 87  88 89 8A 8B 8C 8D 8E 8F  ") +
               QString::fromUtf8("\u20AC.\u201A\u0192\u201E\u2026\u2020\u2021 "
                                 "\u02C6\u2030\u0160\u2039\u0152.\u017D.");
    QTest::newRow("16 per row: 0x90 to 0x9F")
        << 16 << 9
        << QString("0090  90 91 92 93 94 95 96 97  98 99 9A 9B 9C 9D 9E 9F  ") +
               QString::fromUtf8(".\u2018\u2019\u201C\u201D\u2022\u2013\u2014 "
                                 "\u02DC\u2122\u0161\u203A\u0153.\u017E\u0178");
    QTest::newRow("12 per row: short last row padded")
        << 12 << 21
        << QString("00FC  FC FD FE FF ") + QString(4 * 3, ' ') + " " + QString(4 * 3, ' ') + " " +
               QString::fromLatin1("\xFC\xFD\xFE\xFF") + "    " + " " + "    ";
}

void TestMainDetails::hexViewRowText() {
    QFETCH(int, perRow);
    QFETCH(int, row);
    QFETCH(QString, text);
    TMainRig rig;
    QVERIFY(UseCardWithData(rig, {{Tool("DATA"), CountingBytes(512)}}));
    rig.SetSetting("HexviewerBytesPerRow", perRow);
    TfrmMain& main = rig.Open();
    Select(main, "DATA");
    const QStringList lines = Lines(main);
    QVERIFY(row < lines.size());
    QCOMPARE(lines[row], text);
}

// A disc of two sides shows a tab per side and the hex view; the tab the user picks is kept
// for the next disc, and clamped to the tabs that disc has.
void TestMainDetails::twoSidedDiscTabsAndDetailsTab() {
    TMainRig rig;
    QVERIFY(UseCardWithData(
        rig, {{Disc("TWOSIDES", 1), dfstest::Concat({DFSSide("FRONT"), DFSSide("BACK")})},
              {Disc("ONESIDE", 1), DFSSide("SINGLE")},
              {Disc("SHORT", 1), DFSSide("SQUASHED", 100, 25600)}}));
    TfrmMain& main = rig.Open();
    QCOMPARE(main.ChosenDetailsTab(), std::uint8_t(0));

    Select(main, "TWOSIDES");
    QCOMPARE(Tabs(main), (QStringList{":0.FRONT", ":2.BACK", "[Hexview]"}));
    QCOMPARE(Find<QTabBar>(main, "tbctrlObjectDetails")->currentIndex(), 0);
    QCOMPARE(main.ChosenDetailsTab(), std::uint8_t(1));
    QCOMPARE(Lines(main).value(0), QString("Discname: FRONT (cycle=00, boot=none)"));
    QCOMPARE(Lines(main).value(1), QString("Sectors: 003/320"));
    QCOMPARE(Lines(main).value(5), QString("$.PROG      001900 + 00100 008023 0002"));

    ChooseTab(main, 1);
    QCOMPARE(main.ChosenDetailsTab(), std::uint8_t(2));
    QCOMPARE(Find<QTabBar>(main, "tbctrlObjectDetails")->currentIndex(), 1);
    QCOMPARE(Tabs(main).size(), 3);
    QCOMPARE(Lines(main).value(0), QString("Discname: BACK (cycle=00, boot=none)"));

    ChooseTab(main, 2);
    QCOMPARE(main.ChosenDetailsTab(), std::uint8_t(3));
    QCOMPARE(Find<QTabBar>(main, "tbctrlObjectDetails")->currentIndex(), 2);
    QVERIFY(Lines(main).value(0).startsWith("0000  46 52 4F 4E 54 00 00 00  FRONT..."));

    // The single side has two tabs: the kept third tab becomes its last, the hex view.
    Select(main, "ONESIDE");
    QCOMPARE(Tabs(main), (QStringList{":0.SINGLE", "[Hexview]"}));
    QCOMPARE(Find<QTabBar>(main, "tbctrlObjectDetails")->currentIndex(), 1);
    QCOMPARE(main.ChosenDetailsTab(), std::uint8_t(2));
    QVERIFY(Lines(main).value(0).startsWith("0000  53 49 4E 47 4C 45 00 00  SINGLE.."));

    // Back on the two sides, the clamped tab now picks the second side.
    Select(main, "TWOSIDES");
    QCOMPARE(Find<QTabBar>(main, "tbctrlObjectDetails")->currentIndex(), 1);
    QCOMPARE(Lines(main).value(0), QString("Discname: BACK (cycle=00, boot=none)"));

    // A squashed side of 100 sectors is one side: the walk ends behind it.
    ChooseTab(main, 0);
    Select(main, "SHORT");
    QCOMPARE(Tabs(main), (QStringList{":0.SQUASHED", "[Hexview]"}));
    QCOMPARE(Lines(main).value(1), QString("Sectors: 003/064"));
}

void TestMainDetails::tapeCatalogueTab() {
    brelktest::TBlockSpec block;
    block.Name = "PROG";
    block.DataLength = 16;
    block.Flag = 0x80;
    TBytes tape = brelktest::TapeBlock(block);
    tape.resize(512, 0);
    TMainRig rig;
    QVERIFY(UseCardWithData(rig, {{Disc("TAPE", 3), tape}}));
    TfrmMain& main = rig.Open();
    Select(main, "TAPE");
    QCOMPARE(Fields(main).value(0), QString("Discimage (TAPE)"));
    QCOMPARE(Tabs(main), (QStringList{"Tape", "[Hexview]"}));
    QCOMPARE(Lines(main),
             (QStringList{"Catalogue entries: 1", "", "--file-----L---load------lth----exec--",
                          "PROG         00001900 + 00010 00008023"}));
    ChooseTab(main, 1);
    QVERIFY(Lines(main).value(0).startsWith("0000  2A 50 52 4F 47 00 00 19  *PROG..."));
}

// An ADFS object that is no readable disc shows its fields and, as text, why.
void TestMainDetails::adfsShowsFieldsAndWhyItCannotBeRead() {
    TMainRig rig;
    QVERIFY(UseCardWithData(rig, {{Disc("HARDDISC", 2), CountingBytes(1024)}}));
    TfrmMain& main = rig.Open();
    Select(main, "HARDDISC");
    const QStringList fields = Fields(main);
    QCOMPARE(fields.value(0), QString("Discimage (ADFS)"));
    QCOMPARE(fields.value(2), QString("00000400"));
    QCOMPARE(fields.value(3), QString("HARDDISC"));
    QVERIFY(!fields.value(1).isEmpty());
    QCOMPARE(Tabs(main), QStringList{"ADFS"});
    QCOMPARE(Lines(main).size(), 1);
    QVERIFY(
        Lines(main).value(0).startsWith("This ADFS disc cannot be read: not an old-map ADFS disc"));
    QVERIFY(!ListShown(main));
}

// Each side's tab lists that side's files; the hex view tab lists none.
void TestMainDetails::dfsSidesListTheirFiles() {
    const TBytes front = dfstest::TDFSBuilder(800, 204800)
                             .Title("FRONT")
                             .Add({'$', "PROG", 0x100, 2, 0x1900, 0x8023, false})
                             .Add({'W', "DATA", 0x1234, 3, 0x3000, 0x3000, true})
                             .Bytes();
    TMainRig rig;
    QVERIFY(UseCardWithData(rig, {{Disc("TWOSIDES", 1), dfstest::Concat({front, DFSSide("BACK")})},
                                  {Tool("DATA"), CountingBytes(512)}}));
    TfrmMain& main = rig.Open();
    Select(main, "TWOSIDES");
    QVERIFY(ListShown(main));
    QCOMPARE(Find<QTreeWidget>(main, "lvObjectFiles")->headerItem()->text(0), QString("Name"));
    QCOMPARE(FileRows(main), (QStringList{"$.PROG|001900|008023|000100||0002",
                                          "W.DATA|003000|003000|001234|L|0003"}));
    ChooseTab(main, 1);
    QVERIFY(ListShown(main));
    QCOMPARE(FileRows(main), QStringList{"$.PROG|001900|008023|000100||0002"});
    ChooseTab(main, 2);
    QVERIFY(!Find<QTreeWidget>(main, "lvObjectFiles")
                 ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo")));
    QVERIFY(Find<QPlainTextEdit>(main, "memoObjectDetails")
                ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo")));
    QVERIFY(!Find<QCheckBox>(main, "chkDetailsText")
                 ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo")));
    QCOMPARE(FileRows(main), QStringList());

    // An object that is no disc shows its text and no list.
    ChooseTab(main, 0);
    Select(main, "DATA");
    QVERIFY(Find<QPlainTextEdit>(main, "memoObjectDetails")
                ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo")));
    QVERIFY(!Find<QTreeWidget>(main, "lvObjectFiles")
                 ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo")));
}

// "Text" shows the details text in the list's place, and it stays on from object to object.
void TestMainDetails::textToggleShowsTheDetailsText() {
    TMainRig rig;
    QVERIFY(UseCardWithData(
        rig, {{Disc("ONE", 1), DFSSide("SINGLE")}, {Disc("TWO", 1), DFSSide("OTHER")}}));
    TfrmMain& main = rig.Open();
    Select(main, "ONE");
    QVERIFY(Find<QCheckBox>(main, "chkDetailsText")
                ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo")));
    QVERIFY(ListShown(main));
    Find<QCheckBox>(main, "chkDetailsText")->click();
    QVERIFY(!Find<QTreeWidget>(main, "lvObjectFiles")
                 ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo")));
    QVERIFY(Find<QPlainTextEdit>(main, "memoObjectDetails")
                ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo")));
    QCOMPARE(Lines(main).value(0), QString("Discname: SINGLE (cycle=00, boot=none)"));
    Select(main, "TWO");
    QVERIFY(Find<QPlainTextEdit>(main, "memoObjectDetails")
                ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo")));
    QCOMPARE(Lines(main).value(0), QString("Discname: OTHER (cycle=00, boot=none)"));
    QCOMPARE(FileRows(main), QStringList{"$.PROG|001900|008023|000100||0002"});
    Find<QCheckBox>(main, "chkDetailsText")->click();
    QVERIFY(ListShown(main));
}

void TestMainDetails::tapeListsItsFiles() {
    TBytes tape = brelktest::TapeBlock(brelktest::BlockSpec("PROG", 0, 16, 0x80));
    tape.resize(512, 0);
    TMainRig rig;
    QVERIFY(UseCardWithData(rig, {{Disc("TAPE", 3), tape}}));
    TfrmMain& main = rig.Open();
    Select(main, "TAPE");
    QVERIFY(ListShown(main));
    QCOMPARE(FileRows(main), QStringList{"PROG|00001900|00008023|000010||"});
    ChooseTab(main, 1);
    QVERIFY(!Find<QTreeWidget>(main, "lvObjectFiles")
                 ->isVisibleTo(Find<QGroupBox>(main, "grpbxObjectinfo")));
}

// A tape file whose blocks are numbered 0, 2 is listed, its note on the name's tip.
void TestMainDetails::tapeFileOutOfSequenceIsListedWithItsNote() {
    TBytes tape = brelktest::Concat({brelktest::TapeBlock(brelktest::BlockSpec("PROT", 0, 16, 0)),
                                     brelktest::TapeBlock(brelktest::BlockSpec("PROT", 2, 4, 0x80)),
                                     brelktest::TapeBlock(brelktest::BlockSpec("OK", 0, 1, 0x80))});
    tape.resize(512, 0);
    TMainRig rig;
    QVERIFY(UseCardWithData(rig, {{Disc("TAPE", 3), tape}}));
    TfrmMain& main = rig.Open();
    Select(main, "TAPE");
    QCOMPARE(FileRows(main),
             (QStringList{"PROT|00001900|00008023|000014||", "OK|00001900|00008023|000001||"}));
    const QTreeWidget* list = Find<QTreeWidget>(main, "lvObjectFiles");
    QCOMPARE(list->topLevelItem(0)->toolTip(0), QString("blocks out of sequence"));
    QCOMPARE(list->topLevelItem(1)->toolTip(0), QString());
}

// A readable ADFS disc gets its own tab and its files under their directories, empty
// directories too; its text is the same tree.
void TestMainDetails::adfsListsItsDirectoryTree() {
    adfstest::TObject hello{"HELLO", 7, 300, false, true};
    adfstest::TObject games{"GAMES", 20, 1280, true};
    adfstest::TObject empty{"EMPTY", 40, 1280, true};
    adfstest::TObject elite{"ELITE", 30, 600};
    adfstest::TADFSBuilder builder(640);
    builder.Directory(2, 2, "$", "My disc", {empty, games, hello})
        .Directory(20, 2, "GAMES", "Games", {elite})
        .Directory(40, 2, "EMPTY", "Empty")
        .Data(7, 300, 0x10)
        .Data(30, 600, 0x40);
    TMainRig rig;
    QVERIFY(UseCardWithData(rig, {{Disc("HARDDISC", 2), builder.Bytes()}}));
    TfrmMain& main = rig.Open();
    Select(main, "HARDDISC");
    QCOMPARE(Tabs(main), QStringList{"ADFS"});
    QVERIFY(ListShown(main));
    QCOMPARE(FileRows(main), (QStringList{"$|||||", "  EMPTY|||||", "  GAMES|||||",
                                          "    ELITE|FFFF1900|FFFF8023|000258||00001E",
                                          "  HELLO|FFFF1900|FFFF8023|00012C|L|000007"}));
    // "Text" shows the same tree as text, with access.
    Find<QCheckBox>(main, "chkDetailsText")->click();
    QVERIFY(!ListShown(main));
    QCOMPARE(Lines(main),
             (QStringList{"Title: My disc", "ADFS disc (old map, S format), 640 sectors",
                          "Files: 2, directories: 2", "",
                          "--name------access-load----- exec----- length--", "$", "  EMPTY     DR",
                          "  GAMES     DR", "    ELITE   WR     FFFF1900 FFFF8023 00000258",
                          "  HELLO     LWR    FFFF1900 FFFF8023 0000012C"}));
}

void TestMainDetails::fieldsFollowNumberSetting_data() {
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("type");
    QTest::newRow("hex, disc") << true << "DISC"
                               << "Discimage (DFS)";
    QTest::newRow("decimal, disc") << false << "DISC"
                                   << "Discimage (DFS)";
    QTest::newRow("hex, filing system") << true << "DNFS"
                                        << "Filingsystem (BBC B Acorn DNFS 1.20 Patched)";
    QTest::newRow("decimal, tool") << false << "TOOL"
                                   << "Tool";
    QTest::newRow("hex, deleted") << true << "OLD"
                                  << "Deleted object";
}

// Address and size in 8 hex digits, or in decimal with the locale's thousands separator,
// right-aligned in 13 characters.
void TestMainDetails::fieldsFollowNumberSetting() {
    QFETCH(bool, hex);
    QFETCH(QString, node);
    QFETCH(QString, type);
    const QLocale german(QLocale::German, QLocale::Germany);
    const TLocaleScope locale(german);
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Disc("DISC", 1, 204800),
                              {brelk::kTypeFilingSystem, 1, "DNFS", 16384},
                              Tool("TOOL"),
                              {brelk::kTypeDeleted, 2, "OLD", 1536}}));
    rig.SetSetting("ViewerShowNumbersInHex", hex ? 1 : 0);
    TfrmMain& main = rig.Open();
    Select(main, node);
    const brelk::TBrelkCatEntry* entry = EntryNamed(main, node.toStdString());
    QVERIFY(entry);
    const auto shown = [&](std::uint32_t value) {
        return hex ? QString("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper()
                   : Decimal13(value, german);
    };
    QCOMPARE(Fields(main),
             (QStringList{type, shown(entry->Address()), shown(entry->Size()), node}));
}

void TestMainDetails::groupNodeShowsNothing() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("TOOL"), Disc("GAMES.ELITE", 1, 204800)}));
    rig.SetSetting("ViewerMaxNodebreaks", 1);
    TfrmMain& main = rig.Open();
    Select(main, "ELITE");
    QVERIFY(!Find<QPlainTextEdit>(main, "memoObjectDetails")->toPlainText().isEmpty());
    Select(main, "GAMES");
    QCOMPARE(Fields(main), (QStringList{"", "", "", ""}));
    QCOMPARE(Find<QTabBar>(main, "tbctrlObjectDetails")->count(), 0);
    QCOMPARE(Find<QPlainTextEdit>(main, "memoObjectDetails")->toPlainText(), QString());
    Select(main, "Tools");
    QCOMPARE(Find<QTabBar>(main, "tbctrlObjectDetails")->count(), 0);
    QCOMPARE(Find<QPlainTextEdit>(main, "memoObjectDetails")->toPlainText(), QString());
}

void TestMainDetails::rootSummary_data() {
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("physical");
    QTest::addColumn<QString>("deleted");
    QTest::newRow("hex") << true << "Physical size   : 00800000 bytes"
                         << "Deleted objects :      1 (00000600 bytes)";
    QTest::newRow("decimal") << false << "Physical size   :     8.388.608 bytes"
                             << "Deleted objects :      1 (1.536 bytes)";
}

void TestMainDetails::rootSummary() {
    QFETCH(bool, hex);
    QFETCH(QString, physical);
    QFETCH(QString, deleted);
    const TLocaleScope locale(QLocale(QLocale::German, QLocale::Germany));
    TMainRig rig;
    QVERIFY(rig.UseCard(
        k8M, {Tool("TOOL"), Disc("DISC", 1, 204800), {brelk::kTypeDeleted, 2, "OLD", 1536}}));
    rig.SetSetting("ViewerShowNumbersInHex", hex ? 1 : 0);
    TfrmMain& main = rig.Open();
    // The root is selected when the tree is built.
    QCOMPARE(Find<TObjectTreeWidget>(main, "treevwObjects")->currentItem(), main.RootNode());
    QCOMPARE(Tabs(main), QStringList{"Brelk-info"});
    const QStringList lines = Lines(main);
    QCOMPARE(lines.value(0), physical);
    QVERIFY(lines.contains(deleted));
    QVERIFY(lines.contains("Tools           :      1"));
    QVERIFY(lines.contains("Discs/tapes     :      1"));
    QVERIFY(lines.contains("Free space map:"));
    QCOMPARE(Fields(main), (QStringList{"", "", "", ""}));
    // Back to the root from an object.
    Select(main, "TOOL");
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(main.RootNode());
    QCOMPARE(Lines(main), lines);
}

void TestMainDetails::rootWithoutCardOrCatalogue() {
    {
        TMainRig rig;
        rig.SetSetting("MMCDrive", rig.Path("missing.img"));
        TfrmMain& main = rig.Open();
        QVERIFY(!rig.Prompter.Messages().isEmpty()); // the device error
        QCOMPARE(Tabs(main), QStringList{"Brelk-info"});
        QCOMPARE(Find<QPlainTextEdit>(main, "memoObjectDetails")->toPlainText(), QString());
    }
    {
        TMainRig rig;
        QVERIFY(rig.UseCard(k8M, {}, false));
        TfrmMain& main = rig.Open();
        QCOMPARE(Tabs(main), QStringList{"Brelk-info"});
        QCOMPARE(Lines(main), QStringList{"Physical size   : 00800000 bytes"});
    }
}

// With details not loaded at once, an object shows a line to click; the click loads them
// and then the text no longer reacts to clicks. The card summary shows all the same.
void TestMainDetails::clickToLoadPlaceholder() {
    TMainRig rig;
    QVERIFY(UseCardWithData(
        rig, {{Tool("FIRST"), CountingBytes(64)}, {Tool("SECOND"), CountingBytes(64)}}));
    rig.SetSetting("ViewerAutoviewObjectDetails", 0);
    TfrmMain& main = rig.Open();
    QCOMPARE(Tabs(main), QStringList{"Brelk-info"});

    Select(main, "FIRST");
    QCOMPARE(Find<QPlainTextEdit>(main, "memoObjectDetails")->toPlainText(),
             QString("Click to load details from Brelk"));
    QCOMPARE(Find<QTabBar>(main, "tbctrlObjectDetails")->count(), 0);
    QCOMPARE(Fields(main).value(3), QString("FIRST"));
    QCOMPARE(Find<QPlainTextEdit>(main, "memoObjectDetails")->viewport()->cursor().shape(),
             Qt::PointingHandCursor);
    QVERIFY(main.DetailsClickActive());

    QTest::mouseClick(Find<QPlainTextEdit>(main, "memoObjectDetails")->viewport(), Qt::LeftButton);
    QCOMPARE(Tabs(main), QStringList{"[Hexview]"});
    QVERIFY(Lines(main).value(0).startsWith("0000  00 01 02"));
    QCOMPARE(Lines(main).size(), 32);
    QCOMPARE(Find<QPlainTextEdit>(main, "memoObjectDetails")->viewport()->cursor().shape(),
             Qt::ArrowCursor);
    QVERIFY(!main.DetailsClickActive());

    // A further click does nothing: the emptied text stays empty.
    Find<QPlainTextEdit>(main, "memoObjectDetails")->clear();
    QTest::mouseClick(Find<QPlainTextEdit>(main, "memoObjectDetails")->viewport(), Qt::LeftButton);
    QCOMPARE(Find<QPlainTextEdit>(main, "memoObjectDetails")->toPlainText(), QString());

    Select(main, "SECOND");
    QCOMPARE(Find<QPlainTextEdit>(main, "memoObjectDetails")->toPlainText(),
             QString("Click to load details from Brelk"));
    QVERIFY(main.DetailsClickActive());
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(main.RootNode());
    QCOMPARE(Tabs(main), QStringList{"Brelk-info"});
    QCOMPARE(Lines(main).value(0), QString("Physical size   : 00800000 bytes"));
}

// The hourglass shows while details load at once (and only then) and is gone afterwards.
void TestMainDetails::hourglassWhileLoading_data() {
    QTest::addColumn<bool>("autoview");
    QTest::newRow("details at once") << true;
    QTest::newRow("click to load") << false;
}

void TestMainDetails::hourglassWhileLoading() {
    QFETCH(bool, autoview);
    QList<bool> waiting; // outlives the window, whose destruction changes the text too
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("TOOL")}));
    rig.SetSetting("ViewerAutoviewObjectDetails", autoview ? 1 : 0);
    TfrmMain& main = rig.Open();
    connect(Find<QPlainTextEdit>(main, "memoObjectDetails"), &QPlainTextEdit::textChanged,
            Find<QPlainTextEdit>(main, "memoObjectDetails"), [&waiting] {
                const QCursor* cursor = QApplication::overrideCursor();
                waiting << (cursor && cursor->shape() == Qt::WaitCursor);
            });
    Select(main, "TOOL");
    QVERIFY(!waiting.isEmpty());
    QCOMPARE(waiting.last(), autoview);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

// Selecting a node redraws the top bar: pending data turns the cache panel red.
void TestMainDetails::selectionUpdatesTopbar() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {Tool("TOOL")}));
    TfrmMain& main = rig.Open();
    const QColor clean = Find<TClickPanel>(main, "pnlCacheStatus")->Colour();
    const std::uint8_t byte = 0x42;
    const brelk::TBrelkCatEntry* entry = EntryNamed(main, "TOOL");
    QVERIFY(entry);
    QVERIFY(main.Card()->WriteRawBytes(&byte, entry->Address(), 1));
    QCOMPARE(Find<TClickPanel>(main, "pnlCacheStatus")->Colour(), clean);
    Select(main, "TOOL");
    QCOMPARE(Find<TClickPanel>(main, "pnlCacheStatus")->Colour(), QColor(255, 0, 0));
    QVERIFY(Lines(main).value(0).startsWith("0000  42 E5"));
}

// The fields and the tab control in their places inside "Object - info": labels and tab
// control 8 pixels from the left, fields in one column at 64 or beyond, rows 22 and 24 apart,
// the tab control 70 below the first row, the text 8 pixels inside the tab page.
void TestMainDetails::objectInfoLayout() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    TfrmMain& main = rig.Open();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QWidget* group = Find<QGroupBox>(main, "grpbxObjectinfo");
    const auto place = [group](const char* name) {
        QWidget* widget = group->findChild<QWidget*>(name);
        return widget ? QRect(widget->mapTo(group, QPoint()), widget->size()) : QRect();
    };
    const QRect type = place("pnlObjectinfoType"), position = place("pnlObjectinfoMMCPos"),
                size = place("pnlObjectinfoSize"), name = place("pnObjectFullname");
    for (const char* label : {"Label1", "Label8", "Label4"})
        QCOMPARE(place(label).x(), 8);
    QCOMPARE(place("tbctrlObjectDetails").x(), 8);
    QVERIFY(type.x() >= 64);
    QCOMPARE(position.x(), type.x());
    QCOMPARE(name.x(), type.x());
    // The text fields reach the right edge of the details page, at least 289 wide.
    const QRect page = place("pnlObjectDetailsPage");
    QCOMPARE(type.right(), page.right());
    QCOMPARE(name.right(), page.right());
    QVERIFY(type.width() >= 289);
    QCOMPARE(position.y() - type.y(), 22);
    QCOMPARE(name.y() - position.y(), 24);
    QCOMPARE(size.y(), position.y());
    QCOMPARE(place("Label6").x(), position.right() + 1 + 17);
    QVERIFY(size.x() > place("Label6").x());
    QCOMPARE(size.width(), position.width());
    QCOMPARE(place("tbctrlObjectDetails").y() - type.y(), 70);
    QCOMPARE(place("memoObjectDetails").x() - place("tbctrlObjectDetails").x(), 8);
    // Every caption fits its label, and a 13-character decimal figure its field.
    for (QLabel* label : group->findChildren<QLabel*>(QRegularExpression("^Label")))
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->text()));
    QVERIFY(Find<QLabel>(main, "lblObjectSize")->fontMetrics().horizontalAdvance("4,294,967,295") <=
            Find<QLabel>(main, "lblObjectSize")->contentsRect().width());
    QVERIFY(Find<QPlainTextEdit>(main, "memoObjectDetails")->font().fixedPitch());
    QCOMPARE(Find<QPlainTextEdit>(main, "memoObjectDetails")->font().pixelSize(), 11);
}

// The text fields grow with the window, and the longest filing-system type is shown whole.
void TestMainDetails::objectInfoFieldsGrowWithTheWindow() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {{brelk::kTypeFilingSystem, 91, "ADFS100", 512}}));
    TfrmMain& main = rig.Open();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    Select(main, "ADFS100");
    QCOMPARE(Find<QLabel>(main, "lblObjectType")->text(),
             "Filingsystem (Electron Acorn DFS 1.00 Original)");
    QVERIFY(Find<QLabel>(main, "lblObjectType")
                ->fontMetrics()
                .horizontalAdvance(Find<QLabel>(main, "lblObjectType")->text()) <=
            Find<QLabel>(main, "lblObjectType")->contentsRect().width());
    QWidget* typeField = Find<QLabel>(main, "lblObjectType")->parentWidget();
    QWidget* nameField = Find<QLabel>(main, "lblObjectFullname")->parentWidget();
    const int before = typeField->width();
    const int pageRight = [&main] {
        QWidget* page =
            Find<QGroupBox>(main, "grpbxObjectinfo")->findChild<QWidget*>("pnlObjectDetailsPage");
        return page->mapTo(Find<QGroupBox>(main, "grpbxObjectinfo"), QPoint(page->width() - 1, 0))
            .x();
    }();
    main.resize(main.width() + 300, main.height());
    QTRY_VERIFY(typeField->width() > before);
    QCOMPARE(nameField->width(), typeField->width());
    QWidget* page =
        Find<QGroupBox>(main, "grpbxObjectinfo")->findChild<QWidget*>("pnlObjectDetailsPage");
    QCOMPARE(
        typeField
            ->mapTo(Find<QGroupBox>(main, "grpbxObjectinfo"), QPoint(typeField->width() - 1, 0))
            .x(),
        page->mapTo(Find<QGroupBox>(main, "grpbxObjectinfo"), QPoint(page->width() - 1, 0)).x());
    QVERIFY(
        page->mapTo(Find<QGroupBox>(main, "grpbxObjectinfo"), QPoint(page->width() - 1, 0)).x() >
        pageRight);
}

QTEST_MAIN(TestMainDetails)
#include "tst_main_details.moc"
