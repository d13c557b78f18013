#include "ui/aux/PleaseWait.h"

#include "ui/aux/CentreOnScreen.h"
#include "ui/aux/TitleFit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {

// Percent limited to 0..100 (NaN gives 0) and rounded to the nearest whole number, halves to
// the even neighbour.
int ShownPercent(float percent) {
    double p = percent;
    if (!(p > 0))
        p = 0;
    else if (!(p < 100))
        p = 100;
    return int(std::nearbyint(p));
}

} // namespace

TfrmWait::TfrmWait(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmWait"));
    setWindowTitle(QStringLiteral("BrelkExplorer - please wait"));
    setModal(false);
    // At least as wide as the title bar needs for the title.
    const int width = std::max(257, TitleBarWidth(windowTitle()));
    setFixedSize(width, 109);

    lblWaitTxt = new QLabel(this);
    lblWaitTxt->setObjectName(QStringLiteral("lblWaitTxt"));
    lblWaitTxt->setGeometry(8, 8, width - 16, 33);
    lblWaitTxt->setAlignment(Qt::AlignCenter);
    lblWaitTxt->setWordWrap(true);

    prgrsWait = new QProgressBar(this);
    prgrsWait->setObjectName(QStringLiteral("prgrsWait"));
    prgrsWait->setGeometry(8, 40, width - 16, 16);
    prgrsWait->setRange(0, 100);
    prgrsWait->setTextVisible(false);

    lblExtrainfo = new QLabel(this);
    lblExtrainfo->setObjectName(QStringLiteral("lblExtrainfo"));
    lblExtrainfo->setGeometry(8, 64, width - 16, 18);

    btbtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btbtnCancel->setObjectName(QStringLiteral("btbtnCancel"));
    btbtnCancel->setGeometry((width - 75) / 2, 85, 75, 20);
    btbtnCancel->setAutoDefault(false);
    connect(btbtnCancel, &QPushButton::clicked, this, &TfrmWait::btbtnCancelClick);
}

void TfrmWait::ShowWaitWindow(const QString& text, bool cancelEnabled, bool progressVisible) {
    lblExtrainfo->clear();
    lblWaitTxt->setText(text);
    prgrsWait->setValue(0);
    Cancelled = false;
    btbtnCancel->setEnabled(cancelEnabled);
    prgrsWait->setVisible(progressVisible);
    if (!isVisible())
        CentreOnScreen(this);
    show();
    repaint();
}

bool TfrmWait::ReportProgress(const QString& extraText, float percent) {
    const bool result = Cancelled;
    if (isVisible()) {
        prgrsWait->setValue(ShownPercent(percent));
        if (!extraText.isEmpty()) {
            lblExtrainfo->setText(extraText);
            lblExtrainfo->repaint();
        }
    }
    QApplication::processEvents();
    return result;
}

void TfrmWait::CloseWaitWindow() {
    lblExtrainfo->clear();
    if (isVisible())
        hide();
}

void TfrmWait::btbtnCancelClick() {
    Cancelled = true;
    btbtnCancel->setEnabled(false);
}

void TfrmWait::closeEvent(QCloseEvent* event) {
    if (event->spontaneous())
        event->ignore();
    else
        QDialog::closeEvent(event);
}
