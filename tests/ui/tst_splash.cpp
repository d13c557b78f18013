// The splash and about window: picture and lines, MayClose and the timer, clicks, the
// homepage link, the modal about box, hiding for an error box.
#include "support/UiTestSupport.h"
#include "ui/aux/AboutSplash.h"
#include "ui/aux/ProgramInfo.h"
#include "ui/aux/ShellOpener.h"

#include <QBitmap>
#include <QLabel>
#include <QTest>
#include <QTimer>

class TestSplash : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void pictureAndWindow();
    void linesAfterShowing();
    void clicksDoNothingBeforeStartUpHasFinished();
    void timerClosesOnceMayCloseIsSet();
    void clickClosesOnceMayCloseIsSet_data();
    void clickClosesOnceMayCloseIsSet();
    void homepageClickOpensTheAddress();
    void linkFromCaption_data();
    void linkFromCaption();
    void aboutBoxIsModalAndStaysUntilClicked();
    void hideIfVisibleLeavesTheRulesAlone();
    void missingPictureStillGivesTheWindow();

  private:
    TTempSettings* Store = nullptr;
    TRecordingShellOpener* Shell = nullptr;
    TfrmSplash* Splash = nullptr;
    QTimer* Timer() const { return Named<QTimer>(Splash, "tmrCloseForm"); }
    QLabel* Label(const char* name) const { return Named<QLabel>(Splash, name); }
};

void TestSplash::init() {
    Store = new TTempSettings;
    Shell = new TRecordingShellOpener;
    Splash = new TfrmSplash(Shell, QStringLiteral(BRELK_IMGS_DIR));
}

void TestSplash::cleanup() {
    delete Splash;
    delete Shell;
    delete Store;
}

void TestSplash::pictureAndWindow() {
    QVERIFY(!Splash->MayClose);
    QVERIFY(Timer()->isActive());
    QCOMPARE(Timer()->interval(), 2000);
    QVERIFY(Splash->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(Splash->windowFlags() & Qt::WindowStaysOnTopHint);
    QLabel* picture = Label("imgMMCCard");
    QCOMPARE(picture->pixmap().size(), QSize(358, 480));
    QCOMPARE(Splash->size(), QSize(358, 480));
    // White is see-through: the corner outside the card is masked off, the card is not.
    const QRegion mask = Splash->mask();
    QVERIFY(!mask.contains(QPoint(0, 0)));
    QVERIFY(!mask.contains(QPoint(356, 2)));
    QVERIFY(mask.contains(QPoint(179, 240)));
    QVERIFY(mask.contains(QPoint(179, 440)));
    QCOMPARE(Label("lblNameLine1")->geometry(), QRect(24, 424, 313, 13));
    QCOMPARE(Label("lblNameLine2")->geometry(), QRect(24, 440, 313, 13));
    QCOMPARE(Label("lblComments")->geometry(), QRect(24, 328, 313, 90));
    QCOMPARE(Label("lblNameLine2")->cursor().shape(), Qt::PointingHandCursor);
}

void TestSplash::linesAfterShowing() {
    Label("lblComments")->setText(QStringLiteral("left over"));
    Splash->show();
    QCOMPARE(Label("lblNameLine1")->text(), QStringLiteral("BrelkExplorer " BRELK_FILE_VERSION));
    QCOMPARE(ProgramVersionText(), QStringLiteral(BRELK_FILE_VERSION));
    QVERIFY(HomepageAddress().startsWith(QStringLiteral("http://")));
    QVERIFY(Label("lblNameLine2")->text().endsWith(HomepageAddress()));
    QVERIFY(Label("lblComments")->text().isEmpty());
}

void TestSplash::clicksDoNothingBeforeStartUpHasFinished() {
    Splash->show();
    for (const char* name : {"imgMMCCard", "lblNameLine1", "lblComments"})
        QTest::mouseClick(Label(name), Qt::LeftButton);
    Splash->tmrCloseFormTimer();
    QTest::keyClick(Splash, Qt::Key_Escape);
    QVERIFY(Splash->isVisible());
    QVERIFY(Timer()->isActive());
    Splash->CloseThisWindow();
    QVERIFY(Splash->isVisible());
}

void TestSplash::timerClosesOnceMayCloseIsSet() {
    Splash->show();
    Splash->MayClose = true;
    QTRY_VERIFY_WITH_TIMEOUT(!Splash->isVisible(), 5000); // the real 2-second timer
    QVERIFY(!Timer()->isActive());
}

void TestSplash::clickClosesOnceMayCloseIsSet_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("picture") << "imgMMCCard";
    QTest::newRow("name line") << "lblNameLine1";
    QTest::newRow("comments") << "lblComments";
}

void TestSplash::clickClosesOnceMayCloseIsSet() {
    QFETCH(QString, name);
    Splash->show();
    Splash->MayClose = true;
    QTest::mouseClick(Label(name.toLatin1().constData()), Qt::LeftButton);
    QVERIFY(!Splash->isVisible());
    QVERIFY(!Timer()->isActive());
}

void TestSplash::homepageClickOpensTheAddress() {
    Splash->show();
    QTest::mouseClick(Label("lblNameLine2"), Qt::LeftButton);
    QCOMPARE(Shell->Opened, QStringList{HomepageAddress()});
    QVERIFY(Splash->isVisible());
    Splash->MayClose = true;
    Shell->Result = false; // a failing browser changes nothing either
    QTest::mouseClick(Label("lblNameLine2"), Qt::LeftButton);
    QCOMPARE(Shell->Opened.size(), 2);
    QVERIFY(Splash->isVisible());
}

void TestSplash::linkFromCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("link");
    const QString longAddress = QStringLiteral("http://") + QString(120, QLatin1Char('a'));
    QTest::newRow("credit line") << "by Halde - http://x.example/b/"
                                 << "http://x.example/b/";
    QTest::newRow("first of two") << "http://a.example/ or http://b.example/"
                                  << "http://a.example/ or http://b.example/";
    QTest::newRow("none") << "no address here"
                          << "";
    QTest::newRow("https is not looked for") << "see https://x.example/"
                                             << "";
    QTest::newRow("at most 100 characters") << "go " + longAddress << longAddress.left(100);
}

void TestSplash::linkFromCaption() {
    QFETCH(QString, caption);
    QFETCH(QString, link);
    QCOMPARE(LinkFromCaption(caption), link);
}

// Shown again later as the about box: the timer does not run again, and only a click ends it.
void TestSplash::aboutBoxIsModalAndStaysUntilClicked() {
    Splash->show();
    Splash->MayClose = true;
    Splash->CloseThisWindow();
    QVERIFY(!Splash->isVisible());

    bool stillOpenAfterWaiting = false;
    QTimer::singleShot(2600, Splash, [this, &stillOpenAfterWaiting] {
        stillOpenAfterWaiting = Splash->isVisible() && !Timer()->isActive();
        QTest::mouseClick(Label("imgMMCCard"), Qt::LeftButton);
    });
    QTimer::singleShot(8000, Splash, [this] { Splash->done(-1); }); // a failing test must end
    const int result = Splash->exec();
    QCOMPARE(result, int(QDialog::Accepted));
    QVERIFY(stillOpenAfterWaiting);
    QVERIFY(!Splash->isVisible());
}

void TestSplash::hideIfVisibleLeavesTheRulesAlone() {
    Splash->HideIfVisible(); // not shown: nothing happens
    QVERIFY(!Splash->isVisible());
    Splash->show();
    Splash->HideIfVisible();
    QVERIFY(!Splash->isVisible());
    QVERIFY(Timer()->isActive());
    QVERIFY(!Splash->MayClose);
}

void TestSplash::missingPictureStillGivesTheWindow() {
    TfrmSplash bare(Shell, Store->Folder());
    QCOMPARE(bare.size(), QSize(358, 480));
    bare.show();
    QVERIFY(
        Named<QLabel>(&bare, "lblNameLine1")->text().startsWith(QStringLiteral("BrelkExplorer ")));
}

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
