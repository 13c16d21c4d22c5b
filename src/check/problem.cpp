#include "problem.h"

namespace bibliora::check {

const char* ruleName(Rule rule)
{
    switch (rule) {
    case Rule::Structure:
        return "structure";
    case Rule::Encoding:
        return "encoding";
    case Rule::Mandatory:
        return "mandatory";
    case Rule::Repeat:
        return "repeat";
    case Rule::Length:
        return "length";
    case Rule::Date:
        return "date";
    case Rule::Isbn:
        return "isbn";
    case Rule::Issn:
        return "issn";
    case Rule::Indicator:
        return "indicator";
    case Rule::Subfield:
        return "subfield";
    case Rule::Duplicate:
        return "duplicate";
    }
    return "structure";
}

const char* severityName(Severity severity)
{
    return severity == Severity::Warning ? "warning" : "error";
}

} // namespace bibliora::check
