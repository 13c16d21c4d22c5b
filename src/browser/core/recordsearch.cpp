#include "recordsearch.h"

#include "matcher.h"
#include "recordmodel.h"
#include "rowscan.h"

#include <atomic>
#include <limits>

namespace bibliora {
namespace {

constexpr std::size_t kNoRow = std::numeric_limits<std::size_t>::max();

// Only an expression can run away; the literal searches take the quicker test.
// `limit` becomes the first row where the expression gave up, if it is before the one it holds.
bool rowMatches(const RecordModel& records, const edit::Matcher& matcher, std::size_t row,
                std::atomic<std::size_t>& limit)
{
    const std::string_view record = records.record(row);
    const Encoding encoding = records.row(row).encoding;
    if (matcher.search().mode != edit::MatchMode::Regex)
        return matcher.matches(record, encoding);
    const edit::MatchCount count = matcher.count(record, encoding);
    if (count.limit)
        for (std::size_t seen = limit.load();
             row < seen && !limit.compare_exchange_weak(seen, row);) {
        }
    return count.matches > 0;
}

} // namespace

RecordSearchResult findNextMatch(const RecordModel& records, const edit::Matcher& matcher,
                                 std::size_t from)
{
    std::atomic<std::size_t> limit{kNoRow};
    RecordSearchResult result;
    result.row = RowScan().first(from, records.size(), [&](std::size_t row) {
        return rowMatches(records, matcher, row, limit);
    });
    // As a search from `from` that stops at its match: a limit met on rows after the match,
    // tested by other threads meanwhile, does not count.
    result.limitReached = limit.load() < result.row.value_or(kNoRow);
    return result;
}

RecordSearchResult findAllMatches(const RecordModel& records, const edit::Matcher& matcher)
{
    std::atomic<std::size_t> limit{kNoRow};
    RecordSearchResult result;
    result.rows = RowScan().all(0, records.size(), [&](std::size_t row) {
        return rowMatches(records, matcher, row, limit);
    });
    result.limitReached = limit.load() != kNoRow;
    return result;
}

} // namespace bibliora
