#include "rewrite.h"

#include "commands.h"
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

int rewriteFile(const std::string& path, const std::string& target, int failure,
                const RecordRewrite& rewrite, RewriteTotals& totals)
{
    // Appending to the file being read would read the appended records again.
    if (sameFile(path, target))
        return usageError("OUT must not be FILE: " + target);
    if (const std::string why = unreadableBecause(path); !why.empty()) {
        complain(path + ": " + why);
        return failure;
    }
    std::FILE* file = openForAppending(target);
    if (!file) {
        complain(target + ": cannot be opened for appending");
        return failure;
    }
    // A large buffer: a million records make a million writes.
    std::setvbuf(file, nullptr, _IOFBF, 1 << 20);
    bool written = true;
    const bool read = forEachRecord(path, [&](std::int64_t n, MarcRecord& record, Encoding e) {
        const Rewritten result = rewrite(record, e);
        if (!result.failure.empty()) {
            complain("record " + std::to_string(n) + " written unchanged: " + result.failure);
            totals.failed = true;
        } else if (result.rebuilt) {
            totals.changes += result.changes;
            ++totals.records;
        }
        if (record.empty() || record.back() != kRecordTerminator)
            record.push_back(kRecordTerminator);
        written = written && std::fwrite(record.data(), 1, record.size(), file) == record.size() &&
                  std::fwrite("\r\n", 1, 2, file) == 2;
    });
    written = std::fclose(file) == 0 && written;
    return finishReading(path, read, target, written, failure);
}

} // namespace bibliora::cli
