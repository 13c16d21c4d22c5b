#include "rewrite.h"

#include "commands.h"
#include "input.h"
#include "output.h"
#include "recordbatches.h"

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
    bool written = true;
    RecordBatches batches(rewrite);
    std::string out; // a batch's lines, written at once
    const auto writeOldest = [&] {
        std::unique_ptr<RecordBatches::Batch> batch = batches.takeOldest();
        out.clear();
        for (std::size_t i = 0; i < batch->size; ++i) {
            const MarcRecord& record = batch->records[i];
            const Rewritten& result = batch->results[i];
            if (!result.failure.empty()) {
                complain("record " + std::to_string(batch->first + std::int64_t(i)) +
                         " written unchanged: " + result.failure);
                totals.failed = true;
            } else if (result.rebuilt) {
                totals.changes += result.changes;
                ++totals.records;
            }
            out += record;
            if (record.empty() || record.back() != kRecordTerminator)
                out.push_back(kRecordTerminator);
            out += "\r\n";
        }
        written = written && std::fwrite(out.data(), 1, out.size(), file) == out.size();
        batches.recycle(std::move(batch));
    };
    const bool read = forEachRecord(path, [&](std::int64_t n, MarcRecord& record, Encoding e) {
        RecordBatches::Batch& batch = batches.filling();
        if (batch.size == 0)
            batch.first = n;
        batch.records[batch.size].swap(record);
        batch.encodings[batch.size] = e;
        ++batch.size;
        if (!batches.full())
            return;
        batches.submit();
        while (batches.busy())
            writeOldest();
    });
    batches.submit();
    while (!batches.idle())
        writeOldest();
    written = std::fclose(file) == 0 && written;
    return finishReading(path, read, target, written, failure);
}

} // namespace bibliora::cli
