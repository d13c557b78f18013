// Where the pictures are found: beside the executable when it runs from its build, otherwise
// in the installed data folder.
#include "ui/aux/DataFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestDataFolder : public QObject {
    Q_OBJECT
  private slots:
    void folderWithImgs_data();
    void folderWithImgs();
};

void TestDataFolder::folderWithImgs_data() {
    QTest::addColumn<bool>("besideExecutable");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("build folder") << true << true << "bin/";
    QTest::newRow("installed program") << false << true << "share/brelkexplorer/";
    QTest::newRow("neither: the executable's") << false << false << "bin/";
}

void TestDataFolder::folderWithImgs() {
    QFETCH(bool, besideExecutable);
    QFETCH(bool, installed);
    QFETCH(QString, chosen);
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("bin"));
    const QString share = root.filePath(QStringLiteral("share/brelkexplorer"));
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(QDir().mkpath(share));
    if (besideExecutable)
        QVERIFY(QDir().mkpath(bin + QStringLiteral("/imgs")));
    if (installed)
        QVERIFY(QDir().mkpath(share + QStringLiteral("/imgs")));
    QCOMPARE(FolderWithImgs(bin, share), root.filePath(chosen));
    // A trailing "/" on the folders changes nothing.
    QCOMPARE(FolderWithImgs(bin + QLatin1Char('/'), share + QLatin1Char('/')),
             root.filePath(chosen));
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
