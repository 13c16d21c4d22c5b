#include "findfirstrow.h"

#include "recordmodel.h"

namespace bibliora {

int findFirstRow(const RecordModel& rows, int column, const QString& text)
{
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (column == 1 ? rows.titleEquals(r, text) : rows.standardNumberEquals(r, text))
            return static_cast<int>(r + 1);
    }
    return 0;
}

} // namespace bibliora
