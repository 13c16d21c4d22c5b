#pragma once

#include <QMenuBar>

class QAction;
class QPushButton;

namespace bibliora {

class MessageBox;

// The menu bar above the window's own controls: 文件 (打开, 导出, 导出为, 退出), 编辑 (撤销, 重做,
// 查找, 查找替换, 批量修改), 工具 (检查), 帮助 (关于). Every entry shows its shortcut. 退出 closes
// the window, 关于 tells the version, the licence and the project's address; the window wires the
// others. No title's access key is F or S, which belong to the find and save buttons. A lone Alt
// puts the keyboard into the bar, on every style, as on Windows; F10 opens the first menu.
class MainMenu final : public QMenuBar
{
    Q_OBJECT
public:
    MainMenu(QWidget* window, MessageBox& messages, const QString& projectAddress);

    // An entry that stands for a button of the window clicks it, and is enabled exactly while
    // the button is shown and enabled.
    static void follow(QAction* entry, QPushButton* button);

    QAction* open() const { return m_open; }
    QAction* exportAll() const { return m_exportAll; }
    // 导出为: every record, the modified ones, the selected ones.
    QAction* exportAllAs() const { return m_exportAllAs; }
    QAction* exportModifiedAs() const { return m_exportModifiedAs; }
    QAction* exportSelectedAs() const { return m_exportSelectedAs; }
    QAction* quit() const { return m_quit; }
    QAction* undo() const { return m_undo; }
    QAction* redo() const { return m_redo; }
    QAction* find() const { return m_find; }
    QAction* replace() const { return m_replace; }
    QAction* batch() const { return m_batch; }
    QAction* check() const { return m_check; }
    QAction* about() const { return m_about; }

    // 撤销 and 重做 name the change they would take back or make again ("撤销 全部替换"); an
    // empty name leaves the bare command.
    void nameUndoSteps(const QString& undoName, const QString& redoName);

private:
    void openFirstMenu();

    QAction* m_open;
    QAction* m_exportAll;
    QAction* m_exportAllAs;
    QAction* m_exportModifiedAs;
    QAction* m_exportSelectedAs;
    QAction* m_quit;
    QAction* m_undo;
    QAction* m_redo;
    QAction* m_find;
    QAction* m_replace;
    QAction* m_batch;
    QAction* m_check;
    QAction* m_about;
};

} // namespace bibliora
