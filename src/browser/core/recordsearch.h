#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace bibliora {

namespace edit {
class Matcher;
}
class RecordModel;

// What a search of the list found. An expression that gave up at its limit on some value
// (runaway backtracking) counts as not matching there, and is reported.
struct RecordSearchResult
{
    std::optional<std::size_t> row; // the first matching row (0-based), for findNextMatch
    std::vector<std::size_t> rows;  // every matching row, ascending, for findAllMatches
    bool limitReached = false;
};

// The first row from `from` to the last whose record the search matches.
RecordSearchResult findNextMatch(const RecordModel& records, const edit::Matcher& matcher,
                                 std::size_t from);
// Every row whose record the search matches.
RecordSearchResult findAllMatches(const RecordModel& records, const edit::Matcher& matcher);

} // namespace bibliora
