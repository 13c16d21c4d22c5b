// Times the real window code offscreen on a large file: loading until "/N" shows, a find
// that hits the last record, a save, deleting 1,000 selected rows, the two exports, and the
// check of every record (F7) with the longest gap between repaints of its progress.
//   bibliora-bench-window [--threads N] FILE   N threads read and check (default: one per core)
//   bibliora-bench-window --replace FILE   查找替换 instead, in a process of its own: 查找下一个
//                                          to the only match, in the last record; 全部替换 of a
//                                          text every record holds; 撤销 of it; peak memory
// Prints one Markdown table row per file; never a pass/fail verdict. Unix only (getrusage).
#include "browserform.h"
#include "checkjob.h"
#include "checkwindow.h"
#include "editjob.h"
#include "fakeplatform.h"
#include "findfrm.h"
#include "gridcontrol.h"
#include "loadjob.h"
#include "lookup.h"
#include "recordmodel.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

using namespace bibliora;

namespace {

// Counts how often, and how regularly, a widget is painted.
class PaintWatch final : public QObject
{
public:
    explicit PaintWatch(QWidget* w)
    {
        w->installEventFilter(this);
        m_clock.start();
    }
    qint64 longestGapMs() const { return m_longest; }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            const qint64 now = m_clock.elapsed();
            if (m_last >= 0)
                m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        }
        return false;
    }

private:
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    qint64 m_longest = 0;
};

double ms(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

long peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

unsigned g_threads = 0;

// Loads `path` into the form as the user does; the load's time in ms.
double load(BrowserForm& form, const QString& path)
{
    form.findChild<LoadJob*>()->setThreads(g_threads);
    form.findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(path);
    QElapsedTimer t;
    t.start();
    QEventLoop loading;
    QObject::connect(&form, &BrowserForm::loadFinished, &loading, &QEventLoop::quit);
    form.loadGridData();
    if (form.isLoading())
        loading.exec();
    return ms(t);
}

QAction* menuEntry(const BrowserForm& form, const QString& startingWith)
{
    for (QAction* a : form.findChildren<QAction*>())
        if (a->text().startsWith(startingWith))
            return a;
    return nullptr;
}

// 查找替换 on a loaded list: the find of the one match, in the last record, from the first;
// 全部替换 of "NLC" (in every generated record's 801) by "NLCX" until the window has applied
// it, with the longest time the event loop was kept from running (between the job's slices,
// and the last slice to the change applied); 撤销 of it; the peak memory after each.
int replaceRow(const QString& path)
{
    test::FakePlatform fake;
    BrowserForm form(fake.platform());
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    const double loadMs = load(form, path);
    const long loadedMb = peakRssMb();
    const RecordModel& model = form.grid().model();
    if (model.size() == 0)
        return 1;
    const std::size_t last = model.size() - 1;

    menuEntry(form, QStringLiteral("查找替换"))->trigger();
    auto* dialog = form.findChild<QWidget*>(QStringLiteral("ReplaceDialog"));
    auto* findText = dialog->findChild<QLineEdit*>(QStringLiteral("FindText"));
    findText->setText(QString::fromStdU16String(lookupSubfield(model.record(last), u"001$")));
    QElapsedTimer t;
    t.start();
    dialog->findChild<QPushButton*>(QStringLiteral("FindNext"))->click();
    const double findMs = ms(t);
    const bool foundLast = form.NowRow() == int(last) + 1;

    findText->setText(QStringLiteral("NLC"));
    dialog->findChild<QLineEdit*>(QStringLiteral("ReplaceText"))->setText(QStringLiteral("NLCX"));
    auto* job = form.findChild<EditJob*>();
    QElapsedTimer clock;
    qint64 lastTurn = 0;
    qint64 longestGap = 0;
    const auto turn = [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastTurn);
        lastTurn = now;
    };
    QObject::connect(job, &EditJob::progress, turn);
    QEventLoop replacing;
    // After the window's own handler, which applies the change.
    QObject::connect(job, &EditJob::finished, &replacing, [&] {
        turn();
        replacing.quit();
    });
    const std::size_t messages = fake.messageBox->calls.size();
    clock.start();
    dialog->findChild<QPushButton*>(QStringLiteral("ReplaceAll"))->click();
    if (job->isRunning())
        replacing.exec();
    const double replaceMs = clock.nsecsElapsed() / 1e6;
    const long replacedMb = peakRssMb();
    const QString told =
        fake.messageBox->calls.size() > messages ? fake.messageBox->calls.back().text : QString();
    const bool replacedAll =
        told.startsWith(QStringLiteral("已替换 %1 处，涉及 %1 条记录").arg(model.size()));

    QAction* undo = menuEntry(form, QStringLiteral("撤销"));
    form.activateWindow();
    t.restart();
    undo->trigger();
    const double undoMs = ms(t);
    const bool undone = model.history().canRedo() && !model.row(last).modified;

    const QFileInfo file(path);
    std::printf("| %s | %zu | %.0f | %.1f | %.0f | %lld | %.0f | %ld | %ld | %.2f |%s%s%s\n",
                file.fileName().toLocal8Bit().constData(), model.size(), loadMs, findMs, replaceMs,
                static_cast<long long>(longestGap), undoMs, loadedMb, replacedMb,
                double(replacedMb) * 1024 * 1024 / double(file.size()),
                foundLast ? "" : " (find missed)", replacedAll ? "" : " (replace-all missed)",
                undone ? "" : " (undo missed)");
    return foundLast && replacedAll && undone ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int first = 1;
    if (argc > 3 && std::strcmp(argv[1], "--threads") == 0) {
        g_threads = static_cast<unsigned>(std::atoi(argv[2]));
        first = 3;
    }
    const bool replacing = argc == first + 2 && std::strcmp(argv[first], "--replace") == 0;
    if (argc != first + 1 && !replacing) {
        std::fprintf(stderr, "usage: bibliora-bench-window [--threads N] [--replace] FILE\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[argc - 1]);
    if (replacing)
        return replaceRow(path);
    test::FakePlatform fake;
    BrowserForm form(fake.platform());
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;

    auto* label1 = form.findChild<QLabel*>(QStringLiteral("Label1"));
    PaintWatch watch(label1);
    const double loadMs = load(form, path);
    QElapsedTimer t;
    t.start();
    // Read now: the check below runs the event loop again, which repaints the count long
    // after the load.
    const qint64 loadGapMs = watch.longestGapMs();
    GridControl& grid = form.grid();
    const int last = grid.rowCount() - 1;

    // A find that hits the last record, through the dialog.
    form.findChild<QPushButton*>(QStringLiteral("Command5"))->click();
    auto* find = form.findChild<FindFrm*>(QStringLiteral("FindFrm"));
    const QString target = grid.cellText(last, 2);
    find->findChild<QRadioButton*>(QStringLiteral("Option2"))->setChecked(true);
    find->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(target);
    t.restart();
    find->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    const double findMs = ms(t);
    const bool foundLast = form.NowRow() > 0 && grid.cellText(form.NowRow(), 2) == target;

    // Saves, averaged over 100.
    auto* save = form.findChild<QPushButton*>(QStringLiteral("Command4"));
    t.restart();
    for (int i = 0; i < 100; ++i)
        save->click();
    const double saveMs = ms(t) / 100;

    QTemporaryDir dir;
    const QString all = dir.filePath(QStringLiteral("all.iso"));
    fake.fileDialog->answers = {all};
    t.restart();
    form.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
    const double exportAllMs = ms(t);

    const QString modified = dir.filePath(QStringLiteral("modified.iso"));
    fake.fileDialog->answers = {modified};
    t.restart();
    form.exportGridData(true);
    const double exportModifiedMs = ms(t);

    // Delete 1,000 selected rows from the middle.
    const int from = std::max(1, last / 2);
    grid.selectRange(from, 0, std::min(last, from + 999), 3);
    fake.popupMenu->answers = {1};
    fake.messageBox->answers = {MessageAnswer::Yes};
    t.restart();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5),
                      grid.viewport()->mapToGlobal(QPointF(5, 5)), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &press);
    const double deleteMs = ms(t);
    const long peakMb = peakRssMb(); // the list's own memory, before the check adds its index

    // The check of every record, as F7 starts it.
    auto* check = form.findChild<CheckWindow*>(QStringLiteral("CheckWindow"));
    PaintWatch checkWatch(check->findChild<QLabel*>(QStringLiteral("Summary")));
    QEventLoop checking;
    QObject::connect(&check->job(), &CheckJob::finished, &checking, &QEventLoop::quit);
    check->job().setThreads(g_threads);
    t.restart();
    check->checkAll();
    checking.exec();
    const double checkMs = ms(t);

    std::printf(
        "| %s | %d | %.0f | %.1f | %.3f | %.0f | %.1f | %.0f | %lld | %ld | %.0f | %lld |%s\n",
        QFileInfo(path).fileName().toLocal8Bit().constData(), last, loadMs, findMs, saveMs,
        exportAllMs, exportModifiedMs, deleteMs, static_cast<long long>(loadGapMs), peakMb, checkMs,
        static_cast<long long>(checkWatch.longestGapMs()), foundLast ? "" : " (find missed)");
    return 0;
}
