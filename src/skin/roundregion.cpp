#include "roundregion.h"

#include <algorithm>

namespace bibliora::skin {

std::vector<Span> roundRectSpans(const RoundRect& r)
{
    std::vector<Span> spans;
    const int width = r.right - 1 - r.left;
    const int height = r.bottom - 1 - r.top;
    if (width <= 0 || height <= 0)
        return spans;
    const int ew = std::min(r.ellipseWidth, width);
    const int eh = std::min(r.ellipseHeight, height);
    const double rx = (ew - 1) / 2.0;
    const double ry = (eh - 1) / 2.0;
    spans.reserve(static_cast<std::size_t>(height));
    for (int j = 0; j < height; ++j) {
        int inset = 0;
        if (rx > 0 && ry > 0) {
            double dy = 0;
            if (j < ry)
                dy = ry - j;
            else if (j > height - 1 - ry)
                dy = j - (height - 1 - ry);
            if (dy > 0) {
                const double ny = dy / ry;
                while (inset < rx) {
                    const double nx = (rx - inset) / rx;
                    if (nx * nx + ny * ny <= 1.0)
                        break;
                    ++inset;
                }
            }
        }
        spans.push_back(Span{r.top + j, r.left + inset, r.left + width - inset});
    }
    return spans;
}

} // namespace bibliora::skin
