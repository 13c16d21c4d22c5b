#include "exporter.h"

#include "marc.h"
#include "recordmodel.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace bibliora {
namespace {

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};

QString reasonFor(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("磁盘空间不足");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("磁盘配额已用完");
#endif
    case EFBIG:
        return QStringLiteral("文件超过了允许的大小");
    case ENOENT:
        return QStringLiteral("文件夹不存在");
    case ENOTDIR:
        return QStringLiteral("路径中有一部分不是文件夹");
    case EISDIR:
        return QStringLiteral("这是一个文件夹,不是文件");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限");
    case EROFS:
        return QStringLiteral("只读的文件系统");
#ifdef ETXTBSY
    case ETXTBSY:
        return QStringLiteral("文件正被运行的程序使用");
#endif
    case EIO:
        return QStringLiteral("磁盘读写出错");
    default:
        // The system's own text may be in any language; the user reads Chinese.
        return QStringLiteral("原因不明,错误代码%1").arg(error);
    }
}

QString describe(const QString& path, const QString& what, int error)
{
    return QStringLiteral("%1: %2 (%3)").arg(what, path, reasonFor(error));
}

} // namespace

Exporter::Result Exporter::appendRecords(const QString& path, const RecordModel& rows,
                                         bool onlyModified)
{
    Result result;
    errno = 0;
#ifdef _WIN32
    std::unique_ptr<std::FILE, FileCloser> file(
        _wfopen(reinterpret_cast<const wchar_t*>(path.utf16()), L"ab"));
#else
    std::unique_ptr<std::FILE, FileCloser> file(
        std::fopen(QFile::encodeName(path).constData(), "ab"));
#endif
    if (!file) {
        result.ok = false;
        result.error = describe(path, QStringLiteral("无法打开文件"), errno);
        return result;
    }
    std::string buffer;
    constexpr std::size_t kChunk = 4u << 20;
    buffer.reserve(kChunk + 64 * 1024);
    const auto writeOut = [&]() {
        if (buffer.empty())
            return true;
        errno = 0;
        const bool ok = std::fwrite(buffer.data(), 1, buffer.size(), file.get()) == buffer.size();
        buffer.clear();
        return ok;
    };
    bool ok = true;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (onlyModified && !rows.row(r).modified)
            continue;
        const std::string_view record = rows.record(r);
        buffer += record;
        if (record.empty() || record.back() != kRecordTerminator)
            buffer.push_back(kRecordTerminator);
        buffer += "\r\n";
        ++result.written;
        if (buffer.size() >= kChunk && !(ok = writeOut()))
            break;
    }
    ok = ok && writeOut();
    if (ok) {
        errno = 0;
        ok = std::fflush(file.get()) == 0;
    }
    const int error = errno;
    std::FILE* raw = file.release();
    const bool closed = std::fclose(raw) == 0;
    if (!ok || !closed) {
        result.ok = false;
        result.error = describe(path, QStringLiteral("写入文件失败"), error ? error : errno);
    }
    return result;
}

} // namespace bibliora
