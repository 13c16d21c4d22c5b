#pragma once

#include "windowtypes.h"

#include <cstdint>

namespace bibliora::skin {

// A window onto 32-bit pixels holding 0xRRGGBB in their low bytes. `opaque` is OR-ed into
// every pixel written, for pixel formats that keep an alpha byte above the colour.
struct PixelView
{
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0; // pixels from one row to the next
    std::uint32_t opaque = 0;

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    Colour at(int x, int y) const
    {
        return bits[static_cast<std::ptrdiff_t>(y) * stride + x] & 0xFFFFFFu;
    }
    void put(int x, int y, Colour c)
    {
        bits[static_cast<std::ptrdiff_t>(y) * stride + x] = (c & 0xFFFFFFu) | opaque;
    }
};

// The source index shown at destination index `i` when `sourceLength` pixels are laid over
// `destinationLength`: each destination pixel takes the source pixel under its centre, so an
// enlargement repeats pixels and a reduction drops them.
int nearestSource(int i, int destinationLength, int sourceLength);

// source * alpha / 255 + destination * (255 - alpha) / 255, rounded, per channel.
Colour blendColour(Colour source, Colour destination, int alpha);

// The operations below clip to both views; pixels outside either are left alone. Source and
// destination may be the same view.
void copyPixels(PixelView& dst, int dx, int dy, int w, int h, const PixelView& src, int sx, int sy);
void stretchPixels(PixelView& dst, int dx, int dy, int dw, int dh, const PixelView& src, int sx,
                   int sy, int sw, int sh);
void blendPixels(PixelView& dst, int dx, int dy, int w, int h, const PixelView& src, int sx, int sy,
                 int alpha);
void fillPixels(PixelView& dst, const Rect& r, Colour c);
// One-pixel outline of `r`.
void outlinePixels(PixelView& dst, const Rect& r, Colour c);
// The focus mark: every other pixel of the outline of `r` inverted, those where x + y is even.
// Drawing it twice removes it.
void invertDottedOutline(PixelView& dst, const Rect& r);

} // namespace bibliora::skin
