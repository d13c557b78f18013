// The prompters: the scripted one records and answers from its queues and flags every
// question it was not prepared for; the Qt one shows carriage returns as line breaks, maps
// icons and buttons, and turns "Description|patterns" filters into Qt's form.
#include "support/UiTestSupport.h"
#include "ui/aux/QtPrompter.h"
#include "ui/aux/ScriptedPrompter.h"
#include "ui/aux/TitleFit.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using TAnswer = TPrompter::TAnswer;
using TButtons = TPrompter::TButtons;
using TIcon = TPrompter::TIcon;

Q_DECLARE_METATYPE(TPrompter::TAnswer)
Q_DECLARE_METATYPE(TPrompter::TButtons)
Q_DECLARE_METATYPE(TPrompter::TIcon)

// Runs Act on the modal widget of kind T as soon as one is open (looked for every 10 ms).
template <class T> class TWhenModalOpens {
  public:
    explicit TWhenModalOpens(std::function<void(T*)> act) : Act(std::move(act)) {
        Poll.setInterval(10);
        QObject::connect(&Poll, &QTimer::timeout, [this] {
            if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget())) {
                Poll.stop();
                Act(widget);
            }
        });
        Poll.start();
    }

  private:
    std::function<void(T*)> Act;
    QTimer Poll;
};

class TestPrompter : public QObject {
    Q_OBJECT
  private slots:
    void scriptedAnswersInOrderAndRecords();
    void scriptedOkBoxesUseNoAnswer();
    void scriptedFlagsUnexpectedQuestions_data();
    void scriptedFlagsUnexpectedQuestions();
    void scriptedFileDialogs();
    void scriptedFolderOption();
    void folderDialogShowsItsOption();
    void qtFilter_data();
    void qtFilter();
    void shownTextBreaksLinesAtCarriageReturns();
    void qtMessageBox_data();
    void qtMessageBox();
    void defaultButton_data();
    void defaultButton();
    void saveDialogKeepsTheWholeName();
    void shortMessageBoxShowsItsWholeTitle();
};

void TestPrompter::scriptedAnswersInOrderAndRecords() {
    TScriptedPrompter prompter;
    prompter.QueueAnswer(TAnswer::Yes);
    prompter.QueueAnswer(TAnswer::Cancel);
    QCOMPARE(prompter.Message("Delete?", TIcon::Confirmation, TButtons::YesNo), TAnswer::Yes);
    QCOMPARE(prompter.Message("Overwrite?\rReally", TIcon::Warning, TButtons::YesNoCancel),
             TAnswer::Cancel);
    QCOMPARE(prompter.Messages(), QStringList({"Delete?", "Overwrite?\rReally"}));
    QCOMPARE(prompter.Last().Icon, TIcon::Warning);
    QCOMPARE(prompter.Last().Buttons, TButtons::YesNoCancel);
    QVERIFY(!prompter.Unexpected());
    QVERIFY(prompter.AllAnswersUsed());
}

void TestPrompter::scriptedOkBoxesUseNoAnswer() {
    TScriptedPrompter prompter;
    prompter.QueueAnswer(TAnswer::No);
    QCOMPARE(prompter.Message("Error - x", TIcon::Error, TButtons::OK), TAnswer::OK);
    QVERIFY(!prompter.AllAnswersUsed());
    QCOMPARE(prompter.Message("Sure?", TIcon::Confirmation, TButtons::YesNo), TAnswer::No);
    QVERIFY(prompter.AllAnswersUsed());
    QVERIFY(!prompter.Unexpected());
}

void TestPrompter::scriptedFlagsUnexpectedQuestions_data() {
    QTest::addColumn<bool>("queueSomething");
    QTest::addColumn<TAnswer>("queued");
    QTest::addColumn<TButtons>("buttons");
    QTest::addColumn<TAnswer>("given");
    QTest::newRow("empty queue, Yes/No") << false << TAnswer::Yes << TButtons::YesNo << TAnswer::No;
    QTest::newRow("empty queue, Yes/No/Cancel")
        << false << TAnswer::Yes << TButtons::YesNoCancel << TAnswer::Cancel;
    QTest::newRow("Cancel for a Yes/No box")
        << true << TAnswer::Cancel << TButtons::YesNo << TAnswer::No;
    QTest::newRow("OK for a Yes/No/Cancel box")
        << true << TAnswer::OK << TButtons::YesNoCancel << TAnswer::Cancel;
    QTest::newRow("empty queue, Yes/Cancel")
        << false << TAnswer::Yes << TButtons::YesCancel << TAnswer::Cancel;
    QTest::newRow("No for a Yes/Cancel box")
        << true << TAnswer::No << TButtons::YesCancel << TAnswer::Cancel;
    QTest::newRow("empty queue, Retry/Discard/Cancel")
        << false << TAnswer::Yes << TButtons::RetryDiscardCancel << TAnswer::Cancel;
    QTest::newRow("Yes for a Retry/Discard/Cancel box")
        << true << TAnswer::Yes << TButtons::RetryDiscardCancel << TAnswer::Cancel;
    QTest::newRow("Retry for a Yes/No/Cancel box")
        << true << TAnswer::Retry << TButtons::YesNoCancel << TAnswer::Cancel;
}

void TestPrompter::scriptedFlagsUnexpectedQuestions() {
    QFETCH(bool, queueSomething);
    QFETCH(TAnswer, queued);
    QFETCH(TButtons, buttons);
    QFETCH(TAnswer, given);
    TScriptedPrompter prompter;
    if (queueSomething)
        prompter.QueueAnswer(queued);
    QTest::ignoreMessage(QtWarningMsg, "TScriptedPrompter: unexpected question: Message Question");
    QCOMPARE(prompter.Message("Question", TIcon::Confirmation, buttons), given);
    QVERIFY(prompter.Unexpected());
    QVERIFY(prompter.Last().Unexpected);
    QVERIFY(prompter.Describe().contains(QStringLiteral("UNEXPECTED Message: \"Question\"")));
    prompter.Clear();
    QVERIFY(!prompter.Unexpected());
}

void TestPrompter::scriptedFileDialogs() {
    TScriptedPrompter prompter;
    prompter.QueueFiles({"/a/1.ssd", "/a/2.ssd"});
    prompter.QueueFile("/b/out.img");
    prompter.QueueSelectedFilter("Disc images (*.dsd)");
    prompter.QueueFile("/c");
    QCOMPARE(prompter.OpenFiles("Add", "Any (*.*)|*.*", "/a"),
             QStringList({"/a/1.ssd", "/a/2.ssd"}));
    QString chosen;
    QCOMPARE(prompter.SaveFile("Save", "Disc images (*.ssd)|*.ssd", "out.img", &chosen),
             QStringLiteral("/b/out.img"));
    QCOMPARE(chosen, QStringLiteral("Disc images (*.dsd)"));
    QCOMPARE(prompter.PickFolder("Backup to", "/home"), QStringLiteral("/c"));
    QCOMPARE(prompter.Questions().size(), 3);
    QCOMPARE(prompter.Questions()[1].Kind, TScriptedPrompter::TKind::SaveFile);
    QCOMPARE(prompter.Questions()[1].Filter, QStringLiteral("Disc images (*.ssd)|*.ssd"));
    QCOMPARE(prompter.Questions()[1].Folder, QStringLiteral("out.img"));
    QVERIFY(!prompter.Unexpected());
    // No file queued: cancelled, and flagged.
    QTest::ignoreMessage(QtWarningMsg, "TScriptedPrompter: unexpected question: OpenFile Emulator");
    QVERIFY(prompter.OpenFile("Emulator", QString(), QString()).isEmpty());
    QVERIFY(prompter.Unexpected());
    QVERIFY(prompter.Messages().isEmpty());
}

void TestPrompter::qtFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("qt");
    QTest::newRow("emulator")
        << "Executables (*.exe,*.com,*.bat)|*.exe;*.com;*.bat|All files (*.*)|*.*"
        << "Executables (*.exe *.com *.bat);;All files (*)";
    QTest::newRow("no pattern in the description") << "Disc images|*.ssd;*.dsd"
                                                   << "Disc images (*.ssd *.dsd)";
    QTest::newRow("already Qt's form") << "Images (*.img)"
                                       << "Images (*.img)";
    QTest::newRow("odd count ignores the tail") << "Index (*.bbi)|*.bbi|Stray"
                                                << "Index (*.bbi)";
}

void TestPrompter::qtFilter() {
    QFETCH(QString, filter);
    QFETCH(QString, qt);
    QCOMPARE(TQtPrompter::QtFilter(filter), qt);
    const QString first = qt.section(QStringLiteral(";;"), 0, 0);
    if (filter.contains(QLatin1Char('|')))
        QCOMPARE(TQtPrompter::DescriptionFor(filter, first), filter.section('|', 0, 0));
}

void TestPrompter::shownTextBreaksLinesAtCarriageReturns() {
    QCOMPARE(TQtPrompter::ShownText("one\rtwo\r\nthree\nfour"),
             QStringLiteral("one\ntwo\nthree\nfour"));
}

void TestPrompter::qtMessageBox_data() {
    QTest::addColumn<TIcon>("icon");
    QTest::addColumn<TButtons>("buttons");
    QTest::addColumn<int>("press");
    QTest::addColumn<TAnswer>("answer");
    QTest::addColumn<int>("shownIcon");
    QTest::newRow("error OK") << TIcon::Error << TButtons::OK << int(QMessageBox::Ok) << TAnswer::OK
                              << int(QMessageBox::Critical);
    QTest::newRow("confirm No") << TIcon::Confirmation << TButtons::YesNo << int(QMessageBox::No)
                                << TAnswer::No << int(QMessageBox::Question);
    QTest::newRow("warning Cancel")
        << TIcon::Warning << TButtons::YesNoCancel << int(QMessageBox::Cancel) << TAnswer::Cancel
        << int(QMessageBox::Warning);
    QTest::newRow("information Yes")
        << TIcon::Information << TButtons::YesNoCancel << int(QMessageBox::Yes) << TAnswer::Yes
        << int(QMessageBox::Information);
    QTest::newRow("confirm Yes of Yes/Cancel")
        << TIcon::Confirmation << TButtons::YesCancel << int(QMessageBox::Yes) << TAnswer::Yes
        << int(QMessageBox::Question);
    QTest::newRow("confirm Cancel of Yes/Cancel")
        << TIcon::Confirmation << TButtons::YesCancel << int(QMessageBox::Cancel) << TAnswer::Cancel
        << int(QMessageBox::Question);
    for (const auto& [press, answer] : {std::pair{QMessageBox::Retry, TAnswer::Retry},
                                        {QMessageBox::Discard, TAnswer::Discard},
                                        {QMessageBox::Cancel, TAnswer::Cancel}})
        QTest::addRow("warning %d of Retry/Discard/Cancel", int(answer))
            << TIcon::Warning << TButtons::RetryDiscardCancel << int(press) << answer
            << int(QMessageBox::Warning);
}

// The real box, answered by pressing one of its buttons once it is open.
void TestPrompter::qtMessageBox() {
    QFETCH(TIcon, icon);
    QFETCH(TButtons, buttons);
    QFETCH(int, press);
    QFETCH(TAnswer, answer);
    QFETCH(int, shownIcon);
    TQtPrompter prompter;
    QString text;
    int iconSeen = -1;
    int buttonCount = 0;
    const TWhenModalOpens<QMessageBox> answerIt([&](QMessageBox* box) {
        text = box->text();
        iconSeen = box->icon();
        buttonCount = box->buttons().size();
        box->button(QMessageBox::StandardButton(press))->click();
    });
    QCOMPARE(prompter.Message("Line one\rLine two", icon, buttons), answer);
    QCOMPARE(text, QStringLiteral("Line one\nLine two"));
    QCOMPARE(iconSeen, shownIcon);
    const bool three = buttons == TButtons::YesNoCancel || buttons == TButtons::RetryDiscardCancel;
    QCOMPARE(buttonCount, buttons == TButtons::OK ? 1 : three ? 3 : 2);
}

void TestPrompter::defaultButton_data() {
    QTest::addColumn<TButtons>("buttons");
    QTest::addColumn<TAnswer>("asked");
    QTest::addColumn<TAnswer>("recorded");
    QTest::addColumn<int>("enter");
    QTest::newRow("OK") << TButtons::OK << TAnswer::Yes << TAnswer::OK << int(QMessageBox::Ok);
    QTest::newRow("OK, No asked") << TButtons::OK << TAnswer::No << TAnswer::OK
                                  << int(QMessageBox::Ok);
    QTest::newRow("Yes/No") << TButtons::YesNo << TAnswer::Yes << TAnswer::Yes
                            << int(QMessageBox::Yes);
    QTest::newRow("Yes/No, No") << TButtons::YesNo << TAnswer::No << TAnswer::No
                                << int(QMessageBox::No);
    QTest::newRow("Yes/No/Cancel, No")
        << TButtons::YesNoCancel << TAnswer::No << TAnswer::No << int(QMessageBox::No);
    QTest::newRow("Retry/Discard/Cancel") << TButtons::RetryDiscardCancel << TAnswer::Yes
                                          << TAnswer::Retry << int(QMessageBox::Retry);
    QTest::newRow("Retry/Discard/Cancel, Cancel") << TButtons::RetryDiscardCancel << TAnswer::Cancel
                                                  << TAnswer::Cancel << int(QMessageBox::Cancel);
    QTest::newRow("Retry/Discard/Cancel, No asked")
        << TButtons::RetryDiscardCancel << TAnswer::No << TAnswer::Retry << int(QMessageBox::Retry);
}

// The button that Enter presses: the real box's default button, and what the scripted
// prompter records for the tests of the questions.
void TestPrompter::defaultButton() {
    QFETCH(TButtons, buttons);
    QFETCH(TAnswer, asked);
    QFETCH(TAnswer, recorded);
    QFETCH(int, enter);
    TScriptedPrompter scripted;
    if (buttons != TButtons::OK)
        scripted.QueueAnswer(buttons == TButtons::RetryDiscardCancel ? TAnswer::Cancel
                                                                     : TAnswer::No);
    scripted.Message("Sure?", TIcon::Confirmation, buttons, asked);
    QCOMPARE(scripted.Last().Default, recorded);

    TQtPrompter prompter;
    int defaultSeen = -1;
    const TWhenModalOpens<QMessageBox> pressEnter([&](QMessageBox* box) {
        defaultSeen = box->standardButton(box->defaultButton());
        QTest::keyClick(box, Qt::Key_Return); // Enter answers with the default button
    });
    const TAnswer answer = prompter.Message("Sure?", TIcon::Confirmation, buttons, asked);
    QCOMPARE(defaultSeen, enter);
    QCOMPARE(answer, recorded);
}

// The real save dialog with a filter entry preselected shows the proposed name whole (Qt's
// dialog would put the filter's extension in place of the name's last dotted part), and
// reports the path and the filter entry it was accepted with.
void TestPrompter::saveDialogKeepsTheWholeName() {
    const QString filter =
        "Objects (*.bin)|*.BIN|DFS singlesided (*.ssd)|*.SSD|All files (*.*)|*.*";
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString typed = dir.filePath("typed.ssd");
    QString shownName, shownFilter;
    const TWhenModalOpens<QFileDialog> answerIt([&](QFileDialog* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        shownName = edit ? edit->text() : QString("(no name field)");
        shownFilter = dialog->selectedNameFilter();
        if (edit)
            edit->setText(typed);
        static_cast<QDialog*>(dialog)->accept(); // the file dialog checks the name first
    });
    TQtPrompter prompter;
    QString chosen = "DFS singlesided (*.ssd)";
    const QString path = prompter.SaveFile("Save Discimage GAMES.WELCOME as...", filter,
                                           "GAMES.WELCOME.ssd", &chosen);
    QCOMPARE(shownName, QStringLiteral("GAMES.WELCOME.ssd"));
    QCOMPARE(shownFilter, QStringLiteral("DFS singlesided (*.SSD)"));
    QCOMPARE(path, typed);
    QCOMPARE(chosen, QStringLiteral("DFS singlesided (*.ssd)"));
}

// The check box of a folder dialog: offered state recorded, the queued state given back
// only when a folder was chosen, and the box as offered when nothing is queued.
void TestPrompter::scriptedFolderOption() {
    TScriptedPrompter prompter;
    prompter.QueueFile("/out");
    prompter.QueueOption(false);
    prompter.QueueFile(QString());
    prompter.QueueFile("/again");
    TPrompter::TFolderOption option{"with .inf files", true};
    QCOMPARE(prompter.PickFolder("Extract files to", QString(), &option), QStringLiteral("/out"));
    QCOMPARE(prompter.Last().Option, QStringLiteral("with .inf files"));
    QVERIFY(prompter.Last().OptionChecked);
    QVERIFY(!option.Checked);
    QVERIFY(prompter.PickFolder("Extract files to", QString(), &option).isEmpty());
    QVERIFY(!prompter.Last().OptionChecked);
    QCOMPARE(prompter.PickFolder("Extract files to", QString(), &option), QStringLiteral("/again"));
    QVERIFY(!option.Checked);
    QVERIFY(!prompter.Unexpected() && prompter.AllAnswersUsed());
}

// The Qt folder dialog carries the option as a check box, and the user's click comes back.
void TestPrompter::folderDialogShowsItsOption() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString shownText;
    bool shownChecked = false;
    const TWhenModalOpens<QFileDialog> answerIt([&](QFileDialog* dialog) {
        auto* box = dialog->findChild<QCheckBox*>("chkbxFolderOption");
        if (box) {
            shownText = box->text();
            shownChecked = box->isChecked();
            box->click();
        }
        dialog->setDirectory(dir.path());
        dialog->selectFile(dir.path());
        static_cast<QDialog*>(dialog)->accept();
    });
    TQtPrompter prompter;
    TPrompter::TFolderOption option{"with .inf files", true};
    const QString folder = prompter.PickFolder("Extract files to", dir.path(), &option);
    QCOMPARE(shownText, QStringLiteral("with .inf files"));
    QVERIFY(shownChecked);
    QCOMPARE(QDir(folder).canonicalPath(), QDir(dir.path()).canonicalPath());
    QVERIFY(!option.Checked);
}

// A box with a short text is still as wide as its title needs in the title bar.
void TestPrompter::shortMessageBoxShowsItsWholeTitle() {
    TQtPrompter prompter;
    int width = 0;
    QString title;
    const TWhenModalOpens<QMessageBox> answerIt([&](QMessageBox* box) {
        width = box->width();
        title = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    prompter.Message("Done.", TIcon::Information, TButtons::OK);
    QCOMPARE(title, QStringLiteral("BrelkExplorer"));
    QVERIFY2(width >= TitleBarWidth(title),
             qPrintable(QStringLiteral("%1 < %2").arg(width).arg(TitleBarWidth(title))));
}

QTEST_MAIN(TestPrompter)
#include "tst_prompter.moc"
