#include "fieldtext.h"

#include "gbk.h"
#include "marc.h"
#include "marc8.h"
#include "placeholder.h"
#include "utf8text.h"

#include <algorithm>

namespace bibliora {
namespace {

// Code page 936 one character at a time, for fields whose bytes do not all survive decoding
// and encoding: a byte that does not come back as itself is kept as its placeholder.
void appendGbkCarefully(std::u16string& out, std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        if (p[i] < 0x80) {
            out.push_back(p[i++]);
            continue;
        }
        if (p[i] >= 0x81 && p[i] <= 0xFE && i + 1 < n && p[i + 1] >= 0x40 && p[i + 1] <= 0xFE &&
            p[i + 1] != 0x7F) {
            const std::string_view pair = bytes.substr(i, 2);
            const std::u16string c = Gbk::decode(pair);
            if (c.size() == 1 && Gbk::encode(c) == pair) {
                if (c[0] == kDisplayDelimiter)
                    appendPlaceholders(out, pair);
                else
                    out += c;
                i += 2;
                continue;
            }
        }
        const std::string_view single = bytes.substr(i, 1);
        const std::u16string c = Gbk::decode(single);
        if (c.size() == 1 && Gbk::encode(c) == single)
            out += c;
        else
            out.push_back(placeholderFor(p[i]));
        ++i;
    }
}

// Bytes below 0x80 alone, as control fields, codes, numbers and dates are: they decode to
// themselves and back. Looked for over all of them at once.
bool allAscii(std::string_view bytes)
{
    unsigned char any = 0;
    for (const char c : bytes)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

void appendGbk(std::u16string& out, std::string_view bytes)
{
    const std::size_t start = out.size();
    if (allAscii(bytes)) {
        out.resize(start + bytes.size());
        std::copy(bytes.begin(), bytes.end(), out.begin() + std::ptrdiff_t(start));
        return;
    }
    Gbk::appendDecoded(out, bytes);
    const std::u16string_view text = std::u16string_view(out).substr(start);
    if (text.find(kDisplayDelimiter) == std::u16string_view::npos && Gbk::encodesTo(text, bytes))
        return;
    out.resize(start);
    appendGbkCarefully(out, bytes);
}

void appendMarc8(std::u16string& out, std::string_view bytes, bool controlField)
{
    if (controlField) {
        out += Marc8::decode(bytes);
        return;
    }
    std::size_t from = 0;
    for (;;) {
        const std::size_t to = bytes.find(kSubfieldDelimiter, from);
        out += Marc8::decode(bytes.substr(from, to == std::string_view::npos ? to : to - from));
        if (to == std::string_view::npos)
            return;
        out.push_back(char16_t(kSubfieldDelimiter));
        from = to + 1;
    }
}

void appendDecoded(std::u16string& out, Encoding encoding, std::string_view bytes,
                   bool controlField)
{
    switch (encoding) {
    case Encoding::Utf8:
        Utf8Text::appendDecoded(out, bytes, true);
        return;
    case Encoding::Marc8:
        appendMarc8(out, bytes, controlField);
        return;
    case Encoding::Gbk:
        break;
    }
    appendGbk(out, bytes);
}

} // namespace

void FieldText::appendForDisplay(std::u16string& out, Encoding encoding, std::string_view bytes,
                                 bool controlField)
{
    const std::size_t start = out.size();
    appendDecoded(out, encoding, bytes, controlField);
    for (std::size_t i = start; i < out.size(); ++i) {
        char16_t& c = out[i];
        if (c == u'\r' || c == u'\n')
            c = placeholderFor(static_cast<unsigned char>(c));
    }
}

std::u16string FieldText::value(Encoding encoding, std::string_view bytes)
{
    switch (encoding) {
    case Encoding::Utf8:
        return Utf8Text::decode(bytes);
    case Encoding::Marc8:
        return Marc8::decode(bytes);
    case Encoding::Gbk:
        break;
    }
    return Gbk::decode(bytes);
}

void FieldText::appendBytes(std::string& out, Encoding encoding, std::u16string_view text)
{
    switch (encoding) {
    case Encoding::Utf8:
        Utf8Text::appendEncoded(out, text);
        return;
    case Encoding::Marc8: {
        std::size_t from = 0;
        for (;;) {
            const std::size_t to = text.find(char16_t(kSubfieldDelimiter), from);
            Marc8::appendEncoded(
                out, text.substr(from, to == std::u16string_view::npos ? to : to - from));
            if (to == std::u16string_view::npos)
                return;
            out.push_back(kSubfieldDelimiter);
            from = to + 1;
        }
    }
    case Encoding::Gbk:
        break;
    }
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isPlaceholder(text[i]))
            continue;
        Gbk::appendEncoded(out, text.substr(runStart, i - runStart));
        out.push_back(static_cast<char>(text[i] - kPlaceholderBase));
        runStart = i + 1;
    }
    Gbk::appendEncoded(out, text.substr(runStart));
}

} // namespace bibliora
