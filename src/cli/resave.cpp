#include "arguments.h"
#include "buildtime.h"
#include "commands.h"
#include "displaytext.h"
#include "rewrite.h"

namespace bibliora::cli {

// Every record shown and built again as an unedited save in the window does, appended to OUT
// as the export writes: one record per line, CR LF after each. A record that cannot be built
// is written as it was read and named on standard error.
int resaveCommand(const std::vector<std::string>& args)
{
    const Arguments a(args, {}, {"--now"});
    if (!a.error().empty())
        return usageError(a.error());
    if (a.operands().size() != 2)
        return usageError("resave takes FILE and OUT");
    BuildTime now;
    if (const std::string problem = buildTimeOf(a, now); !problem.empty())
        return usageError(problem);
    RewriteTotals totals;
    return rewriteFile(
        a.operands()[0], a.operands()[1], 1,
        [&](MarcRecord& record, Encoding e) {
            BuildResult built = rebuildRecord(formatRecordText(record, e) + u"\r\n", e, now);
            Rewritten result;
            if (built.error != BuildError::None) {
                result.failure = describe(built.error);
            } else {
                record.assign(built.record); // into the buffer the reading reuses
                result.rebuilt = true;
            }
            return result;
        },
        totals);
}

} // namespace bibliora::cli
