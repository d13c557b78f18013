#include "ui/aux/TitleFit.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>

#include <cmath>

namespace {
// Three frame buttons of about 32 pixels and a margin of 16 on each side.
constexpr int kFrameRoom = 3 * 32 + 2 * 16;
} // namespace

int TitleBarWidth(const QString& title) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 1.2);
    else
        font.setPixelSize(int(std::ceil(font.pixelSize() * 1.2)));
    return QFontMetrics(font).horizontalAdvance(title) + kFrameRoom;
}
