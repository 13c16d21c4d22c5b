#include "bytefinder.h"

#include "marc.h"

#include <cstring>

namespace bibliora::edit {
namespace {

bool isLetter(unsigned char b)
{
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char otherCase(char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z')
        return static_cast<char>(c - 'A' + 'a');
    return c;
}

// How common a byte is in catalogue records, roughly: blanks, lower-case letters and digits
// fill Latin text and the directory; the first bytes of two-byte characters repeat in Chinese
// text; the second bytes spread over a wide range. Lower is rarer.
int commonness(unsigned char b, bool afterHighByte)
{
    if (b == ' ' || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9'))
        return 4;
    if (b >= 0x80 && !afterHighByte)
        return 3;
    if (b >= 'A' && b <= 'Z')
        return 2;
    return afterHighByte ? 0 : 1;
}

} // namespace

ByteFinder::ByteFinder(std::string bytes, bool foldAsciiCase)
    : m_bytes(std::move(bytes)), m_fold(foldAsciiCase)
{
    if (m_fold)
        for (char& c : m_bytes)
            c = lower(c);
    int best = 5;
    bool afterHigh = false;
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(m_bytes[i]);
        const int score = commonness(b, afterHigh) + (m_fold && isLetter(b) ? 1 : 0);
        if (score < best) {
            best = score;
            m_anchor = i;
        }
        afterHigh = !afterHigh && b >= 0x80;
    }
    m_anchorOther = m_bytes.empty() ? 0 : m_fold ? otherCase(m_bytes[m_anchor]) : m_bytes[m_anchor];
}

bool ByteFinder::matchesAround(std::string_view haystack, std::size_t anchorAt) const
{
    const auto same = [this](char hay, char wanted) {
        return (m_fold ? lower(hay) : hay) == wanted;
    };
    std::size_t p = anchorAt;
    for (std::size_t k = m_anchor + 1; k < m_bytes.size(); ++k) {
        do
            ++p;
        while (p < haystack.size() && haystack[p] == kFieldTerminator);
        if (p >= haystack.size() || !same(haystack[p], m_bytes[k]))
            return false;
    }
    p = anchorAt;
    for (std::size_t k = m_anchor; k-- > 0;) {
        do {
            if (p == 0)
                return false;
            --p;
        } while (haystack[p] == kFieldTerminator);
        if (!same(haystack[p], m_bytes[k]))
            return false;
    }
    return true;
}

std::size_t ByteFinder::find(std::string_view haystack, std::size_t from) const
{
    if (m_bytes.empty())
        return from <= haystack.size() ? from : npos;
    const char anchor = m_bytes[m_anchor];
    const char* const begin = haystack.data();
    const char* const end = begin + haystack.size();
    for (const char* p = begin + std::min(from, haystack.size()); p < end;) {
        const auto remaining = static_cast<std::size_t>(end - p);
        const char* hit = static_cast<const char*>(std::memchr(p, anchor, remaining));
        if (m_anchorOther != anchor) {
            const char* other = static_cast<const char*>(
                std::memchr(p, m_anchorOther, hit ? static_cast<std::size_t>(hit - p) : remaining));
            if (other)
                hit = other;
        }
        if (!hit)
            return npos;
        const auto at = static_cast<std::size_t>(hit - begin);
        if (matchesAround(haystack, at))
            return at;
        p = hit + 1;
    }
    return npos;
}

} // namespace bibliora::edit
