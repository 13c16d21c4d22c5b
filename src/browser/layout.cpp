#include "layout.h"

#include <algorithm>
#include <cmath>

namespace bibliora {

MainLayout designLayout()
{
    MainLayout l;
    l.frame1 = QRectF(60, 0, 10395, 675);
    l.text1 = QRectF(60, 240, 9135, 330);
    l.command1 = QRectF(9240, 240, 495, 315);
    l.command3 = QRectF(9720, 240, 495, 315);
    l.grid1 = QRectF(60, 720, 4695, 7395);
    l.frame2 = QRectF(4740, 720, 5715, 675);
    l.text2 = QRectF(4740, 1440, 5715, 6675);
    l.label2 = QRectF(3000, 8280, 4995, 195);
    return l;
}

MainLayout computeLayout(float w, float h)
{
    MainLayout l = designLayout();
    const float gridWidth = w * 0.4f;
    l.grid1.setWidth(gridWidth);
    l.frame2.moveLeft(gridWidth + 80.0f);
    l.text2.moveLeft(l.frame2.left());
    const float frame1Width = w - 200.0f;
    l.frame1.setWidth(frame1Width);
    l.command1.moveLeft(frame1Width * 0.86f);
    l.command3.moveLeft(float(l.command1.left()) + float(l.command1.width()));
    l.text1.setWidth(frame1Width * 0.85f);
    l.frame2.setWidth((w - 200.0f) - gridWidth);
    l.text2.setWidth(l.frame2.width());
    const float gridHeight = h - float(l.frame1.height()) - 900.0f;
    l.grid1.setHeight(gridHeight);
    l.text2.setHeight(gridHeight - float(l.frame2.height()) - 50.0f);
    l.label2.moveTop(gridHeight + float(l.frame1.height()) + 100.0f);
    l.label2.moveLeft((w - float(l.label2.width())) / 2.0f);
    return l;
}

std::array<int, 4> columnWidthsFor(double widthTwips)
{
    const auto round16 = [](double v) {
        return static_cast<int>(std::clamp(std::nearbyint(v), -32768.0, 32767.0));
    };
    return {round16(widthTwips * 15 / 100), round16(widthTwips * 40 / 100),
            round16(widthTwips * 40 / 100), 0};
}

} // namespace bibliora
