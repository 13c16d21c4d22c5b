#include "recordsearch.h"

#include "matcher.h"
#include "recordmodel.h"

namespace bibliora {
namespace {

// Only an expression can run away; the literal searches take the quicker test.
bool rowMatches(const RecordModel& records, const edit::Matcher& matcher, std::size_t row,
                bool& limit)
{
    const std::string_view record = records.record(row);
    const Encoding encoding = records.row(row).encoding;
    if (matcher.search().mode != edit::MatchMode::Regex)
        return matcher.matches(record, encoding);
    const edit::MatchCount count = matcher.count(record, encoding);
    limit = limit || count.limit;
    return count.matches > 0;
}

} // namespace

RecordSearchResult findNextMatch(const RecordModel& records, const edit::Matcher& matcher,
                                 std::size_t from)
{
    RecordSearchResult result;
    for (std::size_t row = from; row < records.size(); ++row)
        if (rowMatches(records, matcher, row, result.limitReached)) {
            result.row = row;
            break;
        }
    return result;
}

RecordSearchResult findAllMatches(const RecordModel& records, const edit::Matcher& matcher)
{
    RecordSearchResult result;
    for (std::size_t row = 0; row < records.size(); ++row)
        if (rowMatches(records, matcher, row, result.limitReached))
            result.rows.push_back(row);
    return result;
}

} // namespace bibliora
