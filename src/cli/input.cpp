#include "input.h"

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

bool forEachRecord(const std::string& path, const RecordVisitor& visit)
{
    const std::unique_ptr<formats::RecordSource> source = formats::openRecordSource(fsPath(path));
    if (!source)
        return false;
    MarcRecord record;
    Encoding encoding = Encoding::Gbk;
    std::int64_t n = 0;
    for (formats::RecordSource::Step s;
         (s = source->next(record, encoding)) != formats::RecordSource::Step::End;) {
        if (s == formats::RecordSource::Step::Record)
            visit(++n, record, encoding);
    }
    if (source->skipped() > 0)
        complain(path + ": " + std::to_string(source->skipped()) +
                 " records could not be read and were left out");
    if (!source->error().empty())
        complain(path + ": " + source->error());
    return source->error().empty();
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
