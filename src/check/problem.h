#pragma once

#include <cstddef>
#include <string>

namespace bibliora::check {

enum class Severity : unsigned char
{
    Error,
    Warning,
};

// What kind of rule a problem breaks; the names below are what the command line prints.
enum class Rule : unsigned char
{
    Structure, // leader, directory, field terminators
    Encoding,  // bytes not valid in the record's encoding
    Mandatory, // a field, or a subfield of it, the record must have
    Repeat,    // a field that may occur once, occurring again
    Length,    // a fixed-length value of the wrong length
    Date,      // a date or timestamp that does not exist
    Isbn,
    Issn,
    Indicator,
    Subfield,
    Duplicate, // a number another record of the file has too
};

// "structure", "encoding", "mandatory", "repeat", "length", "date", "isbn", "issn",
// "indicator", "subfield", "duplicate".
const char* ruleName(Rule rule);
// "error", "warning".
const char* severityName(Severity severity);
// What the window shows, in Chinese: "结构", "编码", ... "重复记录"; "错误", "警告".
const char* ruleLabel(Rule rule);
const char* severityLabel(Severity severity);

// Which format's rules a record is held to.
enum class RuleSet : unsigned char
{
    Auto, // decided for each record by its fields (see FileChecker)
    Cnmarc,
    Marc21,
};

struct Problem
{
    // "LDR" for the leader and the directory as a whole, else the field's tag as the directory
    // has it (a byte that is not printable ASCII shows as "?").
    std::string tag;
    // The subfield code (UTF-8); empty when the problem is not about one subfield.
    std::string code;
    Severity severity = Severity::Error;
    Rule rule = Rule::Structure;
    // Chinese, UTF-8: where ("010 $a: ") and what is wrong.
    std::string message;
};

} // namespace bibliora::check
