#pragma once

#include "encoding.h"
#include "marc.h"

#include <cstdint>
#include <functional>
#include <string>

namespace bibliora::cli {

// What became of one record: its new bytes (when the rewrite replaced them), how many changes
// they hold, or why the record is written as it was.
struct Rewritten
{
    bool rebuilt = false;
    std::uint64_t changes = 0;
    std::string failure; // empty unless the record could not be rebuilt
};

struct RewriteTotals
{
    std::uint64_t changes = 0;
    std::uint64_t records = 0; // rebuilt
    bool failed = false;       // some record could not be rebuilt
};

// Every record of FILE through `rewrite`, which may replace a record's bytes, appended to OUT
// as the export writes records: one per line, CR LF after each, in the file's order. `rewrite`
// runs on every core, called from several threads at once for different records. A record whose
// rewrite failed is written as it was read and named on standard error. OUT naming FILE is a usage
// failure (2); FILE that cannot be read to its end, or OUT that cannot be written, gives `failure`.
// Otherwise 0, with the totals.
using RecordRewrite = std::function<Rewritten(MarcRecord& record, Encoding encoding)>;
int rewriteFile(const std::string& path, const std::string& target, int failure,
                const RecordRewrite& rewrite, RewriteTotals& totals);

} // namespace bibliora::cli
