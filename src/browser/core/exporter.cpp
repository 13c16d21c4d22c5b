#include "exporter.h"

#include "isofilewriter.h"
#include "ordinaryfile.h"
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
        result.error = fileFailure(path, QStringLiteral("无法打开文件"), errno);
        return result;
    }
    // The records as they are, one a line: what every export of this form writes.
    formats::IsoFileWriter writer(true, std::nullopt);
    std::string buffer;
    constexpr std::size_t kChunk = 1u << 20; // as an export job gathers them
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
        writer.write(buffer, rows.row(r).sequence, rows.record(r), rows.row(r).encoding);
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
        result.error = fileFailure(path, QStringLiteral("写入文件失败"), error ? error : errno);
    }
    return result;
}

} // namespace bibliora
