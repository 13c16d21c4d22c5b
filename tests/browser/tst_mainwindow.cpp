// The main window driven like a user: start-up (from a path the ANSI code page cannot spell),
// loading, selection, saving, navigation, the number box, the layout and the skin.
#include "browsertestsupport.h"
#include "buttonskin.h"
#include "codec.h"
#include "commandline.h"
#include "layout.h"
#include "loadjob.h"
#include "qtskin.h"
#include "twips.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QDir>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace bibliora;
using namespace bibliora::test;

class MainWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folder;
    QString m_three;
    QString m_many;
    std::vector<std::string> m_records;
    static constexpr int kBig = 300000; // loads in several progress steps
    QString m_big;

private slots:
    void initTestCase()
    {
        // A folder and file whose names the ANSI code page cannot spell.
        m_folder = m_dir.path() + QStringLiteral("/编目 かな 😀");
        QVERIFY(QDir().mkpath(m_folder));
        m_three = writeLinesFile(
            m_folder, QStringLiteral("数据 2024.iso"),
            {makeRecord(QStringLiteral("红楼梦"), QStringLiteral("978-7-02-000220-7")),
             makeRecord(QStringLiteral("水浒传"), QStringLiteral("978-7-02-000221-4")),
             makeRecord(QStringLiteral("西游记"), QString())});
        for (int i = 1; i <= 120; ++i)
            m_records.push_back(
                makeRecord(QStringLiteral("题名%1").arg(i), QStringLiteral("ISBN-%1").arg(i)));
        m_many = writeLinesFile(m_dir.path(), QStringLiteral("many.iso"), m_records);
        std::vector<std::string> big(kBig, makeRecord(QStringLiteral("大文件"), QString()));
        m_big = writeLinesFile(m_dir.path(), QStringLiteral("big.iso"), big);
    }

    void startsWithTheArgumentTextAsOnePath()
    {
        const QString native = QDir::toNativeSeparators(m_three);
        const char* two[] = {"bibliora", "a.iso", "b.iso"};
        Window w;
#ifdef _WIN32
        // The program reads its command line as UTF-16: argv has only the ANSI code page.
        w.form->start(startupPathFromCommandLine(
            QStringLiteral("\"C:\\Program Files\\Bibliora\\bibliora.exe\" \"%1\"").arg(native)));
#else
        const std::string quoted = "\"" + native.toStdString() + "\"";
        const char* one[] = {"bibliora", quoted.c_str()};
        w.form->start(startupPathFrom(2, one));
#endif
        QTRY_COMPARE(w.grid().rowCount(), 4); // the start-up load runs from the event loop
        QCOMPARE(w.text1()->text(), native);
        Window none;
        none.form->start(startupPathFrom(3, two)); // names no file: left in the box, nothing loaded
        QCOMPARE(none.text1()->text(), QStringLiteral("a.iso b.iso"));
        QVERIFY(none.label1()->isHidden() && none.button("Command4")->isHidden());
    }

    void openButtonLoadsAndCancelEmptiesThePath()
    {
        Window w;
        w.fake.fileDialog->answers = {m_three};
        w.click("Command1");
        w.waitForLoad();
        QCOMPARE(w.fake.fileDialog->titles, QStringList{QStringLiteral("选择MARC文件")});
        // The two filters of old first; the other forms after them.
        QCOMPARE(w.fake.fileDialog->filters.size(), 6);
        QCOMPARE(w.fake.fileDialog->filters[0].description + w.fake.fileDialog->filters[1].pattern,
                 QStringLiteral("(ISO2709格式)*.txt"));
        QCOMPARE(w.fake.fileDialog->filters[2].pattern + w.fake.fileDialog->filters[3].pattern,
                 QStringLiteral("*.xml*.mrk"));
        QCOMPARE(w.state(), Window::showing(3, 1));
        QCOMPARE(w.grid().cellText(1, 1), QStringLiteral("红楼梦"));
        QVERIFY(w.button("Command4")->isVisible() && w.button("Command5")->isVisible());
        for (int column : {0, 1, 2}) // "^" before every heading of the format: all centred
            QCOMPARE(w.grid().model().index(0, column).data(Qt::TextAlignmentRole).toInt(),
                     int(Qt::AlignCenter));
        QAbstractItemModelTester tester(&w.grid().model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        w.click("Command1"); // cancelled
        QCOMPARE(w.text1()->text(), QString());
        // A folder or a missing file changes nothing; a dropped file loads; a file without
        // records empties the list.
        w.load(m_dir.path());
        w.load(m_dir.filePath(QStringLiteral("missing.iso")));
        QCOMPARE(w.state(), Window::showing(3, 1));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(m_many)});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(w.form.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(w.form.get(), &drop);
        w.waitForLoad();
        QCOMPARE(w.state(), Window::showing(120, 1));
        w.load(writeLinesFile(m_dir.path(), QStringLiteral("none.iso"), {"no terminator"}));
        QCOMPARE(w.state(), QStringLiteral("0 rows /0, box 0, row 0 at 0 showing nothing"));
        w.click("Command4"); // save and "<" with no record do nothing
        w.click("Command2_1");
        QVERIFY(w.fake.messageBox->calls.empty());
    }

    void savingRebuildsTheRowOrRefusesTheTextAndTabLeavesIt()
    {
        Window w;
        w.load(m_three);
        w.clickRow(2);
        QString edited = w.text2()->toPlainText();
        edited.replace(QStringLiteral("水浒传"), QStringLiteral("水浒全传"))
            .append(QStringLiteral("\n020 __ ■a7-02-000221-X"));
        w.text2()->setPlainText(edited);
        w.click("Command4");
        QCOMPARE(w.grid().cellText(2, 1) + w.grid().cellText(2, 2),
                 QStringLiteral("水浒全传978-7-02-000221-4"));
        QCOMPARE(w.grid().cellTextColour(2, 2), kModifiedColour);
        QCOMPARE(w.grid().cellTextColour(1, 0), 0u);
        QCOMPARE(w.state(), Window::showing(3, 2)); // the record as saved: 005 from the clock
        QVERIFY(w.shownText().contains(QStringLiteral("\r\n005    20240131143005.0\r\n")));

        const std::string before = w.record(2);
        for (const QString& bad : {w.text2()->toPlainText() + QStringLiteral("\n606 0_ ■aSubject■"),
                                   QStringLiteral("HEA")}) {
            w.text2()->setPlainText(bad);
            w.click("Command4");
            QCOMPARE(w.fake.messageBox->calls.back().title, QStringLiteral("操作提示"));
            QCOMPARE(w.record(2), before);
            QCOMPARE(w.text2()->toPlainText(), bad);
        }
        QVERIFY(w.fake.messageBox->calls[0].text.contains(QStringLiteral("子字段")));

        // Tab moves the focus out of the record text; a pasted tab is kept.
        w.text2()->setFocus();
        QTest::keyClick(w.text2(), Qt::Key_Tab);
        QCOMPARE(w.text2()->toPlainText(), QStringLiteral("HEA"));
        QVERIFY(!w.text2()->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(w.text2()->hasFocus());
        QApplication::clipboard()->setText(QStringLiteral("a\tb"));
        QTest::keyClick(w.text2(), Qt::Key_V, Qt::ControlModifier);
        QVERIFY(w.text2()->toPlainText().contains(QStringLiteral("a\tb")));
    }

    void clicksKeysButtonsAndTheNumberBoxShowRecords()
    {
        Window w;
        QLineEdit* box = w.text3();
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("x.")); // no records: every key is typed
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("1x"));
        w.text2()->setFocus();
        QCOMPARE(box->text(), QStringLiteral("0"));

        w.load(m_many);
        w.clickRow(7);
        QCOMPARE(w.state(), Window::showing(120, 7));
        QTest::keyClick(&w.grid(), Qt::Key_Down);
        QCOMPARE(w.state(), Window::showing(120, 8));
        w.text2()->setPlainText(QStringLiteral("edited"));
        w.clickRow(8); // the current row again: unsaved edits are dropped
        QCOMPARE(w.state(), Window::showing(120, 8));
        // The buttons, and the number box: the last record by its number, leading zeros
        // kept in the box, numbers out of range refused, letters and the point not typed.
        const std::pair<const char*, int> buttons[] = {{"Command2_3", 120},
                                                       {"Command2_2", 120},
                                                       {"Command2_1", 119},
                                                       {"Command2_0", 1},
                                                       {"Command2_1", 1}};
        for (const auto& [name, row] : buttons) {
            w.click(name);
            QCOMPARE(w.state(), Window::showing(120, row));
        }
        const std::tuple<const char*, const char*, int> typed[] = {
            {"57", "57", 57},   {"120", "120", 120}, {"007", "007", 7},
            {"0", "7", 7},      {"121", "7", 7},     {"123456789012345678901234567890", "7", 7},
            {"1a2.b", "12", 12}};
        for (const auto& [keys, shown, row] : typed) {
            box->setFocus();
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Delete);
            QTest::keyClicks(box, QString::fromLatin1(keys));
            QTest::keyClick(box, Qt::Key_Return);
            QCOMPARE(w.state(), Window::showing(120, row, QString::fromLatin1(shown)));
        }
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("12"));
        box->clear();
        w.text2()->setFocus(); // leaving an empty box resets it
        QCOMPARE(box->text(), QStringLiteral("12"));
    }

    void layoutFollowsTheOuterSize()
    {
        const MainLayout l = computeLayout(12000, 9000);
        QCOMPARE(l.grid1, QRectF(60, 720, 4800, 7425));
        QCOMPARE(l.text2, QRectF(4880, 1440, 7000, 6700));
        QCOMPARE(QPointF(l.text1.width(), l.command3.left()), QPointF(10030, 10643));
        QCOMPARE(l.label2.topLeft(), QPointF(3502.5, 8200));

        Window w;
        const double dpi = logicalDpi(w.form.get());
        const QSize frame = w.form->frameGeometry().size() - w.form->size();
        w.form->resize(QSize(twipsToPixels(12000, dpi), twipsToPixels(9000, dpi)) - frame);
        QTRY_COMPARE(w.grid().width(), twipsToPixels(4800, dpi));
        // The area below the menu bar is laid out, as the whole window was before it.
        const int bar = w.child<QWidget>("MenuBar")->height();
        const double barTwips = pixelsToTwips(bar, dpi);
        QCOMPARE(w.text2()->geometry(),
                 twipsToPixels(computeLayout(12000, float(9000 - barTwips)).text2, dpi)
                     .translated(0, bar));
        QCOMPARE(w.grid().columnWidth(0), twipsToPixels(720, dpi));
        QVERIFY(w.grid().isColumnHidden(3));
        QTest::mouseClick(w.child<QWidget>("Label2"), Qt::RightButton);
        QTest::mouseClick(w.child<QWidget>("Label2"), Qt::MiddleButton);
        QVERIFY(w.fake.shell->addresses.isEmpty()); // only a left click opens the page
        QTest::mouseClick(w.child<QWidget>("Label2"), Qt::LeftButton);
        QCOMPARE(w.fake.shell->addresses, QStringList{BrowserForm::projectAddress()});
    }

    void commandsDuringALoadCannotDisturbIt()
    {
        Window w;
        w.fake.fileDialog->answers = {m_three};
        int rowsMidway = 0;
        // Between two published slices of the load, when the window is back in its event loop
        // with part of the file shown: the commands come as the user's would.
        auto* job = w.form->findChild<LoadJob*>();
        QVERIFY(job);
        connect(job, &LoadJob::progress, this, [&] {
            if (rowsMidway)
                return;
            rowsMidway = w.grid().rowCount();
            const auto whole = [&] {
                return w.label1()->fontMetrics().horizontalAdvance(w.label1()->text()) <=
                       w.label1()->width();
            };
            QVERIFY2(whole(), qPrintable(w.label1()->text()));
            w.click("Command1");
            w.click("Command3");
            w.fake.popupMenu->answers = {1};
            w.rightClickRow(1);
        });
        w.load(m_big);
        QVERIFY(rowsMidway > 1 && rowsMidway < kBig + 1);
        QCOMPARE(w.label1()->text(), QStringLiteral("/%1").arg(kBig));
        QVERIFY(w.label1()->fontMetrics().horizontalAdvance(w.label1()->text()) <=
                w.label1()->width());
        QVERIFY(w.label1()->geometry().right() < w.button("Command5")->x());
        QVERIFY(w.fake.fileDialog->titles.isEmpty() && w.fake.popupMenu->shown.empty());
    }

    void theSkinComesOnBeforeShowingAndOffOnClose()
    {
        FakePlatform fake;
        BrowserForm form(fake.platform());
        QCOMPARE(skin::attachSkin(&form), 1);
        form.show();
        auto* save = form.findChild<QPushButton*>(QStringLiteral("Command4"));
        QVERIFY(save->property("PROCADDR").toLongLong() != 0);
        form.close();
        QVERIFY(!save->property("PROCADDR").isValid());
        QCOMPARE(skin::skinState().skinnedButtonCount(), 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
