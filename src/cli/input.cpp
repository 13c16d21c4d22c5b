#include "input.h"

#include "chunkedreader.h"
#include "opensource.h"
#include "output.h"

namespace bibliora::cli {

std::filesystem::path fsPath(const std::string& utf8)
{
    return std::filesystem::u8path(utf8);
}

std::string unreadableBecause(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path p = fsPath(path);
    if (!std::filesystem::exists(p, ec))
        return "no such file";
    if (!std::filesystem::is_regular_file(p, ec))
        return "not a regular file";
    return {};
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    const std::filesystem::path pa = fsPath(a);
    const std::filesystem::path pb = fsPath(b);
    return std::filesystem::exists(pa, ec) && std::filesystem::exists(pb, ec) &&
           std::filesystem::equivalent(pa, pb, ec);
}

namespace {

unsigned g_threads = 0;

} // namespace

void setReadThreads(unsigned threads)
{
    g_threads = threads;
}

unsigned readThreads()
{
    return g_threads ? g_threads : ChunkedReader::defaultThreads();
}

namespace detail {

Reading openReading(const std::string& path, std::unique_ptr<formats::RecordSource>& source)
{
    formats::FileFormat format = formats::FileFormat::Iso;
    source = formats::openRecordSource(fsPath(path), &format);
    if (!source)
        return Reading::Unopened;
    if (format != formats::FileFormat::Iso || readThreads() == 1)
        return Reading::Sequential;
    source.reset();
    return Reading::Chunked;
}

bool reportEnd(const std::string& path, const ReadingEnd& end)
{
    if (end.skipped > 0)
        complain(path + ": " + std::to_string(end.skipped) +
                 " records could not be read and were left out");
    if (!end.error.empty())
        complain(path + ": " + end.error);
    return end.error.empty();
}

} // namespace detail

ReadingEnd readEachRecord(const std::string& path, const RecordVisitor& visit)
{
    std::unique_ptr<formats::RecordSource> source;
    if (detail::openReading(path, source) == detail::Reading::Sequential) {
        // The source's own record, which the visitor may move away.
        MarcRecord record;
        Encoding encoding = Encoding::Gbk;
        std::int64_t n = 0;
        for (formats::RecordSource::Step s;
             (s = source->next(record, encoding)) != formats::RecordSource::Step::End;) {
            if (s == formats::RecordSource::Step::Record)
                visit(++n, record, encoding);
        }
        return {true, source->skipped(), source->error()};
    }
    // A copy of each record for the visitor, which may move it away.
    struct Nothing
    {
    };
    MarcRecord copy;
    return readPrepared<Nothing>(
        path, [](std::string_view, Encoding, Nothing&) {},
        [&](std::int64_t n, std::string_view record, Encoding encoding, Nothing&) {
            copy.assign(record);
            visit(n, copy, encoding);
        });
}

bool forEachRecord(const std::string& path, const RecordVisitor& visit)
{
    const ReadingEnd end = readEachRecord(path, visit);
    return end.opened && detail::reportEnd(path, end);
}

int finishReading(const std::string& path, bool read, const std::string& target, bool written,
                  int failure)
{
    if (!written) {
        complain(target + ": writing failed");
        return failure;
    }
    if (!read) {
        complain(path + ": could not be read to its end");
        return failure;
    }
    return 0;
}

} // namespace bibliora::cli
