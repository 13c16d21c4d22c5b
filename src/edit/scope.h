#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace bibliora::edit {

// Where a search looks, as typed:
//   ""       every control and data field, not the leader
//   "210"    every field tagged 210: each subfield of a data field, a control field's value
//   "210$c"  subfield c of every field tagged 210
//   "LDR"    the leader, as the record's text shows it: from position 05 on (the record length
//            before it is counted afresh by every save)
// A tag is three letters or digits; a tag below 010 names a control field, which has no
// subfields.
class Scope final
{
public:
    Scope() = default; // every field

    // The scope `text` names, or nothing with `error` saying why (Chinese).
    static std::optional<Scope> parse(std::u16string_view text, std::u16string& error);

    bool leader() const { return m_kind == Kind::Leader; }
    // Whether a field whose directory tag is `tag` is searched.
    bool takesTag(std::string_view tag) const
    {
        return m_kind == Kind::Fields || (m_kind == Kind::Tag && tag == m_tag);
    }
    // Whether a subfield whose code is `code` (its first character) is searched.
    bool takesCode(std::u16string_view code) const
    {
        return m_code == 0 || (code.size() == 1 && code[0] == m_code);
    }

private:
    enum class Kind
    {
        Fields,
        Tag,
        Leader,
    };
    Kind m_kind = Kind::Fields;
    std::string m_tag;
    char16_t m_code = 0;
};

} // namespace bibliora::edit
