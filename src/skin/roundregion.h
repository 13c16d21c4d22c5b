#pragma once

#include "windowtypes.h"

#include <vector>

namespace bibliora::skin {

// One row of a region: pixels [left, right) of row y.
struct Span
{
    int y = 0;
    int left = 0;
    int right = 0;

    friend bool operator==(const Span& a, const Span& b)
    {
        return a.y == b.y && a.left == b.left && a.right == b.right;
    }
};

// The rows of a rounded-rectangle region, top to bottom. The region covers
// [left, right - 1) x [top, bottom - 1). In each corner a pixel is kept when its centre lies
// within the ellipse that fills the corner's ellipseWidth x ellipseHeight box, measured
// between pixel centres; a 3 x 3 ellipse thus cuts exactly one pixel from each corner.
std::vector<Span> roundRectSpans(const RoundRect& r);

} // namespace bibliora::skin
