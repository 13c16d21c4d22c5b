#include "fieldtable.h"

#include <algorithm>

namespace bibliora::check {
namespace {

// Reads an indicator rule ("01", "#0-9") into the bytes it allows and their description for
// messages ("0、1", "空格、0–9"). CMake has checked its shape.
void readIndicator(const char* rule, bool& any, std::bitset<128>& allowed, std::string& text)
{
    const std::string_view s(rule);
    any = s.empty();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!text.empty())
            text += "、";
        if (s[i] == '#') {
            allowed.set(' ');
            text += "空格";
            continue;
        }
        const char first = s[i];
        const bool range = i + 2 < s.size() && s[i + 1] == '-';
        const char last = range ? s[i + 2] : first;
        text += first;
        if (range) {
            text += "–";
            text += last;
            i += 2;
        }
        for (char c = first; c <= last; ++c)
            allowed.set(static_cast<unsigned char>(c));
    }
}

std::vector<std::uint64_t> readSubfields(std::string_view rule)
{
    std::vector<std::uint64_t> groups;
    std::uint64_t group = 0;
    for (const char c : rule) {
        if (c == ',') {
            groups.push_back(group);
            group = 0;
        } else if (c != '|') {
            group |= FieldTable::codeBit(static_cast<unsigned char>(c));
        }
    }
    if (group)
        groups.push_back(group);
    return groups;
}

bool matches(std::string_view pattern, unsigned tagNumber)
{
    const char digits[3] = {static_cast<char>('0' + tagNumber / 100),
                            static_cast<char>('0' + tagNumber / 10 % 10),
                            static_cast<char>('0' + tagNumber % 10)};
    for (std::size_t i = 0; i < 3; ++i)
        if (pattern[i] != 'X' && pattern[i] != digits[i])
            return false;
    return true;
}

} // namespace

FieldTable::FieldTable(const FieldRuleRow* rows, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const FieldRuleRow& row = rows[i];
        FieldRule rule;
        rule.tag = row.tag;
        rule.name = row.name;
        rule.mandatory = row.mandatory;
        rule.repeatable = row.repeatable;
        rule.subfieldsText = row.subfields;
        rule.requiredSubfields = readSubfields(row.subfields);
        readIndicator(row.indicator1, rule.anyIndicator1, rule.indicator1, rule.indicator1Text);
        readIndicator(row.indicator2, rule.anyIndicator2, rule.indicator2, rule.indicator2Text);
        m_rules.push_back(std::move(rule));
    }
    // "X" sorts after the digits: a pattern comes after the tags it covers.
    std::sort(m_rules.begin(), m_rules.end(),
              [](const FieldRule& a, const FieldRule& b) { return a.tag < b.tag; });
    if (m_rules.size() >= kNoRule)
        m_rules.resize(kNoRule - 1);
    m_exact.fill(kNoRule);
    m_pattern.fill(kNoRule);
    for (std::size_t r = 0; r < m_rules.size(); ++r) {
        const std::string& tag = m_rules[r].tag;
        const bool pattern = tag.find('X') != std::string::npos;
        for (unsigned t = 0; t < 1000; ++t) {
            std::uint8_t& slot = pattern ? m_pattern[t] : m_exact[t];
            if (slot == kNoRule && matches(tag, t))
                slot = static_cast<std::uint8_t>(r);
        }
    }
}

const FieldTable& FieldTable::of(RuleSet set)
{
    static const FieldTable cnmarc(tables::kCnmarc, tables::kCnmarcCount);
    static const FieldTable marc21(tables::kMarc21, tables::kMarc21Count);
    return set == RuleSet::Marc21 ? marc21 : cnmarc;
}

} // namespace bibliora::check
