#include "input.h"

#include "encodingvote.h"
#include "output.h"
#include "reader.h"

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

bool forEachRecord(const std::string& path, const RecordVisitor& visit)
{
    RecordReader reader;
    if (!reader.open(fsPath(path)))
        return false;
    EncodingVote vote;
    MarcRecord record;
    std::int64_t n = 0;
    for (RecordReader::Step s; (s = reader.next(record)) != RecordReader::Step::End;) {
        if (s != RecordReader::Step::Record)
            continue;
        const Encoding encoding = vote.next(record);
        visit(++n, record, encoding);
    }
    return !reader.failed();
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
