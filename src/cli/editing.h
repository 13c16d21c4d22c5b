#pragma once

#include "arguments.h"
#include "builder.h"
#include "recordchange.h"

#include <string>

namespace bibliora::cli {

// The end every edit command shares: `change` applied to every record of FILE (the first
// operand), every record appended to OUT (the second) as rewriteFile() writes them, a record
// the change touched as resave writes it plus the change, every other one as it was read.
// Prints "N 处，M 条记录" (changes, records changed) on standard error. Exit 0 when every
// record was written as asked, 1 when some record could not be rebuilt (written as it was and
// named), 2 for OUT naming FILE or a FILE that cannot be read.
int applyToFile(const Arguments& arguments, const edit::RecordChange& change, const BuildTime& now);

// The operands and --now every edit command takes: FILE, OUT, and `extra` more. Empty when
// they are right, else the usage message.
std::string editOperandsProblem(const Arguments& arguments, const char* command, std::size_t extra,
                                const char* names, BuildTime& now);

// A change the library refused (its message is Chinese): a usage failure.
int refused(const std::u16string& message);

} // namespace bibliora::cli
