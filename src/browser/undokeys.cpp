#include "undokeys.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace bibliora {
namespace {

bool isKeyOf(const QAction* action, const QKeyEvent* event)
{
    const QKeySequence pressed(event->keyCombination());
    for (const QKeySequence& key : action->shortcuts())
        if (key.matches(pressed) == QKeySequence::ExactMatch)
            return true;
    return false;
}

} // namespace

UndoKeys::UndoKeys(QAction* undo, QAction* redo, QObject* parent)
    : QObject(parent), m_undo(undo), m_redo(redo)
{
}

void UndoKeys::watch(QWidget* box)
{
    box->installEventFilter(this);
}

bool UndoKeys::hasTypingToUndo(const QWidget* box)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(box))
        return !line->isReadOnly() && line->isUndoAvailable();
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(box))
        return !text->isReadOnly() && text->document()->isUndoAvailable();
    return false;
}

bool UndoKeys::hasTypingToRedo(const QWidget* box)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(box))
        return !line->isReadOnly() && line->isRedoAvailable();
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(box))
        return !text->isReadOnly() && text->document()->isRedoAvailable();
    return false;
}

bool UndoKeys::undoTyping(QWidget* focus)
{
    if (!hasTypingToUndo(focus))
        return false;
    if (auto* line = qobject_cast<QLineEdit*>(focus))
        line->undo();
    else
        static_cast<QPlainTextEdit*>(focus)->undo();
    return true;
}

bool UndoKeys::redoTyping(QWidget* focus)
{
    if (!hasTypingToRedo(focus))
        return false;
    if (auto* line = qobject_cast<QLineEdit*>(focus))
        line->redo();
    else
        static_cast<QPlainTextEdit*>(focus)->redo();
    return true;
}

bool UndoKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* box = static_cast<QWidget*>(watched);
    const bool undo = isKeyOf(m_undo, key);
    if ((undo && !hasTypingToUndo(box)) || (isKeyOf(m_redo, key) && !hasTypingToRedo(box))) {
        // Not claimed: the shortcut goes to the window's entry.
        event->ignore();
        return true;
    }
    return false;
}

} // namespace bibliora
