#pragma once

#include "bytefinder.h"
#include "displayedfields.h"
#include "encoding.h"
#include "pattern.h"
#include "scope.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace bibliora::edit {

enum class MatchMode
{
    Contains,      // the text anywhere in a value, taken literally
    WholeSubfield, // the text as a whole value, taken literally
    Regex,         // a PCRE2 regular expression, anywhere in a value
};

// What to find and where.
struct Search
{
    std::u16string text;
    MatchMode mode = MatchMode::Contains;
    bool caseSensitive = true; // else Unicode caseless
    Scope scope;
};

// Matches found in one record. A value on which an expression reached its limit counts as
// not matching, and sets `limit`.
struct MatchCount
{
    std::size_t matches = 0;
    bool limit = false;
};

// A compiled search over records. Values are searched one at a time as the record's display
// text shows them (decoded in the record's encoding, bytes that are no character as
// placeholders): each subfield's value (after its code), a control field's whole value, the
// leader; a match never spans two of them.
//
// Immutable once made, so one matcher may be used by several threads at once.
class Matcher final
{
public:
    // The matcher, or null with `error` saying why the search is refused (Chinese): an empty
    // Contains text, an invalid expression (with PCRE2's message).
    static std::shared_ptr<const Matcher> create(const Search& search, std::u16string& error);

    // Whether anything in scope matches (a value on which an expression reached its limit
    // does not; count() tells). For the literal modes, a record whose bytes cannot hold the
    // text is passed over without decoding it.
    bool matches(std::string_view record, Encoding encoding) const;
    // Every match in scope: non-overlapping matches within each value, added up (whole-value
    // matches count one a value).
    MatchCount count(std::string_view record, Encoding encoding) const;
    // One value as it is, whatever the scope; with the scratch of the caller's values in turn.
    Pattern::Found matchesValue(std::u16string_view value, Pattern::Scratch& scratch) const
    {
        return m_pattern->search(value, scratch);
    }
    Pattern::Found matchesValue(std::u16string_view value) const
    {
        Pattern::Scratch scratch;
        return matchesValue(value, scratch);
    }

    const Search& search() const { return m_search; }
    const Pattern& pattern() const { return *m_pattern; }
    // False only when no value decoded from `bytes` (a field's bytes, terminators anywhere in
    // them ignored) can match: a cheap test before decoding them.
    bool mayOccurIn(std::string_view bytes, Encoding encoding) const;
    // For fields laid end to end in `bytes`: a position at or after `from` that lies in the
    // first stretch from there on that mayOccurIn() would pass, or npos when there is none,
    // so that a field ending at or before it needs no test of its own. `from` itself when the
    // search has no byte test.
    std::size_t nextCandidate(std::string_view bytes, std::size_t from, Encoding encoding) const;

    // Calls visit(value) for every value in scope that may match, until it returns false.
    template <typename Visit> // bool Visit(std::u16string_view value)
    void forEachValue(std::string_view record, Encoding encoding, Visit&& visit) const;

private:
    Matcher() = default;
    const ByteFinder* finderFor(Encoding encoding) const;

    Search m_search;
    std::unique_ptr<Pattern> m_pattern;
    // Per encoding (GBK, UTF-8; MARC-8 has none), bytes every matching value's field holds.
    std::array<ByteFinder, 2> m_finders;
    std::array<bool, 2> m_hasFinder{};
};

template <typename Visit>
void Matcher::forEachValue(std::string_view record, Encoding encoding, Visit&& visit) const
{
    std::u16string text;
    if (m_search.scope.leader()) {
        DisplayedFields::appendLeaderText(text, encoding, record);
        visit(std::u16string_view(text));
        return;
    }
    const ByteFinder* finder = finderFor(encoding);
    if (finder && !finder->occursIn(DisplayedFields::fieldArea(record)))
        return;
    std::string scratch;
    for (DisplayedFields fields(record); fields.next();) {
        if (!m_search.scope.takesTag(fields.tag()) || (finder && !finder->occursIn(fields.slice())))
            continue;
        text.clear();
        DisplayedFields::appendText(
            text, encoding, withoutFieldTerminators(fields.slice(), scratch), fields.control());
        const std::u16string_view whole = text;
        if (fields.control()) {
            if (m_search.scope.takesCode({}) && !visit(whole))
                return;
            continue;
        }
        bool more = true;
        DisplayedFields::forEachSubfield(
            whole, [&](std::size_t code, std::size_t value, std::size_t end) {
                if (more && m_search.scope.takesCode(whole.substr(code, value - code)))
                    more = visit(whole.substr(value, end - value));
            });
        if (!more)
            return;
    }
}

} // namespace bibliora::edit
