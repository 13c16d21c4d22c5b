#include "commands.h"
#include "deletefieldchange.h"
#include "editing.h"
#include "gbk.h"

namespace bibliora::cli {
namespace {

// --where TAG$C=TEXT: a subfield C of the deleted tag whose whole value is TEXT.
std::optional<edit::DeleteFieldChange::Condition>
conditionOf(const std::u16string& where, const std::u16string& tags, std::string& problem)
{
    const auto upper = [](std::u16string s) {
        for (char16_t& c : s)
            c = c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
        return s;
    };
    if (where.size() < 6 || where[3] != u'$' || where[5] != u'=' ||
        upper(where.substr(0, 3)) != upper(tags)) {
        problem = "--where takes TAG$C=TEXT, TAG the deleted tag";
        return std::nullopt;
    }
    edit::Search search;
    search.text = where.substr(6);
    search.mode = edit::MatchMode::WholeSubfield;
    std::u16string error;
    edit::DeleteFieldChange::Condition condition;
    condition.code = where[4];
    condition.matcher = edit::Matcher::create(search, error);
    if (!condition.matcher) {
        problem = Gbk::toUtf8(error);
        return std::nullopt;
    }
    return condition;
}

} // namespace

// Every field of TAG, or of a range (9XX), deleted from every record of FILE, or with --where
// only those whose subfield C is exactly TEXT; every record appended to OUT.
int deleteFieldCommand(const std::vector<std::string>& args)
{
    const Arguments a(args, {}, {"--where", "--now"});
    BuildTime now;
    if (const std::string problem = editOperandsProblem(a, "delete-field", 1, "TAG", now);
        !problem.empty())
        return usageError(problem);
    const std::u16string tags = Gbk::fromUtf8(a.operands()[2]);
    std::optional<edit::DeleteFieldChange::Condition> condition;
    if (const auto where = a.value("--where")) {
        std::string problem;
        condition = conditionOf(Gbk::fromUtf8(*where), tags, problem);
        if (!condition)
            return usageError(problem);
    }
    std::u16string error;
    const auto change = edit::DeleteFieldChange::create(tags, std::move(condition), error);
    if (!change)
        return refused(error);
    return applyToFile(a, *change, now);
}

} // namespace bibliora::cli
