// The find dialog, the grid's context menu (delete, copy, export modified), the popup menu
// helper and export, driven like a user with scripted dialogs.
#include "browsertestsupport.h"
#include "codec.h"
#include "findfirstrow.h"
#include "findfrm.h"
#include "menuclass.h"

#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace bibliora;
using namespace bibliora::test;

namespace {

QStringList titles(GridControl& grid, int column = 1)
{
    QStringList out;
    for (int r = 1; r < grid.rowCount(); ++r)
        out << grid.cellText(r, column);
    return out;
}

std::vector<std::string> readRecords(const QString& path)
{
    std::vector<std::string> out;
    readMarcFile(std::filesystem::path(path.toStdString()), [&](MarcRecord&& r) { out.push_back(std::move(r)); });
    return out;
}

} // namespace

class RecordCommandsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_five;
    std::vector<std::string> m_records;

    FindFrm* openFind(Window& w)
    {
        QTest::mouseClick(w.button("Command5"), Qt::LeftButton);
        auto* find = w.form->findChild<FindFrm*>(QStringLiteral("FindFrm"));
        return find;
    }
    void search(FindFrm* find, const QString& text, bool standardNumber = false)
    {
        auto* box = find->findChild<QLineEdit*>(QStringLiteral("Text1"));
        box->setText(text);
        auto* option = find->findChild<QRadioButton*>(standardNumber ? QStringLiteral("Option2") : QStringLiteral("Option1"));
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
        QTest::mouseClick(find->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_records = {makeRecord(QStringLiteral("ABC"), QStringLiteral("111")),
                     makeRecord(QStringLiteral("abc "), QStringLiteral("222")),
                     makeRecord(QStringLiteral("同名"), QStringLiteral("333")),
                     makeRecord(QStringLiteral("同名"), QStringLiteral("ABC")),
                     makeRecord(QString(), QStringLiteral("555"))};
        m_five = writeLinesFile(m_dir.path(), QStringLiteral("five.iso"), m_records);
    }

    void findComparesWholeTextsExactly()
    {
        std::vector<RecordRow> rows(3);
        rows[0].title = QStringLiteral("ABC");
        rows[1].title = QStringLiteral("abc ");
        rows[2].title = QStringLiteral("abc");
        rows[2].standardNumber = QStringLiteral("978");
        QCOMPARE(findFirstRow(rows, 1, QStringLiteral("abc")), 3);
        QCOMPARE(findFirstRow(rows, 1, QStringLiteral("ab")), 0);
        QCOMPARE(findFirstRow(rows, 2, QStringLiteral("978")), 3);
        QCOMPARE(findFirstRow(rows, 2, QString()), 1);
        QCOMPARE(findFirstRow({}, 1, QString()), 0);
    }

    void findShowsTheFirstMatchAndKeepsItsState()
    {
        Window w;
        w.load(m_five);
        FindFrm* find = openFind(w);
        QVERIFY(find && find->isVisible());
        QCOMPARE(find->windowTitle(), QStringLiteral("简易查找>>"));

        search(find, QStringLiteral("同名"));
        QVERIFY(!find->isVisible());
        QCOMPARE(w.form->NowRow(), 3);
        QCOMPARE(w.grid().currentRow(), 3);
        QCOMPARE(w.text3()->text(), QStringLiteral("3"));
        QCOMPARE(w.shownText(), displayOf(m_records[2]));
        // Same search again: the same (upper) row.
        QTest::mouseClick(w.button("Command2_3"), Qt::LeftButton);
        QCOMPARE(openFind(w), find); // one dialog for the whole run
        QTest::mouseClick(find->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QCOMPARE(w.form->NowRow(), 3);

        // A save after the find writes into the found row.
        QTest::mouseClick(w.button("Command4"), Qt::LeftButton);
        QCOMPARE(w.grid().cellTextColour(3, 0), kModifiedColour);
        QCOMPARE(w.grid().cellTextColour(1, 0), 0u);

        // Reopened: the previous text and option are still there, the text selected.
        openFind(w);
        auto* box = find->findChild<QLineEdit*>(QStringLiteral("Text1"));
        QCOMPARE(box->text(), QStringLiteral("同名"));
        QVERIFY(find->findChild<QRadioButton*>(QStringLiteral("Option1"))->isChecked());
        QApplication::setActiveWindow(find);
        QTRY_COMPARE(box->selectedText(), QStringLiteral("同名"));
    }

    void findMissesShowTheMessageAndKeepTheDialog()
    {
        Window w;
        w.load(m_five);
        FindFrm* find = openFind(w);
        for (const QString& miss : {QStringLiteral("abc"), QStringLiteral("AB"), QStringLiteral("同")}) {
            search(find, miss);
            QVERIFY(find->isVisible());
        }
        QCOMPARE(w.fake.messageBox->calls.size(), 3u);
        QCOMPARE(w.fake.messageBox->calls[0].text, QStringLiteral("抱歉,没有找到符合要求的数据信息!"));
        QCOMPARE(w.fake.messageBox->calls[0].title, QStringLiteral("操作提示"));
        QCOMPARE(w.form->NowRow(), 1);

        // The standard-number option searches column 2 only: "ABC" is a title of row 1 and
        // the ISBN of row 4.
        search(find, QStringLiteral("ABC"), true);
        QCOMPARE(w.form->NowRow(), 4);
        // An empty text finds the first row whose searched cell is empty.
        openFind(w);
        search(find, QString());
        QCOMPARE(w.form->NowRow(), 5);
    }

    void enterAndEscapeDoNothingInTheFindDialog()
    {
        Window w;
        w.load(m_five);
        FindFrm* find = openFind(w);
        auto* box = find->findChild<QLineEdit*>(QStringLiteral("Text1"));
        box->setText(QStringLiteral("同名"));
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Escape);
        QVERIFY(find->isVisible());
        QCOMPARE(w.form->NowRow(), 1);
        QVERIFY(w.fake.messageBox->calls.empty());
        // Closing the main window takes the dialog with it.
        w.form->close();
        QVERIFY(!find->isVisible());
    }

    void popupMenuReturnsPositionsAndCaptions()
    {
        ScriptedPopupMenu popup;
        menuClass menu(popup);
        popup.answers = {5};
        const QStringList list = {QStringLiteral("删除选中数据信息"), QStringLiteral("-"), QStringLiteral("复制ISO2709格式"),
                                  QStringLiteral(" - "), QStringLiteral("--")};
        QCOMPARE(menu.Popup(list), 5);
        QCOMPARE(menu.SelMenuString(), QStringLiteral("--"));
        const auto& items = popup.shown.back();
        QCOMPARE(items.size(), 5u);
        QVERIFY(items[1].separator && items[3].separator && !items[4].separator);
        QCOMPARE(items[2].command, 3);
        QCOMPARE(menu.Popup(list), 0); // dismissed
        QCOMPARE(menu.SelMenuString(), QString());
        // A long caption comes back cut to 254 bytes of code page 936: 127 Chinese characters.
        popup.answers = {1};
        QCOMPARE(menu.Popup({QString(200, QChar(0x4E2D))}), 1);
        QCOMPARE(menu.SelMenuString(), QString(127, QChar(0x4E2D)));
    }

    void deleteRemovesTheDraggedRangeAfterConfirming()
    {
        Window w;
        w.load(m_five);
        w.dragRows(5, 2);
        w.fake.popupMenu->answers = {1};
        w.fake.messageBox->answers = {MessageAnswer::Yes};
        w.rightClickRow(3);
        QCOMPARE(w.fake.popupMenu->shown.size(), 1u);
        QCOMPARE(w.fake.messageBox->calls.size(), 1u);
        QCOMPARE(w.fake.messageBox->calls[0].text, QStringLiteral("注意,您是否确定删除选中的4条MARC数据信息？"));
        QCOMPARE(w.fake.messageBox->calls[0].title, QStringLiteral("操作提示"));
        QCOMPARE(w.grid().rowCount(), 2);
        QCOMPARE(w.grid().cellText(1, 1), QStringLiteral("ABC"));
        QCOMPARE(w.label1()->text(), QStringLiteral("/1"));
    }

    void deletingKeepsNumbersAndTheShownRecord()
    {
        Window w;
        w.load(m_five);
        w.clickRow(4);
        w.clickRow(2);
        w.fake.popupMenu->answers = {1};
        w.fake.messageBox->answers = {MessageAnswer::Yes};
        w.rightClickRow(2);
        QCOMPARE(titles(w.grid(), 0), (QStringList{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")}));
        QCOMPARE(w.label1()->text(), QStringLiteral("/4"));
        // Row 2 was shown and is gone: the record now current is shown, and NowRow names it.
        QCOMPARE(w.form->NowRow(), w.grid().currentRow());
        QCOMPARE(w.shownText(), displayOf(w.grid().recordAt(w.form->NowRow())));

        // A record below the deleted one keeps being the one shown.
        w.clickRow(4); // record 5
        w.clickRow(1);
        w.clickRow(4, Qt::ShiftModifier);
        w.fake.popupMenu->answers = {1};
        w.fake.messageBox->answers = {MessageAnswer::No};
        w.rightClickRow(1);
        QCOMPARE(w.grid().rowCount(), 5); // No changes nothing
        w.clickRow(4);
        w.clickRow(1);
        w.fake.popupMenu->answers = {1};
        w.fake.messageBox->answers = {MessageAnswer::Yes};
        w.rightClickRow(1);
        QTest::mouseClick(w.button("Command2_3"), Qt::LeftButton);
        QCOMPARE(w.grid().cellText(w.form->NowRow(), 0), QStringLiteral("5"));
    }

    void deletingTheOnlyRecordResetsTheView()
    {
        Window w;
        const QString one = writeLinesFile(m_dir.path(), QStringLiteral("one.iso"), {m_records[0]});
        w.load(one);
        w.fake.popupMenu->answers = {1};
        w.fake.messageBox->answers = {MessageAnswer::Yes};
        w.rightClickRow(1);
        QCOMPARE(w.fake.messageBox->calls[0].text, QStringLiteral("注意,您是否确定删除选中的1条MARC数据信息？"));
        QCOMPARE(w.grid().rowCount(), 1);
        QCOMPARE(w.text3()->text(), QStringLiteral("0"));
        QCOMPARE(w.text2()->toPlainText(), QString());
        QCOMPARE(w.label1()->text(), QStringLiteral("/0"));
        QCOMPARE(w.form->NowRow(), 0);
    }

    void copyPutsOnlyTheCurrentRecordOnTheClipboard()
    {
        Window w;
        w.load(m_five);
        w.clickRow(3);
        w.clickRow(5, Qt::ShiftModifier);
        w.fake.popupMenu->answers = {3};
        w.rightClickRow(4);
        QCOMPARE(w.grid().currentRow(), 5);
        QCOMPARE(w.fake.clipboard->text, toQ(Gbk::decode(m_records[4])));
        // A left click never shows the menu.
        w.clickRow(2);
        QCOMPARE(w.fake.popupMenu->shown.size(), 1u);
    }

    void exportAllWritesEveryRecordAndAsksTheQuestions()
    {
        Window w;
        w.load(m_five);
        const QString out = m_dir.filePath(QStringLiteral("all.iso"));
        w.fake.fileDialog->answers = {out};
        w.fake.messageBox->answers = {MessageAnswer::Yes};
        QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
        QCOMPARE(w.fake.fileDialog->calls.back().title, QStringLiteral("保存MARC文件"));
        QVERIFY(!w.fake.fileDialog->calls.back().isOpen);
        // A file of one record per line comes back byte for byte.
        QCOMPARE(readAll(out), readAll(m_five));
        QCOMPARE(w.fake.messageBox->calls.size(), 1u);
        QCOMPARE(w.fake.messageBox->calls[0].text, QStringLiteral("数据已全部导出，是否查看文件！"));
        QCOMPARE(w.fake.messageBox->calls[0].title, QStringLiteral("温馨提示"));
        QVERIFY(w.fake.messageBox->calls[0].defaultButton == MessageAnswer::No);
        QCOMPARE(w.fake.shell->folders, QStringList{m_dir.path()});

        // Again into the same file: asked to append; Yes doubles the lines, No leaves it.
        w.fake.fileDialog->answers = {out, out};
        w.fake.messageBox->answers = {MessageAnswer::No};
        QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
        QCOMPARE(w.fake.messageBox->calls.back().text, QStringLiteral("该文件已存在，是否追加Marc数据！"));
        QCOMPARE(readAll(out), readAll(m_five));
        w.fake.messageBox->answers = {MessageAnswer::Yes, MessageAnswer::No};
        QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
        QCOMPARE(readAll(out), readAll(m_five) + readAll(m_five));
        QCOMPARE(w.fake.shell->folders.size(), 1);
    }

    void exportModifiedWritesOnlyBlueRows()
    {
        Window w;
        w.load(m_five);
        const QString none = m_dir.filePath(QStringLiteral("none-modified.iso"));
        w.fake.popupMenu->answers = {5};
        w.fake.fileDialog->answers = {none};
        w.rightClickRow(1);
        QVERIFY(QFileInfo(none).isFile());
        QCOMPARE(readAll(none), QByteArray());
        QCOMPARE(w.fake.messageBox->calls.back().text, QStringLiteral("数据已全部导出，是否查看文件！"));

        w.clickRow(4);
        QTest::mouseClick(w.button("Command4"), Qt::LeftButton);
        const QString out = m_dir.filePath(QStringLiteral("modified.iso"));
        w.fake.popupMenu->answers = {5};
        w.fake.fileDialog->answers = {out};
        w.rightClickRow(1);
        const auto written = readRecords(out);
        QCOMPARE(written.size(), 1u);
        QCOMPARE(written[0], w.grid().recordAt(4));
    }

    void exportFailuresAreReportedAndChangeNothing()
    {
        Window w;
        w.load(m_five);
        QFile plain(m_dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QStringList targets = {m_dir.filePath(QStringLiteral("missing/out.iso")),
                                     m_dir.filePath(QStringLiteral("plain/out.iso")),
                                     m_dir.path(), QStringLiteral("/dev/full")};
        for (const QString& target : targets) {
            w.fake.messageBox->calls.clear();
            w.fake.fileDialog->answers = {target};
            QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
            QCOMPARE(w.fake.messageBox->calls.size(), 1u);
            const MessageCall& call = w.fake.messageBox->calls[0];
            QCOMPARE(call.title, QStringLiteral("错误提示"));
            QVERIFY2(call.text.startsWith(QStringLiteral("出现异常错误,详细错误信息如下:\r\n")), qPrintable(call.text));
            QVERIFY2(call.text.contains(target), qPrintable(call.text));
        }
        QCOMPARE(w.grid().rowCount(), 6);
        QCOMPARE(w.label1()->text(), QStringLiteral("/5"));
    }

    void utf16RecordsExportWithTheirTerminator()
    {
        const QString utf16Sample = QFINDTESTDATA("../../samples/cnmarc-utf16.txt");
        QVERIFY(!utf16Sample.isEmpty());
        Window w;
        w.load(utf16Sample);
        const QString out = m_dir.filePath(QStringLiteral("from-utf16.iso"));
        w.fake.fileDialog->answers = {out};
        QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
        const auto back = readRecords(out);
        QCOMPARE(int(back.size()), w.grid().rowCount() - 1);
        for (std::size_t i = 0; i < back.size(); ++i)
            QCOMPARE(back[i], w.grid().recordAt(int(i) + 1) + '\x1D');
    }
};

QTEST_MAIN(RecordCommandsTest)
#include "tst_recordcommands.moc"
