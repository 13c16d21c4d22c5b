#include "matcher.h"

#include "fieldtext.h"
#include "gbk.h"

namespace bibliora::edit {
namespace {

std::size_t finderIndex(Encoding encoding)
{
    return encoding == Encoding::Utf8 ? 1 : 0;
}

bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

// A character that matches, caselessly, only itself and (for an ASCII letter) its other ASCII
// case in a record of `encoding`: ASCII, kana, CJK punctuation and ideographs. "K" and "S" also
// match the Kelvin sign and the long s, which UTF-8 can hold and code page 936 cannot.
bool caselessAnchor(char16_t c, Encoding encoding)
{
    if (c < 0x80) {
        const bool kOrS = c == u'k' || c == u'K' || c == u's' || c == u'S';
        return !kOrS || (encoding == Encoding::Gbk && Gbk::encode(u"\u212A\u017F") == "??");
    }
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF);
}

// The bytes every field holding a match of the literal `text` holds, in `encoding`: the whole
// text encoded when case counts (only when it reads back as itself); otherwise the longest
// run of characters whose other cases are ASCII's.
bool literalFinder(const std::u16string& text, bool caseSensitive, Encoding encoding,
                   ByteFinder& finder)
{
    for (char16_t c : text)
        if (isStructure(c))
            return false; // such a value holds placeholders for bytes: decode it
    std::u16string_view run;
    if (caseSensitive) {
        run = text;
    } else {
        for (std::size_t i = 0; i < text.size();) {
            std::size_t end = i;
            while (end < text.size() && caselessAnchor(text[end], encoding))
                ++end;
            if (end - i > run.size())
                run = std::u16string_view(text).substr(i, end - i);
            i = end + 1;
            if (end < text.size() && isHighSurrogate(text[end]))
                ++i;
        }
    }
    if (run.empty())
        return false;
    std::string bytes;
    FieldText::appendBytes(bytes, encoding, run);
    if (FieldText::value(encoding, bytes) != run)
        return false;
    finder = ByteFinder(std::move(bytes), !caseSensitive);
    return true;
}

} // namespace

std::shared_ptr<const Matcher> Matcher::create(const Search& search, std::u16string& error)
{
    if (search.text.empty() && search.mode == MatchMode::Contains) {
        error = u"查找内容为空";
        return nullptr;
    }
    const Pattern::Kind kind = search.mode == MatchMode::Regex ? Pattern::Kind::Expression
                               : search.mode == MatchMode::WholeSubfield
                                   ? Pattern::Kind::WholeLiteral
                                   : Pattern::Kind::Literal;
    std::unique_ptr<Pattern> pattern =
        Pattern::compile(search.text, kind, search.caseSensitive, error);
    if (!pattern)
        return nullptr;
    std::shared_ptr<Matcher> matcher(new Matcher);
    matcher->m_search = search;
    matcher->m_pattern = std::move(pattern);
    if (search.mode != MatchMode::Regex && !search.text.empty()) {
        for (Encoding e : {Encoding::Gbk, Encoding::Utf8}) {
            const std::size_t i = finderIndex(e);
            matcher->m_hasFinder[i] =
                literalFinder(search.text, search.caseSensitive, e, matcher->m_finders[i]);
        }
    }
    return matcher;
}

const ByteFinder* Matcher::finderFor(Encoding encoding) const
{
    // MARC-8 switches character sets with escapes: the same text has many byte forms.
    if (encoding == Encoding::Marc8)
        return nullptr;
    const std::size_t i = finderIndex(encoding);
    return m_hasFinder[i] ? &m_finders[i] : nullptr;
}

bool Matcher::mayOccurIn(std::string_view bytes, Encoding encoding) const
{
    const ByteFinder* finder = finderFor(encoding);
    return !finder || finder->occursIn(bytes);
}

std::size_t Matcher::nextCandidate(std::string_view bytes, std::size_t from,
                                   Encoding encoding) const
{
    const ByteFinder* finder = finderFor(encoding);
    return finder ? finder->find(bytes, from) : from;
}

bool Matcher::matches(std::string_view record, Encoding encoding) const
{
    bool found = false;
    Pattern::Scratch scratch;
    forEachValue(record, encoding, [&](std::u16string_view value) {
        found = m_pattern->search(value, scratch) == Pattern::Found::Yes;
        return !found;
    });
    return found;
}

MatchCount Matcher::count(std::string_view record, Encoding encoding) const
{
    MatchCount total;
    Pattern::Scratch scratch;
    forEachValue(record, encoding, [&](std::u16string_view value) {
        const Pattern::Count c = m_pattern->count(value, scratch);
        total.matches += c.matches;
        total.limit = total.limit || c.limit;
        return true;
    });
    return total;
}

} // namespace bibliora::edit
