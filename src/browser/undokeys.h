#pragma once

#include <QObject>

class QAction;
class QWidget;

namespace bibliora {

// The keys of 撤销 and 重做 (Ctrl+Z; Ctrl+Y and Ctrl+Shift+Z): the text box with the focus
// takes them while it has typing to undo or redo, and otherwise the window's entries do, which
// take back the last change of the records. A text box claims these keys even with nothing to
// undo; a watched one is made to let them through then.
class UndoKeys final : public QObject
{
    Q_OBJECT
public:
    UndoKeys(QAction* undo, QAction* redo, QObject* parent);

    // A QLineEdit or QPlainTextEdit of the window.
    void watch(QWidget* box);

    // Undoes (redoes) typing in `focus` when it is a text box with typing to undo (redo);
    // false when there is none, and nothing happened.
    static bool undoTyping(QWidget* focus);
    static bool redoTyping(QWidget* focus);
    static bool hasTypingToUndo(const QWidget* box);
    static bool hasTypingToRedo(const QWidget* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* m_undo;
    QAction* m_redo;
};

} // namespace bibliora
