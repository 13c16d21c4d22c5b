#include "pixelops.h"

#include <algorithm>
#include <vector>

namespace bibliora::skin {

namespace {

// A private copy of a source block, so that a view may be drawn onto itself.
struct Block
{
    std::vector<Colour> pixels;
    std::vector<bool> present;
    int width = 0;
    int height = 0;

    Block(const PixelView& src, int sx, int sy, int w, int h)
        : pixels(static_cast<std::size_t>(std::max(0, w) * std::max(0, h))), present(pixels.size()),
          width(std::max(0, w)), height(std::max(0, h))
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (src.contains(sx + x, sy + y)) {
                    pixels[index(x, y)] = src.at(sx + x, sy + y);
                    present[index(x, y)] = true;
                }
    }
    std::size_t index(int x, int y) const { return static_cast<std::size_t>(y * width + x); }
};

template <typename Put> void forEachOutlinePixel(const Rect& r, Put put)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    for (int y = r.top; y < r.bottom; ++y) {
        if (y == r.top || y == r.bottom - 1) {
            for (int x = r.left; x < r.right; ++x)
                put(x, y);
        } else {
            put(r.left, y);
            if (r.right - 1 != r.left)
                put(r.right - 1, y);
        }
    }
}

} // namespace

int nearestSource(int i, int destinationLength, int sourceLength)
{
    if (destinationLength <= 0 || sourceLength <= 0)
        return 0;
    const long long centre = (2LL * i + 1) * sourceLength;
    return static_cast<int>(centre / (2LL * destinationLength));
}

Colour blendColour(Colour source, Colour destination, int alpha)
{
    alpha = std::clamp(alpha, 0, 255);
    Colour out = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        const int s = static_cast<int>((source >> shift) & 0xFF);
        const int d = static_cast<int>((destination >> shift) & 0xFF);
        const int c = (s * alpha + d * (255 - alpha) + 127) / 255;
        out |= static_cast<Colour>(c) << shift;
    }
    return out;
}

void copyPixels(PixelView& dst, int dx, int dy, int w, int h, const PixelView& src, int sx, int sy)
{
    const Block block(src, sx, sy, w, h);
    for (int y = 0; y < block.height; ++y)
        for (int x = 0; x < block.width; ++x)
            if (block.present[block.index(x, y)] && dst.contains(dx + x, dy + y))
                dst.put(dx + x, dy + y, block.pixels[block.index(x, y)]);
}

void stretchPixels(PixelView& dst, int dx, int dy, int dw, int dh, const PixelView& src, int sx,
                   int sy, int sw, int sh)
{
    if (dw <= 0 || dh <= 0)
        return;
    const Block block(src, sx, sy, sw, sh);
    if (block.width == 0 || block.height == 0)
        return;
    for (int y = 0; y < dh; ++y) {
        const int from = nearestSource(y, dh, block.height);
        for (int x = 0; x < dw; ++x) {
            const std::size_t i = block.index(nearestSource(x, dw, block.width), from);
            if (block.present[i] && dst.contains(dx + x, dy + y))
                dst.put(dx + x, dy + y, block.pixels[i]);
        }
    }
}

void blendPixels(PixelView& dst, int dx, int dy, int w, int h, const PixelView& src, int sx, int sy,
                 int alpha)
{
    const Block block(src, sx, sy, w, h);
    for (int y = 0; y < block.height; ++y)
        for (int x = 0; x < block.width; ++x)
            if (block.present[block.index(x, y)] && dst.contains(dx + x, dy + y))
                dst.put(
                    dx + x, dy + y,
                    blendColour(block.pixels[block.index(x, y)], dst.at(dx + x, dy + y), alpha));
}

void fillPixels(PixelView& dst, const Rect& r, Colour c)
{
    for (int y = std::max(0, r.top); y < std::min(dst.height, r.bottom); ++y)
        for (int x = std::max(0, r.left); x < std::min(dst.width, r.right); ++x)
            dst.put(x, y, c);
}

void outlinePixels(PixelView& dst, const Rect& r, Colour c)
{
    forEachOutlinePixel(r, [&](int x, int y) {
        if (dst.contains(x, y))
            dst.put(x, y, c);
    });
}

void invertDottedOutline(PixelView& dst, const Rect& r)
{
    forEachOutlinePixel(r, [&](int x, int y) {
        if ((x + y) % 2 == 0 && dst.contains(x, y))
            dst.put(x, y, ~dst.at(x, y) & 0xFFFFFFu);
    });
}

} // namespace bibliora::skin
