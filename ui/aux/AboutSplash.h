// TfrmSplash: the picture of an MMC card with the program's name and version, shown while the
// program starts and again, modally, as the about box.
#pragma once

#include <QDialog>

#include <memory>

class QLabel;
class QTimer;
class TShellOpener;

class TfrmSplash : public QDialog {
    Q_OBJECT
  public:
    // Shell opens the homepage (null: the desktop's own). ImgsFolder holds "splash.bmp"
    // (empty: the "imgs" folder beside the executable).
    explicit TfrmSplash(TShellOpener* shell = nullptr, const QString& imgsFolder = QString(),
                        QWidget* parent = nullptr);
    ~TfrmSplash() override;

    // Set by the main window once its start-up has finished; the splash closes only then.
    bool MayClose = false;

    // Closes (hides) the window and stops its timer when MayClose is set; a modal showing
    // ends with it. Does nothing otherwise.
    void CloseThisWindow();
    // Hides the window when it is visible, so that an error box is not covered (the timer and
    // MayClose are left alone).
    void HideIfVisible();

    // The credit line's text, ending with the homepage address.
    static QString CreditLine();

  public slots:
    void tmrCloseFormTimer();
    void imgMMCCardClick();
    void lblNameLine1Click();
    void lblCommentsClick();
    void lblNameLine2Click();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

  private:
    void FormCreate(const QString& imgsFolder);
    void FormShow();
    QLabel* MakeLabel(const char* name, const QRect& place, const QColor& colour);

    TShellOpener* Shell;
    std::unique_ptr<TShellOpener> OwnShell;
    QLabel* imgMMCCard = nullptr;
    QLabel* lblNameLine1 = nullptr;
    QLabel* lblNameLine2 = nullptr;
    QLabel* lblComments = nullptr;
    QTimer* tmrCloseForm = nullptr;
};
