#pragma once

#include "recordrow.h"

#include <QString>
#include <vector>

namespace bibliora {

// The first grid row (1-based; rows[0] is grid row 1) whose title (column 1) or standard
// number (column 2) equals text exactly; 0 when none does.
int findFirstRow(const std::vector<RecordRow>& rows, int column, const QString& text);

} // namespace bibliora
