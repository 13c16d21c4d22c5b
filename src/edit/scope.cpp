#include "scope.h"

namespace bibliora::edit {
namespace {

bool isTagCharacter(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

} // namespace

std::optional<Scope> Scope::parse(std::u16string_view text, std::u16string& error)
{
    Scope scope;
    if (text.empty())
        return scope;
    if (text == u"LDR" || text == u"ldr") {
        scope.m_kind = Kind::Leader;
        return scope;
    }
    const bool tagOnly = text.size() == 3;
    const bool withCode = text.size() == 5 && text[3] == u'$';
    if ((!tagOnly && !withCode) || !isTagCharacter(text[0]) || !isTagCharacter(text[1]) ||
        !isTagCharacter(text[2]) || (withCode && (text[4] <= u' ' || text[4] >= 0x7F))) {
        error = u"查找范围“" + std::u16string(text) +
                u"”有误：应为空（所有字段）、字段号（如 210）、字段号加子字段（如 210$c）或 LDR";
        return std::nullopt;
    }
    const bool control = text[0] == u'0' && text[1] == u'0' && text[2] >= u'0' && text[2] <= u'9';
    if (withCode && control) {
        error = u"控制字段 " + std::u16string(text.substr(0, 3)) + u" 没有子字段";
        return std::nullopt;
    }
    scope.m_kind = Kind::Tag;
    for (char16_t c : text.substr(0, 3))
        scope.m_tag.push_back(static_cast<char>(c));
    scope.m_code = withCode ? text[4] : 0;
    return scope;
}

} // namespace bibliora::edit
