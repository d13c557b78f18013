#include "ui/main/UsageBarPainter.h"

#include <QLocale>
#include <QPainter>

#include <cmath>

long long RoundHalfEven(double value) {
    return std::llrint(value);
}

QString UsageHint(std::uint64_t usedBytes, std::uint32_t cardSize) {
    if (cardSize == 0)
        return QString();
    const double percent = double(usedBytes) / double(cardSize) * 100.0;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(percent, 'f', 3) + QStringLiteral("% of MMC used");
}

namespace {

// Fills the columns [Left, Right) and rows [Top, Bottom), clipped to the image.
void FillSpan(QPainter& painter, long long left, long long right, int top, int bottom,
              const QColor& colour) {
    const long long width = painter.device()->width();
    left = std::max(left, 0LL);
    right = std::min(right, width);
    if (left >= right || top >= bottom)
        return;
    painter.fillRect(QRect(int(left), top, int(right - left), bottom - top), colour);
}

void PaintNormalView(QPainter& painter, const TUsageBarState& state, const TUsageBarColours& c) {
    const int width = painter.device()->width();
    const int height = painter.device()->height();
    long long used = 0;
    if (state.CardSize != 0)
        used = RoundHalfEven(double(state.UsedBytes) / double(state.CardSize) * width);
    FillSpan(painter, 0, std::max(used, 1LL), 0, height, c.Used);
}

// The zoomed view works on card addresses in 64 bits, so cards above 2 GiB draw like others.
void PaintZoomedView(QPainter& painter, const TUsageBarState& state, const TUsageBarColours& c) {
    const int width = painter.device()->width();
    const int height = painter.device()->height();
    const int barBottom = height - kCacheStripHeight;
    FillSpan(painter, 0, width, 0, barBottom, c.Used);
    const auto& map = *state.FreeSpaceMap;
    if (map.empty())
        return;
    const std::int64_t start = std::int64_t(map.front().Start) + map.front().Length;
    const std::int64_t end = std::int64_t(state.CardSize) - state.SafetyZone;
    const std::int64_t range = end - start;
    if (range <= 0)
        return; // no object area to scale to
    auto scaleAddress = [&](std::int64_t a) {
        return RoundHalfEven(double(a - start) / double(range) * width);
    };
    auto scaleLength = [&](std::int64_t l) {
        return RoundHalfEven(double(l) / double(range) * width);
    };
    for (std::size_t i = 1; i < map.size(); ++i) {
        const long long x = scaleAddress(map[i].Start);
        const long long w = scaleLength(map[i].Length);
        if (w > 0)
            FillSpan(painter, x, x + w - 1, 0, barBottom, c.Background);
    }
    const long long x = scaleAddress(state.CacheStart);
    const long long w = scaleLength(state.CacheFill);
    if (x < 0 || w < 1)
        return;
    FillSpan(painter, x, x + w, barBottom, height, state.HasUnsavedData ? c.Pending : c.Clean);
}

} // namespace

void PaintUsageBar(QImage& image, const TUsageBarState& state, bool zoomed,
                   const TUsageBarColours& colours) {
    image.fill(colours.Background);
    if (!state.CatalogueValid || image.isNull())
        return;
    QPainter painter(&image);
    if (zoomed && state.FreeSpaceMap)
        PaintZoomedView(painter, state, colours);
    else if (!zoomed)
        PaintNormalView(painter, state, colours);
}
