#include "fonts.h"

#include <QStringList>

namespace bibliora {

QFont songFont(double points)
{
    QFont font;
    // Song (SimSun) on a Chinese Windows; else the CJK fonts a Windows or Linux system has.
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Microsoft YaHei"), QStringLiteral("SimHei"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSizeF(points);
    return font;
}

} // namespace bibliora
