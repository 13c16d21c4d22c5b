// Times the real window code offscreen on a large file: loading until "/N" shows, a find
// that hits the last record, a save, deleting 1,000 selected rows, the two exports, and the
// check of every record (F7) with the longest gap between repaints of its progress.
// Prints one Markdown table row per file; never a pass/fail verdict. Unix only (getrusage).
#include "browserform.h"
#include "checkjob.h"
#include "checkwindow.h"
#include "fakeplatform.h"
#include "findfrm.h"
#include "gridcontrol.h"

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

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bibliora-bench-window FILE\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    test::FakePlatform fake;
    BrowserForm form(fake.platform());
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;

    auto* label1 = form.findChild<QLabel*>(QStringLiteral("Label1"));
    PaintWatch watch(label1);
    form.findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(path);
    QElapsedTimer t;
    t.start();
    QEventLoop loading;
    QObject::connect(&form, &BrowserForm::loadFinished, &loading, &QEventLoop::quit);
    form.loadGridData();
    if (form.isLoading())
        loading.exec();
    const double loadMs = ms(t);
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
