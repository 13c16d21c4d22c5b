// The menu bar and the check of the record list, driven like a user: F7 on the bundled sample
// with errors planted, the results window, a result leading to its record, a save that mends
// it and a deletion.
#include "browsertestsupport.h"
#include "checkjob.h"
#include "checkresults.h"
#include "checkwindow.h"
#include "codec.h"
#include "findfrm.h"
#include "loadjob.h"

#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace bibliora;
using namespace bibliora::test;

class CheckWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_planted;

    // The results as lines "序号 字段 子字段 级别 规则", in the order the window shows them.
    static QStringList results(const CheckWindow& check)
    {
        const auto* view = check.findChild<QTableView*>(QStringLiteral("Results"));
        QStringList lines;
        for (int r = 0; r < view->model()->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < CheckResults::Message; ++c)
                cells << view->model()->index(r, c).data().toString();
            lines << cells.join(QLatin1Char(' '));
        }
        return lines;
    }
    static QString summary(const CheckWindow& check)
    {
        return check.findChild<QLabel*>(QStringLiteral("Summary"))->text();
    }
    static bool marked(Window& w, int row)
    {
        return !w.grid().model().index(row - 1, 0).data(Qt::DecorationRole).isNull();
    }
    static CheckWindow* pressF7(Window& w)
    {
        auto* check = w.form->findChild<CheckWindow*>(QStringLiteral("CheckWindow"));
        QSignalSpy done(&check->job(), &CheckJob::finished);
        w.form->activateWindow(); // as the window manager does when the results window closes
        if (!QTest::qWaitForWindowActive(w.form.get()))
            return nullptr;
        QTest::keyClick(w.text2(), Qt::Key_F7);
        return done.wait(60000) ? check : nullptr;
    }

private slots:
    void initTestCase()
    {
        // The bundled sample, clean, with wrong ISBN check digits planted in records 5 and 9.
        std::vector<std::string> records;
        readMarcFile(QFINDTESTDATA("../../samples/cnmarc-gbk.iso").toStdString(),
                     [&](MarcRecord&& r) { records.push_back(std::move(r)); });
        QCOMPARE(records.size(), std::size_t(120));
        for (const auto& [n, from, to] :
             {std::tuple{5, "22321-0", "22321-1"}, std::tuple{9, "68027-4", "68027-5"}}) {
            std::string& r = records[std::size_t(n - 1)];
            const std::size_t at = r.find(from);
            QVERIFY(at != std::string::npos);
            r.replace(at, 7, to);
        }
        m_planted = writeLinesFile(m_dir.path(), QStringLiteral("planted.iso"), records);
    }

    void theMenuEntriesFollowTheirButtonsAndKeepTheButtonsKeys()
    {
        Window w;
        auto* bar = w.child<QMenuBar>("MenuBar");
        QStringList titles;
        for (QAction* menu : bar->actions())
            titles << menu->text();
        QCOMPARE(titles, QStringList({QStringLiteral("文件(&W)"), QStringLiteral("编辑(&E)"),
                                      QStringLiteral("工具(&T)"), QStringLiteral("帮助(&H)")}));
        QMap<QString, QAction*> entries;
        for (QAction* menu : bar->actions())
            for (QAction* entry : menu->menu()->actions())
                if (!entry->isSeparator())
                    entries[entry->text().section(QLatin1Char('('), 0, 0)] = entry;
        const std::pair<const char*, QKeySequence> keys[] = {
            {"打开", QKeySequence(Qt::CTRL | Qt::Key_O)},
            {"导出全部", QKeySequence(Qt::CTRL | Qt::Key_E)},
            {"退出", QKeySequence(Qt::CTRL | Qt::Key_Q)},
            {"查找", QKeySequence(Qt::CTRL | Qt::Key_F)},
            {"检查", QKeySequence(Qt::Key_F7)},
            {"关于 Bibliora", QKeySequence(Qt::Key_F1)}};
        for (const auto& [name, key] : keys)
            QCOMPARE(entries.value(QString::fromUtf8(name))->shortcut(), key);
        // No access key of the bar is F or S: Alt+F and Alt+S stay the buttons'.
        for (const QString& t : titles)
            QVERIFY(!t.contains(QStringLiteral("&F")) && !t.contains(QStringLiteral("&S")));

        // 查找 only while the find button shows; open and export off while a file loads.
        QAction* find = entries.value(QStringLiteral("查找"));
        QVERIFY(!find->isEnabled() && entries.value(QStringLiteral("打开"))->isEnabled());
        auto* job = w.form->findChild<LoadJob*>();
        bool midway = false;
        connect(job, &LoadJob::progress, this, [&] {
            midway = midway ||
                     (!find->isEnabled() && !entries.value(QStringLiteral("打开"))->isEnabled() &&
                      !entries.value(QStringLiteral("导出全部"))->isEnabled());
        });
        job->setThreads(1); // slices of 32 records: a progress signal before the end
        job->setSliceMs(0);
        w.load(m_planted);
        QVERIFY(midway);
        QVERIFY(find->isEnabled() && entries.value(QStringLiteral("导出全部"))->isEnabled());
        // An entry does what its button does: Ctrl+F opens the find dialog.
        QTest::keyClick(w.text2(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(w.form->findChild<FindFrm*>() && w.form->findChild<FindFrm*>()->isVisible());
        w.form->findChild<FindFrm*>()->hide();
        QTest::keyClick(w.text2(), Qt::Key_F1);
        QCOMPARE(w.fake.messageBox->calls.back().title, QStringLiteral("关于 Bibliora"));
        QVERIFY(w.lastMessage().contains(QStringLiteral(BIBLIORA_VERSION)) &&
                w.lastMessage().contains(BrowserForm::projectAddress()) &&
                w.lastMessage().contains(QStringLiteral("GPL-3.0-or-later")));
    }

    void f7ChecksEveryRecordAndEachResultLeadsToItsRecord()
    {
        Window w;
        w.load(QFINDTESTDATA("../../samples/cnmarc-gbk.iso"));
        CheckWindow* check = pressF7(w);
        QVERIFY(check && check->isVisible());
        QCOMPARE(results(*check), QStringList());
        QCOMPARE(summary(*check), QStringLiteral("已检查 120 条记录，没有发现问题。"));

        w.load(m_planted);
        QCOMPARE(summary(*check), QStringLiteral("尚未检查。按 F7 检查全部记录。"));
        QVERIFY(pressF7(w));
        QCOMPARE(results(*check), QStringList({QStringLiteral("5 010 a 错误 ISBN"),
                                               QStringLiteral("9 010 a 错误 ISBN")}));
        QVERIFY(marked(w, 5) && marked(w, 9) && !marked(w, 4));
        auto* view = check->findChild<QTableView*>(QStringLiteral("Results"));
        QVERIFY(view->model()
                    ->index(0, CheckResults::Message)
                    .data()
                    .toString()
                    .contains(QStringLiteral("ISBN 校验位错误，应为 0")));
        // Enter on a result shows its record as a find does.
        view->setCurrentIndex(view->model()->index(1, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(w.state(), Window::showing(120, 9));

        // A save that mends record 9 clears its result and its mark.
        w.text2()->setPlainText(
            w.text2()->toPlainText().replace(QStringLiteral("68027-5"), QStringLiteral("68027-4")));
        w.click("Command4");
        QCOMPARE(results(*check), QStringList({QStringLiteral("5 010 a 错误 ISBN")}));
        QVERIFY(!marked(w, 9) && marked(w, 5));
        QCOMPARE(summary(*check),
                 QStringLiteral("已检查 120 条记录：1 条有错误；错误 1 处，警告 0 处。"));

        // Deleting records before a result moves it up with its record; deleting the record
        // takes its result.
        w.fake.popupMenu->answers = {1};
        w.fake.messageBox->answers = {MessageAnswer::Yes};
        w.clickRow(2);
        w.rightClickRow(2);
        QCOMPARE(results(*check), QStringList({QStringLiteral("5 010 a 错误 ISBN")}));
        view->setCurrentIndex(view->model()->index(0, 0));
        QTest::keyClick(view, Qt::Key_Enter);
        QCOMPARE(w.form->NowRow(), 4);
        QCOMPARE(w.grid().cellText(4, 0), QStringLiteral("5"));
        w.fake.popupMenu->answers = {1};
        w.fake.messageBox->answers = {MessageAnswer::Yes};
        w.rightClickRow(4);
        QCOMPARE(results(*check), QStringList());

        // Escape closes the window; F7 checks again and opens it.
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(!check->isVisible());
        QVERIFY(pressF7(w) && check->isVisible());
        QCOMPARE(summary(*check), QStringLiteral("已检查 118 条记录，没有发现问题。"));
    }
};

QTEST_MAIN(CheckWindowTest)
#include "tst_checkwindow.moc"
