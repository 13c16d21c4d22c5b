#include "arguments.h"
#include "buildtime.h"
#include "commands.h"
#include "gbk.h"
#include "output.h"

#include <cstdio>
#include <iostream>
#include <iterator>

namespace bibliora::cli {

// A record built from display text (UTF-8) on standard input, its bytes on standard output.
int buildCommand(const std::vector<std::string>& args)
{
    const Arguments a(args, {}, {"--now", "--encoding"});
    if (!a.error().empty())
        return usageError(a.error());
    if (!a.operands().empty())
        return usageError("unknown argument: " + a.operands()[0]);
    BuildTime now;
    if (const std::string problem = buildTimeOf(a, now); !problem.empty())
        return usageError(problem);
    Encoding encoding = Encoding::Gbk;
    if (const auto name = a.value("--encoding")) {
        if (*name == "utf-8")
            encoding = Encoding::Utf8;
        else if (*name == "marc-8")
            encoding = Encoding::Marc8;
        else if (*name != "gbk")
            return usageError("--encoding takes gbk, utf-8 or marc-8, not " + *name);
    }
    std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    // A byte-order mark some editors put first is not part of the header line.
    if (input.compare(0, 3, "\xEF\xBB\xBF") == 0)
        input.erase(0, 3);
    const std::u16string text = Gbk::fromUtf8(input);
    // A bare LF counts as CR LF, as in the window's text box.
    std::u16string normalised;
    normalised.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            normalised += u"\r\n";
        else
            normalised.push_back(text[i]);
    }
    normalised += u"\r\n";
    const BuildResult result = buildIsoRecordChecked(normalised, now, encoding);
    if (result.error == BuildError::EmptySubfield) {
        complain("no record built: line " + std::to_string(result.line) + " has an empty subfield");
        return 1;
    }
    if (result.error != BuildError::None) {
        complain(std::string("no record built: ") + describe(result.error));
        return 1;
    }
    const std::string& bytes = result.record;
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
                   std::fflush(stdout) == 0
               ? 0
               : 1;
}

} // namespace bibliora::cli
