// Drawing of the card usage bar: the used fraction of the whole card (normal view), or the
// object area with its free gaps and the cache window (zoomed view).
#pragma once

#include "card/CatEntry.h"

#include <QColor>
#include <QImage>

#include <cstdint>
#include <vector>

struct TUsageBarState {
    bool CatalogueValid = false;
    std::uint32_t CardSize = 0;
    std::uint32_t SafetyZone = 0;
    std::uint64_t UsedBytes = 0;
    const std::vector<brelk::TBrelkFreeBlock>* FreeSpaceMap = nullptr;
    std::uint32_t CacheStart = 0;
    std::uint32_t CacheFill = 0;
    bool HasUnsavedData = false;
};

struct TUsageBarColours {
    QColor Background; // the empty bar
    QColor Used;
    QColor Pending = QColor(255, 0, 0);
    QColor Clean = QColor(0, 128, 0);
};

// Height of the cache strip at the bottom of the zoomed view.
inline constexpr int kCacheStripHeight = 2;

// Nearest whole number, halves to the even neighbour.
long long RoundHalfEven(double value);

// The hint of the bar: "0.002% of MMC used" with the locale's decimal separator; empty when
// the card size is 0.
QString UsageHint(std::uint64_t usedBytes, std::uint32_t cardSize);

// Clears Image to the background and draws the bar as the state and the view say.
void PaintUsageBar(QImage& image, const TUsageBarState& state, bool zoomed,
                   const TUsageBarColours& colours);
