#include "mainmenu.h"

#include "messagebox.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QProxyStyle>
#include <QPushButton>
#include <QShortcut>

namespace bibliora {
namespace {

QAction* entry(QMenu* menu, const char* text, const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setShortcut(shortcut);
    // The window's own keys: a shortcut works wherever the focus is in the main window.
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

// The application's style, but with the bar's Alt key navigation on, which only some styles
// (Windows') have of their own.
class AltKeyNavigation final : public QProxyStyle
{
public:
    explicit AltKeyNavigation(QObject* owner) { setParent(owner); }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Keeps an entry's enabled state on its button's: shown (to its window) and enabled.
class ButtonFollower final : public QObject
{
public:
    ButtonFollower(QAction* entry, QPushButton* button) : QObject(entry), m_entry(entry)
    {
        button->installEventFilter(this);
        update(button);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::EnabledChange:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            update(static_cast<QPushButton*>(watched));
            break;
        default:
            break;
        }
        return false;
    }

private:
    void update(const QPushButton* button)
    {
        m_entry->setEnabled(!button->isHidden() && button->isEnabled());
    }

    QAction* m_entry;
};

} // namespace

MainMenu::MainMenu(QWidget* window, MessageBox& messages, const QString& projectAddress)
    : QMenuBar(window)
{
    setObjectName(QStringLiteral("MenuBar"));
    QMenu* file = addMenu(QStringLiteral("文件(&W)"));
    QMenu* edit = addMenu(QStringLiteral("编辑(&E)"));
    QMenu* tools = addMenu(QStringLiteral("工具(&T)"));
    QMenu* help = addMenu(QStringLiteral("帮助(&H)"));
    m_open = entry(file, "打开(&O)...", QKeySequence(Qt::CTRL | Qt::Key_O));
    m_exportAll = entry(file, "导出全部(&E)...", QKeySequence(Qt::CTRL | Qt::Key_E));
    QMenu* exportAs = file->addMenu(QStringLiteral("导出为(&A)"));
    m_exportAllAs =
        entry(exportAs, "全部记录(&A)...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    m_exportModifiedAs = entry(exportAs, "修改过的记录(&M)...", QKeySequence());
    m_exportSelectedAs = entry(exportAs, "选中的记录(&S)...", QKeySequence());
    file->addSeparator();
    m_quit = entry(file, "退出(&X)", QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_undo = entry(edit, "撤销(&U)", QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = entry(edit, "重做(&R)", QKeySequence(Qt::CTRL | Qt::Key_Y));
    m_redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addSeparator();
    m_find = entry(edit, "查找(&D)...", QKeySequence(Qt::CTRL | Qt::Key_F));
    m_replace = entry(edit, "查找替换(&H)...", QKeySequence(Qt::CTRL | Qt::Key_H));
    m_batch = entry(edit, "批量修改(&B)...", QKeySequence());
    m_check = entry(tools, "检查(&C)", QKeySequence(Qt::Key_F7));
    m_about = entry(help, "关于 Bibliora(&A)", QKeySequence(Qt::Key_F1));
    for (QAction* a : {m_open, m_exportAll, m_exportAllAs, m_quit, m_undo, m_redo, m_find,
                       m_replace, m_batch, m_check, m_about})
        window->addAction(a);

    connect(m_quit, &QAction::triggered, window, &QWidget::close);
    connect(m_about, &QAction::triggered, this, [window, &messages, projectAddress] {
        messages.show(window,
                      QStringLiteral("Bibliora %1\r\nMARC 书目记录浏览编辑器\r\n\r\n"
                                     "许可证：GNU 通用公共许可证第 3 版或更新版本"
                                     "（GPL-3.0-or-later）\r\n项目主页：%2")
                          .arg(QStringLiteral(BIBLIORA_VERSION), projectAddress),
                      QStringLiteral("关于 Bibliora"), MessageButtons::Ok, MessageIcon::Information,
                      MessageAnswer::Ok);
    });

    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
    connect(f10, &QShortcut::activated, this, &MainMenu::openFirstMenu);
    setStyle(new AltKeyNavigation(this));
}

void MainMenu::follow(QAction* entry, QPushButton* button)
{
    new ButtonFollower(entry, button);
    connect(entry, &QAction::triggered, button, &QPushButton::click);
}

void MainMenu::nameUndoSteps(const QString& undoName, const QString& redoName)
{
    const auto text = [](const char* command, const QString& name, char key) {
        return QString::fromUtf8(command) + (name.isEmpty() ? QString() : u' ' + name) +
               QStringLiteral("(&%1)").arg(QLatin1Char(key));
    };
    m_undo->setText(text("撤销", undoName, 'U'));
    m_redo->setText(text("重做", redoName, 'R'));
}

void MainMenu::openFirstMenu()
{
    const QList<QAction*> menus = actions();
    if (!menus.isEmpty())
        setActiveAction(menus.first());
}

} // namespace bibliora
