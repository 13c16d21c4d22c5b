#pragma once

#include <string>
#include <string_view>

namespace bibliora::edit {

// Finds a run of bytes, optionally with ASCII letters of either case, in a record's bytes: the
// quick test that rules out most records before any text is decoded. Field terminators in the
// haystack are passed over as if absent, since the display text drops them from a field. It may
// find the bytes where no character is (inside a two-byte character), never miss them.
class ByteFinder final
{
public:
    ByteFinder() = default;
    // `bytes` holds no field terminator.
    ByteFinder(std::string bytes, bool foldAsciiCase);

    bool empty() const { return m_bytes.empty(); }
    bool occursIn(std::string_view haystack) const { return find(haystack, 0) != npos; }
    // Where in `haystack` the first occurrence lies whose byte looked for first is at or after
    // `from`: the position of that byte, inside the occurrence; npos for none.
    std::size_t find(std::string_view haystack, std::size_t from) const;

    static constexpr std::size_t npos = std::string_view::npos;

private:
    bool matchesAround(std::string_view haystack, std::size_t anchorAt) const;

    std::string m_bytes; // ASCII letters lower-cased when folding
    bool m_fold = false;
    std::size_t m_anchor = 0; // the byte looked for first: the one least likely in record text
    char m_anchorOther = 0;   // its other case, or itself
};

} // namespace bibliora::edit
