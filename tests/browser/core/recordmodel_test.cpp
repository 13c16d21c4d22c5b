// The record list without widgets: the block store, a load and a change of every record run
// from the event loop, and which paths count as files.
#include "edit.h"
#include "editjob.h"
#include "encodingvote.h"
#include "loadjob.h"
#include "ordinaryfile.h"
#include "reader.h"
#include "recordmodel.h"
#include "recordstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace bibliora;

TEST(RecordStore, EverySlotKeepsItsBytesWhateverItsSizeAndNeighbours)
{
    // Sizes around the block's end and the own-block threshold, empty, and 2 MiB.
    const std::vector<std::size_t> sizes = {
        0, 1, 700, (1u << 20) - 1, 1u << 20, (1u << 20) + 1, 2u << 20, 3, 5};
    RecordStore store;
    std::vector<std::pair<RecordStore::Slot, std::string>> kept;
    for (int round = 0; round < 8; ++round) {
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            std::string bytes(sizes[i], static_cast<char>('a' + (round + i) % 26));
            kept.emplace_back(store.add(bytes), std::move(bytes));
        }
    }
    for (const auto& [slot, bytes] : kept)
        ASSERT_EQ(store.view(slot), bytes);
    // Only a sixteenth of a block may stay unused at its end.
    std::uint64_t total = 0;
    for (const auto& k : kept)
        total += k.second.size();
    EXPECT_LT(store.capacity(), total + total / 8 + (16u << 20));

    // The store of a save's change holds one record, and the list adopts its block whole for
    // good: a day of saves must not cost tens of kilobytes each.
    RecordStore save;
    save.add(std::string(700, 'x'));
    EXPECT_LE(save.capacity(), 4096u);
}

TEST(LoadJob, PublishesSliceBySliceAndEndsWithEveryRecordOfTheFile)
{
    int argc = 1;
    char name[] = "browser_core_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QString path = QStringLiteral(BIBLIORA_SAMPLES "/cnmarc-gbk.iso");
    std::vector<MarcRecord> expected;
    ASSERT_TRUE(readMarcFile(BIBLIORA_SAMPLES "/cnmarc-gbk.iso",
                             [&](MarcRecord&& r) { expected.push_back(std::move(r)); }));

    RecordModel model;
    LoadJob job(model);
    job.setThreads(1);
    job.setSliceMs(0); // 32 records a slice
    std::vector<qint64> seen;
    QObject::connect(&job, &LoadJob::progress, [&](qint64 n) {
        EXPECT_EQ(model.rowCount(), n); // every row read so far is shown
        seen.push_back(n);
    });
    QEventLoop loop;
    QObject::connect(&job, &LoadJob::finished, &loop, &QEventLoop::quit);
    ASSERT_TRUE(job.start(path));
    loop.exec();
    ASSERT_EQ(model.size(), expected.size());
    EXPECT_EQ(seen.size(), 3u); // 120 records, 32 a slice
    for (std::size_t r = 0; r < expected.size(); ++r) {
        ASSERT_EQ(model.record(r), expected[r]);
        EXPECT_EQ(model.title(r).toStdU16String(), titleOf(expected[r]));
        EXPECT_EQ(model.row(r).sequence, static_cast<int>(r + 1));
    }

    ASSERT_TRUE(job.start(path));
    job.cancel(); // stopped before its first slice: an empty list, no signal
    EXPECT_EQ(model.size(), 0u);
    EXPECT_FALSE(job.start(QStringLiteral(BIBLIORA_SAMPLES "/missing.iso")));
}

namespace {

// Everything a loaded row shows and keeps.
std::vector<std::tuple<std::string, QString, QString, Encoding, int, int>>
loadedRows(const QString& path, unsigned threads, std::size_t chunkBytes)
{
    RecordModel model;
    LoadJob job(model);
    job.setThreads(threads);
    job.setChunkBytes(chunkBytes);
    QEventLoop loop;
    qint64 finished = -1;
    QObject::connect(&job, &LoadJob::finished, &loop, [&](qint64 n) {
        finished = n;
        loop.quit();
    });
    EXPECT_TRUE(job.start(path));
    loop.exec();
    EXPECT_EQ(finished, static_cast<qint64>(model.size()));
    EXPECT_TRUE(job.problem().isEmpty());
    std::vector<std::tuple<std::string, QString, QString, Encoding, int, int>> rows;
    for (std::size_t r = 0; r < model.size(); ++r)
        rows.emplace_back(std::string(model.record(r)), model.title(r), model.standardNumber(r),
                          model.row(r).encoding, model.row(r).sequence, model.row(r).number);
    return rows;
}

} // namespace

TEST(LoadJob, ReadOnWorkersGivesTheRowsOfOneThreadAndStopsWhenCancelled)
{
    int argc = 1;
    char name[] = "browser_core_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    // Small chunks, so records whose encoding the file's earlier records decide (MARC-8 and
    // ASCII ones) begin chunks too.
    std::size_t files = 0;
    for (const char* folder : {BIBLIORA_SAMPLES, BIBLIORA_REAL_SAMPLES}) {
        const QDir dir(QString::fromUtf8(folder));
        for (const QString& file : dir.entryList(QDir::Files)) {
            if (file.endsWith(QStringLiteral(".md")) || file.endsWith(QStringLiteral(".xml")) ||
                file.endsWith(QStringLiteral(".mrk")))
                continue;
            const QString path = dir.filePath(file);
            ASSERT_EQ(loadedRows(path, 3, 1000), loadedRows(path, 1, 0)) << file.toStdString();
            ++files;
        }
    }
    EXPECT_GE(files, 4u);

    // Closed while the workers read a file of many chunks: the rows so far stay, in order,
    // and nothing follows.
    QTemporaryDir dir;
    QFile big(dir.filePath(QStringLiteral("big.iso")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    QFile sample(QStringLiteral(BIBLIORA_SAMPLES "/cnmarc-gbk.iso"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QByteArray bytes = sample.readAll();
    for (int i = 0; i < 200; ++i)
        big.write(bytes);
    big.close();
    RecordModel model;
    LoadJob job(model);
    job.setThreads(2);
    job.setChunkBytes(4096);
    bool finished = false;
    QObject::connect(&job, &LoadJob::finished, [&] { finished = true; });
    QEventLoop loop;
    QObject::connect(&job, &LoadJob::progress, &loop, &QEventLoop::quit);
    ASSERT_TRUE(job.start(big.fileName()));
    loop.exec();
    job.cancel();
    EXPECT_FALSE(job.isRunning());
    QCoreApplication::processEvents(); // a call the workers posted finds nothing to do
    EXPECT_FALSE(finished);
    ASSERT_GT(model.size(), 0u);
    for (std::size_t r = 0; r < model.size(); ++r)
        ASSERT_EQ(model.row(r).sequence, static_cast<int>(r + 1));
}

TEST(EditJob, ChangesEveryRowSliceBySliceAndEachRowShowsItsNewRecordsTexts)
{
    int argc = 1;
    char name[] = "browser_core_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    RecordModel model;
    EncodingVote vote;
    std::int32_t n = 0;
    ASSERT_TRUE(readMarcFile(BIBLIORA_SAMPLES "/cnmarc-gbk.iso",
                             [&](MarcRecord&& r) { model.stage(r, ++n, vote.next(r)); }));
    model.publish();
    // Titles, standard numbers, neither: the texts a job reads as it goes, or keeps.
    const std::vector<std::pair<std::u16string, std::u16string>> changes = {
        {u"200$a", u"^(.)"}, {u"010$a", u"^(\\d)"}, {u"801$b", u"^(.)"}};
    for (const auto& [scope, find] : changes) {
        edit::Search search;
        search.text = find;
        search.mode = edit::MatchMode::Regex;
        std::u16string error;
        search.scope = *edit::Scope::parse(scope, error);
        const auto change =
            edit::ReplaceChange::create(edit::Matcher::create(search, error), u"[$1]", error);
        ASSERT_TRUE(change);
        EditJob job(model);
        job.setSliceMs(0);
        qint64 changed = -1;
        QEventLoop loop;
        QObject::connect(&job, &EditJob::finished, &loop, [&](qint64, qint64 records) {
            changed = records;
            loop.quit();
        });
        job.start(change, QStringLiteral("全部替换"), {}, BuildTime{2024, 1, 31, 14, 30, 5}, 1);
        loop.exec();
        ListChange result = job.takeResult();
        EXPECT_EQ(qint64(result.replacedCount()), changed);
        EXPECT_GT(changed, 50);
        model.apply(std::move(result));
        for (std::size_t r = 0; r < model.size(); ++r) {
            const Encoding e = model.row(r).encoding;
            ASSERT_EQ(model.title(r).toStdU16String(), titleOf(model.record(r), e)) << r;
            ASSERT_EQ(model.standardNumber(r).toStdU16String(),
                      standardNumberOf(model.record(r), e))
                << r;
        }
    }
}

TEST(OrdinaryFile, OnlyAFileThatIsNeitherHiddenNorSystemCounts)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("编目 😀.iso"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(isOrdinaryFile(path));
    EXPECT_FALSE(isOrdinaryFile(dir.path()));
    EXPECT_FALSE(isOrdinaryFile(dir.filePath(QStringLiteral("missing.iso"))));
#ifdef _WIN32 // a start-up path or an export target that is hidden or system is left alone
    for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        ASSERT_TRUE(
            SetFileAttributesW(QDir::toNativeSeparators(path).toStdWString().c_str(), attribute));
        EXPECT_FALSE(isOrdinaryFile(path)) << attribute;
    }
#endif
}
