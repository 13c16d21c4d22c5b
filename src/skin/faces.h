#pragma once

#include "buttonface.h"

#include <QFont>
#include <QImage>
#include <QRegion>

namespace bibliora::skin {

// The nine pieces of a face template laid over a button of logical `size` on a screen of
// `ratio` device pixels per logical pixel, in an image of the button's device size
// (size × ratio, rounded) whose device pixel ratio is `ratio`. The 4 × 5 corners become
// qRound(4 ratio) × qRound(5 ratio) device pixels, so they stay whole; the edges and the centre
// stretch over the rest. Every piece is scaled by repeating or dropping pixels, never by
// smoothing them. A band too short for both ends gives each end the half of it next to that end.
QImage composePieces(const QImage& atlas, ButtonFace face, QSize size, qreal ratio);

// A whole face: the pieces, then the caption (black, or 808080 on the Disabled face) and, when
// `focused`, the focus mark, both inside (2, 2)–(w − 2, h − 2) and drawn at the full device
// resolution. The focus mark inverts every other device pixel of that outline.
QImage composeFace(const QImage& atlas, ButtonFace face, QSize size, qreal ratio,
                   const QString& caption, const QFont& font, bool focused);

// source × alpha / 255 + destination × (255 − alpha) / 255 per channel, rounded.
QRgb blendColour(QRgb source, QRgb destination, int alpha);
// Blends `face` over `shown` (the same size) at constant `alpha`.
void blendInto(QImage& shown, const QImage& face, int alpha);

// A button's clip: its rectangle less one pixel at each corner.
QRegion roundedClip(QSize size);

} // namespace bibliora::skin
