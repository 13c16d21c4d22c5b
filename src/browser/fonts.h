#pragma once

#include <QFont>

namespace bibliora {

// 宋体 at the given size where it is installed, else a Song-style or other CJK font.
QFont songFont(double points);

} // namespace bibliora
