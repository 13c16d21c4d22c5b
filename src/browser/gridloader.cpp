#include "gridloader.h"

#include "gridcontrol.h"
#include "reader.h"

#include <QElapsedTimer>
#include <QFile>

namespace bibliora {
namespace {

struct Stop {};

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
    const auto flush = [&] {
        m_grid.model().appendRows(std::move(batch));
        batch = {};
        batch.reserve(4096);
    };
    try {
        readMarcFile(std::filesystem::path(QFile::encodeName(path).toStdString()),
                     [&](MarcRecord&& record) {
                         RecordRow row;
                         row.sequence = ++outcome.count;
                         row.title = toQString(titleOf(record));
                         row.standardNumber = toQString(standardNumberOf(record));
                         row.record = std::move(record);
                         batch.push_back(std::move(row));
                         if (clock.elapsed() >= m_intervalMs) {
                             flush();
                             clock.restart();
                             if (m_onProgress && !m_onProgress(outcome.count))
                                 throw Stop{};
                         }
                     });
    } catch (const Stop&) {
        outcome.aborted = true;
    }
    flush();
    return outcome;
}

} // namespace bibliora
