#include "filechecker.h"

#include "recordchecker.h"

namespace bibliora::check {

FileChecker::FileChecker(RuleSet forced) : m_forced(forced) {}

void FileChecker::reserve(std::size_t records)
{
    m_isbns.reserve(records);
    m_ids.reserve(records);
}

RuleSet FileChecker::ruleSetFor(std::string_view record) const
{
    if (m_forced != RuleSet::Auto)
        return m_forced;
    const RuleSet own = RecordChecker::ownRuleSet(record);
    if (own != RuleSet::Auto)
        return own;
    return m_marc21 > m_cnmarc ? RuleSet::Marc21 : RuleSet::Cnmarc;
}

void FileChecker::check(std::string_view record, Encoding encoding, std::int64_t number,
                        std::vector<Problem>& out)
{
    const RuleSet own = RecordChecker::ownRuleSet(record);
    m_cnmarc += own == RuleSet::Cnmarc;
    m_marc21 += own == RuleSet::Marc21;
    const RuleSet set = m_forced != RuleSet::Auto ? m_forced
                        : own != RuleSet::Auto    ? own
                        : m_marc21 > m_cnmarc     ? RuleSet::Marc21
                                                  : RuleSet::Cnmarc;
    RecordChecker(set, encoding, number, {m_isbns, m_ids, &m_isbns, &m_ids}, out).check(record);
}

void FileChecker::recheck(std::string_view record, Encoding encoding, std::int64_t number,
                          std::vector<Problem>& out) const
{
    RecordChecker(ruleSetFor(record), encoding, number, {m_isbns, m_ids, nullptr, nullptr}, out)
        .check(record);
}

} // namespace bibliora::check
