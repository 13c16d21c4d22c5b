#include "filechecker.h"

#include "recordchecker.h"

#include <iterator>

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

RuleSet FileChecker::count(RuleSet own)
{
    m_cnmarc += own == RuleSet::Cnmarc;
    m_marc21 += own == RuleSet::Marc21;
    return m_forced != RuleSet::Auto ? m_forced
           : own != RuleSet::Auto    ? own
           : m_marc21 > m_cnmarc     ? RuleSet::Marc21
                                     : RuleSet::Cnmarc;
}

void FileChecker::check(std::string_view record, Encoding encoding, std::int64_t number,
                        std::vector<Problem>& out)
{
    const RuleSet set = count(RecordChecker::ownRuleSet(record));
    RecordChecker(set, encoding, number, {m_isbns, m_ids, &m_isbns, &m_ids}, out).check(record);
}

void FileChecker::prepare(RuleSet forced, std::string_view record, Encoding encoding,
                          PreparedCheck& out)
{
    static const DuplicateIndex none;
    out.own = RecordChecker::ownRuleSet(record);
    out.set = forced != RuleSet::Auto    ? forced
              : out.own != RuleSet::Auto ? out.own
                                         : RuleSet::Cnmarc;
    out.problems.clear();
    out.duplicates.clear();
    RecordChecker(out.set, encoding, 0, {none, none, nullptr, nullptr, &out.duplicates},
                  out.problems)
        .check(record);
}

void FileChecker::finish(std::string_view record, Encoding encoding, std::int64_t number,
                         PreparedCheck& prepared, std::vector<Problem>& out)
{
    const RuleSet set = count(prepared.own);
    // Checked again here where it was checked by another set, or where its duplicates could
    // meet the limit of problems, which counts them in the order the check finds them.
    if (set != prepared.set ||
        prepared.problems.size() + prepared.duplicates.size() >= RecordChecker::kMaxProblems) {
        RecordChecker(set, encoding, number, {m_isbns, m_ids, &m_isbns, &m_ids}, out).check(record);
        return;
    }
    const std::size_t start = out.size();
    out.insert(out.end(), std::make_move_iterator(prepared.problems.begin()),
               std::make_move_iterator(prepared.problems.end()));
    std::size_t inserted = 0;
    for (const PendingDuplicate& p : prepared.duplicates) {
        const std::optional<std::int64_t> first =
            (p.isbn ? m_isbns : m_ids).findOrInsert(p.key, number);
        if (!first || *first == number)
            continue;
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(start + p.at + inserted),
                   RecordChecker::duplicateWarning(p, *first));
        ++inserted;
    }
}

void FileChecker::prefetch(const PreparedCheck& prepared) const
{
    for (const PendingDuplicate& p : prepared.duplicates)
        (p.isbn ? m_isbns : m_ids).prefetch(p.key);
}

void FileChecker::recheck(std::string_view record, Encoding encoding, std::int64_t number,
                          std::vector<Problem>& out) const
{
    RecordChecker(ruleSetFor(record), encoding, number, {m_isbns, m_ids, nullptr, nullptr}, out)
        .check(record);
}

} // namespace bibliora::check
