#pragma once

#include "buttonface.h"

#include <QImage>

namespace bibliora::skin {

// The atlas holds the four face templates one below the other: face f occupies rows
// 21 f to 21 f + 20, each 9 pixels wide.
constexpr int kAtlasWidth = 9;
constexpr int kFaceRows = 21;
constexpr int kAtlasHeight = 84;

// The colour of one template pixel as 0xRRGGBB; 0 outside the atlas.
QRgb atlasTemplateColour(int face, int row, int column);

// The 9 x 84 atlas, plotted pixel by pixel from the templates. It needs no display.
QImage buildAtlas();

} // namespace bibliora::skin
