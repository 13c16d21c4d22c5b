#include "problem.h"

namespace bibliora::check {
namespace {

struct RuleNames
{
    const char* name;  // the command line's
    const char* label; // the window's
};

// In the order of Rule.
constexpr RuleNames kRules[] = {
    {"structure", "结构"},  {"encoding", "编码"},      {"mandatory", "必备"},
    {"repeat", "不可重复"}, {"length", "长度"},        {"date", "日期"},
    {"isbn", "ISBN"},       {"issn", "ISSN"},          {"indicator", "指示符"},
    {"subfield", "子字段"}, {"duplicate", "重复记录"},
};
static_assert(sizeof kRules / sizeof kRules[0] == static_cast<std::size_t>(Rule::Duplicate) + 1);

} // namespace

const char* ruleName(Rule rule)
{
    return kRules[static_cast<std::size_t>(rule)].name;
}

const char* ruleLabel(Rule rule)
{
    return kRules[static_cast<std::size_t>(rule)].label;
}

const char* severityName(Severity severity)
{
    return severity == Severity::Warning ? "warning" : "error";
}

const char* severityLabel(Severity severity)
{
    return severity == Severity::Warning ? "警告" : "错误";
}

} // namespace bibliora::check
