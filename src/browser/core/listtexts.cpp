#include "listtexts.h"

#include <QLatin1StringView>
#include <algorithm>
#include <cstring>

namespace bibliora {
namespace {

constexpr char kTitleNarrow = 1;
constexpr char kNumberNarrow = 2;

bool isNarrow(std::u16string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x100; });
}

void appendPart(std::string& out, std::u16string_view text, bool narrow)
{
    if (narrow) {
        for (const char16_t c : text)
            out.push_back(static_cast<char>(c));
        return;
    }
    out.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

} // namespace

std::uint32_t ListTexts::append(std::string& out, std::u16string_view title,
                                std::u16string_view number)
{
    const bool titleNarrow = isNarrow(title);
    const bool numberNarrow = isNarrow(number);
    out.push_back(
        static_cast<char>((titleNarrow ? kTitleNarrow : 0) | (numberNarrow ? kNumberNarrow : 0)));
    appendPart(out, title, titleNarrow);
    appendPart(out, number, numberNarrow);
    return static_cast<std::uint32_t>(title.size());
}

ListTexts ListTexts::of(std::string_view texts, std::uint32_t titleUnits)
{
    ListTexts parts;
    if (texts.empty())
        return parts;
    const char flags = texts[0];
    parts.titleNarrow = (flags & kTitleNarrow) != 0;
    parts.numberNarrow = (flags & kNumberNarrow) != 0;
    const std::size_t titleBytes = std::size_t(titleUnits) * (parts.titleNarrow ? 1 : 2);
    parts.title = texts.substr(1, titleBytes);
    parts.number = texts.substr(std::min(texts.size(), 1 + titleBytes));
    return parts;
}

QString ListTexts::toString(std::string_view bytes, bool narrow)
{
    if (narrow)
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString s(static_cast<qsizetype>(bytes.size() / 2), Qt::Uninitialized);
    std::memcpy(s.data(), bytes.data(), bytes.size() & ~std::size_t(1));
    return s;
}

bool ListTexts::equals(std::string_view bytes, bool narrow, QStringView text)
{
    if (narrow)
        return text == QLatin1StringView(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return bytes.size() == static_cast<std::size_t>(text.size()) * 2 &&
           std::memcmp(bytes.data(), text.utf16(), bytes.size()) == 0;
}

} // namespace bibliora
