#include "commands.h"
#include "editing.h"
#include "gbk.h"
#include "replacechange.h"

namespace bibliora::cli {

// Every match of FIND in scope replaced by WITH, in every record of FILE, appended to OUT.
int replaceCommand(const std::vector<std::string>& args)
{
    const Arguments a(args, {"--whole", "--regex", "--ignore-case"}, {"--in", "--now"});
    BuildTime now;
    if (const std::string problem = editOperandsProblem(a, "replace", 2, "FIND and WITH", now);
        !problem.empty())
        return usageError(problem);
    if (a.has("--whole") && a.has("--regex"))
        return usageError("--whole and --regex exclude each other");
    edit::Search search;
    search.text = Gbk::fromUtf8(a.operands()[2]);
    search.mode = a.has("--regex")   ? edit::MatchMode::Regex
                  : a.has("--whole") ? edit::MatchMode::WholeSubfield
                                     : edit::MatchMode::Contains;
    search.caseSensitive = !a.has("--ignore-case");
    std::u16string error;
    const std::optional<edit::Scope> scope =
        edit::Scope::parse(Gbk::fromUtf8(a.value("--in").value_or("")), error);
    if (!scope)
        return refused(error);
    search.scope = *scope;
    std::shared_ptr<const edit::Matcher> matcher = edit::Matcher::create(search, error);
    if (!matcher)
        return refused(error);
    const auto change =
        edit::ReplaceChange::create(std::move(matcher), Gbk::fromUtf8(a.operands()[3]), error);
    if (!change)
        return refused(error);
    return applyToFile(a, *change, now);
}

} // namespace bibliora::cli
