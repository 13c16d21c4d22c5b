#pragma once

#include "buttonface.h"
#include "windowtypes.h"

namespace bibliora::skin {

// The atlas holds the four face templates one below the other: face f occupies rows
// 21 f to 21 f + 20, each 9 pixels wide.
constexpr int kAtlasWidth = 9;
constexpr int kFaceRows = 21;
constexpr int kAtlasHeight = 84;

// The colour of one template pixel; 0 outside the atlas.
Colour atlasTemplateColour(int face, int row, int column);

} // namespace bibliora::skin
