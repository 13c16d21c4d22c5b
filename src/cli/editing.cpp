#include "editing.h"

#include "buildtime.h"
#include "commands.h"
#include "gbk.h"
#include "rewrite.h"

#include <cstdio>

namespace bibliora::cli {
namespace {

const char* reasonFor(edit::EditError error)
{
    switch (error) {
    case edit::EditError::TooLarge:
        return describe(BuildError::TooLarge);
    case edit::EditError::EmptySubfield:
        return describe(BuildError::EmptySubfield);
    case edit::EditError::MatchLimit:
        return "the expression reached its match limit";
    case edit::EditError::Structure:
        return "a replacement would hold a delimiter, terminator, line break or placeholder";
    case edit::EditError::Unreadable:
        return "its fields cannot be told apart";
    case edit::EditError::None:
        break;
    }
    return "";
}

} // namespace

int applyToFile(const Arguments& arguments, const edit::RecordChange& change, const BuildTime& now)
{
    RewriteTotals totals;
    const int status = rewriteFile(
        arguments.operands()[0], arguments.operands()[1], 2,
        [&](MarcRecord& record, Encoding e) {
            edit::EditOutcome outcome = change.apply(record, e, now);
            Rewritten result;
            if (outcome.error != edit::EditError::None) {
                result.failure = reasonFor(outcome.error);
            } else if (outcome.changed()) {
                // Copied into the buffer the record has, which the reading reuses: the new
                // bytes' buffer is freed by the thread that made it.
                record.assign(outcome.record);
                result.rebuilt = true;
                result.changes = outcome.changes;
            }
            return result;
        },
        totals);
    if (status != 0)
        return status;
    std::fprintf(stderr, "%llu 处，%llu 条记录\n", static_cast<unsigned long long>(totals.changes),
                 static_cast<unsigned long long>(totals.records));
    return totals.failed ? 1 : 0;
}

std::string editOperandsProblem(const Arguments& arguments, const char* command, std::size_t extra,
                                const char* names, BuildTime& now)
{
    if (!arguments.error().empty())
        return arguments.error();
    if (arguments.operands().size() != 2 + extra)
        return std::string(command) + " takes FILE, OUT and " + names;
    return buildTimeOf(arguments, now);
}

int refused(const std::u16string& message)
{
    return usageError(Gbk::toUtf8(message));
}

} // namespace bibliora::cli
