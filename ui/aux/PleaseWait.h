// TfrmWait: the one progress display of the program, shown (not modally) while a long operation
// runs. Controls: lblWaitTxt, prgrsWait, lblExtrainfo, btbtnCancel.
#pragma once

#include <QDialog>

class QCloseEvent;
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
    // Whether Cancel was pressed since the window was last shown.
    bool WasCancelled() const { return Cancelled; }

  protected:
    // The user cannot close the window (no close box, Esc and the window manager's close are
    // ignored); CloseWaitWindow hides it.
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}

  private slots:
    void btbtnCancelClick();

  private:
    bool Cancelled = false;
    QLabel* lblWaitTxt;
    QProgressBar* prgrsWait;
    QLabel* lblExtrainfo;
    QPushButton* btbtnCancel;
};
