// The find dialog, the popup menu helper, the grid's context menu (delete, copy, export
// modified), export and records in other encodings, driven like a user with scripted dialogs.
#include "batchdialog.h"
#include "browsertestsupport.h"
#include "codec.h"
#include "findfrm.h"
#include "isoassembler.h"
#include "replacedialog.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace bibliora;
using namespace bibliora::test;

class RecordCommandsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folder; // a name the ANSI code page cannot spell
    QString m_five;
    std::vector<std::string> m_records;

    FindFrm* openFind(Window& w)
    {
        w.click("Command5");
        return w.form->findChild<FindFrm*>(QStringLiteral("FindFrm"));
    }
    void search(FindFrm* find, const QString& text, const char* option = "Option1")
    {
        find->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(text);
        auto* radio = find->findChild<QRadioButton*>(QString::fromLatin1(option));
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
        QTest::mouseClick(find->findChild<QPushButton*>(QStringLiteral("Command1")),
                          Qt::LeftButton);
    }
    template <typename T> static T* part(QWidget* dialog, const char* name)
    {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
    void menu(Window& w, int choice, int row, MessageAnswer answer = MessageAnswer::Yes)
    {
        w.fake.popupMenu->answers = {choice};
        w.fake.messageBox->answers = {answer};
        w.rightClickRow(row);
    }

private slots:
    void initTestCase()
    {
        m_records = {makeRecord(QStringLiteral("ABC"), QStringLiteral("111")),
                     makeRecord(QStringLiteral("abc "), QStringLiteral("222")),
                     makeRecord(QStringLiteral("同名"), QStringLiteral("333")),
                     makeRecord(QStringLiteral("同名"), QStringLiteral("ABC")),
                     makeRecord(QString(), QStringLiteral("555"))};
        m_folder = m_dir.path() + QStringLiteral("/编目 かな 😀");
        QVERIFY(QDir().mkpath(m_folder));
        m_five = writeLinesFile(m_folder, QStringLiteral("五 2024.iso"), m_records);
    }

    void textsKeysAndFindingTheFirstExactMatch()
    {
        Window w;
        w.load(m_five);
        QVERIFY(w.form->windowTitle().startsWith(QStringLiteral("Bibliora 2.0")));
        QCOMPARE(w.child<QGroupBox>("Frame1")->title(), QStringLiteral("MARC文件路径"));
        QCOMPARE(w.text3()->toolTip(), QStringLiteral("回车后可以跳转到你想要看的那条数据！"));
        const char* const buttons[][3] = {
            {"Command1", "...", ""},     {"Command3", ">>>", "导出全部的数据到ISO格式文件"},
            {"Command2_0", "|<", ""},    {"Command2_1", "<", ""},
            {"Command2_2", ">", ""},     {"Command2_3", ">|", ""},
            {"Command5", "查找 &F", ""}, {"Command4", "保存 &S", "保存本条修改后的数据"}};
        for (const auto& [name, caption, tip] : buttons) {
            QCOMPARE(w.button(name)->text(), QString::fromUtf8(caption));
            QCOMPARE(w.button(name)->toolTip(), QString::fromUtf8(tip));
        }
        QTest::keyClick(w.text2(), Qt::Key_S, Qt::AltModifier); // a button's key clicks it
        QTRY_COMPARE(w.grid().cellTextColour(1, 0), kModifiedColour);
        QTest::keyClick(w.text2(), Qt::Key_F, Qt::AltModifier);
        FindFrm* find = nullptr;
        QTRY_VERIFY((find = w.form->findChild<FindFrm*>(QStringLiteral("FindFrm"))) &&
                    find->isVisible());
        QCOMPARE(find->windowTitle(), QStringLiteral("简易查找>>"));
        auto* box = find->findChild<QLineEdit*>(QStringLiteral("Text1"));
        QStringList captions, order; // and the controls Tab reaches, from the find button on
        for (const char* name : {"Command1", "Option1", "Option2", "Label1"})
            captions << find->findChild<QWidget*>(QString::fromLatin1(name))
                            ->property("text")
                            .toString();
        QCOMPARE(captions.join(QLatin1Char('|')), QStringLiteral("开始查找|正题名|标准号|检索词:"));
        QWidget* const first = find->findChild<QWidget*>(QStringLiteral("Command1"));
        QWidget* at = first;
        do
            if (at->focusPolicy() & Qt::TabFocus)
                order << at->objectName();
        while ((at = at->nextInFocusChain()) != first);
        QCOMPARE(order.join(QLatin1Char(',')), QStringLiteral("Command1,Option1,Option2,Text1"));
        for (const QString& miss :
             {QStringLiteral("abc"), QStringLiteral("AB"), QStringLiteral("同")})
            search(find, miss); // case, trailing blank, prefix: no match
        QCOMPARE(w.fake.messageBox->calls.size(), 3u);
        QCOMPARE(w.lastMessage(), QStringLiteral("抱歉,没有找到符合要求的数据信息!"));
        QTest::keyClick(box, Qt::Key_Return); // Enter, Escape: nothing
        QTest::keyClick(find, Qt::Key_Escape);
        QVERIFY(find->isVisible() && w.fake.messageBox->calls.size() == 3u);

        QVERIFY(QTest::qWaitForWindowActive(find)); // the find command activates it
        box->selectAll();
        QTest::keyClick(box, Qt::Key_F, Qt::AltModifier); // no use here: nothing typed
        QCOMPARE(box->text(), QStringLiteral("同"));
        QCOMPARE(box->selectedText(), QStringLiteral("同"));

        search(find, QStringLiteral("同名")); // two equal titles: the upper one, shown
        QVERIFY(!find->isVisible());
        QCOMPARE(w.state(), Window::showing(5, 3));
        w.click("Command4"); // the save goes into the found row
        QCOMPARE(w.grid().cellTextColour(3, 0), kModifiedColour);

        QCOMPARE(openFind(w), find);         // one dialog, text and option kept, text selected
        QApplication::setActiveWindow(find); // offscreen keeps a hidden dialog active
        QTRY_COMPARE(box->selectedText(), QStringLiteral("同名"));
        search(find, QStringLiteral("ABC"), "Option2"); // the standard number column only
        QCOMPARE(w.state(), Window::showing(5, 4));
        openFind(w);
        search(find, QString()); // the first empty title
        QCOMPARE(w.state(), Window::showing(5, 5));
        openFind(w);
        w.fake.messageBox->answers = {MessageAnswer::Yes}; // the saved row was not exported
        w.form->close();
        QVERIFY(!find->isVisible());
    }

    void deleteRemovesTheSelectedRowsAndKeepsTheShownRecord()
    {
        Window w;
        w.load(m_five);
        w.clickRow(3);
        w.clickRow(5, Qt::ShiftModifier);
        menu(w, 3, 4); // copy takes only the current record
        QCOMPARE(w.fake.clipboard->text, QString::fromStdU16String(Gbk::decode(m_records[4])));
        QStringList captions; // "-" makes a separator, which counts in the positions
        for (const PopupItem& item : w.fake.popupMenu->shown[0])
            captions << (item.separator ? QStringLiteral("-") : item.caption);
        QCOMPARE(captions.join(QLatin1Char('|')),
                 QStringLiteral("删除选中数据信息|-|复制ISO2709格式|-|导出所有修改过的数据"));
        w.clickRow(2); // a left click never opens the menu
        QCOMPARE(w.fake.popupMenu->shown.size(), 1u);

        // The menu keys open it under the current row, not at the pointer, and it acts on the
        // selection as after a right click.
        w.clickRow(3, Qt::ShiftModifier);
        w.fake.popupMenu->answers = {0, 1};
        w.fake.messageBox->answers = {MessageAnswer::No};
        QTest::keyClick(&w.grid(), Qt::Key_Menu);
        QTest::keyClick(&w.grid(), Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(w.fake.popupMenu->shown.size(), 3u);
        QCOMPARE(w.grid().currentIndex().row(), 2);
        QCOMPARE(w.grid().viewport()->mapFromGlobal(w.fake.popupMenu->positions.back()),
                 w.grid().visualRect(w.grid().currentIndex()).bottomLeft());
        QCOMPARE(w.lastMessage(), QStringLiteral("注意,您是否确定删除选中的2条MARC数据信息？"));
        QCOMPARE(w.grid().rowCount(), 6); // No: nothing deleted

        w.clickRow(2);
        menu(w, 1, 2);
        QCOMPARE(w.lastMessage(), QStringLiteral("注意,您是否确定删除选中的1条MARC数据信息？"));
        QStringList numbers;
        for (int r = 1; r < w.grid().rowCount(); ++r)
            numbers << w.grid().cellText(r, 0);
        QCOMPARE(numbers.join(QLatin1Char(',')), QStringLiteral("1,3,4,5")); // not renumbered
        QVERIFY(w.state().startsWith(QStringLiteral("4 rows /4,")) &&
                w.state().endsWith(QStringLiteral("showing its record")));

        w.clickRow(4); // record 5 shown; rows 3 down to 1 dragged and deleted
        w.dragRows(3, 1);
        menu(w, 1, 2);
        QCOMPARE(w.lastMessage(), QStringLiteral("注意,您是否确定删除选中的3条MARC数据信息？"));
        // The record left moved up into row 1: it is the one shown, and a save numbers it 1.
        QCOMPARE(w.state(), Window::showing(1, 1));
        QCOMPARE(w.grid().cellText(1, 0), QStringLiteral("5"));
        w.click("Command4");
        QCOMPARE(w.grid().cellText(1, 0), QStringLiteral("1"));
        QCOMPARE(w.grid().cellText(1, 2), QStringLiteral("555"));
        w.clickRow(1);
        menu(w, 1, 1); // the last one
        QCOMPARE(w.state(), QStringLiteral("0 rows /0, box 0, row 0 at 0 showing nothing"));
    }

    void undoAndRedoTakeBackTypingThenSavesAndDeletions()
    {
        Window w;
        w.load(m_five);
        auto* menuBar = w.child<QWidget>("MenuBar");
        QAction* undo = nullptr;
        for (QAction* a : menuBar->findChildren<QAction*>())
            if (a->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Z))
                undo = a;
        QVERIFY(undo && !undo->isEnabled());
        const std::vector<std::string> loaded = {w.record(1), w.record(2), w.record(3), w.record(4),
                                                 w.record(5)};

        // Typing first: Ctrl+Z in Text2 takes back what was typed, not a record change.
        w.clickRow(2);
        const QString original = w.shownText();
        w.text2()->setFocus();
        w.text2()->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.text2(), QStringLiteral("X"));
        QVERIFY(undo->isEnabled());
        QTest::keyClick(w.text2(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.shownText(), original);

        // A save, then Ctrl+Z where Text2 has nothing left to undo: the old record, its old
        // text, its black; Ctrl+Y makes the save again.
        w.text2()->setPlainText(
            w.text2()->toPlainText().replace(QStringLiteral("abc "), QStringLiteral("改过")));
        w.click("Command4");
        const std::string saved = w.record(2);
        QCOMPARE(undo->text(), QStringLiteral("撤销 保存(&U)"));
        QCOMPARE(w.grid().cellTextColour(2, 1), kModifiedColour);
        w.text2()->setFocus();
        QTest::keyClick(w.text2(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.record(2), loaded[1]);
        QCOMPARE(w.shownText(), original);
        QCOMPARE(w.state(), Window::showing(5, 2));
        QCOMPARE(w.grid().cellTextColour(2, 1), 0u);
        QCOMPARE(undo->text(), QStringLiteral("撤销(&U)"));
        QTest::keyClick(w.text2(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(w.record(2), saved);
        QCOMPARE(w.state(), Window::showing(5, 2));
        QVERIFY(w.shownText().contains(QStringLiteral("改过")));

        // A deletion comes back whole, in its place, with the record that was shown.
        w.clickRow(4);
        w.clickRow(3, Qt::ShiftModifier);
        menu(w, 1, 3);
        QCOMPARE(w.grid().rowCount(), 4);
        QTest::keyClick(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.grid().rowCount(), 6);
        for (int r : {1, 3, 4, 5})
            QCOMPARE(w.record(r), loaded[std::size_t(r - 1)]);
        QCOMPARE(w.record(2), saved);
        QCOMPARE(w.state(), Window::showing(5, 3)); // the current row of the selection
        QTest::keyClick(&w.grid(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.grid().rowCount(), 4);
        QCOMPARE(w.record(3), loaded[4]);
        QTest::keyClick(&w.grid(), Qt::Key_Z, Qt::ControlModifier);

        // Rows that are not next to each other (as 全部选中 selects them) are deleted together,
        // asked about as many as are selected; the record shown moves up with its row.
        w.clickRow(4);
        w.grid().selectRows({1, 3, 5});
        menu(w, 1, 3);
        QCOMPARE(w.lastMessage(), QStringLiteral("注意,您是否确定删除选中的3条MARC数据信息？"));
        QCOMPARE(w.grid().rowCount(), 3);
        QCOMPARE(w.record(1), saved);
        QCOMPARE(w.record(2), loaded[3]);
        QCOMPARE(w.state(), QStringLiteral("2 rows /2, box 2, row 2 at %1 showing its record")
                                .arg(w.grid().currentRow()));
        QTest::keyClick(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.grid().rowCount(), 6);
        QCOMPARE(w.record(5), loaded[4]);
        QCOMPARE(w.form->NowRow(), 4);
    }

    void findAndReplaceInEveryRecordIsOneStepToUndo()
    {
        Window w;
        w.load(m_five);
        const std::vector<std::string> loaded = {w.record(1), w.record(2), w.record(3), w.record(4),
                                                 w.record(5)};
        QTest::keyClick(&w.grid(), Qt::Key_H, Qt::ControlModifier);
        auto* dialog = w.form->findChild<ReplaceDialog*>(QStringLiteral("ReplaceDialog"));
        QVERIFY(dialog && dialog->isVisible());
        const auto box = [dialog](const char* name) {
            return dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
        };
        const auto press = [dialog](const char* name) {
            dialog->findChild<QPushButton*>(QString::fromLatin1(name))->click();
        };
        box("FindText")->setText(QStringLiteral("同名"));
        box("ReplaceText")->setText(QStringLiteral("新名"));
        box("Scope")->setText(QStringLiteral("200$a"));

        // The next match after the shown record, then every match selected in the grid.
        w.clickRow(1);
        press("FindNext");
        QCOMPARE(w.state(), Window::showing(5, 3));
        press("FindNext");
        QCOMPARE(w.state(), Window::showing(5, 4));
        w.fake.messageBox->answers = {MessageAnswer::Yes};
        press("FindNext"); // past the last: asked, and found again from the top
        QCOMPARE(w.fake.messageBox->calls.back().text,
                 QStringLiteral("已到最后一条记录，是否从头继续查找？"));
        QCOMPARE(w.state(), Window::showing(5, 3));
        press("SelectAll");
        QCOMPARE(w.lastMessage(), QStringLiteral("已选中 2 条匹配的记录"));
        QCOMPARE(w.grid().scatteredSelection(), std::vector<int>());
        QCOMPARE(w.grid().selectionModel()->selectedRows().size(), 2);

        // Replace-all: only the matching subfields change; one step takes it all back.
        press("ReplaceAll");
        QTRY_COMPARE(w.lastMessage(), QStringLiteral("已替换 2 处，涉及 2 条记录"));
        QCOMPARE(w.grid().cellText(3, 1), QStringLiteral("新名"));
        QCOMPARE(w.grid().cellText(4, 1), QStringLiteral("新名"));
        QCOMPARE(w.record(1), loaded[0]);
        QCOMPARE(w.grid().cellTextColour(3, 1), kModifiedColour);
        QVERIFY(w.shownText().contains(QStringLiteral("新名")));
        // Ctrl+Z in the dialog: its boxes have no typing to undo, so the replacement goes.
        box("Scope")->setFocus();
        QTest::keyClick(box("Scope"), Qt::Key_Z, Qt::ControlModifier);
        for (int r = 1; r <= 5; ++r)
            QCOMPARE(w.record(r), loaded[std::size_t(r - 1)]);
        QCOMPARE(w.grid().cellTextColour(3, 1), 0u);
        QCOMPARE(w.state(), Window::showing(5, 3));

        // A replacement that would change the record's structure, and an invalid expression,
        // are refused before anything changes.
        box("ReplaceText")->setText(QStringLiteral("新■名"));
        press("ReplaceAll");
        QVERIFY(w.lastMessage().contains(QStringLiteral("■")));
        dialog->findChild<QRadioButton*>(QStringLiteral("Regex"))->setChecked(true);
        box("FindText")->setText(QStringLiteral("(同名"));
        press("FindNext");
        QVERIFY(w.lastMessage().startsWith(QStringLiteral("正则表达式")));
        QCOMPARE(w.record(3), loaded[2]);
    }

    void batchChangesArePreviewedThenMadeAsOneStep()
    {
        Window w;
        w.load(m_five);
        const std::vector<std::string> loaded = {w.record(1), w.record(2), w.record(3), w.record(4),
                                                 w.record(5)};
        QAction* batch = nullptr;
        for (QAction* a : w.child<QWidget>("MenuBar")->findChildren<QAction*>())
            if (a->text() == QStringLiteral("批量修改(&B)..."))
                batch = a;
        QVERIFY(batch && batch->isEnabled());
        w.clickRow(2);
        w.clickRow(3, Qt::ShiftModifier);
        batch->trigger();
        auto* dialog = w.form->findChild<BatchDialog*>(QStringLiteral("BatchDialog"));
        QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
        const auto box = [dialog](const char* name) { return part<QLineEdit>(dialog, name); };
        const auto view = [dialog](const char* name) {
            return part<QPlainTextEdit>(dialog, name)->toPlainText();
        };
        const auto press = [dialog](const char* name) { part<QPushButton>(dialog, name)->click(); };
        QPushButton* ok = part<QPushButton>(dialog, "OK");
        const auto count = [dialog] { return part<QLabel>(dialog, "Count")->text(); };
        // Two rows selected: the change is offered for them.
        QVERIFY(part<QRadioButton>(dialog, "SelectedRows")->isChecked());

        // An added field, previewed: the count, the first record before and after.
        box("FieldLine")->setText(QStringLiteral("905 __ "));
        press("Delimiter");
        box("FieldLine")->insert(QStringLiteral("aXJTU"));
        press("Delimiter");
        box("FieldLine")->insert(QStringLiteral("b书库"));
        QVERIFY(!ok->isEnabled());
        press("Preview");
        dialog->finishPreview();
        QCOMPARE(count(), QStringLiteral("将修改 2 处，涉及 2 条记录"));
        QVERIFY(!view("Before").contains(QStringLiteral("905")));
        QVERIFY(view("After").contains(QStringLiteral("905 __ ■aXJTU■b书库")));
        QVERIFY(view("Before").contains(QStringLiteral("abc ")));
        QVERIFY(ok->isEnabled());
        // Any edit sets the preview aside: nothing unseen is applied.
        part<QCheckBox>(dialog, "IfMissing")->setChecked(true);
        QVERIFY(!ok->isEnabled());
        QVERIFY(view("After").isEmpty());
        press("Preview");
        dialog->finishPreview();
        press("OK");
        QVERIFY(!dialog->isVisible());
        QCOMPARE(w.lastMessage(), QStringLiteral("已修改 2 处，涉及 2 条记录"));
        for (int r : {1, 4, 5})
            QCOMPARE(w.record(r), loaded[std::size_t(r - 1)]);
        for (int r : {2, 3}) {
            QVERIFY(w.record(r).find("905") != std::string::npos);
            QCOMPARE(w.grid().cellTextColour(r, 1), kModifiedColour);
        }
        QVERIFY(w.shownText().contains(QStringLiteral("905 __ ■aXJTU■b书库")));
        const std::string added = w.record(2);

        // Deleting fields where a subfield matches, in every record; then both steps undone
        // one after the other, and the first made again. What was typed in Text2 for a record
        // the change leaves alone stays.
        w.clickRow(1);
        w.text2()->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.text2(), QStringLiteral("typed"));
        const QString typed = w.text2()->toPlainText();
        batch->trigger();
        QVERIFY(part<QRadioButton>(dialog, "AllRecords")->isChecked());
        part<QTabWidget>(dialog, "Operations")->setCurrentIndex(1);
        box("DeleteTags")->setText(QStringLiteral("2XX"));
        part<QCheckBox>(dialog, "OnlyWhere")->setChecked(true);
        box("ConditionCode")->setText(QStringLiteral("a"));
        box("ConditionText")->setText(QStringLiteral("同名"));
        press("Preview");
        dialog->finishPreview();
        QCOMPARE(count(), QStringLiteral("将修改 2 处，涉及 2 条记录"));
        press("OK");
        QCOMPARE(w.grid().cellText(3, 1), QString());
        QCOMPARE(w.grid().cellText(4, 1), QString());
        QCOMPARE(w.record(2), added);
        QCOMPARE(w.text2()->toPlainText(), typed);
        w.clickRow(1);
        QTest::keyClick(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.record(3).find("905") != std::string::npos, true);
        QCOMPARE(w.record(4), loaded[3]);
        QTest::keyClick(&w.grid(), Qt::Key_Z, Qt::ControlModifier);
        for (int r = 1; r <= 5; ++r)
            QCOMPARE(w.record(r), loaded[std::size_t(r - 1)]);
        QCOMPARE(w.grid().cellTextColour(2, 1), 0u);
        QTest::keyClick(&w.grid(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(w.record(2), added);

        // A line the builder cannot take, and a change no record needs, change nothing.
        batch->trigger();
        part<QTabWidget>(dialog, "Operations")->setCurrentIndex(0);
        box("FieldLine")->setText(QStringLiteral("9 __ ■a"));
        press("Preview");
        QVERIFY(!w.lastMessage().isEmpty());
        QCOMPARE(w.fake.messageBox->calls.back().title, QStringLiteral("批量修改"));
        QVERIFY(!ok->isEnabled());
        part<QTabWidget>(dialog, "Operations")->setCurrentIndex(2);
        box("IndicatorTag")->setText(QStringLiteral("200"));
        box("Indicators")->setText(QStringLiteral("1_"));
        press("Preview");
        dialog->finishPreview();
        QCOMPARE(count(), QStringLiteral("没有需要修改的记录"));
        QVERIFY(!ok->isEnabled());
        press("Cancel");
        QCOMPARE(w.record(2), added);
        QCOMPARE(w.record(1), loaded[0]);
    }

    void exportAppendsRecordsAfterAsking()
    {
        Window w;
        w.load(m_five);
        const QString out = m_folder + QStringLiteral("/导出 😀.iso");
        w.fake.fileDialog->answers = {out};
        w.fake.messageBox->answers = {MessageAnswer::Yes};
        w.click("Command3");
        QCOMPARE(readAll(out), readAll(m_five)); // a one-record-per-line file comes back whole
        QCOMPARE(w.lastMessage(), QStringLiteral("数据已全部导出，是否查看文件！"));
        QVERIFY(w.fake.messageBox->calls[0].defaultButton == MessageAnswer::No);
        QCOMPARE(w.fake.shell->folders, QStringList{m_folder});

        w.fake.fileDialog->answers = {out, out};
        w.fake.messageBox->answers = {MessageAnswer::No, MessageAnswer::Yes, MessageAnswer::No};
        w.click("Command3"); // No to appending: unchanged
        QCOMPARE(w.lastMessage(), QStringLiteral("该文件已存在，是否追加Marc数据！"));
        w.click("Command3");
        QCOMPARE(readAll(out), readAll(m_five) + readAll(m_five));

        const QString modified = m_dir.filePath(QStringLiteral("modified.iso"));
        w.fake.fileDialog->answers = {modified};
        menu(w, 5, 1);
        QVERIFY(QFileInfo(modified).isFile() && readAll(modified).isEmpty()); // none modified yet
        w.clickRow(4);
        w.click("Command4");
        w.fake.fileDialog->answers = {modified};
        menu(w, 5, 1); // appended to the same, empty file
        QCOMPARE(readAll(modified), QByteArray::fromStdString(w.record(4)) + "\r\n");

        for (const QString& bad :
             {m_dir.filePath(QStringLiteral("missing/out.iso")), QStringLiteral("/dev/full")}) {
            w.fake.fileDialog->answers = {bad};
            w.click("Command3");
            QCOMPARE(w.fake.messageBox->calls.back().title, QStringLiteral("错误提示"));
            QVERIFY(
                w.lastMessage().startsWith(QStringLiteral("出现异常错误,详细错误信息如下:\r\n")) &&
                w.lastMessage().contains(bad));
        }
        // A cause without a text of its own still reads in Chinese: a running program.
        const QString busy = QCoreApplication::applicationFilePath();
        w.fake.fileDialog->answers = {busy};
        w.fake.messageBox->answers = {MessageAnswer::Yes};
        w.click("Command3");
        QString shown = w.lastMessage();
        QVERIFY(shown.contains(busy));
        shown.remove(busy);
        QVERIFY2(!shown.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))),
                 qPrintable(shown));
        QCOMPARE(w.grid().rowCount(), 6);
    }

    void workNotExportedIsAskedAboutBeforeItIsLost()
    {
        Window w;
        w.load(m_five);
        const QString other =
            writeLinesFile(m_dir.path(), QStringLiteral("one.iso"), {m_records[0]});
        w.fake.fileDialog->answers = {m_five};
        w.click("Command1"); // nothing would be lost: nothing asked
        w.waitForLoad();
        QVERIFY(w.fake.messageBox->calls.empty());

        w.clickRow(2);
        w.click("Command4");
        w.fake.fileDialog->answers = {other};
        w.fake.messageBox->answers = {MessageAnswer::No};
        w.click("Command1");
        const MessageCall asked = w.fake.messageBox->calls.back();
        QCOMPARE(asked.text, QStringLiteral("有 1 条修改过的数据尚未导出，确定要打开其他文件吗？"));
        QCOMPARE(asked.title, QStringLiteral("操作提示"));
        QVERIFY(asked.defaultButton == MessageAnswer::No);
        QCOMPARE(w.text1()->text(), m_five); // No: everything as it was
        QVERIFY(w.button("Command4")->isVisible() && w.button("Command5")->isVisible());
        QCOMPARE(w.grid().cellTextColour(2, 0), kModifiedColour);

        w.text2()->setFocus();
        QTest::keyClicks(w.text2(), QStringLiteral("x"));
        w.fake.messageBox->answers = {MessageAnswer::No};
        QVERIFY(!w.form->close() && w.form->isVisible());
        QCOMPARE(
            w.lastMessage(),
            QStringLiteral("有 1 条修改过的数据尚未导出，当前记录的修改尚未保存，确定要关闭吗？"));

        w.clickRow(3); // another record replaces the edit without asking
        w.fake.fileDialog->answers = {m_dir.filePath(QStringLiteral("saved.iso"))};
        menu(w, 5, 1, MessageAnswer::No); // exporting the modified rows counts as exported
        const std::size_t calls = w.fake.messageBox->calls.size();
        QVERIFY(w.form->close());
        QCOMPARE(w.fake.messageBox->calls.size(), calls);
    }

    void utf16RecordsExportWithATerminator()
    {
        Window w, back;
        w.load(QFINDTESTDATA("../../samples/cnmarc-utf16.txt"));
        const QString out = m_dir.filePath(QStringLiteral("from-utf16.iso"));
        w.fake.fileDialog->answers = {out};
        w.click("Command3");
        back.load(out);
        QCOMPARE(back.grid().rowCount(), w.grid().rowCount());
        for (int r = 1; r < w.grid().rowCount(); ++r)
            QCOMPARE(back.record(r), w.record(r) + '\x1D');
    }
    // A UTF-8 and a MARC-8 record back to back, as exchange files hold them: each is listed,
    // saved and copied in its own encoding (octal escapes: \037 is the subfield delimiter,
    // \342 the ANSEL acute).
    void eachRecordKeepsItsEncoding()
    {
        const std::string title8 = "a\xE5\x8D\x8A\xE7\x94\xB0\xE5\xB8\x82",
                          eacc = "\x1B$1!0!!BX\x1B(B.";
        Window w;
        w.load(writeLinesFile(
            m_dir.path(), QStringLiteral("mixed.mrc"),
            {support::assembleIso("00000nam a2200000 a 4500", {{"245", "10\037" + title8 + " /"}}) +
             support::assembleIso("00000nam  2200000 a 4500",
                                  {{"245", "10\037aPr\342ecis " + eacc}})}));
        QCOMPARE(w.grid().cellText(1, 1) + w.grid().cellText(2, 1),
                 QStringLiteral("半田市 /Pre\u0301cis 一文."));
        w.click("Command4"); // saved unedited: both keep their encoding and bytes
        w.clickRow(2);
        w.click("Command4");
        QCOMPARE(detectEncoding(w.record(1)), Encoding::Utf8);
        QCOMPARE(detectEncoding(w.record(2)), Encoding::Marc8);
        QVERIFY(w.record(1).find(title8) != std::string::npos &&
                w.record(2).find(eacc) != std::string::npos);
        // Copy: MARC-8 has no plain-text form, so it goes as the record saved in UTF-8.
        menu(w, 3, 2);
        const QString copied = w.fake.clipboard->text;
        QVERIFY(copied.contains(QStringLiteral("Pre\u0301cis 一文.")));
        QCOMPARE(copied.mid(5, 5), QStringLiteral("nam a"));
        QCOMPARE(copied.left(5).toInt(), static_cast<int>(copied.toUtf8().size()));
    }
    // 澳门 in GBK (B0 C4 C3 C5) is also four ANSEL signs: after a plainly GBK record it is read
    // as GBK, and shown, saved and copied so, however its own bytes would be taken alone.
    void aRecordThatFitsTwoEncodingsIsReadAsItsFile()
    {
        const std::string macau = "\xB0\xC4\xC3\xC5";
        Window w;
        w.load(writeLinesFile(m_dir.path(), QStringLiteral("ambiguous.iso"),
                              {makeRecord(QStringLiteral("红楼梦"), QString()),
                               support::assembleIso("00000nam0 2200000   450 ",
                                                    {{"001", "M1"}, {"200", "1 \037a" + macau}})}));
        QCOMPARE(w.grid().cellText(2, 1), QStringLiteral("澳门"));
        w.clickRow(2);
        QVERIFY(w.shownText().contains(QStringLiteral("200 1_ ■a澳门")));
        w.click("Command4");
        QCOMPARE(w.grid().encodingAt(2), Encoding::Gbk);
        QVERIFY(w.record(2).find("\037a" + macau + "\036") != std::string::npos);
        QVERIFY(w.shownText().contains(QStringLiteral("200 1_ ■a澳门")));
        menu(w, 3, 2);
        QVERIFY(w.fake.clipboard->text.contains(QStringLiteral("澳门")));
    }
};

QTEST_MAIN(RecordCommandsTest)
#include "tst_recordcommands.moc"
