#include "arguments.h"
#include "commands.h"
#include "filechecker.h"
#include "input.h"
#include "output.h"

namespace bibliora::cli {

// One line per problem, in record order and within a record in directory order: number, tag,
// subfield code or "-", "error" or "warning", rule, message. Exit 0 when no error was found
// (warnings allowed), 1 when any was, 2 for a usage failure or a file that cannot be read.
int checkCommand(const std::vector<std::string>& args)
{
    const Arguments a(args, {}, {"--rules"});
    if (!a.error().empty())
        return usageError(a.error());
    if (a.operands().size() != 1)
        return usageError("check takes one FILE");
    check::RuleSet rules = check::RuleSet::Auto;
    if (const auto name = a.value("--rules")) {
        if (*name == "cnmarc")
            rules = check::RuleSet::Cnmarc;
        else if (*name == "marc21")
            rules = check::RuleSet::Marc21;
        else if (*name != "auto")
            return usageError("--rules takes auto, cnmarc or marc21, not " + *name);
    }
    const std::string& path = a.operands()[0];
    if (const std::string why = unreadableBecause(path); !why.empty()) {
        complain(path + ": " + why);
        return 2;
    }
    check::FileChecker checker(rules);
    // Room for the duplicate index at once: ISO 2709 files hold about a record per 700 bytes.
    std::error_code ec;
    checker.reserve(static_cast<std::size_t>(std::filesystem::file_size(fsPath(path), ec) / 700));
    std::vector<check::Problem> problems;
    bool anyError = false;
    Output out;
    const auto write = [&](std::int64_t n) {
        const std::string number = std::to_string(n);
        for (const check::Problem& p : problems) {
            anyError = anyError || p.severity == check::Severity::Error;
            out.put(number);
            out.put("\t");
            out.putEscaped(p.tag);
            out.put("\t");
            out.putEscaped(p.code.empty() ? std::string_view("-") : std::string_view(p.code));
            out.put("\t");
            out.put(check::severityName(p.severity));
            out.put("\t");
            out.put(check::ruleName(p.rule));
            out.put("\t");
            out.putEscaped(p.message);
            out.put("\n");
        }
    };
    bool read = false;
    if (readThreads() == 1) {
        read = forEachRecord(path, [&](std::int64_t n, MarcRecord& record, Encoding e) {
            problems.clear();
            checker.check(record, e, n, problems);
            write(n);
        });
    } else {
        // Each record's own rules on the reading threads; duplicates and the file's choice of
        // rules here, in file order.
        const auto prepare = [rules](std::string_view record, Encoding e, check::PreparedCheck& p) {
            check::FileChecker::prepare(rules, record, e, p);
        };
        read = forEachPrepared<check::PreparedCheck>(
            path, prepare,
            [&](std::int64_t n, std::string_view record, Encoding e,
                check::PreparedCheck& prepared) {
                problems.clear();
                checker.finish(record, e, n, prepared, problems);
                write(n);
            },
            [&](const check::PreparedCheck& prepared) { checker.prefetch(prepared); });
    }
    if (const int status = finishReading(path, read, "standard output", out.flush(), 2))
        return status;
    return anyError ? 1 : 0;
}

} // namespace bibliora::cli
