#pragma once

#include <QString>

namespace bibliora {

class RecordModel;

// The first grid row (1-based; model row 0 is grid row 1) whose title (column 1) or standard
// number (column 2) equals text exactly; 0 when none does.
int findFirstRow(const RecordModel& rows, int column, const QString& text);

} // namespace bibliora
