#include "gridloader.h"

#include "gridcontrol.h"
#include "ordinaryfile.h"
#include "reader.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace bibliora {
namespace {

struct Stop
{
};

QString toQString(const std::u16string& s)
{
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

GridLoader::Outcome GridLoader::load(const QString& path)
{
    Outcome outcome;
    std::vector<RecordRow> batch;
    batch.reserve(4096);
    QElapsedTimer clock;
    clock.start();
    // After the first batch the row count is estimated from the file size, so the row vector
    // is allocated once instead of doubling (and moving a million rows) as it grows. Twice the
    // estimate: the first records may be larger than the rest, and capacity that is never
    // written costs address space, not memory.
    const double fileBytes = static_cast<double>(QFileInfo(path).size());
    double recordBytes = 0;
    bool reserved = false;
    const auto flush = [&] {
        if (!reserved && outcome.count > 0) {
            reserved = true;
            // Capped: a tiny first record before gigabytes of junk must not size the list.
            const double perRecord =
                std::max(1.0, recordBytes / static_cast<double>(outcome.count));
            const double rows = std::min(fileBytes / perRecord * 2, 4.0 * 1024 * 1024);
            try {
                m_grid.model().reserve(static_cast<std::size_t>(rows) + 1024);
            } catch (const std::bad_alloc&) {
                // Growing as rows come is slower but works.
            }
        }
        m_grid.model().appendRows(std::move(batch));
        batch = {};
        batch.reserve(4096);
    };
    ReadOptions options;
    // Long stretches without a record terminator give no records to count: yield between
    // the reader's buffers too, so the window keeps repainting.
    options.onChunk = [&] {
        if (clock.elapsed() >= m_intervalMs) {
            flush();
            clock.restart();
            if (m_onProgress && !m_onProgress(outcome.count))
                throw Stop{};
        }
    };
    try {
        readMarcFile(
            toFilesystemPath(path),
            [&](MarcRecord&& record) {
                RecordRow row;
                row.sequence = ++outcome.count;
                const RowTexts texts = rowTextsFor(row.sequence, record);
                row.title = toQString(texts.title);
                row.standardNumber = toQString(texts.standardNumber);
                recordBytes += static_cast<double>(record.size()) + 2;
                row.record = std::move(record);
                batch.push_back(std::move(row));
                if (clock.elapsed() >= m_intervalMs) {
                    flush();
                    clock.restart();
                    if (m_onProgress && !m_onProgress(outcome.count))
                        throw Stop{};
                }
            },
            options);
    } catch (const Stop&) {
        outcome.aborted = true;
    }
    flush();
    return outcome;
}

} // namespace bibliora
