// The wait window: showing resets it, progress is limited and rounded halves to even, Cancel
// is seen one report later, a hidden window still processes events, closing hides it.
#include "support/UiTestSupport.h"
#include "ui/aux/PleaseWait.h"
#include "ui/aux/ProgramInfo.h"
#include "ui/aux/TitleFit.h"

#include <QApplication>
#include <QFontMetrics>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <limits>

class TestWait : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void windowTitleSizeAndControls();
    void captionIsShownAsSet();
    void titleAndTextsFit();
    void showResetsEverything();
    void progressIsLimitedAndRounded_data();
    void progressIsLimitedAndRounded();
    void emptyExtraTextKeepsTheLine();
    void cancelIsSeenOneReportLater();
    void cancelDisabledNeverCancels();
    void hiddenWindowReportChangesNothingButProcessesEvents();
    void closeHidesAndClears();
    void userCannotCloseIt();

  private:
    TTempSettings* Store = nullptr;
    TfrmWait* Wait = nullptr;
    QProgressBar* Bar() const { return Named<QProgressBar>(Wait, "prgrsWait"); }
    QLabel* Extra() const { return Named<QLabel>(Wait, "lblExtrainfo"); }
    QPushButton* Cancel() const { return Named<QPushButton>(Wait, "btbtnCancel"); }
};

void TestWait::init() {
    Store = new TTempSettings;
    Wait = new TfrmWait;
}

void TestWait::cleanup() {
    delete Wait;
    delete Store;
}

void TestWait::windowTitleSizeAndControls() {
    QCOMPARE(Wait->windowTitle(), QStringLiteral("BrelkExplorer - please wait"));
    QCOMPARE(Wait->height(), 109);
    QVERIFY(Wait->width() >= 257);
    QVERIFY(Wait->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(Wait->windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(Cancel()->text(), QStringLiteral("Cancel"));
    QCOMPARE(Bar()->minimum(), 0);
    QCOMPARE(Bar()->maximum(), 100);
    QVERIFY(Named<QLabel>(Wait, "lblWaitTxt"));
    QVERIFY(!Wait->isVisible());
}

// The program gives Qt no display name to append (" — BrelkExplorer"), so the caption is
// shown as set, and it fits the window's width with room for the frame's margins.
void TestWait::captionIsShownAsSet() {
    SetProgramIdentity();
    QCOMPARE(QGuiApplication::applicationName(), QStringLiteral("BrelkExplorer"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QString());
    const QFontMetrics metrics(QApplication::font());
    QVERIFY(metrics.horizontalAdvance(Wait->windowTitle()) + 2 * 24 <= Wait->width());
}

// The title bar shows the whole title, and the controls span the window centred.
void TestWait::titleAndTextsFit() {
    TfrmWait wait;
    QVERIFY(wait.width() >= TitleBarWidth(wait.windowTitle()));
    for (const char* name : {"lblWaitTxt", "prgrsWait", "lblExtrainfo"}) {
        const QWidget* control = Named<QWidget>(&wait, name);
        QCOMPARE(control->geometry().left(), 8);
        QCOMPARE(control->geometry().right(), wait.width() - 9);
    }
    const QRect button = Named<QWidget>(&wait, "btbtnCancel")->geometry();
    QVERIFY(qAbs(button.center().x() - wait.rect().center().x()) <= 1);
}

void TestWait::showResetsEverything() {
    Wait->ShowWaitWindow(QStringLiteral("First"), true, true);
    Wait->ReportProgress(QStringLiteral("object 1"), 70);
    Cancel()->click();
    QVERIFY(Wait->WasCancelled());

    Wait->ShowWaitWindow(QStringLiteral("Saving objects..."), false, false);
    QVERIFY(Wait->isVisible());
    QVERIFY(!Wait->isModal());
    QCOMPARE(Named<QLabel>(Wait, "lblWaitTxt")->text(), QStringLiteral("Saving objects..."));
    QVERIFY(Extra()->text().isEmpty());
    QCOMPARE(Bar()->value(), 0);
    QVERIFY(!Wait->WasCancelled());
    QVERIFY(!Cancel()->isEnabled());
    QVERIFY(Cancel()->isVisible()); // always shown, only disabled
    QVERIFY(!Bar()->isVisible());

    Wait->ShowWaitWindow(QStringLiteral("Again"), true, true);
    QVERIFY(Cancel()->isEnabled());
    QVERIFY(Bar()->isVisible());
}

void TestWait::progressIsLimitedAndRounded_data() {
    QTest::addColumn<float>("percent");
    QTest::addColumn<int>("shown");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("150") << 150.0f << 100;
    QTest::newRow("100") << 100.0f << 100;
    QTest::newRow("-5") << -5.0f << 0;
    QTest::newRow("0") << 0.0f << 0;
    QTest::newRow("42.5 to even below") << 42.5f << 42;
    QTest::newRow("43.5 to even above") << 43.5f << 44;
    QTest::newRow("0.5") << 0.5f << 0;
    QTest::newRow("99.5") << 99.5f << 100;
    QTest::newRow("42.51") << 42.51f << 43;
    QTest::newRow("NaN") << nan << 0;
    QTest::newRow("infinity") << inf << 100;
    QTest::newRow("minus infinity") << -inf << 0;
}

void TestWait::progressIsLimitedAndRounded() {
    QFETCH(float, percent);
    QFETCH(int, shown);
    Wait->ShowWaitWindow(QStringLiteral("Working"), true, true);
    Wait->ReportProgress(QString(), 57); // a different value first
    QCOMPARE(Bar()->value(), 57);
    QVERIFY(!Wait->ReportProgress(QString(), percent));
    QCOMPARE(Bar()->value(), shown);
}

void TestWait::emptyExtraTextKeepsTheLine() {
    Wait->ShowWaitWindow(QStringLiteral("Working"), true, true);
    Wait->ReportProgress(QStringLiteral("ELITE"), 10);
    QCOMPARE(Extra()->text(), QStringLiteral("ELITE"));
    Wait->ReportProgress(QString(), 20);
    QCOMPARE(Extra()->text(), QStringLiteral("ELITE"));
    Wait->ReportProgress(QStringLiteral("CHUCKIE"), 30);
    QCOMPARE(Extra()->text(), QStringLiteral("CHUCKIE"));
}

// A press that arrives while one report processes events is returned by the next report.
void TestWait::cancelIsSeenOneReportLater() {
    Wait->ShowWaitWindow(QStringLiteral("Working"), true, true);
    QVERIFY(!Wait->ReportProgress(QStringLiteral("1"), 10));
    QMetaObject::invokeMethod(Cancel(), "click", Qt::QueuedConnection);
    QVERIFY(!Wait->ReportProgress(QStringLiteral("2"), 20)); // the press happens in here
    QVERIFY(Wait->WasCancelled());
    QVERIFY(!Cancel()->isEnabled()); // once per showing
    QVERIFY(Wait->ReportProgress(QStringLiteral("3"), 30));
    QVERIFY(Wait->ReportProgress(QStringLiteral("4"), 40));

    // A real mouse press between reports is returned by the very next one.
    Wait->ShowWaitWindow(QStringLiteral("Working"), true, true);
    QVERIFY(!Wait->ReportProgress(QString(), 0));
    QTest::mouseClick(Cancel(), Qt::LeftButton);
    QVERIFY(Wait->ReportProgress(QString(), 1));
}

void TestWait::cancelDisabledNeverCancels() {
    Wait->ShowWaitWindow(QStringLiteral("Flushing cache..."), false, true);
    QTest::mouseClick(Cancel(), Qt::LeftButton);
    QMetaObject::invokeMethod(Cancel(), "click", Qt::QueuedConnection);
    QVERIFY(!Wait->ReportProgress(QString(), 50));
    QVERIFY(!Wait->ReportProgress(QString(), 100));
    QVERIFY(!Wait->WasCancelled());
}

void TestWait::hiddenWindowReportChangesNothingButProcessesEvents() {
    Wait->ShowWaitWindow(QStringLiteral("Working"), true, true);
    Wait->ReportProgress(QStringLiteral("kept"), 30);
    Wait->hide();
    bool processed = false;
    QMetaObject::invokeMethod(
        this, [&processed] { processed = true; }, Qt::QueuedConnection);
    QVERIFY(!Wait->ReportProgress(QStringLiteral("new"), 90));
    QVERIFY(processed);
    QCOMPARE(Bar()->value(), 30);
    QCOMPARE(Extra()->text(), QStringLiteral("kept"));
    QVERIFY(!Wait->isVisible());
    Cancel()->click(); // pressed before this report
    QVERIFY(Wait->ReportProgress(QString(), 10));
}

void TestWait::closeHidesAndClears() {
    Wait->ShowWaitWindow(QStringLiteral("Working"), true, true);
    Wait->ReportProgress(QStringLiteral("object"), 30);
    Wait->CloseWaitWindow();
    QVERIFY(!Wait->isVisible());
    QVERIFY(Extra()->text().isEmpty());
    Wait->CloseWaitWindow(); // closing a hidden window is harmless
    QVERIFY(!Wait->isVisible());
}

void TestWait::userCannotCloseIt() {
    Wait->ShowWaitWindow(QStringLiteral("Working"), true, true);
    QTest::keyClick(Wait, Qt::Key_Escape);
    QVERIFY(Wait->isVisible());
    QVERIFY(!Wait->WasCancelled()); // Esc is not Cancel
}

QTEST_MAIN(TestWait)
#include "tst_wait.moc"
