#include "fonts.h"

#include <QStringList>

namespace bibliora {

QFont songFont(double points)
{
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSizeF(points);
    return font;
}

} // namespace bibliora
