#include "ui/aux/AboutSplash.h"

#include "ui/aux/ShellOpener.h"

TfrmSplash::TfrmSplash(TShellOpener* shell, const QString& imgsFolder, QWidget* parent)
    : QDialog(parent), Shell(shell) {
    (void)imgsFolder;
}
TfrmSplash::~TfrmSplash() = default;
void TfrmSplash::CloseThisWindow() {}
void TfrmSplash::HideIfVisible() {}
QString TfrmSplash::CreditLine() {
    return QString();
}
void TfrmSplash::tmrCloseFormTimer() {}
void TfrmSplash::imgMMCCardClick() {}
void TfrmSplash::lblNameLine1Click() {}
void TfrmSplash::lblCommentsClick() {}
void TfrmSplash::lblNameLine2Click() {}
void TfrmSplash::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
}
bool TfrmSplash::eventFilter(QObject* watched, QEvent* event) {
    return QDialog::eventFilter(watched, event);
}
void TfrmSplash::keyPressEvent(QKeyEvent* event) {
    QDialog::keyPressEvent(event);
}
