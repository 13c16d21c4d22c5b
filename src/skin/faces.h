#pragma once

#include "windowops.h"

#include <string>

namespace bibliora::skin {

// The shared face atlas: a 9 x 84 surface and the bitmap selected into it.
struct SkinAtlas
{
    Surface surface = 0;
    Bitmap bitmap = 0;
};

// Property names of a button's face surfaces and of the bitmaps selected into them.
std::string faceSurfaceProp(int face);
std::string faceBitmapProp(int face);

// Plots the four face templates into a new surface compatible with the screen.
SkinAtlas buildAtlas(WindowOps& ops);
void releaseAtlas(WindowOps& ops, SkinAtlas& atlas);

// Redraws all four faces of a skinned button from the atlas: nine pieces (fixed corners,
// edges and centre stretched by repeating pixels), the caption in the face's colour and, when
// the button has the focus, the focus mark. Buttons narrower than 8 or lower than 10 pixels
// give each of the two outer pieces half of the room and the middle pieces none; buttons
// lower than 21 pixels keep the middle rows of the template by dropping rows.
void composeFaces(WindowOps& ops, Window button, Surface atlas);

} // namespace bibliora::skin
