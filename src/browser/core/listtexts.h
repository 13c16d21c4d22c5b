#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <string>
#include <string_view>

namespace bibliora {

// How the list keeps a row's title and standard number: a byte of flags, the title, then the
// standard number, each in one byte a character when every character of it is below U+0100
// (ISBNs and ISSNs, most MARC 21 titles), else in UTF-16. Half the memory for most rows'
// numbers, and a text is still read by copying its bytes.
struct ListTexts final
{
    std::string_view title;
    std::string_view number;
    bool titleNarrow = false;
    bool numberNarrow = false;

    // Appends the texts of one row to `out`; returns the title's length in characters.
    static std::uint32_t append(std::string& out, std::u16string_view title,
                                std::u16string_view number);
    // The parts of texts append() wrote, the title `titleUnits` characters long.
    static ListTexts of(std::string_view texts, std::uint32_t titleUnits);

    static QString toString(std::string_view bytes, bool narrow);
    static bool equals(std::string_view bytes, bool narrow, QStringView text);
};

} // namespace bibliora
