// Changes of the record list and their undo: every change is one step, and undo and redo give
// back the exact rows (bytes, numbers, marks, order) whatever the change was.
#include "isoassembler.h"
#include "recordmodel.h"

#include <gtest/gtest.h>

using namespace bibliora;

namespace {

std::string record(const std::string& title)
{
    return support::assembleIso("00000nam0 2200000   450 ", {{"001", "id-" + title},
                                                             {"200", "1 \x1F"
                                                                     "a" +
                                                                         title}});
}

struct RowState
{
    std::string bytes;
    std::int32_t sequence;
    std::int32_t number;
    bool modified;
    bool unexported;
    QString title;
    bool operator==(const RowState& o) const
    {
        return bytes == o.bytes && sequence == o.sequence && number == o.number &&
               modified == o.modified && unexported == o.unexported && title == o.title;
    }
};

std::vector<RowState> stateOf(const RecordModel& m)
{
    std::vector<RowState> rows;
    for (std::size_t r = 0; r < m.size(); ++r) {
        const RecordRow& row = m.row(r);
        rows.push_back({std::string(m.record(r)), row.sequence, row.number, row.modified,
                        row.unexported, m.title(r)});
    }
    return rows;
}

// A list of `n` records titled t1 .. tn, numbered 1 .. n.
void load(RecordModel& m, int n)
{
    for (int i = 1; i <= n; ++i)
        m.stage(record("t" + std::to_string(i)), i, Encoding::Gbk);
    m.publish();
}

ListChange removing(const std::vector<std::size_t>& rows)
{
    ListChange change(QStringLiteral("删除"));
    for (const std::size_t r : rows)
        change.remove(r);
    return change;
}

} // namespace

TEST(RecordHistory, UndoAndRedoGiveBackExactlyTheRowsOfEveryKindOfChange)
{
    // A hundred records, so that every step is kept: they keep about half the load's bytes.
    RecordModel m;
    load(m, 100);
    const auto loaded = stateOf(m);

    // A save: new bytes, the row's new number, blue; the texts follow the record.
    ListChange save(QStringLiteral("保存"));
    save.replace(2, record("saved"), 3);
    save.setShownRows(3, 3);
    m.apply(std::move(save));
    EXPECT_EQ(m.title(2), QStringLiteral("saved"));
    EXPECT_TRUE(m.row(2).modified && m.row(2).unexported);
    const auto saved = stateOf(m);

    // A change of many rows keeps their numbers.
    ListChange all(QStringLiteral("全部替换"));
    for (std::size_t r = 0; r < m.size(); r += 4)
        all.replace(r, record("all" + std::to_string(r)));
    m.apply(std::move(all));
    EXPECT_EQ(m.row(4).sequence, 5);
    const auto replaced = stateOf(m);

    // Deletions in one run, in a few runs, and in more runs than views are told one by one.
    std::vector<std::size_t> scattered;
    for (std::size_t r = 1; r < 40; r += 2)
        scattered.push_back(r);
    const std::vector<std::vector<std::size_t>> deletions = {
        {10, 11, 12}, {0, 5, 6, 30}, scattered};
    std::vector<std::vector<RowState>> states = {loaded, saved, replaced};
    for (const auto& rows : deletions) {
        m.apply(removing(rows));
        states.push_back(stateOf(m));
    }
    EXPECT_EQ(m.size(), 100u - 3 - 4 - 20);
    EXPECT_EQ(m.history().undoName(), QStringLiteral("删除"));

    // Back to the load, step by step, then forward again.
    for (std::size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(m.undo());
        ASSERT_EQ(stateOf(m), states[i - 1]) << "undoing step " << i;
    }
    EXPECT_FALSE(m.undo());
    EXPECT_EQ(m.history().redoName(), QStringLiteral("保存"));
    for (std::size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(m.redo());
        ASSERT_EQ(stateOf(m), states[i]) << "redoing step " << i;
    }
    EXPECT_FALSE(m.redo());

    // A new change after an undo drops what could have been redone.
    m.undo();
    m.apply(removing({0}));
    EXPECT_FALSE(m.history().canRedo());
}

TEST(RecordHistory, RowsWhoseTextsTheChangeReadItselfShowThemAndUndoAsAnyOther)
{
    // A change of many records reads the new records' texts as it goes: it keeps the row's
    // when they are the same, or gives the new ones; a save leaves them to be read.
    RecordModel m;
    load(m, 10);
    const auto loaded = stateOf(m);
    const std::string sameTitle =
        support::assembleIso("00000nam0 2200000   450 ", {{"001", "other"},
                                                          {"200", "1 \x1F"
                                                                  "at2"}});
    ListChange change(QStringLiteral("全部替换"));
    change.replaceKeepingTexts(1, sameTitle);
    change.replaceWithTexts(2, record("new3"), u"new3", u"978-7");
    change.replace(3, record("read4"));
    change.replaceKeepingTexts(1, record("twice"));            // a row named again: ignored
    change.replaceWithTexts(20, record("past"), u"past", u""); // past the end: ignored
    m.apply(std::move(change));
    EXPECT_EQ(m.record(1), sameTitle);
    EXPECT_EQ(m.title(1), QStringLiteral("t2"));
    EXPECT_EQ(m.title(2), QStringLiteral("new3"));
    EXPECT_EQ(m.standardNumber(2), QStringLiteral("978-7"));
    EXPECT_EQ(m.title(3), QStringLiteral("read4"));
    for (std::size_t r = 1; r <= 3; ++r)
        EXPECT_TRUE(m.row(r).modified && m.row(r).unexported && m.row(r).sequence == int(r) + 1);
    const auto changed = stateOf(m);

    ASSERT_TRUE(m.undo());
    EXPECT_EQ(stateOf(m), loaded);
    ASSERT_TRUE(m.redo());
    EXPECT_EQ(stateOf(m), changed);
}

TEST(RecordHistory, UndoTellsWhichRowWasShownAndTellsTheViewsWhatMoved)
{
    RecordModel m;
    load(m, 5);
    std::vector<std::vector<std::size_t>> replaced, removed, inserted;
    QObject::connect(&m, &RecordModel::recordsReplaced,
                     [&](const auto& r) { replaced.push_back(r); });
    QObject::connect(&m, &RecordModel::recordsAboutToBeRemoved,
                     [&](const auto& r) { removed.push_back(r); });
    QObject::connect(&m, &RecordModel::recordsInserted,
                     [&](const auto& r) { inserted.push_back(r); });

    ListChange change(QStringLiteral("删除"));
    change.remove(3);
    change.remove(1);
    change.setShownRows(4, 3);
    m.apply(std::move(change));
    EXPECT_EQ(removed, (std::vector<std::vector<std::size_t>>{{1, 3}}));
    EXPECT_EQ(m.undo(), 4);
    EXPECT_EQ(inserted, (std::vector<std::vector<std::size_t>>{{1, 3}}));
    EXPECT_EQ(m.redo(), 3);

    ListChange save(QStringLiteral("保存"));
    save.replace(0, record("x"), 1);
    save.replace(7, record("past the end"), 8); // ignored
    m.apply(std::move(save));
    m.undo();
    EXPECT_EQ(replaced, (std::vector<std::vector<std::size_t>>{{0}, {0}}));

    // Nothing that changes a row is no step.
    const std::size_t steps = m.history().size();
    m.apply(ListChange(QStringLiteral("全部替换")));
    EXPECT_EQ(m.history().size(), steps);
}

TEST(RecordHistory, UndoingAnUnexportedSaveTakesItsBlueAwayButAnExportedOneCountsAsAChange)
{
    RecordModel m;
    load(m, 3);
    ListChange save(QStringLiteral("保存"));
    save.replace(1, record("saved"), 2);
    m.apply(std::move(save));
    EXPECT_EQ(m.unexportedCount(), 1);
    m.undo();
    EXPECT_FALSE(m.row(1).modified);
    EXPECT_EQ(m.unexportedCount(), 0);

    // Saved, exported, then undone: what the export wrote is no longer what the row holds.
    m.redo();
    m.markExported(false);
    EXPECT_EQ(m.unexportedCount(), 0);
    m.undo();
    EXPECT_EQ(m.title(1), QStringLiteral("t2"));
    EXPECT_TRUE(m.row(1).modified && m.row(1).unexported);
    // And the same again for the redo after another export.
    m.markExported(false);
    m.redo();
    EXPECT_EQ(m.title(1), QStringLiteral("saved"));
    EXPECT_TRUE(m.row(1).modified && m.row(1).unexported);
}

TEST(RecordHistory, KeepsAHundredStepsAndNoMoreOldBytesThanTheLoadBrought)
{
    RecordModel m;
    load(m, 200);
    for (int i = 0; i < 150; ++i) {
        ListChange save(QStringLiteral("保存"));
        save.replace(std::size_t(i), record("s" + std::to_string(i)), i + 1);
        m.apply(std::move(save));
    }
    EXPECT_EQ(m.history().size(), RecordHistory::kMaxSteps);
    int undone = 0;
    while (m.undo())
        ++undone;
    EXPECT_EQ(undone, 100);
    EXPECT_EQ(m.title(49), QStringLiteral("s49")); // its step was dropped
    EXPECT_EQ(m.title(50), QStringLiteral("t51"));

    // Each change of every row keeps the whole load's bytes: only the newest stays.
    RecordModel big;
    load(big, 50);
    for (int round = 0; round < 3; ++round) {
        ListChange all(QStringLiteral("全部替换"));
        for (std::size_t r = 0; r < big.size(); ++r)
            all.replace(r, record("r" + std::to_string(round)));
        big.apply(std::move(all));
    }
    EXPECT_EQ(big.history().size(), 1u);
    big.undo();
    EXPECT_EQ(big.title(0), QStringLiteral("r1"));

    big.clear();
    EXPECT_FALSE(big.history().canUndo() || big.history().canRedo());
}
