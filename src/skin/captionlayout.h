#pragma once

#include <QRect>
#include <QString>

namespace bibliora::skin {

// Text metrics of one font, supplied by the renderer that lays a caption out.
class TextMeasure
{
public:
    virtual ~TextMeasure() = default;
    virtual int advance(const QString& text) const = 0;
    virtual int lineHeight() const = 0;
};

// Where a button caption goes. The caption is one line, centred both ways in its box and cut
// at its end with an ellipsis when it does not fit; "&" is not shown and marks the next
// character as the access key, "&&" shows one "&".
struct CaptionLayout
{
    QString shown;
    int accessKey = -1; // index into `shown` of the underlined character, -1 for none
    int x = 0;          // left edge of the shown text
    int y = 0;          // top of the line
    int width = 0;      // advance of the shown text
};

CaptionLayout layoutCaption(const QString& caption, const QRect& box, const TextMeasure& measure);

} // namespace bibliora::skin
