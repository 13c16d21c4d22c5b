#include "faces.h"

#include "atlas.h"
#include "captionlayout.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace bibliora::skin {

namespace {

constexpr int kCornerWidth = 4;
constexpr int kCornerHeight = 5;
constexpr int kMiddleRows = 11;
constexpr int kCaptionInset = 2;

// The source index shown at index i when `from` pixels are laid over `to`: the one under the
// centre of pixel i, so an enlargement repeats pixels and a reduction drops them.
int nearestSource(int i, int to, int from)
{
    return to <= 0 ? 0 : static_cast<int>((2LL * i + 1) * from / (2LL * to));
}

// The template index shown at index i of a band `length` long whose two ends take `end` pixels
// each, drawn from `templateEnd` pixels, with `templateMiddle` pixels stretched between them.
int templateIndex(int i, int length, int end, int templateEnd, int templateMiddle)
{
    if (i < end && (i < (length + 1) / 2 || length >= 2 * end))
        return nearestSource(i, end, templateEnd);
    if (i >= length - end) // the far end mirrors the near one, so that both look alike
        return 2 * templateEnd + templateMiddle - 1 -
               nearestSource(length - 1 - i, end, templateEnd);
    return templateEnd + nearestSource(i - end, length - 2 * end, templateMiddle);
}

class FontMeasure final : public TextMeasure
{
public:
    explicit FontMeasure(const QFont& font) : m_metrics(font) {}
    int advance(const QString& text) const override { return m_metrics.horizontalAdvance(text); }
    int lineHeight() const override { return m_metrics.height(); }
    const QFontMetrics& metrics() const { return m_metrics; }

private:
    QFontMetrics m_metrics;
};

void drawCaption(QImage& face, QSize size, const QString& caption, const QFont& font, QColor pen)
{
    const QRect box(kCaptionInset, kCaptionInset, size.width() - 2 * kCaptionInset,
                    size.height() - 2 * kCaptionInset);
    if (box.isEmpty())
        return;
    const FontMeasure measure(font);
    const CaptionLayout layout = layoutCaption(caption, box, measure);
    QPainter painter(&face);
    painter.setClipRect(box);
    painter.setFont(font);
    painter.setPen(pen);
    const int baseline = layout.y + measure.metrics().ascent();
    painter.drawText(QPoint(layout.x, baseline), layout.shown);
    if (layout.accessKey >= 0) {
        const int length = layout.shown[layout.accessKey].isHighSurrogate() ? 2 : 1;
        const int from = layout.x + measure.advance(layout.shown.left(layout.accessKey));
        const int width = measure.advance(layout.shown.mid(layout.accessKey, length));
        painter.fillRect(QRect(from, baseline + std::max(1, measure.metrics().underlinePos()),
                               width, std::max(1, measure.metrics().lineWidth())),
                         pen);
    }
}

void drawFocusMark(QImage& face)
{
    const int inset = qRound(kCaptionInset * face.devicePixelRatio());
    const QRect r(inset, inset, face.width() - 2 * inset, face.height() - 2 * inset);
    const auto invert = [&face](int x, int y) {
        if ((x + y) % 2 == 0)
            face.setPixel(x, y, face.pixel(x, y) ^ 0x00FFFFFFu);
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        invert(x, r.top());
        if (r.bottom() != r.top())
            invert(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        invert(r.left(), y);
        if (r.right() != r.left())
            invert(r.right(), y);
    }
}

} // namespace

QImage composePieces(const QImage& atlas, ButtonFace face, QSize size, qreal ratio)
{
    const QSize device = size * ratio;
    QImage out(device, QImage::Format_RGB32);
    const int endX = qRound(kCornerWidth * ratio);
    const int endY = qRound(kCornerHeight * ratio);
    std::vector<int> columns(static_cast<std::size_t>(std::max(0, device.width())));
    for (int x = 0; x < device.width(); ++x)
        columns[static_cast<std::size_t>(x)] =
            templateIndex(x, device.width(), endX, kCornerWidth, 1);
    for (int y = 0; y < device.height(); ++y) {
        const int row = kFaceRows * static_cast<int>(face) +
                        templateIndex(y, device.height(), endY, kCornerHeight, kMiddleRows);
        const auto* from = reinterpret_cast<const QRgb*>(atlas.constScanLine(row));
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < device.width(); ++x)
            to[x] = from[columns[static_cast<std::size_t>(x)]];
    }
    out.setDevicePixelRatio(ratio);
    return out;
}

QImage composeFace(const QImage& atlas, ButtonFace face, QSize size, qreal ratio,
                   const QString& caption, const QFont& font, bool focused)
{
    QImage out = composePieces(atlas, face, size, ratio);
    if (out.isNull())
        return out;
    drawCaption(out, size, caption, font,
                QColor::fromRgb(face == ButtonFace::Disabled ? 0x808080u : 0x000000u));
    if (focused)
        drawFocusMark(out);
    return out;
}

QRgb blendColour(QRgb source, QRgb destination, int alpha)
{
    alpha = std::clamp(alpha, 0, 255);
    QRgb out = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        const int s = static_cast<int>((source >> shift) & 0xFF);
        const int d = static_cast<int>((destination >> shift) & 0xFF);
        out |= static_cast<QRgb>((s * alpha + d * (255 - alpha) + 127) / 255) << shift;
    }
    return out;
}

void blendInto(QImage& shown, const QImage& face, int alpha)
{
    for (int y = 0; y < std::min(shown.height(), face.height()); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(face.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < std::min(shown.width(), face.width()); ++x)
            to[x] = 0xFF000000u | blendColour(from[x], to[x], alpha);
    }
}

QRegion roundedClip(QSize size)
{
    QRegion clip(0, 0, size.width(), size.height());
    if (size.width() < 3 || size.height() < 3)
        return clip;
    const int right = size.width() - 1;
    const int bottom = size.height() - 1;
    for (const QPoint& corner :
         {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)})
        clip -= QRegion(corner.x(), corner.y(), 1, 1);
    return clip;
}

} // namespace bibliora::skin
