#include "faces.h"

#include "atlas.h"
#include "buttonface.h"

#include <array>

namespace bibliora::skin {

namespace {

constexpr Colour kCaptionColour = 0x000000;
constexpr Colour kDisabledCaptionColour = 0x808080;
constexpr int kCaptionInset = 2;

// One band of the nine-piece layout along one axis: where it goes and what it takes from the
// template.
struct Band
{
    int at = 0;
    int size = 0;
    int from = 0;
    int fromSize = 0;
};

// Corner pieces are `edge` pixels, the middle piece of the template `middle` pixels.
std::array<Band, 3> bandsFor(int length, int edge, int middle)
{
    const int full = 2 * edge + middle;
    if (length >= 2 * edge)
        return {Band{0, edge, 0, edge}, Band{edge, length - 2 * edge, edge, middle},
                Band{length - edge, edge, edge + middle, edge}};
    const int first = (length + 1) / 2;
    const int last = length - first;
    return {Band{0, first, 0, first}, Band{first, 0, edge, middle},
            Band{first, last, full - last, last}};
}

} // namespace

std::string faceSurfaceProp(int face)
{
    return "HDC" + std::to_string(face);
}

std::string faceBitmapProp(int face)
{
    return "BMP" + std::to_string(face);
}

SkinAtlas buildAtlas(WindowOps& ops)
{
    SkinAtlas atlas;
    const Surface display = ops.createDisplaySurface();
    atlas.bitmap = ops.createCompatibleBitmap(display, kAtlasWidth, kAtlasHeight);
    atlas.surface = ops.createCompatibleSurface(display);
    ops.deleteBitmap(ops.selectBitmap(atlas.surface, atlas.bitmap));
    ops.deleteSurface(display);
    for (int y = 0; y < kAtlasHeight; ++y)
        for (int x = 0; x < kAtlasWidth; ++x)
            ops.setPixel(atlas.surface, x, y, atlasTemplateColour(y / kFaceRows, y % kFaceRows, x));
    return atlas;
}

void releaseAtlas(WindowOps& ops, SkinAtlas& atlas)
{
    if (atlas.surface)
        ops.deleteSurface(atlas.surface);
    if (atlas.bitmap)
        ops.deleteBitmap(atlas.bitmap);
    atlas = SkinAtlas{};
}

void composeFaces(WindowOps& ops, Window button, Surface atlas)
{
    const Rect r = ops.windowRect(button);
    const int w = r.width();
    const int h = r.height();
    const std::u16string caption = ops.windowText(button);
    const auto columns = bandsFor(w, 4, 1);
    const auto rows = bandsFor(h, 5, 11);
    const Rect textBox{kCaptionInset, kCaptionInset, w - kCaptionInset, h - kCaptionInset};

    // The order of the pieces: the top row, the two sides, the bottom corners, the bottom
    // edge, and the centre last.
    constexpr std::array<std::pair<int, int>, 9> order = {
        {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2}, {2, 2}, {1, 2}, {1, 1}}};

    for (int face = 0; face < kFaceCount; ++face) {
        const Surface s = static_cast<Surface>(ops.prop(button, faceSurfaceProp(face)));
        const int y0 = kFaceRows * face;
        if (const FontHandle font = ops.sendMessage(button, msg::GetFont, 0, 0))
            ops.selectFont(s, font);
        ops.setBackgroundMode(s, kBackgroundTransparent);

        for (const auto& [column, row] : order) {
            const Band& bx = columns[static_cast<std::size_t>(column)];
            const Band& by = rows[static_cast<std::size_t>(row)];
            if (bx.size <= 0 || by.size <= 0)
                continue;
            if (bx.size == bx.fromSize && by.size == by.fromSize)
                ops.copy(s, bx.at, by.at, bx.size, by.size, atlas, bx.from, y0 + by.from);
            else
                ops.stretch(s, bx.at, by.at, bx.size, by.size, atlas, bx.from, y0 + by.from,
                            bx.fromSize, by.fromSize);
        }

        ops.setTextColour(s, face == static_cast<int>(ButtonFace::Disabled) ? kDisabledCaptionColour
                                                                            : kCaptionColour);
        ops.drawText(s, caption, textBox, kDrawTextFormat);
        if (ops.focusWindow() == button)
            ops.drawFocusRect(s, textBox);
    }
}

} // namespace bibliora::skin
