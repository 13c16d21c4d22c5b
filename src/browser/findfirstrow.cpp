#include "findfirstrow.h"

namespace bibliora {

int findFirstRow(const std::vector<RecordRow>& rows, int column, const QString& text)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QString& cell = column == 1 ? rows[i].title : rows[i].standardNumber;
        if (cell == text)
            return static_cast<int>(i + 1);
    }
    return 0;
}

} // namespace bibliora
