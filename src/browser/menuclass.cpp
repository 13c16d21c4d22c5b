#include "menuclass.h"

#include "gbk.h"
#include "popupmenu.h"

namespace bibliora {
namespace {

constexpr std::size_t kCaptionBytes = 254;

// Cuts at a character boundary, so a Chinese character is never split in half.
QString cutToGbkBytes(const QString& text, std::size_t maxBytes)
{
    std::size_t bytes = 0;
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        std::size_t n = Gbk::encodedLength(std::u16string_view(&c, 1));
        if (text.at(i).isHighSurrogate() && i + 1 < text.size())
            n = 1;
        if (bytes + n > maxBytes)
            break;
        bytes += n;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size())
            ++i;
    }
    return text.left(i);
}

} // namespace

int menuClass::Popup(const QStringList& param)
{
    return Popup(param, m_platform.cursorPos());
}

int menuClass::Popup(const QStringList& param, QPoint at)
{
    std::vector<PopupItem> items;
    items.reserve(static_cast<std::size_t>(param.size()));
    for (qsizetype k = 0; k < param.size(); ++k) {
        PopupItem item;
        item.command = static_cast<int>(k + 1);
        item.separator = param[k].trimmed() == QLatin1String("-");
        if (!item.separator)
            item.caption = param[k];
        items.push_back(item);
    }
    const int chosen = m_platform.track(items, at);
    if (chosen >= 1 && chosen <= param.size() &&
        !items[static_cast<std::size_t>(chosen - 1)].separator)
        m_selMenuString = cutToGbkBytes(param[chosen - 1], kCaptionBytes).trimmed();
    else
        m_selMenuString.clear();
    return chosen;
}

} // namespace bibliora
