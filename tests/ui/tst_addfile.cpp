// The add-objects dialog: the empty list, the grid and details, the type pages with the ROM
// buttons and "Patched", squash and expand all, the name box, removing and adding rows, the
// totals, OK with the import, Esc, files dropped on the dialog, and that nothing changes the
// list while the import runs.
#include "tst_main_fixture.h"

#include "formats/DFSBuilder.h"
#include "formats/UEFBuilder.h"
#include "support/AddDialogDriver.h"
#include "support/UiTestSupport.h"
#include "ui/addobjects/AddFile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>

using namespace maintest;
using brelk::TBrelk_RawCatalogueEntry;
using TAnswer = TPrompter::TAnswer;
using TIcon = TPrompter::TIcon;
using TButtons = TPrompter::TButtons;

namespace {

const QString kHint = QStringLiteral("-rightclick or drop files on this form-");
const QString kNameMissing = QStringLiteral("Please enter a name for this object.");

// An analysed pending object (the analysis leaves it alone).
std::unique_ptr<TBrelk_RawCatalogueEntry> Pending(std::uint8_t type, std::uint8_t subtype,
                                                  const std::string& name, std::uint32_t dataSize,
                                                  bool squashed = false) {
    auto object = std::make_unique<TBrelk_RawCatalogueEntry>();
    object->FileName = "/nowhere/" + name;
    object->FileSize = dataSize;
    object->DataSize = dataSize;
    object->Squashed = squashed;
    object->Analysed = true;
    object->Entry.SetType(type);
    object->Entry.SetSubtype(subtype);
    object->Entry.SetName(name);
    brelk::UpdateSizeOnCard(*object);
    return object;
}

bool WriteBytes(const QString& path, const std::vector<std::uint8_t>& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
               qint64(bytes.size());
}

// A DFS side of Bytes bytes with one file and the title.
std::vector<std::uint8_t> DiscImage(const std::string& title, std::size_t bytes) {
    return dfstest::TDFSBuilder(800, bytes)
        .Title(title)
        .AddWithData({'$', "FILE", 600, 2}, 0x5A)
        .Bytes();
}

// The filing-system ROM button at Index of the dialog's RomButtons() table.
QRadioButton* RomButton(const TfrmAddFile& dialog, std::size_t index) {
    return Find<QRadioButton>(dialog, TfrmAddFile::RomButtons()[index].Name);
}

QString Hex8(std::int64_t value) {
    return QStringLiteral("%1").arg(quint32(value), 8, 16, QLatin1Char('0')).toUpper();
}

// A main window on a formatted card with its dialog.
struct TDialogRig : TMainRig {
    explicit TDialogRig(bool hex = true, const std::vector<TObject>& objects = {}) {
        SetSetting("ViewerShowNumbersInHex", hex ? 1 : 0);
        Ok = UseCard(k8M, objects);
        Open();
        Dialog = Main->AddObjectsDialog();
    }
    void Add(std::unique_ptr<TBrelk_RawCatalogueEntry> object) {
        Main->Pending().push_back(std::move(object));
    }
    TfrmAddFile& Show() {
        Dialog->show();
        return *Dialog;
    }
    QString Cell(int row, int column) const {
        const QTableWidgetItem* item =
            Find<QTableWidget>(*Dialog, "strnggrdFiles")->item(row, column);
        return item ? item->text() : QString();
    }
    const TBrelk_RawCatalogueEntry& Object(int index) const {
        return *Main->Pending()[std::size_t(index)];
    }
    // A click on the grid row (through the grid's own selection handling).
    void ClickRow(int row) const {
        QTableWidget* grid = Find<QTableWidget>(*Dialog, "strnggrdFiles");
        const QRect cell = grid->visualRect(grid->model()->index(row, 2));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    bool Ok = false;
    TfrmAddFile* Dialog = nullptr;
};

} // namespace

class TestAddFile : public QObject {
    Q_OBJECT
  private slots:
    void windowAndControls();
    void untitledTapeIsNamedAfterItsFile_data();
    void untitledTapeIsNamedAfterItsFile();
    void emptyListShowsHintAndDisablesDetails();
    void showingAnalysesFilesAndSelectsFirst();
    void gridShowsNamesAsTheTreeDoes();
    void toolSwitchedToFilingsystem();
    void romButtons_data();
    void romButtons();
    void romSubtypeShownAgain_data();
    void romSubtypeShownAgain();
    void discPageSizesAndSquashControls();
    void squashedDiscToTapeKeepsTapeSize();
    void pageChangeKeepsTypedName();
    void squashAndExpandAll_data();
    void squashAndExpandAll();
    void nameBoxFiltersKeysAndPastedText();
    void emptyNameRefusesRowChange();
    void removingRows();
    void addFileByDialogAndDeleteKey();
    void totalsShowHexAndRedBelowZero();
    void totalsInDecimal();
    void okImportsAndClosesWithOK();
    void okRefusedWithEmptyName();
    void okShowsAnObjectLeftWithoutAName();
    void overwriteQuestionAnswers_data();
    void overwriteQuestionAnswers();
    void nothingChangesTheListWhileImporting();
    void waitWindowCancelReachesTheImport();
    void escapeClosesWithCancel();
    void filesDroppedOnDialog();
    void droppedFolderOnEmptyListSelectsLast();
    void realImagesDroppedAndImported();
};

void TestAddFile::windowAndControls() {
    TDialogRig rig;
    QVERIFY(rig.Ok);
    TfrmAddFile& dialog = *rig.Dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("BrelkExplorer - Add objects"));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowSystemMenuHint));
    QVERIFY(dialog.minimumWidth() >= 547 && dialog.minimumHeight() >= 340);
    QVERIFY(dialog.minimumHeight() < 493 && dialog.minimumWidth() < 710);
    QVERIFY(Find<QPushButton>(dialog, "btbtnOK")->isDefault());
    QCOMPARE(Find<QTabWidget>(dialog, "pgctrlObjectType")->count(), 3);
    QCOMPARE(Find<QTabWidget>(dialog, "pgctrlObjectType")->tabText(0),
             QStringLiteral("Filingsystem"));
    QCOMPARE(Find<QTabWidget>(dialog, "pgctrlObjectType")->tabText(1), QStringLiteral("Tool"));
    QCOMPARE(Find<QTabWidget>(dialog, "pgctrlObjectType")->tabText(2), QStringLiteral("Disc/tape"));
    QStringList headers;
    for (int c = 0; c < 4; ++c)
        headers << Find<QTableWidget>(dialog, "strnggrdFiles")->horizontalHeaderItem(c)->text();
    QCOMPARE(headers.join('|'), QStringLiteral("Nr|Type|Name|Size on Brelk"));
    QCOMPARE(Find<QTableWidget>(dialog, "strnggrdFiles")->columnWidth(0), 34);
    QCOMPARE(Find<QTableWidget>(dialog, "strnggrdFiles")->columnWidth(1), 30);
    QCOMPARE(Find<QTableWidget>(dialog, "strnggrdFiles")->columnWidth(3), 90);
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->maxLength(), 48);
    QCOMPARE(Find<QAction>(dialog, "mnuPopupAddfile")->text(),
             QStringLiteral("&Add file to list..."));
    QCOMPARE(Find<QAction>(dialog, "mnuPopupRemovefile")->text(),
             QStringLiteral("&Remove file from list"));
    for (const auto& rom : TfrmAddFile::RomButtons())
        QCOMPARE(Named<QRadioButton>(&dialog, rom.Name)->text(), QString::fromLatin1(rom.Caption));
}

void TestAddFile::emptyListShowsHintAndDisablesDetails() {
    TDialogRig rig;
    TfrmAddFile& dialog = rig.Show();
    QCOMPARE(Find<QTableWidget>(dialog, "strnggrdFiles")->rowCount(), 1);
    QCOMPARE(rig.Cell(0, 2), kHint);
    QCOMPARE(rig.Cell(0, 0), QString());
    QCOMPARE(rig.Cell(0, 3), QString());
    QCOMPARE(dialog.ShownIndex(), -1);
    for (QWidget* w : {static_cast<QWidget*>(Find<QPushButton>(dialog, "btbtnOK")),
                       static_cast<QWidget*>(Find<QPushButton>(dialog, "btbtnSquashAll")),
                       static_cast<QWidget*>(Find<QPushButton>(dialog, "btbtnExpandAll")),
                       static_cast<QWidget*>(Find<QLineEdit>(dialog, "edtFilename")),
                       static_cast<QWidget*>(Find<QTabWidget>(dialog, "pgctrlObjectType"))})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(!Find<QAction>(dialog, "mnuPopupRemovefile")->isVisible());
    // Delete and the popup entry have nothing to remove.
    QTest::keyClick(Find<QTableWidget>(dialog, "strnggrdFiles"), Qt::Key_Delete);
    QCOMPARE(Find<QTableWidget>(dialog, "strnggrdFiles")->rowCount(), 1);
    QVERIFY(rig.Prompter.Questions().isEmpty());
}

// A byte that shows nothing appears as \xNN and a byte above 0x7F as its code page 1252
// character, as the tree and brelk show the name once it is on the card.
void TestAddFile::gridShowsNamesAsTheTreeDoes() {
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeTool, 0, "A\001B\xE9\\", 1000));
    rig.Show();
    QCOMPARE(rig.Cell(0, 2), QStringLiteral("A\\x01B") + QChar(0xE9) + QStringLiteral("\\\\"));
}

void TestAddFile::showingAnalysesFilesAndSelectsFirst() {
    TDialogRig rig;
    const QString disc = rig.Path("Elite.ssd");
    const QString tool = rig.Path("My Tool.rom");
    QVERIFY(WriteBytes(disc, DiscImage("MY GAME", 102400)));
    QVERIFY(WriteBytes(tool, std::vector<std::uint8_t>(1000, 0x11)));
    for (const QString& path : {disc, rig.Path("missing.ssd"), tool})
        brelk::AddPendingFile(rig.Main->Pending(), path.toStdString());
    TfrmAddFile& dialog = rig.Show();
    QCOMPARE(Find<QTableWidget>(dialog, "strnggrdFiles")->rowCount(),
             2); // the missing file is dropped
    QCOMPARE(rig.Cell(0, 0), QStringLiteral("1"));
    QCOMPARE(rig.Cell(0, 2), QStringLiteral("MYGAME"));
    QCOMPARE(rig.Cell(0, 3), Hex8(102400));
    QCOMPARE(rig.Cell(1, 2), QStringLiteral("MyTool.rom"));
    QCOMPARE(rig.Cell(1, 3), Hex8(1000));
    QCOMPARE(dialog.ShownIndex(), 0);
    QCOMPARE(dialog.SelectedRow(), 0);
    QCOMPARE(Find<QLabel>(dialog, "lblFilePath")->text(), disc);
    QCOMPARE(Find<QLabel>(dialog, "lblFilesize")->text(), Hex8(102400));
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->text(), QStringLiteral("MYGAME"));
    QVERIFY(Find<QLabel>(dialog, "lblFileAnalysis")
                ->text()
                .startsWith(QStringLiteral("Read as a DFS disc")));
    QCOMPARE(Find<QTabWidget>(dialog, "pgctrlObjectType")->currentIndex(), 2);
    QVERIFY(Find<QRadioButton>(dialog, "rdbtnDiscDFS")->isChecked());
    QVERIFY(Find<QCheckBox>(dialog, "chkbxDiscSquashed")->isChecked());
    QVERIFY(Find<QCheckBox>(dialog, "chkbxDiscSquashed")->isEnabled() &&
            Find<QPushButton>(dialog, "btbtnSquashAll")->isEnabled());
    QVERIFY(Find<QAction>(dialog, "mnuPopupRemovefile")->isVisible());
    rig.ClickRow(1);
    QCOMPARE(dialog.ShownIndex(), 1);
    QCOMPARE(Find<QTabWidget>(dialog, "pgctrlObjectType")->currentIndex(), 1);
    QVERIFY(Find<QLabel>(dialog, "lblFileAnalysis")
                ->text()
                .startsWith(QStringLiteral("Read as a tool")));
    QVERIFY(!Find<QCheckBox>(dialog, "chkbxDiscSquashed")->isEnabled());
    QVERIFY(!Find<QPushButton>(dialog, "btbtnSquashAll")->isEnabled() &&
            !Find<QPushButton>(dialog, "btbtnExpandAll")->isEnabled());
    QVERIFY2(rig.Prompter.Questions().isEmpty(), qPrintable(rig.Prompter.Describe()));
}

void TestAddFile::toolSwitchedToFilingsystem() {
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeTool, 0, "ROM", 16384));
    TfrmAddFile& dialog = rig.Show();
    Find<QTabWidget>(dialog, "pgctrlObjectType")->setCurrentIndex(0); // as a click on the tab
    QCOMPARE(rig.Object(0).Entry.Type(), brelk::kTypeFilingSystem);
    QCOMPARE(rig.Object(0).Entry.Subtype(), 81);
    QVERIFY(RomButton(dialog, 0)->isChecked());
    QVERIFY(!Find<QCheckBox>(dialog, "chkbxFSPatched")->isChecked());
    Find<QCheckBox>(dialog, "chkbxFSPatched")->click();
    QCOMPARE(rig.Object(0).Entry.Subtype(), 1);
    Named<QRadioButton>(&dialog, "rdbtnFSAcornDFS245")->click();
    QCOMPARE(rig.Object(0).Entry.Subtype(), 6);
    Find<QTabWidget>(dialog, "pgctrlObjectType")->setCurrentIndex(1);
    QCOMPARE(rig.Object(0).Entry.Type(), brelk::kTypeTool);
    QCOMPARE(rig.Object(0).Entry.Subtype(), 0);
    QCOMPARE(rig.Cell(0, 3), Hex8(16384));
}

void TestAddFile::romButtons_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("patched");
    const auto& roms = TfrmAddFile::RomButtons();
    const int expected[] = {1, 2, 3, 8, 9, 4, 5, 6, 7, 10, 11};
    for (std::size_t i = 0; i < roms.size(); ++i)
        QTest::newRow(roms[i].Name) << int(i) << expected[i];
}

void TestAddFile::romButtons() {
    QFETCH(int, button);
    QFETCH(int, patched);
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeFilingSystem, 81, "ROM", 16384));
    TfrmAddFile& dialog = rig.Show();
    RomButton(dialog, std::size_t(button))->click();
    QCOMPARE(int(rig.Object(0).Entry.Subtype()), patched + 80);
    Find<QCheckBox>(dialog, "chkbxFSPatched")->click();
    QCOMPARE(int(rig.Object(0).Entry.Subtype()), patched);
    Find<QCheckBox>(dialog, "chkbxFSPatched")->click();
    QCOMPARE(int(rig.Object(0).Entry.Subtype()), patched + 80);
    for (std::size_t i = 0; i < TfrmAddFile::RomButtons().size(); ++i)
        QCOMPARE(RomButton(dialog, i)->isChecked(), int(i) == button);
}

void TestAddFile::romSubtypeShownAgain_data() {
    QTest::addColumn<int>("subtype");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<bool>("patched");
    QTest::newRow("6") << 6 << "rdbtnFSAcornDFS245" << true;
    QTest::newRow("86") << 86 << "rdbtnFSAcornDFS245" << false;
    QTest::newRow("11") << 11 << "rdbtnFSAcornADFS100" << true;
    QTest::newRow("unknown 50") << 50 << "" << false;
}

void TestAddFile::romSubtypeShownAgain() {
    QFETCH(int, subtype);
    QFETCH(QString, checked);
    QFETCH(bool, patched);
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeFilingSystem, 81, "FIRST", 16384));
    rig.Add(Pending(brelk::kTypeFilingSystem, std::uint8_t(subtype), "SECOND", 16384));
    TfrmAddFile& dialog = rig.Show();
    rig.ClickRow(1);
    for (std::size_t i = 0; i < TfrmAddFile::RomButtons().size(); ++i)
        QCOMPARE(RomButton(dialog, i)->isChecked(), RomButton(dialog, i)->objectName() == checked);
    QCOMPARE(Find<QCheckBox>(dialog, "chkbxFSPatched")->isChecked(), patched);
    rig.ClickRow(0); // leaving stores the controls: the subtype stays
    QCOMPARE(int(rig.Object(1).Entry.Subtype()), subtype);
    QCOMPARE(int(rig.Object(0).Entry.Subtype()), 81);
}

void TestAddFile::discPageSizesAndSquashControls() {
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeTool, 0, "TOOL", 5000));
    TfrmAddFile& dialog = rig.Show();
    Find<QTabWidget>(dialog, "pgctrlObjectType")->setCurrentIndex(2);
    QCOMPARE(rig.Object(0).Entry.Type(), brelk::kTypeImage);
    QCOMPARE(rig.Object(0).Entry.Subtype(), brelk::kSubtypeDFS);
    QVERIFY(Find<QRadioButton>(dialog, "rdbtnDiscDFS")->isChecked());
    QVERIFY(!Find<QCheckBox>(dialog, "chkbxDiscSquashed")->isChecked());
    QCOMPARE(rig.Cell(0, 3), Hex8(204800));
    Find<QCheckBox>(dialog, "chkbxDiscSquashed")->click();
    QVERIFY(rig.Object(0).Squashed);
    QCOMPARE(rig.Cell(0, 3), Hex8(5000));
    Find<QCheckBox>(dialog, "chkbxDiscSquashed")->click();
    QCOMPARE(rig.Cell(0, 3), Hex8(204800));
    Find<QRadioButton>(dialog, "rdbtnDiscADFS")->click();
    QCOMPARE(rig.Object(0).Entry.Subtype(), brelk::kSubtypeADFS);
    QCOMPARE(rig.Cell(0, 3), Hex8(5000));
    for (QWidget* w : {static_cast<QWidget*>(Find<QCheckBox>(dialog, "chkbxDiscSquashed")),
                       static_cast<QWidget*>(Find<QPushButton>(dialog, "btbtnSquashAll")),
                       static_cast<QWidget*>(Find<QPushButton>(dialog, "btbtnExpandAll"))})
        QVERIFY(!w->isEnabled());
    Find<QRadioButton>(dialog, "rdbtnDiscDFS")->click();
    QVERIFY(Find<QCheckBox>(dialog, "chkbxDiscSquashed")->isEnabled() &&
            Find<QPushButton>(dialog, "btbtnExpandAll")->isEnabled());
    Find<QRadioButton>(dialog, "rdbtnDiscTape")->click();
    QCOMPARE(rig.Object(0).Entry.Subtype(), brelk::kSubtypeTape);
    QVERIFY(!Find<QCheckBox>(dialog, "chkbxDiscSquashed")->isEnabled());
}

void TestAddFile::squashedDiscToTapeKeepsTapeSize() {
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeImage, brelk::kSubtypeDFS, "DISC", 40000, true));
    rig.Add(Pending(brelk::kTypeImage, brelk::kSubtypeTape, "TAPE", 7000));
    rig.Show();
    rig.ClickRow(1);
    rig.ClickRow(0);
    QCOMPARE(rig.Cell(1, 3), Hex8(7000));
    QCOMPARE(brelk::SizeOnCard(rig.Object(1)), 7000u);
    QCOMPARE(rig.Cell(0, 3), Hex8(40000));
}

// A name typed but not yet stored survives a change of page.
void TestAddFile::pageChangeKeepsTypedName() {
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeTool, 0, "TOOL", 5000));
    TfrmAddFile& dialog = rig.Show();
    Find<QLineEdit>(dialog, "edtFilename")->setText(QStringLiteral("NEWNAME"));
    Find<QTabWidget>(dialog, "pgctrlObjectType")->setCurrentIndex(0);
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->text(), QStringLiteral("NEWNAME"));
    dialog.StorePendingDetails(0);
    QCOMPARE(rig.Object(0).Entry.Name(), std::string("NEWNAME"));
}

void TestAddFile::squashAndExpandAll_data() {
    QTest::addColumn<bool>("squash");
    QTest::addColumn<int>("answer");
    QTest::newRow("squash yes") << true << int(TAnswer::Yes);
    QTest::newRow("squash no") << true << int(TAnswer::No);
    QTest::newRow("expand yes") << false << int(TAnswer::Yes);
    QTest::newRow("expand no") << false << int(TAnswer::No);
}

void TestAddFile::squashAndExpandAll() {
    QFETCH(bool, squash);
    QFETCH(int, answer);
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeImage, brelk::kSubtypeDFS, "A", 40000, !squash));
    rig.Add(Pending(brelk::kTypeTool, 0, "TOOL", 3000));
    rig.Add(Pending(brelk::kTypeImage, brelk::kSubtypeTape, "TAPE", 7000));
    rig.Add(Pending(brelk::kTypeImage, brelk::kSubtypeDFS, "B", 60000, !squash));
    TfrmAddFile& dialog = rig.Show();
    rig.ClickRow(3);
    rig.Prompter.QueueAnswer(TAnswer(answer));
    (squash ? Find<QPushButton>(dialog, "btbtnSquashAll")
            : Find<QPushButton>(dialog, "btbtnExpandAll"))
        ->click();
    QCOMPARE(rig.Prompter.Last().Text, squash ? QStringLiteral("Squash all DFS objects?")
                                              : QStringLiteral("Expand all DFS objects?"));
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Confirmation);
    QCOMPARE(rig.Prompter.Last().Buttons, TButtons::YesNo);
    const bool changed = TAnswer(answer) == TAnswer::Yes;
    const bool squashedNow = changed ? squash : !squash;
    QCOMPARE(rig.Object(0).Squashed, squashedNow);
    QCOMPARE(rig.Object(3).Squashed, squashedNow);
    QCOMPARE(rig.Cell(0, 3), Hex8(squashedNow ? 40000 : 204800));
    QCOMPARE(rig.Cell(3, 3), Hex8(squashedNow ? 60000 : 204800));
    QCOMPARE(rig.Cell(1, 3), Hex8(3000));
    QCOMPARE(rig.Cell(2, 3), Hex8(7000));
    QVERIFY(!rig.Object(1).Squashed && !rig.Object(2).Squashed);
    QCOMPARE(dialog.ShownIndex(), 3);
    QCOMPARE(Find<QCheckBox>(dialog, "chkbxDiscSquashed")->isChecked(), squashedNow);
}

void TestAddFile::nameBoxFiltersKeysAndPastedText() {
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeTool, 0, "TOOL", 100));
    TfrmAddFile& dialog = rig.Show();
    Find<QLineEdit>(dialog, "edtFilename")->clear();
    QTest::keyClicks(Find<QLineEdit>(dialog, "edtFilename"), QStringLiteral("A B~"));
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->text(), QStringLiteral("AB~"));
    QTest::keyClick(Find<QLineEdit>(dialog, "edtFilename"), Qt::Key_Backspace);
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->text(), QStringLiteral("AB"));
    Find<QLineEdit>(dialog, "edtFilename")->insert(QStringLiteral("MY GAME\t\u00e9!")); // as pasted
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->text(), QStringLiteral("ABMYGAME!"));
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->cursorPosition(), 9);
    // The grid shows the stored name until the details are stored.
    QCOMPARE(rig.Cell(0, 2), QStringLiteral("TOOL"));
    dialog.StorePendingDetails(0);
    QCOMPARE(rig.Object(0).Entry.Name(), std::string("ABMYGAME!"));
}

void TestAddFile::emptyNameRefusesRowChange() {
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeImage, brelk::kSubtypeDFS, "DISC", 40000, true));
    rig.Add(Pending(brelk::kTypeTool, 0, "TOOL", 100));
    TfrmAddFile& dialog = rig.Show();
    Find<QLineEdit>(dialog, "edtFilename")->clear();
    rig.ClickRow(1);
    QCOMPARE(rig.Prompter.Messages(), QStringList{kNameMissing});
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Information);
    QCOMPARE(rig.Prompter.Last().Buttons, TButtons::OK);
    QCOMPARE(dialog.SelectedRow(), 0);
    QCOMPARE(dialog.ShownIndex(), 0);
    QVERIFY(Find<QCheckBox>(dialog, "chkbxDiscSquashed")->isEnabled() &&
            Find<QCheckBox>(dialog, "chkbxDiscSquashed")->isChecked());
    QCOMPARE(rig.Object(0).Entry.Name(), std::string("DISC"));
    QTest::keyClick(Find<QTableWidget>(dialog, "strnggrdFiles"),
                    Qt::Key_Down); // the key path is refused too
    QCOMPARE(dialog.SelectedRow(), 0);
    QCOMPARE(rig.Prompter.Messages().size(), 2);
    Find<QLineEdit>(dialog, "edtFilename")->setText(QStringLiteral("RENAMED"));
    rig.ClickRow(1);
    QCOMPARE(dialog.ShownIndex(), 1);
    QCOMPARE(rig.Cell(0, 2), QStringLiteral("RENAMED"));
    QCOMPARE(rig.Object(0).Entry.Name(), std::string("RENAMED"));
}

void TestAddFile::removingRows() {
    TDialogRig rig;
    for (const char* name : {"ONE", "TWO", "THREE"})
        rig.Add(Pending(brelk::kTypeTool, 0, name, 100));
    TfrmAddFile& dialog = rig.Show();
    rig.ClickRow(2);
    Find<QLineEdit>(dialog, "edtFilename")->clear(); // the removed object's name is not checked
    QTest::keyClick(Find<QTableWidget>(dialog, "strnggrdFiles"), Qt::Key_Delete);
    QCOMPARE(Find<QTableWidget>(dialog, "strnggrdFiles")->rowCount(), 2);
    QCOMPARE(dialog.ShownIndex(), 1);
    QCOMPARE(dialog.SelectedRow(), 1);
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->text(), QStringLiteral("TWO"));
    rig.ClickRow(0);
    Find<QAction>(dialog, "mnuPopupRemovefile")->trigger();
    QCOMPARE(Find<QTableWidget>(dialog, "strnggrdFiles")->rowCount(), 1);
    QCOMPARE(rig.Cell(0, 0), QStringLiteral("1"));
    QCOMPARE(rig.Cell(0, 2), QStringLiteral("TWO"));
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->text(), QStringLiteral("TWO"));
    QTest::keyClick(Find<QTableWidget>(dialog, "strnggrdFiles"), Qt::Key_Delete);
    QCOMPARE(rig.Main->Pending().size(), 0u);
    QCOMPARE(rig.Cell(0, 2), kHint);
    QCOMPARE(dialog.ShownIndex(), -1);
    QVERIFY(!Find<QLineEdit>(dialog, "edtFilename")->isEnabled() &&
            !Find<QPushButton>(dialog, "btbtnOK")->isEnabled());
    QVERIFY(Find<QLineEdit>(dialog, "edtFilename")->text().isEmpty() &&
            Find<QLabel>(dialog, "lblFilePath")->text().isEmpty());
    QVERIFY(!Find<QAction>(dialog, "mnuPopupRemovefile")->isVisible());
    QVERIFY2(rig.Prompter.Questions().isEmpty(), qPrintable(rig.Prompter.Describe()));
}

void TestAddFile::addFileByDialogAndDeleteKey() {
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeTool, 0, "ONE", 100));
    rig.Add(Pending(brelk::kTypeTool, 0, "TWO", 100));
    const QString disc = rig.Path("Typed.ssd");
    QVERIFY(WriteBytes(disc, DiscImage("TYPED", 204800)));
    TfrmAddFile& dialog = rig.Show();
    rig.Prompter.QueueFile(rig.Path("Typed")); // typed without its extension
    QTest::keyClick(Find<QTableWidget>(dialog, "strnggrdFiles"), Qt::Key_Insert);
    const auto& question = rig.Prompter.Last();
    QCOMPARE(question.Kind, TScriptedPrompter::TKind::OpenFile);
    QCOMPARE(question.Text, QStringLiteral("Select object to add to Brelk..."));
    QCOMPARE(question.Filter,
             QStringLiteral("Objects (*.bin)|*.BIN|ADFS (*.adfs)|*.ADFS|DFS singlesided (*.ssd)|"
                            "*.SSD|DFS doublesided (*.dsd)|*.DSD|Tape (*.uef)|*.UEF|All files "
                            "(*.*)|*.*"));
    QCOMPARE(question.SelectedFilter, QStringLiteral("DFS singlesided (*.ssd)"));
    QCOMPARE(Find<QTableWidget>(dialog, "strnggrdFiles")->rowCount(), 3);
    QCOMPARE(dialog.ShownIndex(), 2);
    QCOMPARE(dialog.SelectedRow(), 2);
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->text(), QStringLiteral("TYPED"));
    QCOMPARE(Find<QLabel>(dialog, "lblFilePath")->text(), disc);
    // A cancelled file dialog adds nothing; the popup entry asks the same.
    rig.Prompter.QueueFile(QString());
    Find<QAction>(dialog, "mnuPopupAddfile")->trigger();
    QCOMPARE(Find<QTableWidget>(dialog, "strnggrdFiles")->rowCount(), 3);
    QTest::keyClick(Find<QTableWidget>(dialog, "strnggrdFiles"), Qt::Key_Delete);
    QCOMPARE(rig.Main->Pending().size(), 2u);
    QCOMPARE(rig.Object(1).Entry.Name(), std::string("TWO"));
    QVERIFY2(!rig.Prompter.Unexpected(), qPrintable(rig.Prompter.Describe()));
}

void TestAddFile::totalsShowHexAndRedBelowZero() {
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeTool, 0, "SMALL", 1000));
    TfrmAddFile& dialog = rig.Show();
    brelk::TSpaceTotals totals = brelk::ComputeSpaceTotals(rig.Main->Pending(), rig.Main->Card(),
                                                           rig.Main->UserSettings().MMCSafetyZone);
    QVERIFY(totals.Left > 0);
    QCOMPARE(Find<QLabel>(dialog, "lblTotalSpaceNeeded")->text(), Hex8(totals.Needed));
    QCOMPARE(Find<QLabel>(dialog, "lblTotalSpaceFree")->text(), Hex8(totals.Left));
    QVERIFY(Find<QFrame>(dialog, "pnlTotalspaceFree")->palette().color(QPalette::Window) !=
            QColor(255, 0, 0));
    // More than the card holds: the free panel turns red and shows the 32-bit complement.
    Find<QTabWidget>(dialog, "pgctrlObjectType")->setCurrentIndex(2);
    rig.Add(Pending(brelk::kTypeTool, 0, "HUGE", 9u << 20));
    dialog.RefreshFileGrid();
    dialog.UpdateSpaceTotals();
    totals = brelk::ComputeSpaceTotals(rig.Main->Pending(), rig.Main->Card(),
                                       rig.Main->UserSettings().MMCSafetyZone);
    QVERIFY(totals.Left < 0);
    QCOMPARE(Find<QLabel>(dialog, "lblTotalSpaceFree")->text(), Hex8(totals.Left));
    QCOMPARE(Find<QLabel>(dialog, "lblTotalSpaceFree")->text().size(), 8);
    QCOMPARE(Find<QFrame>(dialog, "pnlTotalspaceFree")->palette().color(QPalette::Window),
             QColor(255, 0, 0));
}

void TestAddFile::totalsInDecimal() {
    TDialogRig rig(false);
    rig.Add(Pending(brelk::kTypeImage, brelk::kSubtypeDFS, "DISC", 40000));
    TfrmAddFile& dialog = rig.Show();
    const QString separator = QLocale().groupSeparator();
    QCOMPARE(rig.Cell(0, 3).trimmed(), QStringLiteral("204") + separator + QStringLiteral("800"));
    QCOMPARE(rig.Cell(0, 3).size(), 13); // right-aligned in 13 characters
    QCOMPARE(Find<QLabel>(dialog, "lblFilesize")->text(),
             QStringLiteral("40") + separator + QStringLiteral("000"));
    QVERIFY(Find<QLabel>(dialog, "lblTotalSpaceNeeded")
                ->text()
                .trimmed()
                .startsWith(QStringLiteral("20")));
}

void TestAddFile::okImportsAndClosesWithOK() {
    TDialogRig rig;
    const QString disc = rig.Path("Elite.ssd");
    const QString tool = rig.Path("tool.bin");
    QVERIFY(WriteBytes(disc, DiscImage("ELITE", 204800)));
    QVERIFY(WriteBytes(tool, std::vector<std::uint8_t>(3000, 0x22)));
    brelk::AddPendingFile(rig.Main->Pending(), disc.toStdString());
    brelk::AddPendingFile(rig.Main->Pending(), tool.toStdString());
    bool accepted = false;
    WhenDialogReady(rig.Dialog, [&] {
        TfrmAddFile& dialog = *rig.Dialog;
        Find<QLineEdit>(dialog, "edtFilename")->setText(QStringLiteral("NEWELITE"));
        Find<QCheckBox>(dialog, "chkbxDiscSquashed")->click();
        rig.ClickRow(1);
        Find<QPushButton>(dialog, "btbtnOK")->click();
    });
    accepted = rig.Main->ExecuteAddObjectsDialog();
    QVERIFY(accepted);
    QCOMPARE(rig.Dialog->result(), int(QDialog::Accepted));
    QVERIFY(rig.Main->Pending().empty());
    rig.Main->pnlCacheStatusClick();
    QStringList names = CardNames(rig.CardPath());
    names.sort();
    QCOMPARE(names, (QStringList{"NEWELITE", "tool.bin"}));
    QVERIFY(FindNode(*rig.Main, "NEWELITE")); // the tree was rebuilt
    for (const auto& entry : rig.Main->Card()->Entries())
        if (entry->Name() == "NEWELITE")
            QVERIFY(entry->Size() < 204800u); // stored squashed
    QVERIFY2(!rig.Prompter.Unexpected(), qPrintable(rig.Prompter.Describe()));
}

void TestAddFile::okRefusedWithEmptyName() {
    TDialogRig rig;
    const QString tool = rig.Path("tool.bin");
    QVERIFY(WriteBytes(tool, std::vector<std::uint8_t>(3000, 0x22)));
    brelk::AddPendingFile(rig.Main->Pending(), tool.toStdString());
    TfrmAddFile& dialog = rig.Show();
    Find<QLineEdit>(dialog, "edtFilename")->clear();
    Find<QPushButton>(dialog, "btbtnOK")->click();
    QCOMPARE(rig.Prompter.Messages(), QStringList{kNameMissing});
    QVERIFY(dialog.isVisible());
    QVERIFY(Find<QPushButton>(dialog, "btbtnOK")->isEnabled() &&
            Find<QPushButton>(dialog, "btbtnCancel")->isEnabled());
    QVERIFY(rig.Main->Card()->Entries().empty());
    Find<QLineEdit>(dialog, "edtFilename")->setText(QStringLiteral("NAMED"));
    QTest::keyClick(&dialog, Qt::Key_Return); // Enter presses OK
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(rig.Main->Card()->Entries().size(), 1u);
    QCOMPARE(rig.Main->Card()->Entries()[0]->Name(), std::string("NAMED"));
}

// An object that was never shown and has no name (one whose file name gives none) is shown
// and asked for instead of being written without a name.
void TestAddFile::okShowsAnObjectLeftWithoutAName() {
    TDialogRig rig;
    const QString tool = rig.Path("tool.bin");
    QVERIFY(WriteBytes(tool, std::vector<std::uint8_t>(3000, 0x22)));
    brelk::AddPendingFile(rig.Main->Pending(), tool.toStdString());
    brelk::AddPendingFile(rig.Main->Pending(), tool.toStdString());
    TfrmAddFile& dialog = rig.Show();
    rig.Main->Pending()[1]->Entry.SetName("");
    Find<QPushButton>(dialog, "btbtnOK")->click();
    QCOMPARE(rig.Prompter.Messages(), QStringList{kNameMissing});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.ShownIndex(), 1);
    QCOMPARE(dialog.SelectedRow(), 1);
    QVERIFY(Find<QLineEdit>(dialog, "edtFilename")->text().isEmpty());
    QVERIFY(rig.Main->Card()->Entries().empty());
    Find<QLineEdit>(dialog, "edtFilename")->setText(QStringLiteral("SECOND"));
    Find<QPushButton>(dialog, "btbtnOK")->click();
    QCOMPARE(rig.Main->Card()->Entries().size(), 2u);
}

void TestAddFile::overwriteQuestionAnswers_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("objects");   // catalogue entries afterwards
    QTest::addColumn<bool>("replaced"); // ELITE holds the new size
    QTest::addColumn<bool>("secondAdded");
    QTest::newRow("yes") << int(TAnswer::Yes) << 2 << true << true;
    QTest::newRow("no") << int(TAnswer::No) << 2 << false << true;
    QTest::newRow("cancel") << int(TAnswer::Cancel) << 1 << false << false;
}

void TestAddFile::overwriteQuestionAnswers() {
    QFETCH(int, answer);
    QFETCH(int, objects);
    QFETCH(bool, replaced);
    QFETCH(bool, secondAdded);
    TDialogRig rig(true, {Tool("Elite")});
    rig.Main->UserSettings().ImportOverwriteExisting = true;
    rig.Main->UserSettings().ImportAskBeforeOverwrite = true;
    const QString first = rig.Path("ELITE");
    const QString second = rig.Path("OTHER");
    QVERIFY(WriteBytes(first, std::vector<std::uint8_t>(3000, 0x22)));
    QVERIFY(WriteBytes(second, std::vector<std::uint8_t>(100, 0x23)));
    brelk::AddPendingFile(rig.Main->Pending(), first.toStdString());
    brelk::AddPendingFile(rig.Main->Pending(), second.toStdString());
    TfrmAddFile& dialog = rig.Show();
    rig.Prompter.QueueAnswer(TAnswer(answer));
    Find<QPushButton>(dialog, "btbtnOK")->click();
    const QChar cr(13);
    QCOMPARE(rig.Prompter.Messages(),
             QStringList{QStringLiteral("The object 'ELITE' will be overwritten.") + cr + cr +
                         "Press YES to overwrite this object or" + cr +
                         "press NO to skip this object or" + cr +
                         "press CANCEL to stop importing completely."});
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Confirmation);
    QCOMPARE(rig.Prompter.Last().Buttons, TButtons::YesNoCancel);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const auto& catalogue = rig.Main->Card()->Entries();
    QCOMPARE(int(catalogue.size()), objects);
    bool foundSecond = false;
    for (const auto& entry : catalogue) {
        if (brelk::SameName(entry->Name(), "ELITE"))
            QCOMPARE(entry->Size() >= 3000u, replaced); // the fixture's object has 512
        foundSecond = foundSecond || entry->Name() == "OTHER";
    }
    QCOMPARE(foundSecond, secondAdded);
}

// The wait window lets events through once per object: a Delete key, a popup entry and a drop
// arriving then must not change the list that the import walks.
void TestAddFile::nothingChangesTheListWhileImporting() {
    TDialogRig rig;
    QStringList paths;
    for (int i = 0; i < 4; ++i) {
        paths << rig.Path(QStringLiteral("tool%1").arg(i));
        QVERIFY(WriteBytes(paths.last(), std::vector<std::uint8_t>(600, std::uint8_t(i))));
        brelk::AddPendingFile(rig.Main->Pending(), paths.last().toStdString());
    }
    TfrmAddFile& dialog = rig.Show();
    const QString extra = rig.Path("extra");
    QVERIFY(WriteBytes(extra, std::vector<std::uint8_t>(600, 9)));
    int attempts = 0;
    QTimer poke;
    connect(&poke, &QTimer::timeout, &dialog, [&] {
        if (!dialog.IsBusy())
            return;
        ++attempts;
        QVERIFY(!Find<QTableWidget>(dialog, "strnggrdFiles")->isEnabled() &&
                !Find<QPushButton>(dialog, "btbtnCancel")->isEnabled());
        QTest::keyClick(Find<QTableWidget>(dialog, "strnggrdFiles"), Qt::Key_Delete);
        dialog.mnuPopupRemovefileClick();
        dialog.strnggrdFilesKeyUp(Qt::Key_Insert);
        dialog.HandleDroppedFiles({extra});
        dialog.reject();
        QCOMPARE(rig.Main->Pending().size(), 4u);
    });
    poke.start(0);
    Find<QPushButton>(dialog, "btbtnOK")->click();
    poke.stop();
    QVERIFY(attempts > 0);
    QCOMPARE(rig.Main->Card()->Entries().size(), 4u);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY2(rig.Prompter.Questions().isEmpty(), qPrintable(rig.Prompter.Describe()));
}

// The dialog is modal; the wait window's Cancel must still take a click while it works.
void TestAddFile::waitWindowCancelReachesTheImport() {
    TDialogRig rig;
    for (int i = 0; i < 4; ++i) {
        const QString path = rig.Path(QStringLiteral("tool%1").arg(i));
        QVERIFY(WriteBytes(path, std::vector<std::uint8_t>(600, std::uint8_t(i))));
        brelk::AddPendingFile(rig.Main->Pending(), path.toStdString());
    }
    bool clicked = false;
    bool cancelled = false;
    bool lent = false; // the wait window belongs to the dialog while it shows
    WhenDialogReady(rig.Dialog, [&] {
        QTimer* poke = new QTimer(rig.Dialog);
        connect(poke, &QTimer::timeout, rig.Dialog, [&, poke] {
            auto* cancel = Named<QPushButton>(rig.Wait.get(), "btbtnCancel");
            if (!rig.Dialog->IsBusy() || !rig.Wait->isVisible() || clicked)
                return;
            clicked = true;
            poke->stop();
            lent = rig.Wait->parentWidget() == rig.Dialog;
            QTest::mouseClick(cancel, Qt::LeftButton);
            cancelled = rig.Wait->WasCancelled();
        });
        poke->start(0);
        Find<QPushButton>(*rig.Dialog, "btbtnOK")->click();
    });
    QVERIFY(rig.Main->ExecuteAddObjectsDialog());
    QVERIFY(clicked && cancelled && lent);
    QCOMPARE(rig.Wait->parentWidget(), nullptr); // given back afterwards
    QVERIFY(rig.Main->Card()->Entries().size() >= 1u);
    QVERIFY(rig.Main->Card()->Entries().size() <= 2u);
}

void TestAddFile::escapeClosesWithCancel() {
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeTool, 0, "TOOL", 100));
    TfrmAddFile& dialog = rig.Show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(rig.Main->Card()->Entries().empty());
}

void TestAddFile::filesDroppedOnDialog() {
    TDialogRig rig;
    rig.Add(Pending(brelk::kTypeTool, 0, "FIRST", 100));
    const QString spaced = rig.Path("my disc.ssd");
    QVERIFY(WriteBytes(spaced, DiscImage("SPACED", 204800)));
    TfrmAddFile& dialog = rig.Show();
    Find<QLineEdit>(dialog, "edtFilename")
        ->setText(QStringLiteral("KEPT")); // stored before the drop
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"),
                 QUrl::fromLocalFile(spaced).toEncoded() + "\r\nhttp://example.org/x.ssd\r\n");
    QVERIFY(QUrl::fromLocalFile(spaced).toEncoded().contains("%20"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &drop);
    QVERIFY(drop.isAccepted());
    QTRY_COMPARE(rig.Main->Pending().size(), 2u);
    QCOMPARE(rig.Object(0).Entry.Name(), std::string("KEPT"));
    QCOMPARE(rig.Object(1).FileName, spaced.toStdString());
    QCOMPARE(dialog.ShownIndex(), 1);
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->text(), QStringLiteral("SPACED"));
    // Web addresses alone are refused.
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("http://example.org/y.ssd"))});
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &refused);
    QVERIFY(!refused.isAccepted());
}

void TestAddFile::droppedFolderOnEmptyListSelectsLast() {
    TDialogRig rig;
    const QString folder = rig.Path("games");
    QVERIFY(QDir().mkpath(folder + "/sub"));
    QVERIFY(QDir().mkpath(folder + "/.hiddendir"));
    QVERIFY(WriteBytes(folder + "/a.bin", std::vector<std::uint8_t>(10, 1)));
    QVERIFY(WriteBytes(folder + "/sub/b.bin", std::vector<std::uint8_t>(20, 2)));
    QVERIFY(WriteBytes(folder + "/.hidden", std::vector<std::uint8_t>(30, 3)));
    QVERIFY(WriteBytes(folder + "/.hiddendir/c.bin", std::vector<std::uint8_t>(40, 4)));
    TfrmAddFile& dialog = rig.Show();
    dialog.HandleDroppedFiles({folder});
    QCOMPARE(rig.Main->Pending().size(), 2u);
    QStringList names{rig.Cell(0, 2), rig.Cell(1, 2)};
    names.sort();
    QCOMPARE(names, (QStringList{"a.bin", "b.bin"}));
    QCOMPARE(dialog.ShownIndex(), 1);
    QCOMPARE(dialog.SelectedRow(), 1);
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->text(), rig.Cell(1, 2));
    QVERIFY(Find<QPushButton>(dialog, "btbtnOK")->isEnabled());
    QVERIFY2(rig.Prompter.Questions().isEmpty(), qPrintable(rig.Prompter.Describe()));
}

// The real disc and tape images: every .dsd is read as two interleaved sides, gzip-compressed
// tapes are unpacked, and OK puts every analysed object on the card.
void TestAddFile::realImagesDroppedAndImported() {
    const QString corpus = QStringLiteral(BRELK_CORPUS_DIR);
    if (!QFileInfo(corpus).isDir())
        QSKIP("no corpus folder (../shared/corpus)");
    TMainRig rig;
    QVERIFY(rig.UseCard(32u << 20, {}));
    rig.Open();
    TfrmAddFile* dialog = rig.Main->AddObjectsDialog();
    std::size_t analysed = 0;
    int interleaved = 0, dsdFiles = 0, gzipped = 0;
    WhenDialogReady(dialog, [&] {
        dialog->HandleDroppedFiles({corpus + "/dfs", corpus + "/uef"});
        analysed = rig.Main->Pending().size();
        for (const auto& object : rig.Main->Pending()) {
            const bool dsd = QString::fromStdString(object->FileName).endsWith(".dsd");
            dsdFiles += dsd;
            interleaved += dsd && object->ReadAs == brelk::TReadAs::DFSInterleaved;
            gzipped += object->Gzip;
        }
        // Every object has a name (untitled tapes their file's); should one have none, OK
        // would show it and the user would name it.
        for (int i = 0; dialog->isVisible() && i < 100; ++i) {
            if (Find<QLineEdit>(*dialog, "edtFilename")->text().isEmpty())
                Find<QLineEdit>(*dialog, "edtFilename")
                    ->setText(QStringLiteral("UNTITLED%1").arg(i));
            Find<QPushButton>(*dialog, "btbtnOK")->click();
        }
    });
    QVERIFY(rig.Main->ExecuteAddObjectsDialog());
    QVERIFY(analysed >= 20);
    QVERIFY(dsdFiles > 0);
    QCOMPARE(interleaved, dsdFiles);
    QVERIFY(gzipped > 0);
    QCOMPARE(rig.Main->Card()->Entries().size(), analysed);
    for (const auto& entry : rig.Main->Card()->Entries())
        QVERIFY(!entry->Name().empty());
    QVERIFY2(!rig.Prompter.Unexpected(), qPrintable(rig.Prompter.Describe()));
}

// An untitled tape is named after its file, with distributor guessing off as on; OK writes
// it without asking for a name.
void TestAddFile::untitledTapeIsNamedAfterItsFile_data() {
    QTest::addColumn<int>("guess");
    QTest::addColumn<QString>("name");
    QTest::newRow("guessing off") << 0 << "Repton";
    QTest::newRow("guessing on") << 1 << "Superior.Repton";
}

void TestAddFile::untitledTapeIsNamedAfterItsFile() {
    QFETCH(int, guess);
    QFETCH(QString, name);
    TDialogRig rig;
    rig.SetSetting("ImportGuessDistributor", guess);
    rig.Main->UserSettings().ImportGuessDistributor = guess != 0;
    QVERIFY(QDir().mkpath(rig.Path("Superior")));
    const QString tape = rig.Path("Superior/Repton.uef");
    brelktest::TUEFBuilder uef;
    QVERIFY(WriteBytes(tape, uef.NewFile().Block(brelktest::BlockSpec("R", 0, 10, 0x80)).Bytes));
    brelk::AddPendingFile(rig.Main->Pending(), tape.toStdString());
    TfrmAddFile& dialog = rig.Show();
    QCOMPARE(Find<QLineEdit>(dialog, "edtFilename")->text(), name);
    QCOMPARE(rig.Cell(0, 2), name);
    Find<QPushButton>(dialog, "btbtnOK")->click();
    QVERIFY2(rig.Prompter.Questions().isEmpty(), qPrintable(rig.Prompter.Describe()));
    QCOMPARE(rig.Main->Card()->Entries().size(), 1u);
    QCOMPARE(QString::fromStdString(rig.Main->Card()->Entries()[0]->Name()), name);
}

QTEST_MAIN(TestAddFile)
#include "tst_addfile.moc"
