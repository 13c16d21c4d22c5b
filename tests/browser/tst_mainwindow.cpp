// The main window driven like a user: start-up, loading, selection, saving, navigation,
// the number box and the layout.
#include "browsertestsupport.h"
#include "codec.h"
#include "layout.h"
#include "twips.h"

#include <QAbstractItemModelTester>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace bibliora;
using namespace bibliora::test;

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_threeRecords;
    QString m_hundredTwenty;
    std::vector<std::string> m_records;

    // Large enough that loading takes several progress steps.
    static constexpr int kBig = 300000;
    QString m_big;
    QString bigFile()
    {
        if (m_big.isEmpty()) {
            std::vector<std::string> big;
            big.reserve(kBig);
            for (int i = 1; i <= kBig; ++i)
                big.push_back(makeRecord(QStringLiteral("大文件%1").arg(i), QString()));
            m_big = writeLinesFile(m_dir.path(), QStringLiteral("big.iso"), big);
        }
        return m_big;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_threeRecords = writeLinesFile(m_dir.path(), QStringLiteral("three.iso"),
                                        {makeRecord(QStringLiteral("红楼梦"), QStringLiteral("978-7-02-000220-7")),
                                         makeRecord(QStringLiteral("水浒传"), QStringLiteral("978-7-02-000221-4")),
                                         makeRecord(QStringLiteral("西游记"), QString())});
        for (int i = 1; i <= 120; ++i)
            m_records.push_back(makeRecord(QStringLiteral("题名%1").arg(i), QStringLiteral("ISBN-%1").arg(i)));
        m_hundredTwenty = writeLinesFile(m_dir.path(), QStringLiteral("many.iso"), m_records);
    }

    void startupPathJoinsArgumentsAndDropsQuotes()
    {
        const char* quoted[] = {"bibliora", "\"/tmp/my file.iso\""};
        QCOMPARE(startupPathFrom(2, quoted), QStringLiteral("/tmp/my file.iso"));
        const char* two[] = {"bibliora", "a.iso", "b.iso"};
        QCOMPARE(startupPathFrom(3, two), QStringLiteral("a.iso b.iso"));
        const char* none[] = {"bibliora"};
        QCOMPARE(startupPathFrom(1, none), QString());
    }

    void startsWithAPathThatLoadsOrIsLeftInTheBox()
    {
        // A path with a space, given quoted on the command line.
        const QString spaced = writeLinesFile(m_dir.path(), QStringLiteral("with space.iso"),
                                              {makeRecord(QStringLiteral("甲"), QString())});
        const std::string arg = "\"" + spaced.toStdString() + "\"";
        const char* argv[] = {"bibliora", arg.c_str()};
        {
            FakePlatform fake;
            BrowserForm form(fake.platform());
            form.start(startupPathFrom(2, argv));
            QCOMPARE(form.grid().rowCount(), 2);
            QCOMPARE(form.NowRow(), 1);
        }
        {
            // Two paths stay one text, which names no file: nothing is loaded.
            const std::string both = m_threeRecords.toStdString();
            const char* twoArgs[] = {"bibliora", both.c_str(), both.c_str()};
            FakePlatform fake;
            BrowserForm form(fake.platform());
            form.start(startupPathFrom(3, twoArgs));
            QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), m_threeRecords + QLatin1Char(' ') + m_threeRecords);
            QCOMPARE(form.grid().rowCount(), 1);
            QVERIFY(form.findChild<QLabel*>(QStringLiteral("Label1"))->isHidden());
        }
    }

    void initialControlsAreAsDesigned()
    {
        Window w;
        QVERIFY(w.form->windowTitle().contains(QLatin1String("Bibliora")));
        QVERIFY(w.form->windowTitle().contains(QLatin1String("2.0")));
        QCOMPARE(w.child<QGroupBox>("Frame1")->title(), QStringLiteral("MARC文件路径"));
        QCOMPARE(w.button("Command1")->text(), QStringLiteral("..."));
        QCOMPARE(w.button("Command3")->toolTip(), QStringLiteral("导出全部的数据到ISO格式文件"));
        QCOMPARE(w.button("Command2_0")->text(), QStringLiteral("|<"));
        QCOMPARE(w.button("Command2_3")->text(), QStringLiteral(">|"));
        QCOMPARE(w.text3()->text(), QStringLiteral("1"));
        QCOMPARE(w.text3()->toolTip(), QStringLiteral("回车后可以跳转到你想要看的那条数据！"));
        QCOMPARE(w.label1()->text(), QStringLiteral("/100000"));
        QVERIFY(w.label1()->isHidden());
        QVERIFY(w.button("Command4")->isHidden());
        QVERIFY(w.button("Command5")->isHidden());
        QCOMPARE(w.button("Command4")->text(), QStringLiteral("保存 &S"));
        QCOMPARE(w.button("Command5")->text(), QStringLiteral("查找 &F"));
    }

    void openButtonLoadsTheChosenFileAndCancelEmptiesThePath()
    {
        Window w;
        w.fake.fileDialog->answers = {m_threeRecords};
        QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
        QCOMPARE(w.fake.fileDialog->calls.size(), 1u);
        QVERIFY(w.fake.fileDialog->calls[0].isOpen);
        QCOMPARE(w.fake.fileDialog->calls[0].title, QStringLiteral("选择MARC文件"));
        QCOMPARE(w.fake.fileDialog->calls[0].filter, QStringLiteral("(ISO2709格式)|*.ISO|文本形式|*.txt"));
        QCOMPARE(w.grid().rowCount(), 4);
        QCOMPARE(w.grid().cellText(0, 0), QStringLiteral("序号"));
        QCOMPARE(w.grid().cellText(1, 1), QStringLiteral("红楼梦"));
        QCOMPARE(w.grid().cellText(3, 0), QStringLiteral("3"));
        QCOMPARE(w.grid().cellText(3, 2), QString());
        QCOMPARE(w.label1()->text(), QStringLiteral("/3"));
        QCOMPARE(w.text3()->text(), QStringLiteral("1"));
        QCOMPARE(w.shownText(), displayOf(w.grid().recordAt(1)));
        QVERIFY(w.button("Command4")->isVisible());
        QVERIFY(w.button("Command5")->isVisible());

        // Cancelled: the path box is emptied and the list stays.
        QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
        QCOMPARE(w.text1()->text(), QString());
        QCOMPARE(w.grid().rowCount(), 4);
    }

    void gbkAndUtf16SamplesGiveTheSameList()
    {
        const QString gbkSample = QFINDTESTDATA("../../samples/cnmarc-gbk.iso");
        const QString utf16Sample = QFINDTESTDATA("../../samples/cnmarc-utf16.txt");
        QVERIFY(!gbkSample.isEmpty() && !utf16Sample.isEmpty());
        Window a;
        a.load(gbkSample);
        Window b;
        b.load(utf16Sample);
        QVERIFY(a.grid().rowCount() > 100);
        QCOMPARE(b.grid().rowCount(), a.grid().rowCount());
        for (int r = 1; r < a.grid().rowCount(); ++r) {
            QCOMPARE(b.grid().cellText(r, 1), a.grid().cellText(r, 1));
            QCOMPARE(b.grid().cellText(r, 2), a.grid().cellText(r, 2));
        }
        QVERIFY(!a.grid().cellText(1, 1).isEmpty());
        QCOMPARE(b.label1()->text(), a.label1()->text());
        QCOMPARE(b.shownText(), a.shownText());
        QAbstractItemModelTester tester(&a.grid().model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void aFileWithNoRecordLeavesAnEmptyList()
    {
        Window w;
        w.load(m_threeRecords);
        QFile empty(m_dir.filePath(QStringLiteral("none.iso")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.write("no record terminator here\r\n");
        empty.close();
        w.load(empty.fileName());
        QCOMPARE(w.grid().rowCount(), 1);
        QCOMPARE(w.label1()->text(), QStringLiteral("/0"));
        QCOMPARE(w.text2()->toPlainText(), QString());
        QCOMPARE(w.text3()->text(), QStringLiteral("0"));
        QCOMPARE(w.form->NowRow(), 0);
        // With no record, save and "<" do nothing.
        QTest::mouseClick(w.button("Command4"), Qt::LeftButton);
        QTest::mouseClick(w.button("Command2_1"), Qt::LeftButton);
        QCOMPARE(w.grid().rowCount(), 1);
        QVERIFY(w.fake.messageBox->calls.empty());
    }

    void aPathThatIsNoFileChangesNothing()
    {
        Window w;
        w.load(m_threeRecords);
        w.load(m_dir.path()); // a folder
        w.load(m_dir.filePath(QStringLiteral("missing.iso")));
        QCOMPARE(w.grid().rowCount(), 4);
        QCOMPARE(w.label1()->text(), QStringLiteral("/3"));
    }

    void clickingAndArrowKeysShowTheRecord()
    {
        Window w;
        w.load(m_hundredTwenty);
        w.clickRow(7);
        QCOMPARE(w.form->NowRow(), 7);
        QCOMPARE(w.text3()->text(), QStringLiteral("7"));
        QCOMPARE(w.shownText(), displayOf(m_records[6]));

        QTest::keyClick(&w.grid(), Qt::Key_Down);
        QCOMPARE(w.form->NowRow(), 8);
        QCOMPARE(w.shownText(), displayOf(m_records[7]));
        QTest::keyClick(&w.grid(), Qt::Key_Up);
        QTest::keyClick(&w.grid(), Qt::Key_Up);
        QCOMPARE(w.text3()->text(), QStringLiteral("6"));

        // Clicking the current row again drops unsaved edits.
        w.text2()->setPlainText(QStringLiteral("edited"));
        w.clickRow(6);
        QCOMPARE(w.shownText(), displayOf(m_records[5]));
    }

    void savingRebuildsTheRecordAndMarksTheRowBlue()
    {
        Window w;
        w.load(m_threeRecords);
        w.clickRow(2);
        QTextCursor cursor = w.text2()->textCursor();
        cursor.movePosition(QTextCursor::End);
        w.text2()->setTextCursor(cursor);
        w.text2()->setFocus();
        QTest::keyClick(w.text2(), Qt::Key_Return);
        QTest::keyClicks(w.text2(), QStringLiteral("020 __ "));
        // "■" comes from an input method, as a cataloguer would enter it.
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("■"));
        QApplication::sendEvent(w.text2(), &commit);
        QTest::keyClicks(w.text2(), QStringLiteral("a7-02-000221-X"));
        // Replace the title in the 200 line.
        QString text = w.text2()->toPlainText();
        text.replace(QStringLiteral("水浒传"), QStringLiteral("水浒全传"));
        w.text2()->setPlainText(text);
        QTest::mouseClick(w.button("Command4"), Qt::LeftButton);

        QCOMPARE(w.grid().cellText(2, 1), QStringLiteral("水浒全传"));
        QCOMPARE(w.grid().cellText(2, 2), QStringLiteral("978-7-02-000221-4"));
        for (int c = 0; c < 3; ++c)
            QCOMPARE(w.grid().cellTextColour(2, c), kModifiedColour);
        QCOMPARE(w.grid().cellTextColour(1, 0), 0u);
        const std::string& saved = w.grid().recordAt(2);
        QCOMPARE(QString::fromStdString(saved.substr(0, 5)), QString::number(saved.size()).rightJustified(5, QLatin1Char('0')));
        QVERIFY(w.shownText().contains(QStringLiteral("020 __ ■a7-02-000221-X")));
        QCOMPARE(w.shownText(), displayOf(saved));
        QCOMPARE(w.text3()->text(), QStringLiteral("2"));
        // The generated 005 comes from the clock.
        QVERIFY(w.shownText().contains(QStringLiteral("005    20240131143005.0")));
    }

    void anUnbuildableTextIsRefusedAndTheRowKept()
    {
        Window w;
        w.load(m_threeRecords);
        const std::string before = w.grid().recordAt(1);
        w.text2()->setPlainText(w.text2()->toPlainText() + QStringLiteral("\n606 0_ ■aSubject■"));
        const QString edited = w.text2()->toPlainText();
        QTest::mouseClick(w.button("Command4"), Qt::LeftButton);
        QCOMPARE(w.fake.messageBox->calls.size(), 1u);
        QCOMPARE(w.fake.messageBox->calls[0].title, QStringLiteral("操作提示"));
        QVERIFY(w.fake.messageBox->calls[0].text.contains(QStringLiteral("子字段")));
        QCOMPARE(w.grid().recordAt(1), before);
        QCOMPARE(w.grid().cellTextColour(1, 0), 0u);
        QCOMPARE(w.text2()->toPlainText(), edited);

        w.text2()->setPlainText(QStringLiteral("HEA"));
        QTest::mouseClick(w.button("Command4"), Qt::LeftButton);
        QCOMPARE(w.fake.messageBox->calls.size(), 2u);
        QCOMPARE(w.grid().recordAt(1), before);
    }

    void navigationButtonsStopAtBothEnds()
    {
        Window w;
        w.load(m_hundredTwenty);
        QTest::mouseClick(w.button("Command2_3"), Qt::LeftButton);
        QCOMPARE(w.form->NowRow(), 120);
        QCOMPARE(w.text3()->text(), QStringLiteral("120"));
        QCOMPARE(w.grid().currentRow(), 120);
        w.text2()->setPlainText(QStringLiteral("unsaved"));
        QTest::mouseClick(w.button("Command2_2"), Qt::LeftButton);
        QCOMPARE(w.form->NowRow(), 120);
        QCOMPARE(w.shownText(), displayOf(m_records[119]));
        QTest::mouseClick(w.button("Command2_1"), Qt::LeftButton);
        QCOMPARE(w.form->NowRow(), 119);
        QTest::mouseClick(w.button("Command2_0"), Qt::LeftButton);
        QCOMPARE(w.form->NowRow(), 1);
        QTest::mouseClick(w.button("Command2_1"), Qt::LeftButton);
        QCOMPARE(w.form->NowRow(), 1);
        QCOMPARE(w.grid().currentRow(), 1);
        QCOMPARE(w.shownText(), displayOf(m_records[0]));
    }

    void theNumberBoxJumpsAndFiltersKeys()
    {
        Window w;
        w.load(m_hundredTwenty);
        QLineEdit* box = w.text3();
        const auto type = [&](const QString& keys) {
            box->setFocus();
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Delete);
            QTest::keyClicks(box, keys);
            QTest::keyClick(box, Qt::Key_Return);
        };
        type(QStringLiteral("57"));
        QCOMPARE(w.form->NowRow(), 57);
        QCOMPARE(w.grid().currentRow(), 57);
        QCOMPARE(w.shownText(), displayOf(m_records[56]));
        QCOMPARE(box->text(), QStringLiteral("57"));

        type(QStringLiteral("007"));
        QCOMPARE(w.form->NowRow(), 7);
        QCOMPARE(box->text(), QStringLiteral("007"));

        for (const QString& rejected : {QStringLiteral("0"), QStringLiteral("121"),
                                        QStringLiteral("123456789012345678901234567890")}) {
            type(rejected);
            QCOMPARE(w.form->NowRow(), 7);
            QCOMPARE(box->text(), QStringLiteral("7"));
        }

        // Letters, the decimal point and Backspace are not typed; Delete still works.
        type(QStringLiteral("1a2.b"));
        QCOMPARE(box->text(), QStringLiteral("12"));
        QCOMPARE(w.form->NowRow(), 12);
        box->setCursorPosition(2);
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("12"));
        box->setCursorPosition(0);
        QTest::keyClick(box, Qt::Key_Delete);
        QCOMPARE(box->text(), QStringLiteral("2"));

        // Leaving the box jumps too; an empty box is reset to the current row.
        box->clear();
        w.text2()->setFocus();
        QCOMPARE(box->text(), QStringLiteral("12"));
    }

    void withNoRecordsEveryKeyGoesIntoTheNumberBox()
    {
        Window w;
        QLineEdit* box = w.text3();
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("x."));
        QCOMPARE(box->text(), QStringLiteral("1x."));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("1x"));
        w.text2()->setFocus();
        QCOMPARE(box->text(), QStringLiteral("0"));
    }

    void layoutFollowsTheOuterSize()
    {
        const MainLayout l = computeLayout(12000, 9000);
        QCOMPARE(l.grid1.width(), 4800.0);
        QCOMPARE(l.grid1.height(), 7425.0);
        QCOMPARE(l.frame2.left(), 4880.0);
        QCOMPARE(l.text2.left(), 4880.0);
        QCOMPARE(l.frame2.width(), 7000.0);
        QCOMPARE(l.text2.width(), 7000.0);
        QCOMPARE(l.text2.height(), 6700.0);
        QCOMPARE(l.frame1.width(), 11800.0);
        QCOMPARE(l.text1.width(), 10030.0);
        QCOMPARE(l.command1.left(), 10148.0);
        QCOMPARE(l.command3.left(), 10643.0);
        QCOMPARE(l.label2.top(), 8200.0);
        QCOMPARE(l.label2.left(), 3502.5);

        // Applied to the real window whose outer size, frame included, is 12000 x 9000 twips.
        Window w;
        const double dpi = logicalDpi(w.form.get());
        const QSize frame = w.form->frameGeometry().size() - w.form->size();
        w.form->resize(QSize(twipsToPixels(12000, dpi), twipsToPixels(9000, dpi)) - frame);
        QTRY_COMPARE(w.grid().width(), twipsToPixels(4800, dpi));
        QCOMPARE(w.text2()->x(), twipsToPixels(4880, dpi));
        QCOMPARE(w.text2()->height(), twipsToPixels(6700, dpi));
        QCOMPARE(w.child<QWidget>("Label2")->y(), twipsToPixels(8200, dpi));
        // Columns are 15 %, 40 %, 40 % of the grid and the record column is hidden.
        QCOMPARE(w.grid().columnWidth(0), twipsToPixels(720, dpi));
        QVERIFY(w.grid().isColumnHidden(3));
    }

    void commandsDuringALoadCannotDisturbTheList()
    {
        const QString path = bigFile();
        Window w;
        w.fake.fileDialog->answers = {m_threeRecords};
        bool sawProgress = false;
        int rowsDuringLoad = 0;
        // While the load runs, the user clicks open, delete and export, and drops a file.
        QTimer poke;
        connect(&poke, &QTimer::timeout, this, [&] {
            if (!w.label1()->text().startsWith(QStringLiteral("正在预读第")))
                return;
            sawProgress = true;
            rowsDuringLoad = w.grid().rowCount();
            QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
            QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
            w.fake.popupMenu->answers = {1};
            w.rightClickRow(1);
            w.form->loadGridData();
        });
        poke.start(5);
        w.load(path);
        poke.stop();
        QVERIFY(sawProgress);
        QVERIFY(rowsDuringLoad > 1 && rowsDuringLoad < kBig + 1);
        QCOMPARE(w.grid().rowCount(), kBig + 1);
        QCOMPARE(w.label1()->text(), QStringLiteral("/%1").arg(kBig));
        QVERIFY(w.fake.fileDialog->calls.empty());
        QVERIFY(w.fake.popupMenu->shown.empty());
        QCOMPARE(w.text1()->text(), path);
    }

    void closingDuringALoadStopsIt()
    {
        const QString path = bigFile();
        Window w;
        QTimer::singleShot(1, w.form.get(), [&] { w.form->close(); });
        w.load(path);
        QVERIFY(!w.form->isVisible());
        QVERIFY(w.grid().rowCount() < kBig + 1);
    }

    void footerOpensTheProjectAddress()
    {
        Window w;
        QTest::mouseClick(w.child<QWidget>("Label2"), Qt::LeftButton);
        QCOMPARE(w.fake.shell->addresses, QStringList{BrowserForm::projectAddress()});
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
