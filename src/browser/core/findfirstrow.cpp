#include "findfirstrow.h"

#include "recordmodel.h"
#include "rowscan.h"

namespace bibliora {

int findFirstRow(const RecordModel& rows, int column, const QString& text)
{
    const std::optional<std::size_t> row = RowScan().first(0, rows.size(), [&](std::size_t r) {
        return column == 1 ? rows.titleEquals(r, text) : rows.standardNumberEquals(r, text);
    });
    return row ? static_cast<int>(*row + 1) : 0;
}

} // namespace bibliora
