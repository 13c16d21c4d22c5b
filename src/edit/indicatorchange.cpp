#include "indicatorchange.h"

#include "recordfields.h"

namespace bibliora::edit {

std::shared_ptr<const IndicatorChange> IndicatorChange::create(std::u16string_view tag,
                                                               std::u16string_view indicators,
                                                               std::u16string& error)
{
    const auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    if (tag.size() != 3 || !digit(tag[0]) || !digit(tag[1]) || !digit(tag[2]) ||
        tag < std::u16string_view(u"010")) {
        error = u"字段号“" + std::u16string(tag) + u"”有误：指示符只属于数据字段（010–999）";
        return nullptr;
    }
    if (indicators.size() != 2 || indicators[0] < u' ' || indicators[0] > u'~' ||
        indicators[1] < u' ' || indicators[1] > u'~') {
        error = u"指示符应是两个可打印的 ASCII 字符（空位写作 _ 或空格）";
        return nullptr;
    }
    std::shared_ptr<IndicatorChange> change(new IndicatorChange);
    for (char16_t c : tag)
        change->m_tag.push_back(static_cast<char>(c));
    for (char16_t c : indicators)
        change->m_indicators.push_back(c == u' ' ? u'_' : c);
    return change;
}

RecordChange::Made IndicatorChange::edit(RecordFields& fields) const
{
    Made made;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields.removed(i) || fields.control(i) || fields.tag(i) != m_tag ||
            fields.indicators(i) == m_indicators)
            continue;
        fields.setIndicators(i, m_indicators);
        ++made.changes;
    }
    return made;
}

} // namespace bibliora::edit
