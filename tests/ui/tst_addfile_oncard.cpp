// The add-objects dialog and files whose objects are on the card already: their rows carry a
// note and start unticked, OK leaves them out, and a tick adds them once more.
#include "tst_main_fixture.h"

#include "support/AddDialogDriver.h"
#include "support/UiTestSupport.h"
#include "ui/addobjects/AddFile.h"
#include "ui/addobjects/AddFileGrid.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

using namespace maintest;

namespace {

bool WriteBytes(const QString& path, const std::vector<std::uint8_t>& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
               qint64(bytes.size());
}

struct TOnCardRig : TMainRig {
    TOnCardRig() {
        Ok = UseCard(k8M, {});
        Open();
        Dialog = Main->AddObjectsDialog();
    }
    void Pend(const QString& path) { brelk::AddPendingFile(Main->Pending(), path.toStdString()); }
    QTableWidgetItem* Item(int row, int column) const {
        return Find<QTableWidget>(*Dialog, "strnggrdFiles")->item(row, column);
    }
    // Shows the dialog over the pending files, runs Action in it and presses OK.
    bool AddWith(const std::function<void()>& action) {
        WhenDialogReady(Dialog, [this, action] {
            action();
            Find<QPushButton>(*Dialog, "btbtnOK")->click();
        });
        const bool accepted = Main->ExecuteAddObjectsDialog();
        Main->pnlCacheStatusClick(); // the commit
        return accepted;
    }
    QStringList Names() const {
        QStringList names = CardNames(CardPath());
        names.sort();
        return names;
    }
    bool Ok = false;
    TfrmAddFile* Dialog = nullptr;
};

} // namespace

class TestAddFileOnCard : public QObject {
    Q_OBJECT
  private slots:
    void objectsOnTheCardStartUnticked();
    void aTickAddsItOnceMore();
};

void TestAddFileOnCard::objectsOnTheCardStartUnticked() {
    TOnCardRig rig;
    QVERIFY(rig.Ok);
    const QString kept = rig.Path("kept.bin");
    const QString changed = rig.Path("changed.bin");
    QVERIFY(WriteBytes(kept, std::vector<std::uint8_t>(3000, 0x22)));
    QVERIFY(WriteBytes(changed, std::vector<std::uint8_t>(900, 0x33)));
    rig.Pend(kept);
    rig.Pend(changed);
    QVERIFY(rig.AddWith([] {}));
    QCOMPARE(rig.Names(), (QStringList{"changed.bin", "kept.bin"}));

    QVERIFY(WriteBytes(changed, std::vector<std::uint8_t>(900, 0x34)));
    rig.Pend(kept);
    rig.Pend(changed);
    QVERIFY(rig.AddWith([&] {
        QCOMPARE(rig.Item(0, kColumnNr)->checkState(), Qt::Unchecked);
        QCOMPARE(rig.Item(0, kColumnName)->text(),
                 QStringLiteral("kept.bin  (already on the card)"));
        QVERIFY(rig.Item(0, kColumnName)->toolTip().contains("already on the card"));
        QCOMPARE(rig.Item(1, kColumnNr)->checkState(), Qt::Checked);
        QCOMPARE(rig.Item(1, kColumnName)->text(), QStringLiteral("changed.bin"));
        // The name box shows the name alone.
        QTableWidget* grid = Find<QTableWidget>(*rig.Dialog, "strnggrdFiles");
        const QRect cell = grid->visualRect(grid->model()->index(0, kColumnName));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(Find<QLineEdit>(*rig.Dialog, "edtFilename")->text(), QStringLiteral("kept.bin"));
    }));
    QCOMPARE(rig.Names(), (QStringList{"changed.bin", "changed.bin", "kept.bin"}));
    QVERIFY2(!rig.Prompter.Unexpected(), qPrintable(rig.Prompter.Describe()));
}

void TestAddFileOnCard::aTickAddsItOnceMore() {
    TOnCardRig rig;
    QVERIFY(rig.Ok);
    const QString tool = rig.Path("tool.bin");
    QVERIFY(WriteBytes(tool, std::vector<std::uint8_t>(700, 0x44)));
    rig.Pend(tool);
    QVERIFY(rig.AddWith([] {}));
    rig.Pend(tool);
    QVERIFY(rig.AddWith([&] {
        QCOMPARE(rig.Item(0, kColumnNr)->checkState(), Qt::Unchecked);
        rig.Item(0, kColumnNr)->setCheckState(Qt::Checked);
    }));
    QCOMPARE(rig.Names(), (QStringList{"tool.bin", "tool.bin"}));
    // Unticked by the user, a new object stays off the card too.
    const QString other = rig.Path("other.bin");
    QVERIFY(WriteBytes(other, std::vector<std::uint8_t>(100, 0x55)));
    rig.Pend(other);
    QVERIFY(rig.AddWith([&] { rig.Item(0, kColumnNr)->setCheckState(Qt::Unchecked); }));
    QCOMPARE(rig.Names(), (QStringList{"tool.bin", "tool.bin"}));
}

QTEST_MAIN(TestAddFileOnCard)
#include "tst_addfile_oncard.moc"
