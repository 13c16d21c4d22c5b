#pragma once

#include "problem.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bibliora::check {

// One line of a format's table (src/check/tables/*.tsv, where the columns are explained), as
// CMake writes it into C++.
struct FieldRuleRow
{
    const char* tag; // "200", or a pattern such as "1XX"
    const char* name;
    bool mandatory;
    bool repeatable;
    const char* subfields;  // "a", "a|k", "a,b"; empty for no rule
    const char* indicator1; // "01", "#0-9"; empty for no rule
    const char* indicator2;
};

namespace tables {
extern const FieldRuleRow kCnmarc[];
extern const std::size_t kCnmarcCount;
extern const FieldRuleRow kMarc21[];
extern const std::size_t kMarc21Count;
} // namespace tables

// A table row read for checking.
struct FieldRule
{
    std::string tag;
    std::string name;
    bool mandatory = false;
    bool repeatable = true;
    // Each entry is one requirement: a set of subfield codes (bit 0-9 digits, 10-35 letters), at
    // least one of which the field must hold.
    std::vector<std::uint64_t> requiredSubfields;
    std::string subfieldsText; // as the table writes it, for messages
    bool anyIndicator1 = true;
    bool anyIndicator2 = true;
    std::bitset<128> indicator1; // allowed bytes, when not any
    std::bitset<128> indicator2;
    std::string indicator1Text;
    std::string indicator2Text;
};

// The rules of one format, found by tag.
class FieldTable final
{
public:
    static constexpr std::uint8_t kNoRule = 0xFF;

    FieldTable(const FieldRuleRow* rows, std::size_t count);

    // The table of a rule set, Cnmarc or Marc21.
    static const FieldTable& of(RuleSet set);

    // Rules in tag order (patterns after the tags they cover).
    const std::vector<FieldRule>& rules() const { return m_rules; }
    // The index of the rule naming `tag` itself, or of the pattern covering it; kNoRule when
    // none. `tagNumber` is the tag read as a number, 0-999.
    std::uint8_t exactRule(unsigned tagNumber) const { return m_exact[tagNumber]; }
    std::uint8_t patternRule(unsigned tagNumber) const { return m_pattern[tagNumber]; }

    // Bit of a subfield code in FieldRule::requiredSubfields, or 0 for any other byte.
    static std::uint64_t codeBit(unsigned char code)
    {
        if (code >= '0' && code <= '9')
            return std::uint64_t{1} << (code - '0');
        if (code >= 'a' && code <= 'z')
            return std::uint64_t{1} << (10 + code - 'a');
        return 0;
    }

private:
    std::vector<FieldRule> m_rules;
    std::array<std::uint8_t, 1000> m_exact;
    std::array<std::uint8_t, 1000> m_pattern;
};

} // namespace bibliora::check
