#pragma once

#include <QRect>
#include <QRectF>
#include <cmath>

class QWidget;

namespace bibliora {

inline constexpr double kTwipsPerInch = 1440.0;

// Window measures are designed in twips; widgets take pixels at the screen's logical DPI.
inline int twipsToPixels(double twips, double dpi)
{
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

inline double pixelsToTwips(int pixels, double dpi)
{
    return pixels * kTwipsPerInch / dpi;
}

inline QRect twipsToPixels(const QRectF& twips, double dpi)
{
    return QRect(twipsToPixels(twips.x(), dpi), twipsToPixels(twips.y(), dpi),
                 twipsToPixels(twips.width(), dpi), twipsToPixels(twips.height(), dpi));
}

double logicalDpi(const QWidget* widget);

} // namespace bibliora
