#include "twips.h"

#include <QWidget>

namespace bibliora {

double logicalDpi(const QWidget* widget)
{
    const double dpi = widget ? widget->logicalDpiX() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

} // namespace bibliora
