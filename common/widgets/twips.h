#pragma once

// Window geometry is designed in twips, 1440 to the inch. Every window of
// both programs and the download control turns twips into pixels through the
// logical resolution of its screen (96 dpi: 15 twips a pixel), so all of them
// scale alike.

#include <QRect>
#include <QRectF>

#include <cmath>

namespace common {

inline constexpr double kTwipsPerInch = 1440;

inline int TwipsToPixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

inline QRect TwipsToPixels(const QRectF& twips, double dpiX, double dpiY) {
    return {TwipsToPixels(twips.x(), dpiX), TwipsToPixels(twips.y(), dpiY),
            TwipsToPixels(twips.width(), dpiX), TwipsToPixels(twips.height(), dpiY)};
}

inline double PixelsToTwips(double pixels, double dpi) {
    return pixels * kTwipsPerInch / dpi;
}

}  // namespace common
