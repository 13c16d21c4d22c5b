#include "exportjob.h"

#include "ordinaryfile.h"
#include "recordmodel.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <cerrno>

namespace bibliora {
namespace {

// Bytes gathered before they go to the file: enough that each write costs little, little
// enough not to add to the memory of a list that holds the file.
constexpr std::size_t kChunk = 1u << 20;
// Characters named to the user; the rest are counted.
constexpr std::size_t kNamed = 10;

} // namespace

ExportJob::ExportJob(const RecordModel& records, QObject* parent)
    : QObject(parent), m_records(records)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &ExportJob::runSlice);
}

ExportJob::~ExportJob()
{
    cancel();
}

void ExportJob::scan(std::vector<std::size_t> rows)
{
    cancel();
    m_rows = std::move(rows);
    m_next = 0;
    m_unholdable.clear();
    m_unholdableRecords = 0;
    m_scanning = true;
    m_timer.start();
}

bool ExportJob::start(std::vector<std::size_t> rows, std::unique_ptr<formats::RecordWriter> writer,
                      const QString& path, bool append)
{
    cancel();
    m_error.clear();
    m_counts = {};
    std::unique_ptr<QFileDevice> file;
    if (append)
        file = std::make_unique<QFile>(path);
    else
        file = std::make_unique<QSaveFile>(path);
    errno = 0;
    if (!file->open(append ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::WriteOnly)) {
        m_error = fileFailure(path, QStringLiteral("无法打开文件"), errno);
        return false;
    }
    m_file = std::move(file);
    m_path = path;
    m_writer = std::move(writer);
    m_rows = std::move(rows);
    m_next = 0;
    m_buffer.clear();
    m_buffer.reserve(kChunk + (64u << 10));
    m_writer->begin(m_buffer);
    m_scanning = false;
    m_timer.start();
    return true;
}

void ExportJob::cancel()
{
    m_timer.stop();
    if (auto* save = qobject_cast<QSaveFile*>(m_file.get()))
        save->cancelWriting();
    m_file.reset();
    m_writer.reset();
}

void ExportJob::runToEnd()
{
    while (m_timer.isActive())
        runSlice();
}

void ExportJob::scanRow(std::size_t row)
{
    const std::vector<formats::Unholdable> found = formats::unholdableCharacters(
        m_records.record(row), m_records.row(row).encoding, Encoding::Gbk);
    if (found.empty())
        return;
    ++m_unholdableRecords;
    for (const formats::Unholdable& u : found)
        if (m_unholdable.size() < kNamed)
            m_unholdable.push_back({int(row) + 1, QString::fromStdString(u.tag),
                                    QString::fromStdU16String(u.characters)});
}

bool ExportJob::writeRow(std::size_t row)
{
    const RecordRow& r = m_records.row(row);
    m_writer->write(m_buffer, r.sequence, m_records.record(row), r.encoding);
    return m_buffer.size() < kChunk || flush();
}

bool ExportJob::flush()
{
    errno = 0;
    const bool ok =
        m_file->write(m_buffer.data(), qint64(m_buffer.size())) == qint64(m_buffer.size());
    m_buffer.clear();
    if (!ok)
        m_error = fileFailure(m_path, QStringLiteral("写入文件失败"), errno);
    return ok;
}

void ExportJob::runSlice()
{
    QElapsedTimer clock;
    clock.start();
    bool ok = true;
    for (unsigned n = 1; m_next < m_rows.size(); ++n) {
        const std::size_t row = m_rows[m_next++];
        if (row < m_records.size()) {
            if (m_scanning)
                scanRow(row);
            else if (!(ok = writeRow(row)))
                break;
        }
        if (n % 64 == 0 && clock.elapsed() >= m_sliceMs)
            break;
    }
    if (ok && m_next < m_rows.size()) {
        emit progress(qint64(m_next), qint64(m_rows.size()));
        return;
    }
    m_timer.stop();
    if (m_scanning) {
        emit scanned();
        return;
    }
    if (ok) {
        m_writer->end(m_buffer);
        ok = flush();
    }
    finishWriting();
    m_counts = m_writer->counts();
    m_writer.reset();
    emit written(ok && m_error.isEmpty());
}

void ExportJob::finishWriting()
{
    errno = 0;
    bool ok = m_error.isEmpty() && m_file->flush();
    if (auto* save = qobject_cast<QSaveFile*>(m_file.get())) {
        if (ok)
            ok = save->commit();
        else
            save->cancelWriting();
    } else {
        m_file->close();
    }
    if (!ok && m_error.isEmpty())
        m_error = fileFailure(m_path, QStringLiteral("写入文件失败"), errno);
    m_file.reset();
}

} // namespace bibliora
