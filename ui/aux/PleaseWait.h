// TfrmWait: the one progress display of the program, shown while a long operation runs.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class TfrmWait : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmWait(QWidget* parent = nullptr);

    void ShowWaitWindow(const QString& text, bool cancelEnabled, bool progressVisible);
    // Returns whether Cancel had been pressed before this call began; processes pending events.
    bool ReportProgress(const QString& extraText, float percent);
    void CloseWaitWindow();

    bool Cancelled = false;

  private slots:
    void btbtnCancelClick();

  private:
    QLabel* lblWaitTxt;
    QProgressBar* prgrsWait;
    QLabel* lblExtrainfo;
    QPushButton* btbtnCancel;
};
