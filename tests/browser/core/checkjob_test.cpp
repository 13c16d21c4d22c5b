// The check of the list with workers against the check on the event loop alone: the same
// results and marks on every file, on a list whose rows change ahead of the run, and a run
// whose list is cleared under it.
#include "checkjob.h"
#include "checkresults.h"
#include "listchange.h"
#include "loadjob.h"
#include "recordmodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace bibliora;

namespace {

void load(RecordModel& model, const QString& path)
{
    LoadJob job(model);
    job.setThreads(1);
    QEventLoop loop;
    QObject::connect(&job, &LoadJob::finished, &loop, &QEventLoop::quit);
    ASSERT_TRUE(job.start(path));
    loop.exec();
}

// Each result as its record row and cells, then the rows marked as having errors.
std::vector<std::string> outcome(const RecordModel& model, const CheckResults& results)
{
    std::vector<std::string> lines;
    for (int r = 0; r < results.rowCount(); ++r) {
        std::string line = std::to_string(results.recordRowAt(r));
        for (int c = 0; c < CheckResults::ColumnCount; ++c)
            line += '|' + results.index(r, c).data().toString().toStdString();
        lines.push_back(line);
    }
    for (std::size_t r = 0; r < model.size(); ++r)
        if (model.row(r).hasErrors)
            lines.push_back("marked " + std::to_string(r));
    return lines;
}

// A whole check in slices as short as they come; `midway` runs at the first progress, with the
// number of rows checked so far.
std::vector<std::string> checkAll(RecordModel& model, unsigned threads,
                                  const std::function<void(std::size_t)>& midway = {})
{
    CheckResults results(model);
    CheckJob job(model, results);
    job.setThreads(threads);
    job.setSliceMs(0);
    bool first = true;
    QObject::connect(&job, &CheckJob::progress, [&](qint64 checked, qint64) {
        if (first && midway)
            midway(std::size_t(checked));
        first = false;
    });
    QEventLoop loop;
    qint64 checked = -1;
    QObject::connect(&job, &CheckJob::finished, &loop, [&](qint64 n) {
        checked = n;
        loop.quit();
    });
    job.start();
    loop.exec();
    EXPECT_EQ(checked, qint64(model.size()));
    EXPECT_FALSE(job.isRunning());
    return outcome(model, results);
}

// The bundled sample 200 times over (24,000 records, each ISBN and 001 met again and again).
QString bigList(const QTemporaryDir& dir)
{
    QFile big(dir.filePath(QStringLiteral("big.iso")));
    QFile sample(QStringLiteral(BIBLIORA_SAMPLES "/cnmarc-gbk.iso"));
    if (!big.open(QIODevice::WriteOnly) || !sample.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = sample.readAll();
    for (int i = 0; i < 200; ++i)
        big.write(bytes);
    return big.fileName();
}

struct App
{
    int argc = 1;
    char name[19] = "browser_core_tests";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

} // namespace

TEST(CheckJob, OnWorkersEveryFileGetsTheResultsAndMarksOfOneThread)
{
    App app;
    std::size_t files = 0;
    for (const char* folder : {BIBLIORA_SAMPLES, BIBLIORA_REAL_SAMPLES}) {
        const QDir dir(QString::fromUtf8(folder));
        for (const QString& file : dir.entryList(QDir::Files)) {
            if (file.endsWith(QStringLiteral(".md")))
                continue;
            RecordModel model;
            load(model, dir.filePath(file));
            ASSERT_EQ(checkAll(model, 3), checkAll(model, 1)) << file.toStdString();
            ++files;
        }
    }
    EXPECT_GE(files, 6u);
}

TEST(CheckJob, RowsChangedAheadOfTheRunAreCheckedAsTheyAreWhenItGetsThere)
{
    // Midway, rows the workers have been given change: one gets a wrong ISBN check digit, ten
    // go and come back by undo. The run then gives what a check of the list as it ends up
    // gives, on one thread and on three.
    App app;
    QTemporaryDir dir;
    const QString path = bigList(dir);
    ASSERT_FALSE(path.isEmpty());
    for (const unsigned threads : {1u, 3u}) {
        RecordModel model;
        load(model, path);
        ASSERT_EQ(model.size(), 24000u);
        std::size_t changed = 0;
        const std::vector<std::string> during = checkAll(model, threads, [&](std::size_t checked) {
            changed = checked + 100;
            std::string record(model.record(changed));
            const std::size_t isbn = record.find("7-");
            ASSERT_NE(isbn, std::string::npos);
            record[isbn + 2] = record[isbn + 2] == '9' ? '0' : char(record[isbn + 2] + 1);
            ListChange save(QStringLiteral("保存"));
            save.replace(changed, record);
            model.apply(std::move(save));
            ListChange removal(QStringLiteral("删除"));
            for (std::size_t r = checked + 10; r < checked + 20; ++r)
                removal.remove(r);
            model.apply(std::move(removal));
            ASSERT_TRUE(model.undo());
        });
        ASSERT_GT(changed, 0u);
        EXPECT_TRUE(model.row(changed).hasErrors);
        EXPECT_EQ(during, checkAll(model, 1)) << threads << " threads";
    }
}

TEST(CheckJob, ListClearedDuringTheRunStopsItsWorkersFirst)
{
    App app;
    QTemporaryDir dir;
    RecordModel model;
    load(model, bigList(dir));
    CheckResults results(model);
    CheckJob job(model, results);
    job.setThreads(3);
    job.setSliceMs(0);
    bool finished = false;
    QObject::connect(&job, &CheckJob::finished, [&] { finished = true; });
    QEventLoop loop;
    QObject::connect(&job, &CheckJob::progress, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    model.clear();
    EXPECT_FALSE(job.isRunning());
    QCoreApplication::processEvents(); // a call the workers posted finds nothing to do
    EXPECT_FALSE(finished);

    // And a job destroyed during its run stops them too.
    load(model, bigList(dir));
    auto second = std::make_unique<CheckJob>(model, results);
    second->setThreads(3);
    second->start();
    QCoreApplication::processEvents();
    second.reset();
    QCoreApplication::processEvents();
}
