#include "captionlayout.h"

namespace bibliora::skin {

namespace {

bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

CaptionLayout layoutCaption(std::u16string_view caption, const Rect& box,
                            const TextMeasure& measure)
{
    CaptionLayout out;
    std::u16string plain;
    int key = -1;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&') {
            plain.push_back(caption[i]);
            continue;
        }
        if (i + 1 >= caption.size())
            break; // a lone "&" at the end marks nothing
        if (caption[i + 1] == u'&') {
            plain.push_back(u'&');
        } else {
            if (key < 0)
                key = static_cast<int>(plain.size());
            plain.push_back(caption[i + 1]);
        }
        ++i;
    }

    out.shown = plain;
    out.accessKey = key;
    if (measure.advance(plain) > box.width()) {
        out.elided = true;
        std::size_t keep = plain.size();
        for (;;) {
            std::u16string candidate = plain.substr(0, keep);
            candidate += kEllipsis;
            if (keep == 0 || measure.advance(candidate) <= box.width()) {
                out.shown = std::move(candidate);
                break;
            }
            --keep;
            if (keep > 0 && isLowSurrogate(plain[keep]))
                --keep;
        }
        if (out.accessKey >= static_cast<int>(keep))
            out.accessKey = -1;
    }
    out.width = measure.advance(out.shown);
    out.x = box.left + (box.width() - out.width) / 2;
    out.y = box.top + (box.height() - measure.lineHeight()) / 2;
    return out;
}

} // namespace bibliora::skin
