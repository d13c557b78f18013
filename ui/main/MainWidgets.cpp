#include "ui/main/MainWidgets.h"

#include <QMouseEvent>
#include <QPainter>

TUsageImage::TUsageImage(QWidget* parent) : QWidget(parent) {}

void TUsageImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!Image.isNull())
        painter.drawImage(0, 0, Image);
}

void TUsageImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void TUsageImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

TClickPanel::TClickPanel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QFont small = font();
    small.setPixelSize(10);
    setFont(small);
}

void TClickPanel::SetColour(const QColor& colour) {
    FillColour = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, QPalette().color(QPalette::Base));
    setPalette(p);
}

void TClickPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

TObjectTreeWidget::TObjectTreeWidget(QWidget* parent) : QTreeWidget(parent) {}

void TObjectTreeWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        setFocus(Qt::MouseFocusReason);
        return; // the context menu follows; the selection stays as it is
    }
    QTreeWidget::mousePressEvent(event);
}
