#include "arguments.h"
#include "buildtime.h"
#include "commands.h"
#include "displaytext.h"
#include "input.h"
#include "output.h"

#include <cstdio>

namespace bibliora::cli {
namespace {

std::FILE* openForAppending(const std::string& path)
{
#ifdef _WIN32
    return _wfopen(fsPath(path).c_str(), L"ab");
#else
    return std::fopen(path.c_str(), "ab");
#endif
}

} // namespace

// Every record shown and built again as an unedited save in the window does, appended to OUT
// as the export writes: one record per line, CR LF after each. A record that cannot be built
// is written as it was read and named on standard error.
int resaveCommand(const std::vector<std::string>& args)
{
    const Arguments a(args, {}, {"--now"});
    if (!a.error().empty())
        return usageError(a.error());
    if (a.operands().size() != 2)
        return usageError("resave takes FILE and OUT");
    BuildTime now;
    if (const std::string problem = buildTimeOf(a, now); !problem.empty())
        return usageError(problem);
    const std::string& path = a.operands()[0];
    const std::string& target = a.operands()[1];
    if (const std::string why = unreadableBecause(path); !why.empty()) {
        complain(path + ": " + why);
        return 1;
    }
    std::FILE* file = openForAppending(target);
    if (!file) {
        complain(target + ": cannot be opened for appending");
        return 1;
    }
    bool written = true;
    const bool read = forEachRecord(path, [&](std::int64_t n, MarcRecord& record, Encoding e) {
        BuildResult built = rebuildRecord(formatRecordText(record, e) + u"\r\n", e, now);
        if (built.error != BuildError::None)
            complain("record " + std::to_string(n) +
                     " written unchanged: " + describe(built.error));
        else
            record = std::move(built.record);
        if (record.empty() || record.back() != kRecordTerminator)
            record.push_back(kRecordTerminator);
        record += "\r\n";
        written = written && std::fwrite(record.data(), 1, record.size(), file) == record.size();
    });
    written = std::fclose(file) == 0 && written;
    return finishReading(path, read, target, written);
}

} // namespace bibliora::cli
