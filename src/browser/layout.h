#pragma once

#include <QRectF>
#include <array>

namespace bibliora {

// Where the main window's controls go for an outer window size (frame and title bar
// included), in twips. Frame1/Frame2-relative controls are relative to their frame.
struct MainLayout
{
    QRectF frame1, text1, command1, command3;
    QRectF grid1, frame2, text2, label2;
};

// The design-time placement, as the window is created.
MainLayout designLayout();

// The proportional layout of a resize: the grid takes 40 % of the width, the record text the
// rest; tops and frame heights stay as designed. Computed in single precision, as the
// window always has; sizes may come out negative for tiny windows (the caller skips those).
MainLayout computeLayout(float outerWidth, float outerHeight);

// Column widths of the grid for a width in twips: 15 %, 40 %, 40 % and 0, each rounded to a
// 16-bit whole number, halves to even.
std::array<int, 4> columnWidthsFor(double widthTwips);

} // namespace bibliora
