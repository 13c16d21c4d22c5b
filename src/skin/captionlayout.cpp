#include "captionlayout.h"

namespace bibliora::skin {

CaptionLayout layoutCaption(const QString& caption, const QRect& box, const TextMeasure& measure)
{
    CaptionLayout out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&') {
            out.shown += caption[i];
            continue;
        }
        if (i + 1 >= caption.size())
            break; // a lone "&" at the end marks nothing
        if (caption[i + 1] != u'&' && out.accessKey < 0)
            out.accessKey = static_cast<int>(out.shown.size());
        out.shown += caption[++i];
    }

    if (measure.advance(out.shown) > box.width()) {
        const QString plain = out.shown;
        qsizetype keep = plain.size();
        for (;;) {
            out.shown = plain.left(keep) + QStringLiteral("...");
            if (keep == 0 || measure.advance(out.shown) <= box.width())
                break;
            --keep;
            if (keep > 0 && plain[keep].isLowSurrogate())
                --keep;
        }
        if (out.accessKey >= keep)
            out.accessKey = -1;
    }
    out.width = measure.advance(out.shown);
    out.x = box.left() + (box.width() - out.width) / 2;
    out.y = box.top() + (box.height() - measure.lineHeight()) / 2;
    return out;
}

} // namespace bibliora::skin
