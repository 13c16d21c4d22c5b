#include "addfieldchange.h"
#include "commands.h"
#include "editing.h"
#include "gbk.h"

namespace bibliora::cli {

// The field LINE (a line of the display text) added to every record of FILE, or with
// --if-missing to those without a field of its tag, appended to OUT.
int addFieldCommand(const std::vector<std::string>& args)
{
    const Arguments a(args, {"--if-missing"}, {"--now"});
    BuildTime now;
    if (const std::string problem = editOperandsProblem(a, "add-field", 1, "LINE", now);
        !problem.empty())
        return usageError(problem);
    std::u16string error;
    const auto change =
        edit::AddFieldChange::create(Gbk::fromUtf8(a.operands()[2]), a.has("--if-missing"), error);
    if (!change)
        return refused(error);
    return applyToFile(a, *change, now);
}

} // namespace bibliora::cli
